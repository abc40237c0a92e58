#pragma once
// Work areas of the table engine and the work-area record.
//
// The engine's command layer works like an xBase interpreter without a
// language: every verb (USE, GO, SKIP, Replace, Append, Pack, the locks,
// Peek ...) acts on the current work area. A work area is one numbered slot
// that holds one open table (a dbf file) or one in-memory virtual file.
//
//   areas 1..33  for callers (Select, Select(0), alias check, CloseAll)
//   area 34      reserved, opened by nothing
//   area 35      the engine's scratch area (AppendFrom opens its source there
//                under the alias "*FROMFILE")
//
// The current-area number starts at 1; only Select, CloseAll (leaves 1) and
// internal switches that restore it change it.
//
// Two forms of one record exist side by side:
//   - the raw record (`recordBuffer`): the bytes of the table file, byte 0
//     "*" deleted or blank, the fields as text; in memory the text is ANSI
//     (Windows-1252), converted from and to OEM on each read and write;
//   - the binary record (`binaryRecord`): plain values for callers. Byte 0 is
//     1 for deleted, 0 otherwise, then each field in order:
//       C  length byte + the characters          field length + 1 bytes
//          (longer than 255: 16-bit length + the characters, length + 2)
//       D  length byte + date text (current date format, 8 or 10 chars)  11
//       N,F with decimals  IEEE double                                    8
//       N,F without decimals, length <= 9  int32                          4
//       N,F without decimals, length >= 10 int64 (no 32-bit wrap)         8
//       L  1 true, 0 false                                                1
//       M  int32 memo reference (0 none, > 0 block, < 0 BLOB)             4
//     Use BinaryFieldSize / FieldAddress rather than counting by hand.

#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "tables/engine/proc_tables.h"

namespace veldrim {

// One field of an open table (in-memory field table entry).
struct TFieldEntry {
    std::string name;     // upper case, at most 10 characters
    char type = 'C';      // C D F L M N (B G P read as M)
    uint16_t length = 0;  // bytes in the raw record (C fields of other programs up to 65535)
    uint8_t decimals = 0;
    uint16_t offset = 0;  // first byte within the raw record (first field: 1)
};

// Procedures run over the data bytes of a record (after the delete flag).
using RecordHook = void (*)(uint8_t* data, std::size_t count);
// A Boolean condition of a caller (filter, WHILE scope); set when non-empty.
using ConditionMethod = std::function<bool()>;
using RelationProc = std::function<void()>;

// Open states kept by the dbf layer.
enum : uint8_t { kDbfClosed = 0, kDbfClean = 1, kDbfChanged = 2, kDbfAppended = 3 };
// Lock states of an area.
enum : uint8_t { kNoLock = 0, kFileLock = 1, kAppendLock = 2, kRecordLocks = 3 };

struct TWorkArea {
    std::string fileName;               // full path as opened (default extension DBF)
    std::string shortName;              // file name without directory, at most 12 characters
    std::array<uint8_t, 32> header{};   // copy of the table's 32-byte header
    bool hasMemo = false;               // table has memo fields and a memo file
    bool hideDeleted = false;           // deleted records invisible to navigation
    int32_t headerLength = 0;           // bytes before record 1
    uint16_t recordLength = 0;          // bytes of one raw record, delete flag included
    int fieldCount = 0;                 // 1..255 (0 for a virtual file without fields)
    std::vector<TFieldEntry> fields;    // field table; field n is fields[n - 1]
    uint8_t openState = kDbfClosed;     // kDbfClosed .. kDbfAppended
    std::string lastUpdate;             // header date as YYYYMMDD
    std::vector<uint8_t> recordBuffer;  // raw record of the current record (ANSI in memory)
    int32_t recordCount = 0;            // records in the table
    int32_t recordNumber = 0;           // current record; 0 empty; count + 1 at the EOF phantom
    bool eof = false;                   // past the last record
    bool bof = false;                   // before the first record
    bool oemText = false;               // table text stored in code page 850
    RecordHook writeHook = nullptr;     // run before a record is written
    RecordHook readHook = nullptr;      // run after a record is read (and after a write)
    int fd = -1;                        // open table file
    bool readOnly = false;              // the file could only be opened for reading
    int fileMode = 0;                   // file mode it was opened with (share emulation)
    // Virtual-file state (owned by the virtual-file unit).
    bool isVirtual = false;
    uint8_t memoryKind = 0;      // 1 heap, 2 EMS, 3 extended, 5 biggest
    uint8_t insertionOrder = 0;  // 0 FIFO 1 LIFO 2 insertion 3 ascending 4 descending
    uint8_t operationCode = 0;   // for VirtualFileProc
    int32_t virtualRecNo = 0;    // record number handed to VirtualFileProc
    void* virtualState = nullptr;
    // Binary record.
    uint8_t* binaryRecord = nullptr;
    uint16_t binaryRecordSize = 0;
    bool binaryRecordOwned = false;
    std::vector<uint8_t> ownedBinary;  // storage when the engine owns the binary record
    ConditionMethod filterMethod;      // takes precedence over the filter expression
    CompiledExpr* filterExpression = nullptr;
    RelationProc relationProc;    // run after every move
    std::string alias;            // upper case, unique among areas 1..33
    ConditionMethod whileMethod;  // WHILE scope condition
    CompiledExpr* whileExpression = nullptr;
    void* memoState = nullptr;  // owned by the memo unit
    uint8_t lockState = kNoLock;
    std::deque<int32_t> recordLocks;   // newest first
    std::vector<uint8_t> savedRecord;  // second binary buffer used by Replace
    bool exclusive = false;            // open exclusively: no operating-system locks
    bool reopenedExclusive = false;    // exclusive through ReopenExclusive, not USE
    // Record blocks of a table that this area holds alone (opened for writing
    // and deny-all, so no other open of the file exists). Kept in the file's
    // form (code page and hooks not applied); see dbf_file.h.
    std::vector<uint8_t> readAhead;  // records readAheadFirst .. + readAheadCount - 1
    int32_t readAheadFirst = 0;
    int32_t readAheadCount = 0;
    std::vector<uint8_t> pendingAppends;  // appended records not yet written, from pendingFirst
    int32_t pendingFirst = 0;
    bool recordsTakenIn = false;  // the open found whole records past the header's count
    int32_t directAppend = -1;    // the last append written at once (it opens a block)
    // The engine's own binary record is decoded field by field when a field
    // is read: field i is current while decodedStamp[i] == rawStamp, and
    // every new raw record raises rawStamp.
    uint32_t rawStamp = 1;
    std::vector<uint32_t> decodedStamp;
    // Field i was given a value (fieldSet[i] != 0) since the raw record was
    // read or written. A field given none keeps its stored bytes when the
    // record is written: a number filled with "*" or a whole number beyond
    // the binary form stays as the file holds it. kFieldOverWide: given a
    // number too wide for it, stored as "*" already.
    std::vector<uint8_t> fieldSet;
};

inline constexpr uint8_t kFieldGiven = 1;
inline constexpr uint8_t kFieldOverWide = 2;

// The table of work areas (index 0 unused) and the current-area number.
inline constexpr int kMaxWorkAreas = 35;
inline constexpr int kCallerAreas = 33;
inline constexpr int kScratchArea = 35;
extern TWorkArea* WorkAreas[kMaxWorkAreas + 1];
extern uint8_t CurrentArea;

// Engine settings.
extern uint16_t DefaultOpenMode;   // kFileModeSharedReadWrite or kFileModeExclusiveReadWrite
extern uint16_t OpenModeOverride;  // 65535 = none
extern bool AnsiTables;            // tables opened now hold ANSI text (off: OEM)
extern bool RecountOnOpen;         // count records from the file size when opening

// The current area's record, nullptr when the slot is empty.
inline TWorkArea* CurrentWorkArea() { return WorkAreas[CurrentArea]; }

// --- area table and selection
void Select(int n);
uint8_t SelectedArea();
// True (after error 215) when the current slot is empty.
bool NoDbfOpen(std::string_view verb);
std::string DbfName();
std::string AliasName();

// --- opening and closing
void USE(const std::string& clause, uint8_t* buffer = nullptr, uint16_t size = 0);
void UseWithHook(const std::string& clause, uint8_t* buffer, uint16_t size, RecordHook readHook,
                 RecordHook writeHook);
void CloseArea();
void CloseAll();

// --- field accessors (fields numbered from 1)
char FieldType(int n);
int FieldLen(int n);
int FieldDec(int n);
// Address of field n in the binary record (n = 0: the whole record). The
// engine's own binary record is decoded when a field is asked for: read it
// through FieldAddress and the Binary* accessors (or call ConvertRecord
// first), never straight from `binaryRecord` after a move.
uint8_t* FieldAddress(int n);
std::string Field(int n);
int FieldNo(const std::string& name);
int FieldCount();
std::string FieldAsText(int n);
bool Deleted();
void ClearRecord();
// The binary record from the raw record, whole.
void ConvertRecord();
// The raw record from the binary record, whole.
void ConvertRecordBack();
// The raw record of `a` is new: its binary record follows field by field
// when read (a caller's own buffer at once, and whole).
void NoteRawRecordChanged(TWorkArea& a);
// Every field of the binary record that lags the raw record decoded now.
void DecodeWholeRecord(TWorkArea& a);
// The binary record was written whole (copied in): it is the current one.
void MarkBinaryRecordCurrent(TWorkArea& a);
// True when field n of the current record holds a number too wide for its
// field: an N or F field filled with "*" (after leading blanks).
bool FieldHoldsOverWide(int n);
bool HoldsOverWideNumber(const TWorkArea& area, const TFieldEntry& f);
// The text of field n of the current record as stored (blanks kept).
std::string StoredFieldText(int n);
// Field n of the current record takes a number's text as stored: right-
// aligned, a field of "*" when it is longer than the field. Its binary value
// is what the text reads as, and the text is written as it is.
void SetStoredNumberText(int n, std::string_view text);

// Size of one field in the binary record, and of the whole binary record.
int BinaryFieldSize(const TFieldEntry& f);
// Bytes before the characters of a C or D field in the binary record (1, or
// 2 for a C field longer than 255), and the text length stored there.
int BinaryTextPrefix(const TFieldEntry& f);
std::size_t BinaryTextLength(const TFieldEntry& f, const uint8_t* p);
void SetBinaryTextLength(const TFieldEntry& f, uint8_t* p, std::size_t n);
bool IsWideInteger(const TFieldEntry& f);  // N/F without decimals stored as int64

// The whole number nearest to v (halves to even) in the integer type I; a
// value beyond its range (a field text "9.9e124") takes the nearest end of
// the range, a value that is not finite 0.
template <class I>
I SaturatedWhole(double v) {
    if (!std::isfinite(v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= static_cast<double>(std::numeric_limits<I>::max()))
        return std::numeric_limits<I>::max();
    if (r <= static_cast<double>(std::numeric_limits<I>::min()))
        return std::numeric_limits<I>::min();
    return static_cast<I>(r);
}
// A whole-number field of a virtual table that must show "*" (its number is
// not finite) holds the lowest value of its form. A table file's field is
// filled with "*" in its stored record instead (SetStoredNumberText), so a
// genuine lowest value of a 20-digit field keeps its digits.
inline constexpr int32_t kOverWideWhole32 = std::numeric_limits<int32_t>::min();
inline constexpr int64_t kOverWideWhole64 = std::numeric_limits<int64_t>::min();
uint16_t BinaryRecordSize(const TWorkArea& area);

// Typed access to the binary record of the current area (field n from 1).
std::string BinaryText(int n);  // C and D
double BinaryNumber(int n);     // N and F, any width
int64_t BinaryInteger(int n);   // N and F without decimals
bool BinaryLogical(int n);
int32_t BinaryMemoRef(int n);
void SetBinaryText(int n, const std::string& s);
// Rounded for whole-number fields. A whole number beyond the range of the
// binary form is written as its digits when the field has room for them;
// one without room, or a value that is not finite: over-wide, a field of "*".
void SetBinaryNumber(int n, double v);
void SetBinaryInteger(int n, int64_t v);
void SetBinaryLogical(int n, bool v);
void SetBinaryMemoRef(int n, int32_t ref);
void SetBinaryDeleted(bool deleted);

// Unit start and end (also the reset for tests: closes every area).
void ResetWorkAreas();
void CloseWorkAreaUnit();

}  // namespace veldrim
