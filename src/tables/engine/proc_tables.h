#pragma once
// Procedure tables between the record layer and the optional units.
//
// The record layer (work areas, navigation, locking, bulk verbs) never calls
// the index, memo, expression or virtual-file unit by name. Each of them,
// when it is part of the program, fills its table at start and sets its
// "linked" flag; the record layer tests the flag or the slot before every
// call and otherwise behaves as if the feature were absent:
//   - no index unit: every verb works in record-number order;
//   - no memo unit: tables with memo fields open without their memo file,
//     AppendFrom into them and memo LOCATE report error 220;
//   - no parser: no filter or WHILE expression can exist (the method forms
//     still work);
//   - no virtual-file unit: USE of a LINKED LIST / VIRTUAL FILE gives 1101.
// All calls act on the current work area unless an argument says otherwise.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veldrim {

struct TWorkArea;
// A compiled dBase expression; defined and owned by the expression unit.
struct CompiledExpr;

// The key of the current record as text, from one index (hook slots 19, 20).
using IndexKeyText = std::function<std::string()>;

// Index hook table (slots 0..24).
struct TIndexProcTable {
    bool (*hasIndex)() = nullptr;      // 0  an index controls the current area's order
    void (*syncIndex)() = nullptr;     // 1  re-synchronise with the current record (also at EOF)
    int32_t (*nextKey)() = nullptr;    // 2  record of the next key; same number when none
    int32_t (*prevKey)() = nullptr;    // 3  record of the previous key; same number when none
    int32_t (*firstKey)() = nullptr;   // 4  first key's record; record count + 1 when empty
    int32_t (*lastKey)() = nullptr;    // 5  last key's record; record count + 1 when empty
    bool (*indexEof)() = nullptr;      // 6  the index is past its last key
    bool (*indexBof)() = nullptr;      // 7  the index is before its first key
    void (*appendNewKey)() = nullptr;  // 8  insert the keys of the record just appended
    void (*keepOldKey)() = nullptr;    // 9  end of a move: current key becomes the old key
    void (*noteOldKeys)() = nullptr;   // 10 note the stored keys before a Replace
    void (*replaceKeys)() = nullptr;   // 11 replace the noted keys by the written ones
    void (*markedBof)() = nullptr;     // 12 BOF was set
    void (*markedEof)() = nullptr;     // 13 EOF was set
    uint8_t* foundFlag = nullptr;      // 14 (data) the index unit's found flag
    void (*reindex)() = nullptr;       // 15 rebuild every index of the area
    void (*closeIndexes)() = nullptr;  // 16 close the area's indexes
    void* slot17 = nullptr;            // 17 not used
    std::string (*indexFileName)(int n) = nullptr;  // 18 file name of index n
    IndexKeyText (*keyTextProc)(int n) = nullptr;   // 19 key text of index n (empty when none)
    IndexKeyText (*orderKeyTextProc)() = nullptr;   // 20 key text of the current order
    bool (*ascending)(int n) = nullptr;             // 21 not DESCENDING flag of index n
    bool (*soundex)(int n) = nullptr;               // 22 SOUNDEX flag of index n
    void (*readPhase)(bool begin) = nullptr;        // 23 read phase of the index semaphore
    void (*writePhase)(bool begin) = nullptr;       // 24 write phase of the index semaphore
    // Before a Replace writes its record: mark the indexes whose keys the
    // write changes, until replaceKeys has changed them.
    void (*markKeyChanges)() = nullptr;
    // Before a record is appended or written: false (with the engine error)
    // when a key of the record has another length than its index's keys.
    bool (*checkNewKeys)(const char* verb) = nullptr;
    // After a PACK that rebuilt the indexes has put the old table and index
    // files back: the indexes that the rebuild closed are opened again on
    // them, in their positions and order.
    void (*reopenIndexes)() = nullptr;
    // The files the unit holds open for an area: the descriptor of its index
    // of position n (1..16), and of the table's index semaphore file; -1
    // when there is none.
    int (*indexFileDescriptor)(uint8_t area, int n) = nullptr;
    int (*semaphoreFileDescriptor)(uint8_t area) = nullptr;
};
extern TIndexProcTable IndexProcTable;
extern bool IndexLinked;

// Memo hook table (slots 0..7); each slot is tested for nil before use.
struct TMemoProcTable {
    // 0 the memo value `block` as text lines (read line by line).
    std::vector<std::string> (*assignMemo)(int32_t block) = nullptr;
    void (*packMemofile)() = nullptr;                              // 1
    void (*openMemofile)(const std::string& tableName) = nullptr;  // 2 leaves LastError on failure
    void (*closeMemofile)() = nullptr;                             // 3
    // 4 copy a memo value from another area's memo file; the new reference.
    int32_t (*copyMemo)(uint8_t sourceArea, int32_t block) = nullptr;
    int32_t (*copyMemoSameBlock)(uint8_t sourceArea, int32_t block) = nullptr;  // 5
    void (*zapMemofile)(const std::string& tableName) = nullptr;                // 6
    int32_t (*addMemo)(const std::string& text) = nullptr;  // 7 store a text; its reference
    // The descriptor of an area's open memo file; -1 when it has none.
    int (*memoFileDescriptor)(uint8_t area) = nullptr;
};
extern TMemoProcTable MemoProcTable;

// Expression parser table (slots 0..3).
struct TParserProcTable {
    // 0 compile; nullptr on failure (the error is already reported).
    CompiledExpr* (*compile)(const std::string& text) = nullptr;
    // 1 free; sets the variable to nullptr; nullptr is ignored.
    void (*free)(CompiledExpr*& expr) = nullptr;
    // 2 evaluate; pointer to the result value (first byte read as Boolean for L).
    const void* (*evaluate)(CompiledExpr*& expr) = nullptr;
    // 3 source text.
    std::string (*source)(const CompiledExpr* expr) = nullptr;
};
extern TParserProcTable ParserProcTable;
extern bool ParserLinked;

// The virtual-file unit: called with an area whose operation code says what
// to do (4 init, 2 delete, 9 recall, 5 pack, 3 go, 8 store, 1 close).
using TVirtualFileProc = void (*)(TWorkArea& area);
extern TVirtualFileProc VirtualFileProc;

// Clear the tables (engine start; also for tests).
void ClearIndexAndParserTables();
void ClearMemoProcTable();
void ResetProcTables();

// The record layer's use of the index unit: linked and slot 0 says yes.
bool HasIndex();

}  // namespace veldrim
