#pragma once
// Text conversion for the screen and CAD files, plain-ASCII transliteration,
// and the small string helpers used on the program's 8-bit texts (code page
// 850 bytes). Positions are 1-based where the helpers take positions.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace veldrim {

// The program-wide display conversion (code page 850 to Windows-1252, or
// plain ASCII with the code-page option 1).
std::string DisplayText(std::string_view s);
std::string ConvertForDisplay(std::string_view s);
// Code page 850 -> Windows-1252 and back, same length; characters the target
// lacks get the nearest plain sign (box drawing '|', '+', '-', shades '#').
std::string OemToWin(std::string_view s);
std::string WinToOem(std::string_view s);
std::string WinToOemText(std::string_view s);
// Umlauts and special signs spelled in plain ASCII ("ü" -> "ue", "°" -> "deg").
std::string TransliterateOem(std::string_view s);
// The fixed character table of the screen: letters to their Windows-1252
// forms, box drawing to '|', '+' and '-'.
std::string OemToWinTable(std::string_view s);
// A text for a CAD file by the CAD text character set.
std::string ConvertCadText(std::string_view s);
std::string ReplaceBarChar(std::string_view s);
// & < > as character references (HTML texts that come from data).
std::string HtmlEscape(std::string_view s);

// Case of the ASCII letters a..z only; every other byte stays. Safe on texts
// of any code page (the program's code page 850 texts, file names). The table
// engine's Windows-1252 case rules are UpperWin1252 and LowerWin1252.
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);
constexpr char UpperAsciiChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char LowerAsciiChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string PadRight(std::string_view s, int width);
std::string PadLeft(std::string_view s, int width);
std::string LeftStr(std::string_view s, int n);
std::string RightStr(std::string_view s, int n);
std::string TrimBoth(std::string_view s);
void TrimInPlace(std::string& s);
void DeleteBlanks(std::string& s);
std::string WithoutBlanks(std::string_view s);
void ReplaceChar(char c, char by, std::string& s);
std::string LineBreaksToBlanks(std::string_view s);
std::string PointToComma(std::string_view s);
std::string CommaToPoint(std::string_view s);
// Overlapping occurrences of sub in s, at most 255.
int CountSubstr(std::string_view sub, std::string_view s);
int CountChar(char c, std::string_view s);
bool ContainsText(std::string_view sub, std::string_view s);
// src over dest from the 1-based position pos when it fits; else dest unchanged.
void OverwriteAt(std::string_view src, std::string& dest, int pos);
int LetterCode(int n);
std::string ShortenMiddle(std::string_view s, int width);
std::string ShortenWithDots(std::string_view s, int width);
// Breaks s into the five line buffers at the separator; lines is the count
// used, maxLen the longest piece. A text needing more than five lines puts
// the rest into the fifth.
void WrapToLines(std::string_view s, char sep, int width, int& lines, int& maxLen);
// Owned copies of a fixed list of texts (start-up values kept as views).
template <std::size_t N>
std::array<std::string, N> StringsOf(const std::array<std::string_view, N>& texts) {
    std::array<std::string, N> out;
    for (std::size_t i = 0; i < N; ++i) out[i] = texts[i];
    return out;
}

// The program's command-line parameters (set once by the program's main).
void SetProgramParams(int argc, const char* const* argv);
bool HasParam(std::string_view name);
// How many parameters the program was started with (0 without any).
int ProgramParamCount();
std::string GetEnvVar(const std::string& name);

}  // namespace veldrim
