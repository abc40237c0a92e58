// Key, date and list helpers: packed numeric keys, Julian day numbers and
// their text forms, SOUNDEX, ring lists and zero-terminated string helpers.

#include "tables/expr/expr_keys.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/text_conv.h"
#include "tables/engine/engine_dates.h"

namespace veldrim {

// ---------------------------------------------------------------- numeric keys

namespace {

constexpr uint8_t kExponentBase = 0x34;
constexpr int kMaxKeyDigits = 20;

int DigitCount(const TNumKey& k) { return (k.bytes[1] >> 2) & 0x1F; }
bool IsNegative(const TNumKey& k) { return (k.bytes[1] & 0x80) != 0; }

}  // namespace

void StrToNumKey(TNumKey& key, const char* digits, int length, int decimals) {
    key = TNumKey{};
    int i = 0;
    auto at = [&](int k) -> char { return (digits && k < length) ? digits[k] : '\0'; };
    while (at(i) == ' ') ++i;
    if (at(i) == '+') {
        ++i;
    } else if (at(i) == '-') {
        key.bytes[1] |= 0x80;
        ++i;
    }
    while (at(i) == ' ' || at(i) == '0') ++i;

    // The exponent is kept wide while scanning and clamped to a byte at the
    // end, so that values of more than 20 integer digits still order by size.
    int exponent = kExponentBase;
    bool pointSeen = false;
    if (at(i) == '.') {
        pointSeen = true;
        ++i;
        int zeros = 0;
        while (at(i) == '0') {
            ++zeros;
            ++i;
        }
        if (at(i) >= '1' && at(i) <= '9') exponent -= zeros;
    }
    int packed = 0;
    int trailingZeros = 0;
    for (;; ++i) {
        char c = at(i);
        if (c >= '0' && c <= '9') {
            if (packed < kMaxKeyDigits) {
                int d = c - '0';
                uint8_t& b = key.bytes[2 + packed / 2];
                b |= (packed % 2 == 0) ? static_cast<uint8_t>(d << 4) : static_cast<uint8_t>(d);
                ++packed;
                trailingZeros = (d == 0) ? trailingZeros + 1 : 0;
            }
            // Digits beyond the 20th are not stored but still count as
            // integer digits for the exponent.
            if (!pointSeen) ++exponent;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
    }
    key.bytes[1] |= 0x01;
    bool keepTrailing = pointSeen && decimals > trailingZeros;
    int significant = keepTrailing ? packed : packed - trailingZeros;
    if (!keepTrailing && significant >= 1 && significant <= 9) significant = 10;
    significant = std::min(significant, kMaxKeyDigits);
    if (packed - trailingZeros <= 0) significant = 0;  // only zeros: the zero key
    if (significant != 0) {
        key.bytes[1] |= static_cast<uint8_t>(significant << 2);
        // A positive value below the smallest exponent still ranks above zero.
        key.bytes[0] = static_cast<uint8_t>(std::clamp(exponent, 1, 255));
    } else {
        key = TNumKey{};
        key.bytes[0] = kExponentBase;
        key.bytes[1] = 0x01;
    }
}

void FloatToNumKey(TNumKey& key, int decimals, double value) {
    if (!std::isfinite(value))
        value = std::isnan(value) ? 0.0 : std::copysign(1.7976931348623157e308, value);
    int dec = std::clamp(decimals, 0, 50);
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, dec);
    int len = (r.ec == std::errc()) ? static_cast<int>(r.ptr - buf) : 0;
    StrToNumKey(key, buf, len, decimals);
}

int CompareBytes(const void* a, const void* b, std::size_t n) {
    auto pa = static_cast<const uint8_t*>(a);
    auto pb = static_cast<const uint8_t*>(b);
    for (std::size_t i = 0; i < n; ++i)
        if (pa[i] != pb[i]) return static_cast<int>(pa[i]) - static_cast<int>(pb[i]);
    return 0;
}

int CompareNumKeys(const TNumKey& a, const TNumKey& b) {
    int s = IsNegative(a) ? -1 : 1;
    if (IsNegative(a) != IsNegative(b)) return s;
    int ea = DigitCount(a) == 0 ? 0 : a.bytes[0];
    int eb = DigitCount(b) == 0 ? 0 : b.bytes[0];
    if (ea != eb) return ea < eb ? -s : s;
    int n = std::max(DigitCount(a), DigitCount(b));
    std::size_t bytes = static_cast<std::size_t>((n + 1) / 2);
    return s > 0 ? CompareBytes(a.bytes + 2, b.bytes + 2, bytes)
                 : CompareBytes(b.bytes + 2, a.bytes + 2, bytes);
}

int CompareDoubles(double a, double b) {
    if (a > b) return 1;
    if (a < b) return -1;
    return 0;
}

// ---------------------------------------------------------------- calendar

namespace {

constexpr int kMonthEnd[12] = {31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

int MonthLength(int year, int month) {
    static constexpr int kLen[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (month == 2 && IsLeapYear(year)) ? 29 : kLen[month - 1];
}

int YearLength(int year) { return IsLeapYear(year) ? 366 : 365; }

// Reads exactly `n` decimal digits; false when a character is no digit.
bool ReadDigits(std::string_view s, std::size_t pos, std::size_t n, int& value) {
    if (pos + n > s.size()) return false;
    value = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

}  // namespace

int DayOfYear(int year, int month, int day) {
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > MonthLength(year, month)) return -1;
    int before = month == 1 ? 0 : kMonthEnd[month - 2];
    if (month > 2 && IsLeapYear(year)) ++before;
    return before + day;
}

int32_t DaysBeforeYear(int year) {
    if (year < 2) return 0;
    int32_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

void MonthDayOfYear(int dayOfYear, bool leap, int& month, int& day) {
    if (leap && dayOfYear == 60) {
        month = 2;
        day = 29;
        return;
    }
    int d = (leap && dayOfYear > 60) ? dayOfYear - 1 : dayOfYear;
    d = std::clamp(d, 1, 365);
    int m = 0;
    while (kMonthEnd[m] < d) ++m;
    month = m + 1;
    day = d - (m == 0 ? 0 : kMonthEnd[m - 1]);
}

double JulianFromYMD(int year, int month, int day) {
    // Year 0 does not exist in the calendar the keys count: 1 January of
    // year 1 is the first day.
    if (year < 1) return 0.0;
    int doy = DayOfYear(year, month, day);
    if (doy < 0) return 0.0;
    return static_cast<double>(DaysBeforeYear(year)) + doy + kJulianOffset;
}

bool JulianToYMD(double julian, int& year, int& month, int& day) {
    if (!(julian >= kFirstJulianDay && julian <= kLastJulianDay)) return false;
    int32_t n = static_cast<int32_t>(julian) - static_cast<int32_t>(kJulianOffset);
    // 400 Gregorian years have 146097 days: the estimate is off by a year at
    // most, and the loops correct it.
    int y = std::max(1, static_cast<int>(static_cast<int64_t>(n) * 400 / 146097));
    int32_t r = n - DaysBeforeYear(y);
    while (r < 1 && y > 1) {
        --y;
        r += YearLength(y);
    }
    while (r > YearLength(y)) {
        r -= YearLength(y);
        ++y;
    }
    if (y > 9999) return false;
    year = y;
    MonthDayOfYear(static_cast<int>(r), IsLeapYear(y), month, day);
    return true;
}

double DtosToJulian(std::string_view text) {
    int y = 0, m = 0, d = 0;
    if (!ReadDigits(text, 0, 4, y) || !ReadDigits(text, 4, 2, m) || !ReadDigits(text, 6, 2, d))
        return 0.0;  // blanks and every malformed text are the blank date
    return JulianFromYMD(y, m, d);
}

std::string JulianToDtos(double julian) {
    int y = 0, m = 0, d = 0;
    if (!JulianToYMD(julian, y, m, d)) return std::string(8, ' ');
    return ZeroPadInt(y, 4) + ZeroPadInt(m, 2) + ZeroPadInt(d, 2);
}

std::string JulianToDateText(double julian) {
    int y = 0, m = 0, d = 0;
    if (!JulianToYMD(julian, y, m, d)) return BlankDate(DateFormat);
    return ArrangeDate(ZeroPadInt(d, 2), ZeroPadInt(m, 2),
                       SetCentury ? ZeroPadInt(y, 4) : ZeroPadInt(y % 100, 2));
}

namespace {

// The first 10 characters in the month/day/year picture with a 4-digit year.
bool NeutralParts(std::string_view text, int& y, int& m, int& d) {
    std::string first(text.substr(0, std::min<std::size_t>(10, text.size())));
    std::size_t nul = first.find('\0');
    if (nul != std::string::npos) first.resize(nul);
    bool oldCentury = SetCentury;
    SetCentury = true;
    std::string neutral = ParseDateText(first);
    SetCentury = oldCentury;
    return neutral.size() == 10 && neutral[2] == '/' && neutral[5] == '/' &&
           ReadDigits(neutral, 0, 2, m) && ReadDigits(neutral, 3, 2, d) &&
           ReadDigits(neutral, 6, 4, y);
}

}  // namespace

double CtodToJulian(std::string_view text) {
    int y = 0, m = 0, d = 0;
    if (!NeutralParts(text, y, m, d)) return 0.0;
    return JulianFromYMD(y, m, d);
}

std::string DateTextToDtos(std::string_view dateText) {
    return JulianToDtos(CtodToJulian(dateText));
}

// ---------------------------------------------------------------- SOUNDEX

namespace {
// Letter digits A..Z of the standard Soundex table; H and W count as vowels.
constexpr char kSoundexDigits[27] = "01230120022455012623010202";
constexpr int kSoundexLength = 4;
}  // namespace

std::string Soundex(std::string_view text) {
    std::string s = UpperAscii(text.substr(0, std::min<std::size_t>(100, text.size())));
    std::string code(kSoundexLength, '0');
    if (s.empty()) return code;
    code[0] = s[0];
    char last = (s[0] >= 'A' && s[0] <= 'Z') ? kSoundexDigits[s[0] - 'A'] : '0';
    int pos = 1;
    for (std::size_t i = 1; i < s.size() && pos < kSoundexLength; ++i) {
        char c = s[i];
        if (c < 'A' || c > 'Z') continue;
        char digit = kSoundexDigits[c - 'A'];
        if (digit != last) {
            if (digit != '0') code[pos++] = digit;
            last = digit;
        }
    }
    return code;
}

// ---------------------------------------------------------------- ring lists

namespace {

struct RingHeader {
    RingHeader* next;
    RingHeader* prev;
    std::size_t size;  // payload bytes
};
// The payload starts at a maximally aligned offset behind the header.
constexpr std::size_t kHeaderBytes = (sizeof(RingHeader) + alignof(std::max_align_t) - 1) /
                                     alignof(std::max_align_t) * alignof(std::max_align_t);

RingHeader* HeaderOf(const void* payload) {
    return reinterpret_cast<RingHeader*>(const_cast<char*>(static_cast<const char*>(payload)) -
                                         kHeaderBytes);
}
void* PayloadOf(RingHeader* h) { return reinterpret_cast<char*>(h) + kHeaderBytes; }

}  // namespace

void* RingAlloc(void*& ring, std::size_t size) {
    if (size > static_cast<std::size_t>(0x7FFFFFFF) - kHeaderBytes) return nullptr;
    void* block = std::calloc(1, kHeaderBytes + size);
    if (!block) return nullptr;
    auto* h = static_cast<RingHeader*>(block);
    h->size = size;
    if (!ring) {
        h->next = h->prev = h;
    } else {
        // The new node goes after the head; the head's next is the oldest.
        RingHeader* head = HeaderOf(ring);
        h->prev = head;
        h->next = head->next;
        head->next->prev = h;
        head->next = h;
    }
    ring = PayloadOf(h);
    return ring;
}

void* RingNext(void* ring, void* node) {
    if (!ring) return nullptr;
    if (!node) return PayloadOf(HeaderOf(ring)->next);
    if (node == ring) return nullptr;
    return PayloadOf(HeaderOf(node)->next);
}

void* RingUnlink(void*& ring) {
    if (!ring) return nullptr;
    void* node = ring;
    RingHeader* h = HeaderOf(node);
    if (h->next == h) {
        ring = nullptr;
    } else {
        h->prev->next = h->next;
        h->next->prev = h->prev;
        ring = PayloadOf(h->prev);
    }
    h->next = h->prev = h;
    return node;
}

bool RingRemove(void*& ring, void* node) {
    if (!ring || !node) return false;
    for (void* p = RingNext(ring, nullptr); p; p = RingNext(ring, p)) {
        if (p != node) continue;
        if (p == ring) {
            RingUnlink(ring);
        } else {
            RingHeader* h = HeaderOf(p);
            h->prev->next = h->next;
            h->next->prev = h->prev;
            h->next = h->prev = h;
        }
        return true;
    }
    return false;
}

void RingFreeNode(void* node) {
    if (node) std::free(HeaderOf(node));
}

std::size_t RingNodeSize(const void* node) { return node ? HeaderOf(node)->size : 0; }

// ---------------------------------------------------------------- strings

std::size_t PCharLen(const char* s) { return s ? std::strlen(s) : 0; }

char* PCharCopy(char* dest, const char* src) {
    if (!dest) return dest;
    if (!src) {
        dest[0] = '\0';
        return dest;
    }
    std::memmove(dest, src, std::strlen(src) + 1);
    return dest;
}

std::string PCharToStr(const char* s, std::size_t n) {
    if (!s) return {};
    std::size_t len = 0;
    while (len < n && s[len] != '\0') ++len;
    return std::string(s, len);
}

char* StrToPChar(char* dest, std::string_view s) {
    if (!dest) return dest;
    std::memmove(dest, s.data(), s.size());
    dest[s.size()] = '\0';
    return dest;
}

std::string ZeroPadInt(int64_t value, int width) {
    char buf[32];
    bool negative = value < 0;
    uint64_t mag = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    auto r = std::to_chars(buf, buf + sizeof buf, mag);
    std::string digits(buf, r.ptr);
    int pad = width - static_cast<int>(digits.size()) - (negative ? 1 : 0);
    std::string out = negative ? "-" : "";
    if (pad > 0) out.append(static_cast<std::size_t>(pad), '0');
    return out + digits;
}

void SwapBlocks(void* p, std::size_t firstLength, std::size_t secondLength) {
    if (!p || firstLength == 0 || secondLength == 0) return;
    auto* b = static_cast<char*>(p);
    std::reverse(b, b + firstLength);
    std::reverse(b + firstLength, b + firstLength + secondLength);
    std::reverse(b, b + firstLength + secondLength);
}

}  // namespace veldrim
