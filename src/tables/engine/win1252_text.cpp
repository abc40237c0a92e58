// Text and number helpers of the table engine on its in-memory Windows-1252
// texts: trimming, case, searching, padding and the number texts of the
// table layer (locale-free, with the engine's decimal separator).
#include "tables/engine/win1252_text.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "tables/engine/engine_dates.h"

namespace veldrim {

std::string TrimRightStr(const std::string& s) {
    std::size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(0, e);
}

std::string TrimLeftStr(const std::string& s) {
    std::size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    return s.substr(b);
}

std::string AllTrim(const std::string& s) { return TrimLeftStr(TrimRightStr(s)); }

char UpperWin1252Char(char c) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
    switch (b) {
        case 0x9A: return static_cast<char>(0x8A);
        case 0x9C: return static_cast<char>(0x8C);
        case 0x9E: return static_cast<char>(0x8E);
        case 0xFF: return static_cast<char>(0x9F);
        default: return c;
    }
}

char LowerWin1252Char(char c) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
    if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
    switch (b) {
        case 0x8A: return static_cast<char>(0x9A);
        case 0x8C: return static_cast<char>(0x9C);
        case 0x8E: return static_cast<char>(0x9E);
        case 0x9F: return static_cast<char>(0xFF);
        default: return c;
    }
}

std::string UpperWin1252(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = UpperWin1252Char(c);
    return r;
}

std::string LowerWin1252(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = LowerWin1252Char(c);
    return r;
}

bool IsAlphaChar(char c) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) return true;
    if (b >= 0xC0 && b != 0xD7 && b != 0xF7) return true;
    return b == 0x83 || b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C ||
           b == 0x9E || b == 0x9F || b == 0xAA || b == 0xB5 || b == 0xBA;
}

bool IsAlphaStr(const std::string& s) { return !s.empty() && IsAlphaChar(s[0]); }

int CountOccurrences(const std::string& sub, const std::string& s) {
    if (sub.empty() || s.empty()) return 0;
    int n = 0;
    for (std::size_t p = s.find(sub); p != std::string::npos; p = s.find(sub, p + sub.size())) ++n;
    return n;
}

int AtOccurrence(int n, const std::string& sub, const std::string& s) {
    if (n == 0 || sub.empty() || s.empty()) return 0;
    if (n > 0) {
        std::size_t p = std::string::npos, from = 0;
        for (int k = 0; k < n; ++k) {
            p = s.find(sub, from);
            if (p == std::string::npos) return 0;
            from = p + 1;
        }
        return static_cast<int>(p) + 1;
    }
    std::string rs(s.rbegin(), s.rend()), rsub(sub.rbegin(), sub.rend());
    std::size_t p = std::string::npos, from = 0;
    for (int k = 0; k < -n; ++k) {
        p = rs.find(rsub, from);
        if (p == std::string::npos) return 0;
        from = p + 1;
    }
    return static_cast<int>(s.size() - (p + sub.size())) + 1;
}

std::string ReplicateChar(char c, int n) { return n < 1 ? std::string() : std::string(n, c); }

std::string PadRightStr(const std::string& s, int n) {
    if (n < 1 || static_cast<int>(s.size()) >= n) return s;
    return s + std::string(n - s.size(), ' ');
}

int FindInBuffer(const char* a, int lenA, const char* b, int lenB) {
    if (lenA <= 0 || lenB <= 0 || lenA > lenB) return 0;
    for (int i = 0; i + lenA <= lenB; ++i) {
        int k = 0;
        while (k < lenA && UpperWin1252Char(a[k]) == UpperWin1252Char(b[i + k])) ++k;
        if (k == lenA) return i + 1;
    }
    return 0;
}

int NumTextToInt(const std::string& in) {
    std::string s = in;
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    const char thousands = DecimalSeparator == '.' ? ',' : '.';
    std::string t;
    for (char c : s) {
        if (c == thousands || c == '$') continue;
        if (c == ' ') break;
        t += c;
    }
    std::size_t i = 0;
    std::string digits;
    if (i < t.size() && t[i] == '-') digits += t[i++];
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') digits += t[i++];
    if (digits.empty() || digits == "-") return 0;
    long long v = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (digits.size() > 18) v = digits[0] == '-' ? -99999 : 99999;
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    return static_cast<int>(v);
}

void CleanNumberText(std::string& s) {
    std::string t;
    for (char c : s)
        if (c != '$') t += c;
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '+')) ++i;
    t.erase(0, i);
    bool neg = false;
    if (!t.empty() && t[0] == '-') {
        std::size_t k = 1;
        while (k < t.size() && (t[k] == ' ' || t[k] == '+' || t[k] == '-')) ++k;
        t.erase(0, k);
        if (t.empty()) {
            s.clear();
            return;
        }
        neg = true;
    }
    if (DecimalSeparator != '.') {
        std::string u;
        bool first = true;
        for (char c : t) {
            if (c == '.') continue;
            if (c == DecimalSeparator && first) {
                u += '.';
                first = false;
                continue;
            }
            u += c;
        }
        t = u;
    } else {
        std::string u;
        for (char c : t)
            if (c != ',') u += c;
        t = u;
    }
    if (!t.empty() && t[0] == '.') t.insert(t.begin(), '0');
    std::string r;
    for (char c : t) {
        if ((c >= '0' && c <= '9') || c == '.')
            r += c;
        else
            break;
    }
    if (!r.empty() && r.back() == '.') r.pop_back();
    s = (neg && !r.empty()) ? "-" + r : r;
}

double CleanTextToFloat(const std::string& in) {
    std::string s = in;
    CleanNumberText(s);
    double v = 0;
    if (!s.empty()) std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

int64_t CleanTextToInt(const std::string& in) {
    std::string s = in;
    CleanNumberText(s);
    s = s.substr(0, s.find('.'));
    int64_t v = 0;
    if (!s.empty()) std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

std::string FixedText(double value, int decimals) {
    char buf[512];
    if (!std::isfinite(value)) return "*";
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return "*";
    std::string s(buf, r.ptr);
    if (s.rfind("-0", 0) == 0 && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string FormatFloatStr(int width, int decimals, double value) {
    std::string s = FixedText(value, decimals);
    if (decimals > 0 && DecimalSeparator != '.') {
        auto p = s.find('.');
        if (p != std::string::npos) s[p] = DecimalSeparator;
    }
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), ' ');
    return s;
}

std::string IntToStrWidth(int64_t value, int width) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), ' ');
    return s;
}

bool ParseNumberText(std::string_view s, double& value) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    value = 0;
    if (s.empty()) return true;
    if (s[0] == '+') s.remove_prefix(1);
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range) return false;
    if (ec != std::errc()) {
        value = 0;
        return false;
    }
    return p == s.data() + s.size();
}

std::size_t ClauseKeywordStart(const std::string& clause) {
    const auto separator = clause.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

bool StripKeyword(const std::string& keyword, std::string& clause) {
    // The keyword is matched without regard to case; the rest of the clause
    // keeps its case (file names are case-sensitive on this system).
    const std::string up = UpperWin1252(clause);
    const std::string key = UpperWin1252(keyword);
    const std::size_t from = ClauseKeywordStart(clause);
    bool removed = false;
    std::string out;
    std::size_t i = 0;
    while (i < clause.size()) {
        if (i >= from && !key.empty() && up.compare(i, key.size(), key) == 0) {
            std::size_t end = i + key.size();
            bool before =
                key[0] == ' ' || i == 0 ||
                !(IsAlphaChar(up[i - 1]) || std::isdigit(static_cast<unsigned char>(up[i - 1])) ||
                  up[i - 1] == '_');
            char next = end < up.size() ? up[end] : ' ';
            bool after =
                !(IsAlphaChar(next) || (next >= '0' && next <= '9') || next == '_' || next == '\\');
            if (before && after) {
                removed = true;
                i = end;
                out += ' ';
                continue;
            }
        }
        out += clause[i++];
    }
    clause = AllTrim(out);
    return removed;
}

}  // namespace veldrim
