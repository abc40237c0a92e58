// Date formats, century window and calendar functions of the table engine.
#include "tables/engine/engine_dates.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <limits>
#include <vector>

#include "foundation/codepage.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

namespace {

// The values before the engine start; the start (ResetEngineDates) takes the
// language, the separators and the pivot year from the system and the clock.
struct EngineDateDefaults {
    int EngineLanguage = 0;
    int DateFormat = 0;
    bool SetCentury = false;
    char DecimalSeparator = '.';
    char ThousandsSeparator = ',';
    int PivotYear = 1956;
    std::string_view LogicalTexts = "NY";
};
constexpr EngineDateDefaults kDefaults{};

}  // namespace

int EngineLanguage = kDefaults.EngineLanguage;
int DateFormat = kDefaults.DateFormat;
bool SetCentury = kDefaults.SetCentury;
char DecimalSeparator = kDefaults.DecimalSeparator;
char ThousandsSeparator = kDefaults.ThousandsSeparator;
int PivotYear = kDefaults.PivotYear;
std::string LogicalTexts{kDefaults.LogicalTexts};

namespace {

int CurrentYear() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_year + 1900;
}

std::string YearBlanks() { return SetCentury ? "    " : "  "; }

char SeparatorOf(int fmt) {
    switch (fmt) {
        case 0:
        case 2: return '/';
        case 3: return '-';
        default: return '.';
    }
}

std::string PadLeft0(std::string s, std::size_t n) {
    while (s.size() < n) s.insert(s.begin(), '0');
    return s;
}

int ToInt(const std::string& s) {
    int v = 0;
    auto t = AllTrim(s);
    if (t.empty()) return 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size()) return 0;
    return v;
}

// Splits a text at `sep` into three parts (missing parts empty).
void Split3(const std::string& s, char sep, std::string& a, std::string& b, std::string& c) {
    a.clear();
    b.clear();
    c.clear();
    std::string* parts[3] = {&a, &b, &c};
    int k = 0;
    for (char ch : s) {
        if (ch == sep && k < 2) {
            ++k;
            continue;
        }
        *parts[k] += ch;
    }
}

// Cyrillic names are kept in code page 866: А..П 0x80.., Р..Я 0x90..,
// а..п 0xA0.., р..я 0xE0...
std::string Cp866(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 < 0x80) {
            out += static_cast<char>(b0);
            ++i;
            continue;
        }
        char32_t cp = ((b0 & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
        i += 2;
        int b = '?';
        if (cp >= 0x410 && cp <= 0x42F)
            b = 0x80 + (cp - 0x410);
        else if (cp >= 0x430 && cp <= 0x43F)
            b = 0xA0 + (cp - 0x430);
        else if (cp >= 0x440 && cp <= 0x44F)
            b = 0xE0 + (cp - 0x440);
        out += static_cast<char>(b);
    }
    return out;
}

struct NameTable {
    int dayWidth;
    std::vector<std::string> days;
    int monthWidth;
    std::vector<std::string> months;
};

const NameTable& NamesOf(int fmt) {
    static const NameTable english{
        9,
        {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
        9,
        {"January", "February", "March", "April", "May", "June", "July", "August", "September",
         "October", "November", "December"}};
    static const NameTable italian{
        9,
        {"Domenica", "Lunedi", "Martedi", "Mercoledi", "Giovedi", "Venerdi", "Sabato"},
        9,
        {"Gennaio", "Febbraio", "Marzo", "Aprile", "Maggio", "Giugno", "Luglio", "Agosto",
         "Settembre", "Ottobre", "Novembre", "Dicembre"}};
    static const NameTable french{
        8,
        {"Dimanche", "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi"},
        9,
        {"Janvier", std::string("Février"_cp850), "Mars", "Avril", "Mai", "Juin", "Juillet",
         std::string("Août"_cp850), "Septembre", "Octobre", "Novembre",
         std::string("Décembre"_cp850)}};
    static const NameTable german{
        10,
        {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
        9,
        {"Januar", "Februar", std::string("März"_cp850), "April", "Mai", "Juni", "Juli", "August",
         "September", "Oktober", "November", "Dezember"}};
    static const NameTable spanish{
        9,
        {"Domingo", "Lunes", "Martes", "Miercoles", "Jueves", "Viernes", "Sabado"},
        10,
        {"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio", "Agosto", "Septiembre",
         "Octubre", "Noviembre", "Diciembre"}};
    static const NameTable russian{
        11,
        {Cp866("Воскресенье"), Cp866("Понедельник"), Cp866("Вторник"), Cp866("Среда"),
         Cp866("Четверг"), Cp866("Пятница"), Cp866("Суббота")},
        8,
        {Cp866("Январь"), Cp866("Февраль"), Cp866("Март"), Cp866("Апрель"), Cp866("Май"),
         Cp866("Июнь"), Cp866("Июль"), Cp866("Август"), Cp866("Сентябрь"), Cp866("Октябрь"),
         Cp866("Ноябрь"), Cp866("Декабрь")}};
    switch (fmt) {
        case 3: return italian;
        case 4:
        case 7: return french;
        case 5: return german;
        case 6: return spanish;
        case 8: return russian;
        default: return english;
    }
}

bool IsBlankDateText(const std::string& s) {
    for (char c : s)
        if (c != ' ' && c != '/' && c != '-' && c != '.' && c != '\0') return false;
    return true;
}

}  // namespace

int SystemLanguage() {
    const char* env = std::getenv("LC_ALL");
    if (!env || !*env) env = std::getenv("LC_TIME");
    if (!env || !*env) env = std::getenv("LANG");
    std::string l = env ? env : "";
    auto starts = [&](const char* p) { return l.rfind(p, 0) == 0; };
    if (starts("de")) return 5;
    if (starts("en")) return starts("en_US") || l == "en" ? 0 : 2;
    if (starts("es")) return 6;
    if (starts("fr")) return starts("fr_CA") ? 7 : 4;
    if (starts("it")) return 3;
    if (starts("ru")) return 8;
    return 0;
}

void SetLanguageDefaults() {
    EngineLanguage = SystemLanguage();
    DateFormat = EngineLanguage;
    if (EngineLanguage >= 3 && EngineLanguage <= 6) {
        DecimalSeparator = ',';
        ThousandsSeparator = '.';
    } else if (EngineLanguage == 8) {
        DecimalSeparator = '.';
        ThousandsSeparator = ' ';
    } else {
        DecimalSeparator = '.';
        ThousandsSeparator = ',';
    }
}

void SetDateFormat(int fmt) { DateFormat = (fmt < 0 || fmt >= 9) ? 0 : fmt; }

std::string ShortDatePicture() {
    std::string y = SetCentury ? "yyyy" : "yy";
    switch (DateFormat) {
        case 0: return "MM/dd/" + y;
        case 1: return y + ".MM.dd";
        case 2: return "dd/MM/" + y;
        case 3: return "dd-MM-" + y;
        default: return "dd.MM." + y;
    }
}

void ResetEngineDates() {
    SetLanguageDefaults();
    SetCentury = kDefaults.SetCentury;
    PivotYear = CurrentYear() - 70;
    LogicalTexts = kDefaults.LogicalTexts;
}

int CenturyBase(const std::string& yy) {
    const int p = PivotYear;
    return ToInt(yy) < p % 100 ? (p / 100) * 100 + 100 : (p / 100) * 100;
}

std::string CenturyOf(const std::string& yy) {
    return std::to_string(CenturyBase(yy)).substr(0, 2);
}

std::string ExpandYear(const std::string& y) {
    if (!SetCentury) return y;
    if (y.size() == 2) return CenturyOf(y) + y;
    return PadLeft0(y, 4);
}

std::string BlankDate(int fmt) {
    std::string yb = SetCentury ? "    " : "  ";
    const char s = SeparatorOf(fmt);
    if (fmt == 1) return yb + ".  .  ";
    return std::string("  ") + s + "  " + s + yb;
}

std::string FormatDateText(const std::string& neutralIn) {
    std::string neutral = neutralIn.substr(0, neutralIn.find('\0'));
    std::string m, d, y;
    Split3(neutral, '/', m, d, y);
    m = AllTrim(m);
    d = AllTrim(d);
    y = AllTrim(y);
    if (m.empty() && d.empty() && y.empty()) return BlankDate(DateFormat);
    return ArrangeDate(PadLeft0(d, 2), PadLeft0(m, 2), ExpandYear(PadLeft0(y, 2)));
}

std::string ArrangeDate(const std::string& dd, const std::string& mm, const std::string& yy) {
    switch (DateFormat) {
        case 0: return mm + "/" + dd + "/" + yy;
        case 1: return yy + "." + mm + "." + dd;
        case 2: return dd + "/" + mm + "/" + yy;
        case 3: return dd + "-" + mm + "-" + yy;
        // 7 and 8 share the day.month.year picture of 4..6, which is what the
        // date-text parser reads back for them.
        default: return dd + "." + mm + "." + yy;
    }
}

std::string ParseDateText(const std::string& text) {
    char sep;
    if (text.find('/') != std::string::npos)
        sep = '/';
    else if (text.find('-') != std::string::npos)
        sep = '-';
    else if (text.find('.') != std::string::npos)
        sep = '.';
    else
        return "  /  /";
    std::string a, b, c;
    Split3(text, sep, a, b, c);
    a = AllTrim(a);
    b = AllTrim(b);
    c = AllTrim(c);
    if (a.empty() && b.empty() && c.empty()) return "  /  /" + YearBlanks();
    std::string m, d, y;
    switch (DateFormat) {
        case 0:
            m = a;
            d = b;
            y = c;
            break;
        case 1:
            y = a;
            m = b;
            d = c;
            break;
        default:
            d = a;
            m = b;
            y = c;
            break;
    }
    return PadLeft0(m, 2) + "/" + PadLeft0(d, 2) + "/" + ExpandYear(PadLeft0(y, 2));
}

bool IsDateValid(std::string& s) {
    std::string t = AllTrim(s);
    if (IsBlankDateText(t)) {
        s = BlankDate(DateFormat);
        return true;
    }
    std::string n = ParseDateText(t);
    if ((n.size() != 8 && n.size() != 10) || n[2] != '/' || n[5] != '/') return false;
    for (std::size_t i = 0; i < n.size(); ++i)
        if (i != 2 && i != 5 && (n[i] < '0' || n[i] > '9')) return false;
    const int month = ToInt(n.substr(0, 2));
    const int day = ToInt(n.substr(3, 2));
    std::string ys = n.substr(6);
    int year = ToInt(ys);
    if (ys.size() == 2) year += CenturyBase(ys);
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    if (month == 2 && day > 29) return false;
    if ((month == 4 || month == 6 || month == 9 || month == 11) && day > 30) return false;
    if (month == 2 && day == 29 && !IsLeapYear(year)) return false;
    if (!SetCentury && ys.size() == 4) n = n.substr(0, 6) + ys.substr(2);
    s = FormatDateText(n);
    return true;
}

std::string DateToDigits(const std::string& text) {
    std::string t = AllTrim(text);
    if (IsBlankDateText(t)) return "        ";
    std::string n = ParseDateText(t);
    std::string m, d, y;
    Split3(n, '/', m, d, y);
    y = AllTrim(y);
    if (y.size() == 2) y = CenturyOf(y) + y;
    return PadLeft0(y, 4) + PadLeft0(AllTrim(m), 2) + PadLeft0(AllTrim(d), 2);
}

std::string DigitsToDate(const std::string& digits) {
    std::string_view t = digits;
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
    if (t.size() < 8) return BlankDate(DateFormat);
    const std::string y(SetCentury ? t.substr(0, 4) : t.substr(2, 2));
    const std::string m(t.substr(4, 2)), d(t.substr(6, 2));
    switch (DateFormat) {
        case 0: return m + "/" + d + "/" + y;
        case 1: return y + "." + m + "." + d;
        case 2: return d + "/" + m + "/" + y;
        case 3: return d + "-" + m + "-" + y;
        default: return d + "." + m + "." + y;
    }
}

bool DateTextToDigits(const std::string& text, std::string& digits) {
    // Fast path: the exact picture of the current format.
    const std::size_t n = text.size();
    if (n == 8 || n == 10) {
        const char sep = SeparatorOf(DateFormat);
        const std::size_t yl = n - 6;
        const bool yearFirst = DateFormat == 1;
        const std::size_t s1 = yearFirst ? yl : 2, s2 = s1 + 3;
        auto num = [&](std::size_t at, std::size_t len, int& v) {
            v = 0;
            for (std::size_t i = at; i < at + len; ++i) {
                if (text[i] < '0' || text[i] > '9') return false;
                v = v * 10 + (text[i] - '0');
            }
            return true;
        };
        int a, b, y;
        if (text[s1] == sep && text[s2] == sep && num(yearFirst ? yl + 1 : 0, 2, a) &&
            num(yearFirst ? yl + 4 : 3, 2, b) && num(yearFirst ? 0 : 6, yl, y)) {
            const int month = DateFormat == 0 || yearFirst ? a : b;
            const int day = DateFormat == 0 || yearFirst ? b : a;
            if (yl == 2) y += CenturyBase(text.substr(yearFirst ? 0 : 6, 2));
            static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
                (month == 2 && day == 29 && !IsLeapYear(y)))
                return false;
            const int parts[] = {y % 10000, month, day};
            const int widths[] = {4, 2, 2};
            digits.assign(8, '0');
            std::size_t at = 8;
            for (int k = 2; k >= 0; --k) {
                int v = parts[k];
                for (int w = 0; w < widths[k]; ++w, v /= 10)
                    digits[--at] = static_cast<char>('0' + v % 10);
            }
            return true;
        }
    }
    std::string s = text;
    if (AllTrim(s).empty() || !IsDateValid(s) || IsBlankDateText(AllTrim(s))) return false;
    digits = DateToDigits(s);
    return digits.size() == 8 && digits.find(' ') == std::string::npos;
}

int MonthOf(const std::string& n) { return n.size() >= 2 ? ToInt(n.substr(0, 2)) : 0; }
int DayOf(const std::string& n) { return n.size() >= 5 ? ToInt(n.substr(3, 2)) : 0; }
int YearOf(const std::string& n) { return n.size() >= 7 ? ToInt(n.substr(6)) : 0; }

bool IsLeapYear(int y) { return y % 400 == 0 || (y % 4 == 0 && y % 100 != 0); }

int64_t FloorMod(int64_t a, int64_t b) {
    int64_t r = a % b;
    if (r != 0 && ((r < 0) != (b < 0))) r += b;
    return r;
}

int DayOfWeek(const std::string& neutral) {
    int m = MonthOf(neutral), d = DayOf(neutral);
    std::string ys = neutral.size() >= 7 ? AllTrim(neutral.substr(6)) : "";
    int y = ToInt(ys);
    if (ys.size() <= 2) y += CenturyBase(ys);
    if (m < 3) {
        m += 12;
        y -= 1;
    }
    const int c = y / 100, yy = y % 100;
    int w = static_cast<int>(FloorMod(d + ((m + 1) * 26) / 10 + yy + yy / 4 + c / 4 - 2 * c, 7));
    return w == 0 ? 7 : w;
}

std::string CDOW(const std::string& neutral) {
    if (IsBlankDateText(neutral) || MonthOf(neutral) == 0) return std::string(10, ' ');
    const auto& t = NamesOf(DateFormat);
    return PadRightStr(t.days[DayOfWeek(neutral) - 1], t.dayWidth);
}

std::string CMONTH(const std::string& neutral) {
    const int m = MonthOf(neutral);
    if (IsBlankDateText(neutral) || m < 1 || m > 12) return std::string(9, ' ');
    const auto& t = NamesOf(DateFormat);
    return PadRightStr(t.months[m - 1], t.monthWidth);
}

void GetToday(int& year, int& month, int& day, int& dayOfWeek) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    year = tm.tm_year + 1900;
    month = tm.tm_mon + 1;
    day = tm.tm_mday;
    dayOfWeek = tm.tm_wday + 1;
}

uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
uint32_t TickSeconds() { return TickCount() / 1000; }

}  // namespace veldrim
