// Raw block reads and writes of the bulk verbs.
#include "tables/bulk/bulk_io.h"

#include "foundation/file_calls.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

#include "tables/engine/number_digits.h"
#include "tables/engine/win1252_text.h"

namespace veldrim::bulk {

namespace {

// The number of a text that is no plain number ("inf", "nan", "$12"): read
// as far as it holds digits.
double ImportedNumber(const std::string& text) {
    double d = 0;
    if (ParseNumberText(text, d)) return d;
    return CleanTextToFloat(text);
}

}  // namespace

void StoreNumberText(int n, const TFieldEntry& f, const std::string& text, bool truncate) {
    // A number text goes in as its digits, whatever their count.
    const FieldNumberDigits digits =
        DigitsForField(text, f.length, f.decimals, truncate && f.decimals == 0);
    if (digits.kind != FieldNumberDigits::noNumber) {
        SetStoredNumberText(n, digits.kind == FieldNumberDigits::fits
                                   ? digits.digits
                                   : std::string(f.length + 1u, '*'));
        return;
    }
    // "inf", "nan", or a text read as far as it holds digits.
    double d = ImportedNumber(text);
    if (f.decimals == 0 && std::isfinite(d)) {
        d = truncate ? std::trunc(d) : std::nearbyint(d);
        // Beyond the whole numbers the field's form holds: over-wide, never
        // the nearest end of the range.
        if (!(std::fabs(d) < 0x1p63)) d = HUGE_VAL;
    }
    SetBinaryNumber(n, d);
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
