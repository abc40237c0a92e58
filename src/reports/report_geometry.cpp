// The geometry part of the calculation report: nine sections after DIN 3975
// with the tolerances after DIN 3967 and the deviations after DIN 3974-1.
//
// Pair rows carry the worm's value first and the wheel's second; a blank
// column is an empty text. Lengths are held in mm, angles in radians (the
// generating angle alpha 0 in degrees), deviations in µm.

#include "reports/report_geometry.h"

#include <cmath>
#include <string>
#include <string_view>

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

const WormGearRecord& W() { return wormGear; }
const GearPairRecord& G() { return gearPair; }

void Single(std::string_view label, std::string_view symbol, const std::string& unit,
            const std::string& value) {
    ReportRow(std::string(label), std::string(symbol), unit, value);
}

void Both(std::string_view label, std::string_view symbol, const std::string& unit,
          const std::string& worm, const std::string& wheel) {
    ReportRowPair(std::string(label), std::string(symbol), unit, worm, wheel);
}

// A whole count (teeth, quality grade) right-aligned in width places.
std::string CountCell(int width, long n) { return IntTextPad(n, width); }

// Pair row of a length field in LengthCell(i,d).
void LengthPair(std::string_view label, std::string_view symbol, const Pair<Real>& x, int i,
                int d) {
    Both(label, symbol, LengthUnit(), LengthCell(i, d, x[1]), LengthCell(i, d, x[2]));
}

void BasicData() {
    ReportSectionTitle("BASISDATEN");
    Single("Übersetzungsverhältnis"_cp850, "u", "", FixedCell(3, 3, W().u));
    Single("Getriebe-Achswinkel", "summa", "", DegText(W().summa));
    Both("Zähnezahl"_cp850, "z", "", CountCell(6, G().z[1]), CountCell(6, G().z[2]));
    Single("Achsabstand", "a", LengthUnit(), LengthCell(5, 2, W().a));
    Single("Durchm.-Achsabstands-Verhältnis"_cp850, "dm1/a", "", FixedCell(3, 4, W().dm1a));
    Both("Profilverschiebungsfaktor", "x", "", FixedCell(4, 3, W().x[1]),
         FixedCell(4, 3, W().x[2]));
    ReportSectionEnd(kSectionEmptyLine);
}

bool Diameters() {
    ReportSectionTitle("DURCHMESSER");
    const std::string mm = LengthUnit();
    LengthPair("Mittenkreisdurchmesser", "dm", W().dm, 4, 3);
    Both("Teilkreisdurchmesser", "d", mm, "", LengthCell(4, 3, W().d[2]));
    LengthPair("In.Kopfkreisdurchmesser", "da", W().da, 4, 3);
    LengthPair("Fußkreisdurchmesser"_cp850, "df", W().df, 4, 3);
    LengthPair("Grundkreisdurchmesser", "db", W().db, 4, 3);
    Both("Außendurchmesser"_cp850, "de", mm, "", LengthCell(4, 3, W().de2));
    Both("Kopfkehlradius", "rK", mm, "", LengthCell(4, 3, W().rK));
    LengthPair("Kopfspiel", "c", W().c, 4, 3);
    return ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck);
}

bool ToothDimensions() {
    ReportSectionTitle("ZAHNABMESSUNGEN");
    const Real m = W().mx;
    Single("Form der Schnecke", "", "", ReportCodeText(kFlankFormTexts, W().flankForm));
    Both("Kopfhöhenfakt."_cp850, "ha0/m", "", FixedCell(4, 3, W().haStar[1]),
         FixedCell(4, 3, W().haStar[2]));
    Both("Fußhöhenfaktor"_cp850, "hf0/m", "", FixedCell(4, 3, W().hfStar[1]),
         FixedCell(4, 3, W().hfStar[2]));
    Both("Fußausrundungsrad."_cp850, "rf/m", "", FixedCell(4, 3, W().rfStar[1]),
         FixedCell(4, 3, W().rfStar[2]));
    Both("Kopfrundungsradius", "ra/m", "", FixedCell(4, 3, W().raStar[1]),
         FixedCell(4, 3, W().raStar[2]));
    LengthPair("Zahn Kopfhöhe"_cp850, "ha", W().ha, 4, 3);
    LengthPair("Zahn Fußhöhe"_cp850, "hf", W().hf, 4, 3);
    // The radii are printed as plain numbers in mm, without a unit.
    Both("Fußausrundungsrad."_cp850, "rf", "", FixedCell(4, 3, W().rfStar[1] * m),
         FixedCell(4, 3, W().rfStar[2] * m));
    Both("Kopfrundungsradius", "ra", "", FixedCell(4, 3, W().raStar[1] * m),
         FixedCell(4, 3, W().raStar[2] * m));
    LengthPair("Zahnhöhe"_cp850, "h", W().h, 4, 3);
    LengthPair("Zahnbreite", "b", W().b, 4, 3);
    LengthPair("Normalzahndicke", "sn", W().sn, 4, 3);
    Single("Profilüberdeckung"_cp850, "eps.n", "", FixedCell(4, 3, W().epsN));
    return ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck);
}

bool Angles() {
    ReportSectionTitle("WINKEL");
    const std::string deg = "Grad";
    Single("Erzeugungswinkel", "alpha 0", deg, FormatAngle(W().alpha0));
    Single("Eingriffswinkel axial", "alpha x", deg, DegText(W().alphaX));
    Single("Normal-Eingriffswinkel", "alpha n", deg, DegText(W().alphaN));
    Single("Steigungswinkel", "gamma m", deg, DegText(W().gammaM));
    Single("Grundsteigungswinkel", "gamma b", deg, DegText(W().gammaB));
    Single("Mittenschrägungswinkel"_cp850, "beta m", deg, DegText(W().betaM));
    return ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck);
}

bool ToothingData() {
    ReportSectionTitle("VERZAHNUNGSDATEN");
    const std::string mm = LengthUnit();
    Single("Zahnformzahl", "q", "", FixedCell(4, 3, W().q));
    Single("Modul (x1, t2)", "m", mm, LengthCell(4, 3, W().mx));
    Single("Normalmodul", "mn", mm, LengthCell(4, 3, W().mn));
    LengthPair("Steigungshöhe"_cp850, "pz", W().pz, 5, 2);
    LengthPair("Reduz.Steigungshöhe"_cp850, "pz red", W().pzRed, 5, 2);
    Both("Axialteilung", "px", mm, LengthCell(4, 3, W().px), "");
    Single("Normalteilung", "pn", mm, LengthCell(4, 3, W().pn));
    Both("Grundzylinderteilung", "pb", mm, LengthCell(4, 3, W().pb), "");
    Single("Flankenrichtung", "", "", ReportCodeText(kHandTexts, W().hand));
    // An empty line that is no HTML line break.
    ReportSpacerLine();
    return ReportSectionEnd(kSectionNewPage | kSectionCancelCheck);
}

bool ProfileShiftFactors() {
    ReportSectionTitle("PROFILVERSCHIEBUNGSFAKTOREN");
    const auto row = [](std::string_view label, std::string_view symbol, const Pair<Real>& x) {
        Both(label, symbol, "", FixedCell(1, 5, x[1]), FixedCell(1, 5, x[2]));
    };
    row("Profilverschiebungsfaktor", "x", W().x);
    row("Erzeug.prof.versch.f.", "xe", W().xe);
    row("Erzeug.prof.versch.f. max", "xemax", W().xemax);
    row("Erzeug.prof.versch.f. min", "xemin", W().xemin);
    return ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck);
}

bool TolerancesAndBacklash() {
    ReportSectionTitle("TOLERANZEN, FLANKENSPIEL");
    const auto& designation = W().toothThicknessDesignation;
    if (!designation[1].empty() || !designation[2].empty())
        Both("Verzahnungsqualität Toleranzfeld nach DIN 3967"_cp850, "", "", designation[1],
             designation[2]);
    LengthPair("Oberes Zahndickenabmaß"_cp850, "Asne", W().Asne, 3, 3);
    LengthPair("Unteres Zahndickenabmaß"_cp850, "Asni", W().Asni, 3, 3);
    // Held in mm, printed in µm (µin in the inch system).
    Both("Zahndickentoleranz", "Tsn", MicronUnit(), FormatMicronFixed(7, 0, W().Tsn[1] * 1000),
         FormatMicronFixed(7, 0, W().Tsn[2] * 1000));
    LengthPair("Normalzahndicke nom.", "sn nom", W().sn, 4, 3);
    LengthPair("Normalzahndicke max.", "sn max", W().snMax, 4, 3);
    LengthPair("Normalzahndicke min.", "sn min", W().snMin, 4, 3);
    LengthPair("Normallückenweite"_cp850, "en", W().en, 4, 3);
    Both("Verzahnungsqualität nach DIN"_cp850, "", "", CountCell(5, W().quality[1]),
         CountCell(5, W().quality[2]));

    const auto& correction = W().measurementText;
    if (!correction[1].empty() || !correction[2].empty()) {
        ReportText("");
        ReportSectionTitle("ZAHNKORREKTUR, KOPFRÜCKNAHME"_cp850);
        ReportTextWithRule("Zahnkorrektur Rad 1 : " + correction[1]);
        ReportTextWithRule("Zahnkorrektur Rad 2 : " + correction[2]);
    }
    return ReportSectionEnd(kSectionEmptyLine | kSectionNewPage | kSectionCancelCheck);
}

void TestDimensions() {
    ReportSectionTitle("PRÜFMASSE"_cp850);
    LengthPair("Kugel-und Rollendurchmesser", "Dm", W().measurementUsed, 5, 3);
    LengthPair("Diametr.Zweirollenmaß theor."_cp850, "MR", W().MR, 5, 3);
    LengthPair("Diametr.Zweirollenmaß min"_cp850, "MR", W().MRMin, 5, 3);
    LengthPair("Diametr.Zweirollenmaß max"_cp850, "MR", W().MRMax, 5, 3);
    LengthPair("Diam.Zweikugelmaß theor"_cp850, "MK", W().MK, 5, 3);
    LengthPair("Diam.Zweikugelmaß min"_cp850, "MK", W().MKMin, 5, 3);
    LengthPair("Diam.Zweikugelmaß max"_cp850, "MK", W().MKMax, 5, 3);
    Both("Meßzähnezahl"_cp850, "k", "", CountCell(6, W().k[1]), CountCell(6, W().k[2]));
    LengthPair("Zahnweite theor.", "W", W().W, 5, 4);
    // The span limits: the worm's as stored, the wheel's ordered by size.
    const auto& wMax = W().WXemax;
    const auto& wMin = W().WXemin;
    const std::string mm = LengthUnit();
    Both("Zahnweite max", "Wmax", mm, LengthCell(5, 3, wMax[1]),
         LengthCell(5, 3, AbsMax(wMin[2], wMax[2])));
    Both("Zahnweite min", "Wmin", mm, LengthCell(5, 3, wMin[1]),
         LengthCell(5, 3, AbsMin(wMin[2], wMax[2])));
    Both("Zahnweitentoleranz", "TW", mm, LengthCell(5, 3, std::fabs(wMax[1] - wMin[1])),
         LengthCell(5, 3, std::fabs(wMax[2] - wMin[2])));
    ReportSectionEnd(kSectionEmptyLine | kSectionNewPage);
}

bool PermittedDeviations() {
    ReportSectionTitle("ZULÄSSIGE ABWEICHUNGEN NACH DIN 3974-1"_cp850);
    const std::string um = MicronUnit();
    const auto um41 = [](Real x) { return FormatMicronFixed(4, 1, x); };
    const auto row = [&](std::string_view label, std::string_view symbol, const Pair<Real>& x) {
        Both(label, symbol, um, um41(x[1]), um41(x[2]));
    };
    Both("Verzahnungsqualität nach DIN"_cp850, "", "", CountCell(5, W().quality[1]),
         CountCell(5, W().quality[2]));
    row("Teilungs-Einzelabweichung", "fp", W().fp);
    row("Teilungssprung", "fu", W().fu);
    Both("Steigungs-Gesamtabweichung", "Fpz", um, um41(W().Fpz), "");
    Both("Teilungs-Gesamtabweichung", "Fp2", um, "", um41(W().Fp2));
    row("Profil-Formabweichung", "ffalpha", W().ffalpha);
    row("Profil-Winkelabweichung", "fHalpha", W().fHalpha);
    row("Profil-Gesamtabweichung", "Falpha", W().Falpha);
    row("Rundlaufabweichung", "Fr", W().FrDev);
    row("Einflanken-Wälzabweichung"_cp850, "Fi'", W().FiPrime);
    row("Einflanken-Wälzsprung"_cp850, "fi'", W().fiPrime);
    ReportEndPage();
    return !cancelFlag;
}

}  // namespace

void ReportGeometrySections() {
    BasicData();
    if (!Diameters()) return;
    if (!ToothDimensions()) return;
    if (!Angles()) return;
    if (!ToothingData()) return;
    if (!ProfileShiftFactors()) return;
    if (!TolerancesAndBacklash()) return;
    TestDimensions();
    PermittedDeviations();
}

}  // namespace veldrim
