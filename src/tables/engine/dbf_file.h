#pragma once
// The dBase table file and the record input/output of one work area.
//
// Header (32 bytes, little-endian), every version except dBase II:
//   0   1  version byte          8  2  header length (offset of record 1)
//   1   3  last update YY MM DD  10 2  record length, delete flag included
//   4   4  record count          12..31 reserved (16..27 re-read before a header write)
// Level 7 (0x04, 0x8C) adds 36 bytes at 32 (language driver name, reserved).
// Field descriptors follow (32 bytes, level 7: 48), then 0x0D, then the
// records at the header length; 0x1A after the last record.
//   descriptor: name 0..10 | type 11 (level 7: 32) | length 16 (33) | decimals 17 (34)
// dBase II (0x02): 521-byte header: 0 version, 1..2 count, 3 month, 4 day,
// 5 year-1900, 6..7 record length, 8..519 up to 32 descriptors of 16 bytes
// (name 0..10, type 11, length 12, decimals 15), 520 0x0D.
//
// Accepted versions: 0x02 0x03 0x83 0x8B 0xF5 0x04 0x8C. Bit 0x80 means a
// memo file ("FPT" for 0xF5, "DBT" otherwise).
//
// Open states: 0 closed, 1 clean, 2 a record rewritten or a delete flag
// written, 3 records appended. The header goes back only in states 2 and 3,
// the end mark only in state 3. Every append writes its record with the end
// mark behind it. Closing writes the header while the area's locks are still
// held and takes the record count from the file size, so a close never cuts
// off another program's fresh append; a shared table's close that finds the
// append lock taken leaves the header's date to the next writer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/engine/work_areas.h"

namespace veldrim {

inline constexpr uint8_t kDefaultVersionByte = 0x8B;

bool IsDbfVersion(uint8_t v);
std::string MemoExtension(uint8_t version);

// Opens area.fileName into the area with `mode` (xBase file mode: access in
// bits 0..1, share in bits 4..6). Errors through SetError; on failure the
// area holds no open file.
void OpenDbf(TWorkArea& area, int mode);
// Record input/output. A table that the area holds alone (HoldsTableAlone)
// is read a block of records at a time, and its appends are collected and
// written a block at a time; every other table reads and writes each record
// at the file, so a record locked, or of a table opened shared, is always
// the one on the file. Closing and committing write the collected appends
// first, so a closed table is the same, byte for byte, either way.
void GetDbfRecord(TWorkArea& area, int32_t recNo);
void PutDbfRecord(TWorkArea& area, int32_t recNo);
void AppendDbfRecord(TWorkArea& area);
void SetRecDeleteFlag(TWorkArea& area, int32_t recNo);
// Opened for writing with share mode deny-all: no other open of the file
// (in this process or another) exists while the area keeps it open.
bool HoldsTableAlone(const TWorkArea& area);
// Writes the collected appends and forgets the read-ahead block. Every
// access to the table file outside the record routines above (raw block
// reads, Peek and Poke, Pack and Zap, reopening) calls it first.
void FlushRecordBlocks(TWorkArea& area);
// The record count into the header of a table shared with others (under the
// append lock, after the record and its keys): programs sharing the table
// take the count from there, and a writer that is killed afterwards loses
// no record it reported as written.
void WriteHeaderCount(TWorkArea& area);
void WriteDbfHeader(TWorkArea& area);
// Writes back the header of a changed table (and the end mark after appends)
// and flushes the file. Neither waits for another program's lock: a shared
// table whose append lock is taken keeps its changed state after a commit
// (the next commit or the close writes the header), and its close leaves the
// header's date to the next writer.
void CommitDbfHeader(TWorkArea& area);
void CloseDbf(TWorkArea& area);
void FlushFile(int fd);
// Creates a new table (and its empty memo file) through a file written
// beside the target and renamed over it. Field types as letters; lengths of
// D, L, M are set by the engine. `area` is a scratch record that receives the
// header and field table and is left closed (never pass an open area).
void CreateDbf(TWorkArea& area, const std::string& name, const std::vector<TFieldEntry>& fields);
void CreateDbf(const std::string& name, const std::vector<TFieldEntry>& fields);
void CreateDbfMemoFile(const std::string& name, uint8_t version, uint16_t blockSize,
                       const std::string& caller);
// The bytes of an empty memo file of a version (header block; dBase III 513
// bytes, FoxPro 512, dBase IV 24 with the base name of `name`).
std::vector<uint8_t> EmptyMemoFileBytes(const std::string& name, uint8_t version,
                                        uint16_t blockSize);
void TranslateRecords(bool toFile, bool oem, RecordHook hook, std::size_t size, uint16_t recLen,
                      uint8_t* buffer);
// The memo block number a record's memo field stores as text: 0 for none,
// or for a text that is no block number.
int32_t MemoBlockOfText(std::string_view text);
void RecordToBinary(const TWorkArea& area, uint8_t* binary);
// One field of the raw record into the binary record at byte pos.
void FieldToBinary(const TWorkArea& area, const TFieldEntry& f, uint8_t* binary, std::size_t pos);
void BinaryToRecord(TWorkArea& area, const uint8_t* binary);
uint32_t SwapLong(uint32_t v);
uint16_t SwapWord(uint16_t v);

// Record count from the file size: (size - header length) div record length.
int32_t RecordCountFromFileSize(const TWorkArea& area);
// Whether the dbf layer flushes after every write.
extern bool WriteThrough;
// File modes (xBase numbering): the access in the low bits (0 read only,
// 2 read and write), the share mode in 0x70 (0x10 deny all, 0x20 deny write,
// 0x40 deny none).
// A table opened for reading and writing by this program alone: every other
// open of the file is refused while it stays open (18).
inline constexpr int kFileModeExclusiveReadWrite = 0x02 | 0x10;
// A table opened for reading and writing that others may open as well (66).
inline constexpr int kFileModeSharedReadWrite = 0x02 | 0x40;
// The file mode used for the next open.
extern int FileMode;
// WriteThrough and FileMode back to their start-up values.
void ResetDbfFile();

// Low-level file seam: open with the xBase file mode and the share-mode
// emulation; returns fd or -1 with the I/O code in *ioCode. Only a plain
// file is opened: a pipe, a socket, a device or a folder at the name gives
// code 5 at once, with errno ENODEV or EISDIR.
int OpenTableFile(const std::string& path, int mode, bool* readOnly, int* ioCode);
void CloseTableFile(int fd);
// Whether the file of `fd` is open anywhere else (another open of this or
// another program).
bool TableOpenElsewhere(int fd);
// I/O result of an errno value (DOS numbering: 2 not found, 5 denied, 32 sharing ...).
uint16_t IoCodeOf(int err);
// Records the error of a file that could not be opened or read (errno err):
// a name that leads to no plain file gives code 5 with "Datei <name> ist
// keine gewöhnliche Datei und wird nicht gelesen !", any other failure its
// I/O code with `failure` (a text that names the file); then " " + context.
void SetFileReadError(int err, const std::string& file, const std::string& failure,
                      const std::string& context);
// Records the failure of an OpenTableFile of `file` that gave I/O code
// `code`, called right after it (errno is still the open's): a name that
// leads to no plain file is named as such (SetFileReadError), any other
// failure gives `code` with `failure` + " " + context.
void SetTableFileOpenError(int code, const std::string& file, const std::string& failure,
                           const std::string& context);

}  // namespace veldrim
