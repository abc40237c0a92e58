#pragma once
// The memo unit: memo files beside dBase tables.
//
// A table record holds a memo value's first block number as ten right-aligned
// digits; the value itself lives in the memo file, in blocks of one size
// (block 0 is the header). Three layouts ("memo styles"), chosen by the
// table's version byte:
//
//   0x83  dBase III  .DBT  512-byte blocks; header: u32 LE next free block.
//                         Text values end at the first 0x1A. A value may also
//                         carry the dBase IV group header (binary values and
//                         copied values with zero bytes); the table then
//                         holds the negated block number.
//   0x8B  dBase IV   .DBT  header: u32 LE next free block / free-chain anchor,
//   0x8C                  8..15 base name, 18..19 = 02 01, 20..21 u16 LE
//                         block size, 32..35 released-block counter. Values:
//                         FF FF 08 00 + u32 LE (length + 8), then the data.
//   0xF5  FoxPro     .FPT  header: u32 BE next free block, 6..7 u16 BE block
//                         size. Values: u32 BE type (1) + u32 BE length.
//
// Every routine works on the current work area. Failures go through
// MemoError (the memo file lock is released first, then SetError); the
// memo file and the table stay open after a failed operation.

#include <cstdint>
#include <string>
#include <vector>

#include "tables/engine/work_areas.h"

namespace veldrim {

inline constexpr uint8_t kMemoDbase3 = 0x83;
inline constexpr uint8_t kMemoDbase4 = 0x8B;
inline constexpr uint8_t kMemoLevel7 = 0x8C;
inline constexpr uint8_t kMemoFox = 0xF5;

// Engine settings of the memo unit.
extern uint16_t DefaultMemoBlockSize;  // block size of new memo files (512)
extern uint16_t MemoLineCapacity;      // lines a memo value is read into (1024)

// The value open as a byte stream in one work area.
inline constexpr uint64_t kNoWindow = 0x7FFFFFFF - 512;
struct BlobDescriptor {
    bool open = false;
    uint8_t mode = 0;             // 1 reading, 2 writing
    int64_t length = -1;          // data length; -1 unknown (0x1A text, or being written)
    uint64_t dataStart = 0;       // file offset of the first data byte
    uint32_t headerSize = 0;      // 8 for a headered value, 0 for 0x1A text
    uint64_t position = 0;        // relative to the data start
    uint32_t block = 0;           // first block of the value
    int textMode = 0;             // -1 decide on the first piece, 0 binary, 1 text
    uint64_t highWater = 0;       // furthest byte written (the value's length at close)
    std::vector<uint8_t> window;  // 512 bytes when the area has a record hook
    uint64_t windowPos = kNoWindow;
    uint32_t dirty = 0;       // bytes placed into the window since its last write
    uint32_t windowFill = 0;  // bytes of the window that hold value data
};

// The memo state of one work area (TWorkArea::memoState).
struct MemoState {
    int fd = -1;
    int openMode = 0;  // file mode of the open (share emulation), kept for reopening
    std::string fileName;
    uint8_t style = kMemoDbase4;
    uint16_t blockSize = 512;
    bool locked = false;
    BlobDescriptor blob;
    // An append under way (from LockMemoPadAndSeekEOF to the header update or
    // the end of the value stream): the file's length and the bytes it will
    // overwrite, put back when the append fails.
    bool appending = false;
    uint64_t lengthBefore = 0;
    std::vector<uint8_t> headBefore;  // bytes 0..3, the next free block
    std::vector<uint8_t> tailBefore;  // a new dBase III file's end mark at 512
};

// The memo state of an area; nullptr when it has none.
MemoState* AreaMemo(const TWorkArea* area);
MemoState* CurrentMemo();

// --- styles and block sizes
bool IsMemoVersion(uint8_t v);
uint8_t TableMemoStyle(uint8_t area);
uint8_t GetMemoType();
// Block size of an open memo file read from its header alone (for copies).
uint16_t MemoBlockSize(int fd, uint8_t style, bool& isFox);
// The memo file's name for a table, as found on disk whatever its case.
std::string MemoFileName(const std::string& tableName, uint8_t style);

// --- opening and closing (hook slots 2, 3, 6)
void OpenMemofile(const std::string& tableName);
void CloseMemofile();
void ZapMemofile(const std::string& tableName);
bool CheckMemoField(const std::string& verb);

// --- the memo file lock (one byte at offset 10)
bool LockMemofile();
bool UnlockMemofile();

// --- header and block placement
bool MainHeaderWrite(uint32_t n);
void UpdateMemoHeader();
// Locks the file, pads it to a block boundary and answers its size (the
// new value's offset); 0 on failure. From here until UpdateMemoHeader (or
// EndMemoAppend) a memo error cuts the file back to what it was before.
int64_t LockMemoPadAndSeekEOF(const std::string& caller);
// The append of the current area's memo file is complete: nothing is cut back.
void EndMemoAppend();
bool WriteGroupHeaderAt(uint32_t block, uint32_t length);
// dBase IV style: number of blocks the value at `block` fills (0 on error).
uint32_t ReadGroupHeader(uint32_t block, uint8_t header[8]);
uint32_t AllocMemoBlocks(uint32_t count, uint32_t oldBlock, const std::string& caller);
void FreeMemoBlocks(uint32_t block, uint32_t blockCount);
void AddReleasedBlocks(uint32_t n);
void MemoError(int code, const std::string& context);

// Whether a memo file of the style may have this block size: a dBase IV
// style block must lie wholly after the 24-byte header.
bool MemoBlockSizeAllowed(uint8_t style, uint16_t blockSize);

// The whole data of a value as stored (read hook applied); false after an
// engine error (1003 for a block beyond the file or a stored length past its
// end).
bool ReadMemoValue(int32_t block, std::string& data, const std::string& verb);

// --- text values (memo_text.cpp)
// The lines of the value last read by GetMemo, each with its line end:
// 13 hard (CR), 141 soft (0x8D), 0 none (wrapped, or the value's end).
struct MemoLine {
    std::string text;
    uint8_t end = 0;
};
extern std::vector<MemoLine> MemoLineTable;
bool GetMemo(int32_t block, uint8_t maxLines);
int32_t AddMemo(const std::string& text);
int32_t CloseMemo(int32_t oldBlock);
// A memo value read line by line as a text file reads it: soft-ended and
// wrapped lines joined with the following line (hook slot 0).
std::vector<std::string> ReadMemoLines(int32_t block);
// Writes lines as one value in place of `oldBlock` (every line ends in
// CR LF); its reference, 0 for no lines.
int32_t WriteMemoLines(int32_t oldBlock, const std::vector<std::string>& lines);

// --- copies and pack (memo_copy.cpp)
int32_t CopyMemo(uint8_t sourceArea, int32_t block, bool sameBlock);
void PackMemofile();
// Failure seam for tests: the pack fails at its n-th step (0 = never).
extern int PackMemoFailAtStep;

// --- value streams (memo_stream.cpp)
int32_t OpenBlob(bool autoText, int32_t block, uint8_t mode);
int32_t CreateBlobDescriptor(int32_t block, uint8_t mode);
int32_t ReadBlobStream(void* buf, int32_t count, uint8_t textMode);
int32_t WriteBlobStream(const void* buf, int32_t count, uint8_t textMode);
int32_t SeekBlobStream(int32_t offset, uint16_t origin);
void DestroyBlobDescriptor();

// Unit start: fills MemoProcTable; also the reset for tests.
void StartMemoUnit();

}  // namespace veldrim
