#include "foundation/codepage.h"

#include <cctype>

namespace veldrim {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string ToUtf8(std::string_view bytes, const char16_t (&table)[256]) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) AppendUtf8(out, table[static_cast<unsigned char>(c)]);
    return out;
}

// Decodes UTF-8 leniently: a malformed sequence counts as one unknown character.
template <class Encode>
std::string FromUtf8(std::string_view s, char replacement, Encode encode) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = 0;
        std::size_t len = 0;
        if (!DecodeUtf8At(s, i, cp, len)) {
            out += replacement;
            ++i;
            continue;
        }
        int b = encode(cp);
        out += b < 0 ? replacement : static_cast<char>(b);
        i += len;
    }
    return out;
}

}  // namespace

std::string Cp850ToUtf8(std::string_view oem) { return ToUtf8(oem, kCp850ToUnicode); }

std::string Utf8ToCp850Carried(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        std::size_t len = 0;
        if (!DecodeUtf8At(utf8, i, cp, len)) {
            out += '?';
            ++i;
            continue;
        }
        i += len;
        const int b = UnicodeToCp850(cp);
        if (b >= 0 && cp != static_cast<char32_t>(kCarriedLetterMark)) {
            out += static_cast<char>(b);
            continue;
        }
        std::string hex;
        for (char32_t v = cp; v != 0 || hex.empty(); v >>= 4)
            hex.insert(hex.begin(), kHex[v & 0xF]);
        out += kCarriedLetterMark + hex + ';';
    }
    return out;
}

namespace {

// The carried letter that starts at oem[i] (the mark, 1 to 6 hex digits and
// ';'): its code point and the index after it; false when none starts there.
bool CarriedLetterAt(std::string_view oem, std::size_t i, char32_t& cp, std::size_t& next) {
    if (oem[i] != kCarriedLetterMark) return false;
    cp = 0;
    std::size_t k = i + 1;
    while (k < oem.size() && k - i <= 6 && std::isxdigit(static_cast<unsigned char>(oem[k]))) {
        const char c = oem[k];
        cp = cp * 16 + static_cast<char32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
        ++k;
    }
    if (k == i + 1 || k >= oem.size() || oem[k] != ';' || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    next = k + 1;
    return true;
}

// ToUtf8 that turns carried letters back into the letters.
std::string ToUtf8Carried(std::string_view bytes, const char16_t (&table)[256]) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        if (std::size_t next = 0; CarriedLetterAt(bytes, i, cp, next)) {
            AppendUtf8(out, cp);
            i = next;
            continue;
        }
        AppendUtf8(out, table[static_cast<unsigned char>(bytes[i])]);
        ++i;
    }
    return out;
}

}  // namespace

std::string Cp850ToUtf8Carried(std::string_view oem) { return ToUtf8Carried(oem, kCp850ToUnicode); }

std::string Cp850CarriedToWin1252(std::string_view oem, std::string (*plain)(std::string_view)) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < oem.size();) {
        char32_t cp = 0;
        if (std::size_t next = 0; CarriedLetterAt(oem, i, cp, next)) {
            out += plain(oem.substr(start, i - start));
            if (const int b = UnicodeToWin1252(cp); b >= 0)
                out += static_cast<char>(b);
            else
                out += oem.substr(i, next - i);  // stays carried for the screen
            i = start = next;
            continue;
        }
        ++i;
    }
    return out + plain(oem.substr(start));
}

std::string Win1252ToUtf8Carried(std::string_view ansi) {
    return ToUtf8Carried(ansi, kWin1252ToUnicode);
}

std::string DropCarriedLetters(std::string_view oem) {
    std::string out;
    out.reserve(oem.size());
    for (std::size_t i = 0; i < oem.size();) {
        char32_t cp = 0;
        if (std::size_t next = 0; CarriedLetterAt(oem, i, cp, next)) {
            out += '?';
            i = next;
            continue;
        }
        out += oem[i++];
    }
    return out;
}

std::string Win1252ToUtf8(std::string_view ansi) { return ToUtf8(ansi, kWin1252ToUnicode); }

std::string Utf8ToCp850(std::string_view utf8, char replacement) {
    return FromUtf8(utf8, replacement, [](char32_t cp) { return UnicodeToCp850(cp); });
}

std::string Utf8ToWin1252(std::string_view utf8, char replacement) {
    return FromUtf8(utf8, replacement, [](char32_t cp) { return UnicodeToWin1252(cp); });
}

std::string Cp850ToWin1252(std::string_view oem, char replacement) {
    std::string out(oem.size(), '\0');
    for (std::size_t i = 0; i < oem.size(); ++i) {
        int b = UnicodeToWin1252(kCp850ToUnicode[static_cast<unsigned char>(oem[i])]);
        out[i] = b < 0 ? replacement : static_cast<char>(b);
    }
    return out;
}

std::string Win1252ToCp850(std::string_view ansi, char replacement) {
    std::string out(ansi.size(), '\0');
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        int b = UnicodeToCp850(kWin1252ToUnicode[static_cast<unsigned char>(ansi[i])]);
        out[i] = b < 0 ? replacement : static_cast<char>(b);
    }
    return out;
}

}  // namespace veldrim
