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
#include "foundation/guarded_math.h"
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
    const bool wormDrives = w.driver == 1;
    const Real worm = wormDrives ? w.PDin[ed] : w.PDinOut[ed];
    const Real wheel = wormDrives ? w.PDinOut[ed] : w.PDin[ed];
    ReportRowPair("Nennleistung (DIN 3996)", "P", "kW", FixedCell(5, 3, worm),
                  FixedCell(5, 3, wheel));
    ReportRowPair("Drehmoment (DIN 3996)", "T", TorqueUnit(), FormatTorqueFixed(6, 1, w.TDin[ed]),
                  FormatTorqueFixed(6, 1, w.TDin[2 + ed]));
}

void ToothForces(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("ZAHNKRÄFTE NACH "_cp850, ed));
    const std::string unit = ForceUnit();
    ReportRowPair("Max.Umfangskraft", "Ft", unit, ForceCell(w.Ft1Din[ed]), ForceCell(w.Ft2Din[ed]));
    ReportRowPair("Max.Axialkraft", "Fx", unit, ForceCell(w.Fx1Din[ed]), ForceCell(w.Fx2Din[ed]));
    ReportRowPair("Max.Radialkraft", "Fr", unit, ForceCell(w.FrDin[ed]), ForceCell(w.FrDin[ed]));
    ReportRowPair("Max.Normalkraft", "Fn", unit, ForceCell(w.FnDin[ed]), ForceCell(w.FnDin[ed]));
}

void GeneralFactors(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("ALLGEMEINE EINFLUSSFAKTOREN NACH ", ed));
    const std::string viscosity = Cp850Text("mm²/s"_cp850);
    ReportRow("Anwendungsfaktor", "KA", "", FixedCell(4, 3, w.KA));
    ReportRow("geforderte Lebensdauer", "LH min", "h", FixedCell(8, 0, w.LHmin));
    ReportRow("geforderte Lastspielzahl", "NL min", "", FixedCell(8, 0, w.NL));
    ReportRow("Mittl.Gleitgeschw.", "vgm", "m/s", FixedCell(4, 3, w.vgmDin));
    ReportRow("Ersatz-Elastiz.modul", "E red", Cp850Text("N/mm²"_cp850), FixedCell(8, 0, w.ERed));
    ReportRow(Cp850Text("Schmierstoffviskosität 40 °C"_cp850), "v40", viscosity,
              FixedCell(6, 1, w.v40));
    ReportRow(Cp850Text("Schmierstoffviskosität 50 °C"_cp850), "v50", viscosity,
              FixedCell(6, 1, w.v50));
    ReportRow(Cp850Text("Schmierstoffviskosität 100 °C"_cp850), "v100", viscosity,
              FixedCell(6, 1, w.v100));
    ReportRow("Radmassentemperatur", "thetaM", TemperatureUnit(),
              FormatTemperatureFixed(8, 0, w.thetaM));
    ReportRow(Cp850Text("Dyn.Viskosität bei thetaM"_cp850), "eta0M", Cp850Text("Ns/m²"_cp850),
              FixedCell(3, 4, w.eta0M));
    ReportRow("Mittlere Hertzsche Pressung", "pm*", "", FixedCell(4, 3, w.pmStar[ed]));
    ReportRow("Min.mittlere Schmierspaltdicke", "h*", "", FixedCell(4, 3, w.hStar[ed]));
    ReportRow("Mittlerer Gleitweg", "s*", "", FixedCell(4, 3, w.sStar));
    ReportRow("Min.mittlere Schmierspaltdicke", "hminm", MicronUnit(),
              FormatMicronFixed(4, 3, w.hminm[ed]));
}

void Efficiency(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("WIRKUNGSGRAD NACH ", ed));
    ReportRow("Leerlauf-Verlustleistung", "PV0", "kW", FixedCell(4, 3, w.PV0Din));
    // Every bearing code has a text here: codes below 1 print as the first
    // arrangement, codes above 2 as the second.
    ReportTextWithRule("Lagerung : " + ReportCodeText(kBearingArrangementTexts,
                                                      IntClamp(1, 2, w.bearingArrangement)));
    ReportRow("Lagerverlustleistung", "PVLP", "kW", FixedCell(4, 3, w.PVLPDin));
    ReportRow("Dichtungsverlustleistung", "PVD", "kW", FixedCell(4, 3, w.PVD));
    ReportRow("Grundreibungszahl", Cp850Text("µ0T"_cp850), "", FixedCell(4, 3, w.mue0T[ed]));
    ReportRow(Cp850Text("Baugrößenfaktor"_cp850), "YS", "", FixedCell(4, 3, w.YS));
    ReportRow("Werkstofffaktor", "YW", "", FixedCell(4, 3, w.YW));
    ReportRow("Rauheitsfaktor", "YR", "", FixedCell(4, 3, w.YR));
    // The roughness is held in µm.
    ReportRow("Mittenrauheit Schnecke", "Ra1", MicronUnit(), FormatMicronFixed(4, 3, w.Ra1));
    ReportRow("Geometriefaktor", "YG", "", FixedCell(4, 3, w.YG[ed]));
    ReportRow("Mittlere Zahnreibungszahl", Cp850Text("µzm"_cp850), "",
              FixedCell(4, 3, w.mueZm[ed]));
    ReportRow("Verzahn.wirkungsgrad", "eta z", "", FixedCell(4, 3, w.etaZDin[ed]));
    ReportRow("Verzahn.verlustleistung", "PVz", "kW", FixedCell(4, 3, w.PVzDin[ed]));
    ReportRow("Gesamtverlustleistung", "PV", "kW", FixedCell(4, 3, w.PV[ed]));
    ReportRow("Gesamtwirkungsgrad", "eta", "", FixedCell(4, 3, w.etaDin[ed]));
}

void Wear(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("VERSCHLEISSTRAGFÄHIGKEIT NACH "_cp850, ed));
    const std::string length = LengthUnit();
    // The wear intensities are of the order 1E-9; the symbol says they are
    // printed scaled.
    ReportRow(Cp850Text("Verschleissintensität"_cp850), "JW*1E-9", "",
              FixedCell(5, 2, w.JW[ed] * 1E9L));
    ReportRow("Werkstoff-Schmierstoffaktor", "WML", "", FixedCell(5, 2, w.WML));
    ReportRow(Cp850Text("Verschleissintensität"_cp850), "J0T*1E-9", "",
              FixedCell(5, 2, w.J0T[ed] * 1E9L));
    ReportRow(Cp850Text("Schmierspalthöhe Kennwert"_cp850), "KW", "", FixedCell(4, 3, w.KW[ed]));
    ReportRow(Cp850Text("Verschleißweg"_cp850), "sWm", WearPathUnit(), WearPathText(w.sWm[ed]));
    ReportRow("Flankenabtrag Schneckenrad", "del.Wn", length, LengthCell(4, 3, w.delWn[ed]));
    ReportRow(Cp850Text("zulässiger Verschleißabtrag(a)"_cp850), "d.Wlimn", length,
              LengthCell(4, 3, w.dWlimn03));
    ReportRow(Cp850Text("zulässiger Verschleißabtrag(d)"_cp850), "d.Wlimn", length,
              LengthCell(4, 3, w.dWlimnTip));
    ReportRow(Cp850Text("zulässiger Verschleißabtrag"_cp850), "d.Wlimn", length,
              LengthCell(4, 3, w.dWlimn));
    ReportRow(Cp850Text("Verschleißsicherheit"_cp850), "SW", "", FixedCell(4, 3, w.SW[ed]));
}

void PittingFactors(const WormGearRecord& w) {
    ReportSectionTitle("FLANKENTRAGFÄHIGKEIT NACH DIN 3996"_cp850);
    ReportRow("Lebensdauerfaktor", "Zh", "", FixedCell(4, 3, w.Zh));
    ReportRow("Geschwindigkeitsfaktor", "Zv", "", FixedCell(4, 3, w.Zv));
    ReportRow(Cp850Text("Baugrößenfaktor"_cp850), "ZS", "", FixedCell(4, 3, w.ZS));
    ReportRow("Schmierstoffaktor", "Zoil", "", FixedCell(4, 3, w.Zoil));
    ReportRow(Cp850Text("Übersetzungsfaktor"_cp850), "Zu", "", FixedCell(4, 3, w.Zu));
    // A stress, printed as the mean flank pressure it is compared with.
    ReportRow("Grenzwert Flankenpressung", "Sig.HG", StressUnit(),
              FormatStressFixed(6, 1, w.sigHG));
}

void Pitting(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("FLANKENTRAGFÄHIGKEIT NACH "_cp850, ed));
    const std::string stress = StressUnit();
    ReportRow("Mittlere Flankenpressung", "Sig.hm", stress, FormatStressFixed(6, 1, w.pm[ed]));
    ReportRow("Grenzwert Flankenpressung", "Sig.HG", stress, FormatStressFixed(6, 1, w.sigHG));
    ReportRow(Cp850Text("Grübchensicherheit"_cp850), "SH", "", FixedCell(5, 2, w.SHDin[ed]));
    ReportRow(Cp850Text("Lebensdauer Grübchenbildung"_cp850), "LtH", "h",
              FormatInWidth(8, w.LtHDin[ed]));
}

void Deflection(const WormGearRecord& w, int ed) {
    ReportSectionTitle("DURCHBIEGUNG");
    ReportRow("Grenzwert Durchbiegung", "deltalim", LengthUnit(), LengthCell(4, 3, w.deltalim[ed]));
}

void ToothBreakage(const WormGearRecord& w, int ed) {
    ReportSectionTitle(Titled("ZAHNBRUCHSICHERHEIT NACH ", ed));
    const std::string stress = StressUnit();
    auto ShearStressCell = [](Real x) { return FormatStressFixed(6, 1, x); };
    ReportRow(Cp850Text("Überdeckungsfaktor"_cp850), "Yeps", "", FixedCell(4, 3, w.Yeps));
    ReportRow("Formfaktor", "YF", "", FixedCell(4, 3, w.YF[ed]));
    ReportRow("Steigungsfaktor", "Ygamma", "", FixedCell(4, 3, w.Ygamma));
    ReportRow("Kranzdickenfaktor", "YK", "", FixedCell(4, 3, w.YK));
    ReportRow("Lebensdauerfaktor", "YNL", "", FixedCell(4, 3, w.YNLUsed));
    ReportRow("Schub-Nennspannung", "tauF", stress, ShearStressCell(w.tauF[ed]));
    ReportRow("Schub-Dauerfestigkeit", "tauFlimT", stress, ShearStressCell(w.tauFlimTUsed));
    ReportRow("Grenzwert Schub-Nennspannung", "tauFG", stress, ShearStressCell(w.tauFG));
    ReportRow("Zahnbruchsicherheit", "SF", "", FixedCell(6, 1, w.SFDin[ed]));
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
