// The Niemann excerpt ("Auszug"): one page of rows that sums up the current
// worm gear set, its main geometry, operating data, forces, efficiency, the
// safeties after Niemann and the wear safety after DIN 3996:2012, without
// section titles. It goes through the report channel like the calculation
// report and shares its header texts, column heads and number formats
// (calc_report.h).
//
// The wear safety row shows the 2012 element of the wear safety whether or
// not the DIN 3996 switch is on: with the switch off it holds what the last
// DIN 3996 rating left there (0 after a new data set).

#include "reports/report_excerpt.h"

#include <string>

#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/message_boxes.h"
#include "foundation/message_display.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "reports/calc_report.h"
#include "reports/report_cells.h"
#include "reports/report_channel.h"
#include "reports/report_niemann.h"
#include "reports/report_tables.h"

namespace veldrim {

namespace {

using namespace report_cells;

std::string ExcerptTitle() {
    return productName + " V" + programVersion + "   " + "Schneckengetriebe" + " " + "n." +
           " Niemann  (" + "Auszug" + ")";
}

// The rows of the excerpt, one after the other: no section titles, no empty
// lines and no page-fill checks between them; a page break comes only from
// the channel's own line accounting.
void ExcerptRows() {
    const GearPairRecord& g = gearPair;
    const WormGearRecord& w = wormGear;
    const std::string length = LengthUnit();
    const std::string force = ForceUnit();

    ReportRowPair(Cp850Text("Zähnezahl"_cp850), "z", "", IntTextPad(g.z[1], 6),
                  IntTextPad(g.z[2], 6));
    ReportRow("Achsabstand", "a", length, LengthCell(5, 2, w.a));
    ReportRowPair("Profilverschiebungsfaktor", "x", "", FixedCell(4, 3, w.x[1]),
                  FixedCell(4, 3, w.x[2]));
    ReportRowPair("Mittenkreisdurchmesser", "dm", length, LengthCell(4, 3, w.dm[1]),
                  LengthCell(4, 3, w.dm[2]));
    ReportRow("Form der Schnecke", "", "", ReportCodeText(kFlankFormTexts, w.flankForm));
    ReportRowPair("Zahnbreite", "b", length, LengthCell(4, 3, w.b[1]), LengthCell(4, 3, w.b[2]));
    ReportRow("Steigungswinkel", "gamma m", "Grad", DegText(w.gammaM));
    ReportRow("Modul", "m", length, LengthCell(4, 3, w.mx));
    ReportNiemannPowerRow("Nennleistung");
    ReportRowPair("Nenndrehmoment", "T", TorqueUnit(), FormatTorqueFixed(6, 1, g.T[1]),
                  FormatTorqueFixed(6, 1, g.T[2]));
    ReportRowPair("Drehzahl", "n", "1/min", FormatInWidth(8, g.n[1]), FormatInWidth(8, g.n[2]));
    ReportTextWithRule("Werkstoff  Schnecke: " + PadRight(g.materialName[1], 20) + "   " + "Rad" +
                       ": " + PadRight(g.materialName[2], 20));
    ReportRowPair("Nenn-Umfangskraft", "Ft", force, ForceCell(w.Ft[1]), ForceCell(w.Ft[2]));
    ReportRowPair("Nenn-Axialkraft", "Fx", force, ForceCell(w.Fx[1]), ForceCell(w.Fx[2]));
    ReportRowPair("Nenn-Radialkraft", "Fr", force, ForceCell(w.Fr), ForceCell(w.Fr));
    ReportRowPair("Nenn-Normalkraft", "Fn", force, ForceCell(w.Fn), ForceCell(w.Fn));
    ReportRow("Anwendungsfaktor", "KA", "", FixedCell(4, 3, w.KA));
    ReportRow("Zahnreibungszahl", "mue z", "", FixedCell(4, 3, w.mueZ));
    ReportRow("Verzahn.wirkungsgrad", "eta z", "", FixedCell(4, 3, w.etaZ));
    ReportRow("Gesamtwirkungsgrad", "eta", "", FixedCell(4, 3, w.eta));
    ReportRowPair(Cp850Text("Sicherh. Grübchenbildung"_cp850), "SH", "", FixedCell(5, 2, g.SH[1]),
                  FixedCell(5, 2, g.SH[2]));
    ReportRowPair(Cp850Text("Sicherh. Zahnfußdauerbruch"_cp850), "SF", "", FixedCell(5, 2, g.SF[1]),
                  FixedCell(5, 2, g.SF[2]));
    ReportRow(Cp850Text("Verschleißsicherheit"_cp850), "SW", "", FixedCell(4, 3, w.SW[2]));
}

}  // namespace

std::string NiemannExcerptTitle() { return ExcerptTitle(); }

void PrintNiemannExcerpt() {
    if (fatalFlag) {
        ShowCalculationMessages();
        return;
    }
    SetCalcReportHeader(ExcerptTitle());
    SetCalcReportColumnHeads();
    ReportOpen(kReportAsk, currentFileName);
    if (cancelFlag) return;
    ReportRewrite();
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    ReportPageHeader(1, 1);
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    ExcerptRows();
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    ReportPageBreak();
    ReportMessagesPage();
    if (cancelFlag) {
        ReportAbandon();
        return;
    }
    ReportClose();
    EndWaitCursor();
}

}  // namespace veldrim
