// Which field lands in which row and column of the rating parts: every
// result field gets a sentinel value that tells worm from wheel and the 1998
// edition from the 2012 edition, and the written rows are compared with the
// sentinels expected there. Also the per-edition message suffixes of the
// DIN 3996 rating against the values the report prints.

#include <cmath>
#include <string>
#include <vector>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/messages.h"
#include "foundation/text_conv.h"
#include "report_test_support.h"
#include "reports/calc_report.h"
#include "reports/report_channel.h"
#include "reports/report_excerpt.h"

namespace veldrim {
namespace {
using namespace testing_support;

// One written row: label, symbol, unit and the value columns, trimmed.
struct Row {
    std::string label, symbol, unit, v1, v2;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << "[" << r.label << "|" << r.symbol << "|" << r.unit << "|" << r.v1 << "|" << r.v2
              << "]";
}

std::string Trim(std::string s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    const auto b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

// Rows of a TXT report (label TAB symbol TAB unit TAB value [TAB value]).
std::vector<Row> TxtRows(const std::string& text) {
    std::vector<Row> rows;
    for (const std::string& line : LinesOf(text)) {
        const auto f = SplitTabs(line);
        if (f.size() == 4) rows.push_back({f[0], f[1], f[2], Trim(f[3]), ""});
        if (f.size() == 5) rows.push_back({f[0], f[1], f[2], Trim(f[3]), Trim(f[4])});
    }
    return rows;
}

// The rows between two titles (exclusive) of a TXT report.
std::vector<Row> TxtRowsBetween(const std::string& text, const std::string& from,
                                const std::string& to) {
    const auto a = text.find(from + "\r\n");
    const auto b = to.empty() ? std::string::npos : text.find(to, a);
    if (a == std::string::npos) return {};
    return TxtRows(text.substr(a, b == std::string::npos ? std::string::npos : b - a));
}

class RatingSentinels : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        wormGear.din3996Switch = 1;
        Fill();
    }

    // Per-edition fields: 111.1 (1998) and 222.2 (2012); per gear and
    // edition: 311.1 / 322.2 for the worm, 411.1 / 422.2 for the wheel;
    // fields the editions share: 5xx.5, each its own; Niemann fields of the
    // worm 6xx.25 and of the wheel 7xx.75.
    static void Fill() {
        WormGearRecord& w = wormGear;
        GearPairRecord& g = gearPair;
        auto ed = [](Pair<Real>& p, Real scale = 1) {
            p[1] = 111.1L * scale;
            p[2] = 222.2L * scale;
        };
        w.PDin = {{311.1L, 322.2L}};
        w.PDinOut = {{411.1L, 422.2L}};
        w.TDin = {{311.1L, 322.2L, 411.1L, 422.2L}};
        w.Ft1Din = {{311.1L, 322.2L}};
        w.Fx1Din = {{311.1L, 322.2L}};
        w.Ft2Din = {{411.1L, 422.2L}};
        w.Fx2Din = {{411.1L, 422.2L}};
        for (Pair<Real>* p : {&w.FrDin, &w.FnDin, &w.pmStar, &w.hStar, &w.hminm, &w.mue0T, &w.YG,
                              &w.mueZm, &w.etaZDin, &w.PVzDin, &w.PV, &w.etaDin, &w.KW, &w.delWn,
                              &w.SW, &w.pm, &w.SHDin, &w.LtHDin, &w.deltalim, &w.YF, &w.tauF,
                              &w.SFDin})
            ed(*p);
        ed(w.JW, 1E-9L);
        ed(w.J0T, 1E-9L);
        ed(w.sWm, 1000);  // mm, printed in m
        w.KA = 501.5L;
        w.LHmin = 502.5L;
        w.NL = 503.5L;
        w.vgmDin = 504.5L;
        w.ERed = 505.5L;
        w.v40 = 506.5L;
        w.v50 = 507.5L;
        w.v100 = 508.5L;
        w.thetaM = 509.5L;
        w.eta0M = 510.5L;
        w.sStar = 511.5L;
        w.PV0Din = 512.5L;
        w.bearingArrangement = 2;
        w.PVLPDin = 513.5L;
        w.PVD = 514.5L;
        w.YS = 515.5L;
        w.YW = 516.5L;
        w.YR = 517.5L;
        w.Ra1 = 518.5L;
        w.WML = 519.5L;
        w.dWlimn03 = 520.5L;
        w.dWlimnTip = 521.5L;
        w.dWlimn = 522.5L;
        w.Zh = 523.5L;
        w.Zv = 524.5L;
        w.ZS = 525.5L;
        w.Zoil = 526.5L;
        w.Zu = 527.5L;
        w.sigHG = 528.5L;
        w.Yeps = 529.5L;
        w.Ygamma = 530.5L;
        w.YK = 531.5L;
        w.YNL = 0;  // derive: the report prints the value used
        w.YNLUsed = 532.5L;
        w.tauFlimT = 0;
        w.tauFlimTUsed = 533.5L;
        w.tauFG = 534.5L;

        g.P = 601.25L;
        w.P = 701.75L;  // output power of the Niemann rating
        g.T = {{602.25L, 702.75L}};
        g.n = {{603.25L, 703.75L}};
        w.driver = 2;
        w.Ft = {{604.25L, 704.75L}};
        w.Fx = {{605.25L, 705.75L}};
        w.Fr = 550.5L;
        w.Fn = 551.5L;
        g.materialName = {{"St 50", "CuSn12"}};
        g.materialKind = {{3, 0}};
        g.heatTreatment = {{2, 0}};
        g.rho = {{6.25L, 7.75L}};
        g.E = {{606.25L, 706.75L}};
        g.nue = {{0.25L, 0.75L}};
        g.sigHlim = {{607.25L, 707.75L}};
        g.sigmaFE = {{608.5L, 708.5L}};
        g.HB = {{609.25L, 709.75L}};
        w.CHE = 552.5L;
        w.vgm = 553.5L;
        w.lubricantKind = 4;
        w.lubrication = 1;
        w.mueZ = 0.125L;
        w.rhoZ = 0.5L;  // rad
        w.etaZ = 0.75L;
        w.PV0 = 554.5L;
        w.PV0Percent = 150;
        w.PVLP = 555.5L;
        w.eta = 0.625L;
        w.ZE = 556.5L;
        w.Zp = 557.5L;
        w.Zn = 558.5L;
        w.sigmaH = 559.5L;
        g.SH = {{610.25L, 710.75L}};
        g.LtH = {{611.25L, 711.75L}};
        g.SF = {{612.25L, 712.75L}};
    }

    std::string Txt(std::uint16_t mode) {
        cancelFlag = false;
        textDevice = kReportTxtNoDialog;
        PrintResultReport(mode);
        EXPECT_FALSE(cancelFlag);
        return Slurp(reportOutputName);
    }
};

// The DIN 3996 part as it must read for the 1998 edition; the 2012 edition
// reads the same with 111 -> 222, 311 -> 322 and 411 -> 422.
std::vector<Row> ExpectedDinRows(bool edition2012) {
    const std::string a = edition2012 ? "222.2" : "111.1";   // edition field, 1 decimal
    const std::string a0 = edition2012 ? "222" : "111";      // no decimals
    const std::string a2 = edition2012 ? "222.20" : "111.10";
    const std::string a3 = edition2012 ? "222.200" : "111.100";
    const std::string wm = edition2012 ? "322" : "311";      // worm, no decimals
    const std::string wh = edition2012 ? "422" : "411";      // wheel
    const std::string wm1 = edition2012 ? "322.2" : "311.1";
    const std::string wh1 = edition2012 ? "422.2" : "411.1";
    const std::string um(std::string("µm"_cp850));
    const std::string visc(std::string("mm²/s"_cp850));
    return {
        {"Nennleistung (DIN 3996)", "P", "kW", wm1 + "00", wh1 + "00"},
        {"Drehmoment (DIN 3996)", "T", "Nm", wm1, wh1},
        {"Max.Umfangskraft", "Ft", "N", wm, wh},
        {"Max.Axialkraft", "Fx", "N", wm, wh},
        {"Max.Radialkraft", "Fr", "N", a0, a0},
        {"Max.Normalkraft", "Fn", "N", a0, a0},
        {"Anwendungsfaktor", "KA", "", "501.500", ""},
        {"geforderte Lebensdauer", "LH min", "h", "502", ""},
        {"geforderte Lastspielzahl", "NL min", "", "504", ""},
        {"Mittl.Gleitgeschw.", "vgm", "m/s", "504.500", ""},
        {"Ersatz-Elastiz.modul", "E red", std::string("N/mm²"_cp850), "506", ""},
        {std::string("Schmierstoffviskosität 40 °C"_cp850), "v40", visc, "506.5", ""},
        {std::string("Schmierstoffviskosität 50 °C"_cp850), "v50", visc, "507.5", ""},
        {std::string("Schmierstoffviskosität 100 °C"_cp850), "v100", visc, "508.5", ""},
        {"Radmassentemperatur", "thetaM", std::string("°C"_cp850), "510", ""},
        {std::string("Dyn.Viskosität bei thetaM"_cp850), "eta0M", std::string("Ns/m²"_cp850),
         "510.5000", ""},
        {"Mittlere Hertzsche Pressung", "pm*", "", a3, ""},
        {"Min.mittlere Schmierspaltdicke", "h*", "", a3, ""},
        {"Mittlerer Gleitweg", "s*", "", "511.500", ""},
        {"Min.mittlere Schmierspaltdicke", "hminm", um, a3, ""},
        {"Leerlauf-Verlustleistung", "PV0", "kW", "512.500", ""},
        {"Lagerverlustleistung", "PVLP", "kW", "513.500", ""},
        {"Dichtungsverlustleistung", "PVD", "kW", "514.500", ""},
        {"Grundreibungszahl", std::string("µ0T"_cp850), "", a3, ""},
        {std::string("Baugrößenfaktor"_cp850), "YS", "", "515.500", ""},
        {"Werkstofffaktor", "YW", "", "516.500", ""},
        {"Rauheitsfaktor", "YR", "", "517.500", ""},
        {"Mittenrauheit Schnecke", "Ra1", um, "518.500", ""},
        {"Geometriefaktor", "YG", "", a3, ""},
        {"Mittlere Zahnreibungszahl", std::string("µzm"_cp850), "", a3, ""},
        {"Verzahn.wirkungsgrad", "eta z", "", a3, ""},
        {"Verzahn.verlustleistung", "PVz", "kW", a3, ""},
        {"Gesamtverlustleistung", "PV", "kW", a3, ""},
        {"Gesamtwirkungsgrad", "eta", "", a3, ""},
        {std::string("Verschleissintensität"_cp850), "JW*1E-9", "", a2, ""},
        {"Werkstoff-Schmierstoffaktor", "WML", "", "519.50", ""},
        {std::string("Verschleissintensität"_cp850), "J0T*1E-9", "", a2, ""},
        {std::string("Schmierspalthöhe Kennwert"_cp850), "KW", "", a3, ""},
        {std::string("Verschleißweg"_cp850), "sWm", "m", a0, ""},
        {"Flankenabtrag Schneckenrad", "del.Wn", "mm", a3, ""},
        {std::string("zulässiger Verschleißabtrag(a)"_cp850), "d.Wlimn", "mm", "520.500", ""},
        {std::string("zulässiger Verschleißabtrag(d)"_cp850), "d.Wlimn", "mm", "521.500", ""},
        {std::string("zulässiger Verschleißabtrag"_cp850), "d.Wlimn", "mm", "522.500", ""},
        {std::string("Verschleißsicherheit"_cp850), "SW", "", a3, ""},
        {"Lebensdauerfaktor", "Zh", "", "523.500", ""},
        {"Geschwindigkeitsfaktor", "Zv", "", "524.500", ""},
        {std::string("Baugrößenfaktor"_cp850), "ZS", "", "525.500", ""},
        {"Schmierstoffaktor", "Zoil", "", "526.500", ""},
        {std::string("Übersetzungsfaktor"_cp850), "Zu", "", "527.500", ""},
        {"Grenzwert Flankenpressung", "Sig.HG", "MPa", "528.5", ""},
        {"Mittlere Flankenpressung", "Sig.hm", "MPa", a, ""},
        {"Grenzwert Flankenpressung", "Sig.HG", "MPa", "528.5", ""},
        {std::string("Grübchensicherheit"_cp850), "SH", "", a2, ""},
        {std::string("Lebensdauer Grübchenbildung"_cp850), "LtH", "h", a, ""},
        {"Grenzwert Durchbiegung", "deltalim", "mm", a3, ""},
        {std::string("Überdeckungsfaktor"_cp850), "Yeps", "", "529.500", ""},
        {"Formfaktor", "YF", "", a3, ""},
        {"Steigungsfaktor", "Ygamma", "", "530.500", ""},
        {"Kranzdickenfaktor", "YK", "", "531.500", ""},
        {"Lebensdauerfaktor", "YNL", "", "532.500", ""},
        {"Schub-Nennspannung", "tauF", "MPa", a, ""},
        {"Schub-Dauerfestigkeit", "tauFlimT", "MPa", "533.5", ""},
        {"Grenzwert Schub-Nennspannung", "tauFG", "MPa", "534.5", ""},
        {"Zahnbruchsicherheit", "SF", "", a, ""},
    };
}

TEST_F(RatingSentinels, DinPartPrintsTheElementsOfItsEditionOnly) {
    for (std::uint16_t mode : {0, 2, 3, 5, 6}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        const bool is2012 = mode != 5;
        const std::string edition = is2012 ? "DIN 3996:2012" : "DIN 3996:1998";
        const std::string text = Txt(mode);
        const auto rows = TxtRowsBetween(text, "BETRIEBSDATEN NACH " + edition, "");
        // Nothing of the other edition anywhere in the part (column or section).
        const std::vector<Row> expected = ExpectedDinRows(is2012);
        ASSERT_GE(rows.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[i], expected[i]) << i;
        // The titles end in the edition name.
        for (const char* title :
             {"BETRIEBSDATEN NACH ", "ZAHNKRÄFTE NACH ", "ALLGEMEINE EINFLUSSFAKTOREN NACH ",
              "WIRKUNGSGRAD NACH ", "VERSCHLEISSTRAGFÄHIGKEIT NACH ", "FLANKENTRAGFÄHIGKEIT NACH ",
              "ZAHNBRUCHSICHERHEIT NACH "}) {
            const std::string t = Utf8ToCp850(title) + edition + "\r\n";
            EXPECT_NE(text.find(t), std::string::npos) << t;
        }
        EXPECT_NE(text.find("\r\nLagerung : Fest-Los-Lagerung\r\n"), std::string::npos);
        EXPECT_NE(text.find("\r\nFLANKENTRAGFÄHIGKEIT NACH DIN 3996\r\n"_cp850), std::string::npos);
        EXPECT_NE(text.find("\r\nDURCHBIEGUNG\r\n"), std::string::npos);
    }
}

// The Niemann part: worm values (6xx) in the worm column, wheel values (7xx)
// in the wheel column, shared values (5xx) once.
TEST_F(RatingSentinels, NiemannPartKeepsWormAndWheelInTheirColumns) {
    const std::string stress = "MPa";
    const std::vector<Row> expected = {
        {"Nennleistung (Niemann)", "P", "kW", "601.250", "701.750"},
        {"Drehmoment  (Niemann)", "T", "Nm", "602.2", "702.8"},
        {"Drehzahl", "n", "1/min", "603.2", "703.8"},
        {"Antrieb", "", "", "Rad treibt", ""},
        {"Nenn-Umfangskraft", "Ft", "N", "604", "705"},
        {"Nenn-Axialkraft", "Fx", "N", "605", "706"},
        {"Nenn-Radialkraft", "Fr", "N", "550", "550"},
        {"Nenn-Normalkraft", "Fn", "N", "552", "552"},
        {"Dichte", "rho", "kg/dm3", "6.25", "7.75"},
        {std::string("Elastizitätsmodul"_cp850), "E", stress, "606", "707"},
        {"Querkontraktionszahl", "nue", "", "0.25", "0.75"},
        {"Dauerfestigk.Hertz.Press.", "Sig.Hlim", stress, "607", "708"},
        {std::string("Zahnfußgrundfestigkeit"_cp850), "Sigma FE", stress, "608", "708"},
        {std::string("Zahnfußgrundfestigkeit"_cp850), "Sig.Flim", stress, "304", "354"},
        {std::string("Brinellhärte"_cp850), "", "HB", "609", "710"},
        {"Werkstoffkonstante", "CHE", "", "552.50", ""},
        {"Anwendungsfaktor", "KA", "", "501.500", ""},
        {"Mittl.Gleitgeschw.", "vgm", "m/s", "553.500", ""},
        {std::string("Schmierstoffviskosität 50°C"_cp850), "v50", std::string("mm²/s"_cp850), "507.5", ""},
        {"Zahnreibungszahl", "mue z", "", "0.125", ""},
        {"Reibungswinkel", "rho z", "Grad", "28.648", ""},
        {"Verzahn.wirkungsgrad", "eta z", "", "0.750", ""},
        {"Verzahn.verlustleistung", "PVz", "kW", "150.312", ""},
        {"Leerlauf-Verlustleistung", "PV0", "kW", "554.500", ""},
        {"Faktor Leerlauf-Verlustleistung", "PV0%", "%", "150.000", ""},
        {"Lagerverlustleistung", "PVLP", "kW", "555.500", ""},
        {"Gesamtwirkungsgrad", "eta", "", "0.625", ""},
        {std::string("Elastizitätsfaktor"_cp850), "ZE", std::string("(N/mm²)^1/2"_cp850), "556.5", ""},
        {"Kontaktfaktor", "Zp", "", "557.50", ""},
        {"Lastwechselfaktor", "Zn", "", "558.50", ""},
        {"Flankenpressung", "Sigma-H", stress, "560", ""},
        {std::string("Sicherh. Grübchenbildung"_cp850), "SH", "", "610.25", "710.75"},
        {std::string("Lebensdauer Grübchenbildung"_cp850), "LtH", "h", "611.2", "711.8"},
        {std::string("Sicherh. Zahnfußdauerbruch"_cp850), "SF", "", "612.25", "712.75"},
    };
    const std::string text = Txt(4);
    const auto rows = TxtRowsBetween(text, "BETRIEBSDATEN", "");
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[i], expected[i]) << i;
    EXPECT_NE(text.find("\r\nWerkstoff Schnecke: St 50                  Rad2: CuSn12                \r\n"),
              std::string::npos);
    // Kind 3 has a table text; kind 0 takes the group from the name.
    EXPECT_NE(text.find("\r\nWerkstoff Schnecke: " + PadRight(std::string("Vergütungs- oder Nitrierstahl"_cp850), 22) +
                        " Rad2: Bronze                \r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nWärmebehandlung Schnecke: einsatzgeh.       Rad2: keine           \r\n"_cp850),
              std::string::npos);
    EXPECT_NE(text.find(std::string("\r\nSchmierstoff   :  Klübersynth GH 6\r\n"_cp850)), std::string::npos);
    EXPECT_NE(text.find("\r\nSchmierung: Tauchschmierung\r\n"), std::string::npos);
}

// The paged text puts worm values from column 51 and wheel values from
// column 62, single values from column 56, after the 7-blank margin.
TEST_F(RatingSentinels, PagedTextColumnsOfWormWheelAndSingleValues) {
    ui.batch = true;
    textDevice = kReportScreen;
    PrintResultReport(5);
    const auto lines = LinesOf(Slurp(reportOutputName));
    auto find = [&](const std::string& start) {
        for (const auto& l : lines)
            if (l.compare(0, 7 + start.size(), std::string(kReportMargin) + start) == 0) return l;
        return std::string();
    };
    const std::string torque = find("Drehmoment (DIN 3996)");
    ASSERT_FALSE(torque.empty());
    EXPECT_EQ(torque.substr(7 + 50, 11), "   311.1   ");
    EXPECT_EQ(torque.substr(7 + 61, 8), "   411.1");
    const std::string force = find("Max.Radialkraft");
    EXPECT_EQ(force.substr(7 + 50, 8), "     111");
    EXPECT_EQ(force.substr(7 + 61, 8), "     111");
    const std::string sw = find("Verschleißsicherheit"_cp850.data());
    ASSERT_FALSE(sw.empty());
    EXPECT_EQ(sw.substr(7 + 55), std::string(" 111.100") + std::string(7, ' '));
}

TEST_F(RatingSentinels, ExcerptShowsTheWearSafetyOf2012AlsoWithTheSwitchOff) {
    for (std::uint8_t sw : {0, 1}) {
        wormGear.din3996Switch = sw;
        textDevice = kReportTxtNoDialog;
        PrintNiemannExcerpt();
        const auto rows = TxtRows(Slurp(reportOutputName));
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back(), (Row{std::string("Verschleißsicherheit"_cp850), "SW", "", "222.200", ""}));
        const std::vector<std::pair<std::string, Row>> some = {
            {"Nennleistung", {"Nennleistung", "P", "kW", "601.250", "701.750"}},
            {"Nenndrehmoment", {"Nenndrehmoment", "T", "Nm", "602.2", "702.8"}},
            {"Nenn-Axialkraft", {"Nenn-Axialkraft", "Fx", "N", "605", "706"}},
            {"Nenn-Normalkraft", {"Nenn-Normalkraft", "Fn", "N", "552", "552"}},
            {"Sicherh. Grübchenbildung", {std::string("Sicherh. Grübchenbildung"_cp850), "SH", "", "610.25", "710.75"}},
        };
        for (const auto& [label, row] : some) {
            bool found = false;
            for (const Row& r : rows) found = found || r == row;
            EXPECT_TRUE(found) << row;
        }
    }
}

// Codes outside their tables print empty texts; every lubricant its own name.
TEST_F(RatingSentinels, CodeTextsAreLookedUpWithinTheirTables) {
    struct Case {
        int lubricant, lubrication, bearing, driver, heat;
        const char* lubricantText;
        const char* lubricationText;
        const char* bearingText;
        const char* driverText;
        const char* heatText;
    };
    const Case cases[] = {
        {1, 0, 1, 1, 7, "Mineralöl", "Einspritzschmierung", "angestellte Lagerung", "Schnecke treibt", "nitrokarb."},
        {2, 1, 2, 2, 1, "Polyglykol (EO:PO = 0:1)", "Tauchschmierung", "Fest-Los-Lagerung", "Rad treibt", "vergütet"},
        {3, 1, 1, 1, 0, "Polyglykol (EO:PO = 1:1)", "Tauchschmierung", "angestellte Lagerung", "Schnecke treibt", "keine"},
        {5, 0, 2, 2, 6, "Polyalphaolefin (PAO)", "Einspritzschmierung", "Fest-Los-Lagerung", "Rad treibt", "badnitriert"},
        {0, -1, 0, 0, 8, "", "", "", "", ""},
        {6, 2, 3, 3, 65535, "", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("lubricant " + std::to_string(c.lubricant));
        wormGear.lubricantKind = static_cast<std::uint16_t>(c.lubricant);
        wormGear.lubrication = c.lubrication;
        wormGear.bearingArrangement = static_cast<std::uint16_t>(c.bearing);
        wormGear.driver = static_cast<std::uint16_t>(c.driver);
        gearPair.heatTreatment[1] = static_cast<std::uint16_t>(c.heat);
        const std::string text = Txt(2);
        EXPECT_NE(text.find("\r\nSchmierstoff   :  " + Utf8ToCp850(c.lubricantText) + "\r\n"), std::string::npos);
        EXPECT_NE(text.find(std::string("\r\nSchmierung: ") + c.lubricationText + "\r\n"), std::string::npos);
        EXPECT_NE(text.find(std::string("\r\nLagerung : ") + c.bearingText + "\r\n"), std::string::npos);
        EXPECT_NE(text.find(std::string("\r\nAntrieb\t\t\t") + c.driverText + "\t\r\n"), std::string::npos);
        EXPECT_NE(text.find("\r\nWärmebehandlung Schnecke: "_cp850.data() + PadRight(Utf8ToCp850(c.heatText), 16) + "  Rad2: "),
                  std::string::npos);
    }
}

TEST_F(RatingSentinels, NoLoadFactorRowOnlyWhenItRoundsAwayFrom100) {
    const struct {
        Real percent;
        bool printed;
    } cases[] = {{100, false}, {100.4L, false}, {100.5L, false}, {99.5L, false},
                 {100.6L, true}, {99.4L, true},  {101.5L, true},  {0, true}};
    for (const auto& c : cases) {
        wormGear.PV0Percent = c.percent;
        const std::string text = Txt(4);
        EXPECT_EQ(text.find("Faktor Leerlauf-Verlustleistung\tPV0%") != std::string::npos, c.printed)
            << static_cast<double>(c.percent);
    }
}

// Inch units: values held in µm go to µin on their own, the wear path to
// inch, the limit flank pressure to psi like the mean flank pressure; the
// reduced modulus keeps its N/mm².
TEST_F(RatingSentinels, InchUnitsGiveEveryValueItsOwnUnit) {
    unitSystem = 1;
    const auto rows = TxtRowsBetween(Txt(5), "BETRIEBSDATEN NACH DIN 3996:1998", "");
    auto row = [&](const std::string& symbol) {
        for (const Row& r : rows)
            if (r.symbol == symbol) return r;
        return Row{};
    };
    const std::string uin(std::string("µin"_cp850));
    EXPECT_EQ(row("hminm").unit, uin);
    EXPECT_EQ(std::stold(row("hminm").v1), std::stold(FormatFixed(5, 3, 111.1L / 0.0254L)));
    EXPECT_NEAR(static_cast<double>(std::stold(row("hminm").v1)), 4374.016, 0.001);
    EXPECT_EQ(row("Ra1").unit, uin);
    EXPECT_NEAR(static_cast<double>(std::stold(row("Ra1").v1)), 518.5 / 0.0254, 0.001);
    EXPECT_EQ(row("sWm").unit, "in");
    EXPECT_NEAR(static_cast<double>(std::stold(row("sWm").v1)), 111100 / 25.4, 0.1);
    EXPECT_EQ(row("del.Wn").unit, "in");
    EXPECT_EQ(row("E red").unit, std::string("N/mm²"_cp850));
    EXPECT_EQ(row("E red").v1, "506");
    EXPECT_EQ(row("Sig.hm").unit, "psi");
    EXPECT_EQ(row("tauFG").unit, "psi");
    for (const Row& r : rows) {
        if (r.symbol != "Sig.HG") continue;
        EXPECT_EQ(r.unit, "psi");
        EXPECT_EQ(r.v1, Trim(FormatStressFixed(6, 1, 528.5L)));
    }
}

// The DIN 3996 messages name their edition at the end, and they agree with
// the safeties the report prints for that edition.
TEST_F(RatingSentinels, EditionMessagesAgreeWithThePrintedSafeties) {
    struct Check {
        const char* symbol;
        const char* message;  // without the edition name
        Real limit;
    };
    const Check checks[] = {{"SW", "Fehler : SW < 1.1 ! ", 1.1L},
                            {"SH", "Fehler : SH < 1.0 !  ", 1.0L},
                            {"SF", "Fehler : SF < 1.1 ! ", 1.1L}};
    int below = 0, above = 0;
    for (Real power : {0.3L, 1.0L, 3.778L, 10.0L, 30.0L}) {
        for (Real life : {500.0L, 25000.0L}) {
            ResetGearData();
            ResetMessages();
            wormGear.din3996Switch = 1;
            gearPair.P = power;
            wormGear.PDin = {{power, power}};
            wormGear.LHmin = life;
            RunCalculation();
            if (fatalFlag || messageList.count >= kMaxMessages) continue;  // a full list may drop messages
            for (int edition : {1, 2}) {
                const std::string name = edition == 1 ? "DIN 3996:1998" : "DIN 3996:2012";
                const std::string text = Txt(edition == 1 ? 5 : 6);
                const auto rows = TxtRowsBetween(text, "BETRIEBSDATEN NACH " + name, "");
                for (const Check& c : checks) {
                    Row printed;
                    for (const Row& r : rows)
                        if (r.symbol == c.symbol && printed.symbol.empty()) printed = r;
                    ASSERT_FALSE(printed.v1.empty()) << c.symbol;
                    const Real value = std::stold(printed.v1);
                    if (std::fabs(value - c.limit) < 0.01L) continue;  // too close to judge from print
                    const std::string line = "\r\n" + std::string(c.message) + name + "\t";
                    const bool hasMessage = text.find(line) != std::string::npos;
                    EXPECT_EQ(hasMessage, value < c.limit)
                        << c.symbol << " " << printed.v1 << " " << name << " P " << static_cast<double>(power);
                    (value < c.limit ? below : above)++;
                }
            }
            // Every edition message ends in exactly one edition name.
            for (int k = 1; k <= messageList.count; ++k) {
                const std::string& m = messageList.slot[static_cast<std::size_t>(k)];
                const auto at = m.find("DIN 3996:");
                if (at == std::string::npos) continue;
                const std::string tail = m.substr(at);
                EXPECT_TRUE(tail == "DIN 3996:1998" || tail == "DIN 3996:2012") << m;
            }
        }
    }
    EXPECT_GT(below, 0);
    EXPECT_GT(above, 0);
}

// A material name far beyond a line's length is cut to its column, on every
// destination; no line is lost for being long.
TEST_F(RatingSentinels, LongMaterialNamesAreCutNotLost) {
    gearPair.materialName[1] = "R&D " + std::string(300, 'x');
    gearPair.materialName[2] = std::string(296, 'y') + "<end>";
    textDevice = kReportTxtNoDialog;
    PrintResultReport(4);
    const std::string txt = Slurp(reportOutputName);
    EXPECT_NE(txt.find("\r\nWerkstoff Schnecke: R&D " + std::string(18, 'x') + " Rad2: " +
                       std::string(22, 'y') + "\r\n"),
              std::string::npos);
    textDevice = kReportHtmlFile;
    ui.QueueText(In("long.htm"));
    PrintResultReport(4);
    const std::string html = Slurp(reportOutputName);
    EXPECT_NE(html.find("<br>Werkstoff Schnecke: R&amp;D " + std::string(18, 'x') + " Rad2: " +
                        std::string(22, 'y') + "\r\n"),
              std::string::npos);
    EXPECT_EQ(html.find("<end>"), std::string::npos);
}

}  // namespace
}  // namespace veldrim
