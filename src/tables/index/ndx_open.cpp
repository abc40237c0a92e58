// Opening and closing index files, the controlling order, indexed
// navigation for the record layer, Find, and keeping every open index of an
// area current on append and replace.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <utility>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/expr/expr_keys.h"
#include "foundation/file_calls.h"
#include "tables/index/ndx_internal.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/proc_tables.h"

namespace veldrim::ndx {

std::array<std::array<std::unique_ptr<TIndex>, kMaxIndexes + 1>, kAreas + 1> Open;
std::array<bool, kAreas + 1> NaturalOrder{};
uint8_t FoundFlag = 0;
bool ExactFind = false;
bool Building = false;
bool OpeningJustBuilt = false;

namespace {

const std::string kQuote = "\"";

std::string SameFile(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

// Every descriptor back to the position of its own order number.
void HomeAll(int area) {
    std::array<std::unique_ptr<TIndex>, kMaxIndexes + 1> home;
    for (int p = 1; p <= kMaxIndexes; ++p)
        if (auto& ix = Open[area][p]) {
            const int o = ix->order;
            home[o] = std::move(ix);
        }
    Open[area] = std::move(home);
}

int Order(int area) {
    const TIndex* ix = At(area, 1);
    return ix && !NaturalOrder[area] ? ix->order : 0;
}

// Brings order n (home positions first) to position 1.
void Arrange(int area, int n) {
    HomeAll(area);
    if (n > 1 && Open[area][n]) std::swap(Open[area][1], Open[area][n]);
    for (int p = 1; p <= kMaxIndexes; ++p)
        if (auto& ix = Open[area][p]) {
            ix->path.clear();
            ix->cache.slots.clear();
            ix->cache.on = p == 1 && !ix->noCache;
        }
}

// The record number of the index's current entry, checked against the table.
int32_t EntryRecord(TIndex& ix) {
    const uint8_t* e = CurrentEntry(ix);
    TWorkArea* a = WorkAreas[ix.area];
    if (!e || !a) return a ? a->recordCount + 1 : 0;
    const int32_t rec = static_cast<int32_t>(GetU32(e + 4));
    if (rec > a->recordCount) RefreshRecCount();
    if (rec < 1 || rec > a->recordCount) {
        Damaged(ix, "Record " + std::to_string(rec));
        return a->recordCount + 1;
    }
    ix.oldKey.assign(reinterpret_cast<const char*>(e + 8), ix.anchor.keyLength);
    FoundFlag = 1;
    return rec;
}

std::string KeyForMessage(TIndex& ix, const std::string& key) {
    if (!ix.Character()) return KeyDisplayText(ix);
    std::string k = key;
    while (!k.empty() && k.back() == ' ') k.pop_back();
    return k;
}

// The index stands at the lower bound of `key`: moves it past the entries
// of that key whose record number is below `record`, so that it stands on
// the first entry after where (key, record) stood, or at end-of-file.
// Always false: the index does not stand on the record.
bool PlaceAfterGoneKey(TIndex& ix, const uint8_t* key, uint32_t record) {
    for (const uint8_t* e = CurrentEntry(ix);
         e && !ix.eof && CompareKeys(ix, e + 8, key) == 0 && GetU32(e + 4) < record;
         e = CurrentEntry(ix)) {
        if (!StepNext(ix)) {
            // Past the last key: the position behind the last leaf's end.
            if (!ix.path.empty()) {
                ix.path.back().pos = Count(ix.path.back().buf.data());
                ix.eof = true;
            }
            break;
        }
    }
    return false;
}

// A read or write phase of the index semaphore for a scope.
template <bool Write>
class Phase {
public:
    Phase() : held_(BeginPhase(Write)) {}
    ~Phase() { End(); }
    // False when the phase could not begin: the index is not to be touched.
    bool Held() const { return held_; }
    void End() {
        if (!std::exchange(held_, false)) return;
        try {
            (Write ? SetLockSemaphoreProc : SetReadSemaphoreProc)(false);
        } catch (...) {
        }
    }
    Phase(const Phase&) = delete;
    Phase& operator=(const Phase&) = delete;

private:
    bool held_;
};
using ReadPhase = Phase<false>;
using WritePhase = Phase<true>;

// --- the hook procedures (current work area)

bool HookHasIndex() { return Controlling() != nullptr; }

void HookSync() {
    if (Controlling()) SyncPosition(CurrentArea, 1, false);
}

int32_t HookFirstLast(bool last) {
    TWorkArea* a = CurrentWorkArea();
    TIndex* ix = Controlling();
    if (!a) return 0;
    if (!ix) {
        SetError(221, "Index nicht geöffnet. (DBF="_cp850.data() + ShownFileName(a->fileName) +
                          ") [_FindFirst/LastRec]");
        return 0;
    }
    if (NaturalOrder[CurrentArea]) {
        FoundFlag = a->recordCount > 0;
        if (a->recordCount == 0) return 1;
        return last ? a->recordCount : 1;
    }
    if (!RefreshIfChanged(CurrentArea)) return a->recordNumber;
    if (!(last ? GoLastKey(*ix) : GoFirstKey(*ix))) {
        ix->bof = ix->eof = true;
        return a->recordCount + 1;
    }
    return EntryRecord(*ix);
}

int32_t HookFirst() { return HookFirstLast(false); }
int32_t HookLast() { return HookFirstLast(true); }

int32_t HookStep(bool forward) {
    TWorkArea* a = CurrentWorkArea();
    TIndex* ix = Controlling();
    if (!a || !ix) return a ? a->recordNumber : 0;
    if (!RefreshIfChanged(CurrentArea)) return a->recordNumber;
    if (a->recordCount == 0) {
        ix->bof = ix->eof = true;
        return a->recordCount + 1;
    }
    if (NaturalOrder[CurrentArea]) {
        if (forward) {
            if (a->recordNumber < a->recordCount) return a->recordNumber + 1;
            a->eof = true;
        } else {
            if (a->recordNumber > 1) return std::min(a->recordNumber - 1, a->recordCount);
            a->bof = true;
        }
        return a->recordNumber;
    }
    if (forward) {
        if (a->recordNumber > a->recordCount) {
            ix->eof = true;
            return a->recordNumber;
        }
        if (ix->eof) return a->recordNumber;
    } else {
        if (a->recordNumber > a->recordCount) {
            if (!GoLastKey(*ix)) {
                ix->bof = ix->eof = true;
                return a->recordCount + 1;
            }
            return EntryRecord(*ix);
        }
        if (ix->bof) return a->recordNumber;
    }
    const bool onRecord = SyncPosition(CurrentArea, 1, true);
    if (ErrorState.lastErrorCode != 0 || ix->path.empty()) return a->recordNumber;
    if (!onRecord && forward) {
        // The record's key was changed by another program: the walk goes on
        // with the first key after where that key stood.
        if (ix->eof || !CurrentEntry(*ix)) {
            ix->eof = true;
            return a->recordNumber;
        }
        return EntryRecord(*ix);
    }
    if (!onRecord) ix->eof = false;
    if (!(forward ? StepNext(*ix) : StepPrior(*ix))) {
        (forward ? ix->eof : ix->bof) = true;
        if (ix->path.empty()) ix->eof = true;
        return a->recordNumber;
    }
    return EntryRecord(*ix);
}

int32_t HookNext() { return HookStep(true); }
int32_t HookPrior() { return HookStep(false); }

bool HookEof() {
    TWorkArea* a = CurrentWorkArea();
    TIndex* ix = Controlling();
    if (!ix || NaturalOrder[CurrentArea]) return a && a->eof;
    return ix->eof;
}

bool HookBof() {
    TWorkArea* a = CurrentWorkArea();
    TIndex* ix = Controlling();
    if (!ix || NaturalOrder[CurrentArea]) return a && a->bof;
    return ix->bof;
}

void HookKeepOld() {
    if (TIndex* ix = Controlling()) SaveOldKey(*ix);
}

void HookNoteOld() {
    if (!Controlling()) return;
    SyncPosition(CurrentArea, 1, false);
    for (auto& ix : Open[CurrentArea])
        if (ix) SaveOldKey(*ix);
}

void HookMarkBof() {
    if (TIndex* ix = Controlling()) ix->bof = true;
}

void HookMarkEof() {
    if (TIndex* ix = Controlling()) ix->eof = true;
}

// Natural order off for the scope.
class IndexedOrder {
public:
    explicit IndexedOrder(int area) : area_(area), saved_(NaturalOrder[area]) {
        NaturalOrder[area] = false;
    }
    ~IndexedOrder() { NaturalOrder[area_] = saved_; }
    IndexedOrder(const IndexedOrder&) = delete;
    IndexedOrder& operator=(const IndexedOrder&) = delete;

private:
    int area_;
    bool saved_;
};

// The key of the current record of the index's area: the one the length
// check of the verb under way made when the record is still that one, else
// made now; false when the expression gave no usable value.
bool RecordKey(TIndex& ix, std::string& key) {
    const TWorkArea* a = WorkAreas[ix.area];
    if (ix.newKey.made && a && a->recordNumber == ix.newKey.record &&
        a->recordBuffer == ix.newKey.bytes) {
        key = ix.newKey.key;
        return ix.newKey.usable;
    }
    return MakeKey(ix, key);
}

// Drops the keys of the area's length check (when the verb's key change
// ends, or when the check refuses).
void DropNewKeys(int area) {
    for (auto& ix : Open[area])
        if (ix) ix->newKey.made = false;
}

// Before the key of appended record r goes in: the records between the
// record count stored with the anchor and r were appended by programs that
// ended before their keys went in; they get them first. False on failure.
bool KeyEarlierRecords(TIndex& ix, int32_t r) {
    const int32_t stored = StoredRecordCount(ix);
    if (stored < 0 || stored >= r - 1) return true;
    return KeyMissingRecords(ix, stored + 1, r - 1);
}

void AppendNewKey() {
    const int area = CurrentArea;
    TWorkArea* a = CurrentWorkArea();
    if (!a || Building) return;
    const UnlessKept end([area] { DropNewKeys(area); });
    {
        IndexedOrder indexed(area);
        if (!RefreshIfChanged(area)) return;
        std::vector<std::pair<int, std::string>> done;
        for (int p = 1; p <= kMaxIndexes; ++p) {
            TIndex* ix = At(area, p);
            if (!ix) continue;
            std::string key;
            const int32_t r = a->recordNumber;
            if (KeyEarlierRecords(*ix, r) && RecordKey(*ix, key) && InsertKey(*ix, key, r) == 0) {
                // The record count stored with the anchor says up to where
                // every record has its keys.
                ix->keyedCount = r;
                if (WriteAnchor(*ix)) {
                    done.emplace_back(p, key);
                    continue;
                }
            }
            // Take the record's keys out of the indexes already done.
            QuietEngineErrors quiet;
            const uint16_t code = ErrorState.lastErrorCode ? ErrorState.lastErrorCode : 217;
            const std::string context = ErrorState.contextText;
            ErrorState.pendingErrorCode = 0;
            ix->keyedCount = std::min(ix->keyedCount, r - 1);
            for (auto& [q, k] : done) At(area, q)->keyedCount = r - 1;
            // The count on disk goes back with the key, so that a later
            // append or open gives the record its keys there.
            for (auto& [q, k] : done)
                if (DeleteKey(*At(area, q), k, a->recordNumber) != 0 ||
                    !WriteAnchor(*At(area, q))) {
                    SetError(254, std::string("Index-Datei beschädigt. "_cp850) +
                                      ShownFileName(At(area, q)->fileName) + " [AppendNewKey]");
                    return;
                }
            ErrorState.lastErrorCode = code;
            ErrorState.pendingErrorCode = code;
            ErrorState.contextText = context.empty() ? " [AppendIndex]" : context;
            ReportError();
            return;
        }
    }
    SyncPosition(area, 1, false);
    if (TIndex* ix = Controlling()) SaveOldKey(*ix);
}

// Calls fn(index, new key) in indexed order for each open index of the
// current area whose key of the current record differs from its saved old
// key, until fn answers false; false then.
template <class Fn>
bool EachChangedKey(Fn fn) {
    const int area = CurrentArea;
    IndexedOrder indexed(area);
    if (!RefreshIfChanged(area)) return false;
    for (int p = 1; p <= kMaxIndexes; ++p) {
        TIndex* ix = At(area, p);
        std::string key;
        if (!ix || !RecordKey(*ix, key) || key == ix->oldKey) continue;
        if (!fn(*ix, key)) return false;
    }
    return true;
}

void ReplaceKeys() {
    const int area = CurrentArea;
    TWorkArea* a = CurrentWorkArea();
    if (!a || Building) return;
    const UnlessKept end([area] { DropNewKeys(area); });
    // A key change that stops half-way keeps its index marked as changing
    // (and so do the indexes after it, whose keys no longer match the
    // written record) until it is rebuilt.
    auto keepMarks = [area] {
        for (auto& other : Open[area])
            if (other && other->replaceMark) other->markStays = true;
    };
    const bool done = EachChangedKey([&](TIndex& ix, const std::string& key) {
        if (DeleteKey(ix, ix.oldKey, a->recordNumber) != 0) {
            keepMarks();
            SetError(254, "Datensatz Nr. " + std::to_string(a->recordNumber) +
                              " nicht im Index gefunden. " + ShownFileName(ix.fileName) +
                              " [CompareKeys]");
            return false;
        }
        if (InsertKey(ix, key, a->recordNumber) != 0) {
            keepMarks();
            return false;
        }
        ix.oldKey = key;
        if (!ix.replaceMark) return true;
        ix.replaceMark = false;
        EndChange(ix);
        return !ix.anchorModified || WriteAnchor(ix);
    });
    if (!done) return;
    SyncPosition(area, 1, false);
    if (TIndex* ix = Controlling()) SaveOldKey(*ix);
}

// Before a REPLACE writes its record: every index whose key the write
// changes is marked as changing (its anchor written with the mark), so that
// a program cut off anywhere between the record's write and the end of the
// key change leaves an index the next open rebuilds. The key change clears
// the mark (ReplaceKeys).
void MarkKeyChanges() {
    TWorkArea* a = CurrentWorkArea();
    if (!a || Building) return;
    // A mark still held by an earlier REPLACE that never reached its key
    // change: that change did not complete.
    for (auto& ix : Open[CurrentArea])
        if (ix && ix->replaceMark) ix->markStays = true;
    EachChangedKey([](TIndex& ix, const std::string&) {
        if (!BeginChange(ix)) return false;
        ix.replaceMark = true;
        return true;
    });
}

// Before a record is appended or written: its key in every open index has
// the index's length (a key of another length would be cut). Each key is
// made here once and kept for the verb's key change.
bool CheckNewKeys(const char* verb) {
    TWorkArea* a = CurrentWorkArea();
    if (!a || Building) return true;
    const int area = CurrentArea;
    UnlessKept refused([area] { DropNewKeys(area); });
    // The record to be appended is made as the new last record, which its
    // key change will find: the number after the last (RECNO() in a key),
    // and a table that counts it (the fields of an empty table read blank).
    struct AsAppended {
        TWorkArea& a;
        const int32_t number = a.recordNumber, count = a.recordCount;
        ~AsAppended() {
            a.recordNumber = number;
            a.recordCount = count;
        }
    } kept{*a};
    if (std::strcmp(verb, "APPEND") == 0) a->recordNumber = ++a->recordCount;
    for (auto& ix : Open[area]) {
        if (!ix) continue;
        auto& made = ix->newKey;
        const KeyMade result = MakeCheckedKey(*ix, made.key, std::string(" [") + verb + "]");
        if (result == KeyMade::kRefused) return false;
        made.made = !a->isVirtual;
        made.usable = result == KeyMade::kMade;
        made.record = a->recordNumber;
        made.bytes = a->recordBuffer;
    }
    refused.Keep();
    return true;
}

void HookCloseIndexes() {
    ForgetRebuild(CurrentArea);
    CloseAllIndexes();
}

void HookReindex() { Reindex(); }

std::string HookFileName(int n) {
    TIndex* ix = At(CurrentArea, n);
    return ix ? ix->fileName : std::string();
}

int HookFileDescriptor(uint8_t area, int n) {
    const TIndex* ix = At(area, n);
    return ix ? ix->fd : -1;
}

IndexKeyText KeyTextOf(int area, int position) {
    return [area, position]() -> std::string {
        TIndex* ix = At(area, position);
        return ix ? KeyDisplayText(*ix) : std::string();
    };
}

IndexKeyText HookKeyText(int n) {
    if (!At(CurrentArea, n)) return nullptr;
    return KeyTextOf(CurrentArea, n);
}

IndexKeyText HookOrderKeyText() {
    if (!Controlling()) return nullptr;
    const int area = CurrentArea;
    if (NaturalOrder[area])
        return [area]() -> std::string {
            const TWorkArea* a = WorkAreas[area];
            std::string n = std::to_string(a ? a->recordNumber : 0);
            return "Rec:" + std::string(n.size() < 10 ? 10 - n.size() : 0, ' ') + n;
        };
    return KeyTextOf(area, 1);
}

bool HookAscending(int n) {
    TIndex* ix = At(CurrentArea, n);
    return !(ix && ix->descending);
}

bool HookSoundex(int n) {
    TIndex* ix = At(CurrentArea, n);
    return ix && ix->soundex;
}

// Inside a write phase of an index that is not yet among the area's open
// ones (the phase's start reads the anchors of those only): its root, next
// free block and change mark as the file holds them now. False (error 222)
// when the anchor cannot be read.
bool TakeFreshAnchor(TIndex& ix) {
    std::array<uint8_t, 24> now{};
    if (FileCalls.pread(ix.fd, now.data(), now.size(), 0) != 24) {
        SetError(222, "Fehler beim Lesen der Index-Datei:  " + ShownFileName(ix.fileName) +
                          " [ReadAnchorNodes]");
        return false;
    }
    const TAnchor fresh = DecodeAnchor(now.data());
    ix.anchor.root = fresh.root;
    ix.anchor.nextFree = fresh.nextFree;
    ix.anchor.changing = fresh.changing;
    ix.path.clear();
    ix.cache.slots.clear();
    return true;
}

// At the open of an index this program may write: records past the record
// count stored with the anchor were appended by programs that ended before
// their keys went in (or while the index was not open); each gets its key
// when the tree lacks it, however many appends came after. Files that hold
// no valid count (other programs') are taken as complete. False (with the
// engine error) when the tree could not be read or written.
bool KeyRecordsLeftWithoutKeys(TIndex& ix, TWorkArea& a) {
    const int32_t stored = StoredRecordCount(ix);
    ix.keyedCount = stored < 0 ? a.recordCount : stored;
    if (stored < 0 || ix.readOnly || a.isVirtual) return true;
    // A shared table's records on file, whether or not its header counts them.
    RefreshRecCount();
    if (stored >= a.recordCount) {
        ix.keyedCount = a.recordCount;
        return true;
    }
    WritePhase write;
    if (!write.Held()) return false;
    // The tree as the write phase finds it: another program may have split
    // its root since the open read the anchor, and an anchor written from
    // that reading would cut the tree back to the old root.
    if (!TakeFreshAnchor(ix)) return false;
    // A tree with a dead change mark is rebuilt from every record by the
    // next phase.
    if (ix.anchor.changing) return true;
    // Another program may have keyed them meanwhile.
    const int32_t now = StoredRecordCount(ix);
    RefreshRecCount();
    if (now >= 0 && !KeyMissingRecords(ix, now + 1, a.recordCount)) return false;
    ix.keyedCount = a.recordCount;
    return WriteAnchor(ix);
}

// True while an index cut off in a change is rebuilt at its open.
bool repairing = false;

// Opens one index file into a position of the current area.
void OpenInto(const std::string& nameText, int position, KeyMaker keyMaker) {
    const std::string where = "[SetIndexTo(<>," + nameText + "," + std::to_string(position) + ")]";
    if (position < 1 || position > kMaxIndexes) {
        SetError(220,
                 std::string("Parameter Index-Ordnung außerhalb des zulässigen Bereichs "_cp850) +
                     where);
        return;
    }
    TWorkArea* a = CurrentWorkArea();
    if (!a) {
        SetError(220, "Öffnungsversuch von "_cp850.data() + nameText +
                          std::string(" Index-Datei ohne geöffnete DBF-Datei."_cp850) + " " +
                          where);
        return;
    }
    const int area = CurrentArea;
    if (!keyMaker && !(ParserLinked && ParserProcTable.compile)) {
        SetError(221, "TZParser-Unit nicht eingebunden. [Set_Index_To]");
        return;
    }
    const int order = Order(area);
    HomeAll(area);
    if (Open[area][position]) CloseIndex(position);
    TNameOptions opt;
    const std::string path = IndexFileName(StripOptions(nameText, opt), *a);
    if (LockingOn) opt.noCache = true;
    const std::string same = SameFile(path);
    for (int ar = 1; ar <= kAreas; ++ar)
        for (auto& other : Open[ar])
            if (other && SameFile(other->fileName) == same) {
                SetError(220, std::string("Index-Datei bereits geöffnet: "_cp850) +
                                  ShownFileName(path) + std::string(" für "_cp850) +
                                  ShownFileName(WorkAreas[ar]->fileName) + "\n\r" +
                                  std::string("Versuch gleichnamigen Index zu setzen für "_cp850) +
                                  ShownFileName(a->fileName) + ". [OpenIndex/Set_Index_To]");
                return;
            }
    if (!AnyIndex(area) && !SemaphoreLogin(area)) return;
    // From here on a failure leaves the position empty and logs out again.
    struct Undo {
        int area;
        int order;
        bool done = false;
        ~Undo() {
            if (!done && !AnyIndex(area)) SemaphoreLogoutIfLast(area);
            if (order > 0 && Open[area][order]) Arrange(area, order);
        }
    } undo{area, order};

    auto ix = std::make_unique<TIndex>();
    ix->fileName = path;
    ix->area = static_cast<uint8_t>(area);
    ix->order = position;
    ix->noCache = opt.noCache;
    int mode = a->exclusive ? 0x12 : 0x42;
    if (OpenModeOverride != 65535) mode = OpenModeOverride;
    int code = 0;
    ix->fd = OpenTableFile(path, mode, &ix->readOnly, &code);
    const std::string damaged =
        std::string("Ungültiger dBASE-Schlüsselausdruck oder Index-Datei beschädigt "_cp850) +
        ShownFileName(path);
    if (ix->fd < 0) {
        // A pipe, device or folder at the index file's name is named as such.
        SetTableFileOpenError(code, path,
                              "Fehler beim Lesen der Index-Datei:  " + ShownFileName(path),
                              "[ReadAnchorNodes]");
        return;
    }
    // The anchor is read inside a read phase: a writer of another program
    // that is in the middle of a change is waited for, so a change mark seen
    // here was left by a program that no longer works on the file.
    ReadPhase read;
    if (!read.Held()) return;
    struct stat st {};
    std::array<uint8_t, kNdxBlock> anchor{};
    if (FileCalls.fstat(ix->fd, &st) != 0 || st.st_size < 2 * kNdxBlock ||
        FileCalls.pread(ix->fd, anchor.data(), anchor.size(), 0) != kNdxBlock) {
        SetError(222, damaged);
        return;
    }
    ix->anchor = DecodeAnchor(anchor.data());
    const auto blocks = static_cast<uint32_t>(std::min<off_t>(st.st_size / kNdxBlock, 0x7FFFFFFF));
    if (!AnchorSane(ix->anchor) || ix->anchor.root >= blocks) {
        SetError(222, damaged);
        return;
    }
    const bool mayRebuild = a->exclusive && !ix->readOnly;
    // A shared index this program may write keeps a dead change mark for the
    // next phase of this area, which rebuilds it in its file before the tree
    // is used (the index is among the area's open ones by then).
    const bool phaseRebuilds = !ix->readOnly && !a->exclusive && PhasesRebuildMarks(area);
    if ((ix->anchor.changing || (a->recordsTakenIn && mayRebuild)) && !repairing &&
        !phaseRebuilds) {
        // A change of several nodes was cut off (a killed program): the
        // tree may have lost keys; or the table's open took in records that
        // a killed writer left past the header's count, whose keys may be
        // missing. Rebuilt from the table when this program holds the table
        // alone; a cut-off change is reported otherwise.
        std::string expr(reinterpret_cast<const char*>(anchor.data() + 24), 101);
        expr.resize(std::strlen(expr.c_str()));
        if (a->oemText) expr = OemToAnsiStr(expr);
        CloseTableFile(ix->fd);
        ix->fd = -1;
        if (!mayRebuild) {
            SetError(222, damaged);
            return;
        }
        const std::string name = ShownFileName(path) + (ix->anchor.unique ? " UNIQUE" : "");
        struct Repairing {
            Repairing() { repairing = true; }
            ~Repairing() { repairing = false; }
        } guard;
        ErrorState.lastErrorCode = 0;
        if (keyMaker)
            MakeIndexCB(name, keyMaker);
        else
            MakeIndex(NormaliseExpression(expr), name);
        if (ErrorState.lastErrorCode != 0) return;
        OpenInto(nameText, position, keyMaker);
        undo.done = true;
        return;
    }
    std::string text(reinterpret_cast<const char*>(anchor.data() + 24), 101);
    text.resize(std::strlen(text.c_str()));
    if (text.size() > kMaxKeyLength) text.resize(kMaxKeyLength);
    if (a->oemText) text = OemToAnsiStr(text);
    ix->expression = NormaliseExpression(text);
    const bool marker = ix->expression == NormaliseExpression(kKeyMakerMarker);
    if (!keyMaker && marker) {
        SetError(223, "KeyMaker-Funktion benötigt, "_cp850.data() + kQuote + ShownFileName(path) +
                          kQuote + " wurde von KeyMaker-Funktion erzeugt.");
        return;
    }
    if (keyMaker && !marker) {
        SetError(
            223,
            std::string(
                "KeyMaker-Funktion mit durch dBase-Schlüsselausdruck erzeugter Index-Datei verwendet "_cp850) +
                "[OpenIndex/Set_Index_ToCB(" + nameText + ")]");
        return;
    }
    if (keyMaker) {
        ix->keyMaker = std::move(keyMaker);
        ix->soundex = opt.soundex;
        ix->descending = opt.descending;
        if (!ResolveKeyType(ix->anchor, 'C')) {
            SetError(222, damaged);
            return;
        }
    } else {
        {
            QuietEngineErrors quiet;
            ix->expr = ix->expression.empty()
                           ? nullptr
                           : InArea(area, [&] { return ParserProcTable.compile(ix->expression); });
            ErrorState.pendingErrorCode = 0;
        }
        const char t = ix->expr ? ix->expr->resultType : ' ';
        if (!ix->expr || (t != 'C' && t != 'N' && t != 'D') || !ResolveKeyType(ix->anchor, t)) {
            SetError(222, damaged);
            return;
        }
        ix->exprType = t;
        ix->exprLength = ix->expr->resultLength;
        ix->exprDecimals = ix->expr->decimals;
    }
    read.End();
    // The next free block follows the file's size. The anchor and the size
    // are taken again inside the write phase: another program may have
    // changed both since they were read.
    if (blocks != ix->anchor.nextFree && !ix->readOnly) {
        WritePhase write;
        if (!write.Held()) return;
        bool ok = FileCalls.fstat(ix->fd, &st) == 0 && TakeFreshAnchor(*ix);
        if (ok) {
            // The record count written with the anchor stays as the file
            // holds it (one it cannot tell is taken as complete).
            const int32_t stored = StoredRecordCount(*ix);
            ix->keyedCount = stored < 0 ? a->recordCount : stored;
            ix->anchor.nextFree =
                static_cast<uint32_t>(std::min<off_t>(st.st_size / kNdxBlock, 0x7FFFFFFF));
            ok = WriteAnchor(*ix);
        }
        write.End();
        if (!ok) return;
    } else if (blocks < ix->anchor.nextFree) {
        ix->anchor.nextFree = blocks;
    }
    if (ix->Character()) {
        const std::string blank = BlankRecordKey(*ix);
        if (blank.size() != ix->anchor.keyLength || ix->anchor.keyLength == 0) {
            KeyLengthError(
                *ix, blank, " [SetIndexTo/OpenIndex]",
                ix->anchor.keyLength == 0 ? KeyLengthFault::kEmpty : KeyLengthFault::kVaries);
            return;
        }
        if (!OpeningJustBuilt && KeyLengthVaries(*ix, " [SetIndexTo/OpenIndex]", false)) return;
    }
    if (!KeyRecordsLeftWithoutKeys(*ix, *a)) return;
    ix->oldKey.assign(ix->anchor.keyLength, ix->Character() ? ' ' : '\0');
    Open[area][position] = std::move(ix);
    undo.done = true;
    undo.order = 0;
    Arrange(area, order > 0 ? order : 1);
    if (position == 1 && a->recordCount > 0) GoTop();
    if (TIndex* c = Controlling()) SaveOldKey(*c);
}

}  // namespace

bool AnyIndex(int area) {
    for (auto& ix : Open[area])
        if (ix) return true;
    return false;
}

void SaveOldKey(TIndex& ix) {
    const TWorkArea* a = WorkAreas[ix.area];
    if (!a || a->recordNumber < 1 || a->recordNumber > a->recordCount) {
        ix.oldKey.assign(ix.anchor.keyLength, ix.Character() ? ' ' : '\0');
        return;
    }
    if (!RecordKey(ix, ix.oldKey)) ix.oldKey.assign(ix.anchor.keyLength, '\0');
}

// The current record of a shared table was read before this phase began:
// true when another program has changed its key in the index since (the
// key made from the record as the file holds it now differs from `key`).
bool KeyChangedSinceRead(TIndex& ix, const std::string& key) {
    TWorkArea* a = WorkAreas[ix.area];
    if (!a || a->exclusive || a->isVirtual || !LockingOn) return false;
    KeepRecord keep(*a);
    QuietEngineErrors quiet;
    GetDbfRecord(*a, a->recordNumber);
    const bool read = ErrorState.lastErrorCode == 0;
    ErrorState.lastErrorCode = 0;
    ErrorState.pendingErrorCode = 0;
    if (!read) return false;
    if (ix.keyMaker) InArea(ix.area, [] { ConvertRecord(); });
    std::string now;
    return MakeKey(ix, now) && now != key;
}

bool SyncPosition(int area, int position, bool soft) {
    TIndex* ix = At(area, position);
    TWorkArea* a = WorkAreas[area];
    if (!ix || !a) return false;
    if (!RefreshIfChanged(area)) return false;
    if (a->recordNumber < 1 || a->recordNumber > a->recordCount) {
        ix->path.clear();
        ix->eof = true;
        return false;
    }
    const auto rec = static_cast<uint32_t>(a->recordNumber);
    if (soft && !ix->eof) {
        const uint8_t* e = CurrentEntry(*ix);
        if (e && GetU32(e + 4) == rec) return true;
    }
    std::string key;
    if (!RecordKey(*ix, key)) return false;
    const auto* k = reinterpret_cast<const uint8_t*>(key.data());
    if (!Seek(*ix, k, false)) return false;
    const std::string name = ix->fileName;
    const uint8_t* e = CurrentEntry(*ix);
    if (!e || ix->eof || CompareKeys(*ix, e + 8, k) != 0) {
        // A record whose key another program changed since it was read: the
        // index stands where its key stood, as a step from it goes on.
        if (soft || KeyChangedSinceRead(*ix, key)) return PlaceAfterGoneKey(*ix, k, rec);
        // A unique index holds one record per key: a record whose key value
        // it does not hold stands where that key would be.
        if (ix->anchor.unique) return false;
        SetError(212, std::string("Schlüssel: "_cp850) + kQuote + KeyForMessage(*ix, key) + kQuote +
                          " nicht im Index: " + ShownFileName(name) +
                          ". [SyncIndex-1] Record: " + std::to_string(a->recordNumber));
        return false;
    }
    if (ix->anchor.unique) return true;
    while (GetU32(e + 4) != rec) {
        if (!StepNext(*ix) || !(e = CurrentEntry(*ix)) || CompareKeys(*ix, e + 8, k) != 0) {
            if (soft || KeyChangedSinceRead(*ix, key))
                return Seek(*ix, k, false) && PlaceAfterGoneKey(*ix, k, rec);
            SetError(212, std::string("Datensatz mit Schlüssel: "_cp850) + kQuote +
                              KeyForMessage(*ix, key) + kQuote +
                              " nicht im Index: " + ShownFileName(name) + ". [SyncIndex-2]");
            return false;
        }
    }
    return true;
}

void CloseArea(int area) {
    const uint8_t saved = CurrentArea;
    CurrentArea = static_cast<uint8_t>(area);
    try {
        CloseAllIndexes();
    } catch (...) {
        CurrentArea = saved;
        throw;
    }
    CurrentArea = saved;
}

// Fills the index slots of the procedure table (part of IndexInit).
void FillIndexSlots() {
    TIndexProcTable& t = IndexProcTable;
    t.hasIndex = HookHasIndex;
    t.syncIndex = HookSync;
    t.nextKey = HookNext;
    t.prevKey = HookPrior;
    t.firstKey = HookFirst;
    t.lastKey = HookLast;
    t.indexEof = HookEof;
    t.indexBof = HookBof;
    t.appendNewKey = AppendNewKey;
    t.keepOldKey = HookKeepOld;
    t.noteOldKeys = HookNoteOld;
    t.replaceKeys = ReplaceKeys;
    t.markKeyChanges = MarkKeyChanges;
    t.checkNewKeys = CheckNewKeys;
    t.markedBof = HookMarkBof;
    t.markedEof = HookMarkEof;
    t.foundFlag = &FoundFlag;
    t.reindex = HookReindex;
    t.closeIndexes = HookCloseIndexes;
    t.reopenIndexes = ReopenRebuiltIndexes;
    t.indexFileName = HookFileName;
    t.keyTextProc = HookKeyText;
    t.orderKeyTextProc = HookOrderKeyText;
    t.ascending = HookAscending;
    t.soundex = HookSoundex;
    t.readPhase = SetReadSemaphoreProc;
    t.writePhase = SetLockSemaphoreProc;
    t.indexFileDescriptor = HookFileDescriptor;
    t.semaphoreFileDescriptor = SemaphoreDescriptor;
}

void ArrangeOrder(int area, int order) { Arrange(area, order); }

}  // namespace veldrim::ndx

namespace veldrim {

using namespace ndx;

void OpenIndex(const std::string& name, int position) { OpenInto(name, position, nullptr); }

void OpenIndexCB(const std::string& name, int position, KeyMaker keyMaker) {
    if (!keyMaker) {
        SetError(254, "Weder Ausdruck noch KeyMaker sind definiert [OpenIndex/Set_Index_ToCB(" +
                          name + ")]");
        return;
    }
    OpenInto(name, position, std::move(keyMaker));
}

void Set_Index_To(const std::string& names) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Set_Index_To")) return;
    CloseAllIndexes();
    // Option words belong to the name before them.
    std::vector<std::string> list;
    const std::string text = NormaliseNameList(names);
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(i, end - i);
        TNameOptions probe;
        if (!list.empty() && StripOptions("x " + word, probe) == "x")
            list.back() += " " + word;
        else if (!word.empty())
            list.push_back(word);
        i = end + 1;
    }
    int position = 0;
    for (const std::string& name : list) {
        if (++position > kMaxIndexes) break;
        OpenIndex(name, position);
        if (ErrorState.lastErrorCode != 0) return;
    }
    if (AnyIndex(CurrentArea)) Set_Order_To(1);
}

void Set_Order_To(int n) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Set_Order_To")) return;
    TWorkArea* a = CurrentWorkArea();
    const int area = CurrentArea;
    const std::string call = "Set_Order_To(" + std::to_string(n) + ")";
    if (n < 0 || n > kMaxIndexes) {
        SetError(220, std::string("Ungültige Index-Ordnung angegeben: SET_ORDER_TO. ["_cp850) +
                          call + "] (DBF=" + ShownFileName(a->fileName) + ")");
        return;
    }
    if (!AnyIndex(area)) {
        SetError(221, "Index nicht geöffnet. (DBF="_cp850.data() + ShownFileName(a->fileName) +
                          ") [" + call + "]");
        return;
    }
    if (n == 0) {
        NaturalOrder[area] = true;
        return;
    }
    bool present = false;
    for (auto& ix : Open[area]) present = present || (ix && ix->order == n);
    if (!present) {
        SetError(221, "Index nicht geöffnet.. (DBF="_cp850.data() + ShownFileName(a->fileName) +
                          ") [" + call + "]");
        return;
    }
    ReadPhase read;
    if (!read.Held()) return;
    // Without an index in position 1 (indexes opened into later positions
    // only) the table's own end state is the order's.
    const TIndex* before = Controlling();
    const bool atEnd = (before ? before->eof : a->eof) || a->recordNumber > a->recordCount;
    const uint8_t found = FoundFlag;
    Arrange(area, n);
    NaturalOrder[area] = false;
    TIndex* ix = Controlling();
    if (a->recordCount == 0 || atEnd) {
        ix->eof = a->recordCount == 0 || atEnd;
    } else {
        SyncPosition(area, 1, false);
    }
    SaveOldKey(*ix);
    FoundFlag = found;
}

int CurrentOrder() { return CurrentWorkArea() ? Order(CurrentArea) : 0; }

void CloseIndex(int position) {
    const int area = CurrentArea;
    if (area < 1 || area > kAreas || position < 1 || position > kMaxIndexes) return;
    const int order = Order(area);
    HomeAll(area);
    std::unique_ptr<TIndex> ix = std::move(Open[area][position]);
    if (ix) {
        if (ix->anchorModified) {
            const TWorkArea* a = WorkAreas[area];
            const bool shared = a && !a->exclusive && LockingOn;
            struct flock fl {};
            fl.l_whence = SEEK_SET;
            fl.l_start = 0;
            fl.l_len = 1;
            fl.l_type = F_WRLCK;
            if (shared && FileCalls.lock(ix->fd, F_OFD_SETLKW, &fl) != 0) {
                SetError(33, "Konnte Index nicht sperren um Anchor-Knoten zu schreiben" +
                                 ShownFileName(ix->fileName));
            } else {
                WriteAnchor(*ix);
                fl.l_type = F_UNLCK;
                if (shared && FileCalls.lock(ix->fd, F_OFD_SETLK, &fl) != 0)
                    SetError(33,
                             "Konnte Index nicht entsperren nach Schreiben des Anchor-Knotens " +
                                 ShownFileName(ix->fileName));
            }
        }
        const int fd = ix->fd;
        ix->fd = -1;
        if (fd >= 0 && FileCalls.close(fd) != 0)
            SetError(IoCodeOf(errno),
                     std::string("Fehler beim Schließen der Index-Datei:  "_cp850) +
                         ShownFileName(ix->fileName));
        ix.reset();
    }
    if (!AnyIndex(area)) {
        NaturalOrder[area] = false;
        SemaphoreLogoutIfLast(area);
        return;
    }
    if (order > 0 && order != position && Open[area][order]) Arrange(area, order);
}

void CloseAllIndexes() {
    const int area = CurrentArea;
    if (area < 1 || area > kAreas || !AnyIndex(area)) return;
    NaturalOrder[area] = false;
    QuietEngineErrors quiet;
    HomeAll(area);
    for (int p = 1; p <= kMaxIndexes; ++p)
        if (Open[area][p]) CloseIndex(p);
}

bool IndexFound() { return FoundFlag != 0; }

namespace {

bool FindKey(const std::string& text, bool exact) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Find")) return false;
    TWorkArea* a = CurrentWorkArea();
    const int area = CurrentArea;
    TIndex* ix = Controlling();
    if (!ix) {
        SetError(221, "Index nicht geöffnet. (DBF="_cp850.data() + ShownFileName(a->fileName) +
                          ") [Find]");
        return false;
    }
    if (NaturalOrder[area]) {
        SetError(254,
                 std::string(
                     "Find() mit Index-Ordnung 0 (natürliche Ordnung) nicht erlaubt [Find]"_cp850));
        return false;
    }
    if (text.empty()) return FoundFlag != 0;
    const int kl = ix->anchor.keyLength;
    std::string search;
    std::size_t compared = static_cast<std::size_t>(kl);
    if (ix->keyMaker) {
        std::string t = text;
        if (exact) t.resize(std::max<std::size_t>(t.size(), static_cast<std::size_t>(kl)), ' ');
        if (ix->soundex)
            t = Soundex(t);
        else if (a->oemText)
            t = AnsiToOemStr(t);
        if (ix->descending)
            for (char& c : t) c = static_cast<char>(~static_cast<uint8_t>(c));
        search = t;
    } else if (ix->Character()) {
        std::string t = text;
        if (exact) t.resize(std::max<std::size_t>(t.size(), static_cast<std::size_t>(kl)), ' ');
        search = ix->FoldedKeys() ? FoldKeyText(t) : t;
        if (a->oemText) search = AnsiToOemStr(search);
    } else {
        std::string t = text;
        while (!t.empty() && t.back() == ' ') t.pop_back();
        while (!t.empty() && t.front() == ' ') t.erase(0, 1);
        double v = 0;
        if (ix->anchor.keyType == 'D') {
            v = CtodToJulian(t);
        } else {
            for (char& c : t)
                if (c == ',') c = '.';
            std::from_chars(t.data(), t.data() + t.size(), v);
        }
        search.assign(8, '\0');
        std::memcpy(search.data(), &v, 8);
    }
    // A text longer than the key names no record's key unless all it holds
    // beyond the key length is the blank padding of a key.
    bool beyondKey = false;
    if (ix->Character()) {
        compared = exact ? static_cast<std::size_t>(kl) : std::min<std::size_t>(search.size(), kl);
        if (search.size() > static_cast<std::size_t>(kl)) {
            const char pad = ix->keyMaker && ix->descending ? static_cast<char>(~' ') : ' ';
            beyondKey =
                search.find_first_not_of(pad, static_cast<std::size_t>(kl)) != std::string::npos;
            search.resize(kl);
        }
        search.resize(kl, exact ? ' ' : '\0');
    }
    bool found = false;
    {
        ReadPhase read;
        if (!read.Held()) return false;
        if (!RefreshIfChanged(area)) return false;
        const auto* k = reinterpret_cast<const uint8_t*>(search.data());
        if (!Seek(*ix, k, false)) return false;
        if (ix->eof) StepPrior(*ix);
        const uint8_t* e = CurrentEntry(*ix);
        if (e) {
            int32_t rec = EntryRecord(*ix);
            Dbf4RawGo(rec);
            while (ErrorState.lastErrorCode == 0 && !RecordVisible() && !ix->eof) {
                if (!StepNext(*ix)) {
                    ix->eof = true;
                    break;
                }
                rec = EntryRecord(*ix);
                Dbf4RawGo(rec);
            }
            e = CurrentEntry(*ix);
            if (e) {
                const bool equal = ix->Character() ? std::memcmp(e + 8, k, compared) == 0
                                                   : CompareKeys(*ix, e + 8, k) == 0;
                found = equal && !ix->eof && !beyondKey;
            }
        }
        if (!found) {
            a->recordNumber = a->recordCount + 1;
            a->eof = true;
            ClearRecord();
            ix->eof = true;
            FoundFlag = 0;
        } else {
            a->eof = a->bof = false;
            SaveOldKey(*ix);
            FoundFlag = 1;
        }
    }
    UpdateRelations();
    return found;
}

// The key type of an anchor without type letter: character keys by the key
// class, else a date or a number as the expression gives over the current
// table (a number when no table is open to compile it against).
char LetterOfAnchor(TAnchor an, const std::string& expression) {
    if (an.keyClass == 0) return 'C';
    char type = 'N';
    if (CurrentWorkArea() && ParserLinked && ParserProcTable.compile) {
        QuietEngineErrors quiet;
        if (CompiledExpr* e = ParserProcTable.compile(NormaliseExpression(expression))) {
            if (ResolveKeyType(an, e->resultType)) type = an.keyType;
            ParserProcTable.free(e);
        }
        ErrorState.pendingErrorCode = 0;
    }
    return type;
}

}  // namespace

bool Find(const std::string& text) { return FindKey(text, ExactFind); }

bool FindExact(const std::string& text) {
    const bool saved = ExactFind;
    ExactFind = true;
    struct Restore {
        bool v;
        ~Restore() { ExactFind = v; }
    } restore{saved};
    return FindKey(text, true);
}

bool IndexInfo(const std::string& name, TIndexInfo& info) {
    info = TIndexInfo{};
    std::string path = name;
    if (const TWorkArea* a = CurrentWorkArea()) {
        TNameOptions opt;
        path = IndexFileName(StripOptions(name, opt), *a);
    }
    const int fd = OpenPlainFile(path, O_RDONLY);
    std::array<uint8_t, kNdxBlock> b{};
    const bool ok = fd >= 0 && FileCalls.pread(fd, b.data(), b.size(), 0) == kNdxBlock;
    const int err = errno;
    if (fd >= 0) FileCalls.close(fd);
    if (!ok) {
        const std::string context = "[IndexInfo(<>," + ShownFileName(name) + ")]";
        if (fd < 0 && IsNoPlainFileError(err))
            SetFileReadError(err, path, {}, context);
        else
            SetError(fd < 0 ? IoCodeOf(err) : 222,
                     "Fehler beim Lesen der Index-Datei: \n\r" + context);
        return false;
    }
    const TAnchor an = DecodeAnchor(b.data());
    std::string text(reinterpret_cast<const char*>(b.data() + 24), 100);
    text.resize(strnlen(text.c_str(), 100));
    info.expression = text;
    info.keyLength = an.keyLength;
    info.keyType = an.typeLetter ? an.keyType : LetterOfAnchor(an, text);
    info.unique = an.unique;
    const uint32_t count = GetU32(b.data() + 492);
    if (GetU32(b.data() + 488) == ~count) {
        info.recordCount = static_cast<int32_t>(count);
        info.tableName.assign(reinterpret_cast<const char*>(b.data() + 496),
                              strnlen(reinterpret_cast<const char*>(b.data() + 496), 13));
    }
    return true;
}

int32_t IndexInfoRecordCount(const std::string& name) {
    TIndexInfo info;
    return IndexInfo(name, info) ? info.recordCount : -1;
}

}  // namespace veldrim
