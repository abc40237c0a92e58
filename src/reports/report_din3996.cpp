// The DIN 3996 part of the calculation report: nine sections with the
// operating data, maximum tooth forces, general factors and lubrication,
// efficiency and losses, wear, pitting, deflection and tooth breakage of one
// edition of the standard.
//
// The rating fills a pair of most DIN 3996 results, indexed by edition
// (1 DIN 3996:1998, 2 DIN 3996:2012); the edition passed in picks one element
// of every such pair and names the edition at the end of the section titles.
// Factors that both editions share are single fields and print the same in
// both. The torques are one array of four: worm 1998, worm 2012, wheel 1998,
// wheel 2012.
//
// Units: every value carries the unit it is printed in. Values held in µm
// (film thickness, flank roughness) print in µm, or in µin in the inch unit
// system; the wear path, held in mm, prints in m (in inch in the inch unit
// system); the limit flank pressure is a stress like the mean flank pressure
// beside it. The root limit values print as the rating used them (an input of
// 0 asks the rating to derive them).

#include "reports/report_din3996.h"

#include <string>

#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/program_state.h"
#include "reports/calc_report.h"
#include "reports/report_cells.h"
#include "reports/report_channel.h"

namespace veldrim {

namespace {

using namespace report_cells;

// The wear path, held in mm: in m (the length of a sliding path), or in inch
// in the inch unit system.
std::string WearPathText(Real mm) {
    if (unitSystem == 1) return FormatLengthFixed(8, 0, mm);
    return FormatFixed(8, 0, mm / 1000);
}
std::string WearPathUnit() { return unitSystem == 1 ? LengthUnit() : std::string("m"); }

// A section title that ends with the edition name.
std::string Titled(std::string_view text, int ed) {
    return std::string(text) + ReportCodeText(kDinEditionTexts, ed);
}

void OperatingData(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("BETRIEBSDATEN NACH ", ed));
    ReportRowPair("Nennleistung (DIN 3996)", "P", "kW", F(5, 3, w.PDin[ed]), F(5, 3, w.PDinOut[ed]));
    ReportRowPair("Drehmoment (DIN 3996)", "T", TorqueUnit(), FormatTorqueFixed(6, 1, w.TDin[ed]),
                  FormatTorqueFixed(6, 1, w.TDin[2 + ed]));
}

void ToothForces(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("ZAHNKRÄFTE NACH "_cp850, ed));
    const std::string unit = ForceUnit();
    ReportRowPair("Max.Umfangskraft", "Ft", unit, N(w.Ft1Din[ed]), N(w.Ft2Din[ed]));
    ReportRowPair("Max.Axialkraft", "Fx", unit, N(w.Fx1Din[ed]), N(w.Fx2Din[ed]));
    ReportRowPair("Max.Radialkraft", "Fr", unit, N(w.FrDin[ed]), N(w.FrDin[ed]));
    ReportRowPair("Max.Normalkraft", "Fn", unit, N(w.FnDin[ed]), N(w.FnDin[ed]));
}

void GeneralFactors(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("ALLGEMEINE EINFLUSSFAKTOREN NACH ", ed));
    const std::string viscosity = Cp("mm²/s"_cp850);
    ReportRow("Anwendungsfaktor", "KA", "", F(4, 3, w.KA));
    ReportRow("geforderte Lebensdauer", "LH min", "h", F(8, 0, w.LHmin));
    ReportRow("geforderte Lastspielzahl", "NL min", "", F(8, 0, w.NL));
    ReportRow("Mittl.Gleitgeschw.", "vgm", "m/s", F(4, 3, w.vgmDin));
    ReportRow("Ersatz-Elastiz.modul", "E red", Cp("N/mm²"_cp850), F(8, 0, w.ERed));
    ReportRow(Cp("Schmierstoffviskosität 40 °C"_cp850), "v40", viscosity, F(6, 1, w.v40));
    ReportRow(Cp("Schmierstoffviskosität 50 °C"_cp850), "v50", viscosity, F(6, 1, w.v50));
    ReportRow(Cp("Schmierstoffviskosität 100 °C"_cp850), "v100", viscosity, F(6, 1, w.v100));
    ReportRow("Radmassentemperatur", "thetaM", TemperatureUnit(), FormatTemperatureFixed(8, 0, w.thetaM));
    ReportRow(Cp("Dyn.Viskosität bei thetaM"_cp850), "eta0M", Cp("Ns/m²"_cp850), F(3, 4, w.eta0M));
    ReportRow("Mittlere Hertzsche Pressung", "pm*", "", F(4, 3, w.pmStar[ed]));
    ReportRow("Min.mittlere Schmierspaltdicke", "h*", "", F(4, 3, w.hStar[ed]));
    ReportRow("Mittlerer Gleitweg", "s*", "", F(4, 3, w.sStar));
    ReportRow("Min.mittlere Schmierspaltdicke", "hminm", MicronUnit(),
              FormatMicronFixed(4, 3, w.hminm[ed]));
}

void Efficiency(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("WIRKUNGSGRAD NACH ", ed));
    ReportRow("Leerlauf-Verlustleistung", "PV0", "kW", F(4, 3, w.PV0Din));
    ReportTextWithRule("Lagerung : " + ReportCodeText(kBearingArrangementTexts, w.bearingArrangement));
    ReportRow("Lagerverlustleistung", "PVLP", "kW", F(4, 3, w.PVLPDin));
    ReportRow("Dichtungsverlustleistung", "PVD", "kW", F(4, 3, w.PVD));
    ReportRow("Grundreibungszahl", Cp("µ0T"_cp850), "", F(4, 3, w.mue0T[ed]));
    ReportRow(Cp("Baugrößenfaktor"_cp850), "YS", "", F(4, 3, w.YS));
    ReportRow("Werkstofffaktor", "YW", "", F(4, 3, w.YW));
    ReportRow("Rauheitsfaktor", "YR", "", F(4, 3, w.YR));
    // The roughness is held in µm.
    ReportRow("Mittenrauheit Schnecke", "Ra1", MicronUnit(), FormatMicronFixed(4, 3, w.Ra1));
    ReportRow("Geometriefaktor", "YG", "", F(4, 3, w.YG[ed]));
    ReportRow("Mittlere Zahnreibungszahl", Cp("µzm"_cp850), "", F(4, 3, w.mueZm[ed]));
    ReportRow("Verzahn.wirkungsgrad", "eta z", "", F(4, 3, w.etaZDin[ed]));
    ReportRow("Verzahn.verlustleistung", "PVz", "kW", F(4, 3, w.PVzDin[ed]));
    ReportRow("Gesamtverlustleistung", "PV", "kW", F(4, 3, w.PV[ed]));
    ReportRow("Gesamtwirkungsgrad", "eta", "", F(4, 3, w.etaDin[ed]));
}

void Wear(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("VERSCHLEISSTRAGFÄHIGKEIT NACH "_cp850, ed));
    const std::string length = LengthUnit();
    // The wear intensities are of the order 1E-9; the symbol says they are
    // printed scaled.
    ReportRow(Cp("Verschleissintensität"_cp850), "JW*1E-9", "", F(5, 2, w.JW[ed] * 1E9L));
    ReportRow("Werkstoff-Schmierstoffaktor", "WML", "", F(5, 2, w.WML));
    ReportRow(Cp("Verschleissintensität"_cp850), "J0T*1E-9", "", F(5, 2, w.J0T[ed] * 1E9L));
    ReportRow(Cp("Schmierspalthöhe Kennwert"_cp850), "KW", "", F(4, 3, w.KW[ed]));
    ReportRow(Cp("Verschleißweg"_cp850), "sWm", WearPathUnit(), WearPathText(w.sWm[ed]));
    ReportRow("Flankenabtrag Schneckenrad", "del.Wn", length, L(4, 3, w.delWn[ed]));
    ReportRow(Cp("zulässiger Verschleißabtrag(a)"_cp850), "d.Wlimn", length, L(4, 3, w.dWlimn03));
    ReportRow(Cp("zulässiger Verschleißabtrag(d)"_cp850), "d.Wlimn", length, L(4, 3, w.dWlimnTip));
    ReportRow(Cp("zulässiger Verschleißabtrag"_cp850), "d.Wlimn", length, L(4, 3, w.dWlimn));
    ReportRow(Cp("Verschleißsicherheit"_cp850), "SW", "", F(4, 3, w.SW[ed]));
}

void PittingFactors(const WormGearRecord& w) {
    ReportSectionTitle("FLANKENTRAGFÄHIGKEIT NACH DIN 3996"_cp850);
    ReportRow("Lebensdauerfaktor", "Zh", "", F(4, 3, w.Zh));
    ReportRow("Geschwindigkeitsfaktor", "Zv", "", F(4, 3, w.Zv));
    ReportRow(Cp("Baugrößenfaktor"_cp850), "ZS", "", F(4, 3, w.ZS));
    ReportRow("Schmierstoffaktor", "Zoil", "", F(4, 3, w.Zoil));
    ReportRow(Cp("Übersetzungsfaktor"_cp850), "Zu", "", F(4, 3, w.Zu));
    // A stress, printed as the mean flank pressure it is compared with.
    ReportRow("Grenzwert Flankenpressung", "Sig.HG", StressUnit(), FormatStressFixed(6, 1, w.sigHG));
}

void Pitting(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("FLANKENTRAGFÄHIGKEIT NACH "_cp850, ed));
    const std::string stress = StressUnit();
    ReportRow("Mittlere Flankenpressung", "Sig.hm", stress, FormatStressFixed(6, 1, w.pm[ed]));
    ReportRow("Grenzwert Flankenpressung", "Sig.HG", stress, FormatStressFixed(6, 1, w.sigHG));
    ReportRow(Cp("Grübchensicherheit"_cp850), "SH", "", F(5, 2, w.SHDin[ed]));
    ReportRow(Cp("Lebensdauer Grübchenbildung"_cp850), "LtH", "h", FormatInWidth(8, w.LtHDin[ed]));
}

void Deflection(const WormGearRecord& w, int ed) {
    ReportSectionTitle("DURCHBIEGUNG");
    ReportRow("Grenzwert Durchbiegung", "deltalim", LengthUnit(), L(4, 3, w.deltalim[ed]));
}

void ToothBreakage(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("ZAHNBRUCHSICHERHEIT NACH ", ed));
    const std::string stress = StressUnit();
    auto S = [](Real x) { return FormatStressFixed(6, 1, x); };
    ReportRow(Cp("Überdeckungsfaktor"_cp850), "Yeps", "", F(4, 3, w.Yeps));
    ReportRow("Formfaktor", "YF", "", F(4, 3, w.YF[ed]));
    ReportRow("Steigungsfaktor", "Ygamma", "", F(4, 3, w.Ygamma));
    ReportRow("Kranzdickenfaktor", "YK", "", F(4, 3, w.YK));
    ReportRow("Lebensdauerfaktor", "YNL", "", F(4, 3, w.YNLUsed));
    ReportRow("Schub-Nennspannung", "tauF", stress, S(w.tauF[ed]));
    ReportRow("Schub-Dauerfestigkeit", "tauFlimT", stress, S(w.tauFlimTUsed));
    ReportRow("Grenzwert Schub-Nennspannung", "tauFG", stress, S(w.tauFG));
    ReportRow("Zahnbruchsicherheit", "SF", "", F(6, 1, w.SFDin[ed]));
}

}  // namespace

void ReportDin3996Sections(int edition) {
    const WormGearRecord& w = wormGear;
    // Only the two editions exist; anything else would index past the pairs.
    const int ed = edition == 1 ? 1 : 2;
    constexpr unsigned kEK = kSectionEmptyLine | kSectionNewPage;
    constexpr unsigned kEKC = kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck;

    OperatingData(w, ed);
    ReportSectionEnd(kEK);
    ToothForces(w, ed);
    ReportSectionEnd(kEK);
    GeneralFactors(w, ed);
    if (!ReportSectionEnd(kEKC)) return;
    Efficiency(w, ed);
    if (!ReportSectionEnd(kEKC)) return;
    Wear(w, ed);
    if (!ReportSectionEnd(kEKC)) return;
    PittingFactors(w);
    if (!ReportSectionEnd(kEKC)) return;
    Pitting(w, ed);
    if (!ReportSectionEnd(kEKC)) return;
    Deflection(w, ed);
    if (!ReportSectionEnd(kEKC)) return;
    ToothBreakage(w, ed);
    ReportSectionEnd(kEK);
}

}  // namespace veldrim
