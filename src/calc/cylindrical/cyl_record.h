#pragma once
// The equivalent cylindrical (spur or helical involute) gear pair of a ZI worm
// set: one program-wide record `cylGear` with its inputs, which the worm to
// cylindrical gear bridge fills, and the results of CalcCylGear, which the
// tooth-form, mesh and animation drawings and the sibling spur-gear program's
// data file read.
//
// Conventions: lengths mm; angles in degrees where the comment says "deg",
// every derived angle in radians; tolerances µm. Per-gear values are Pair<>
// (calc/records.h), indexed 1 (worm side) and 2 (wheel). The tooth counts are
// not held here: they are gearPair.z[1] and gearPair.z[2], where a negative
// count marks an internal gear (the equivalent pair's near-rack has -5000).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "calc/records.h"
#include "foundation/real.h"

namespace veldrim {

// Values of the sibling program's data set that this program carries but never
// computes with, in the order in which the sibling data-file writer writes
// them. Their meanings belong to that writer and to the tooth-form drawings;
// the names say only where each value sits.
struct CylCarriedValues {
    std::array<char, 6> flags{'N', 'N', 'N', 'N', 'N', 'N'};  // six one-character flags
    Real real95 = 95.0L;
    std::int16_t word1A = 1;
    std::int16_t word1B = 1;
    Real real300 = 300.0L;
    Pair<Real> perGearA{{5.0L, 5.0L}};  // two per-gear values; a 0 is repaired to 1.0
    Pair<Real> perGearB{{5.0L, 5.0L}};  // by the plausibility checks
    std::int32_t drawingInt20 = 20;     // tooth-form drawing settings
    std::int32_t drawingInt200 = 200;
    std::int32_t drawingInt30 = 30;
    std::int32_t toothFormViewChoice = 3;  // copied to toothFormView
    Real real5 = 5.0L;
    Real real6 = 6.0L;
    Real realMinus87 = -87.0L;
    std::int32_t int19 = 19;
    std::int32_t int38 = 38;
    std::int32_t intMinus134 = -134;
    std::int16_t strengthMethod = 4;  // 4: ISO 6336
    std::array<Real, 2> realPair1{1.0L, 1.0L};
    std::array<Real, 3> reals1{1.0L, 1.0L, 1.0L};
    Real real100 = 100.0L;
    std::int16_t word1C = 1;
    std::int16_t drawingWord1 = 1;      // drawing setting
    std::int32_t drawingInt100 = 100;   // drawing setting
    std::uint8_t drawingByte1A = 1;     // drawing setting
    std::int16_t wordAfterTipMode = 1;  // follows the tip-diameter mode in the sibling file
    std::uint8_t byte1 = 1;
    Real real1 = 1.0L;
    Real real09 = 0.9L;
    Real real80 = 80.0L;
    std::uint8_t drawingByte1B = 1;  // drawing setting near the end of the record

    bool operator==(const CylCarriedValues&) const = default;
};

struct CylGearRecord {
    // ---- Inputs of the pair ----
    Real mn = 6.5L;       // normal module
    Real alphaN = 20.0L;  // normal pressure angle, deg
    Real beta = 9.0L;     // helix angle at the reference circle, deg
    Real b = 88.0L;       // face width of the pair
    Real a = 250.0L;      // centre distance (0: from the profile shifts); becomes (dw1 + dw2) / 2
    std::int16_t centreToleranceField = 4;  // 1..8 "js 4".."js11"; 9 and above: Aae, Aai given
    Real Aae = 0;                           // upper centre-distance allowance
    Real Aai = 0;                           // lower centre-distance allowance
    Pair<std::int16_t> pairKind{{3, 3}};    // pair kind codes of the sibling file
    // Switches that the sibling data set keeps with the gear pair.
    std::int32_t toleranceStandard = 1;      // 1 ISO 1328, any other value DIN 3961/3962
    std::int32_t measurementBallSwitch = 0;  // 1: ball diameter and k chosen automatically

    // ---- Inputs per gear ----
    Pair<Real> x{{0.52L, 0.57L}};                // profile shift factor
    Pair<Real> bGear{{88.0L, 88.0L}};            // face width of the gear (<= 0: b)
    Pair<std::int32_t> quality{{6, 6}};          // accuracy grade of the tolerance formulas
    Pair<std::int16_t> deviationSeries{{8, 8}};  // DIN 3967 deviation series 1..11 = "a".."h"
    Pair<std::int16_t> toleranceSeries{{5, 5}};  // 1..10 = series 21..30; 11 allowances given
    Pair<Real> Asne{}, Asni{}, Tsn{};            // upper and lower allowance, tolerance of sn
    Pair<std::string> designationText{{"6 e 27", "6 e 27"}};  // e.g. "e 25"
    Pair<std::int16_t> tipDiameterMode{{2, 2}};               // 1 from c, 2 from kmn, 3 da given
    Pair<Real> da{{124.0L, 400.0L}};                          // tip diameter
    Pair<Real> c{};                                           // tip clearance
    Pair<Real> kmn{};                                         // tip shortening (radial)
    Pair<Real> qAllowance{}, qTolerance{};    // finishing allowance on the flank and its tolerance
    Pair<Real> boreDiameter{};                // bore dB; negative for an internal gear
    Pair<Real> ballDiameter{{12.0L, 12.0L}};  // ball or pin diameter DM
    Pair<std::int16_t> toolProfile{{1, 1}};   // tool reference profile 1..9
    Pair<std::string> toolProfileText{
        {"          ", "          "}};               // "Normal", "Protub." or empty
    Pair<Real> haP0Factor{{1.25L, 1.25L}};           // tool addendum / mn
    Pair<Real> hfP0Factor{{1.0L, 1.0L}};             // tool dedendum / mn
    Pair<Real> rhoaP0Factor{{0.25L, 0.25L}};         // tool tip radius / mn
    Pair<Real> rhofP0Factor{};                       // tool root radius / mn
    Pair<Real> alphaP0{{45.0L, 45.0L}};              // tool pressure angle, deg (0: alphaN)
    Pair<Real> alphaPrP0{{6.0L, 6.0L}};              // protuberance angle, deg
    Pair<Real> prP0Factor{{0.02L, 0.02L}};           // protuberance / mn
    Pair<Real> toolAngleHeightFactor{{0.8L, 0.8L}};  // height / mn of the flank part with alphaP0

    // ---- Derived values of the pair ----
    Real alphaNRad = 0, betaRad = 0;        // alphaN, beta in radians
    Real mt = 0;                            // transverse module
    Real alphaT = 0;                        // transverse pressure angle
    Real alphaWt = 0;                       // working transverse pressure angle
    Real alphaWtAMin = 0, alphaWtAMax = 0;  // the same at a + Aai and a + Aae
    Real sumX = 0;                          // x1 + x2 from the given centre distance
    Real zLimit = 0, zLimitPractical = 0;   // undercut limit tooth counts
    Real diametralPitch = 25.4L / 6.5L;     // 25.4 / mn
    Real aRef = 0;                          // reference centre distance
    Real betaB = 0;                         // base helix angle
    Real cos2BetaB = 0;                     // cos² betaB
    Real betaW = 0;                         // helix angle at the working circle
    std::string centreToleranceText = "js11";
    Real jtMin = 0, jtMax = 0;                              // circumferential backlash
    Real jnMin = 0, jnMax = 0;                              // normal backlash
    Real jrMin = 0, jrMax = 0;                              // radial backlash
    Real pn = 0, pt = 0, pbt = 0, pet = 0, pbn = 0;         // pitches
    Real gAlpha = 0, gAlphaAMin = 0, gAlphaAMax = 0;        // length of the path of contact
    Real epsAlpha = 0, epsAlphaAMin = 0, epsAlphaAMax = 0;  // transverse contact ratio
    Real epsBeta = 0;                                       // overlap ratio
    Real epsGamma = 0, epsGammaAMin = 0, epsGammaAMax = 0;  // total contact ratio
    Real u = 1.0L;                                          // ratio z2 / z1

    // ---- Derived values per gear ----
    Pair<Real> xMin{};  // profile shift at the practical undercut limit
    Pair<Real> d{}, dw{}, dwAMin{}, dwAMax{};
    Pair<Real> daFull{};  // tip diameter for the full tooth depth
    Pair<Real> daRef{}, daLower{};
    Pair<Real> df{}, dfLower{}, dfNominal{}, dfSpan{};
    Pair<Real> db{}, dMid{};
    Pair<Real> dFa{}, dFaLower{};                    // tip form diameters
    Pair<Real> dFf{}, dFfUpper{}, dFfLower{};        // root form diameters
    Pair<Real> dNa{}, dNaAMin{}, dNaAMax{};          // usable tip diameters
    Pair<Real> dNf{};                                // usable root diameter
    Pair<Real> h{}, hFromDaLower{}, hFromDfLower{};  // tooth depths
    Pair<Real> zn{}, dn{};                           // virtual tooth count and diameter
    Pair<Real> sn{}, snMin{}, snMax{};               // normal tooth thickness at d
    Pair<Real> st{}, stMin{}, stMax{};               // transverse tooth thickness at d
    Pair<Real> en{}, et{};                           // normal and transverse space width
    Pair<Real> sat{}, satLower{}, satUpper{};        // transverse tooth thickness at the tip
    Pair<Real> san{}, sanLower{}, sanUpper{};        // normal tooth thickness at the tip
    Pair<Real> stw{};                                // transverse tooth thickness at dw
    Pair<Real> toothAngleW{};                        // tooth angle at dw, rad
    Pair<Real> alphaA{};                             // pressure angle at the tip
    Pair<Real> epsPartial{};                         // partial contact ratio
    Pair<Real> gTip{}, gTipAMax{}, gTipAMin{};       // tip parts of the path of contact:
        // (dNa, dw), (dNaAMin, dwAMax), (dNaAMax, dwAMin)
    Pair<Real> xee{}, xei{};              // generating profile shift, upper and lower
    Pair<Real> xPreUpper{}, xPreLower{};  // the same for the roughing stage
    Pair<Real> cMin{}, cMax{};            // tip clearance limits
    Pair<Real> cToFormCircle{};           // clearance from the tip to the mate's root form circle
    Pair<bool> toolAngleDiffers{};        // tool pressure angle differs from alphaN
    Pair<Real> haP0{}, hfP0{}, rhoaP0{}, rhofP0{}, prP0{}, toolAngleHeight{};  // tool values, mm

    // ---- Tolerances, µm ----
    Pair<Real> ffAlpha{}, fHAlpha{}, FAlpha{};
    Pair<Real> fp{}, fu{}, Fp{}, Fpz{};
    Pair<Real> Fr{}, Rs{};
    Pair<Real> FBeta{}, fHBeta{}, ffBeta{};
    Pair<Real> FiRadial{}, fiRadial{}, FiTangential{}, fiTangential{};

    // ---- Measurement ----
    Pair<std::int32_t> teethSpanned{};  // k of the span; 0 asks for the automatic value
    Pair<Real> WkPreLower{}, WkPreUpper{}, Wk{}, WkLower{}, WkUpper{};
    Pair<Real> MdKPreLower{}, MdKPreUpper{}, MdK{}, MdKLower{}, MdKUpper{};
    Pair<Real> MdRPreLower{}, MdRPreUpper{}, MdR{}, MdRLower{}, MdRUpper{};
    Pair<Real> ballEtaTerm{};  // eta - inv alphaT of the last ball dimension

    // ---- Tooth-form configuration of the drawings ----
    Pair<Real> toothFormX{}, toothFormXPre{};
    Pair<Real> toothFormSn{};
    Pair<Real> toothFormDf{}, toothFormDa{}, toothFormDw{};
    Real toothFormA = 0;  // centre distance of the drawn mesh (0: reference mesh)
    std::int32_t toothFormView = 0;
    Real toothAngleDeg = 0;                                       // deg
    Real meshAngleMid = 0, meshAngleStart = 0, meshAngleEnd = 0;  // deg
    Pair<Real> toothFormMdK{};
    Pair<Real> toothFormDFa{};
    Pair<Real> protuberanceDepth{};

    CylCarriedValues carried{};

    bool operator==(const CylGearRecord&) const = default;
};

extern CylGearRecord cylGear;  // the program's equivalent cylindrical gear pair

// The record to its start-up defaults (every field as listed above).
void ResetCylGearRecord();

// Start-up of the module: the record's defaults and the values of the sibling
// data set that it sets outside the record (tooth counts 16 and 58, speed of
// gear 1 1500, power 500, hardness 740, the start values of the gear pair's
// export block; the worm set's part names, drawing names and drawing numbers
// emptied). Runs once before the worm gear defaults, which set those values
// anew.
void InitCylGearModule();

// Choice tables: deviation series "a".."h" (1..11), centre fields "js 4".."js11", " " (1..9).
extern const std::array<std::string_view, 11> kCylDeviationSeriesTexts;
extern const std::array<std::string_view, 9> kCylCentreFieldTexts;

}  // namespace veldrim
