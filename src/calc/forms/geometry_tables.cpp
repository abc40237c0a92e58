// The two variant tables of the geometry: "Geometrie Auslegung" keeps the
// centre distance and varies the axial module, the worm's mean diameter or
// the mean lead angle; "Geometrie Nachrechnung" starts from module, lead
// angle, tooth numbers and shaft angle and designs the set from the lead
// angle. Both run in the online input dialog: every pass reads all inputs,
// applies the variant of the row the user left the dialog on, calculates,
// and shows the results beside the inputs.
//
// The table shows rounded texts. A text the user did not change is not read
// back: the data set keeps its exact value, so a typed value (a centre
// distance of 110) stays exactly what was typed, and values derived from it
// are never computed back from their rounded texts. A pass in which nothing
// was changed applies no variant and only calculates.

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "calc/design.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/online_dialog.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"

namespace veldrim {

namespace {

enum Highlight : int { kNone = 0, kYellow = 1, kRed = 3 };
enum Unit { kNoUnit, kLength, kDegree, kCount };  // kCount: a whole number, no unit

struct InputRow {
    const char* name;
    Unit unit;
    int highlight;
};

struct VariantTable {
    const char* caption;
    int helpBase;
    const InputRow* rows;
    int inputCount;
    void (*read)();  // changed inputs into the records (the variant rows excepted)
    // The variant of the row left on; a variant it cannot apply gives the
    // warning that says why (empty otherwise).
    std::string_view (*variant)(int row);
    void (*calculate)(bool changed);  // changed: an input text was changed
    void (*fill)();                   // records into the input texts
    void (*outputs)();
};

constexpr int kOutputCount = 11;

std::string UnitText(Unit unit) {
    switch (unit) {
        case kLength: return LengthUnit();
        case kDegree: return DegreeSign();
        default: return "";
    }
}

std::string& In(int row) { return onlineDialog.inputTexts[row]; }

bool AnyChanged(int inputCount) {
    for (int i = 1; i <= inputCount; ++i)
        if (InputChanged(i)) return true;
    return false;
}

// A row's value: what the user typed, or the record's exact value while the
// row's text is the one shown.
void Read(int row, Real& field, Real (*parse)(std::string_view)) {
    field = InputValue(row, field, parse);
}
void Read(int row, std::int32_t& field) {
    if (InputChanged(row)) field = TextToInt(In(row));
}
Real DegreesToRad(std::string_view s) { return DegToRad(TextToFloat(s)); }
void Output(int row, const char* name, Unit unit, const std::string& text) {
    onlineDialog.outputNames[row] = name;
    onlineDialog.outputUnits[row] = UnitText(unit);
    onlineDialog.outputTexts[row] = text;
}

// Rows 1 and 3..11 of the outputs are the same in both tables.
void CommonOutputs() {
    const WormGearRecord& w = wormGear;
    Output(1, "df1", kLength, FormatLength(w.df[1]));
    Output(3, "d2", kLength, FormatLength(w.d[2]));
    Output(4, "mn", kLength, FormatLength(w.mn));
    Output(5, "da1", kLength, FormatLength(w.da[1]));
    Output(6, "da2", kLength, FormatLength(w.da[2]));
    Output(7, "pz ", kLength, FormatLength(w.pz[1]));
    Output(8, "eta-z", kNoUnit, FormatNum(w.etaZ));
    Output(9, "SH 2", kNoUnit, FormatNum(gearPair.SH[2]));
    Output(10, "SF 2", kNoUnit, FormatNum(gearPair.SF[2]));
    Output(11, "al.n", kDegree, FormatNum(RadToDeg(w.alphaN)));
}

// A variant that cannot be applied leaves the records alone and says why,
// after the calculation (which starts a new message list).
constexpr std::string_view kNoThreads = "Warnung: z1 < 1 !";
constexpr std::string_view kNoWormDiameter = "Warnung: dm1 <= 0 !";
constexpr std::string_view kNoCentreDistance = "Warnung: a <= 0 !";

void RunVariantTable(const VariantTable& t) {
    OnlineDialogTables& d = onlineDialog;
    SetupOnlineDialog(t.caption, t.inputCount, kOutputCount);
    int row = 1;
    t.fill();
    KeepShownInputs();
    for (;;) {
        Ui().SetBusy(false);
        for (int i = 1; i <= t.inputCount; ++i) {
            d.inputNames[i] = t.rows[i - 1].name;
            d.inputUnits[i] = UnitText(t.rows[i - 1].unit);
            d.highlight[i] = t.rows[i - 1].highlight;
        }
        BeginOnlinePass();
        // A typed text that is no number keeps the row's value, and says so.
        for (int i = 1; i <= t.inputCount; ++i) {
            Real typed = 0;
            std::int64_t whole = 0;
            const bool valid =
                t.rows[i - 1].unit == kCount
                    ? ParseIntLine(In(i), whole) && whole >= INT32_MIN && whole <= INT32_MAX
                    : ParseRealLine(In(i), typed);
            if (InputChanged(i) && !valid) {
                ShowErrorBox(InvalidEntryText(In(i)));
                In(i) = onlineDialog.shownTexts[static_cast<std::size_t>(i)];
            }
        }
        const bool changed = AnyChanged(t.inputCount);
        std::string_view skipped;
        if (changed) {
            t.read();
            skipped = t.variant(row);
        }
        t.calculate(changed);
        if (!skipped.empty())
            AddMessage(std::string(skipped) + std::string(" Variante entfällt"_cp850));
        t.outputs();
        t.fill();
        KeepShownInputs();
        ShowDesignResultView();
        bool done = false;
        ShowOnlineDialog(row, t.helpBase, done);
        if (cancelFlag) break;
    }
    FinishOnlineDialog();
    RunCalculation();
}

// ---- Geometrie Auslegung ---------------------------------------------------------

constexpr InputRow kDesignRows[] = {
    {"al.0", kDegree, kNone},  {"a", kLength, kRed},        {"dm1/a", kNoUnit, kNone},
    {"z1", kCount, kNone},     {"z2", kCount, kNone},       {"x2", kNoUnit, kNone},
    {"b1", kLength, kNone},    {"b2", kLength, kNone},      {"mx", kLength, kYellow},
    {"dm1", kLength, kYellow}, {"gam.m", kDegree, kYellow},
};
enum DesignRow : int { kDesignModule = 9, kDesignWormDiameter = 10, kDesignLeadAngle = 11 };

void ReadDesignInputs() {
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    Read(1, w.alpha0, TextToFloat);
    Read(2, w.a, ParseLength);
    Read(3, w.dm1a, TextToFloat);
    Read(4, g.z[1]);
    Read(5, g.z[2]);
    Read(6, w.x[2], TextToFloat);
    Read(7, w.b[1], ParseLength);
    Read(8, w.b[2], ParseLength);
}

// Axial module entered: the lead angle follows from the worm diameter; the
// wheel's profile shift takes up the centre distance while it stays within
// -0.5 .. 1.0, otherwise the worm diameter does.
std::string_view DesignModuleVariant(Real mx) {
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    const Real z1 = g.z[1], z2 = g.z[2];
    if (z1 < 1) return kNoThreads;
    if (w.dm[1] <= 0) return kNoWormDiameter;
    if (w.a <= 0) return kNoCentreDistance;
    w.mx = mx;
    w.q = w.dm[1] / mx;
    w.gammaM = std::atan(z1 / w.q);
    w.mn = mx * std::cos(w.gammaM);
    w.m[2] = w.mn / std::cos(kPi / 2 - w.gammaM);
    w.dm[2] = z2 * w.m[2] / std::tan(kPi / 2 - w.gammaM);
    const Real x2 = w.a / mx - (w.dm[1] + w.dm[2]) / (2 * mx) - w.x[1];
    if (x2 > -0.5L && x2 < 1.0L) {
        w.x[2] = x2;
    } else {
        w.dm[1] = 2 * (w.a - (w.x[1] + w.x[2] + z2 / 2) * mx);
        w.dm1a = w.dm[1] / w.a;
    }
    return {};
}

std::string_view DesignVariant(int row) {
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    if (row == kDesignModule) {
        const Real mx = InputValue(row, w.mx, ParseLength);
        if (mx > 0) return DesignModuleVariant(mx);
    } else if (row == kDesignWormDiameter) {
        const Real dm1 = InputValue(row, w.dm[1], ParseLength);
        if (dm1 <= 0) return kNoWormDiameter;
        if (w.a <= 0) return kNoCentreDistance;
        w.dm[1] = dm1;
        w.dm1a = dm1 / w.a;
    } else if (row == kDesignLeadAngle) {
        w.gammaM = InputValue(row, w.gammaM, DegreesToRad);
        w.beta[2] = w.gammaM;
        const Real z1 = g.z[1];
        if (z1 < 1) return kNoThreads;
        if (w.a <= 0) return kNoCentreDistance;
        const Real sum = w.x[1] + w.x[2] + Real(g.z[2]) / 2;
        w.dm[1] = CheckedDiv("dm1", 2 * w.a, 1 + (2 * std::tan(w.gammaM) / z1) * sum);
        w.dm1a = w.dm[1] / w.a;
    }
    return {};
}

void FillDesign() {
    const GearPairRecord& g = gearPair;
    const WormGearRecord& w = wormGear;
    In(1) = FormatNumLong(w.alpha0);
    In(2) = FormatLengthDecimals(3, w.a);
    In(3) = FormatNumLong(w.dm1a);
    In(4) = IntText(g.z[1]);
    In(5) = IntText(g.z[2]);
    In(6) = FormatNumLong(w.x[2]);
    In(7) = FormatLength(w.b[1]);
    In(8) = FormatLength(w.b[2]);
    In(9) = FormatLength6(w.mx);
    In(10) = FormatLength6(w.dm[1]);
    In(11) = FormatNumLong(RadToDeg(w.gammaM));
}

void DesignOutputs() {
    CommonOutputs();
    Output(2, "q", kNoUnit, FormatNum(wormGear.q));
}

// ---- Geometrie Nachrechnung ------------------------------------------------------

constexpr InputRow kRecalcRows[] = {
    {"al.0", kDegree, kNone},  {"gam.m", kDegree, kNone}, {"m", kLength, kNone},
    {"z1", kCount, kNone},     {"z2", kCount, kNone},     {"x1", kNoUnit, kNone},
    {"x2", kNoUnit, kNone},    {"b1", kLength, kNone},    {"b2", kLength, kNone},
    {"dm1", kLength, kYellow}, {"Sigma", kDegree, kNone},
};
constexpr int kRecalcWormDiameter = 10;

void ReadRecalcInputs() {
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    Read(1, w.alpha0, TextToFloat);
    Read(2, w.gammaM, DegreesToRad);
    Read(3, w.mx, ParseLength);
    Read(4, g.z[1]);
    Read(5, g.z[2]);
    Read(6, w.x[1], TextToFloat);
    Read(7, w.x[2], TextToFloat);
    Read(8, w.b[1], ParseLength);
    Read(9, w.b[2], ParseLength);
    // The shaft angle comes only from its own row, never from a text an
    // earlier dialog left in a slot.
    Read(11, w.summa, DegreesToRad);
}

std::string_view RecalcVariant(int row) {
    WormGearRecord& w = wormGear;
    if (row != kRecalcWormDiameter) return {};
    const Real dm1 = InputValue(row, w.dm[1], ParseLength);
    if (dm1 <= 0) return kNoWormDiameter;
    const Real z1 = gearPair.z[1];
    if (z1 < 1) return kNoThreads;
    w.dm[1] = dm1;
    w.gammaM = std::atan(z1 * w.mx / dm1);
    return {};
}

void FillRecalc() {
    const GearPairRecord& g = gearPair;
    const WormGearRecord& w = wormGear;
    In(1) = FormatNum(w.alpha0);
    In(2) = FormatNum(RadToDeg(w.gammaM));
    In(3) = FormatLength6(w.mx);
    In(4) = IntText(g.z[1]);
    In(5) = IntText(g.z[2]);
    In(6) = FormatNum(w.x[1]);
    In(7) = FormatNum(w.x[2]);
    In(8) = FormatLength(w.b[1]);
    In(9) = FormatLength(w.b[2]);
    In(10) = FormatLength(w.dm[1]);
    In(11) = FormatNumLong(RadToDeg(w.summa));
}

void RecalcOutputs() {
    CommonOutputs();
    Output(2, "a", kLength, FormatLength(wormGear.a));
}

}  // namespace

void FillDesignInputs() { FillDesign(); }
void FillRecalcInputs() { FillRecalc(); }

void DesignGeometry() {
    RunVariantTable({"Geometrie Auslegung", 6000, kDesignRows,
                     static_cast<int>(std::size(kDesignRows)), ReadDesignInputs, DesignVariant,
                     [](bool) { RunCalculation(); }, FillDesign, DesignOutputs});
}

// The centre distance is a result of this table: it is designed anew from
// the lead angle once an input changed.
void RecalcGeometry() {
    RunVariantTable({"Geometrie Nachrechnung", 6100, kRecalcRows,
                     static_cast<int>(std::size(kRecalcRows)), ReadRecalcInputs, RecalcVariant,
                     [](bool changed) { changed ? DesignFromLeadAngle() : RunCalculation(); },
                     FillRecalc, RecalcOutputs});
}

}  // namespace veldrim
