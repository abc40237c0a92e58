#include "calc/data_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

#include "app/data_file_sections.h"
#include "app/document_links.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "drawings/drawing_info.h"
#include "foundation/codepage.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "app/app_test_support.h"
#include "support/demo_data_set.h"
#include "support/fault_calls.h"
#include "support/outside_programs.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

using testing::CrLfLines;
using testing::Slurp;
using testing::Spit;

class DataFile : public testing::AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        ResetDataSet();
        InstallDataFileSections();
    }
    std::string Path(const std::string& leaf) const { return tmp / leaf; }
    static void ResetDataSet() {
        ResetGearData();
        ResetDrawingInfo();
        ResetDocumentLinks();
    }

    // A data set that differs from the defaults everywhere the file reaches.
    static void FillRichDataSet() {
        wormGear.a = 125.5L;
        wormGear.x[1] = -0.125L;
        wormGear.x[2] = 0.3333333L;
        wormGear.summa = 1.5707963267948966L;
        wormGear.tauFlimT = 0;  // "derive it" must survive a save
        wormGear.partName[1] = "A&B<x>";
        wormGear.measurementText[2] = "Flankenkorrektur ±0,01"_cp850.data();
        gearPair.materialName[2] = "GZ-CuSn12Ni ähnlich"_cp850.data();
        gearPair.z[2] = 61;
        wormGear.din3996Switch = 1;
        wormGear.k[1] = 3;
        drawingInfo.changes.clear();
        for (int i = 1; i <= kMaxChangeEntries; ++i)
            drawingInfo.changes.push_back({std::string(1, static_cast<char>('a' + i % 26)),
                                           "2026-12-0" + std::to_string(i % 9 + 1), "JW",
                                           "Zeile 1\r\nZeile " + std::to_string(i)});
        drawingInfo.dates[1] = "2026-01-02";
        drawingInfo.names[3] = "Prüfer"_cp850.data();
        drawingInfo.replacedBy = "Z-0815";
        drawingInfo.texts = {{12.5L, -3.25L, 3.5L, 90, "Text mit | Strich", 2},
                             {0, 0, 2.5L, 0, "", 0},
                             {1E-3L, 400.0000001L, 5, -45.5L, "Ölstand"_cp850.data(), 5}};
        drawingInfo.titleBlockType = 2;
        drawingInfo.documentStatus = "freigegeben";
        documentLinks[2] = {"xdg-open", "/home/user/zeichnung.pdf"};
    }
};

TEST_F(DataFile, DefaultDataSetGolden) {
    gearPair.materialName[1] = "Stahl gehärtet"_cp850.data();
    ASSERT_TRUE(WriteDataFile(Path("d.qb3")));
    const std::string bytes = Slurp(Path("d.qb3"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    // Every line ends with CR LF: no lone LF anywhere.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'),
              static_cast<long>(CrLfLines(bytes).size()));  // no lone LF
    const auto lines = CrLfLines(bytes);
    ASSERT_GT(lines.size(), 150u);
    EXPECT_EQ(lines[0], std::string(65, '-'));
    EXPECT_EQ(lines[7], "80.0000000");  // the centre distance a, first line after the header
    EXPECT_EQ(lines[14], "3");          // z1
    EXPECT_EQ(lines[17], "1");          // flank form ZI
    EXPECT_EQ(lines[19], "Stahl geh\x84rtet");
    // The material name decodes as code page 850.
    Spit(Path("name.txt"), lines[19]);
    EXPECT_EQ(testing::RunOutside({"iconv", "-f", "CP850", "-t", "UTF-8", Path("name.txt")}),
              "Stahl gehärtet");
    for (const char* line : {"Dokumente", "ISO 7200 Header", "TRUE", "0"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}

// The shipped demo set is the writer's output for the demo data set;
// VELDRIM_REGENERATE_DEMO=1 writes it anew.
// The shipped file is the demo set as the program saves it after opening:
// written, read back and calculated from the file's seven decimals, written
// again. Opened and saved unchanged, it therefore stays as it is.
TEST_F(DataFile, ShippedDemoIsWhatTheWriterWritesFromTheDemoSet) {
    testing::LoadDemoDataSet();
    ASSERT_TRUE(WriteDataFile(Path("written.qb3")));
    ASSERT_TRUE(ReadDataFile(Path("written.qb3")));
    RunCalculation();
    ASSERT_TRUE(WriteDataFile(Path("demo.qb3")));
    const std::string shipped = std::string(VELDRIM_DATA_DIR) + "/demo.qb3";
    if (std::getenv("VELDRIM_REGENERATE_DEMO"))
        fs::copy_file(Path("demo.qb3"), shipped, fs::copy_options::overwrite_existing);
    EXPECT_EQ(Slurp(Path("demo.qb3")), Slurp(shipped))
        << "regenerate data/demo.qb3 with the writer";
}

// The demo set leaves its measuring balls to the calculation: after a
// calculation and a save the file still says 0 ("choose it").
TEST_F(DataFile, AChosenBallDiameterIsNotSavedOverTheZeroInput) {
    ASSERT_TRUE(ReadDataFile(std::string(VELDRIM_DATA_DIR) + "/demo.qb3"));
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    EXPECT_EQ(wormGear.measurementUsed[1], 6.5L);  // reference/worm_reference.py
    EXPECT_NEAR(wormGear.measurementUsed[2], 6.6L, 1E-15L);
    ASSERT_TRUE(WriteDataFile(Path("saved.qb3")));
    ResetDataSet();
    wormGear.measurementInput = {{1, 1}};
    ASSERT_TRUE(ReadDataFile(Path("saved.qb3")));
    EXPECT_EQ(wormGear.measurementInput[1], 0);
    EXPECT_EQ(wormGear.measurementInput[2], 0);
}

TEST_F(DataFile, WriteReadWriteIsByteIdentical) {
    for (int separator : {1, 2}) {
        SCOPED_TRACE(separator);
        ResetDataSet();
        decimalSeparatorOption = static_cast<std::int16_t>(separator);
        FillRichDataSet();
        const WormGearRecord gear = wormGear;
        const DrawingInfoRecord info = drawingInfo;
        const auto links = documentLinks;
        ASSERT_TRUE(WriteDataFile(Path("one.qb3")));
        ResetDataSet();
        ASSERT_TRUE(ReadDataFile(Path("one.qb3")));
        ASSERT_TRUE(WriteDataFile(Path("two.qb3")));
        EXPECT_EQ(Slurp(Path("one.qb3")), Slurp(Path("two.qb3")));
        // Reals within 5E-8, texts and codes exact, "derive it" kept as 0.
        EXPECT_NEAR(wormGear.x[2], gear.x[2], 5E-8L);
        EXPECT_NEAR(drawingInfo.texts[2].y, info.texts[2].y, 5E-8L);
        EXPECT_EQ(wormGear.tauFlimT, 0);
        EXPECT_EQ(wormGear.measurementText, gear.measurementText);
        EXPECT_EQ(drawingInfo.changes, info.changes);
        EXPECT_EQ(drawingInfo.texts[0].text, info.texts[0].text);  // a text holding '|'
        EXPECT_EQ(documentLinks, links);
    }
}

// A damaged file is refused whole: the data set stays as it was.
TEST_F(DataFile, DamagedFilesLeaveTheDataSetUnchanged) {
    FillRichDataSet();
    ASSERT_TRUE(WriteDataFile(Path("good.qb3")));
    const std::string good = Slurp(Path("good.qb3"));
    const auto lines = CrLfLines(good);

    auto withLine = [&](std::size_t i, const char* text) {
        auto bad = lines;
        bad[i] = text;
        std::string out;
        for (const auto& l : bad) out += l + "\r\n";
        return out;
    };
    const std::pair<const char*, std::string> cases[] = {
        {"truncated", good.substr(0, good.size() / 2)},
        {"not a number", withLine(7, "achtzig")},  // where the centre distance belongs
        {"empty real", withLine(9, "")},
        {"empty file", ""},
        {"garbage", std::string("\x00\xff\r\n\n\n", 6)}};
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ResetDataSet();
        wormGear.a = 99;
        drawingInfo.replacedBy = "kept";
        documentLinks[1].file = "kept.pdf";
        const GearPairRecord pair = gearPair;
        const WormGearRecord gear = wormGear;
        const DrawingInfoRecord info = drawingInfo;
        Spit(Path("bad.qb3"), bytes);
        ui.calls.clear();
        EXPECT_FALSE(ReadDataFile(Path("bad.qb3")));
        EXPECT_TRUE(cancelFlag);
        // An empty file has no line that failed: it is reported as empty.
        if (bytes.empty()) {
            EXPECT_EQ(DataFileFailedLine(), 0);
        } else {
            EXPECT_GT(DataFileFailedLine(), 0);
        }
        EXPECT_EQ(gearPair, pair);
        EXPECT_EQ(wormGear, gear);
        EXPECT_EQ(drawingInfo, info);
        EXPECT_EQ(documentLinks[1].file, "kept.pdf");
        ASSERT_FALSE(ui.CallsOf("message").empty());
        EXPECT_NE(ui.CallsOf("message").back().text.find("bad.qb3"), std::string::npos);
        if (bytes.empty()) {
            EXPECT_NE(ui.CallsOf("message").back().text.find("ist leer"), std::string::npos);
        }
    }
    EXPECT_FALSE(ReadDataFile(Path("missing.qb3")));
    EXPECT_TRUE(cancelFlag);
}

TEST_F(DataFile, FailedSavesKeepTheOldFile) {
    ASSERT_TRUE(WriteDataFile(Path("keep.qb3")));
    const std::string before = Slurp(Path("keep.qb3"));
    wormGear.a = 200;
    // A write-protected folder (whoever runs the tests, root too).
    cancelFlag = false;
    {
        testing::FaultCalls writeProtected;
        writeProtected.WriteProtect(dir);
        EXPECT_FALSE(WriteDataFile(Path("keep.qb3")));
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Slurp(Path("keep.qb3")), before);

    // A full disk: every write fails, the cancel flag is set and the old
    // file stays.
    cancelFlag = false;
    {
        testing::FaultCalls full(testing::FaultCalls::kFullDisk, 1);
        EXPECT_FALSE(WriteDataFile(Path("keep.qb3")));
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Slurp(Path("keep.qb3")), before);

    // A folder that even root cannot write.
    cancelFlag = false;
    EXPECT_FALSE(WriteDataFile("/proc/veldrim.qb3"));
    EXPECT_TRUE(cancelFlag);
}

// A save killed at each changing file call, and a save whose each such call
// fails in turn: the file on disk is always the whole old file or the whole
// new one. A save that reports success left the new file with the old
// file's mode; a failed one says so (cancel flag) and leaves the old file
// and no temporary file.
TEST_F(DataFile, SaveKilledOrFailingAtAnyCallLeavesTheWholeOldOrNewFile) {
    const std::string path = Path("gear.qb3");
    ASSERT_TRUE(WriteDataFile(path));
    const std::string oldBytes = Slurp(path);
    FillRichDataSet();
    ASSERT_TRUE(WriteDataFile(Path("new.qb3")));
    const std::string newBytes = Slurp(Path("new.qb3"));
    fs::remove(Path("new.qb3"));
    ASSERT_NE(newBytes, oldBytes);
    auto restoreOld = [&] {
        Spit(path, oldBytes);
        ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    };
    auto which = [&](const std::string& bytes) -> std::string {
        if (bytes == oldBytes) return "old";
        if (bytes == newBytes) return "new";
        return "neither (" + std::to_string(bytes.size()) + " bytes)";
    };
    long total = 0;
    restoreOld();
    {
        testing::FaultCalls count;
        ASSERT_TRUE(WriteDataFile(path));
        total = testing::FaultCalls::Calls();
    }
    ASSERT_GE(total, 4) << "creating, writing, syncing and renaming the new file";
    for (const auto mode : {testing::FaultCalls::kKill, testing::FaultCalls::kFail}) {
        const bool kill = mode == testing::FaultCalls::kKill;
        for (long n = 1; n <= total; ++n) {
            const std::string label =
                (kill ? "killed at call " : "failing at call ") + std::to_string(n);
            restoreOld();
            bool saved = false;
            {
                testing::FaultCalls fault(mode, n, ENOSPC);
                saved = WriteDataFile(path);
            }
            const std::string now = Slurp(path);
            struct stat st {};
            ASSERT_EQ(::stat(path.c_str(), &st), 0) << label;
            EXPECT_EQ(st.st_mode & 07777, 0640u) << label;
            if (kill) {
                EXPECT_THAT(which(now), ::testing::AnyOf("old", "new")) << label;
                // What the killed save left, as the next save after its end removes it.
                RemoveStaleSaveTemps(path, true);
                continue;
            }
            EXPECT_EQ(which(now), saved ? "new" : "old") << label;
            EXPECT_EQ(cancelFlag, !saved) << label;
            std::vector<std::string> files;
            for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().filename());
            EXPECT_EQ(files, std::vector<std::string>{"gear.qb3"}) << label;
        }
    }
}

// Every input the data file holds, named as the formulas name it, with a
// value of its own: a field the file skips, or reads into a neighbour, comes
// back with its default or the neighbour's value.
struct Input {
    std::string name;
    std::function<void(int)> set;
    std::function<std::string()> get;
};

std::string RealText(Real x) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<double>(x));
    return ec == std::errc() ? std::string(buf, end) : "?";
}

Input RealInput(std::string name, Real& x) {
    // Whole thousands and an eighth: exact in the file's seven decimals.
    return {std::move(name), [&x](int k) { x = 1000 + k + 0.125L; }, [&x] { return RealText(x); }};
}
Input TextInput(std::string name, std::string& s) {
    return {std::move(name), [&s](int k) { s = "Text " + std::to_string(k); }, [&s] { return s; }};
}
template <class T>
Input WholeInput(std::string name, T& n) {
    // Above every default code and count.
    return {std::move(name), [&n](int k) { n = static_cast<T>(100 + k); },
            [&n] { return std::to_string(n); }};
}
Input FlagInput(std::string name, std::uint8_t& b) {
    return {std::move(name), [&b](int) { b = b ? 0 : 1; }, [&b] { return std::to_string(b); }};
}

std::vector<Input> DataFileInputs() {
    GearPairRecord& g = gearPair;
    WormGearRecord& r = wormGear;
    std::vector<Input> in;
    for (int i = 1; i <= kReportHeaderLineCount; ++i)
        in.push_back(TextInput("report header line " + std::to_string(i), reportHeaderLines[i]));
    for (int i = 1; i <= 2; ++i) {
        const std::string at = "[" + std::to_string(i) + "]";
        in.push_back(WholeInput("z" + at, g.z[i]));
        in.push_back(WholeInput("material kind" + at, g.materialKind[i]));
        in.push_back(WholeInput("heat treatment" + at, g.heatTreatment[i]));
        in.push_back(WholeInput("material code" + at, g.materialCode[i]));
        in.push_back(TextInput("material name" + at, g.materialName[i]));
        in.push_back(RealInput("rho" + at, g.rho[i]));
        in.push_back(RealInput("E" + at, g.E[i]));
        in.push_back(RealInput("nue" + at, g.nue[i]));
        in.push_back(RealInput("Sig.Hlim" + at, g.sigHlim[i]));
        in.push_back(RealInput("Sigma FE" + at, g.sigmaFE[i]));
        in.push_back(RealInput("HB" + at, g.HB[i]));
        in.push_back(RealInput("n" + at, g.n[i]));
        in.push_back(TextInput("drawing number" + at, r.drawingNumber[i]));
        in.push_back(TextInput("part name" + at, r.partName[i]));
        in.push_back(TextInput("second drawing name" + at, r.secondDrawingName[i]));
        in.push_back(WholeInput("deviation series" + at, r.deviationSeries[i]));
        in.push_back(WholeInput("tolerance series" + at, r.toleranceSeries[i]));
        in.push_back(RealInput("Asne" + at, r.Asne[i]));
        in.push_back(RealInput("Asni" + at, r.Asni[i]));
        in.push_back(RealInput("Tsn" + at, r.Tsn[i]));
        in.push_back(RealInput("b" + at, r.b[i]));
        in.push_back(RealInput("ha*" + at, r.haStar[i]));
        in.push_back(RealInput("hf*" + at, r.hfStar[i]));
        in.push_back(RealInput("rf*" + at, r.rfStar[i]));
        in.push_back(RealInput("ra*" + at, r.raStar[i]));
        in.push_back(RealInput("x" + at, r.x[i]));
        in.push_back(RealInput("P DIN" + at, r.PDin[i]));
        in.push_back(RealInput("P DIN out" + at, r.PDinOut[i]));
        in.push_back(RealInput("measurement input" + at, r.measurementInput[i]));
        in.push_back(TextInput("measurement text" + at, r.measurementText[i]));
        in.push_back(WholeInput("quality" + at, r.quality[i]));
        in.push_back(RealInput("bore" + at, r.bore[i]));
        in.push_back(WholeInput("k" + at, r.k[i]));
    }
    for (int i = 1; i <= 4; ++i)
        in.push_back(RealInput("T DIN[" + std::to_string(i) + "]", r.TDin[i]));
    in.push_back(RealInput("T[2]", g.T[2]));
    in.push_back(RealInput("P[1]", g.P));
    in.push_back(WholeInput("derived quantity", g.derivedQuantity));
    in.push_back(RealInput("a", r.a));
    in.push_back(RealInput("u", r.u));
    in.push_back(RealInput("dm1/a", r.dm1a));
    in.push_back(RealInput("alpha 0", r.alpha0));
    in.push_back(RealInput("de2", r.de2));
    in.push_back(RealInput("KA", r.KA));
    in.push_back(RealInput("mue z", r.mueZ));
    in.push_back(RealInput("v50", r.v50));
    in.push_back(RealInput("P", r.P));
    in.push_back(WholeInput("driver", r.driver));
    in.push_back(WholeInput("flank form", r.flankForm));
    in.push_back(WholeInput("hand", r.hand));
    in.push_back(WholeInput("operating-data side", r.operatingDataSide));
    in.push_back(WholeInput("lubricant kind", r.lubricantKind));
    in.push_back(RealInput("thetaM", r.thetaM));
    in.push_back(RealInput("LH min", r.LHmin));
    in.push_back(RealInput("Ra1", r.Ra1));
    in.push_back(WholeInput("bearing arrangement", r.bearingArrangement));
    in.push_back(RealInput("YW", r.YW));
    in.push_back(RealInput("eta0M", r.eta0M));
    in.push_back(RealInput("WML", r.WML));
    in.push_back(RealInput("tauFlimT", r.tauFlimT));
    in.push_back(RealInput("YNL", r.YNL));
    in.push_back(FlagInput("DIN 3996 switch", r.din3996Switch));
    in.push_back(WholeInput("edition code", r.editionCode));
    in.push_back(RealInput("further real 1", r.furtherReal1));
    in.push_back(RealInput("further real 2", r.furtherReal2));
    in.push_back(FlagInput("da/df constant", r.daDfConstant));
    in.push_back(WholeInput("centre-distance tolerance field", r.centreDistanceToleranceField));
    in.push_back(RealInput("upper centre-distance allowance", r.centreDistanceAllowanceUpper));
    in.push_back(RealInput("lower centre-distance allowance", r.centreDistanceAllowanceLower));
    in.push_back(WholeInput("wheel-rim code", r.wheelRimCode));
    in.push_back(WholeInput("shaft-end code", r.shaftEndCode));
    in.push_back(RealInput("lw", r.lw));
    in.push_back(WholeInput("lubrication", r.lubrication));
    in.push_back(WholeInput("seal count", r.sealCount));
    in.push_back(RealInput("v40", r.v40));
    in.push_back(RealInput("v100", r.v100));
    in.push_back(WholeInput("wear-limit code", r.wearLimitCode));
    in.push_back(RealInput("summa", r.summa));
    in.push_back(RealInput("beta[2]", r.beta[2]));
    in.push_back(RealInput("mn", r.mn));
    in.push_back(RealInput("design real", r.designReal));
    in.push_back(RealInput("PV0%", r.PV0Percent));
    in.push_back(WholeInput("design code", r.designCode));
    return in;
}

TEST_F(DataFile, EveryInputWithAValueOfItsOwnReadsBackIntoItsOwnField) {
    const std::vector<Input> inputs = DataFileInputs();
    std::vector<std::string> written;
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        inputs[k].set(static_cast<int>(k));
        written.push_back(inputs[k].get());
    }
    ASSERT_TRUE(WriteDataFile(Path("own.qb3")));
    ResetDataSet();
    for (int i = 1; i <= kReportHeaderLineCount; ++i) reportHeaderLines[i].clear();
    ASSERT_TRUE(ReadDataFile(Path("own.qb3")));
    for (std::size_t k = 0; k < inputs.size(); ++k)
        EXPECT_EQ(inputs[k].get(), written[k]) << inputs[k].name;
}

// A value its reader would refuse is refused at the save: the message names
// the field, and the file on disk keeps every byte (no temporary file left
// either). Values up to the range of a double still save and read back.
TEST_F(DataFile, AValueThatWouldNotReadBackIsRefusedAndTheFileKept) {
    const std::string path = Path("gear.qb3");
    ASSERT_TRUE(WriteDataFile(path));
    const std::string before = Slurp(path);
    const Real inf = std::numeric_limits<Real>::infinity();
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"a", [&] { wormGear.a = -inf; }},      // a lead angle of 90 degrees, designed
        {"P[1]", [] { gearPair.P = 1E400L; }},  // typed: finite, beyond a double
        {"dBore[2]", [] { wormGear.bore[2] = std::numeric_limits<Real>::quiet_NaN(); }},
        {"Messtext[1]", [] { wormGear.measurementText[1] = "zwei\r\nZeilen"; }},
        {"Werkstoff[2]", [] { gearPair.materialName[2] = "Zeile\n"; }},
        {"Kopfzeile 3", [] { reportHeaderLines[3] = std::string(kValueLineLimit + 1, 'x'); }},
    };
    for (const auto& [field, plant] : cases) {
        SCOPED_TRACE(field);
        ResetDataSet();
        plant();
        ui.calls.clear();
        cancelFlag = false;
        EXPECT_FALSE(WriteDataFile(path));
        EXPECT_TRUE(cancelFlag);
        EXPECT_EQ(Slurp(path), before);
        const auto shown = ui.CallsOf("message");
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_THAT(shown[0].text, ::testing::HasSubstr(std::string(": ") + field + " hat "));
        EXPECT_THAT(shown[0].text, ::testing::HasSubstr("gear.qb3"));
        std::vector<std::string> files;
        for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().filename());
        EXPECT_EQ(files, std::vector<std::string>{"gear.qb3"});
    }
    ResetDataSet();
    gearPair.P = 1E308L;  // below DBL_MAX = 1.797...E308
    wormGear.a = -1E300L;
    // Texts of exactly the line limit, in the header and in a field.
    const std::string atLimit(kValueLineLimit, 'x');
    reportHeaderLines[3] = atLimit;
    wormGear.measurementText[1] = atLimit;
    ASSERT_TRUE(WriteDataFile(path));
    ResetDataSet();
    reportHeaderLines[3].clear();
    ASSERT_TRUE(ReadDataFile(path));
    EXPECT_EQ(gearPair.P, 1E308L);
    EXPECT_EQ(wormGear.a, -1E300L);
    EXPECT_EQ(reportHeaderLines[3], atLimit);
    EXPECT_EQ(wormGear.measurementText[1], atLimit);
}

TEST_F(DataFile, SaveWithoutSectionsIsRefused) {
    dataFileSections = DataFileSections{};
    EXPECT_FALSE(WriteDataFile(Path("x.qb3")));
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(fs::exists(Path("x.qb3")));
}

}  // namespace
}  // namespace veldrim
