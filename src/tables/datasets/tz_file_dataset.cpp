// The file dataset: opening with its index files, indexes, the locked
// record changes, locks and delimited text.

#include "tables/datasets/tz_file_dataset.h"

#include <charconv>

#include "foundation/files.h"
#include "foundation/text_conv.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/datasets/field_lines.h"
#include "tables/datasets/index_item.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/engine_windows.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"

namespace veldrim {

namespace {

// A number as the shortest text that reads back to it.
std::string NumberKeyText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

bool TTzFileDataSet::CreateFromFields() {
    std::string reason;
    const std::vector<TFieldEntry> fields = FieldsFromLines(DbfFields, MemoLess(), Name(), &reason);
    bool ok = !fields.empty();
    if (DbfFields.empty() && EngineShowsMessageBoxes()) EngineMessageBox(reason, "", 0);
    if (ok) {
        QuietEngineErrors quiet;
        CreateDbf(DbfFileName(), fields);
        ok = ErrorState.pendingErrorCode == 0;
        TakeErrorMessage();
    }
    if (!ok && EngineShowsMessageBoxes())
        EngineMessageBox("Konnte \"" + ShownFileName(DbfFileName()) + "\" nicht erzeugen", "", 0);
    return ok;
}

bool TTzFileDataSet::OpenTable() {
    if (CreateIfNotFound && !FileExist(DbfFileName())) CreateFromFields();
    std::string clause = DbfFileName();
    if (Exclusive) clause += " EXCLUSIVE";
    if (!TrimBoth(Name()).empty()) clause += " ALIAS " + TrimBoth(Name());
    {
        // The engine's open settings come back on every way out, a raised error
        // included: a failed open leaves no later open read-only.
        struct Restore {
            bool recount;
            int mode;
            uint16_t override_;
            ~Restore() {
                RecountOnOpen = recount;
                FileMode = mode;
                OpenModeOverride = override_;
            }
        } restore{RecountOnOpen, FileMode, OpenModeOverride};
        RecountOnOpen = AutoFixRecCount;
        // A read-only dataset opens its table for reading only, so a table that
        // may not be written (file permission, write-protected medium) opens.
        if (ReadOnly) {
            FileMode = Exclusive ? 0x10 : 0x40;
            OpenModeOverride = static_cast<uint16_t>(FileMode);
        }
        Select(0);
        if (ErrorState.pendingErrorCode == 0) {
            if (readHook_ || writeHook_) {
                UseWithHook(clause, nullptr, 0, readHook_, writeHook_);
            } else {
                USE(clause);
            }
        }
    }
    if (ErrorState.pendingErrorCode != 0 || !CurrentWorkArea()) return false;
    return OpenIndexFiles();
}

bool TTzFileDataSet::OpenIndexFiles() {
    if (IndexList.empty()) return true;
    TCreateIndexType mode = CreateIndex;
    const bool oldReports = SetReportErrors(false);
    if (mode == ciAlways || mode == ciVerifyHeader) {
        // Another program has built the indexes today: they are trusted.
        const std::string semaphore = IndexSemaphoreName(CurrentWorkArea()->fileName);
        if (FileExist(semaphore)) {
            if (FileDatedToday(semaphore)) {
                mode = ciNotFound;
            } else {
                DeleteFileChecked(semaphore);
            }
        }
    }
    ErrorState.pendingErrorCode = 0;
    ErrorState.lastErrorCode = 0;
    std::string failure;
    for (const std::string& line : IndexList) {
        TIndexItem item;
        if (!ParseIndexItem(line, item)) {
            failure = "IndexList: " + line;
            break;
        }
        uint16_t code = 0;
        if (mode == ciAlways) {
            code = 2;
        } else if (mode == ciVerifyHeader &&
                   IndexInfoRecordCount(item.fileName) != veldrim::RecCount()) {
            code = 2;
            ErrorState.pendingErrorCode = 0;
        } else {
            OpenIndex(item.fileName, 1);
            code = ErrorState.pendingErrorCode;
        }
        if (mode != ciNever && (code == 2 || code == 222 || code == 223)) {
            ErrorState.pendingErrorCode = 0;
            TakeErrorMessage();
            bool canMake = true;
            if (OnBeforeMakeIndex) OnBeforeMakeIndex(item.fileName, canMake);
            if (canMake) {
                std::unique_ptr<TTzProgress100> window;
                if (ShowProgress) {
                    window = std::make_unique<TTzProgress100>("Indexing " +
                                                              ShownFileName(item.fileName) + "...");
                    TTzProgress100* w = window.get();
                    SetIndexProgress([w] { w->Step(); }, 100);
                }
                MakeIndex(item.expression, item.fileName);
                SetIndexProgress(nullptr, 0);
                if (OnAfterMakeIndex) OnAfterMakeIndex(item.fileName);
                if (ErrorState.pendingErrorCode == 0) OpenIndex(item.fileName, 1);
            }
        }
        if (ErrorState.pendingErrorCode != 0) {
            failure = TakeErrorMessage();
            break;
        }
        CloseAllIndexes();
    }
    if (failure.empty()) {
        for (const std::string& line : IndexList) {
            TIndexItem item;
            ParseIndexItem(line, item);
            OpenIndex(item.fileName, item.number > 0 ? item.number : 1);
        }
        if (ErrorState.pendingErrorCode != 0) failure = TakeErrorMessage();
    }
    SetReportErrors(oldReports);
    if (failure.empty()) return true;
    CloseArea();
    SetError(222, failure);
    return false;
}

void TTzFileDataSet::RefreshAfterFind() {
    if (!dEOF()) {
        RefreshAfterMove();
    } else {
        Last();
    }
}

void TTzFileDataSet::IndexOn(const std::string& expression, const std::string& indexFile) {
    if (!SelectForOperation("IndexOn")) return;
    Index_On(expression, indexFile);
    RefreshAfterMove();
}

KeyMaker TTzFileDataSet::SavedBufferKeyMaker(int position) {
    return [this, position](int) {
        std::string key;
        const auto& proc = indexCallbacks_[static_cast<std::size_t>(position)];
        if (!proc) return key;
        SaveActiveToSpare();
        CopyIn(Buffer().data());
        try {
            key = proc();
        } catch (...) {
            RestoreActiveFromSpare();
            throw;
        }
        RestoreActiveFromSpare();
        return key;
    };
}

void TTzFileDataSet::IndexOnCB(const std::string& indexFile,
                               const std::function<std::string()>& proc) {
    if (!SelectForOperation("IndexOnCB")) return;
    indexCallbacks_[0] = proc;
    Index_OnCB(indexFile, SavedBufferKeyMaker(0));
    RefreshAfterMove();
}

void TTzFileDataSet::SetIndexToCB(const std::string& name, int position,
                                  const std::function<std::string()>& proc) {
    if (!SelectForOperation("SetIndexToCB")) return;
    PositionSync();
    // The engine refuses a position outside 1..16 with its own error.
    const bool slot = position >= 1 && position <= kMaxIndexes;
    if (slot) indexCallbacks_[static_cast<std::size_t>(position)] = proc;
    OpenIndexCB(name, position,
                slot ? SavedBufferKeyMaker(position) : KeyMaker([](int) { return std::string(); }));
    RefreshAfterMove();
}

bool TTzFileDataSet::IsSequenced() {
    if (IsFiltered()) return false;
    // A closed dataset has no order to ask the engine about.
    if (!Active()) return true;
    return !SelectForOperation("IsSequenced") || !HasIndex();
}

void TTzFileDataSet::SetIndexTo(const std::string& indexFiles) {
    if (!SelectForOperation("SetIndexTo")) return;
    PositionSync();
    Set_Index_To(indexFiles);
    RefreshAfterMove();
}

void TTzFileDataSet::SetIndexToLFN(const std::string& name, int position) {
    if (!SelectForOperation("SetIndexToLFN")) return;
    PositionSync();
    OpenIndex(name, position);
    RefreshAfterMove();
}

bool TTzFileDataSet::Find(const std::string& key) {
    CheckBrowseMode();
    if (!SelectForOperation("Find")) return false;
    const bool found = veldrim::Find(key.substr(0, 100));
    RefreshAfterFind();
    return found;
}

bool TTzFileDataSet::FindExact(const std::string& key) {
    CheckBrowseMode();
    if (!SelectForOperation("FindExact")) return false;
    const bool found = veldrim::FindExact(key.substr(0, 100));
    RefreshAfterFind();
    return found;
}

bool TTzFileDataSet::Locate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                            TLocateOptions options) {
    if (!SelectForOperation("Locate")) return false;
    if (HasIndex() && values.size() == 1 && IndexProcTable.indexFileName) {
        TIndexInfo info;
        const std::string file = IndexProcTable.indexFileName(1);
        QuietEngineErrors quiet;
        // A number key holds a double, which cannot tell apart what the
        // field's digits do (numbers beyond 15 to 17 digits, a field of
        // "*" read as 0): numbers are sought by the scan, which compares
        // the stored digits.
        if (!file.empty() && IndexInfo(file, info) && info.keyType != 'N' &&
            UpperAscii(TrimBoth(info.expression)) == UpperAscii(TrimBoth(keyFields))) {
            std::string key;
            if (const auto* text = std::get_if<std::string>(&values[0])) {
                key = *text;
            } else if (const auto* number = std::get_if<double>(&values[0])) {
                key = NumberKeyText(*number);
            } else {
                key = std::get<bool>(values[0]) ? "T" : "F";
            }
            if (options.partialKey) return Find(key);
            return FindExact(key);
        }
        ErrorState.pendingErrorCode = 0;
    }
    return TTzCDataSet::Locate(keyFields, values, options);
}

bool TTzFileDataSet::WithLock(LockedOp op) {
    lockRefused_ = false;
    if (ReadOnly) return false;
    static const char* const verbs[] = {"s_AppendWithLock", "s_DeleteWithLock", "s_RestoreWithLock",
                                        "s_ReplaceWithLock"};
    const int i = static_cast<int>(op);
    if (!SelectForOperation(verbs[i])) return false;
    const TTzLockFailedEvent* handler = op == LockedOp::Insert    ? &OnALockFailedOnInsert
                                        : op == LockedOp::Delete  ? &OnRLockFailedOnDelete
                                        : op == LockedOp::Restore ? &OnRLockFailedOnRestore
                                                                  : &OnRLockFailedOnPost;
    for (;;) {
        const bool locked = op == LockedOp::Insert ? veldrim::ALock() : RLock();
        if (locked) {
            switch (op) {
                case LockedOp::Insert: veldrim::Append(); break;
                case LockedOp::Delete: DeleteRec(); break;
                case LockedOp::Restore: RecallRec(); break;
                case LockedOp::Post: Replace(); break;
            }
            const bool done = ErrorState.pendingErrorCode == 0 && LastError() == 0;
            if (op == LockedOp::Restore) {
                Unlock();
            } else if (!EnsureVisibleRecord()) {
                Unlock();
            }
            return done;
        }
        if (ErrorState.pendingErrorCode != 0) return false;
        if (*handler) {
            bool retry = false;
            (*handler)(*this, retry);
            if (retry) continue;
        }
        // The record operation that called raises the refusal with its
        // notice, in every mode of the engine's reports.
        lockRefused_ = true;
        return false;
    }
}

bool TTzFileDataSet::s_AppendWithLock() { return WithLock(LockedOp::Insert); }
bool TTzFileDataSet::s_DeleteWithLock() { return WithLock(LockedOp::Delete); }
bool TTzFileDataSet::s_RestoreWithLock() { return WithLock(LockedOp::Restore); }
bool TTzFileDataSet::s_ReplaceWithLock() { return WithLock(LockedOp::Post); }

std::string TTzFileDataSet::Peek(uint8_t fieldNo, int32_t recNo) {
    if (!SelectForOperation("Peek")) return {};
    return veldrim::Peek(fieldNo, recNo);
}

int TTzFileDataSet::AppendFromDelimited(const std::string& fileName) {
    if (!SelectForOperation("AppendFromDelimited")) return 0;
    int r = 0;
    FollowEngineVerb([&] { r = AppendDelimited(fileName, ShowProgress); },
                     [this] { RefreshAfterMove(); });
    return r;
}

int TTzFileDataSet::CopyToDelimited(const std::string& fileName) {
    if (!SelectForOperation("CopyToDelimited")) return 0;
    // The copy walks the whole table; the record shown current is the
    // engine's current one again afterwards, also when the copy failed (a
    // full disk): a later Append copies it. The copy's error stays the one
    // reported.
    const int32_t back = veldrim::RecNo();
    // After a failure the way back raises nothing of its own.
    const auto goBackAfterFailure = [&] {
        const EngineErrorState copyError = ErrorState;
        {
            QuietEngineErrors quiet;
            if (SelectForOperation("CopyToDelimited")) GoIfValid(back);
        }
        ErrorState = copyError;
    };
    int r = 0;
    try {
        r = CopyDelimited(fileName);
    } catch (...) {
        goBackAfterFailure();
        throw;
    }
    if (LastError() != 0) {
        goBackAfterFailure();
    } else {
        GoIfValid(back);
    }
    return r;
}

bool TTzFileDataSet::ALock() { return SelectForOperation("ALock") && veldrim::ALock(); }
bool TTzFileDataSet::FLock() { return SelectForOperation("FLock") && veldrim::FLock(); }

bool TTzFileDataSet::UnLock() {
    if (!SelectForOperation("UnLock")) return false;
    Unlock();
    return LastError() == 0;
}

}  // namespace veldrim
