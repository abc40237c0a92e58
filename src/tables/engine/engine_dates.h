#pragma once
// Date formats, the century window and the calendar functions of the table
// engine (its text and number helpers are in win1252_text.h).
//
// Date texts are for display, input and conversion; inside table files dates
// are always YYYYMMDD. The "neutral form" is MM/DD/YY or MM/DD/YYYY.
//
//   index  picture          separator  language
//   0      MM/dd/yy(yy)     /          English (US) and every other
//   1      yy(yy).MM.dd     .          only through SetDateFormat
//   2      dd/MM/yy         /          English, other countries
//   3      dd-MM-yy         -          Italian
//   4..8   dd.MM.yy         .          French, German, Spanish, French (CA), Russian
//
// Day and month names are stored in code page 850 (Russian in code page 866)
// and returned without conversion.

#include <cstdint>
#include <string>
#include <string_view>

namespace veldrim {

// Engine settings (set by SetLanguageDefaults).
extern int EngineLanguage;     // 0..8
extern int DateFormat;         // 0..8
extern bool SetCentury;        // four-digit years in date texts
extern char DecimalSeparator;  // "." or ","
extern char ThousandsSeparator;
extern int PivotYear;             // current year - 70
extern std::string LogicalTexts;  // false/true letters, default "NY"

int SystemLanguage();
void SetLanguageDefaults();
void SetDateFormat(int fmt);
// The short date picture of the current format (e.g. "dd.MM.yy").
std::string ShortDatePicture();

int CenturyBase(const std::string& yy);
std::string CenturyOf(const std::string& yy);
std::string ExpandYear(const std::string& y);

std::string BlankDate(int fmt);
std::string FormatDateText(const std::string& neutral);
// Day, month and year texts in the order and with the separators of the date
// format in force.
std::string ArrangeDate(const std::string& dd, const std::string& mm, const std::string& yy);
std::string ParseDateText(const std::string& text);
bool IsDateValid(std::string& s);
std::string DateToDigits(const std::string& text);
std::string DigitsToDate(const std::string& digits);
// A date text in the current format as YYYYMMDD; false for a blank or
// invalid date (two-digit years widened by the century window).
bool DateTextToDigits(const std::string& text, std::string& digits);
int DayOfWeek(const std::string& neutral);
std::string CDOW(const std::string& neutral);
std::string CMONTH(const std::string& neutral);
int MonthOf(const std::string& neutral);
int DayOf(const std::string& neutral);
int YearOf(const std::string& neutral);
bool IsLeapYear(int y);
int64_t FloorMod(int64_t a, int64_t b);
void GetToday(int& year, int& month, int& day, int& dayOfWeek);
uint32_t TickCount();
uint32_t TickSeconds();

void ResetEngineDates();

}  // namespace veldrim
