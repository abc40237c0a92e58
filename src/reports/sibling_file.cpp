#include "reports/sibling_file.h"

#include <algorithm>
#include <variant>
#include <vector>

#include "calc/cylindrical/cyl_bridge.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"

namespace veldrim {

Qub1Defaults qub1Defaults = kQub1Defaults;

void InitQub1Defaults() { qub1Defaults = kQub1Defaults; }

namespace {

// The kinds of line of the file.
enum class Kind {
    Real,  // WriteFloatLine
    Int,   // WriteIntLine, 16-bit fields widened, a flag as 0 or 1
    Bool,  // WriteBoolLine: "TRUE" or "FALSE"
    Text,  // the text as stored
    Char,  // one character as a one-character line
    Block  // several lines written by a routine of their own
};

struct NoField {};  // a line without a source: 0, FALSE or an empty text

using Source = std::variant<NoField, const Real*, const std::int32_t*, const std::int16_t*,
                            const std::uint16_t*, const std::uint8_t*, const bool*, const char*,
                            const std::string*, Real, std::string_view, void (*)()>;

// One line (or block) of the file: the layout row it belongs to (rows
// numbered in file order, a per-gear row once for each gear), its kind and
// where its value comes from.
struct Line {
    int row;
    Kind kind;
    Source source;
};

Line R(int row, const Real* p) { return {row, Kind::Real, p}; }
Line R(int row, Real constant) { return {row, Kind::Real, constant}; }
Line R(int row) { return {row, Kind::Real, NoField{}}; }
Line I(int row, const std::int32_t* p) { return {row, Kind::Int, p}; }
Line I(int row, const std::int16_t* p) { return {row, Kind::Int, p}; }
Line I(int row, const std::uint16_t* p) { return {row, Kind::Int, p}; }
Line I(int row, const std::uint8_t* p) { return {row, Kind::Int, p}; }
Line I(int row, const bool* p) { return {row, Kind::Int, p}; }
Line I(int row) { return {row, Kind::Int, NoField{}}; }
Line B(int row, const std::uint8_t* p) { return {row, Kind::Bool, p}; }
Line B(int row) { return {row, Kind::Bool, NoField{}}; }
Line T(int row, const std::string* p) { return {row, Kind::Text, p}; }
Line T(int row, std::string_view literal) { return {row, Kind::Text, literal}; }
Line C(int row, const char* p) { return {row, Kind::Char, p}; }
Line Block(int row, void (*write)()) { return {row, Kind::Block, write}; }

// The load-spectrum table holds one row; a larger count in the data set is
// written as that one row, a negative one as none.
int LoadSpectrumRows() { return std::clamp(gearPair.loadSpectrumRowCount, 0, 1); }

void WriteRowCount() { WriteIntLine(LoadSpectrumRows()); }

void WriteLoadRowsFirstAndSecond() {
    for (int r = 1; r <= LoadSpectrumRows(); ++r) {
        WriteFloatLine(gearPair.loadSpectrumRows[r][0]);
        WriteFloatLine(gearPair.loadSpectrumRows[r][1]);
    }
}

void WriteLoadRowsThird() {
    for (int r = 1; r <= LoadSpectrumRows(); ++r) WriteFloatLine(gearPair.loadSpectrumRows[r][2]);
}

void WriteDrawingInfo() { dataFileSections.writeDrawingInfo(); }
void WriteDocumentLinks() { dataFileSections.writeDocumentLinks(); }
void WriteIso7200() { dataFileSections.writeIso7200(); }

constexpr std::string_view kRule11 = "-----------";
constexpr std::string_view kRule12 = "------------";
constexpr std::string_view kCalcModeText =
    "calculating mode  1=DIN3990T.1   2=DIN3990T.41   3=input factors  4=ISO6336";

// The whole file, line by line in file order: each entry is one line (or one
// block) with the layout row it belongs to, its kind and its source. With no
// change entries, no positioned texts and one load-spectrum row the file has
// 289 lines: rows 1-38 are lines 1-169 (row 4 lines 15-22, row 6 lines 24-57,
// row 9 lines 67-72, row 17 lines 103-111, row 23 lines 127-128, row 32
// lines 155-156), the drawing documentation lines 170-177, the document links
// 178-195, rows 39-64 lines 196-258 (row 52, the hide-warnings line, 237),
// the ISO 7200 block 259-265, rows 65-73 lines 266-289 (the load-spectrum
// block 276-285).
//
// Sources: w = wormGear, g = gearPair, c = cylGear, k = cylGear.carried,
// d = qub1Defaults. Where a line of the equivalent pair is not named by the
// format, it is bound kind by kind:
// - rows 4, 6 and 8, the pair's and the gears' input groups, take the inputs
//   of cylGear in record order (the reals, the integers and the per-gear
//   values each in their own order);
// - from the six code characters (row 9) on, the carried values take the
//   lines of their kind in record order: single reals, per-gear real pairs,
//   integers, flags (as "TRUE"/"FALSE") and characters each in turn; the
//   strength method goes to the calculating-mode line of row 16, which the
//   format names;
// - the pair kind codes, the one integer pair of cylGear meant for this file,
//   take the first integer pair (row 14);
// - the texts of cylGear in record order take the text lines;
// - the gear pair's export block takes the gear-pair lines of its kind in
//   record order.
// A line for which no value of its kind is left is written as 0, "FALSE" or
// an empty text (NoField).
// The table keeps one row of the layout per source line.
// clang-format off
std::vector<Line> Layout() {
    const WormGearRecord& w = wormGear;
    const GearPairRecord& g = gearPair;
    const CylGearRecord& c = cylGear;
    const CylCarriedValues& k = cylGear.carried;
    const Qub1Defaults& d = qub1Defaults;
    std::vector<Line> f = {
        Block(1, WriteExportFileHeader),
        T(2, &w.partName[1]), T(2, &w.drawingNumber[1]), T(2, &w.partName[2]), T(2, &w.drawingNumber[2]),
        T(3, kRule11), T(3, kRule11), T(3, kRule11), T(3, kRule11),
        R(4, &c.alphaN), R(4, &c.beta), R(4, &c.mn), R(4, &c.b), R(4, &c.a), R(4, &c.Aae),
        I(4, &c.centreToleranceField), R(4, &c.Aai),
        T(5, kRule11),
    };
    for (int i = 1; i <= 2; ++i) {
        f.insert(f.end(), {
            R(6, &c.bGear[i]), I(6, &g.z[i]), R(6, &c.x[i]), I(6, &c.quality[i]),
            R(6, &c.Asne[i]), R(6, &c.Asni[i]), R(6, &c.Tsn[i]), R(6, &c.da[i]), R(6, &c.c[i]), R(6, &c.kmn[i]),
            I(6, &c.deviationSeries[i]), I(6, &c.toleranceSeries[i]), I(6, &c.tipDiameterMode[i]),
            R(6, &c.qAllowance[i]), R(6, &c.qTolerance[i]), R(6, &c.boreDiameter[i]),
            R(6, &c.alphaN),
        });
    }
    f.insert(f.end(), {
        R(7, &g.n[1]), R(7, &g.P),
        I(8, &c.toleranceStandard), I(8, &c.measurementBallSwitch), R(8), R(8), R(8, &c.ballDiameter[1]),
        R(8, &g.exportReal[1]), R(8),
        C(9, &k.flags[0]), C(9, &k.flags[1]), C(9, &k.flags[2]), C(9, &k.flags[3]), C(9, &k.flags[4]),
        C(9, &k.flags[5]),
        R(10, &g.exportReal[2]),
    });
    for (int i = 1; i <= 2; ++i) f.insert(f.end(), {R(11, &k.perGearA[i]), R(11, &k.perGearB[i])});
    f.push_back(T(12, kRule12));
    for (int i = 1; i <= 2; ++i) {
        f.insert(f.end(), {
            T(13, &g.materialName[i]), I(13, &g.heatTreatment[i]), R(13, &g.sigmaFE[i]),
            R(13, &g.sigHlim[i]), R(13, &g.E[i]), R(13, &g.nue[i]), R(13, &g.rho[i]),
            R(13, &k.realPair1[static_cast<std::size_t>(i - 1)]), R(13, &g.HB[i]),
        });
    }
    f.insert(f.end(), {
        I(14, &g.materialKind[1]), I(14, &g.materialKind[2]), I(14, &c.pairKind[1]), I(14, &c.pairKind[2]),
        T(15, kCalcModeText),
        I(16, &k.strengthMethod),
        R(17, &k.real95), R(17, &k.real300), R(17, &k.real5), R(17, &k.real6), R(17, &k.realMinus87),
        R(17, &k.reals1[0]), R(17, &k.reals1[1]), R(17, &k.reals1[2]), R(17, &k.real100),
        R(18, 1.0L),
        R(19, &k.real1), R(19, &k.real1),
        R(20), R(20), R(20), R(20), R(20), R(20),
        R(21, &k.real09), R(21), R(21), R(21),  // the last one's gear 2 value is in row 40
        R(22), R(22),
        T(23, "----"), T(23, "V6.0"),
        R(24, &k.real80),
    });
    for (int i = 1; i <= 2; ++i) f.insert(f.end(), {R(25), R(25), R(25)});
    for (int i = 1; i <= 2; ++i) f.insert(f.end(), {R(26, &g.exportPair[1][i]), R(26, &g.exportPair[2][i])});
    for (int i = 1; i <= 2; ++i) f.push_back(R(27));
    f.insert(f.end(), {
        I(28, &g.materialCode[1]), I(28, &g.materialCode[2]),
        I(29, &k.word1A), I(29, &k.word1B), I(29, &k.drawingInt20), I(29, &k.drawingInt200),
        R(30), R(30), R(30),
        T(31, &c.designationText[1]), T(31, " "), T(31, &c.designationText[2]), T(31, " "),
        T(32, "Lastkollektiv"), T(32, "-------------"),
        I(33, &g.loadSpectrumKind), Block(33, WriteRowCount),
        Block(34, WriteLoadRowsFirstAndSecond),
        I(35), I(35),
        T(36, &c.toolProfileText[1]), T(36, &c.toolProfileText[2]),
        R(37), R(37), I(37, &k.drawingInt30),
    });
    for (int i = 1; i <= 2; ++i) f.push_back(R(38));
    f.insert(f.end(), {
        Block(0, WriteDrawingInfo),  // the blocks of the gear data file have no row
        Block(0, WriteDocumentLinks),
        T(39, &w.secondDrawingName[1]), T(39, &w.secondDrawingName[2]),
        R(40), R(40, &c.ballDiameter[2]), R(40), R(40),
        I(41), I(41),
        R(42), R(42), R(42), R(42),
        R(43),
        I(44, &g.exportInt[1]),
        R(45, &g.exportPair[3][1]), R(45, &g.exportPair[3][2]), R(45, &g.exportPair[4][1]),
        R(45, &g.exportPair[4][2]),
        I(46, &k.toothFormViewChoice), I(46, &k.int19), I(46, &k.int38), I(46, &k.intMinus134),
        B(47, &k.drawingByte1A),
        I(48, &g.exportInt[2]), I(48, &g.exportInt[3]),
        R(49, &d.d1), R(49, &d.d2), R(49, &d.d3), R(49, &d.d6), R(49, &d.d7), R(49, &d.d8), R(49, &d.d9),
        R(49, &d.d10), R(49, &d.d11), R(49, &d.d12), R(49, &d.d13), R(49, &d.d15), R(49, &d.d16),
        I(50, &d.d17), I(50, &d.d5),
        I(51, &g.exportInt[4]),
        I(52, &hideWarningsFlag),
        R(53, &d.d4),
        I(54, &k.word1C), B(54, &k.byte1), B(54, &k.drawingByte1B),
        R(55),
        B(56),
        R(57), R(57),
        B(58),
        R(59),
        I(60, &k.drawingWord1), R(60),
        R(61), R(61), R(61),
        T(62, &c.centreToleranceText),
        R(63), R(63), R(63), R(63),
        B(64, &g.exportFlag[1]),
        Block(0, WriteIso7200),
        I(65, &g.exportInt[5]),
        R(66, &g.T[1]),
        R(67), R(67),
        B(68),
        B(69), I(69, &k.drawingInt100), R(69), R(69),  // the pair block
        R(70),
        // The load-spectrum block.
        I(71, &g.exportInt[6]), Block(71, WriteLoadRowsThird), R(71, &g.exportReal[3]),
        T(71, "Calc mode: 0=KA 1=KA+Miner"), I(71, &g.exportInt[7]),
        B(71, &g.exportFlag[2]), B(71, &g.exportFlag[3]), R(71, &g.exportReal[4]),
        I(71, &g.exportInt[8]), I(71, &g.exportInt[9]),
        I(72, &k.wordAfterTipMode), I(72, &g.exportInt[10]), I(72),
        B(73),
    });
    return f;
}
// clang-format on

Real RealOf(const Source& s) {
    return std::visit(
        [](const auto& v) -> Real {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, Real>)
                return v;
            else if constexpr (std::is_same_v<V, const Real*>)
                return *v;
            else
                return 0;
        },
        s);
}

std::int32_t IntOf(const Source& s) {
    return std::visit(
        [](const auto& v) -> std::int32_t {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, const std::int32_t*> ||
                          std::is_same_v<V, const std::int16_t*> ||
                          std::is_same_v<V, const std::uint16_t*> ||
                          std::is_same_v<V, const std::uint8_t*>)
                return static_cast<std::int32_t>(*v);
            else if constexpr (std::is_same_v<V, const bool*>)
                return *v ? 1 : 0;
            else
                return 0;
        },
        s);
}

bool FlagOf(const Source& s) {
    if (const auto* p = std::get_if<const std::uint8_t*>(&s)) return **p != 0;
    return false;
}

std::string TextOf(const Source& s) {
    if (const auto* p = std::get_if<const std::string*>(&s)) return **p;
    if (const auto* p = std::get_if<std::string_view>(&s)) return std::string(*p);
    if (const auto* p = std::get_if<const char*>(&s)) return std::string(1, **p);
    return {};
}

void WriteLine(const Line& line) {
    switch (line.kind) {
        case Kind::Real: WriteFloatLine(RealOf(line.source)); break;
        case Kind::Int: WriteIntLine(IntOf(line.source)); break;
        case Kind::Bool: WriteBoolLine(FlagOf(line.source)); break;
        case Kind::Text:
        case Kind::Char: WriteStringLine(TextOf(line.source)); break;
        case Kind::Block: std::get<void (*)()>(line.source)(); break;
    }
}

// Everything an export may change on its way and must put back, however it
// ends: the gear data set (the equivalent pair's bridge sets z1, its checks
// repair a density of 0), the file identity that the save dialog takes over,
// and the calculation's messages and fatal flag, which belong to the user's
// last calculation.
class ExportScope {
public:
    ExportScope()
        : pair_(gearPair),
          gear_(wormGear),
          extension_(dataFileExtension),
          fileName_(currentFileName),
          folder_(dataDirectory),
          messages_(messageList),
          fatal_(fatalFlag) {}
    ~ExportScope() {
        CylGearToWorm();
        gearPair = pair_;
        wormGear = gear_;
        dataFileExtension = extension_;
        currentFileName = fileName_;
        dataDirectory = folder_;
        messageList = messages_;
        fatalFlag = fatal_;
    }
    ExportScope(const ExportScope&) = delete;
    ExportScope& operator=(const ExportScope&) = delete;

private:
    const GearPairRecord pair_;
    const WormGearRecord gear_;
    const std::string extension_, fileName_, folder_;
    const MessageList messages_;
    const bool fatal_;
};

// Fills and calculates the equivalent pair in the given bridge mode, then
// writes it. An equivalent pair that cannot be calculated is not written: its
// fatal messages are shown instead.
void ExportEquivalentPair(int mode, int gearNumber) {
    cancelFlag = false;
    ExportScope scope;
    ClearMessages();
    WormToCylGear(mode, gearNumber);
    RunCylGearCalculation();
    if (fatalFlag) {
        std::string text;
        for (int i = 1; i <= messageList.count; ++i)
            if (messageList.slot[static_cast<std::size_t>(i)].starts_with(kFatalPrefix))
                text += (text.empty() ? "" : "\n") + messageList.slot[static_cast<std::size_t>(i)];
        ShowErrorBox(text);
        cancelFlag = true;
        return;
    }
    dataFileExtension = kQub1Extension;
    WriteQub1File("");
}

}  // namespace

void WriteQub1File(const std::string& name) {
    if (DataFileSectionsMissing()) return;
    std::string path;
    AskSaveFileName(name, path);
    if (cancelFlag) return;
    WaitCursor();
    WriteWholeFile(path, [] {
        for (const Line& line : Layout()) WriteLine(line);
    });
    EndWaitCursor();
}

void ExportWormToSiblingFile(int section) {
    // The axial section pairs the worm's threads with the wheel; a worm of
    // one thread has no such section.
    const int mode = section == 2 && gearPair.z[1] > 1 ? 2 : 1;
    ExportEquivalentPair(mode, 1);
}

void ExportWheelToSiblingFile() { ExportEquivalentPair(2, 2); }

}  // namespace veldrim
