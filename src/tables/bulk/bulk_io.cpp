// Raw block reads and writes of the bulk verbs.
#include "tables/bulk/bulk_io.h"

#include "foundation/file_calls.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <string_view>
#include <vector>

#include "tables/engine/win1252_text.h"

namespace veldrim::bulk {

namespace {

// Whether a complete number text that a double cannot hold ("1e400",
// "0.01e-400") is too large for it rather than too small: the decimal order
// of its first significant digit is above zero.
bool BeyondDoubleRange(std::string_view s) {
    if (!s.empty() && s[0] == '-') s.remove_prefix(1);
    long long whole = 0;  // digits before the point from the first significant one
    long long zeros = 0;  // zeros after the point before the first significant digit
    bool significant = false;
    bool point = false;
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '.') {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        if (c != '0') significant = true;
        if (!point && significant)
            ++whole;
        else if (point && !significant)
            ++zeros;
    }
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::string_view e = s.substr(i + 1);
        const bool negative = !e.empty() && e[0] == '-';
        if (!e.empty() && (e[0] == '-' || e[0] == '+')) e.remove_prefix(1);
        const auto r = std::from_chars(e.data(), e.data() + e.size(), exponent);
        if (r.ec == std::errc::result_out_of_range) exponent = LLONG_MAX / 4;
        if (negative) exponent = -exponent;
    }
    return (whole > 0 ? whole + exponent : exponent - zeros) > 0;
}

// The number of a text read from outside; infinite (with its sign) for a
// number too large for a double, 0 for one too small.
double ImportedNumber(const std::string& text) {
    double d = 0;
    if (ParseNumberText(text, d)) return d;
    std::string_view s = text;
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    double ignored = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), ignored);
    if (r.ec == std::errc::result_out_of_range && r.ptr == s.data() + s.size()) {
        if (!BeyondDoubleRange(s)) return 0;
        return s[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return CleanTextToFloat(text);
}

}  // namespace

void StoreNumberText(int n, const TFieldEntry& f, const std::string& text, bool truncate) {
    double d = ImportedNumber(text);
    if (f.decimals > 0) {
        SetBinaryNumber(n, d);
        return;
    }
    // Whole numbers beyond the precision of a double are taken digit for digit.
    const std::string t = AllTrim(text);
    int64_t exact = 0;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), exact);
    if (ec == std::errc() && p == t.data() + t.size())
        SetBinaryInteger(n, exact);
    else {
        d = truncate ? std::trunc(d) : std::nearbyint(d);
        // Beyond the whole numbers the field's form holds: over-wide, never
        // the nearest end of the range.
        if (!(std::fabs(d) < 0x1p63)) d = HUGE_VAL;
        SetBinaryNumber(n, d);
    }
}

bool ReadAt(int fd, uint8_t* buf, std::size_t n, off_t off, std::size_t& got) {
    got = 0;
    while (got < n) {
        const ssize_t r = FileCalls.pread(fd, buf + got, n - got, off + static_cast<off_t>(got));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* buf, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = FileCalls.write(fd, buf + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

void ScanRecordBlocks(const TWorkArea& a, int32_t first,
                      const std::function<bool(int32_t rec, uint8_t* block, int32_t have)>& visit) {
    const std::size_t recLen = a.recordLength;
    const std::size_t perBlock = std::max<std::size_t>(1, kBlock / recLen);
    std::vector<uint8_t> block(perBlock * recLen);
    for (int32_t rec = std::max(1, first); rec <= a.recordCount;) {
        const int32_t n =
            static_cast<int32_t>(std::min<int64_t>(perBlock, a.recordCount - rec + 1));
        std::size_t got = 0;
        const off_t off = a.headerLength + static_cast<off_t>(rec - 1) * static_cast<off_t>(recLen);
        if (!ReadAt(a.fd, block.data(), n * recLen, off, got) || got < recLen) return;
        const int32_t have = static_cast<int32_t>(got / recLen);
        if (visit(rec, block.data(), have) || have < n) return;
        rec += n;
    }
}

}  // namespace veldrim::bulk
