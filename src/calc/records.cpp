// The gear data set: the two program-wide records, their start-up defaults and
// the choice-text tables. The defaults are those of a new data set: a
// three-thread ZI worm with a 29-tooth wheel at 80 mm centre distance, which
// the calculation completes without any further input.

#include "calc/records.h"

#include <numbers>

#include "foundation/codepage.h"

namespace veldrim {

GearPairRecord gearPair;
WormGearRecord wormGear;

namespace {

// The records must hold their defaults from the start of the process, before
// any start-up code of the program runs.
const bool kRecordsInitialised = [] {
    ResetGearData();
    return true;
}();

}  // namespace

void InitGearPairDefaults() {
    GearPairRecord& g = gearPair;
    g = GearPairRecord{};
    for (int i = 1; i <= 2; ++i) {
        g.z[i] = 17;
        g.materialKind[i] = 1;
        g.heatTreatment[i] = 1;
        g.rho[i] = 7.8L;
        g.E[i] = 206000.0L;
        g.nue[i] = 0.3L;
        g.sigHlim[i] = 1500.0L;
        g.sigmaFE[i] = 800.0L;
        g.HB[i] = 740.0L;
    }
    g.materialCode = {{31, 19}};
    g.derivedQuantity = 2;
    g.gearDesignation = {{"gear 1", "gear 2"}};
    // The export block: one load-spectrum row at full load and speed for the
    // whole life, the start values below, every other value 0.
    g.loadSpectrumKind = 0;
    g.loadSpectrumRowCount = 1;
    g.loadSpectrumRows[1] = {1.0L, 1.0L, 1.0L};
    SetExportBlockStartValues(g);
}

void SetExportBlockStartValues(GearPairRecord& g) {
    g.exportReal[1] = 740.0L;
    g.exportPair[1] = {{1.0L, 1.0L}};
    g.exportPair[2] = {{1.0L, 1.0L}};
}

void ResetDataSetToDefaults() {
    GearPairRecord& g = gearPair;
    g.z = {{3, 29}};
    for (int i = 1; i <= 2; ++i) {
        g.materialKind[i] = 1;
        g.heatTreatment[i] = 1;
        g.materialName[i].clear();
        g.rho[i] = 7.8L;
        g.E[i] = 206000.0L;
        g.nue[i] = 0.3L;
        g.sigHlim[i] = 1500.0L;
        g.sigmaFE[i] = 800.0L;
        g.HB[i] = 740.0L;
        g.LtH[i] = 0;
        g.SH[i] = 0;
        g.SF[i] = 0;
    }
    g.materialCode = {{29, 37}};
    g.T = {{37.6L, 0.0L}};
    g.n = {{750.0L, 75.0L}};
    g.P = 3.778L;
    g.derivedQuantity = 2;

    // Every result and every input without a default starts at 0 or empty.
    WormGearRecord& w = wormGear;
    w = WormGearRecord{};
    w.partName = {{std::string(kPartNameTexts[0]), std::string(kPartNameTexts[1])}};
    w.deviationSeries = {{8, 8}};
    w.toleranceSeries = {{11, 11}};
    w.keptThreadCount = 3;
    w.a = 80.0L;
    w.u = 10.0L;
    w.dm1a = 0.33L;
    w.alpha0 = 20.0L;
    w.b = {{63.0L, 28.5L}};
    w.haStar = {{1.0L, 1.0L}};
    w.hfStar = {{1.2L, 1.2L}};
    w.KA = 1.0L;
    w.mueZ = 0.1L;
    w.v50 = 150.0L;
    w.P = 2.95L;
    w.driver = 1;
    w.flankForm = kFlankZI;
    w.hand = 1;
    w.operatingDataSide = 1;
    w.lubricantKind = 1;
    w.thetaM = 50.0L;
    w.Ra1 = 4.0L;
    w.bearingArrangement = 1;
    w.YW = 1.0L;
    w.eta0M = 0.1L;
    w.WML = 1.0L;
    w.PDin = {{3.778L, 3.778L}};
    w.PDinOut = {{2.95L, 2.95L}};
    w.TDin = {{37.6L, 37.6L, 0.0L, 0.0L}};
    w.din3996Switch = 1;
    w.editionCode = 1;
    w.furtherReal1 = 50.0L;
    w.furtherReal2 = 150.0L;
    w.centreDistanceToleranceField = 9;
    w.wheelRimCode = 3;
    w.quality = {{6, 6}};
    w.sealCount = 1;
    w.v40 = 220.0L;
    w.v100 = 37.0L;
    w.summa = std::numbers::pi_v<Real> / 2;
    w.designReal = 20.0L;
    w.PV0Percent = 100.0L;
    w.k = {{1, 1}};
}

void ResetGearData() {
    InitGearPairDefaults();
    ResetDataSetToDefaults();
}

const std::array<std::string_view, 2> kPartNameTexts = {"Schnecke", "Schneckenrad"};
const std::array<std::string_view, 2> kDriverTexts = {"Schnecke treibt", "Rad treibt"};
const std::array<std::string_view, 2> kHandTexts = {"rechtssteigend", "linkssteigend"};
const std::array<std::string_view, 2> kBearingArrangementTexts = {"angestellte Lagerung",
                                                                  "Fest-Los-Lagerung"};
const std::array<std::string_view, 5> kLubricantKindTexts = {
    "Mineralöl"_cp850, "Polyglykol (EO:PO = 0:1)", "Polyglykol (EO:PO = 1:1)",
    "Klübersynth GH 6"_cp850, "Polyalphaolefin (PAO)"};
const std::array<std::string_view, 2> kLubricationTexts = {"Einspritzschmierung",
                                                           "Tauchschmierung"};
const std::array<std::string_view, 5> kFlankFormTexts = {"ZI (I)", "ZA (A)", "ZK (K)", "ZN (N)",
                                                         "ZH (C)"};
const std::array<std::string_view, 11> kDeviationSeriesTexts = {"a", "ab", "b", "bc", "c", "cd",
                                                                "d", "e",  "f", "g",  "h"};
const std::array<std::string_view, 9> kCentreDistanceFieldTexts = {
    "js 4", "js 5", "js 6", "js 7", "js 8", "js 9", "js10", "js11", " "};
const std::array<std::string_view, 2> kDinEditionTexts = {"DIN 3996:1998", "DIN 3996:2012"};
const std::array<std::string_view, 9> kMaterialKindTexts = {"",
                                                            "Baustahl",
                                                            "Einsatzstahl",
                                                            "Vergütungs- oder Nitrierstahl"_cp850,
                                                            "GGG perlitisch oder bainitisch",
                                                            "GGG ferritisch",
                                                            "GG",
                                                            "GTS (schwarzer Temperguß)"_cp850,
                                                            "andere ..."};
const std::array<std::string_view, 8> kHeatTreatmentTexts = {"keine",
                                                             "verguetet (V)",
                                                             "einsatzgehaertet (Eh)",
                                                             "induktiv gehaertet (IF)",
                                                             "flammgehaertet (IF)",
                                                             "gasnitriert (NT)",
                                                             "badnitriert (NT)",
                                                             "nitrocarburiert (NV)"};
const std::array<std::string_view, 8> kHeatTreatmentShortTexts = {
    "keine",     "vergütet"_cp850, "einsatzgeh.", "indukt.geh.",
    "flammgeh.", "gasnitriert",    "badnitriert", "nitrokarb."};
const std::array<std::string_view, 3> kFlankDirectionTexts = {"rechtssteigend", "linkssteigend",
                                                              "frei"};
const std::array<std::string_view, 2> kLoadSpectrumTexts = {
    "nach ISO 6336-6/Niemann: nur Ni>Nn bzw. Ti>TN/2",
    "alle Laststufen des Lastkollektivs berücksichtigen für KA"_cp850};
const std::array<std::string_view, 8> kHeatTreatmentFactorTexts = {"2.5", "2.5", "2.5", "2.5",
                                                                   "2.5", "1.6", "1.6", "1.1"};
const std::array<std::string_view, 2> kToleranceStandardTexts = {"DIN 3961", "ISO 1328"};
const std::array<std::string_view, 3> kShaftEndTexts = {"Bohrung", "Welle 1-seitig",
                                                        "Welle 2-seitig"};

}  // namespace veldrim
