#pragma once
// Text and number helpers of the table engine. They work on the engine's
// in-memory texts, which are Windows-1252 bytes: case and letters follow the
// Windows-1252 rules; number texts use the engine's decimal separator and
// never the C locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace veldrim {

// Text helpers ("trim" removes blanks and control characters).
std::string TrimRightStr(const std::string& s);
std::string TrimLeftStr(const std::string& s);
inline std::string RTrim(const std::string& s) { return TrimRightStr(s); }
inline std::string LTrim(const std::string& s) { return TrimLeftStr(s); }
std::string AllTrim(const std::string& s);
// Upper / lower case by the Windows-1252 rules (accented letters included);
// UpperAscii and LowerAscii of the foundation change a..z only.
std::string UpperWin1252(const std::string& s);
std::string LowerWin1252(const std::string& s);
char UpperWin1252Char(char c);
char LowerWin1252Char(char c);
bool IsAlphaChar(char c);
bool IsAlphaStr(const std::string& s);
int CountOccurrences(const std::string& sub, const std::string& s);
int AtOccurrence(int n, const std::string& sub, const std::string& s);
std::string ReplicateChar(char c, int n);
std::string PadRightStr(const std::string& s, int n);
inline std::string ChooseStr(bool cond, const std::string& a, const std::string& b) {
    return cond ? a : b;
}
int FindInBuffer(const char* a, int lenA, const char* b, int lenB);
int NumTextToInt(const std::string& s);
void CleanNumberText(std::string& s);
double CleanTextToFloat(const std::string& s);
int64_t CleanTextToInt(const std::string& s);
std::string FormatFloatStr(int width, int decimals, double value);
std::string IntToStrWidth(int64_t value, int width);
bool StripKeyword(const std::string& keyword, std::string& clause);
// Where the keywords of a file clause may start: after the last path
// separator, so that the words of a folder's name ("/data/my exclusive",
// "/data/Virtual Files") stay part of the file name.
std::size_t ClauseKeywordStart(const std::string& clause);

// Number text of the table layer: fixed decimals, "." as point, no locale.
std::string FixedText(double value, int decimals);
// Reads a stored number text (leading blanks allowed); 0 for a blank text;
// false when the text is no number.
bool ParseNumberText(std::string_view s, double& value);

}  // namespace veldrim
