// The work-area dataset: the Tzi record interface on one engine work area.

#include "tables/datasets/tz_dataset.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <utility>

#include "foundation/codepage.h"
#include "foundation/text_conv.h"
#include "tables/datasets/dataset_unit.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/navigation.h"
#include "tables/engine/number_digits.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

namespace {

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

// Days from 1 March of year 0 (proleptic Gregorian) of a civil date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Day 0 of the date scale, 30 December 1899, in days since 1 January 1970.
const int64_t kScaleBase = DaysFromCivil(1899, 12, 30);

std::string Digits(int64_t v, int width) {
    std::string s = std::to_string(v);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}

// v as the table shows it with `decimals` places, read back.
double RoundedToDecimals(double v, int decimals) {
    if (!std::isfinite(v)) return 0;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return v;
    double back = v;
    std::from_chars(buf, r.ptr, back);
    return back;
}

}  // namespace

bool EngineShowsMessageBoxes() { return ErrorState.reportAtOnce && !ErrorState.raiseOnError; }

std::string LockRefusedMessage(const std::string& operation) {
    std::string outcome;
    if (operation == "Post" || operation == "Insert") {
        outcome = operation == "Post" ? std::string("Die Änderung"_cp850) : "Der neue Datensatz";
        outcome +=
            " ist nicht gespeichert und bleibt erhalten: bitte erneut speichern, sobald das "
            "andere Programm die Tabelle freigegeben hat.";
    } else if (operation == "Delete") {
        outcome = "Der Datensatz ist nicht gelöscht."_cp850;
    } else {
        outcome = "Der Datensatz ist nicht restauriert.";
    }
    return "Sperren fehlgeschlagen [" + operation +
           "]\r\nDie Tabelle ist von einem anderen Programm gesperrt. " + outcome;
}

double DaysFromDigits(const std::string& t) {
    if (t.size() < 8) return 0;
    for (int i = 0; i < 8; ++i)
        if (t[i] < '0' || t[i] > '9') return 0;
    const int y = std::stoi(t.substr(0, 4)), m = std::stoi(t.substr(4, 2)),
              d = std::stoi(t.substr(6, 2));
    if (m < 1 || m > 12 || d < 1 || d > 31) return 0;
    return static_cast<double>(
        DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) - kScaleBase);
}

std::string DigitsFromDays(double days) {
    if (days == 0 || !std::isfinite(days)) return {};
    const int64_t z0 = static_cast<int64_t>(std::floor(days)) + kScaleBase + 719468;
    const int64_t era = (z0 >= 0 ? z0 : z0 - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z0 - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
    if (y < 1 || y > 9999) return {};
    return Digits(y, 4) + Digits(m, 2) + Digits(d, 2);
}

double ReadEngineDate(const std::string& textIn, bool lenient) {
    std::string t = textIn;
    t.erase(0, std::min(t.find_first_not_of(' '), t.size()));
    if (t.size() > 10) t.resize(10);
    if (TrimBoth(t).empty() || TrimRight(t) == TrimRight(BlankDate(DateFormat))) return 0;
    std::string digits;
    if (DateTextToDigits(t, digits)) return DaysFromDigits(digits);
    if (!lenient) return 0;
    // The program's own form of a date, YYYY-MM-DD.
    const std::string u = TrimBoth(textIn);
    if (u.size() == 10 && u[4] == '-' && u[7] == '-') {
        const std::string d = u.substr(0, 4) + u.substr(5, 2) + u.substr(8, 2);
        const double v = DaysFromDigits(d);
        if (v != 0 && DigitsFromDays(v) == d) return v;
    }
    throw EDatabaseError(" Invalid date " + textIn + "  " + PlatformShortDateFormat() + "  " +
                         PlatformShortDateFormat() + "  \"" + (DateFormat == 3 ? "-" : "/") +
                         "\" " + (SetCentury ? "Wahr" : "Falsch") + "  " +
                         std::to_string(DateFormat));
}

void SetEngineDateFormatFromPlatform(const std::string& fmt) {
    const std::string upper = UpperAscii(fmt);
    int engine = 0;
    if (!fmt.empty() && (fmt[0] == 'D' || fmt[0] == 'd')) {
        const char sep = upper.find('-') != std::string::npos   ? '-'
                         : upper.find('.') != std::string::npos ? '.'
                                                                : '/';
        engine = sep == '-' ? 3 : sep == '.' ? 5 : 2;
    } else if (!fmt.empty() && (fmt[0] == 'Y' || fmt[0] == 'y')) {
        engine = 1;
    }
    SetDateFormat(engine);
    SetCentury = upper.find("YYYY") != std::string::npos;
}

bool CheckFieldDefinition(TFieldEntry& f, const std::string& component, std::string* message) {
    const TFieldEntry old = f;
    f.type = static_cast<char>(f.type >= 'a' && f.type <= 'z' ? f.type - 32 : f.type);
    if (f.type == 'B' || f.type == 'G' || f.type == 'P') f.type = 'M';
    if (std::string("CDFLMN").find(f.type) == std::string::npos) f.type = 'C';
    if (f.type == 'N' || f.type == 'F') {
        if (f.length >= 21) f.length = 20;
        if (f.decimals >= 19) f.decimals = 18;
        // A number needs room for its point and one digit before it.
        if (f.decimals != 0 && f.length - f.decimals < 2)
            f.decimals = static_cast<uint8_t>(std::max(0, f.length - 2));
    }
    if (f.type == 'C') {
        if (f.length >= 255) f.length = 254;
        f.decimals = 0;
    }
    const bool changed = f.type != old.type || f.length != old.length || f.decimals != old.decimals;
    if (changed && message) {
        *message = "Invalid field definition for " + component + ": " + old.name + "," +
                   std::string(1, old.type) + "," + std::to_string(old.length) + "," +
                   std::to_string(old.decimals) + ". Will use corrected definition: " + f.name +
                   "," + std::string(1, f.type) + "," + std::to_string(f.length) + "," +
                   std::to_string(f.decimals);
    }
    return changed;
}

// ---- TTzDataSet ---------------------------------------------------------------------------------

TTzDataSet::TTzDataSet(std::string name) : TTzPrimDataset(std::move(name)) {}
TTzDataSet::~TTzDataSet() = default;

int TTzDataSet::EngineCode() { return ErrorState.pendingErrorCode; }

TFieldEntry TTzDataSet::CheckedField(TFieldEntry f) const {
    std::string msg;
    if (CheckFieldDefinition(f, Name(), &msg) && EngineShowsMessageBoxes())
        EngineMessageBox(msg, "", 0);
    return f;
}

void TTzDataSet::SetDbfFileName(const std::string& nameIn) {
    const bool wasActive = Active();
    if (wasActive) Close();
    std::string name = TrimBoth(nameIn);
    const auto slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!name.empty() && base.find('.') == std::string::npos) name += ".DBF";
    dbfFileName_ = name;
    AfterChangeHook();
    if (wasActive && !name.empty()) Open();
}

void TTzDataSet::SetHideDeletedRecs(bool on) {
    hideDeleted_ = on;
    if (!Active() || !SelectForOperation("SetHideDeletedRecs")) return;
    UpdateCursorPosition();
    SetIgnoreDel(on);
    EnsureVisibleRecord();
    RefreshAfterMove();
}

bool TTzDataSet::SelectForOperation(const std::string& operation) {
    if (area_ == 0 || !WorkAreas[area_]) {
        SetError(1103, "Datenbank ist nicht offen [" + Name() + "." + operation + "]");
        return false;
    }
    if (CurrentArea != area_) Select(area_);
    AnsiTables = TableLanguage == tlAnsi;
    return true;
}

bool TTzDataSet::s_IsEmptyDbf() {
    if (!SelectForOperation("s_IsEmptyDbf")) return true;
    return dBOF() && dEOF();
}

bool TTzDataSet::IsEmptyQuery() { return s_IsEmptyDbf(); }

bool TTzDataSet::IsDeleted() const {
    return Active() && ActiveRecordNumber() > 0 && !ActiveBuffer().empty() &&
           ActiveBuffer()[0] != 0;
}

void TTzDataSet::SetDeleted(bool deleted) {
    if (IsDeleted() == deleted) return;
    if (deleted) {
        if (ActiveRecordNumber() > 0) Delete();
        return;
    }
    CheckActive();
    if (State() == TDataSetState::dsInsert || State() == TDataSetState::dsSetKey) {
        Cancel();
        return;
    }
    CheckBrowseMode();
    if (BeforeRestore) BeforeRestore(*this);
    UpdateCursorPosition();
    if (!SelectForOperation("SetDeleted")) Check(kTziLockRefused);
    if (!s_RestoreWithLock()) Check(Refused("Restore"));
    Resync();
    if (AfterRestore) AfterRestore(*this);
}

void TTzDataSet::RefreshAfterMove() {
    if (EngineCode() != 0) return;
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert) {
        // The edit is dropped without going back: the engine has moved.
        InternalCancel();
        SetStateBrowse();
    }
    if (s_IsEmptyDbf()) {
        beforeFirst_ = afterLast_ = true;
        ClearBuffers();
    } else {
        beforeFirst_ = afterLast_ = false;
        Resync();
    }
    DoAfterScroll();
}

void TTzDataSet::FollowEngineVerb(const std::function<void()>& verb,
                                  const std::function<void()>& follow) {
    std::exception_ptr raised;
    try {
        verb();
    } catch (const EDurazError&) {
        raised = std::current_exception();
    }
    if (!raised && ErrorState.lastErrorCode == 0 && ErrorState.pendingErrorCode == 0) {
        follow();
        return;
    }
    const uint16_t last = std::exchange(ErrorState.lastErrorCode, 0);
    const uint16_t pending = std::exchange(ErrorState.pendingErrorCode, 0);
    std::string context = std::exchange(ErrorState.contextText, {});
    try {
        follow();
    } catch (const EDurazError&) {
    } catch (const EDatabaseError&) {
    }
    ErrorState.lastErrorCode = last;
    ErrorState.pendingErrorCode = pending;
    ErrorState.contextText = std::move(context);
    if (raised) std::rethrow_exception(raised);
}

void TTzDataSet::FlushActiveRecord() {
    if (State() == TDataSetState::dsInsert) {
        CopyOut(ActiveBuffer().data(), 0);
    } else {
        UpdateCursorPosition();
    }
}

void TTzDataSet::SetFilterText(const std::string& expression) {
    CheckBrowseMode();
    if (!SelectForOperation("SetFilter")) return;
    if (!SetFilterExpression(expression)) return;
    filter_ = TrimBoth(expression);
    UpdateCursorPosition();
    SKIP(0);
    EnsureVisibleRecord();
    RefreshAfterMove();
}

void TTzDataSet::Post() {
    if (State() != TDataSetState::dsEdit && State() != TDataSetState::dsInsert &&
        State() != TDataSetState::dsSetKey)
        return;
    TTzPrimDataset::Post();
    if (s_IsEmptyDbf()) Resync();
}

// ---- field properties and definitions

void TTzDataSet::BuildFieldProps() {
    props_.items.clear();
    const TWorkArea* a = CurrentWorkArea();
    if (!a) return;
    for (const TFieldEntry& raw : a->fields) {
        TFieldEntry f = CheckedField(raw);
        if (MemoLess() && f.type == 'M') {
            f.type = 'N';
            f.length = 10;
            f.decimals = 0;
        }
        props_.items.push_back({f.name, f.type, f.length, f.decimals, raw.offset, raw.length});
    }
}

void TTzDataSet::InternalInitFieldDefs() {
    fieldDefs_.clear();
    int size = 1;
    for (int n = 1; n <= props_.Count(); ++n) {
        const TDTField& p = props_.items[static_cast<std::size_t>(n - 1)];
        TFieldDef d;
        d.name = p.name;
        d.fieldNo = n;
        d.decimals = p.decimals;
        switch (p.type) {
            case 'C':
                d.type = TFieldType::ftString;
                d.dataSize = p.length + 1;
                d.size = p.length;
                break;
            case 'D':
                d.type = TFieldType::ftDate;
                d.dataSize = 8;
                break;
            case 'N':
            case 'F':
                d.size = p.length;
                if (p.decimals > 0) {
                    d.type = TFieldType::ftFloat;
                    d.dataSize = 8;
                } else {
                    TFieldEntry e;
                    e.type = p.type;
                    e.length = static_cast<uint16_t>(p.length);
                    const bool wide = IsWideInteger(e);
                    d.type = wide ? TFieldType::ftLargeint : TFieldType::ftInteger;
                    d.dataSize = wide ? 8 : 4;
                }
                break;
            case 'L':
                d.type = TFieldType::ftBoolean;
                d.dataSize = 2;
                break;
            case 'M':
                d.type = TFieldType::ftMemo;
                d.dataSize = 4;
                break;
            default: continue;
        }
        if (p.name.empty()) continue;
        d.offset = size;
        size += d.dataSize + ExtraBytes(d);
        fieldDefs_.push_back(d);
    }
}

bool TTzDataSet::IsNumberDef(const TFieldDef& d) {
    return d.type == TFieldType::ftFloat || d.type == TFieldType::ftInteger ||
           d.type == TFieldType::ftLargeint;
}

namespace {
// The mark after a number field's value (see the header).
enum : uint8_t { kNumberValue = 0, kNumberStars = 1, kNumberDigits = 2 };
}  // namespace

int TTzDataSet::ExtraBytes(const TFieldDef& d) const {
    if (!IsNumberDef(d)) return 0;
    const auto i = static_cast<std::size_t>(d.fieldNo - 1);
    const int stored = i < props_.items.size() ? props_.items[i].storedLength : 0;
    return 2 + std::clamp(std::max(stored, d.size), 0, 255);
}

std::string TTzDataSet::StoredDigits(const TFieldDef& d) const {
    const std::string stored = AllTrim(StoredFieldText(d.fieldNo));
    const int room = ExtraBytes(d) - 2;
    if (stored.empty() || static_cast<int>(stored.size()) > room) return {};
    const FieldNumberDigits digits = DigitsForField(stored, room, d.decimals);
    switch (digits.kind) {
        case FieldNumberDigits::fits: return digits.digits;
        case FieldNumberDigits::tooWide: return stored;  // more places than the field's
        case FieldNumberDigits::noNumber: break;
    }
    return {};
}

int TTzDataSet::TziRecordSize() {
    int size = 1;
    std::vector<TFieldDef> saved = fieldDefs_;
    InternalInitFieldDefs();
    for (const TFieldDef& d : fieldDefs_) size += d.dataSize + ExtraBytes(d);
    fieldDefs_ = std::move(saved);
    return size;
}

std::string TTzDataSet::ErrorTextOf(int code) {
    const std::string msg = TakeErrorMessage();
    return msg.empty() ? ErrorText(static_cast<uint16_t>(code)) : msg;
}

// ---- record copies

void TTzDataSet::CopyIn(uint8_t* buffer) {
    buffer[0] = Deleted() ? 1 : 0;
    for (const TFieldDef& d : fieldDefs_) {
        uint8_t* p = buffer + d.offset;
        const int n = d.fieldNo;
        if (IsNumberDef(d)) {
            const bool stars = FieldHoldsOverWide(n);
            const std::string digits = stars ? std::string() : StoredDigits(d);
            // A blank field is shown blank and, given no value, stays blank:
            // its digits are none.
            const std::string stored = stars ? std::string() : StoredFieldText(n);
            const bool blank =
                !stored.empty() && stored.find_first_not_of(' ') == std::string::npos;
            p[d.dataSize] = stars                      ? kNumberStars
                            : digits.empty() && !blank ? kNumberValue
                                                       : kNumberDigits;
            p[d.dataSize + 1] = static_cast<uint8_t>(digits.size());
            std::memcpy(p + d.dataSize + 2, digits.data(), digits.size());
        }
        switch (d.type) {
            case TFieldType::ftString: {
                std::string t = BinaryText(n);
                if (static_cast<int>(t.size()) > d.size) t.resize(static_cast<std::size_t>(d.size));
                p[0] = static_cast<uint8_t>(t.size());
                std::memcpy(p + 1, t.data(), t.size());
                break;
            }
            case TFieldType::ftDate: {
                const double v = ReadEngineDate(BinaryText(n), false);
                std::memcpy(p, &v, 8);
                break;
            }
            case TFieldType::ftFloat: {
                // Rounded to the field's decimals, as the table shows it.
                const double v = RoundedToDecimals(BinaryNumber(n), d.decimals);
                std::memcpy(p, &v, 8);
                break;
            }
            case TFieldType::ftInteger: {
                const int32_t v = static_cast<int32_t>(BinaryInteger(n));
                std::memcpy(p, &v, 4);
                break;
            }
            case TFieldType::ftLargeint: {
                const int64_t v = BinaryInteger(n);
                std::memcpy(p, &v, 8);
                break;
            }
            case TFieldType::ftBoolean:
                p[0] = BinaryLogical(n) ? 1 : 0;
                p[1] = 0;
                break;
            case TFieldType::ftMemo: {
                const int32_t v =
                    FieldType(n) == 'M' ? BinaryMemoRef(n) : static_cast<int32_t>(BinaryInteger(n));
                std::memcpy(p, &v, 4);
                break;
            }
        }
    }
}

void TTzDataSet::CopyOut(const uint8_t* buffer, int fieldNo, bool onlyChanged) {
    SetBinaryDeleted(buffer[0] != 0);
    for (const TFieldDef& d : fieldDefs_) {
        if (fieldNo != 0 && d.fieldNo != fieldNo) continue;
        const uint8_t* p = buffer + d.offset;
        const int n = d.fieldNo;
        if (IsNumberDef(d) && p[d.dataSize] != kNumberValue) {
            // A number stored as "*" and given no value stays so; digits
            // are written as they are, unless the engine record holds them.
            const bool storedOverWide = FieldHoldsOverWide(n);
            if (p[d.dataSize] == kNumberStars) {
                if (!storedOverWide) SetBinaryNumber(n, HUGE_VAL);
            } else {
                const std::string digits(reinterpret_cast<const char*>(p) + d.dataSize + 2,
                                         p[d.dataSize + 1]);
                if (!onlyChanged || storedOverWide || StoredDigits(d) != digits)
                    SetStoredNumberText(n, digits);
            }
            if (fieldNo != 0) break;
            continue;
        }
        if (IsNumberDef(d)) {
            // A number given a value is written, also when it reads as the 0
            // the stars do.
            if (onlyChanged && !FieldHoldsOverWide(n) && NumberUnchanged(d, p)) continue;
        }
        switch (d.type) {
            case TFieldType::ftString: {
                const std::string t(reinterpret_cast<const char*>(p + 1), p[0]);
                // A text the dataset holds shortened (a field longer than
                // 254) is written only when it was changed.
                std::string stored = BinaryText(n);
                if (static_cast<int>(stored.size()) > d.size)
                    stored.resize(static_cast<std::size_t>(d.size));
                if (TrimRight(stored) != TrimRight(t)) SetBinaryText(n, t);
                break;
            }
            case TFieldType::ftDate: {
                double v;
                std::memcpy(&v, p, 8);
                if (onlyChanged && ReadEngineDate(BinaryText(n), false) == v) break;
                const std::string digits = DigitsFromDays(v);
                std::string text = v == 0 ? BlankDate(DateFormat) : DigitsToDate(digits);
                std::string check;
                if (v != 0 && (digits.empty() || !DateTextToDigits(text, check))) {
                    EngineMessageBox(kUnstorableDateText, "", 0);
                    text = BlankDate(DateFormat);
                }
                SetBinaryText(n, TrimRight(text));
                break;
            }
            case TFieldType::ftFloat: {
                double v;
                std::memcpy(&v, p, 8);
                SetBinaryNumber(n, v);
                break;
            }
            case TFieldType::ftInteger: {
                int32_t v;
                std::memcpy(&v, p, 4);
                SetBinaryInteger(n, v);
                break;
            }
            case TFieldType::ftLargeint: {
                int64_t v;
                std::memcpy(&v, p, 8);
                SetBinaryInteger(n, v);
                break;
            }
            case TFieldType::ftBoolean:
                if (onlyChanged && BinaryLogical(n) == (p[0] != 0)) break;
                SetBinaryLogical(n, p[0] != 0);
                break;
            case TFieldType::ftMemo: {
                int32_t v;
                std::memcpy(&v, p, 4);
                if (FieldType(n) == 'M') {
                    if (onlyChanged && BinaryMemoRef(n) == v) break;
                    SetBinaryMemoRef(n, v);
                } else {
                    if (onlyChanged && BinaryInteger(n) == v) break;
                    SetBinaryInteger(n, v);
                }
                break;
            }
        }
        if (fieldNo != 0) break;
    }
}

// True when the number in the buffer is the one the engine record holds.
// A field that stores digits holds them, whatever their count: the number
// is unchanged when it writes the same digits, never because it reads as
// the same double or 64-bit whole number (20 nines read as the largest
// 64-bit number). Otherwise the number as CopyIn gives it.
bool TTzDataSet::NumberUnchanged(const TFieldDef& d, const uint8_t* p) {
    const int n = d.fieldNo;
    double number = 0;
    int64_t whole = 0;
    switch (d.type) {
        case TFieldType::ftFloat: std::memcpy(&number, p, 8); break;
        case TFieldType::ftInteger: {
            int32_t v;
            std::memcpy(&v, p, 4);
            whole = v;
            break;
        }
        case TFieldType::ftLargeint: std::memcpy(&whole, p, 8); break;
        default: return false;
    }
    const bool isFloat = d.type == TFieldType::ftFloat;
    if (const std::string stored = StoredDigits(d); !stored.empty()) {
        const FieldNumberDigits given =
            DigitsForField(isFloat ? FixedText(number, d.decimals) : std::to_string(whole),
                           ExtraBytes(d) - 2, d.decimals);
        return given.kind == FieldNumberDigits::fits && given.digits == stored;
    }
    if (isFloat) return RoundedToDecimals(BinaryNumber(n), d.decimals) == number;
    if (d.type == TFieldType::ftInteger) return static_cast<int32_t>(BinaryInteger(n)) == whole;
    return BinaryInteger(n) == whole;
}

// ---- the Tzi record interface

int TTzDataSet::TziSetToBegin() {
    if (!SelectForOperation("TziSetToBegin")) return EngineCode();
    GoFirst();
    beforeFirst_ = true;
    afterLast_ = false;
    return EngineCode();
}

int TTzDataSet::TziSetToEnd() {
    if (!SelectForOperation("TziSetToEnd")) return EngineCode();
    GoLast();
    afterLast_ = true;
    beforeFirst_ = false;
    return EngineCode();
}

int TTzDataSet::TziOpen() {
    if (dbfFileName_.empty() && NeedsFileName()) return kTziNoFileName;
    props_.items.clear();
    if (area_ != 0 && WorkAreas[area_]) Select(area_);
    if (EngineCode() != 0) return EngineCode();
    AnsiTables = TableLanguage == tlAnsi;
    if (!OpenTable() || !CurrentWorkArea()) {
        const int code = EngineCode();
        return code != 0 ? code : kTziOpenFailed;
    }
    SetIgnoreDel(hideDeleted_);
    area_ = CurrentArea;
    BuildFieldProps();
    beforeFirst_ = afterLast_ = false;
    return kTziOk;
}

void TTzDataSet::TziClose() {
    if (area_ != 0 && WorkAreas[area_]) {
        Select(area_);
        CloseHook();
        if (!filter_.empty()) SetFilterExpression("");
        CloseArea();
    }
    filter_.clear();
    area_ = 0;
}

int32_t TTzDataSet::TziGetRecordCount() {
    if (!SelectForOperation("TziGetRecordCount")) return 0;
    return RecCount();
}

int TTzDataSet::TziForceReread() {
    if (!SelectForOperation("TziForceReread")) return EngineCode();
    SKIP(0);
    return EngineCode();
}

int TTzDataSet::TziAppendRecord(const uint8_t* buffer) {
    if (!SelectForOperation("TziAppendRecord")) return EngineCode();
    std::vector<uint8_t> copy(buffer, buffer + ActiveBuffer().size());
    copy[0] = 0;
    CopyOut(copy.data(), 0);
    if (!s_AppendWithLock()) return Refused("Insert");
    beforeFirst_ = afterLast_ = false;
    return EngineCode();
}

int TTzDataSet::TziInsertRecord(const uint8_t* buffer) { return TziAppendRecord(buffer); }

int TTzDataSet::TziDeleteCurrent() {
    if (!SelectForOperation("TziDeleteCurrent")) return EngineCode();
    if (!s_DeleteWithLock()) return Refused("Delete");
    return EngineCode();
}

int TTzDataSet::Refused(const char* operation) {
    if (EngineCode() != 0) return EngineCode();
    if (!lockRefused_) return kTziLockRefused;
    throw EDatabaseError(LockRefusedMessage(operation));
}

int TTzDataSet::TziInitRecord() {
    if (!SelectForOperation("TziInitRecord")) return EngineCode();
    ClearRecord();
    return EngineCode();
}

int TTzDataSet::TziModifyRecord(const uint8_t* buffer) {
    if (beforeFirst_) return kTziBeforeFirst;
    if (afterLast_) return kTziAfterLast;
    if (!SelectForOperation("TziModifyRecord")) return EngineCode();
    CopyOut(buffer, 0, true);
    if (!s_ReplaceWithLock()) return Refused("Post");
    return EngineCode();
}

int TTzDataSet::TziGetRecord(uint8_t* buffer, int32_t& recNo) {
    if (beforeFirst_) return kTziBeforeFirst;
    if (afterLast_) return kTziAfterLast;
    if (!SelectForOperation("TziGetRecord")) return EngineCode();
    if (veldrim::RecNo() < 1 || veldrim::RecNo() > RecCount()) return kTziAfterLast;
    if (buffer) {
        SKIP(0);
        if (EngineCode() != 0) return EngineCode();
        CopyIn(buffer);
    }
    recNo = veldrim::RecNo();
    return kTziOk;
}

int TTzDataSet::TziGetNextRecord(uint8_t* buffer, int32_t& recNo) {
    if (afterLast_) return kTziAfterLast;
    if (!SelectForOperation("TziGetNextRecord")) return EngineCode();
    if (beforeFirst_) {
        SKIP(0);
        beforeFirst_ = false;
    } else if (!dEOF()) {
        SKIP(1);
    }
    if (EngineCode() != 0) return EngineCode();
    if (dEOF()) {
        if (!dBOF()) SKIP(-1);
        afterLast_ = true;
        return kTziAfterLast;
    }
    if (buffer) CopyIn(buffer);
    recNo = veldrim::RecNo();
    return kTziOk;
}

int TTzDataSet::TziGetPriorRecord(uint8_t* buffer, int32_t& recNo) {
    if (beforeFirst_) return kTziBeforeFirst;
    if (!SelectForOperation("TziGetPriorRecord")) return EngineCode();
    if (afterLast_) {
        SKIP(0);
        afterLast_ = false;
    } else if (!dBOF()) {
        SKIP(-1);
    }
    if (EngineCode() != 0) return EngineCode();
    if (dBOF() || RecCount() == 0 || dEOF()) {
        beforeFirst_ = true;
        return kTziBeforeFirst;
    }
    if (buffer) CopyIn(buffer);
    recNo = veldrim::RecNo();
    return kTziOk;
}

bool TTzDataSet::TziGetField(const TField& f, const uint8_t* buffer, void* dest) {
    if (!dest) return true;
    const TFieldDef& d = f.Def();
    const uint8_t* p = buffer + d.offset;
    std::memset(dest, 0, static_cast<std::size_t>(d.dataSize));
    switch (d.type) {
        case TFieldType::ftDate: {
            double v;
            std::memcpy(&v, p, 8);
            if (v == 0) return false;
            std::memcpy(dest, &v, 8);
            return true;
        }
        case TFieldType::ftString: {
            const std::string t =
                TrimRight(std::string(reinterpret_cast<const char*>(p + 1), p[0]));
            std::memcpy(dest, t.data(), t.size());
            return true;
        }
        default: std::memcpy(dest, p, static_cast<std::size_t>(d.dataSize)); return true;
    }
}

int TTzDataSet::TziPutField(const TField& f, uint8_t* buffer, const void* src) {
    const TFieldDef& d = f.Def();
    uint8_t* p = buffer + d.offset;
    // A number given a value (or cleared) is no longer the stored "*".
    if (IsNumberDef(d)) p[d.dataSize] = 0;
    if (!src) {
        std::memset(p, 0, static_cast<std::size_t>(d.dataSize));
    } else if (d.type == TFieldType::ftString) {
        const char* s = static_cast<const char*>(src);
        const std::size_t n = strnlen(s, static_cast<std::size_t>(d.size));
        p[0] = static_cast<uint8_t>(n);
        std::memcpy(p + 1, s, n);
    } else {
        std::memcpy(p, src, static_cast<std::size_t>(d.dataSize));
    }
    if (!SelectForOperation("TziPutField")) return EngineCode();
    CopyOut(buffer, d.fieldNo);
    return EngineCode();
}

bool TTzDataSet::TziFieldOverWide(const TField& f, const uint8_t* buffer) {
    const TFieldDef& d = f.Def();
    return IsNumberDef(d) && d.offset > 0 && buffer[d.offset + d.dataSize] == kNumberStars;
}

int TTzDataSet::TziPutNumberText(const TField& f, uint8_t* buffer, const std::string& text) {
    const TFieldDef& d = f.Def();
    if (!IsNumberDef(d)) return kTziOk;
    uint8_t* p = buffer + d.offset;
    // A blank is a field without digits; a text that is no number the
    // field refuses before it comes here.
    FieldNumberDigits digits = TypedDigitsForField(text, d.size, d.decimals);
    if (TrimBoth(text).empty())
        digits = {FieldNumberDigits::fits, {}};
    else if (digits.kind == FieldNumberDigits::noNumber)
        return kTziOk;
    std::memset(p, 0, static_cast<std::size_t>(d.dataSize));
    p[d.dataSize] = kNumberStars;
    p[d.dataSize + 1] = 0;
    if (digits.kind == FieldNumberDigits::fits) {
        // The value as near as its form holds it, for calculations.
        double v = 0;
        ParseNumberText(digits.digits, v);
        if (d.type == TFieldType::ftFloat) {
            std::memcpy(p, &v, 8);
        } else if (d.type == TFieldType::ftInteger) {
            const int32_t i = SaturatedWhole<int32_t>(v);
            std::memcpy(p, &i, 4);
        } else {
            int64_t i = 0;
            const char* end = digits.digits.data() + digits.digits.size();
            if (std::from_chars(digits.digits.data(), end, i).ec != std::errc())
                i = SaturatedWhole<int64_t>(v);
            std::memcpy(p, &i, 8);
        }
        p[d.dataSize] = kNumberDigits;
        p[d.dataSize + 1] = static_cast<uint8_t>(digits.digits.size());
        std::memcpy(p + d.dataSize + 2, digits.digits.data(), digits.digits.size());
    }
    if (!SelectForOperation("TziPutField")) return EngineCode();
    CopyOut(buffer, d.fieldNo);
    return EngineCode();
}

bool TTzDataSet::TziNumberText(const TField& f, const uint8_t* buffer, std::string& text) {
    const TFieldDef& d = f.Def();
    if (!IsNumberDef(d) || d.offset <= 0) return false;
    const uint8_t* p = buffer + d.offset;
    if (p[d.dataSize] == kNumberStars) {
        text.assign(static_cast<std::size_t>(std::max(d.size, 1)), '*');
        return true;
    }
    if (p[d.dataSize] != kNumberDigits) return false;
    text.assign(reinterpret_cast<const char*>(p) + d.dataSize + 2, p[d.dataSize + 1]);
    return true;
}

int TTzDataSet::SafeGo(int32_t n) {
    if (!SelectForOperation("SafeGo")) return EngineCode();
    if (!GoIfValid(n)) return TziSetToEnd();
    beforeFirst_ = afterLast_ = false;
    return kTziOk;
}

// The engine holds its own copy of a record being edited or inserted: every
// field put into the dataset's buffer goes into the area's binary record at
// once. A visit of another record reads that record into the area, so the
// area's record, its binary record and the cursor are kept and put back.
std::function<void()> TTzDataSet::KeepEngineEdit() {
    if (!SelectForOperation("KeepEngineEdit")) return TTzPrimDataset::KeepEngineEdit();
    const TWorkArea* a = CurrentWorkArea();
    const int32_t at = veldrim::RecNo();
    std::vector<uint8_t> raw = a->recordBuffer;
    std::vector<uint8_t> binary;
    if (const uint8_t* b = FieldAddress(0)) binary.assign(b, b + a->binaryRecordSize);
    std::vector<uint8_t> fieldSet = a->fieldSet;
    const bool before = beforeFirst_, after = afterLast_;
    return [this, at, raw = std::move(raw), binary = std::move(binary),
            fieldSet = std::move(fieldSet), before, after] {
        if (!SelectForOperation("KeepEngineEdit")) return;
        GoIfValid(at);
        TWorkArea* w = CurrentWorkArea();
        if (w->recordBuffer.size() == raw.size()) {
            w->recordBuffer = raw;
            NoteRawRecordChanged(*w);
        }
        uint8_t* b = FieldAddress(0);
        if (b && binary.size() == w->binaryRecordSize) {
            std::memcpy(b, binary.data(), binary.size());
            MarkBinaryRecordCurrent(*w);
            // The fields given a value in the edit are still the given ones.
            if (fieldSet.size() == w->fieldSet.size()) w->fieldSet = fieldSet;
        }
        beforeFirst_ = before;
        afterLast_ = after;
    };
}

int TTzDataSet::TziGoToRecord(int32_t n) { return SafeGo(n); }
int TTzDataSet::TziSetToBookmark(TBookmark b) { return SafeGo(b); }

TBookmark TTzDataSet::TziGetBookmark() {
    if (!SelectForOperation("TziSetToBookmark")) return 0;
    return veldrim::RecNo();
}

int TTzDataSet::TziLocate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                          TLocateOptions options) {
    if (!SelectForOperation("TziLocate")) return EngineCode();
    if (!LocateByFields(keyFields, values, options.caseInsensitive, true, !options.partialKey))
        return kTziAfterLast;
    beforeFirst_ = afterLast_ = false;
    return kTziOk;
}

}  // namespace veldrim

namespace veldrim {

// ---- TTzDateField -------------------------------------------------------------------------------

std::string TTzDateField::AsString() const {
    double v = 0;
    if (!GetData(&v) || v == 0) return {};
    std::string text = DigitsToDate(DigitsFromDays(v));
    std::string check = text.substr(0, 10);
    std::string digits;
    if (DateTextToDigits(check, digits)) text = check;
    return text;
}

double DaysOfTypedDate(const std::string& s) {
    std::string t = s;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    std::string blank = BlankDate(DateFormat);
    while (!blank.empty() && blank.back() == ' ') blank.pop_back();
    if (t.empty() || t == blank) return 0;
    return ReadEngineDate(s, true);
}

void TTzDateField::SetAsString(const std::string& s) {
    const double v = DaysOfTypedDate(s);
    if (v == 0) {
        Clear();
        return;
    }
    SetData(&v);
}

}  // namespace veldrim
