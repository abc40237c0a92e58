// The binary record: the fields of the raw record as binary values (text
// with its length, date text, doubles and whole numbers, logical bytes, memo
// references) and back, and the byte-order swaps.
#include "tables/engine/dbf_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

uint32_t SwapLong(uint32_t v) {
    return ((v & 0xFF) << 24) | ((v & 0xFF00) << 8) | ((v >> 8) & 0xFF00) | (v >> 24);
}
uint16_t SwapWord(uint16_t v) { return static_cast<uint16_t>((v << 8) | (v >> 8)); }

// ---- binary record

void FieldToBinary(const TWorkArea& area, const TFieldEntry& f, uint8_t* binary, std::size_t pos) {
    const auto& raw = area.recordBuffer;
    {
        const bool inRecord = static_cast<std::size_t>(f.offset) + f.length <= raw.size();
        static const std::string blanks(0xFFFF, ' ');
        const std::string_view text =
            inRecord
                ? std::string_view(reinterpret_cast<const char*>(raw.data()) + f.offset, f.length)
                : std::string_view(blanks.data(), f.length);
        switch (f.type) {
            case 'C':
                SetBinaryTextLength(f, binary + pos, f.length);
                std::memcpy(binary + pos + BinaryTextPrefix(f), text.data(), f.length);
                break;
            case 'D': {
                std::string_view t = text;
                while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ')
                    t.remove_prefix(1);
                while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ')
                    t.remove_suffix(1);
                bool digits = t.size() == 8;
                for (char c : t) digits = digits && c >= '0' && c <= '9';
                const std::string shown =
                    digits ? DigitsToDate(std::string(t)) : BlankDate(DateFormat);
                std::memset(binary + pos, 0, 11);
                binary[pos] = static_cast<uint8_t>(std::min<std::size_t>(shown.size(), 10));
                std::memcpy(binary + pos + 1, shown.data(), binary[pos]);
                break;
            }
            case 'N':
            case 'F': {
                double v = 0;
                ParseNumberText(text, v);
                if (f.decimals > 0) {
                    std::memcpy(binary + pos, &v, 8);
                } else if (IsWideInteger(f)) {
                    int64_t i = 0;
                    if (std::isfinite(v)) {
                        i = SaturatedWhole<int64_t>(v);
                        // Exact for long digit strings beyond double precision.
                        const std::string t = AllTrim(std::string(text));
                        int64_t exact = 0;
                        auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), exact);
                        if (ec == std::errc() && p == t.data() + t.size()) i = exact;
                    }
                    std::memcpy(binary + pos, &i, 8);
                } else {
                    const int32_t i = SaturatedWhole<int32_t>(v);
                    std::memcpy(binary + pos, &i, 4);
                }
                break;
            }
            case 'L': {
                const char c = text.empty() ? ' ' : text[0];
                binary[pos] = (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? 1 : 0;
                break;
            }
            case 'M': {
                const int32_t ref = MemoBlockOfText(text);
                std::memcpy(binary + pos, &ref, 4);
                break;
            }
            default: break;
        }
    }
}

int32_t MemoBlockOfText(std::string_view text) {
    double v = 0;
    ParseNumberText(text, v);
    return (std::isfinite(v) && std::fabs(v) < 2147483647.0) ? static_cast<int32_t>(v) : 0;
}

void RecordToBinary(const TWorkArea& area, uint8_t* binary) {
    const auto& raw = area.recordBuffer;
    binary[0] = (!raw.empty() && raw[0] == '*') ? 1 : 0;
    std::size_t pos = 1;
    for (const auto& f : area.fields) {
        FieldToBinary(area, f, binary, pos);
        pos += BinaryFieldSize(f);
    }
}

namespace {
// Text right-aligned into a field of the raw record; stars when it is longer.
void PutRightAligned(uint8_t* field, std::size_t width, std::string_view text) {
    if (text.size() > width) {
        std::memset(field, '*', width);
        return;
    }
    std::memset(field, ' ', width - text.size());
    std::memcpy(field + width - text.size(), text.data(), text.size());
}
template <class Int>
void PutWhole(uint8_t* field, std::size_t width, Int v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    PutRightAligned(field, width, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}
}  // namespace

void BinaryToRecord(TWorkArea& area, const uint8_t* binary) {
    auto& raw = area.recordBuffer;
    if (raw.size() < area.recordLength) raw.resize(area.recordLength, ' ');
    raw[0] = binary[0] ? '*' : ' ';
    std::size_t pos = 1;
    std::vector<uint8_t> stored;
    for (std::size_t i = 0; i < area.fields.size(); ++i) {
        const TFieldEntry& f = area.fields[i];
        if (static_cast<std::size_t>(f.offset) + f.length > raw.size()) break;
        uint8_t* field = raw.data() + f.offset;
        const std::size_t width = f.length;
        // A field given no value keeps its stored bytes while its binary
        // value is still what they read as: a number filled with "*" reads
        // as 0, a 20-digit whole number as the end of the binary range, and
        // neither may be written back as that.
        if (i < area.fieldSet.size() && area.fieldSet[i] == kFieldOverWide) {
            pos += BinaryFieldSize(f);
            continue;
        }
        if (i < area.fieldSet.size() && !area.fieldSet[i]) {
            const auto size = static_cast<std::size_t>(BinaryFieldSize(f));
            if (stored.size() < size) stored.resize(size);
            FieldToBinary(area, f, stored.data(), 0);
            if (std::memcmp(stored.data(), binary + pos, size) == 0) {
                pos += size;
                continue;
            }
        }
        switch (f.type) {
            case 'C': {
                const std::size_t n =
                    std::min<std::size_t>(BinaryTextLength(f, binary + pos), width);
                std::memcpy(field, binary + pos + BinaryTextPrefix(f), n);
                std::memset(field + n, ' ', width - n);
                break;
            }
            case 'D': {
                const std::string t(reinterpret_cast<const char*>(binary) + pos + 1,
                                    std::min<std::size_t>(binary[pos], 10));
                std::string text;
                if (!DateTextToDigits(t, text)) text.clear();
                text.resize(width, ' ');
                std::memcpy(field, text.data(), width);
                break;
            }
            case 'N':
            case 'F': {
                if (f.decimals > 0) {
                    double v;
                    std::memcpy(&v, binary + pos, 8);
                    // A number that is not finite shows no digits at all.
                    if (!std::isfinite(v))
                        std::memset(field, '*', width);
                    else
                        PutRightAligned(field, width, FixedText(v, f.decimals));
                } else if (IsWideInteger(f)) {
                    // The lowest value is a number like any other here: a
                    // field too narrow for its digits shows "*".
                    int64_t v;
                    std::memcpy(&v, binary + pos, 8);
                    PutWhole(field, width, v);
                } else {
                    int32_t v;
                    std::memcpy(&v, binary + pos, 4);
                    PutWhole(field, width, v);
                }
                break;
            }
            case 'L':
                std::memset(field, ' ', width);
                if (width > 0) field[0] = binary[pos] ? 'T' : 'F';
                break;
            case 'M': {
                int32_t ref;
                std::memcpy(&ref, binary + pos, 4);
                if (ref == 0)
                    std::memset(field, ' ', width);
                else
                    PutWhole(field, width, ref);
                break;
            }
            default: std::memset(field, ' ', width);
        }
        pos += BinaryFieldSize(f);
    }
}

}  // namespace veldrim
