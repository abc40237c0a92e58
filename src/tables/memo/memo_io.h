#pragma once
// Byte-level helpers shared by the memo unit's sources.

#include <cstddef>
#include <cstdint>
#include <string>

#include "tables/engine/work_areas.h"

namespace veldrim {

// The fill count of the last GetMemo (added to the released-block counter).
void SetMemoFillCount(uint32_t n);
// The memo unit's settings back to their start-up values.
void ResetMemoSettings();

// One end of a memo copy: an open memo file, its style and block size and
// the record hook its bytes pass.
struct MemoEnd {
    int fd = -1;
    uint8_t style = 0;
    uint16_t blockSize = 512;
    RecordHook hook = nullptr;
};
MemoEnd AreaMemoEnd(const TWorkArea* a, bool forWriting);
// Where the data of the value at `block` (its absolute number) starts and
// how long it is: the stored length of a headered value, -1 for a 0x1A text.
// 0, or the error code: 1003 for a block at or beyond the file's end or a
// stored length that runs past it (a damaged file), 30 for a short header.
uint16_t LocateValue(const MemoEnd& from, uint64_t block, uint64_t& start, int64_t& length);
// Reads the data of the value at `block` (read hook applied). A 0x1A text
// ends at its first 0x1A, with zeroEnds also at a zero byte. 0, or the
// error code of LocateValue, or 30 for a short read.
uint16_t ReadValueAt(const MemoEnd& from, int32_t block, bool zeroEnds, std::string& data,
                     bool* headered);

namespace memo_io {

// Reads n bytes at off; *got the count read. False when fewer were read.
bool ReadFully(int fd, void* buf, std::size_t n, uint64_t off, std::size_t* got = nullptr);
// Writes n bytes at off; false (errno set) when not all were written.
bool WriteFully(int fd, const void* buf, std::size_t n, uint64_t off);
uint64_t FileSize(int fd);
uint32_t Le32(const uint8_t* p);
uint32_t Be32(const uint8_t* p);
void PutLe32(uint8_t* p, uint32_t v);
void PutBe32(uint8_t* p, uint32_t v);
// FF FF 08 00: the dBase IV group header of a value.
bool IsDbase4GroupHeader(const uint8_t* h);
// Runs a record hook over n bytes in pieces of 512.
void ApplyHook(RecordHook hook, uint8_t* data, std::size_t n);
// The I/O code of the last failed call (101, disk full, when errno is 0).
uint16_t IoCode();
// Blocks a stored dBase IV value really fills: its stored length (data + 8)
// rounded up to whole blocks, for the next value starts right after them.
uint32_t OccupiedBlocks(uint32_t storedLength, uint16_t blockSize);
// " Record # n" of an area's current record.
std::string RecordTail(const TWorkArea* a);

}  // namespace memo_io
}  // namespace veldrim
