// The virtual-file dataset.

#include "tables/datasets/vfile_dataset.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "foundation/save_target.h"
#include "foundation/ui_services.h"
#include "tables/datasets/field_lines.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/engine_windows.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"

namespace veldrim {

namespace {

// Progress of a load or save: a window only from 100 records on.
class CopyProgress {
public:
    CopyProgress(bool show, int32_t count, const char* text) {
        step_ = count / 100;
        if (show && step_ >= 1) window_ = std::make_unique<TTzProgress100>(text);
    }
    void At(int32_t recNo) {
        if (window_ && recNo % step_ == 0) window_->Step();
    }

private:
    int32_t step_ = 0;
    std::unique_ptr<TTzProgress100> window_;
};

// Appends every record of area `from` (from its top; deleted ones left out
// when `hideDeleted`) to area `to`, each binary record copied whole. With
// `locked` every append takes the append lock. False when a lock was
// refused or the engine reported an error; the current area is `from`.
bool CopyRecords(uint8_t from, uint8_t to, bool hideDeleted, bool locked, bool showProgress,
                 const char* text) {
    Select(from);
    GoTop();
    CopyProgress progress(showProgress, RecCount(), text);
    bool ok = true;
    while (!dEOF() && ok && ErrorState.pendingErrorCode == 0) {
        if (hideDeleted && Deleted()) {
            SKIP(1);
            continue;
        }
        // The binary record whole, as the engine decodes it from the record.
        ConvertRecord();
        const TWorkArea* src = CurrentWorkArea();
        progress.At(src->isVirtual ? src->virtualRecNo : src->recordNumber);
        const uint8_t* from0 = FieldAddress(0);
        const std::vector<uint8_t> rec(from0, from0 + src->binaryRecordSize);
        Select(to);
        TWorkArea* dst = CurrentWorkArea();
        std::memcpy(FieldAddress(0), rec.data(),
                    std::min<std::size_t>(rec.size(), dst->binaryRecordSize));
        MarkBinaryRecordCurrent(*dst);
        if (!locked) {
            Append();
        } else if (ALock()) {
            Append();
            Unlock();
        } else {
            ok = false;
        }
        Select(from);
        SKIP(1);
    }
    return ok && ErrorState.pendingErrorCode == 0;
}

}  // namespace

TTzLLDataSet::~TTzLLDataSet() {
    try {
        Close();
    } catch (...) {
        // A failed save was reported by the engine; the object goes anyway.
    }
}

std::vector<TFieldEntry> TTzLLDataSet::Structure() const {
    std::vector<std::string> lines;
    for (const std::string& l : DbfFields) {
        if (std::count(l.begin(), l.end(), ',') != 3) break;
        lines.push_back(l);
    }
    std::vector<TFieldEntry> fields = FieldsFromLines(lines, true, Name(), nullptr);
    if (fields.size() > 255) fields.resize(255);
    for (TFieldEntry& f : fields) {
        if (f.type == 'D') f.length = 8;
        if (f.type == 'L') f.length = 1;
    }
    return fields;
}

bool TTzLLDataSet::OpenTable() {
    QuietEngineErrors quiet;
    const std::vector<TFieldEntry> fields = Structure();
    if (fields.empty()) {
        SetError(211, "Keine Felder in DbfFields [" + Name() + ".Open]");
        return false;
    }
    TWorkArea probe;
    probe.fields = fields;
    record_.assign(BinaryRecordSize(probe), 0);
    // Two opens never get the same name: wait for the next tick.
    const uint32_t start = TickCount();
    while (TickCount() == start) usleep(200);
    std::string clause = "*" + std::to_string(TickCount() & 0x7FFFFFFF) + "* VIRTUAL FILE";
    if (appendMode_ == ASCENDING) clause += " ASCENDING";
    if (appendMode_ == DESCENDING) clause += " DESCENDING";
    Select(0);
    if (ErrorState.pendingErrorCode == 0)
        USE(clause, record_.data(), static_cast<uint16_t>(record_.size()));
    if (ErrorState.pendingErrorCode == 0) AddStru(fields);
    return ErrorState.pendingErrorCode == 0;
}

void TTzLLDataSet::AfterOpenStep() {
    if (!SelectForOperation("AfterOpen")) return;
    if (appendMode_ == ASCENDING || appendMode_ == DESCENDING) Set_VFileMode_To(appendMode_);
    Set_VFileKey_To([this] { return DoOnKeymake(); });
    if (PopulateFromDisk) LoadFromDisk();
    SelectForOperation("AfterOpen");
    if (appendMode_ == LIFO || appendMode_ == INSERTION) Set_VFileMode_To(appendMode_);
    First();
}

void TTzLLDataSet::CloseHook() {
    if (SaveToDisk && vmodified_) SaveToDiskNow();
    SelectForOperation("Close");
}

std::string TTzLLDataSet::DoOnKeymake() {
    if (KeyMaker) {
        SaveActiveToSpare();
        CopyIn(Buffer().data());
        std::string key = KeyMaker();
        RestoreActiveFromSpare();
        return key;
    }
    SelectForOperation("DoOnKeymake");
    return FieldAsText(1);
}

void TTzLLDataSet::SetAppendMode(LStatusType mode) {
    appendMode_ = mode;
    if (!Active() || !SelectForOperation("SetAppendMode")) return;
    if (mode == FIFO || mode == LIFO || mode == INSERTION) {
        Set_VFileMode_To(mode);
        return;
    }
    Set_VFileKey_To([this] { return DoOnKeymake(); });
    SortVFile(mode);
    RefreshAfterMove();
}

bool TTzLLDataSet::s_AppendWithLock() {
    if (!SelectForOperation("s_AppendWithLock")) return false;
    const uint8_t mode = Get_VFileMode();
    const bool toEnd = mode == INSERTION && Eof();
    if (toEnd) Set_VFileMode_To(FIFO);
    veldrim::Append();
    EnsureVisibleRecord();
    if (toEnd) Set_VFileMode_To(mode);
    vmodified_ = true;
    return ErrorState.pendingErrorCode == 0;
}

bool TTzLLDataSet::s_DeleteWithLock() {
    if (!SelectForOperation("s_DeleteWithLock")) return false;
    DeleteRec();
    EnsureVisibleRecord();
    vmodified_ = true;
    return true;
}

bool TTzLLDataSet::s_RestoreWithLock() {
    if (!SelectForOperation("s_RestoreWithLock")) return false;
    RecallRec();
    vmodified_ = true;
    return true;
}

bool TTzLLDataSet::s_ReplaceWithLock() {
    if (!SelectForOperation("s_ReplaceWithLock")) return false;
    Replace();
    EnsureVisibleRecord();
    vmodified_ = true;
    return ErrorState.pendingErrorCode == 0;
}

bool TTzLLDataSet::LoadFromDisk() {
    if (DbfFileName().empty() || !FileExist(DbfFileName())) return false;
    if (!SelectForOperation("LoadFromDisk")) return false;
    const uint8_t virtualArea = CurrentArea;
    const std::vector<TFieldEntry> want = Structure();
    std::string failure;
    {
        QuietEngineErrors quiet;
        Select(0);
        if (ErrorState.pendingErrorCode == 0) USE(DbfFileName());
        if (ErrorState.pendingErrorCode != 0) failure = TakeErrorMessage();
    }
    if (!failure.empty()) {
        Select(virtualArea);
        SetError(1101, failure + " [LoadFromDisk]");
        return false;
    }
    const uint8_t tableArea = CurrentArea;
    // The table must hold the dataset's fields, in order, as the virtual
    // file keeps them.
    const TWorkArea* t = CurrentWorkArea();
    bool same = static_cast<int>(want.size()) == t->fieldCount;
    for (std::size_t i = 0; same && i < want.size(); ++i) {
        TFieldEntry f = t->fields[i];
        if (f.type == 'M') f = TFieldEntry{f.name, 'N', 10, 0, f.offset};
        same = f.name == want[i].name && f.type == want[i].type && f.length == want[i].length &&
               f.decimals == want[i].decimals;
    }
    if (!same) {
        CloseArea();
        Select(virtualArea);
        SetError(1101, "Struktur von " + ShownFileName(DbfFileName()) + " passt nicht zu " +
                           Name() + ".DbfFields [LoadFromDisk]");
        return false;
    }
    CopyRecords(tableArea, virtualArea, HideDeletedRecs(), false, ShowProgress,
                "Reading from disk...");
    CloseArea();
    Select(virtualArea);
    GoTop();
    vmodified_ = false;
    return ErrorState.pendingErrorCode == 0;
}

bool TTzLLDataSet::SaveToDiskNow() {
    if (DbfFileName().empty()) return false;
    if (!SelectForOperation("SaveToDisk")) return false;
    const uint8_t virtualArea = CurrentArea;
    // The table is built in a save's own temporary file beside the target
    // (made exclusively, under a name nobody can foresee) and renamed over it
    // when complete; a link is followed as every save follows it.
    std::string target, temp;
    const int tempFd = BeginSave(DbfFileName(), target, temp);
    if (tempFd < 0 || temp.empty()) {
        const int err = tempFd < 0 ? errno : ENODEV;
        if (tempFd >= 0) FileCalls.close(tempFd);
        Ui().ShowMessage("",
                         ShownFileName(DbfFileName()) + ": " + SystemReason(err) + " [SaveToDisk]",
                         MessageKind::Error);
        return false;
    }
    FileCalls.close(tempFd);
    bool ok = false;
    uint8_t tableArea = 0;
    std::string failure;
    int commitErr = 0;
    {
        QuietEngineErrors quiet;
        CreateDbf(temp, Structure());
        Select(0);
        if (ErrorState.pendingErrorCode == 0) USE(temp + " EXCLUSIVE");
        if (ErrorState.pendingErrorCode == 0) {
            tableArea = CurrentArea;
            Select(virtualArea);
            const int32_t back = veldrim::RecNo();
            ok = CopyRecords(virtualArea, tableArea, HideDeletedRecs(), true, ShowProgress,
                             "Writing to disk...");
            GoIfValid(back);
            Select(tableArea);
            CloseArea();
        }
        if (ok) {
            const int fd = FileCalls.open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
            commitErr = fd < 0 ? errno : CommitSaveTemp(fd, temp, target);
            ok = commitErr == 0;
        }
        if (!ok) {
            failure = ErrorState.pendingErrorCode != 0 ? TakeErrorMessage()
                      : commitErr != 0                 ? SystemReason(commitErr)
                                       : std::string("Sperren fehlgeschlagen [Insert]");
            FileCalls.unlink(temp.c_str());
        }
    }
    if (!ok)
        Ui().ShowMessage("", ShownFileName(DbfFileName()) + ": " + failure + " [SaveToDisk]",
                         MessageKind::Error);
    Select(virtualArea);
    if (ok) vmodified_ = false;
    return ok;
}

}  // namespace veldrim
