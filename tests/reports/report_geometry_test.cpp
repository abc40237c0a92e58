#include "reports/report_geometry.h"

#include <map>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/text_conv.h"
#include "report_test_support.h"
#include "reports/calc_report.h"

namespace veldrim {
namespace {
using namespace testing_support;

// The geometry part on the TXT destination, read back as rows.
class GeometryReport : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        RunCalculation();
        cancelFlag = false;
    }
    // Writes the geometry sections and returns the lines.
    std::vector<std::string> Lines(std::uint16_t destination = kReportTxtNoDialog) {
        SetCalcReportHeader(GeometryReportTitle());
        SetCalcReportColumnHeads();
        ReportOpen(destination, "x");
        ReportRewrite();
        EXPECT_FALSE(cancelFlag);
        ReportPageHeader(1, 1);
        ReportGeometrySections();
        CloseChecked(sharedTextFile);
        return LinesOf(Slurp(reportOutputName));
    }
    // Rows by label + symbol (the first of equal keys).
    std::map<std::string, std::vector<std::string>> Rows() {
        std::map<std::string, std::vector<std::string>> rows;
        for (const auto& line : Lines()) {
            auto fields = SplitTabs(line);
            if (fields.size() < 4) continue;
            rows.emplace(fields[0] + "|" + fields[1], fields);
        }
        return rows;
    }
    static std::string Key(std::string_view label, std::string_view symbol) {
        return std::string(label) + "|" + std::string(symbol);
    }
};

// Worm values 1xx, wheel values 2xx: a column swap or a wrong field shows.
TEST_F(GeometryReport, WormAndWheelValuesStayInTheirColumns) {
    auto& w = wormGear;
    struct Sentinel {
        std::string key;
        Real* worm;
        Real* wheel;
        Real scale;  // printed value / stored value
    };
    const std::vector<Sentinel> sentinels = {
        {Key("Mittenkreisdurchmesser", "dm"), &w.dm[1], &w.dm[2], 1},
        {Key("In.Kopfkreisdurchmesser", "da"), &w.da[1], &w.da[2], 1},
        {Key("Fußkreisdurchmesser"_cp850, "df"), &w.df[1], &w.df[2], 1},
        {Key("Grundkreisdurchmesser", "db"), &w.db[1], &w.db[2], 1},
        {Key("Kopfspiel", "c"), &w.c[1], &w.c[2], 1},
        {Key("Kopfhöhenfakt."_cp850, "ha0/m"), &w.haStar[1], &w.haStar[2], 1},
        {Key("Zahn Kopfhöhe"_cp850, "ha"), &w.ha[1], &w.ha[2], 1},
        {Key("Zahn Fußhöhe"_cp850, "hf"), &w.hf[1], &w.hf[2], 1},
        {Key("Zahnhöhe"_cp850, "h"), &w.h[1], &w.h[2], 1},
        {Key("Zahnbreite", "b"), &w.b[1], &w.b[2], 1},
        {Key("Steigungshöhe"_cp850, "pz"), &w.pz[1], &w.pz[2], 1},
        {Key("Normalzahndicke max.", "sn max"), &w.snMax[1], &w.snMax[2], 1},
        {Key("Normalzahndicke min.", "sn min"), &w.snMin[1], &w.snMin[2], 1},
        {Key("Normallückenweite"_cp850, "en"), &w.en[1], &w.en[2], 1},
        {Key("Oberes Zahndickenabmaß"_cp850, "Asne"), &w.Asne[1], &w.Asne[2], 1},
        {Key("Unteres Zahndickenabmaß"_cp850, "Asni"), &w.Asni[1], &w.Asni[2], 1},
        {Key("Zahndickentoleranz", "Tsn"), &w.Tsn[1], &w.Tsn[2], 1000},
        {Key("Diametr.Zweirollenmaß max"_cp850, "MR"), &w.MRMax[1], &w.MRMax[2], 1},
        {Key("Diam.Zweikugelmaß min"_cp850, "MK"), &w.MKMin[1], &w.MKMin[2], 1},
        {Key("Kugel-und Rollendurchmesser", "Dm"), &w.measurementInput[1], &w.measurementInput[2], 1},
        {Key("Teilungs-Einzelabweichung", "fp"), &w.fp[1], &w.fp[2], 1},
        {Key("Rundlaufabweichung", "Fr"), &w.FrDev[1], &w.FrDev[2], 1},
        {Key("Einflanken-Wälzabweichung"_cp850, "Fi'"), &w.FiPrime[1], &w.FiPrime[2], 1},
        {Key("Einflanken-Wälzsprung"_cp850, "fi'"), &w.fiPrime[1], &w.fiPrime[2], 1},
    };
    for (std::size_t i = 0; i < sentinels.size(); ++i) {
        *sentinels[i].worm = (101 + static_cast<Real>(i)) / sentinels[i].scale;
        *sentinels[i].wheel = (201 + static_cast<Real>(i)) / sentinels[i].scale;
    }
    gearPair.z[1] = 7;
    gearPair.z[2] = 53;
    w.k[1] = 4;
    w.k[2] = 9;
    w.quality[1] = 5;
    w.quality[2] = 8;
    const auto rows = Rows();
    for (std::size_t i = 0; i < sentinels.size(); ++i) {
        SCOPED_TRACE(sentinels[i].key);
        auto it = rows.find(sentinels[i].key);
        ASSERT_NE(it, rows.end());
        ASSERT_EQ(it->second.size(), 5u);
        EXPECT_EQ(TextToInt(TrimBoth(it->second[3]).substr(0, 3)), 101 + static_cast<int>(i));
        EXPECT_EQ(TextToInt(TrimBoth(it->second[4]).substr(0, 3)), 201 + static_cast<int>(i));
    }
    const auto pairOf = [&](const std::string& key) {
        auto it = rows.find(key);
        EXPECT_NE(it, rows.end()) << key;
        return it == rows.end() ? std::vector<std::string>{} : it->second;
    };
    EXPECT_EQ(pairOf(Key("Zähnezahl"_cp850, "z")), (std::vector<std::string>{std::string("Zähnezahl"_cp850), "z", "", "     7", "    53"}));
    EXPECT_EQ(TrimBoth(pairOf(Key("Meßzähnezahl"_cp850, "k"))[3]), "4");
    EXPECT_EQ(TrimBoth(pairOf(Key("Meßzähnezahl"_cp850, "k"))[4]), "9");
}

TEST_F(GeometryReport, SingleSidedRowsLeaveTheOtherColumnBlank) {
    wormGear.px = 11.5L;
    wormGear.pb = 12.5L;
    wormGear.Fpz = 13.5L;
    wormGear.Fp2 = 14.5L;
    wormGear.de2 = 150.25L;
    const auto rows = Rows();
    const auto check = [&](const std::string& key, const std::string& worm, const std::string& wheel) {
        SCOPED_TRACE(key);
        auto it = rows.find(key);
        ASSERT_NE(it, rows.end());
        ASSERT_EQ(it->second.size(), 5u);
        EXPECT_EQ(TrimBoth(it->second[3]), worm);
        EXPECT_EQ(TrimBoth(it->second[4]), wheel);
    };
    check(Key("Axialteilung", "px"), "11.500", "");
    check(Key("Grundzylinderteilung", "pb"), "12.500", "");
    check(Key("Steigungs-Gesamtabweichung", "Fpz"), "13.5", "");
    check(Key("Teilungs-Gesamtabweichung", "Fp2"), "", "14.5");
    check(Key("Außendurchmesser"_cp850, "de"), "", "150.250");
}

TEST_F(GeometryReport, WithoutToleranceTextsTheSectionBeginsWithTheUpperAllowance) {
    wormGear.toothThicknessDesignation[1].clear();
    wormGear.toothThicknessDesignation[2].clear();
    auto lines = Lines();
    auto title = std::find(lines.begin(), lines.end(), "TOLERANZEN, FLANKENSPIEL");
    ASSERT_NE(title, lines.end());
    EXPECT_EQ((title + 1)->rfind("Oberes Zahndickenabmaß"_cp850, 0), 0u);

    wormGear.toothThicknessDesignation[2] = " 6 e 25";
    lines = Lines();
    title = std::find(lines.begin(), lines.end(), "TOLERANZEN, FLANKENSPIEL");
    EXPECT_EQ(*(title + 1), std::string("Verzahnungsqualität Toleranzfeld nach DIN 3967"_cp850) +
                                "\t\t\t\t 6 e 25");
}

TEST_F(GeometryReport, OnlyTheWheelsCorrectionTextStillPrintsTheBlock) {
    wormGear.measurementText[1].clear();
    wormGear.measurementText[2] = "Kopf 0.2";
    const auto lines = Lines(kReportOutDos);
    const std::string rule = "       " + std::string(70, '-');
    auto title = std::find(lines.begin(), lines.end(), "       " + std::string("ZAHNKORREKTUR, KOPFRÜCKNAHME"_cp850));
    ASSERT_NE(title, lines.end());
    EXPECT_EQ(*(title - 1), "       ");
    EXPECT_EQ(*(title + 1), rule);
    EXPECT_EQ(*(title + 2), "       Zahnkorrektur Rad 1 : ");
    EXPECT_EQ(*(title + 3), rule);
    EXPECT_EQ(*(title + 4), "       Zahnkorrektur Rad 2 : Kopf 0.2");
    EXPECT_EQ(*(title + 5), rule);

    wormGear.measurementText[2].clear();
    const auto none = Lines(kReportOutDos);
    EXPECT_EQ(std::find(none.begin(), none.end(), *title), none.end());
}

TEST_F(GeometryReport, TheWheelsSpanLimitsAreOrderedByAbsoluteValue) {
    wormGear.WXemax[1] = -31.25L;  // the worm's limits print as stored
    wormGear.WXemin[1] = 31.5L;
    wormGear.WXemax[2] = 56.25L;
    wormGear.WXemin[2] = -56.75L;
    const auto rows = Rows();
    const auto values = [&](std::string_view label, std::string_view symbol) {
        auto it = rows.find(Key(label, symbol));
        EXPECT_NE(it, rows.end());
        return std::make_pair(TrimBoth(it->second[3]), TrimBoth(it->second[4]));
    };
    EXPECT_EQ(values("Zahnweite max", "Wmax"), std::make_pair(std::string("-31.250"), std::string("56.750")));
    EXPECT_EQ(values("Zahnweite min", "Wmin"), std::make_pair(std::string("31.500"), std::string("56.250")));
    EXPECT_EQ(values("Zahnweitentoleranz", "TW"), std::make_pair(std::string("62.750"), std::string("113.000")));
}

TEST_F(GeometryReport, InchReportsConvertLengthsAndMicronsButNotTheRadii) {
    unitSystem = 1;
    wormGear.a = 254;
    wormGear.mx = 5;
    wormGear.rfStar[1] = 0.3L;
    wormGear.Tsn[1] = 0.0254L;  // 25.4 µm = 1000 µin
    wormGear.fp[1] = 2.54L;     // 100 µin
    const auto rows = Rows();
    const auto row = [&](std::string_view label, std::string_view symbol) {
        auto it = rows.find(Key(label, symbol));
        EXPECT_NE(it, rows.end()) << label;
        return it == rows.end() ? std::vector<std::string>(5) : it->second;
    };
    EXPECT_EQ(row("Achsabstand", "a")[2], "in");
    EXPECT_EQ(TrimBoth(row("Achsabstand", "a")[3]), "10.000");
    EXPECT_EQ(row("Fußausrundungsrad."_cp850, "rf")[2], "");
    EXPECT_EQ(TrimBoth(row("Fußausrundungsrad."_cp850, "rf")[3]), "1.500");
    EXPECT_EQ(row("Zahndickentoleranz", "Tsn")[2], std::string("µin"_cp850));
    EXPECT_EQ(TrimBoth(row("Zahndickentoleranz", "Tsn")[3]), "1000");
    EXPECT_EQ(row("Teilungs-Einzelabweichung", "fp")[2], std::string("µin"_cp850));
    EXPECT_EQ(TrimBoth(row("Teilungs-Einzelabweichung", "fp")[3]), "100.0");
}

TEST_F(GeometryReport, CodesOutsideTheirTablesPrintNoText) {
    wormGear.flankForm = 9;
    wormGear.hand = 0;
    const auto rows = Rows();
    EXPECT_EQ(rows.at(Key("Form der Schnecke", "")).at(3), "");
    EXPECT_EQ(rows.at(Key("Flankenrichtung", "")).at(3), "");
    wormGear.flankForm = kFlankZH;
    wormGear.hand = 2;
    const auto named = Rows();
    EXPECT_EQ(named.at(Key("Form der Schnecke", "")).at(3), "ZH (C)");
    EXPECT_EQ(named.at(Key("Flankenrichtung", "")).at(3), "linkssteigend");
}

TEST_F(GeometryReport, TheAnglesArePrintedInDegrees) {
    wormGear.alpha0 = 20;                         // held in degrees
    wormGear.gammaM = 0.5L * 3.14159265358979323846L / 2;  // 45 degrees
    angleFormat = 1;
    const auto rows = Rows();
    EXPECT_EQ(TrimBoth(rows.at(Key("Erzeugungswinkel", "alpha 0")).at(3)), std::string("20°"_cp850));
    EXPECT_EQ(TrimBoth(rows.at(Key("Steigungswinkel", "gamma m")).at(3)), std::string("45°"_cp850));
    EXPECT_EQ(rows.at(Key("Steigungswinkel", "gamma m")).at(2), "Grad");
}

TEST_F(GeometryReport, ACancelAtASectionCheckStopsThePart) {
    // The first page header's pause question refused mid-part: a later
    // section check sees the flag and nothing more is written.
    SetCalcReportHeader(GeometryReportTitle());
    ReportOpen(kReportOutDos, "x");
    ReportRewrite();
    linesPerPage = 20;
    pauseAfterEachPage = true;
    ui.QueueAnswer(Answer::Yes);  // first page
    ui.QueueAnswer(Answer::No);   // second page refused
    ReportPageHeader(1, 1);
    ReportGeometrySections();
    EXPECT_TRUE(cancelFlag);
    CloseChecked(sharedTextFile);
    const std::string text = Slurp(reportOutputName);
    EXPECT_EQ(text.find("ZULÄSSIGE ABWEICHUNGEN"_cp850), std::string::npos);
}

}  // namespace
}  // namespace veldrim
