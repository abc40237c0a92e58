// The Niemann part of the calculation report: seven sections that print the
// operating data, tooth forces, materials, general factors, efficiency,
// pitting and tooth-root strength of the Niemann rating as the calculation
// left them in `gearPair` and `wormGear`. Nothing is rated here; the only
// arithmetic is the toothing power loss, the halved root strength and the
// radian-to-degree conversion that the rows name.
//
// After a rating `wormGear.P` holds the output power the Niemann rating
// reached (it was the nominal power on input); the operating-data row prints
// it in the wheel column next to the driving power `gearPair.P`.
//
// Code-indexed texts (driver, heat treatment, lubricant, kind of lubrication)
// are looked up with bounds checks: a code outside its table prints an empty
// text. Every lubricant code 1..5 prints its own name.

#include "reports/report_niemann.h"

#include <cmath>
#include <string>

#include "calc/records.h"
#include "calc/worm_rating.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/text_conv.h"
#include "reports/calc_report.h"
#include "reports/report_cells.h"
#include "reports/report_channel.h"

namespace veldrim {

namespace {

using namespace report_cells;

// A stress in the stress unit of the report, whole units in eight places.
std::string StressCell(Real x) { return FormatStressFixed(8, 0, x); }

}  // namespace

void ReportNiemannPowerRow(std::string_view label) {
    const GearPairRecord& g = gearPair;
    const WormGearRecord& w = wormGear;
    // The entered power is that of the driving shaft, the output that of the driven one.
    const bool wormDrives = w.driver == 1;
    ReportRowPair(std::string(label), "P", "kW",
                  report_cells::FixedCell(5, 3, wormDrives ? g.P : w.P),
                  report_cells::FixedCell(5, 3, wormDrives ? w.P : g.P));
}

namespace {

void OperatingData(const GearPairRecord& g, const WormGearRecord& w) {
    ReportSectionTitle("BETRIEBSDATEN");
    ReportNiemannPowerRow("Nennleistung (Niemann)");
    ReportRowPair("Drehmoment  (Niemann)", "T", TorqueUnit(), FormatTorqueFixed(6, 1, g.T[1]),
                  FormatTorqueFixed(6, 1, g.T[2]));
    ReportRowPair("Drehzahl", "n", "1/min", FormatInWidth(8, g.n[1]), FormatInWidth(8, g.n[2]));
    ReportRowPair("Antrieb", "", "", ReportCodeText(kDriverTexts, w.driver), "");
}

void ToothForces(const WormGearRecord& w) {
    ReportSectionTitle("ZAHNKRÄFTE"_cp850);
    const std::string unit = ForceUnit();
    ReportRowPair("Nenn-Umfangskraft", "Ft", unit, ForceCell(w.Ft[1]), ForceCell(w.Ft[2]));
    ReportRowPair("Nenn-Axialkraft", "Fx", unit, ForceCell(w.Fx[1]), ForceCell(w.Fx[2]));
    ReportRowPair("Nenn-Radialkraft", "Fr", unit, ForceCell(w.Fr), ForceCell(w.Fr));
    ReportRowPair("Nenn-Normalkraft", "Fn", unit, ForceCell(w.Fn), ForceCell(w.Fn));
}

void Materials(const GearPairRecord& g, const WormGearRecord& w) {
    ReportSectionTitle("WERKSTOFF UND BEARBEITUNG");
    ReportTextWithRule("Werkstoff Schnecke: " + PadRight(g.materialName[1], 22) + " " + "Rad" +
                       "2: " + PadRight(g.materialName[2], 22));
    ReportTextWithRule(
        "Werkstoff Schnecke: " +
        PadRight(MaterialGroupName(g.materialKind[1], g.materialName[1]), 22) + " " + "Rad" +
        "2: " + PadRight(MaterialGroupName(g.materialKind[2], g.materialName[2]), 22));
    ReportTextWithRule(
        Cp850Text("Wärmebehandlung Schnecke: "_cp850) +
        PadRight(ReportCodeText(kHeatTreatmentShortTexts, g.heatTreatment[1], 0), 16) + "  " +
        "Rad" +
        "2: " + PadRight(ReportCodeText(kHeatTreatmentShortTexts, g.heatTreatment[2], 0), 16));

    const std::string stress = StressUnit();
    ReportRowPair("Dichte", "rho", "kg/dm3", FixedCell(5, 2, g.rho[1]), FixedCell(5, 2, g.rho[2]));
    ReportRowPair(Cp850Text("Elastizitätsmodul"_cp850), "E", stress, StressCell(g.E[1]),
                  StressCell(g.E[2]));
    ReportRowPair("Querkontraktionszahl", "nue", "", FixedCell(5, 2, g.nue[1]),
                  FixedCell(5, 2, g.nue[2]));
    ReportRowPair("Dauerfestigk.Hertz.Press.", "Sig.Hlim", stress, StressCell(g.sigHlim[1]),
                  StressCell(g.sigHlim[2]));
    ReportRowPair(Cp850Text("Zahnfußgrundfestigkeit"_cp850), "Sigma FE", stress,
                  StressCell(g.sigmaFE[1]), StressCell(g.sigmaFE[2]));
    // The permanent root strength is half the base strength, halved in N/mm²
    // before the unit conversion.
    ReportRowPair(Cp850Text("Zahnfußgrundfestigkeit"_cp850), "Sig.Flim", stress,
                  StressCell(g.sigmaFE[1] / 2), StressCell(g.sigmaFE[2] / 2));
    ReportRowPair(Cp850Text("Brinellhärte"_cp850), "", "HB", FixedCell(8, 0, g.HB[1]),
                  FixedCell(8, 0, g.HB[2]));
    ReportRow("Werkstoffkonstante", "CHE", "", FixedCell(5, 2, w.CHE));
}

void GeneralFactors(const WormGearRecord& w) {
    ReportSectionTitle("ALLGEMEINE EINFLUSSFAKTOREN");
    ReportRow("Anwendungsfaktor", "KA", "", FixedCell(4, 3, w.KA));
    ReportRow("Mittl.Gleitgeschw.", "vgm", "m/s", FixedCell(4, 3, w.vgm));
    ReportTextWithRule("Schmierstoff   :  " + ReportCodeText(kLubricantKindTexts, w.lubricantKind));
    ReportRow(Cp850Text("Schmierstoffviskosität 50°C"_cp850), "v50", Cp850Text("mm²/s"_cp850),
              FixedCell(6, 1, w.v50));
    ReportTextWithRule("Schmierung: " + ReportCodeText(kLubricationTexts, w.lubrication, 0));
}

void Efficiency(const GearPairRecord& g, const WormGearRecord& w) {
    ReportSectionTitle("WIRKUNGSGRAD (NACH NIEMANN)");
    ReportRow("Zahnreibungszahl", "mue z", "", FixedCell(4, 3, w.mueZ));
    ReportRow("Reibungswinkel", "rho z", "Grad", FixedCell(4, 3, RadToDeg(w.rhoZ)));
    ReportRow("Verzahn.wirkungsgrad", "eta z", "", FixedCell(4, 3, w.etaZ));
    // The toothing loss of the driving power, in kW like P.
    ReportRow("Verzahn.verlustleistung", "PVz", "kW", FixedCell(4, 3, (1 - w.etaZ) * g.P));
    ReportRow("Leerlauf-Verlustleistung", "PV0", "kW", FixedCell(4, 3, w.PV0));
    // The factor is worth a row only when it differs from the usual 100 %.
    if (std::nearbyint(w.PV0Percent) != 100)
        ReportRow("Faktor Leerlauf-Verlustleistung", "PV0%", "%", FixedCell(4, 3, w.PV0Percent));
    ReportRow("Lagerverlustleistung", "PVLP", "kW", FixedCell(4, 3, w.PVLP));
    ReportRow("Gesamtwirkungsgrad", "eta", "", FixedCell(4, 3, w.eta));
}

void Pitting(const GearPairRecord& g, const WormGearRecord& w) {
    ReportSectionTitle("FLANKENTRAGFÄHIGKEIT NACH NIEMANN (SH=Sig.Hlim*ZN/Sig.H)"_cp850);
    ReportRow(Cp850Text("Elastizitätsfaktor"_cp850), "ZE", Cp850Text("(N/mm²)^1/2"_cp850),
              FixedCell(7, 1, w.ZE));
    ReportRow("Kontaktfaktor", "Zp", "", FixedCell(6, 2, w.Zp));
    ReportRow("Lastwechselfaktor", "Zn", "", FixedCell(6, 2, w.Zn));
    ReportRow("Flankenpressung", "Sigma-H", StressUnit(), StressCell(w.sigmaH));
    ReportRowPair(Cp850Text("Sicherh. Grübchenbildung"_cp850), "SH", "", FixedCell(5, 2, g.SH[1]),
                  FixedCell(5, 2, g.SH[2]));
    ReportRowPair(Cp850Text("Lebensdauer Grübchenbildung"_cp850), "LtH", "h",
                  FormatInWidth(8, g.LtH[1]), FormatInWidth(8, g.LtH[2]));
}

void ToothRoot(const GearPairRecord& g) {
    ReportSectionTitle("ZAHNFUSSTRAGFÄHIGKEIT NIEMANN  SF=Sig.FE*m*b2/(Ftm2*KA)"_cp850);
    ReportRowPair(Cp850Text("Sicherh. Zahnfußdauerbruch"_cp850), "SF", "", FixedCell(5, 2, g.SF[1]),
                  FixedCell(5, 2, g.SF[2]));
}

}  // namespace

void ReportNiemannSections() {
    const GearPairRecord& g = gearPair;
    const WormGearRecord& w = wormGear;

    OperatingData(g, w);
    ReportSectionEnd(kSectionEmptyLine);
    ToothForces(w);
    ReportSectionEnd(kSectionEmptyLine);
    Materials(g, w);
    if (!ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck)) return;
    GeneralFactors(w);
    if (!ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck)) return;
    Efficiency(g, w);
    if (!ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck)) return;
    Pitting(g, w);
    ReportSectionEnd(kSectionEmptyLine);
    // The part ends with its last row.
    ToothRoot(g);
}

}  // namespace veldrim
