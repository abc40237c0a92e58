#pragma once
// Shared state and routines of the index unit's modules: the file format
// (ndx_file), the tree (ndx_tree), opening and navigation (ndx_open), the
// build (ndx_build) and the semaphore file with the hook-up (ndx_semaphore).

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tables/expr/expr_compiler.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/work_areas.h"

namespace veldrim::ndx {

inline constexpr int kAreas = 35;     // work areas 1..35
inline constexpr int kMaxDepth = 48;  // deeper trees are damaged files

// The first 24 bytes of the anchor, as held in memory.
struct TAnchor {
    uint32_t root = 1;
    uint32_t nextFree = 2;
    char keyType = 'C';
    // Byte 9 holds the key type letter. Index files of dBase III-era
    // programs hold 0 there: the key class tells character keys from 8-byte
    // number keys, the key expression gives the letter, and the character
    // keys are the expression's value as it is, without folding.
    bool typeLetter = true;
    uint16_t keyLength = 0;
    uint16_t maxKeys = 0;
    uint16_t keyClass = 0;
    uint16_t entrySize = 0;
    bool unique = false;
    // A change of several nodes is under way (anchor byte 8): set before its
    // first node is written, cleared after its last. An index that shows it
    // at its open was cut off in the middle of such a change.
    bool changing = false;
};

// One level of the descent path: a node's copy and the entry position in it
// (in an inner node the number of the child taken, count for the trailing one).
struct TPathLevel {
    uint32_t node = 0;
    int pos = 0;
    std::array<uint8_t, kNdxBlock> buf{};
};

// The node cache of the index that controls the order: 8 slots of
// (node number, node), used for reads only; off with NOCACHE and whenever
// locking is on, since other programs change the file.
struct TNodeCache {
    static constexpr std::size_t kSlots = 8;
    struct Slot {
        uint32_t node = 0;
        std::array<uint8_t, kNdxBlock> buf{};
    };
    bool on = false;
    std::vector<Slot> slots;
};

// One open index (one position of a work area).
struct TIndex {
    std::string fileName;
    int fd = -1;
    bool readOnly = false;
    TAnchor anchor;
    std::string expression;        // normalised text of the file
    CompiledExpr* expr = nullptr;  // expression index
    KeyMaker keyMaker;             // KeyMaker index
    bool soundex = false;
    bool descending = false;
    bool noCache = false;
    int order = 0;  // the position it was opened in
    bool bof = false;
    bool eof = false;
    bool anchorModified = false;
    // A REPLACE whose write changes this index's key holds the change mark
    // from before its record is written until the key is replaced.
    bool replaceMark = false;
    // A change that did not complete: the mark stays until a rebuild.
    bool markStays = false;
    // Records 1 .. keyedCount all have their keys in the tree; written with
    // the anchor as its record count. An append that was cut off between
    // its record and its keys leaves records above it that may lack them.
    int32_t keyedCount = 0;
    std::string oldKey;            // key-length bytes: the record's key as last saved
    std::vector<TPathLevel> path;  // empty: not positioned
    TNodeCache cache;              // position 1 only
    // Character keys: length of the key's text before folding, the same for
    // every record (the blank record's); -1 while not known.
    int textLength = -1;
    // The key that the length check of an APPEND or REPLACE made of the
    // record about to be written, so that the verb's key change uses it
    // instead of making it again: it stands for the record number and
    // record bytes it was made from, until the verb's key change ends.
    struct {
        bool made = false;
        bool usable = false;
        int32_t record = 0;
        std::vector<uint8_t> bytes;
        std::string key;
    } newKey;
    char exprType = 'C';      // result type of the expression
    uint16_t exprLength = 0;  // result length and decimals (key texts)
    uint8_t exprDecimals = 0;
    uint8_t area = 0;

    ~TIndex();
    bool Character() const { return anchor.keyType == 'C'; }
    // Character keys folded (lower case, umlauts spelt out); the keys of a
    // dBase III-era file are the plain values.
    bool FoldedKeys() const { return anchor.typeLetter; }
};

// The table of open indexes: [area][position 1..16] (position 0 unused).
extern std::array<std::array<std::unique_ptr<TIndex>, kMaxIndexes + 1>, kAreas + 1> Open;
extern std::array<bool, kAreas + 1> NaturalOrder;
extern uint8_t FoundFlag;
extern bool ExactFind;
extern bool Building;
// True while an index just built is opened by INDEX ON or REINDEX: its build
// has checked the length of every record's key (or of the filled record on
// an empty table), so the open does not check them again.
extern bool OpeningJustBuilt;
// Sets OpeningJustBuilt for a scope.
class JustBuiltOpen {
public:
    JustBuiltOpen() { OpeningJustBuilt = true; }
    ~JustBuiltOpen() { OpeningJustBuilt = false; }
    JustBuiltOpen(const JustBuiltOpen&) = delete;
    JustBuiltOpen& operator=(const JustBuiltOpen&) = delete;
};

inline TIndex* At(int area, int position) {
    if (area < 1 || area > kAreas || position < 1 || position > kMaxIndexes) return nullptr;
    return Open[area][position].get();
}
inline TIndex* Controlling() { return At(CurrentArea, 1); }

// --- ndx_file: format, keys, names
std::string FoldKeyText(const std::string& text);
std::string NormaliseExpression(const std::string& text);
std::string NormaliseNameList(const std::string& text);
// Name rules: the table's folder when the name has none, extension NDX.
std::string IndexFileName(const std::string& name, const TWorkArea& table);
// Strips the option words from a name text; the flags say which were there.
struct TNameOptions {
    bool unique = false, noCache = false, soundex = false, descending = false;
};
std::string StripOptions(const std::string& text, TNameOptions& opt);
void EncodeAnchor(const TAnchor& a, uint8_t* block);
TAnchor DecodeAnchor(const uint8_t* block);
// Whole anchor block: the fields, the expression text, the record-count pair
// and the table name.
std::vector<uint8_t> AnchorBlock(const TAnchor& a, const std::string& expression,
                                 int32_t recordCount, const std::string& tableName);
// False when the anchor's fields cannot describe a tree.
bool AnchorSane(const TAnchor& a);
// Gives an anchor without type letter the key type of the expression's
// result type (or the KeyMaker's 'C'); false when that type does not fit the
// anchor's keys (character against number keys).
bool ResolveKeyType(TAnchor& a, char resultType);
uint16_t EntrySizeFor(int keyLength);

// Node bytes.
inline uint16_t Count(const uint8_t* b) { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }
inline void SetCount(uint8_t* b, int n) {
    b[0] = static_cast<uint8_t>(n);
    b[1] = static_cast<uint8_t>(n >> 8);
}
uint32_t GetU32(const uint8_t* p);
void PutU32(uint8_t* p, uint32_t v);
inline uint8_t* EntryAt(uint8_t* b, int i, int es) { return b + 4 + i * es; }
inline const uint8_t* EntryAt(const uint8_t* b, int i, int es) { return b + 4 + i * es; }
inline uint32_t ChildOf(const uint8_t* b, int i, int es) { return GetU32(EntryAt(b, i, es)); }
inline uint32_t RecordOf(const uint8_t* b, int i, int es) { return GetU32(EntryAt(b, i, es) + 4); }
inline const uint8_t* KeyOf(const uint8_t* b, int i, int es) { return EntryAt(b, i, es) + 8; }
inline bool IsLeaf(const uint8_t* b, int es) { return ChildOf(b, 0, es) == 0; }

// Key comparison of the index's key type over the key length.
int CompareKeys(const TIndex& ix, const uint8_t* a, const uint8_t* b);
// The key of the current record of the index's area (key-length bytes);
// false when the expression gave no usable value.
bool MakeKey(TIndex& ix, std::string& key);
// The key of the table's blank record before padding (the length rule);
// sets the index's text length.
std::string BlankRecordKey(TIndex& ix);
// How a key made with its length check came out.
enum class KeyMade { kMade, kNoValue, kRefused };
// The key of the current record, made once and checked on that one result:
// a character key is cut to the key length only where folding spells
// umlauts out, so the text of every record's key has the index's text
// length. kRefused, with engine error 266 naming the key and `where`, when
// the text has another length; kNoValue when the expression gave no usable
// value (as MakeKey's false).
KeyMade MakeCheckedKey(TIndex& ix, std::string& key, const std::string& where);
// Whether an expression's key texts have another length than the blank
// record's (error 266 then): on the table's records; where the table has
// none, on a record with every field filled when `standIn` (a new index),
// else not at all (a file that exists, or is rebuilt, keeps its length).
bool KeyLengthVaries(TIndex& ix, const std::string& where, bool standIn);
// Reads records from .. to of the index's table in turn (the key maker's
// binary record too) and calls fn(record number) until it answers false;
// false then or on a read error. The area's record is restored.
bool EachRecord(TIndex& ix, int32_t from, int32_t to, const std::function<bool(int32_t)>& fn);
// Why a character key's length is refused.
enum class KeyLengthFault {
    kVaries,     // a record's key has another length than the index's keys
    kEmpty,      // the key has no bytes
    kTooLong,    // the key has more than 100 bytes
    kUndecided,  // a table without records gives no one length
};
// The first line of the refusal: in the words of the key expression, or of
// the caller's key maker for an index built by one.
std::string KeyLengthCause(const TIndex& ix, KeyLengthFault fault);
// Engine error 266: the cause, the expected length and the key made.
void KeyLengthError(const TIndex& ix, const std::string& key, const std::string& where,
                    KeyLengthFault fault = KeyLengthFault::kVaries);
// The key text for display (hook slots 19, 20).
std::string KeyDisplayText(TIndex& ix);

// Engine error with the index file's name ("Index-Datei beschädigt. ").
void Damaged(const TIndex& ix, const std::string& where);

// --- ndx_build: the indexes a rebuild closed
// Opens the indexes that the current area's last rebuild closed again on
// their files as they are now (put back by a failed PACK), in their
// positions, with their options and order; the first failure is reported
// once every index that opens is back.
void ReopenRebuiltIndexes();
// The area's table closes: its last rebuild is forgotten.
void ForgetRebuild(int area);

// --- ndx_tree: nodes and the tree
bool ReadNode(TIndex& ix, uint32_t node, uint8_t* buf);
bool WriteNode(TIndex& ix, uint32_t node, uint8_t* buf);
bool WriteAnchor(TIndex& ix);
// Lower-bound descent; in search mode a position past a leaf's end moves to
// the next key (end-of-file when none). Returns false on a read error.
bool Seek(TIndex& ix, const uint8_t* key, bool insertMode);
bool StepNext(TIndex& ix);
bool StepPrior(TIndex& ix);
bool GoFirstKey(TIndex& ix);  // false when the index is empty or unreadable
bool GoLastKey(TIndex& ix);
// The entry under the path (nullptr at end-of-file or when not positioned).
const uint8_t* CurrentEntry(const TIndex& ix);
// Positions on (key, record); false when not there.
bool SeekRecord(TIndex& ix, const std::string& key, int32_t record);
// 0 inserted (or a duplicate in a unique index), -1 failed.
int InsertKey(TIndex& ix, const std::string& key, int32_t record);
// 0 removed (or absent from a unique index), -1 absent.
int DeleteKey(TIndex& ix, const std::string& key, int32_t record);

// Marks the anchor before the first node of a change of several nodes is
// written; false when the anchor could not be written.
bool BeginChange(TIndex& ix);
// The change is complete: the anchor written next clears the mark (not
// while a REPLACE holds it, nor after a change that did not complete).
void EndChange(TIndex& ix);

// The record count stored with the anchor on disk; -1 when the stored pair
// does not check out (files of other programs).
int32_t StoredRecordCount(const TIndex& ix);
// Gives records from .. to of the index's table their keys where the tree
// lacks them; false on a read or write error.
bool KeyMissingRecords(TIndex& ix, int32_t from, int32_t to);
// Inside this program's write phase: builds the tree of an index whose
// change mark no live program holds anew, in the same file (the other
// programs keep their open file), from every record of the table. The mark
// stays on disk until the last key is in. False (with the engine error) when
// the index could not be read or written.
bool RebuildMarkedTree(TIndex& ix);

// Runs `undo` when the scope is left before `Keep` (an error raised on the
// way in included).
template <class Undo>
class UnlessKept {
public:
    explicit UnlessKept(Undo undo) : undo_(std::move(undo)) {}
    ~UnlessKept() {
        if (!kept_) undo_();
    }
    void Keep() { kept_ = true; }
    UnlessKept(const UnlessKept&) = delete;
    UnlessKept& operator=(const UnlessKept&) = delete;

private:
    Undo undo_;
    bool kept_ = false;
};

// The area's record as it was, restored when the scope ends.
class KeepRecord {
public:
    explicit KeepRecord(TWorkArea& a)
        : a_(a),
          buffer_(a.recordBuffer),
          number_(a.recordNumber),
          eof_(a.eof),
          bof_(a.bof),
          binary_(a.binaryRecord, a.binaryRecord ? a.binaryRecord + a.binaryRecordSize : nullptr),
          rawStamp_(a.rawStamp),
          decodedStamp_(a.decodedStamp) {}
    ~KeepRecord() {
        a_.recordBuffer = std::move(buffer_);
        a_.recordNumber = number_;
        a_.eof = eof_;
        a_.bof = bof_;
        // The binary record comes back as the caller left it, values set
        // since the record was read (a REPLACE under way) included.
        if (a_.binaryRecord && binary_.size() == a_.binaryRecordSize) {
            std::copy(binary_.begin(), binary_.end(), a_.binaryRecord);
            a_.rawStamp = rawStamp_;
            a_.decodedStamp = std::move(decodedStamp_);
        } else {
            NoteRawRecordChanged(a_);
        }
    }
    KeepRecord(const KeepRecord&) = delete;
    KeepRecord& operator=(const KeepRecord&) = delete;

private:
    TWorkArea& a_;
    std::vector<uint8_t> buffer_;
    int32_t number_;
    bool eof_, bof_;
    std::vector<uint8_t> binary_;
    uint32_t rawStamp_;
    std::vector<uint32_t> decodedStamp_;
};

// --- ndx_open: positioning of the controlling index on the current record
// True when the index stands on the current record's entry. A soft sync
// (before a step) whose record's key is no longer in the tree (another
// program changed it) places the index on the first entry after where that
// key stood, in key order with equal keys by record number, and answers
// false without an error; a hard one reports error 212.
bool SyncPosition(int area, int position, bool soft);
void SaveOldKey(TIndex& ix);
void CloseArea(int area);
bool AnyIndex(int area);
void FillIndexSlots();
void ArrangeOrder(int area, int order);

// --- ndx_semaphore: the change counter check before reading the trees
// Reads the anchors of the area's indexes again when another program has
// changed them (or a phase has just begun); false, with error 222, when an
// index carries the change mark of a program that died inside a change.
bool RefreshIfChanged(int area);
// True when the area's indexes are shared through the semaphore file: the
// start of each of its phases rebuilds an index that carries a dead change
// mark.
bool PhasesRebuildMarks(int area);
// The descriptor of the area's semaphore file; -1 when the area has none.
int SemaphoreDescriptor(uint8_t area);
// False when the login failed (its error is set): the area's indexes then
// stay closed, since their use could not be coordinated.
bool SemaphoreLogin(int area);
// Begins a read or write phase of the current area (the hook procedures'
// nesting); false when its semaphore could not be taken (the error is set):
// the caller then leaves the index alone and ends no phase.
bool BeginPhase(bool write);
void SemaphoreLogoutIfLast(int area);
void ResetSemaphores();

// Runs `fn` with `area` as the current work area and restores the old one.
template <class Fn>
auto InArea(int area, Fn fn) {
    struct Restore {
        uint8_t old;
        ~Restore() { CurrentArea = old; }
    } restore{CurrentArea};
    CurrentArea = static_cast<uint8_t>(area);
    return fn();
}

}  // namespace veldrim::ndx
