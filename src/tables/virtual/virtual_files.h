#pragma once
// Virtual files: tables held only in memory.
//
// A work area opened with a "LINKED LIST" or "VIRTUAL FILE" clause of USE
// keeps its records here, each in the binary record form (byte 0 the
// deletion flag, then the fields in their binary sizes), in one of five
// orders (`LStatusType`):
//   FIFO        appended at the end
//   LIFO        appended in front of the first record
//   INSERTION   appended in front of the current record
//   ASCENDING   in key order, a record after every record with an equal key
//   DESCENDING  likewise, largest key first
// The sorted orders take their key from a key function that reads the record
// buffer. Two keys compare as numbers when both are whole number texts,
// otherwise as texts byte by byte; such a comparison is not a total order
// (10 < "2a" < 3 < 10), so records are only ever placed by the insertion
// search, never by a general sort.
//
// The record layer reaches the unit through VirtualFileProc with an
// operation code in the area: 1 close, 2 delete mark, 3 go to, 4 initialise,
// 5 pack, 6 pop, 7 append, 8 replace (or append past the last record),
// 9 recall, 10 remove, 12 zap. A record buffer of size 0 means
// variable-length records: the buffer starts with a 16-bit length, and the
// deletion flag follows it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/engine/work_areas.h"

namespace veldrim {

// `LStatusType`: the state (order) of a linked list (L), how its appends are placed.
enum LStatusType : uint8_t { FIFO = 0, LIFO = 1, INSERTION = 2, ASCENDING = 3, DESCENDING = 4 };

// The sort key of the record in the area's record buffer.
using TVFileKeyFunction = std::function<std::string()>;

// Fields of a virtual file: name, type, length, decimals.
void AddStru(const std::vector<TFieldEntry>& fields);
void SnipRec();
void PopRec();
void Set_VFileKey_To(TVFileKeyFunction key);
uint8_t Get_VFileMode();
void Set_VFileMode_To(uint8_t mode);
void SortVFile(uint8_t mode);
// After a replace in a sorted file: 1 the record kept its place, 2 it moved.
uint8_t VFileReplaceResult();

// Unit start: installs VirtualFileProc; also the reset for tests.
void StartVirtualFiles();

}  // namespace veldrim
