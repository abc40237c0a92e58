#pragma once
// Routines shared by the table file's modules: the header (dbf_header), the
// record input/output (dbf_records) and the binary record (dbf_binary).

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "tables/engine/work_areas.h"

namespace veldrim::dbf {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF;
}

// Reads n bytes at off, again after an interruption; false with errno (0
// for a file that ends before n bytes), the bytes read in *got.
bool ReadAt(int fd, void* buf, std::size_t n, off_t off, std::size_t* got = nullptr);
// Writes n bytes at off, again after an interruption; false with errno.
bool WriteAt(int fd, const void* buf, std::size_t n, off_t off);
// The engine's error code of a failed write (5 on a table opened read-only).
uint16_t WriteErrorCode(const TWorkArea& area, int err);
// Closes the area's table file and lets go of its record blocks, collected
// appends, record buffer and field table; the area is left closed.
void ReleaseTableFile(TWorkArea& area);

}  // namespace veldrim::dbf
