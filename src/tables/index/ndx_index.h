#pragma once
// The index unit of the table engine (TzNdx): NDX index files of dBase
// tables, kept current on every append and change, opened up to 16 per work
// area, one of which (or none: natural order) controls the order in which
// the record layer moves, built from a dBase key expression or a caller's
// key maker, and coordinated between programs through one semaphore file
// per table ("<table>.@S@").
//
// The record layer reaches the unit only through IndexProcTable, which
// IndexInit fills; every verb here acts on the current work area.
//
// File layout (512-byte blocks, little-endian):
//   block 0, the anchor: 0 root, 4 next free block, 9 key type letter
//   (C N F D), 12 key length (<= 100), 14 keys per node (504 div entry
//   size), 16 key class (0 character, 1 numeric/date), 18 entry size
//   (8 + key length rounded up to 4), 23 unique flag, 24 key expression
//   (normalised, zero-terminated), 488 complement of the record count,
//   492 record count, 496 table file name.
//   other blocks, nodes: 0 count (u16), 4 entries of (child u32, record
//   u32, key); an inner node's trailing child sits in the child field of
//   entry `count`; a leaf's child fields are 0, an inner entry's record
//   field is 0. An inner key is the greatest key of its child's subtree.
//   Anchor byte 8 marks a change of several nodes under way (a REPLACE
//   holds it from before its record's write to the end of its key change);
//   the record count at 492 says up to which record every record has its
//   key (an append writes it after its keys).
//
// Character keys: the expression's text is folded (A-Z lower-cased, Ä Ö Ü
// to ä ö ü, then ä ö ü ß expanded to ae oe ue ss), converted to code page
// 850 for OEM tables, and padded with blanks or cut to the key length. The
// key length is that of the expression's result on the blank record, so it
// never depends on the record that was current at the build. Numeric keys
// are 8-byte doubles; date keys the Julian day number as a double.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veldrim {

// A caller's key function: the key text of the current record for the index
// of the given order number.
using KeyMaker = std::function<std::string(int position)>;
// Called during a build, at most `steps` times in all.
using IndexProgressProc = std::function<void()>;

inline constexpr int kMaxIndexes = 16;
inline constexpr int kMaxKeyLength = 100;
inline constexpr int kNdxBlock = 512;
// The text stored in place of an expression for an index written by a KeyMaker.
inline constexpr const char* kKeyMakerMarker =
    "Anwender-definierten KeyMaker benutzt, um Index zu erzeugen";

// --- unit start and end
// Fills IndexProcTable and marks the unit linked (engine start; test reset).
void IndexInit();
// Closes the indexes of areas 1..34 and clears the linked mark.
void IndexExit();

// --- opening, order and seeking (current work area)
// Options in the name text: " NOCACHE", " SOUNDEX", " DESCENDING" (the last
// two only with a KeyMaker); " UNIQUE" is ignored (the file says it).
void OpenIndex(const std::string& name, int position);
void OpenIndexCB(const std::string& name, int position, KeyMaker keyMaker);
// Closes all, then opens the blank-separated names into positions 1, 2, ...
void Set_Index_To(const std::string& names);
void Set_Order_To(int n);
int CurrentOrder();
void CloseIndex(int position);
void CloseAllIndexes();
// Seeks `text` in the controlling index; true when found. A character text
// shorter than the key finds the first key that begins with it.
bool Find(const std::string& text);
bool FindExact(const std::string& text);
// The unit's found flag (result of the last seek).
bool IndexFound();

struct TIndexInfo {
    std::string expression;  // up to 100 characters
    int keyLength = 0;
    char keyType = ' ';
    bool unique = false;
    int32_t recordCount = -1;  // -1 when the stored complement does not match
    std::string tableName;     // empty when the complement does not match
};
// Reads an index file's anchor without opening it as an index; false (and
// the engine error) when the file cannot be read.
bool IndexInfo(const std::string& name, TIndexInfo& info);
int32_t IndexInfoRecordCount(const std::string& name);

// --- build
// The name text may carry " UNIQUE" and " NOCACHE" (" SOUNDEX" and
// " DESCENDING" only mean something with a KeyMaker).
void MakeIndex(const std::string& expression, const std::string& name);
void MakeIndexCB(const std::string& name, KeyMaker keyMaker);
void Index_On(const std::string& expression, const std::string& name);
void Index_OnCB(const std::string& name, KeyMaker keyMaker);
void Reindex();
void SetIndexProgress(IndexProgressProc proc, int steps);

// --- semaphore file
enum SemaphoreAction : int {
    kLogin = 0,
    kLogout,
    kIncRead,
    kDecRead,
    kLockSemaphore,
    kUnlockSemaphore
};
void HandleSemafore(int action);
void SetReadSemaphoreProc(bool on);
void SetLockSemaphoreProc(bool on);
// The name of the semaphore file of the table `tableFileName`: named after
// the table file itself, so that every name a link gives it shares one;
// for a table of the installed tables' folder, in the private folder.
std::string IndexSemaphoreName(const std::string& tableFileName);
// The unit's settings at start-up.
struct TIndexDefaults {
    int semaphoreTimeoutSeconds = 100;  // a writer's wait for readers to leave (0: no limit)
};
inline constexpr TIndexDefaults kIndexDefaults{};
extern int SemaphoreTimeoutSeconds;

// --- checks of the tree (tests and diagnostics)
struct TIndexCheck {
    bool ok = true;
    std::string problem;  // first fault found
    int depth = 0;        // levels from the root to the leaves
    int64_t keys = 0;
};
// Walks the whole tree of position `position`: equal leaf depth, inner keys
// equal to their subtree's greatest key, counts within bounds, keys in order.
TIndexCheck CheckIndexTree(int position);
// The (key bytes, record number) sequence of position `position` in order.
struct TIndexEntry {
    std::string key;
    int32_t record = 0;
};
std::vector<TIndexEntry> IndexEntries(int position);
// Removes the entry (key of the current record as last saved, record) from
// position `position`; 0 removed, -1 not there in a non-unique index.
int DeleteCurrentKey(int position);

}  // namespace veldrim
