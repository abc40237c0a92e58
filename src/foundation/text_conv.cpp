#include "foundation/text_conv.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

unsigned char U(char c) { return static_cast<unsigned char>(c); }

// Code page 850 box drawing and block characters have no Windows-1252 form;
// the screen and CAD texts show them as the nearest plain sign.
char PlainSignForBox(unsigned char b) {
    switch (b) {
        case 196:
        case 205: return '-';
        case 179:
        case 180:
        case 185:
        case 186:
        case 195:
        case 204: return '|';
        case 187:
        case 188:
        case 191:
        case 192:
        case 193:
        case 194:
        case 197:
        case 200:
        case 201:
        case 202:
        case 203:
        case 206:
        case 217:
        case 218: return '+';
        case 176:
        case 177:
        case 178:
        case 219:
        case 220:
        case 223:
        case 254: return '#';
        case 213: return 'i';  // dotless i
        case 242: return '=';  // double low line
        default: return '?';
    }
}

// The fixed screen table: index is the code page 850 byte, 0 means unchanged.
constexpr std::array<unsigned char, 256> MakeScreenTable() {
    std::array<unsigned char, 256> t{};
    // Letters and signs: their Windows-1252 characters.
    const int letters[] = {129, 130, 132, 134, 142, 143, 148, 153, 154, 160,
                           161, 162, 163, 164, 225, 230, 241, 248, 252, 253,
                           181, 182, 184, 190, 198, 199, 209, 211, 214, 215};
    for (int b : letters) t[b] = static_cast<unsigned char>(UnicodeToWin1252(kCp850ToUnicode[b]));
    for (int b : {179, 180, 185, 186, 195, 197, 204}) t[b] = '|';
    for (int b : {187, 188, 191, 192, 200, 201, 206, 217, 218}) t[b] = '+';
    t[196] = '-';
    t[205] = '-';
    return t;
}
constexpr auto kScreenTable = MakeScreenTable();

std::vector<std::string>& ProgramParams() {
    static std::vector<std::string> params;
    return params;
}

}  // namespace

// A file name with letters code page 850 lacks shows them on the screen
// where its Windows code page has them.
std::string DisplayText(std::string_view s) {
    if (s.find(kCarriedLetterMark) == std::string_view::npos) return ConvertForDisplay(s);
    return Cp850CarriedToWin1252(s, ConvertForDisplay);
}

std::string ConvertForDisplay(std::string_view s) {
    if (codePageOption != 1) return OemToWin(s);
    return OemToWinTable(TransliterateOem(s));
}

std::string OemToWin(std::string_view s) {
    std::string out(s.size(), '\0');
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char b = U(s[i]);
        const int w = UnicodeToWin1252(kCp850ToUnicode[b]);
        out[i] = w >= 0 ? static_cast<char>(w) : PlainSignForBox(b);
    }
    return out;
}

std::string WinToOem(std::string_view s) { return Win1252ToCp850(s, '?'); }

std::string WinToOemText(std::string_view s) { return WinToOem(s); }

std::string TransliterateOem(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (char c : s) {
        switch (U(c)) {
            case 129: out += "ue"; break;
            case 130: out += 'e'; break;
            case 132: out += "ae"; break;
            case 142: out += "Ae"; break;
            case 148: out += "oe"; break;
            case 153: out += "Oe"; break;
            case 154: out += "Ue"; break;
            case 160: out += 'a'; break;
            case 163: out += 'u'; break;
            case 164: out += 'n'; break;
            case 196: out += '-'; break;
            case 205: out += '-'; break;
            case 225: out += "ss"; break;
            case 230: out += 'u'; break;
            case 241: out += "+/-"; break;
            case 248: out += "deg"; break;
            case 253: out += '2'; break;
            default: out += c;
        }
    }
    return out;
}

std::string OemToWinTable(std::string_view s) {
    std::string in = codePageOption == 1 ? TransliterateOem(s) : std::string(s);
    for (char& c : in) {
        const unsigned char t = kScreenTable[U(c)];
        if (t != 0) c = static_cast<char>(t);
    }
    return in;
}

std::string ConvertCadText(std::string_view shown) {
    // A file takes the replacement for a letter its code page lacks.
    const std::string s = DropCarriedLetters(shown);
    switch (cadTextCharacterSet) {
        case 2: return DisplayText(s);
        case 3: return TransliterateOem(s);
        default: return s;
    }
}

std::string ReplaceBarChar(std::string_view s) { return std::string(s); }

std::string UpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = UpperAsciiChar(c);
    return out;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAsciiChar(c);
    return out;
}

std::string PadRight(std::string_view s, int width) {
    if (width <= 0) return {};
    std::string out(s.substr(0, static_cast<std::size_t>(width)));
    out.resize(static_cast<std::size_t>(width), ' ');
    return out;
}

std::string PadLeft(std::string_view s, int width) {
    std::string t = TrimBoth(s);
    if (width <= 0) return {};
    const auto w = static_cast<std::size_t>(width);
    if (t.size() >= w) return t.substr(0, w);
    return std::string(w - t.size(), ' ') + t;
}

std::string LeftStr(std::string_view s, int n) {
    if (n <= 0) return {};
    return std::string(s.substr(0, static_cast<std::size_t>(n)));
}

std::string RightStr(std::string_view s, int n) {
    if (n <= 0) return {};
    const auto k = std::min(s.size(), static_cast<std::size_t>(n));
    return std::string(s.substr(s.size() - k));
}

std::string TrimBoth(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

void TrimInPlace(std::string& s) { s = TrimBoth(s); }

void DeleteBlanks(std::string& s) { s.erase(std::remove(s.begin(), s.end(), ' '), s.end()); }

std::string WithoutBlanks(std::string_view s) {
    std::string out(s);
    DeleteBlanks(out);
    return out;
}

void ReplaceChar(char c, char by, std::string& s) { std::replace(s.begin(), s.end(), c, by); }

std::string LineBreaksToBlanks(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string PointToComma(std::string_view s) {
    std::string out(s);
    ReplaceChar('.', ',', out);
    return out;
}

std::string CommaToPoint(std::string_view s) {
    std::string out(s);
    ReplaceChar(',', '.', out);
    return out;
}

int CountSubstr(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    int n = 0;
    for (auto pos = s.find(sub); pos != std::string_view::npos && n < 255;
         pos = s.find(sub, pos + 1))
        ++n;
    return n;
}

int CountChar(char c, std::string_view s) {
    return static_cast<int>(std::count(s.begin(), s.end(), c));
}

bool ContainsText(std::string_view sub, std::string_view s) {
    return s.find(sub) != std::string_view::npos;
}

void OverwriteAt(std::string_view src, std::string& dest, int pos) {
    const long last = static_cast<long>(dest.size()) - static_cast<long>(src.size()) + 1;
    if (pos < 1 || pos > last) return;
    dest.replace(static_cast<std::size_t>(pos - 1), src.size(), src);
}

int LetterCode(int n) { return n + 64; }

std::string ShortenMiddle(std::string_view s, int width) {
    if (static_cast<long>(s.size()) < width) return std::string(s);
    if (width < 11) return LeftStr(s, width);
    const int k = width / 2 - 2;
    return LeftStr(s, k) + "__" + RightStr(s, k);
}

std::string ShortenWithDots(std::string_view s, int width) {
    if (static_cast<long>(s.size()) <= width) return std::string(s);
    const int n = std::max(width / 2 - 3, 0);
    return LeftStr(s, n) + " ... " + RightStr(s, n + 1);
}

void WrapToLines(std::string_view s, char sep, int width, int& lines, int& maxLen) {
    lines = 0;
    maxLen = 1;
    std::string rest(s);
    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 1;
    do {
        ++lines;
        std::size_t len = rest.size();
        if (rest.size() > w && lines < kLineBufferCount) {
            len = w;
            // A separator exactly at position width is not used as a break.
            for (std::size_t p = w - 1; p >= 1; --p) {
                if (rest[p - 1] == sep) {
                    len = p;
                    break;
                }
            }
        }
        maxLen = std::max(maxLen, static_cast<int>(len));
        lineBuffers[lines] = rest.substr(0, len);
        rest.erase(0, len);
    } while (!rest.empty());
}

void SetProgramParams(int argc, const char* const* argv) {
    auto& params = ProgramParams();
    params.clear();
    for (int i = 1; i < argc; ++i) params.emplace_back(argv[i]);
}

bool HasParam(std::string_view name) {
    const std::string want = UpperAscii(name);
    for (const auto& p : ProgramParams())
        if (UpperAscii(p) == want) return true;
    return false;
}

int ProgramParamCount() { return static_cast<int>(ProgramParams().size()); }

std::string GetEnvVar(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? std::string(v) : std::string();
}

std::string HtmlEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace veldrim
