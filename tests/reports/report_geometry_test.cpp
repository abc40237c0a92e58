#include "reports/report_geometry.h"

#include <algorithm>
#include <map>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/text_conv.h"
#include "report_test_support.h"
#include "reports/calc_report.h"

namespace veldrim {
namespace {
using namespace testing_support;

// The geometry part of the default data set, read back as lines or rows.
class GeometryReport : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        RunCalculation();
        cancelFlag = false;
    }
    std::vector<std::string> Lines(std::uint16_t destination = kReportTxtNoDialog) {
        SetCalcReportHeader(GeometryReportTitle());
        SetCalcReportColumnHeads();
        ReportOpen(destination, "x");
        ReportRewrite();
        EXPECT_FALSE(cancelFlag);
        ReportPageHeader(1, 1);
        ReportGeometrySections();
        return LinesOf(Written());
    }
    // Rows by "label|symbol" (the first of equal keys), trimmed.
    std::map<std::string, Row> Rows() {
        std::map<std::string, Row> rows;
        std::string text;
        for (const auto& line : Lines()) text += line + "\r\n";
        for (const Row& r : TxtRows(text)) rows.emplace(r.label + "|" + r.symbol, r);
        return rows;
    }
    Row At(const std::string& label, const std::string& symbol) {
        const auto rows = Rows();
        const auto it = rows.find(label + "|" + symbol);
        EXPECT_NE(it, rows.end()) << label;
        return it == rows.end() ? Row{} : it->second;
    }
};

// Worm values 1xx, wheel values 2xx: a column swap or a wrong field shows.
TEST_F(GeometryReport, WormAndWheelValuesStayInTheirColumns) {
    auto& w = wormGear;
    const struct {
        std::string key;
        Pair<Real>* field;
        Real scale;  // printed value / stored value
    } sentinels[] = {
        {"Mittenkreisdurchmesser|dm", &w.dm, 1},        {"Fußkreisdurchmesser|df"_cp850.data(), &w.df, 1},
        {"Normalzahndicke max.|sn max", &w.snMax, 1},   {"Zahndickentoleranz|Tsn", &w.Tsn, 1000},
        {"Diametr.Zweirollenmaß max|MR"_cp850.data(), &w.MRMax, 1},
        {"Teilungs-Einzelabweichung|fp", &w.fp, 1},     {"Einflanken-Wälzsprung|fi'"_cp850.data(), &w.fiPrime, 1},
    };
    for (std::size_t i = 0; i < std::size(sentinels); ++i)
        *sentinels[i].field = {{(101 + static_cast<Real>(i)) / sentinels[i].scale,
                                (201 + static_cast<Real>(i)) / sentinels[i].scale}};
    gearPair.z = {{7, 53}};
    w.k = {{4, 9}};
    auto rows = Rows();
    for (std::size_t i = 0; i < std::size(sentinels); ++i) {
        SCOPED_TRACE(sentinels[i].key);
        const Row& r = rows[sentinels[i].key];
        EXPECT_EQ(r.v1.substr(0, 3), std::to_string(101 + i));
        EXPECT_EQ(r.v2.substr(0, 3), std::to_string(201 + i));
    }
    EXPECT_EQ(rows["Zähnezahl|z"_cp850.data()], (Row{std::string("Zähnezahl"_cp850), "z", "", "7", "53"}));
    EXPECT_EQ(rows["Meßzähnezahl|k"_cp850.data()].v2, "9");
}

TEST_F(GeometryReport, SingleSidedRowsLeaveTheOtherColumnBlank) {
    wormGear.px = 11.5L;
    wormGear.Fp2 = 14.5L;
    wormGear.de2 = 150.25L;
    auto rows = Rows();
    EXPECT_EQ(rows["Axialteilung|px"], (Row{"Axialteilung", "px", "mm", "11.500", ""}));
    EXPECT_EQ(rows["Teilungs-Gesamtabweichung|Fp2"].v1, "");
    EXPECT_EQ(rows["Teilungs-Gesamtabweichung|Fp2"].v2, "14.5");
    EXPECT_EQ(rows["Außendurchmesser|de"_cp850.data()].v2, "150.250");
}

TEST_F(GeometryReport, OptionalTextsOpenTheirBlocksOnlyWhenGiven) {
    wormGear.toothThicknessDesignation[1].clear();
    wormGear.toothThicknessDesignation[2].clear();
    auto lines = Lines();
    auto title = std::find(lines.begin(), lines.end(), "TOLERANZEN, FLANKENSPIEL");
    ASSERT_NE(title, lines.end());
    EXPECT_EQ((title + 1)->rfind("Oberes Zahndickenabmaß"_cp850, 0), 0u);
    wormGear.toothThicknessDesignation[2] = " 6 e 25";
    lines = Lines();
    title = std::find(lines.begin(), lines.end(), "TOLERANZEN, FLANKENSPIEL");
    EXPECT_EQ(*(title + 1), "Verzahnungsqualität Toleranzfeld nach DIN 3967\t\t\t\t 6 e 25"_cp850);

    // Only the wheel's correction text still prints the whole block.
    wormGear.measurementText[1].clear();
    wormGear.measurementText[2] = "Kopf 0.2";
    lines = Lines(kReportOutDos);
    const std::string rule = "       " + std::string(70, '-');
    const std::string block = "       " + std::string("ZAHNKORREKTUR, KOPFRÜCKNAHME"_cp850);
    title = std::find(lines.begin(), lines.end(), block);
    ASSERT_NE(title, lines.end());
    EXPECT_EQ(std::vector<std::string>(title - 1, title + 6),
              (std::vector<std::string>{"       ", block, rule, "       Zahnkorrektur Rad 1 : ", rule,
                                        "       Zahnkorrektur Rad 2 : Kopf 0.2", rule}));
    wormGear.measurementText[2].clear();
    lines = Lines(kReportOutDos);
    EXPECT_EQ(std::find(lines.begin(), lines.end(), block), lines.end());
}

TEST_F(GeometryReport, TheWheelsSpanLimitsAreOrderedByAbsoluteValue) {
    wormGear.WXemax = {{-31.25L, 56.25L}};  // the worm's limits print as stored
    wormGear.WXemin = {{31.5L, -56.75L}};
    auto rows = Rows();
    EXPECT_EQ(rows["Zahnweite max|Wmax"].v1 + " " + rows["Zahnweite max|Wmax"].v2, "-31.250 56.750");
    EXPECT_EQ(rows["Zahnweite min|Wmin"].v1 + " " + rows["Zahnweite min|Wmin"].v2, "31.500 56.250");
    EXPECT_EQ(rows["Zahnweitentoleranz|TW"].v1 + " " + rows["Zahnweitentoleranz|TW"].v2, "62.750 113.000");
}

// Inch: lengths in inch, µm values in µin with the µin label; the radius factor stays.
TEST_F(GeometryReport, InchReportsConvertLengthsAndMicronsButNotTheRadii) {
    unitSystem = 1;
    wormGear.a = 254;
    wormGear.mx = 5;
    wormGear.rfStar[1] = 0.3L;
    wormGear.Tsn[1] = 0.0254L;  // 25.4 µm = 1000 µin
    wormGear.fp[1] = 2.54L;     // 100 µin
    auto rows = Rows();
    const std::string uin(std::string("µin"_cp850));
    EXPECT_EQ(rows["Achsabstand|a"].unit + " " + rows["Achsabstand|a"].v1, "in 10.000");
    EXPECT_EQ(rows["Fußausrundungsrad.|rf"_cp850.data()].unit + " " + rows["Fußausrundungsrad.|rf"_cp850.data()].v1,
              " 1.500");
    EXPECT_EQ(rows["Zahndickentoleranz|Tsn"].unit + " " + rows["Zahndickentoleranz|Tsn"].v1, uin + " 1000");
    EXPECT_EQ(rows["Teilungs-Einzelabweichung|fp"].unit + " " + rows["Teilungs-Einzelabweichung|fp"].v1, uin + " 100.0");
}

TEST_F(GeometryReport, CodesOutsideTheirTablesPrintNoTextAndAnglesPrintInDegrees) {
    wormGear.flankForm = 9;
    wormGear.hand = 0;
    auto rows = Rows();
    EXPECT_EQ(rows["Form der Schnecke|"].v1 + rows["Flankenrichtung|"].v1, "");
    wormGear.flankForm = kFlankZH;
    wormGear.hand = 2;
    wormGear.alpha0 = 20;                                  // held in degrees
    wormGear.gammaM = 0.5L * 3.14159265358979323846L / 2;  // 45 degrees
    angleFormat = 1;
    rows = Rows();
    EXPECT_EQ(rows["Form der Schnecke|"].v1, "ZH (C)");
    EXPECT_EQ(rows["Flankenrichtung|"].v1, "linkssteigend");
    EXPECT_EQ(rows["Erzeugungswinkel|alpha 0"].v1, "20°"_cp850);
    EXPECT_EQ(rows["Steigungswinkel|gamma m"].unit + " " + rows["Steigungswinkel|gamma m"].v1, "Grad 45°"_cp850);
}

// The second page's pause question refused mid-part: a later section check
// sees the flag and nothing more is written.
TEST_F(GeometryReport, ACancelAtASectionCheckStopsThePart) {
    SetCalcReportHeader(GeometryReportTitle());
    ReportOpen(kReportOutDos, "x");
    ReportRewrite();
    linesPerPage = 20;
    pauseAfterEachPage = true;
    ui.QueueAnswer(Answer::Yes);
    ui.QueueAnswer(Answer::No);
    ReportPageHeader(1, 1);
    ReportGeometrySections();
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(Contains(Written(), "ZULÄSSIGE ABWEICHUNGEN"_cp850));
}

}  // namespace
}  // namespace veldrim
