// Record navigation and editing verbs of the current work area.
#include "tables/engine/navigation.h"

#include <cstring>
#include <memory>
#include <type_traits>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/engine/locking.h"

namespace veldrim {

namespace {

struct NavigationDefaults {
    bool IndexOnReplace = true;
};
constexpr NavigationDefaults kDefaults{};

}  // namespace

bool IndexOnReplace = kDefaults.IndexOnReplace;

namespace {

const std::string kQuote = "\"";

// Read or write phase of the index semaphore around a verb; closed on every
// exit, exceptions included. A phase that could not begin (its error set,
// the engine reporting by message box) is not held and not closed: the
// verb then touches neither the table nor its indexes.
class IndexBracket {
public:
    IndexBracket(bool active, bool write) : write_(write) {
        if (!active) return;
        const uint16_t before = ErrorState.lastErrorCode;
        ErrorState.lastErrorCode = 0;
        Phase(true);
        active_ = ErrorState.lastErrorCode == 0;
        held_ = active_;
        if (held_) ErrorState.lastErrorCode = before;
    }
    bool Held() const { return held_; }
    ~IndexBracket() {
        if (active_) {
            try {
                Phase(false);
            } catch (...) {
            }
        }
    }
    IndexBracket(const IndexBracket&) = delete;
    IndexBracket& operator=(const IndexBracket&) = delete;

private:
    void Phase(bool begin) const {
        auto p = write_ ? IndexProcTable.writePhase : IndexProcTable.readPhase;
        if (p) p(begin);
    }
    bool active_ = false;
    bool held_ = true;
    bool write_;
};

// Calls an index slot when it is set; an empty slot answers 0 / false.
template <class F, class... A>
auto Slot(F f, A... args) -> decltype(f(args...)) {
    using R = decltype(f(args...));
    if constexpr (std::is_void_v<R>) {
        if (f) f(args...);
    } else {
        if (!f) return R{};
        return f(args...);
    }
}

// Reads record n and converts it into the binary record; false on error.
bool ReadConvert(TWorkArea* a, int32_t n) {
    ErrorState.lastErrorCode = 0;
    GetDbfRecord(*a, n);
    if (ErrorState.lastErrorCode != 0) return false;
    NoteRawRecordChanged(*a);
    return true;
}

bool Shared(const TWorkArea* a) { return !a->exclusive && !a->isVirtual && LockingOn; }

// Suspends the relation procedure of an area for a scope.
class RelationPause {
public:
    explicit RelationPause(TWorkArea* a) : a_(a), saved_(std::move(a->relationProc)) {
        a_->relationProc = nullptr;
    }
    ~RelationPause() { a_->relationProc = std::move(saved_); }
    RelationProc& Saved() { return saved_; }
    RelationPause(const RelationPause&) = delete;
    RelationPause& operator=(const RelationPause&) = delete;

private:
    TWorkArea* a_;
    RelationProc saved_;
};

}  // namespace

void MarkBOF() {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return;
    a->bof = true;
    if (HasIndex()) Slot(IndexProcTable.markedBof);
}

void MarkEOF() {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return;
    a->eof = true;
    if (HasIndex()) Slot(IndexProcTable.markedEof);
}

void GoPhantom() {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return;
    a->recordNumber = a->recordCount + 1;
    a->eof = a->bof = true;
    ClearRecord();
}

void RefreshRecCount() {
    TWorkArea* a = CurrentWorkArea();
    if (a && !a->isVirtual && !a->exclusive && a->fd >= 0)
        a->recordCount = RecordCountFromFileSize(*a);
}

bool RecordVisible() {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return false;
    if (a->hideDeleted) {
        if (a->isVirtual) {
            if (a->binaryRecord && a->binaryRecord[0] != 0) return false;
        } else if (!a->recordBuffer.empty() && a->recordBuffer[0] == '*') {
            return false;
        }
    }
    const uint8_t area = CurrentArea;
    if (a->filterMethod) {
        const bool r = a->filterMethod();
        CurrentArea = area;
        return r;
    }
    if (a->filterExpression && ParserProcTable.evaluate) {
        const void* r = ParserProcTable.evaluate(a->filterExpression);
        CurrentArea = area;
        return r && *static_cast<const uint8_t*>(r) != 0;
    }
    return true;
}

bool IsWhileOn() {
    const TWorkArea* a = CurrentWorkArea();
    return a && (a->whileMethod || a->whileExpression);
}

bool WhileCondition() {
    TWorkArea* a = CurrentWorkArea();
    if (!a || (!a->whileMethod && !a->whileExpression)) return true;
    const uint8_t area = CurrentArea;
    bool r = true;
    if (a->whileMethod) r = a->whileMethod();
    CurrentArea = area;
    if (a->whileExpression && ParserProcTable.evaluate) {
        const void* v = ParserProcTable.evaluate(a->whileExpression);
        r = v && *static_cast<const uint8_t*>(v) != 0;
        CurrentArea = area;
    }
    return r;
}

void UpdateRelations() {
    TWorkArea* a = CurrentWorkArea();
    if (!a || !a->relationProc) return;
    const uint8_t area = CurrentArea;
    const int32_t recNo = a->recordNumber;
    uint8_t* foundFlag = IndexLinked ? IndexProcTable.foundFlag : nullptr;
    const uint8_t found = foundFlag ? *foundFlag : 0;
    {
        // A relation chain cannot re-enter its own procedure; the area, the
        // index unit's found flag and the procedure come back afterwards.
        RelationPause pause(a);
        struct Restore {
            uint8_t area;
            uint8_t* flag;
            uint8_t value;
            ~Restore() {
                CurrentArea = area;
                if (flag) *flag = value;
            }
        } restore{area, foundFlag, found};
        pause.Saved()();
    }
    if (ErrorState.pendingErrorCode == 0 && a->recordNumber != recNo)
        SetError(224, "Datenbank " + kQuote + ShownFileName(a->fileName) + kQuote +
                          " [UpdateRelations]");
}

void GoTop() {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("GoTop")) return;
    TWorkArea* a = CurrentWorkArea();
    // A shared table may have grown since it was opened: records another
    // program appended are there to be read, as SKIP and GoBottom see them.
    RefreshRecCount();
    if (a->recordCount == 0) return;
    const bool idx = HasIndex();
    {
        IndexBracket bracket(idx, false);
        if (!bracket.Held()) return;
        int32_t start = 1;
        if (idx) {
            start = Slot(IndexProcTable.firstKey);
            if (start == a->recordCount + 1) {
                GoPhantom();
                goto done;
            }
        }
        if (!ReadConvert(a, start)) return;
        while (!RecordVisible() && !a->eof && ErrorState.lastErrorCode == 0) {
            int32_t next;
            if (idx) {
                next = Slot(IndexProcTable.indexEof) ? a->recordCount + 1
                                                     : Slot(IndexProcTable.nextKey);
                if (next == a->recordNumber) next = a->recordCount + 1;
            } else {
                next = a->recordNumber + 1;
            }
            if (next > a->recordCount) {
                GoPhantom();
                if (idx) Slot(IndexProcTable.syncIndex);
                break;
            }
            if (!ReadConvert(a, next)) return;
        }
        if (idx) Slot(IndexProcTable.keepOldKey);
    }
done:
    UpdateRelations();
}

void GoBottom() {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("GoBottom")) return;
    TWorkArea* a = CurrentWorkArea();
    RefreshRecCount();
    if (a->recordCount == 0) return;
    const bool idx = HasIndex();
    {
        IndexBracket bracket(idx, false);
        if (!bracket.Held()) return;
        auto phantom = [&] {
            GoPhantom();
            if (idx) {
                Slot(IndexProcTable.syncIndex);
                MarkBOF();
                MarkEOF();
            }
        };
        int32_t start = a->recordCount;
        if (idx) {
            start = Slot(IndexProcTable.lastKey);
            if (start == a->recordCount + 1) {
                GoPhantom();
                goto done;
            }
        }
        if (!ReadConvert(a, start)) return;
        while (!RecordVisible() && ErrorState.lastErrorCode == 0) {
            int32_t prev;
            if (idx) {
                if (Slot(IndexProcTable.indexBof)) {
                    phantom();
                    break;
                }
                prev = Slot(IndexProcTable.prevKey);
                if (prev == a->recordNumber) {
                    phantom();
                    break;
                }
            } else {
                prev = a->recordNumber - 1;
                if (prev < 1) {
                    phantom();
                    break;
                }
            }
            if (!ReadConvert(a, prev)) return;
        }
        if (idx) Slot(IndexProcTable.keepOldKey);
    }
done:
    UpdateRelations();
}

void GoFirst() {
    if (NoDbfOpen("GoTop")) return;
    TWorkArea* a = CurrentWorkArea();
    if (a->recordCount == 0) return;
    if (!IsWhileOn()) {
        GoTop();
        return;
    }
    {
        RelationPause pause(a);
        while (!dBOF()) {
            SKIP(-1);
            if (ErrorState.lastErrorCode) break;
        }
        SKIP(0);
    }
    UpdateRelations();
}

void GoLast() {
    if (NoDbfOpen("GoBottom")) return;
    TWorkArea* a = CurrentWorkArea();
    if (!IsWhileOn()) {
        GoBottom();
        return;
    }
    {
        RelationPause pause(a);
        while (!dEOF()) {
            SKIP(1);
            if (ErrorState.lastErrorCode) break;
        }
        SKIP(-1);
    }
    UpdateRelations();
}

void SKIP(int32_t n) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("SKIP()")) return;
    TWorkArea* a = CurrentWorkArea();
    int32_t limit = a->recordCount + 1;
    if (n == 0) {
        if (a->recordCount > 0 && !a->eof && a->recordNumber >= 1 &&
            a->recordNumber <= a->recordCount) {
            if (!ReadConvert(a, a->recordNumber)) return;
        } else {
            ClearRecord();
        }
        UpdateRelations();
        return;
    }
    if (n > 0 && a->eof) {
        SetError(212, "Datenbank " + kQuote + ShownFileName(a->fileName) + kQuote +
                          " ist hinter EOF." + " [SKIP]");
        return;
    }
    if (a->recordCount == 0) {
        a->bof = a->eof = true;
        SetError(212, "Datenbank " + kQuote + ShownFileName(a->fileName) + kQuote + " ist leer." +
                          " [SKIP]");
        return;
    }
    if (n < 0 && dBOF()) return;
    a->eof = a->bof = false;
    const bool idx = HasIndex();
    bool atEnd = false, cond = true;
    {
        IndexBracket bracket(idx, false);
        if (!bracket.Held()) return;
        int32_t counted = 0;
        do {
            if (n < 0) {
                if (RecordVisible() && WhileCondition()) limit = a->recordNumber;
                int32_t prev;
                if (idx) {
                    prev = Slot(IndexProcTable.prevKey);
                    if (prev == a->recordNumber) atEnd = true;
                } else if (a->recordNumber <= 1) {
                    atEnd = true;
                    prev = 1;
                } else {
                    prev = a->recordNumber - 1;
                }
                if (!ReadConvert(a, prev)) return;
                if (!atEnd && RecordVisible()) --counted;
            } else {
                int32_t next;
                if (idx) {
                    next = Slot(IndexProcTable.nextKey);
                    if (next == a->recordNumber) atEnd = true;
                } else {
                    RefreshRecCount();
                    next = a->recordNumber + 1;
                    if (next > a->recordCount) {
                        atEnd = true;
                        next = a->recordCount;
                    }
                }
                if (!ReadConvert(a, next)) break;
                if (!atEnd && RecordVisible()) ++counted;
            }
            cond = WhileCondition();
        } while (counted != n && !atEnd && cond);

        if (atEnd && n > 0) {
            a->recordNumber = a->recordCount + 1;
            a->eof = true;
            ClearRecord();
            if (idx) Slot(IndexProcTable.syncIndex);
        } else if (atEnd) {
            GoTop();
            MarkBOF();
            if (a->eof) ClearRecord();
        } else if (!cond && n > 0) {
            MarkEOF();
        } else if (!cond) {
            if (limit <= a->recordCount) {
                if (!ReadConvert(a, limit)) return;
                a->bof = true;
            } else {
                a->recordNumber = a->recordCount + 1;
                a->bof = true;
                ClearRecord();
            }
            if (idx) {
                Slot(IndexProcTable.syncIndex);
                Slot(IndexProcTable.markedBof);
            }
        }
        if (idx) Slot(IndexProcTable.keepOldKey);
    }
    UpdateRelations();
}

void GO(int32_t n) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("GO()")) return;
    TWorkArea* a = CurrentWorkArea();
    if (n > a->recordCount) RefreshRecCount();
    const auto text = [a, n] {
        return "Ungültige Datensatznr. = "_cp850.data() + std::to_string(n) + " " + "Datenbank " +
               kQuote + ShownFileName(a->fileName) + kQuote + " [GO]";
    };
    if (a->recordCount == 0) {
        a->bof = a->eof = true;
        ClearRecord();
        SetError(212, text());
        return;
    }
    a->bof = a->eof = false;
    if (n >= 1 && n <= a->recordCount) {
        const bool idx = HasIndex();
        {
            IndexBracket bracket(idx, false);
            if (!bracket.Held()) return;
            if (!ReadConvert(a, n)) return;
            if (idx) {
                Slot(IndexProcTable.syncIndex);
                Slot(IndexProcTable.keepOldKey);
            }
        }
        UpdateRelations();
        return;
    }
    a->recordNumber = a->recordCount + 1;
    a->eof = true;
    SetError(212, text());
}

void Dbf4RawGo(int32_t n) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("GO()")) return;
    TWorkArea* a = CurrentWorkArea();
    if (n > a->recordCount) {
        a->recordNumber = a->recordCount + 1;
        a->eof = true;
        ClearRecord();
        return;
    }
    if (n <= 0) {
        SetError(212, "Datenbank " + kQuote + ShownFileName(a->fileName) + kQuote + " [Dbf4RawGo]");
        return;
    }
    bool ok;
    uint16_t code;
    {
        QuietEngineErrors quiet;
        ok = ReadConvert(a, n);
        code = ErrorState.lastErrorCode;
        ErrorState.pendingErrorCode = 0;
    }
    if (!ok) SetError(code, "Datei:  " + ShownFileName(a->fileName) + " [Dbf4RawGo]");
}

void RawGoAndRelate(int32_t n) {
    Dbf4RawGo(n);
    UpdateRelations();
}

bool GoIfValid(int32_t n) {
    if (n >= 1 && n <= RecCount()) {
        GO(n);
        return ErrorState.lastErrorCode == 0;
    }
    return false;
}

bool dEOF() {
    if (NoDbfOpen("dEOF")) return true;
    const TWorkArea* a = CurrentWorkArea();
    if (HasIndex() && IndexProcTable.indexEof) return a->eof || IndexProcTable.indexEof();
    return a->eof;
}

bool dBOF() {
    if (NoDbfOpen("dBOF")) return true;
    const TWorkArea* a = CurrentWorkArea();
    if (HasIndex() && IndexProcTable.indexBof) return a->bof || IndexProcTable.indexBof();
    return a->bof;
}

int32_t RecCount() {
    if (NoDbfOpen("RecCount")) return 0;
    RefreshRecCount();
    return CurrentWorkArea()->recordCount;
}

int32_t RecNo() {
    if (NoDbfOpen("RecNo")) return 0;
    return CurrentWorkArea()->recordNumber;
}

uint16_t RecSize() {
    if (NoDbfOpen("RecSize")) return 0;
    return CurrentWorkArea()->recordLength;
}

bool SetIgnoreDel(bool on) {
    if (NoDbfOpen("SetIgnoreDel")) return false;
    TWorkArea* a = CurrentWorkArea();
    const bool old = a->hideDeleted;
    a->hideDeleted = on;
    SKIP(0);
    return old;
}

RelationProc SetRelation(RelationProc p) {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return {};
    RelationProc old = std::move(a->relationProc);
    a->relationProc = std::move(p);
    if (a->relationProc) UpdateRelations();
    return old;
}

bool EnsureVisibleRecord() {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return false;
    if (WhileCondition() && RecordVisible()) return false;
    Unlock();
    const int32_t recNo = a->recordNumber;
    {
        RelationPause pause(a);
        SKIP(1);
        if (a->eof) {
            GoIfValid(recNo);
            SKIP(-1);
        }
    }
    UpdateRelations();
    return true;
}

void Append() {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Append")) return;
    TWorkArea* a = CurrentWorkArea();
    if (Shared(a) && a->lockState != kFileLock && a->lockState != kAppendLock) {
        SetError(5, std::string("Datei muß gesperrt sein zum Anhängen: "_cp850) +
                        ShownFileName(a->fileName) + " [APPEND]");
        return;
    }
    RefreshRecCount();
    ConvertRecordBack();
    const bool idx = HasIndex();
    // A record whose key would be cut is refused before it is written.
    if (idx && IndexProcTable.checkNewKeys && !IndexProcTable.checkNewKeys("APPEND")) return;
    {
        IndexBracket bracket(idx, true);
        if (!bracket.Held()) return;
        AppendDbfRecord(*a);
        if (ErrorState.lastErrorCode != 0) return;
        NoteRawRecordChanged(*a);
        // An index entry never runs ahead of its record: collected appends
        // reach the file before the keys do.
        if (idx) FlushRecordBlocks(*a);
        if (ErrorState.lastErrorCode != 0) return;
        if (idx) Slot(IndexProcTable.appendNewKey);
        if (ErrorState.lastErrorCode != 0) return;
        WriteHeaderCount(*a);
        if (ErrorState.lastErrorCode != 0) return;
    }
    a->eof = a->bof = false;
    UpdateRelations();
}

void Replace() {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Replace")) return;
    TWorkArea* a = CurrentWorkArea();
    const std::string name = "Datenbank " + kQuote + ShownFileName(a->fileName) + kQuote;
    if (a->recordNumber <= 0) {
        SetError(212, name + " ist leer." + " [REPLACE]");
        return;
    }
    if (a->recordNumber >= a->recordCount + 1) {
        SetError(212, name + " bei EOF angelangt." + " [REPLACE]");
        return;
    }
    if (Shared(a) && a->lockState != kFileLock && !IsLocked(a->recordNumber)) {
        SetError(1200, "Record #" + std::to_string(a->recordNumber) + " in " +
                           ShownFileName(a->fileName) + " [REPLACE]");
        return;
    }
    const bool maintain = IndexOnReplace && HasIndex();
    std::unique_ptr<IndexBracket> bracket;
    if (maintain && !a->isVirtual) {
        if (a->savedRecord.size() < a->binaryRecordSize) {
            SetError(254,
                     ShownFileName(a->fileName) + " " + "Tausch-Puffer ist NIL." + " [REPLACE]");
            return;
        }
        bracket = std::make_unique<IndexBracket>(true, true);
        if (!bracket->Held()) return;
        DecodeWholeRecord(*a);
        std::memcpy(a->savedRecord.data(), a->binaryRecord, a->binaryRecordSize);
        // The record as given: a number written as "*" is in the stored
        // record only, which the read of the old keys replaces.
        std::vector<uint8_t> raw = a->recordBuffer;
        const std::vector<uint8_t> fieldSet = a->fieldSet;
        if (!ReadConvert(a, a->recordNumber)) return;
        Slot(IndexProcTable.noteOldKeys);
        if (raw.size() == a->recordBuffer.size()) a->recordBuffer = std::move(raw);
        std::memcpy(a->binaryRecord, a->savedRecord.data(), a->binaryRecordSize);
        MarkBinaryRecordCurrent(*a);
        if (fieldSet.size() == a->fieldSet.size()) a->fieldSet = fieldSet;
    }
    ConvertRecordBack();
    if (maintain && IndexProcTable.checkNewKeys && !IndexProcTable.checkNewKeys("REPLACE")) return;
    // An index whose key changes is marked before the record is written and
    // cleared once its key is replaced: a write cut off in between leaves a
    // mark the next open finds.
    if (maintain) Slot(IndexProcTable.markKeyChanges);
    if (ErrorState.lastErrorCode != 0) return;
    PutDbfRecord(*a, a->recordNumber);
    if (ErrorState.lastErrorCode != 0) return;
    NoteRawRecordChanged(*a);
    UpdatePeekCache(*a, a->recordNumber);
    if (maintain) Slot(IndexProcTable.replaceKeys);
    bracket.reset();
    UpdateRelations();
}

namespace {
void SetDeleteFlag(bool deleted) {
    const char* verb = deleted ? "DeleteRec" : "RecallRec";
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen(verb)) return;
    TWorkArea* a = CurrentWorkArea();
    if (!a->exclusive && !a->isVirtual && LockingOn && a->lockState != kFileLock &&
        !(a->lockState == kRecordLocks && IsLocked(a->recordNumber))) {
        if (deleted)
            SetError(1200, ShownFileName(a->fileName) + " " + "Datensatz nicht gesperrt " +
                               "[DeleteRec]");
        else
            SetError(1200, "Datensatz nicht gesperrt [RecallRec]");
        return;
    }
    if (!deleted) RefreshRecCount();
    if (a->recordNumber >= 1 && a->recordNumber <= a->recordCount) {
        if (a->isVirtual) {
            a->operationCode = deleted ? 2 : 9;
            if (VirtualFileProc) VirtualFileProc(*a);
            return;
        }
        if (a->binaryRecord) a->binaryRecord[0] = deleted ? 1 : 0;
        a->recordBuffer[0] = deleted ? '*' : ' ';
        SetRecDeleteFlag(*a, a->recordNumber);
        if (ErrorState.lastErrorCode == 0) UpdatePeekCache(*a, a->recordNumber);
        return;
    }
    if (!deleted) SetError(1103, ShownFileName(a->fileName) + " at EOF [RecallRec]");
}
}  // namespace

void DeleteRec() { SetDeleteFlag(true); }
void RecallRec() { SetDeleteFlag(false); }

void SetFilterMethod(ConditionMethod m) {
    if (TWorkArea* a = CurrentWorkArea()) a->filterMethod = std::move(m);
}

void SetWhileMethod(ConditionMethod m) {
    if (TWorkArea* a = CurrentWorkArea()) a->whileMethod = std::move(m);
}

namespace {
bool SetExpression(CompiledExpr*& slot, const std::string& text, const char* verb) {
    if (NoDbfOpen(verb)) return false;
    if (slot && ParserProcTable.free) ParserProcTable.free(slot);
    slot = nullptr;
    if (AllTrim(text).empty()) return true;
    if (!ParserLinked || !ParserProcTable.compile) {
        SetError(220, std::string("Parser nicht eingebunden [") + verb + "]");
        return false;
    }
    slot = ParserProcTable.compile(text);
    return slot != nullptr;
}
}  // namespace

bool SetFilterExpression(const std::string& text) {
    if (NoDbfOpen("SetFilter")) return false;
    return SetExpression(CurrentWorkArea()->filterExpression, text, "SetFilter");
}

bool SetWhileExpression(const std::string& text) {
    if (NoDbfOpen("SetWhile")) return false;
    return SetExpression(CurrentWorkArea()->whileExpression, text, "SetWhile");
}

void ResetNavigation() { IndexOnReplace = kDefaults.IndexOnReplace; }

}  // namespace veldrim
