// Hardness conversion by linear interpolation in the steel conversion table.
//
// The table is generated at build time from calc/data/hardness-conversion-
// steel.csv (its sources and doubtful cells are noted beside it). Rm and HV
// are kept whole, the Rockwell scales in tenths, so every cell is an integer.

#include "calc/hardness.h"

#include <cmath>
#include <string>

#include "foundation/formatting.h"
#include "foundation/messages.h"
#include "foundation/online_dialog.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"

namespace veldrim {

namespace {

struct HardnessDefaults {
    std::array<Real, 14> convertedHardness{};  // cleared at start-up
    std::int16_t hardnessMaterialGroup = 0;    // A.1
};
constexpr HardnessDefaults kDefaults{};

}  // namespace

std::array<Real, 14> convertedHardness = kDefaults.convertedHardness;
std::int16_t hardnessMaterialGroup = kDefaults.hardnessMaterialGroup;

const std::array<std::string_view, 18> kHardnessGroupNames = {
    "A.1 (St,GS)",
    "B.2(C45 verguetet)",
    "B.3(C45 unbehandelt)",
    "B.4(C45 gehaertet)",
    "C.2 (Kaltarbeitsst)",
    "D.2 (Schnellarbeitsst)",
    "D.4 (Schnellarbeitsst)",
    "D.6 (Schnellarbeitsst)",
    "D.8 (Schnellarbeitsst)",
    "E.1 (1.1243)",
    "E.2 (1.2714)",
    "F.1 (Hartmetall)",
    "F.2 (Hartmetall)",
    "G.1 (Nickel)",
    "G2 (Cu70Zn30)",
    "G.3 (Cu)",
    "G.4 (Knet-Al)",
    "G.5(Al)",
};

namespace {

using TableRow = std::array<std::int32_t, kHardnessTableColumns>;
constexpr TableRow kSteelTable[kHardnessTableRows] = {
#include "calc/hardness_table.inc"
};

struct ScaleRange {
    std::string_view name;
    Real min, max;
};
// Valid range per scale index 1..11.
constexpr ScaleRange kScaleRanges[kHardnessScales + 1] = {
    {"", 0, 0},
    {"Rm", 255, 2180},
    {"HV", 80, 940},
    {"HRB", 41, 105},
    {"HRF", 80.4L, 115.1L},
    {"HRC", 20.3L, 68},
    {"HRA", 60.7L, 85.6L},
    {"HRD", 40.3L, 76.9L},
    {"HR15N", 69.6L, 93.2L},
    {"HR30N", 41.7L, 84.4L},
    {"HR45N", 19.9L, 75.4L},
    {"HB", 76, 893},
};

constexpr Real kBrinellPerVickers = 0.95L;
// A table entry of at most this size is "not defined"; two entries this close
// give no interpolation step.
constexpr Real kUndefined = 0.01L;
// A value this close to a table entry (in table units) lies on its row.
constexpr Real kOnRow = 1E-6L;

// Columns 3..10 of the steel table hold tenths.
bool TenthsColumn(int column) { return column >= kScaleHRB && column <= kScaleHR45N; }

Real Entry(int row, int column) { return static_cast<Real>(SteelHardnessTable(row, column)); }
bool Defined(Real entry) { return std::fabs(entry) > kUndefined; }

void ClearConverted() {
    for (int s = 1; s <= kHardnessScales; ++s) convertedHardness[static_cast<std::size_t>(s)] = 0;
}

void SetConverted(int column, Real tableValue) {
    convertedHardness[static_cast<std::size_t>(column)] =
        TenthsColumn(column) ? tableValue / 10 : tableValue;
}

std::string RangeLimitText(Real x) { return TrimBoth(FormatFixed(4, 1, x)); }

}  // namespace

std::int32_t SteelHardnessTable(int row, int column) {
    if (row < 1 || row > kHardnessTableRows || column < 1 || column > kHardnessTableColumns)
        return 0;
    return kSteelTable[row - 1][static_cast<std::size_t>(column - 1)];
}

void ConvertHardness(int scale, Real x) {
    if (scale < 1 || scale > kHardnessScales) {
        ClearConverted();
        return;
    }
    const ScaleRange& range = kScaleRanges[scale];
    if (!(x >= range.min && x <= range.max)) {
        AddMessage(std::string(range.name) + ":" + RangeLimitText(range.min) + ".." +
                   RangeLimitText(range.max) + " !");
        ClearConverted();
        return;
    }
    if (scale == kScaleHB) {
        x /= kBrinellPerVickers;
        scale = kScaleHV;
    }
    if (TenthsColumn(scale)) x *= 10;

    int r = 2;
    while (r <= kHardnessTableRows && !(Defined(Entry(r, scale)) && Entry(r, scale) >= x)) ++r;
    if (r > kHardnessTableRows) {  // above the table: nothing defined
        ClearConverted();
        return;
    }
    // A value on a table row converts through that row alone, so the first
    // row of a scale that starts inside the table keeps its values.
    int onRow = 0;
    if (std::fabs(x - Entry(r, scale)) <= kOnRow)
        onRow = r;
    else if (Defined(Entry(r - 1, scale)) && std::fabs(x - Entry(r - 1, scale)) <= kOnRow)
        onRow = r - 1;

    const Real below = Entry(r - 1, scale);
    const Real step = Entry(r, scale) - below;
    const Real f = std::fabs(step) <= kUndefined ? 0 : (x - below) / step;
    for (int j = 1; j <= kHardnessTableColumns; ++j) {
        if (onRow != 0) {
            SetConverted(j, Entry(onRow, j));
            continue;
        }
        const Real lo = Entry(r - 1, j);
        const Real hi = Entry(r, j);
        SetConverted(j, Defined(lo) && Defined(hi) ? lo + f * (hi - lo) : 0);
    }
    convertedHardness[kScaleHB] = kBrinellPerVickers * convertedHardness[kScaleHV];
}

void ConvertHardnessAll(int scale, Real value) { ConvertHardness(scale, value); }

Real ConvertedHardness(int scale) {
    if (scale < 1 || scale >= static_cast<int>(convertedHardness.size())) return 0;
    return convertedHardness[static_cast<std::size_t>(scale)];
}

namespace {

constexpr std::string_view kInputNames[kHardnessScales + 1] = {
    "", "Rm", "HV", "HRB", "HRF", "HRC", "HRA", "HRD", "HR15N", "HR30N", "HR45N", "HB"};
constexpr std::string_view kOutputNames[kHardnessScales + 1] = {"",      "Rm",    "HV   ", "HRB  ",
                                                                "HRF  ", "HRC  ", "HRA  ", "HRD  ",
                                                                "HR15N", "HR30N", "HR45N", "HB  "};

std::string ConvertedText(int scale) {
    const Real v = ConvertedHardness(scale);
    return scale == kScaleRm ? FormatStress(v) : FormatNum(v);
}

void FillHardnessInputs() {
    for (int s = 1; s <= kHardnessScales; ++s) onlineDialog.inputTexts[s] = ConvertedText(s);
    KeepShownInputs();
}

}  // namespace

void ConvertHardnessDialog(int helpBase) {
    OnlineDialogTables& t = onlineDialog;
    // The table view converts on its own and leaves the data set alone: the
    // calculation's messages and its fatal flag are the set's again when it
    // closes, whatever the passes showed meanwhile.
    const MessageList calculationMessages = messageList;
    const bool calculationFatal = fatalFlag;
    const auto group = static_cast<std::size_t>(
        hardnessMaterialGroup >= 0 &&
                hardnessMaterialGroup < static_cast<int>(kHardnessGroupNames.size())
            ? hardnessMaterialGroup
            : 0);
    SetupOnlineDialog(kHardnessGroupNames[group], kHardnessScales, kHardnessScales);
    int row = kScaleHB;
    FillHardnessInputs();
    for (;;) {
        for (int s = 1; s <= kHardnessScales; ++s) {
            t.inputNames[s] = std::string(kInputNames[s]);
            t.inputUnits[s] = s == kScaleRm ? StressUnit() : "";
        }
        // Each pass shows only its own messages (a refused value's range).
        BeginOnlinePass();
        // A value the user left as shown converts from its exact value.
        for (int s = 1; s <= kHardnessScales; ++s) {
            Real& value = convertedHardness[static_cast<std::size_t>(s)];
            value = InputValue(s, value, s == kScaleRm ? ParseStress : TextToFloat);
        }
        ConvertHardness(row, ConvertedHardness(row));
        for (int s = 1; s <= kHardnessScales; ++s) {
            t.outputNames[s] = std::string(kOutputNames[s]);
            t.outputUnits[s] = s == kScaleRm ? StressUnit() : "";
            t.outputTexts[s] = ConvertedHardness(s) == 0 ? "n.def." : ConvertedText(s);
        }
        FillHardnessInputs();
        bool done = false;
        ShowOnlineDialog(row, helpBase, done);
        if (cancelFlag) break;
    }
    FinishOnlineDialog();
    messageList = calculationMessages;
    fatalFlag = calculationFatal;
}

void ResetHardness() {
    convertedHardness = kDefaults.convertedHardness;
    hardnessMaterialGroup = kDefaults.hardnessMaterialGroup;
}

}  // namespace veldrim
