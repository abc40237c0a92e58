// Which field lands in which column and section: result fields carry sentinel
// values for worm and wheel and for the 1998 and 2012 editions of DIN 3996.

#include <array>
#include <cmath>
#include <gmock/gmock.h>
#include <map>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/text_conv.h"
#include "report_test_support.h"
#include "reports/calc_report.h"
#include "reports/report_excerpt.h"

using ::testing::AnyOf;
using ::testing::EndsWith;
using ::testing::Eq;
using ::testing::IsEmpty;

namespace veldrim {
namespace {
using namespace testing_support;

// The sentinel a printed value carries: its first three digits for the
// DIN 3996 sentinels (111/222 per edition, 311/322 worm, 411/422 wheel), "6"
// or "7" for the Niemann worm and wheel sentinels 6xx and 7xx; else empty.
std::string SentinelOf(const std::string& v) {
    if (v.size() < 3 || v.find_first_not_of("0123456789") < 3 || (v.size() > 3 && v[3] != '.'))
        return {};
    if (v[0] == '6' || v[0] == '7') return v.substr(0, 1);
    for (const char* s : {"111", "222", "311", "322", "411", "422"})
        if (v.compare(0, 3, s) == 0) return s;
    return {};
}

// Worm sentinels only in the first column, wheel sentinels only in the
// second, nothing else, and at least `least` of each.
void ExpectNiemannColumnsApart(std::map<std::string, std::pair<int, int>> seen, int least) {
    EXPECT_GE(seen["6"].first, least) << seen["6"].first << " " << seen["7"].second;
    EXPECT_GE(seen["7"].second, least) << seen["6"].first << " " << seen["7"].second;
    EXPECT_EQ(seen["6"].second + seen["7"].first, 0);
    EXPECT_EQ(seen.size(), 2u);
}

// Per sentinel: how many values in the first and in the second column.
std::map<std::string, std::pair<int, int>> SentinelColumns(const std::vector<Row>& rows) {
    std::map<std::string, std::pair<int, int>> seen;
    for (const Row& r : rows) {
        if (auto s = SentinelOf(r.v1); !s.empty()) ++seen[s].first;
        if (auto s = SentinelOf(r.v2); !s.empty()) ++seen[s].second;
    }
    return seen;
}

class ReportSentinels : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        WormGearRecord& w = wormGear;
        GearPairRecord& g = gearPair;
        for (Pair<Real>* p :
             {&w.FrDin,   &w.FnDin,  &w.pmStar,   &w.hStar,  &w.hminm, &w.mue0T, &w.YG, &w.mueZm,
              &w.etaZDin, &w.PVzDin, &w.PV,       &w.etaDin, &w.KW,    &w.delWn, &w.SW, &w.pm,
              &w.SHDin,   &w.LtHDin, &w.deltalim, &w.YF,     &w.tauF,  &w.SFDin})
            *p = {{111.1L, 222.2L}};
        w.JW = w.J0T = {{111.1E-9L, 222.2E-9L}};
        w.sWm = {{111100, 222200}};  // mm, printed in m
        w.PDin = w.Ft1Din = w.Fx1Din = {{311.1L, 322.2L}};
        w.PDinOut = w.Ft2Din = w.Fx2Din = {{411.1L, 422.2L}};
        w.TDin = {{311.1L, 322.2L, 411.1L, 422.2L}};
        g.P = 601.25L, w.P = 701.75L;  // input and the output power the Niemann rating reached
        Real k = 602.25L;
        for (Pair<Real>* p :
             {&g.T, &g.n, &w.Ft, &w.Fx, &g.E, &g.sigHlim, &g.sigmaFE, &g.HB, &g.SH, &g.LtH, &g.SF})
            *p = {{k, k + 100.5L}}, ++k;
    }
    std::string Txt(std::uint16_t mode) {
        return Produce(kReportTxtNoDialog, [&] { PrintResultReport(mode); });
    }
};

TEST_F(ReportSentinels, DinPartsPrintTheirOwnEditionAndKeepWormAndWheelApart) {
    for (std::uint16_t mode : {0, 2, 3, 5, 6}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        const bool is2012 = mode != 5;
        const std::string edition = is2012 ? "DIN 3996:2012" : "DIN 3996:1998";
        const std::string text = Txt(mode);
        auto seen = SentinelColumns(TxtRows(text, "BETRIEBSDATEN NACH " + edition));
        EXPECT_GE(seen[is2012 ? "222" : "111"].first, 25);
        EXPECT_EQ(seen[is2012 ? "222" : "111"].second, 2);  // the radial and normal forces
        EXPECT_EQ(seen[is2012 ? "322" : "311"], std::make_pair(4, 0));
        EXPECT_EQ(seen[is2012 ? "422" : "411"], std::make_pair(0, 4));
        EXPECT_EQ(seen.size(), 3u) << "values of the other edition or of the Niemann part";
        // The titles of its seven sections name the edition.
        for (const auto& line : CrLfLines(text)) {
            if (Contains(line, "NACH DIN 3996:")) {
                EXPECT_THAT(line, EndsWith(edition));
            }
        }
        EXPECT_EQ(CountOf(text, " NACH " + edition + "\r\n"), 7u);
        if (ReportModePrintsNiemann(mode)) {
            seen = SentinelColumns(TxtRows(text, "BETRIEBSDATEN", "BETRIEBSDATEN NACH"));
            EXPECT_EQ(seen.size(), 2u) << "DIN 3996 values in the Niemann part";
        }
    }
}

TEST_F(ReportSentinels, NiemannPartAndExcerptKeepWormAndWheelInTheirColumns) {
    ExpectNiemannColumnsApart(SentinelColumns(TxtRows(Txt(4), "BETRIEBSDATEN")), 12);
    wormGear.din3996Switch =
        0;  // the excerpt shows the wear safety of 2012 also with the switch off
    const auto rows = TxtRows(Produce(kReportTxtNoDialog, PrintNiemannExcerpt));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back(),
              (Row{std::string("Verschleißsicherheit"_cp850), "SW", "", "222.200", ""}));
    auto seen = SentinelColumns(rows);
    seen.erase("222");  // the wear safety just checked
    ExpectNiemannColumnsApart(seen, 4);
}

// The entered power belongs to the driving shaft and the output power the
// rating reached to the driven one: when the wheel drives, the worm column
// shows the output (701.75) and the wheel column the entered power
// (601.25), in the excerpt as in the full report.
TEST_F(ReportSentinels, PowerRowsFollowTheDriverInExcerptAndReport) {
    const struct {
        std::uint16_t driver;
        const char *worm, *wheel;
    } cases[] = {{1, "601.250", "701.750"}, {2, "701.750", "601.250"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        wormGear.driver = c.driver;
        const Row excerpt = FindRow(TxtRows(Produce(kReportTxtNoDialog, PrintNiemannExcerpt)), "P");
        EXPECT_EQ(excerpt, (Row{"Nennleistung", "P", "kW", c.worm, c.wheel}));
        const Row report = FindRow(TxtRows(Txt(4), "BETRIEBSDATEN"), "P");
        EXPECT_EQ(report, (Row{"Nennleistung (Niemann)", "P", "kW", c.worm, c.wheel}));
    }
}

// Worm values from column 51, wheel values from 62, single values from 56, after the margin.
TEST_F(ReportSentinels, PagedTextColumnsOfWormWheelAndSingleValues) {
    ui.batch = true;
    const auto lines = CrLfLines(Produce(kReportScreen, [] { PrintResultReport(5); }));
    auto find = [&](const std::string& start) {
        for (const auto& l : lines)
            if (l.rfind(std::string(kReportMargin) + start, 0) == 0) return l;
        ADD_FAILURE() << start;
        return std::string(80, ' ');
    };
    EXPECT_EQ(find("Drehmoment (DIN 3996)").substr(7 + 50), "   311.1      411.1  ");
    EXPECT_EQ(find("Max.Radialkraft").substr(7 + 50), "     111        111  ");
    EXPECT_EQ(find("Verschleißsicherheit"_cp850.data()).substr(7 + 55), " 111.100       ");
}

TEST_F(ReportSentinels, EditionMessagesEndInTheirEditionAndAgreeWithThePrintedSafeties) {
    const struct {
        const char *symbol, *message;
        Real limit;
    } checks[] = {// messages without the edition name
                  {"SW", "Fehler : SW < 1.1 ! ", 1.1L},
                  {"SH", "Fehler : SH < 1.0 !  ", 1.0L},
                  {"SF", "Fehler : SF < 1.1 ! ", 1.1L}};
    int below = 0, above = 0;
    for (Real power : {0.3L, 1.0L, 3.778L, 10.0L, 30.0L}) {
        for (Real life : {500.0L, 25000.0L}) {
            ResetGearData(), ResetMessages();
            gearPair.P = power, wormGear.PDin = {{power, power}}, wormGear.LHmin = life;
            RunCalculation();
            if (fatalFlag || messageList.count >= kMaxMessages)
                continue;  // a full list may drop messages
            for (const std::string name : {"DIN 3996:1998", "DIN 3996:2012"}) {
                const std::string text = Txt(name == "DIN 3996:1998" ? 5 : 6);
                const auto rows = TxtRows(text, "BETRIEBSDATEN NACH " + name);
                for (const auto& c : checks) {
                    const Real value = std::stold(FindRow(rows, c.symbol).v1);
                    if (std::fabs(value - c.limit) < 0.01L)
                        continue;  // too close to judge from print
                    EXPECT_EQ(Contains(text, "\r\n" + std::string(c.message) + name + "\t"),
                              value < c.limit)
                        << c.symbol << " " << static_cast<double>(value) << " " << name;
                    (value < c.limit ? below : above)++;
                }
            }
            for (const std::string& m : MessageTexts()) {
                const auto at = std::min(m.find("DIN 3996:"), m.size());
                EXPECT_THAT(m.substr(at),
                            AnyOf(IsEmpty(), Eq("DIN 3996:1998"), Eq("DIN 3996:2012")))
                    << m;
            }
        }
    }
    EXPECT_GT(below, 0) << below << " " << above;
    EXPECT_GT(above, 0) << below << " " << above;
}

// Codes outside their tables print empty texts (the bearing has a text for
// every code: see the next test).
TEST_F(ReportSentinels, CodeTextsAreLookedUpWithinTheirTables) {
    // Lubricant, lubrication, driver, heat treatment, flank form and hand: known codes, then outside.
    const std::array<int, 6> cases[] = {
        {5, 1, 2, 6, kFlankZH, 2}, {0, -1, 0, 8, 0, 0}, {6, 2, 3, 65535, 6, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE("lubricant " + std::to_string(c[0]));
        const bool known = &c == &cases[0];
        auto knownOrEmpty = [&](const char* text) { return std::string(known ? text : ""); };
        wormGear.lubricantKind = static_cast<std::uint16_t>(c[0]);
        wormGear.lubrication = c[1];
        wormGear.driver = static_cast<std::uint16_t>(c[2]);
        gearPair.heatTreatment[1] = static_cast<std::uint16_t>(c[3]);
        wormGear.flankForm = static_cast<std::uint16_t>(c[4]);
        wormGear.hand = static_cast<std::uint16_t>(c[5]);
        const std::string text = Txt(0);
        std::map<std::string, Row> rows;
        for (const Row& r : TxtRows(text)) rows.emplace(r.label, r);
        EXPECT_EQ(rows["Form der Schnecke"].v1 + "|" + rows["Flankenrichtung"].v1,
                  known ? "ZH (C)|linkssteigend" : "|");
        for (const std::string& line :
             {"\r\nSchmierstoff   :  " + knownOrEmpty("Polyalphaolefin (PAO)") + "\r\n",
              "\r\nSchmierung: " + knownOrEmpty("Tauchschmierung") + "\r\n",
              "\r\nAntrieb\t\t\t" + knownOrEmpty("Rad treibt") + "\t\r\n",
              "\r\nWärmebehandlung Schnecke: "_cp850.data() +
                  PadRight(knownOrEmpty("badnitriert"), 16) + "  Rad2: "})
            EXPECT_TRUE(Contains(text, line)) << line;
    }
    EXPECT_EQ(ReportCodeText(kLubricationTexts, 70000, 0), "");
}

// The efficiency section names the bearing arrangement for every code: a
// code below 1 as the adjusted bearing, a code above 2 as the locating and
// floating bearing, in both editions.
TEST_F(ReportSentinels, EveryBearingCodePrintsABearingText) {
    const std::pair<std::uint16_t, const char*> cases[] = {{0, "angestellte Lagerung"},
                                                           {1, "angestellte Lagerung"},
                                                           {2, "Fest-Los-Lagerung"},
                                                           {3, "Fest-Los-Lagerung"},
                                                           {65535, "Fest-Los-Lagerung"}};
    for (const auto& [code, text] : cases) {
        wormGear.bearingArrangement = code;
        for (const std::uint16_t mode : {5, 6}) {
            const std::string report = Txt(mode);
            const auto at = report.find("WIRKUNGSGRAD NACH DIN 3996:");
            ASSERT_NE(at, std::string::npos) << "mode " << mode;
            const std::string section = report.substr(at);
            const std::string line = "\r\nLagerung : " + std::string(text) + "\r\n";
            EXPECT_TRUE(Contains(section, line)) << "code " << code << " mode " << mode;
            EXPECT_EQ(CountOf(report, "Lagerung : "), 1u) << "code " << code << " mode " << mode;
        }
    }
}

// The no-load factor row shows only when the percentage rounds (halves to even) away from 100.
TEST_F(ReportSentinels, NoLoadFactorRowOnlyWhenItRoundsAwayFrom100) {
    for (const auto& [percent, printed] : std::vector<std::pair<Real, bool>>{
             {100.5L, false}, {99.5L, false}, {100.6L, true}, {99.4L, true}, {101.5L, true}}) {
        wormGear.PV0Percent = percent;
        EXPECT_EQ(Contains(Txt(4), "Faktor Leerlauf-Verlustleistung\tPV0%"), printed)
            << static_cast<double>(percent);
    }
}

// µm values go to µin, lengths to inch, stresses to psi; the reduced modulus keeps N/mm².
TEST_F(ReportSentinels, InchUnitsGiveEveryValueItsOwnUnit) {
    unitSystem = 1;
    const auto rows = TxtRows(Txt(5), "BETRIEBSDATEN NACH DIN 3996:1998");
    const std::pair<const char*, std::string> units[] = {{"hminm", "µin"_cp850.data()},
                                                         {"Ra1", "µin"_cp850.data()},
                                                         {"sWm", "in"},
                                                         {"del.Wn", "in"},
                                                         {"E red", "N/mm²"_cp850.data()},
                                                         {"Sig.hm", "psi"},
                                                         {"tauFG", "psi"},
                                                         {"Sig.HG", "psi"}};
    for (const auto& [symbol, unit] : units) EXPECT_EQ(FindRow(rows, symbol).unit, unit) << symbol;
    EXPECT_NEAR(static_cast<double>(std::stold(FindRow(rows, "hminm").v1)), 111.1 / 0.0254, 0.001);
    EXPECT_NEAR(static_cast<double>(std::stold(FindRow(rows, "sWm").v1)), 111100 / 25.4, 0.1);
    EXPECT_NEAR(static_cast<double>(std::stold(FindRow(rows, "tauF").v1)), 111.1 * 145.0377,
                0.5);  // psi
}

TEST_F(ReportSentinels, LongMaterialNamesAreCutNotLost) {
    gearPair.materialName[1] = "R&D " + std::string(300, 'x');
    gearPair.materialName[2] = std::string(296, 'y') + "<end>";
    const std::string line = " " + std::string(18, 'x') + " Rad2: " + std::string(22, 'y') + "\r\n";
    EXPECT_TRUE(Contains(Txt(4), "\r\nWerkstoff Schnecke: R&D" + line));
    const std::string html = Produce(kReportHtmlFile, [] { PrintResultReport(4); });
    EXPECT_TRUE(Contains(html, "<br>Werkstoff Schnecke: R&amp;D" + line));
    EXPECT_FALSE(Contains(html, "<end>"));
}

// Worm values 1xx, wheel values 2xx; single-sided rows leave the other column blank.
TEST_F(ReportSentinels, GeometryKeepsWormAndWheelInTheirColumns) {
    auto& w = wormGear;
    const struct {
        const char* key;
        Pair<Real>* field;
        Real scale; /* printed / stored */
    } sentinels[] = {
        {"Mittenkreisdurchmesser|dm", &w.dm, 1},
        {"Fußkreisdurchmesser|df"_cp850.data(), &w.df, 1},
        {"Normalzahndicke max.|sn max", &w.snMax, 1},
        {"Zahndickentoleranz|Tsn", &w.Tsn, 1000},
        {"Diametr.Zweirollenmaß max|MR"_cp850.data(), &w.MRMax, 1},
        {"Teilungs-Einzelabweichung|fp", &w.fp, 1},
        {"Einflanken-Wälzsprung|fi'"_cp850.data(), &w.fiPrime, 1},
    };
    for (std::size_t i = 0; i < std::size(sentinels); ++i)
        *sentinels[i].field = {{(101 + static_cast<Real>(i)) / sentinels[i].scale,
                                (201 + static_cast<Real>(i)) / sentinels[i].scale}};
    gearPair.z = {{7, 53}};
    w.px = 11.5L, w.Fp2 = 14.5L;
    w.gammaM = 0.5L * 3.14159265358979323846L / 2;  // 45 degrees
    angleFormat = 1;
    std::map<std::string, Row> rows;
    for (const Row& r : TxtRows(Txt(1))) rows.emplace(r.label + "|" + r.symbol, r);
    for (std::size_t i = 0; i < std::size(sentinels); ++i)
        EXPECT_EQ(
            rows[sentinels[i].key].v1.substr(0, 3) + "|" + rows[sentinels[i].key].v2.substr(0, 3),
            std::to_string(101 + i) + "|" + std::to_string(201 + i))
            << sentinels[i].key;
    EXPECT_EQ(rows["Zähnezahl|z"_cp850.data()],
              (Row{std::string("Zähnezahl"_cp850), "z", "", "7", "53"}));
    EXPECT_EQ(rows["Axialteilung|px"].v1 + "|" + rows["Axialteilung|px"].v2, "11.500|");
    EXPECT_EQ(
        rows["Teilungs-Gesamtabweichung|Fp2"].v1 + "|" + rows["Teilungs-Gesamtabweichung|Fp2"].v2,
        "|14.5");
    EXPECT_EQ(rows["Steigungswinkel|gamma m"].unit + " " + rows["Steigungswinkel|gamma m"].v1,
              "Grad 45°"_cp850);
}

}  // namespace
}  // namespace veldrim
