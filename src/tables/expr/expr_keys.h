#pragma once
// Key, date and list helpers shared by the expression evaluator and the index
// engine: the packed-decimal numeric key, Julian day numbers and their text
// forms, the SOUNDEX code, ring lists and zero-terminated string helpers.
//
// TNumKey (12 bytes):
//   byte 0      exponent: 0x34 + number of integer digits; for a value below 1,
//               0x34 - the zeros between the point and the first significant
//               digit. The value is 0.d1d2d3... * 10^(exponent - 0x34).
//   byte 1      bit 7 sign (1 negative), bits 2..6 digit count 0..20, bit 0 set
//   bytes 2..11 up to 20 decimal digits, two per byte, first digit high nibble
//   Zero: sign 0, exponent 0x34, digit count 0 (byte 1 = 1).
//
// Julian day number: days of the proleptic Gregorian calendar + 1721425, so
// 1 January of year 1 is 1721426 and 1 January 2000 is 2451545; held as a
// double; 0 is the blank date. Dates are rendered for 1721426..5373484
// (31 December 9999); everything else renders blank.
//
// Ring list: a circular doubly linked list of memory blocks whose head
// variable points to the payload of the most recently added node (nullptr
// when empty). Iteration runs from the oldest node to the head.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veldrim {

struct TNumKey {
    uint8_t bytes[12] = {};
};

inline constexpr double kJulianOffset = 1721425.0;    // Julian day of "day 0"
inline constexpr double kFirstJulianDay = 1721426.0;  // 1 January of year 1
inline constexpr double kLastJulianDay = 5373484.0;   // 31 December 9999

// --- numeric keys
// Packs the first `length` characters of `digits`; `decimals` only affects
// the stored digit count.
void StrToNumKey(TNumKey& key, const char* digits, int length, int decimals);
// The value formatted with `decimals` fixed decimals, then StrToNumKey.
void FloatToNumKey(TNumKey& key, int decimals, double value);
int CompareNumKeys(const TNumKey& a, const TNumKey& b);
// 0 when the first n bytes agree, else a[i] - b[i] (unsigned) at the first difference.
int CompareBytes(const void* a, const void* b, std::size_t n);
// 0 equal, 1 a > b, -1 a < b.
int CompareDoubles(double a, double b);

// --- calendar (IsLeapYear is the engine's, engine_dates.h)
// Day of the year, or -1 for an impossible date.
int DayOfYear(int year, int month, int day);
// Days of the years before `year` (0 for years below 2).
int32_t DaysBeforeYear(int year);
void MonthDayOfYear(int dayOfYear, bool leap, int& month, int& day);
// Julian day number, 0 for an impossible date (years 1..9999 and beyond).
double JulianFromYMD(int year, int month, int day);
// Year, month, day of a Julian day number; false outside 1721426..5373484.
bool JulianToYMD(double julian, int& year, int& month, int& day);
// "YYYYMMDD" -> Julian day; 8 blanks and invalid dates give 0.
double DtosToJulian(std::string_view text);
// Julian day -> "YYYYMMDD"; 8 blanks outside the rendered range.
std::string JulianToDtos(double julian);
// Julian day -> date text in the current date format and century setting.
std::string JulianToDateText(double julian);
// Date text in the current date format (first 10 characters) -> Julian day; 0 when invalid.
double CtodToJulian(std::string_view text);
// Date text in the current date format -> "YYYYMMDD"; 8 blanks when blank or invalid.
std::string DateTextToDtos(std::string_view dateText);

// --- SOUNDEX: the 4-character code (first character kept, then digits).
std::string Soundex(std::string_view text);

// --- ring lists
// A zero-filled payload of `size` bytes in a new node that becomes the head;
// nullptr when the memory is refused.
void* RingAlloc(void*& ring, std::size_t size);
// nullptr node: the oldest node; the head: nullptr; otherwise the node's next.
void* RingNext(void* ring, void* node);
// Unlinks the head node and returns it (nullptr when empty); its predecessor
// becomes the head. The caller frees the node with RingFreeNode.
void* RingUnlink(void*& ring);
// Unlinks `node` wherever it stands; false when it is not in the ring.
bool RingRemove(void*& ring, void* node);
// Releases an unlinked node.
void RingFreeNode(void* node);
// Size of a node's payload as allocated.
std::size_t RingNodeSize(const void* node);

// --- zero-terminated string helpers
inline void* AddPtr(void* p, std::ptrdiff_t offset) { return static_cast<char*>(p) + offset; }
std::size_t PCharLen(const char* s);
// Copies src with its terminator into dest; returns dest.
char* PCharCopy(char* dest, const char* src);
// At most n characters of a zero-terminated string.
std::string PCharToStr(const char* s, std::size_t n);
// Copies s with a terminating zero into dest (room for s.size() + 1); returns dest.
char* StrToPChar(char* dest, std::string_view s);
// Decimal text left-padded with "0" to the width.
std::string ZeroPadInt(int64_t value, int width);
// Exchanges two adjacent blocks of those lengths in place.
void SwapBlocks(void* p, std::size_t firstLength, std::size_t secondLength);

}  // namespace veldrim
