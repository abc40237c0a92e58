#include "reports/report_geometry.h"

#include <map>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "report_test_support.h"
#include "reports/calc_report.h"

namespace veldrim {
namespace {
using namespace testing_support;

// The geometry part (mode 1) of the default data set on TXT, as rows by "label|symbol".
class GeometryReport : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        RunCalculation();
    }
    std::map<std::string, Row> Rows() {
        std::map<std::string, Row> rows;
        for (const Row& r : TxtRows(Produce(kReportTxtNoDialog, [] { PrintResultReport(1); })))
            rows.emplace(r.label + "|" + r.symbol, r);
        return rows;
    }
};

// Worm values 1xx, wheel values 2xx: a column swap or a wrong field shows;
// single-sided rows leave the other column blank.
TEST_F(GeometryReport, WormAndWheelValuesStayInTheirColumns) {
    auto& w = wormGear;
    const struct {
        const char* key;
        Pair<Real>* field;
        Real scale;  // printed value / stored value
    } sentinels[] = {
        {"Mittenkreisdurchmesser|dm", &w.dm, 1},      {"Fußkreisdurchmesser|df"_cp850.data(), &w.df, 1},
        {"Normalzahndicke max.|sn max", &w.snMax, 1}, {"Zahndickentoleranz|Tsn", &w.Tsn, 1000},
        {"Diametr.Zweirollenmaß max|MR"_cp850.data(), &w.MRMax, 1},
        {"Teilungs-Einzelabweichung|fp", &w.fp, 1},   {"Einflanken-Wälzsprung|fi'"_cp850.data(), &w.fiPrime, 1},
    };
    for (std::size_t i = 0; i < std::size(sentinels); ++i)
        *sentinels[i].field = {{(101 + static_cast<Real>(i)) / sentinels[i].scale,
                                (201 + static_cast<Real>(i)) / sentinels[i].scale}};
    gearPair.z = {{7, 53}};
    w.px = 11.5L;
    w.Fp2 = 14.5L;
    auto rows = Rows();
    for (std::size_t i = 0; i < std::size(sentinels); ++i) {
        EXPECT_EQ(rows[sentinels[i].key].v1.substr(0, 3), std::to_string(101 + i)) << sentinels[i].key;
        EXPECT_EQ(rows[sentinels[i].key].v2.substr(0, 3), std::to_string(201 + i)) << sentinels[i].key;
    }
    EXPECT_EQ(rows["Zähnezahl|z"_cp850.data()], (Row{std::string("Zähnezahl"_cp850), "z", "", "7", "53"}));
    EXPECT_EQ(rows["Axialteilung|px"].v1 + "|" + rows["Axialteilung|px"].v2, "11.500|");
    EXPECT_EQ(rows["Teilungs-Gesamtabweichung|Fp2"].v1 + "|" + rows["Teilungs-Gesamtabweichung|Fp2"].v2, "|14.5");
}

TEST_F(GeometryReport, CodesOutsideTheirTablesPrintNoTextAndAnglesPrintInDegrees) {
    wormGear.flankForm = 9;
    wormGear.hand = 0;
    auto rows = Rows();
    EXPECT_EQ(rows["Form der Schnecke|"].v1 + rows["Flankenrichtung|"].v1, "");
    wormGear.flankForm = kFlankZH;
    wormGear.hand = 2;
    wormGear.gammaM = 0.5L * 3.14159265358979323846L / 2;  // 45 degrees
    angleFormat = 1;
    rows = Rows();
    EXPECT_EQ(rows["Form der Schnecke|"].v1 + "|" + rows["Flankenrichtung|"].v1, "ZH (C)|linkssteigend");
    EXPECT_EQ(rows["Steigungswinkel|gamma m"].unit + " " + rows["Steigungswinkel|gamma m"].v1, "Grad 45°"_cp850);
}

}  // namespace
}  // namespace veldrim
