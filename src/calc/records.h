#pragma once
// The gear data set: the program-wide records that hold every input and every
// result of a worm gear set, their start-up defaults and the choice-text tables.
//
// There is no document object. Input forms, the calculation, drawings, reports
// and the gear data file all read and write `gearPair` and `wormGear` directly.
// Both are plain value structs, so a caller may snapshot a whole data set by
// copying them and restore it by assigning the copy back (the calculation does
// so when a run ends fatal). The equivalent cylindrical gear lives in its own
// record (calc/cylindrical/cyl_record.h).
//
// Conventions of every field:
// - Pairs are indexed 1 (worm, gear 1) and 2 (wheel, gear 2), as the formulas
//   write them: `wormGear.da[1]`. The pairs of the DIN 3996 rating are indexed
//   by edition instead: 1 DIN 3996:1998, 2 DIN 3996:2012.
// - Units: lengths mm, angles radians (except `alpha0`, degrees, as entered),
//   forces N, torques Nm, powers kW, speeds 1/min, stresses and moduli N/mm²,
//   temperatures °C, kinematic viscosities mm²/s, times h, DIN 3974 deviations µm.
// - Texts are code page 850 bytes.
// - Field names follow the design's symbols; where a symbol holds blanks or
//   punctuation the trailing comment gives it ("`dm1/a`" is `dm1a`).

#include <array>
#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// A fixed array indexed from 1 to N, as the design's formulas index it.
template <class T, int N>
struct OneBased {
    std::array<T, N> v{};

    constexpr T& operator[](int i) {
        assert(i >= 1 && i <= N);
        return v[static_cast<std::size_t>(i - 1)];
    }
    constexpr const T& operator[](int i) const {
        assert(i >= 1 && i <= N);
        return v[static_cast<std::size_t>(i - 1)];
    }
    static constexpr int size() { return N; }
    bool operator==(const OneBased&) const = default;
};

// Worm and wheel (or edition 1998 and 2012): element 1 and element 2.
template <class T>
using Pair = OneBased<T, 2>;

// Flank form codes of the worm.
enum FlankForm : std::uint16_t {
    kFlankZI = 1,
    kFlankZA = 2,
    kFlankZK = 3,
    kFlankZN = 4,
    kFlankZH = 5
};

// Values that exist once per gear, and the set's driving power.
struct GearPairRecord {
    Pair<std::int32_t> z{};               // `z`: threads of the worm (z1), teeth of the wheel (z2)
    Pair<std::uint16_t> materialKind{};   // material group code 0..8 (kMaterialKindTexts)
    Pair<std::uint16_t> heatTreatment{};  // heat treatment code 0..7 (kHeatTreatmentTexts)
    Pair<std::uint16_t> materialCode{};   // record number in the material table
    Pair<std::string> materialName{};     // material designation, e.g. "CuSn12-C-GZ"
    Pair<Real> rho{};                     // `rho`: density, kg/dm³
    Pair<Real> E{};                       // `E`: Young's modulus
    Pair<Real> nue{};                     // `nue`: Poisson's ratio
    Pair<Real> sigHlim{};                 // `Sig.Hlim`: endurance limit for contact stress
    Pair<Real> sigmaFE{};                 // `Sigma FE`: tooth-root endurance strength
    Pair<Real> HB{};                      // `HB`: hardness
    Pair<Real> T{};                       // `T`: torque of worm and wheel, Nm
    Pair<Real> n{};                       // `n`: speed of worm and wheel, 1/min
    Real P = 0;                           // `P[1]`: driving power of the set, kW (one value)
    Pair<Real> LtH{};                     // `LtH`: pitting life reached, h (Niemann)
    Pair<Real> SH{};                      // `SH`: pitting safety (Niemann)
    Pair<Real> SF{};                      // `SF`: root safety (Niemann)
    std::uint16_t derivedQuantity = 0;    // derived of speed (1), torque (2), power (3)

    // Block for the export to the sibling spur-gear program's data file. Its
    // meaning belongs to that export; the worm gear calculation never reads it.
    Pair<std::string> gearDesignation{};                  // "gear 1", "gear 2"
    std::int32_t loadSpectrumKind = 0;                    // load-spectrum kind
    std::int32_t loadSpectrumRowCount = 0;                // rows in use (the table holds one)
    OneBased<std::array<Real, 3>, 1> loadSpectrumRows{};  // rows of three reals
    OneBased<Real, 4> exportReal{};                       // further set-wide reals
    OneBased<Pair<Real>, 4> exportPair{};                 // further per-gear reals
    OneBased<std::int32_t, 10> exportInt{};               // further integers and codes
    OneBased<std::uint8_t, 3> exportFlag{};               // further boolean bytes

    bool operator==(const GearPairRecord&) const = default;
};

// All inputs and results of the worm gear set.
struct WormGearRecord {
    // ---- Inputs (forms, data file; zeros completed by the geometry) ----
    Pair<std::string> drawingNumber{};      // drawing number of worm and wheel
    Pair<std::string> partName{};           // drawing name: "Schnecke", "Schneckenrad"
    Pair<std::string> secondDrawingName{};  // second line of the drawing name
    Pair<std::uint16_t> deviationSeries{};  // tooth-thickness deviation series 1..11 = "a".."h"
    Pair<std::uint16_t> toleranceSeries{};  // tolerance series 1..10 = 21..30, 11 free input
    Pair<Real> Asne{};                      // `Asne`: upper tooth-thickness allowance, mm
    Pair<Real> Asni{};                      // `Asni`: lower tooth-thickness allowance, mm
    Pair<Real> Tsn{};                       // `Tsn`: tooth-thickness tolerance, mm
    std::int32_t keptThreadCount = 0;       // copy of z1 kept for the cylindrical-gear bridge
    Real a = 0;                             // `a`: centre distance; 0 lets the geometry compute it
    Real u = 0;                             // `u`: ratio z2/z1 (result)
    Real dm1a = 0;                          // `dm1/a`: worm mean diameter over a; 0 means 0.35
    Real alpha0 = 0;              // `alpha 0`: generating pressure angle, DEGREES; 0 means 20
    Real de2 = 0;                 // `de2`: wheel outside diameter (input for rim code 2)
    Pair<Real> b{};               // `b`: worm length, wheel face width; 0 takes b rec
    Pair<Real> haStar{};          // ha*: addendum factor (report "ha0/m")
    Pair<Real> hfStar{};          // hf*: dedendum factor ("hf0/m")
    Pair<Real> rfStar{};          // rf*: root fillet radius factor ("rf/m")
    Pair<Real> raStar{};          // ra*: tip rounding radius factor ("ra/m")
    Pair<Real> x{};               // `x`: profile shift factors
    Real KA = 0;                  // `KA`: application factor
    Real mueZ = 0;                // `mue z`: tooth friction coefficient (Niemann)
    Real v50 = 0;                 // `v50`: kinematic viscosity at 50 °C
    Real P = 0;                   // `P`: nominal (output) power, kW; Niemann result too
    std::uint16_t driver = 0;     // 1 "Schnecke treibt", 2 "Rad treibt"
    std::uint16_t flankForm = 0;  // FlankForm: 1 ZI, 2 ZA, 3 ZK, 4 ZN, 5 ZH
    std::uint16_t hand = 0;       // 1 "rechtssteigend", 2 "linkssteigend"
    std::uint16_t operatingDataSide = 0;   // 1 operating data of the worm, 2 of the wheel
    std::uint16_t lubricantKind = 0;       // 1..5 (kLubricantKindTexts)
    Real thetaM = 0;                       // `thetaM`: wheel bulk temperature
    Real LHmin = 0;                        // `LH min`: required life, h
    Real Ra1 = 0;                          // `Ra1`: mean roughness of the worm flank, µm
    std::uint16_t bearingArrangement = 0;  // 1 "angestellte Lagerung", 2 "Fest-Los-Lagerung"
    Real YW = 0;                           // `YW`: material factor of the friction coefficient
    Real eta0M = 0;                        // `eta0M`: dynamic viscosity at thetaM, Ns/m²
    Real WML = 0;                          // `WML`: material-lubricant factor
    Real tauFlimT = 0;                     // `tauFlimT`: shear endurance limit of the wheel root
    Real YNL = 0;                          // `YNL`: life factor of the root rating
    Pair<Real> PDin{};                     // `P DIN`: driving power per edition
    Pair<Real> PDinOut{};                  // `P DIN out`: output power per edition
    OneBased<Real, 4> TDin{};              // `T DIN`: worm 1998, worm 2012, wheel 1998, wheel 2012
    std::uint8_t din3996Switch = 0;        // rate after DIN 3996 as well as Niemann
    std::uint16_t editionCode = 0;         // kept in the data file
    Real furtherReal1 = 0;                 // kept in the data file (default 50)
    Real furtherReal2 = 0;                 // kept in the data file (default 150)
    std::uint8_t daDfConstant = 0;         // production-data form: keep tip and root diameters
    Pair<Real> measurementInput{};         // measuring ball or pin diameter `Dm` per gear
    std::uint16_t centreDistanceToleranceField = 0;  // 1..8 "js 4".."js11", 9 none
    Real centreDistanceAllowanceUpper = 0;           // upper allowance of a, mm
    Real centreDistanceAllowanceLower = 0;           // lower allowance of a, mm
    Pair<std::string>
        measurementText{};           // texts of the measurement form (report: tooth correction)
    std::int32_t wheelRimCode = 0;   // de2: 0,1 da2+mx; 2 entered; 3 da2+2mx
    Pair<std::int32_t> quality{};    // DIN 3974 accuracy grade
    Pair<Real> bore{};               // bore diameter of worm and wheel
    std::int32_t shaftEndCode = 0;   // 0 "Bohrung", 1 "Welle 1-seitig", 2 "Welle 2-seitig"
    Real lw = 0;                     // `lw`: shaft length of the worm beyond its thread
    std::int32_t lubrication = 0;    // 0 "Einspritzschmierung", 1 "Tauchschmierung"
    std::int32_t sealCount = 0;      // number of radial shaft seals
    Real v40 = 0;                    // `v40`: kinematic viscosity at 40 °C
    Real v100 = 0;                   // `v100`: kinematic viscosity at 100 °C
    std::int32_t wearLimitCode = 0;  // 0 d.Wlimn 0.3, 1 pointed tip
    Real summa = 0;                  // `summa`: shaft angle, rad
    Real designReal = 0;             // kept in the data file; pre-dimensioning
    Real PV0Percent = 0;             // `PV0%`: factor on the no-load loss, %
    std::int32_t designCode = 0;     // kept in the data file; online input dialog
    Pair<std::int32_t> k{};          // `k`: number of teeth spanned

    // ---- Geometry results (DIN 3975) ----
    Real mx = 0;                 // `mx`: axial module of the worm (= m[1])
    Pair<Real> m{};              // module pair: m[1] = mx, m[2] = mn / cos(pi/2 - gamma m)
    Pair<Real> mt{};             // `mt`: transverse module (mt[2] = mx)
    Real mn = 0;                 // `mn`: normal module (also an input of the data file)
    Real q = 0;                  // `q`: diameter quotient dm1/mx
    Real gammaM = 0;             // `gamma m`: mean lead angle
    Real gammaB = 0;             // `gamma b`: base lead angle
    Real alphaN = 0;             // `alpha n`: normal pressure angle
    Real alphaX = 0;             // `alpha x`: axial pressure angle
    Real alpha0Rad = 0;          // `alpha 0` converted to radians
    Real betaM = 0;              // `beta m`: helix angle of the worm (= beta[1])
    Pair<Real> beta{};           // `beta`: helix angles; beta[2] = gamma m
    Pair<Real> h{}, ha{}, hf{};  // tooth depth, addendum, dedendum
    Pair<Real> dm{}, d{}, da{}, df{}, db{};  // mean, reference, tip, root, base diameters
    Pair<Real> bRec{};                       // `b rec`: recommended widths (whole mm)
    Pair<Real> sn{};                         // `sn`: normal tooth thickness at x (report "sn nom")
    Pair<Real> en{};                         // `en`: normal space width
    Pair<Real> c{};                          // `c`: bottom clearances
    Pair<Real> pz{};                         // `pz`: leads
    Pair<Real> pzRed{};                      // `pz red`: reduced leads pz / 2pi
    Real px = 0, pn = 0, pb = 0;             // axial, normal and base pitch
    Real snHalfRef = 0;                      // `sn/2 ref`
    Pair<Real> alphaT{};                     // `alpha t`: transverse pressure angles
    Pair<Real> betaB{};                      // `beta b`: base helix angles
    Real pbn = 0;                            // `pbn`: normal base pitch
    Pair<Real> gAlpha{};                     // `g alpha`: length of path of contact
    Pair<Real> gAlphaT{};                    // `g alpha t`: transverse length of path of contact
    Pair<Real> eps{};                        // `eps`: partial contact ratios
    Real epsN = 0;                           // `eps.n`: contact ratio
    Real b2Eff = 0;                          // `b2 eff`: effective wheel face width
    Real dwCut = 0;                          // `dw cut`
    Real rK = 0;                             // `rK`: throat radius of the wheel
    Pair<Real> L{};                          // `L`: overall lengths

    // ---- Tolerances and measurement (DIN 3967, ISO 286, DIN 3974) ----
    Pair<std::string> toothThicknessDesignation{};  // e.g. " 6 e 25"
    Pair<Real> xemax{}, xemin{}, xe{}, xeTol{};     // generating profile shift factors
    Pair<Real> snMax{}, snMin{}, snMean{}, snTol{};
    Pair<Real> daMax{}, daMin{}, daMean{}, daTol{};
    Pair<Real> dfMax{}, dfMin{}, dfMean{}, dfTol{};
    Pair<Real> MR{}, MRMax{}, MRMin{}, MRMean{}, MRTol{};  // dimension over two pins
    Pair<Real> MK{}, MKMax{}, MKMin{}, MKMean{}, MKTol{};  // dimension over two balls
    Pair<Real> measurementUsed{};  // ball or pin diameter measured with: entered, or chosen for 0
    Pair<Real> W{}, WXemin{}, WXemax{};                     // span measurement at x, xemin, xemax
    Pair<Real> fp{}, fu{}, ffalpha{}, fHalpha{}, Falpha{};  // DIN 3974 deviations, µm
    Pair<Real> FrDev{};    // DIN 3974 runout `Fr`, µm (named apart from the radial force)
    Pair<Real> FiPrime{};  // `Fi'`, µm
    Pair<Real> fiPrime{};  // `fi'`, µm
    Real Fpz = 0;          // worm lead deviation, µm
    Real Fp2 = 0;          // wheel total pitch deviation, µm

    // ---- Rating after Niemann ----
    Real vt1 = 0;           // circumferential speed of the worm at dm1, m/s
    Real vgm = 0;           // mean sliding speed, m/s
    Real rhoZ = 0;          // `rho z`: friction angle
    Real etaZ = 0;          // `eta z`: gear efficiency
    Real PVz = 0;           // gear loss, kW
    Real PV0 = 0;           // no-load loss, kW
    Real PVLP = 0;          // bearing loss, kW
    Real eta = 0;           // total efficiency
    Pair<Real> Ft{}, Fx{};  // tangential and axial forces
    Real Fr = 0;            // radial force
    Real Fn = 0;            // normal force
    Real ZE = 0, CHE = 0, Zp = 0, Zn = 0;
    Real sigmaH = 0;  // `Sigma-H`: flank pressure

    // ---- Rating after DIN 3996, pairs by edition (1 1998, 2 2012) ----
    Pair<Real> pmStar{};                    // `pm*`
    Pair<Real> hStar{};                     // `h*`
    Real sStar = 0;                         // `s*`
    Real ERed = 0;                          // `E red`
    Real NL = 0;                            // load cycles of the wheel (report "NL min")
    Real cAlpha = 0;                        // `c_alpha`: pressure-viscosity coefficient
    Real PV0Din = 0, PVLPDin = 0, PVD = 0;  // no-load, bearing and seal loss
    Real vgmDin = 0;                        // `vgm DIN`
    Pair<Real> mue0T{};                     // `mue 0T`
    Real YS = 0, YR = 0;
    Pair<Real> YG{};
    Pair<Real> mueZm{};  // `mue zm`
    Pair<Real> etaZDin{}, PVzDin{}, PV{}, etaDin{};
    Pair<Real> Ft1Din{}, Ft2Din{}, Fx1Din{}, Fx2Din{}, FnDin{}, FrDin{};
    Pair<Real> pm{}, sWm{};
    Real WS = 0;
    Pair<Real> hminm{}, KW{}, J0T{}, JW{};
    Pair<Real> delWn{};  // `del.Wn`
    Real dWlimn03 = 0;   // `d.Wlimn 0.3`
    Real dWlimnTip = 0;  // `d.Wlimn tip`
    Real dWlimn = 0;     // `d.Wlimn`
    Pair<Real> SW{};
    Real Zh = 0, Zv = 0, ZS = 0, Zoil = 0, Zu = 0;
    Real sigHG = 0;                // `Sig.HG`
    Pair<Real> SHDin{}, LtHDin{};  // `SH DIN`, `LtH DIN`
    Pair<Real> deltalim{};
    Real Yeps = 0, s0 = 0, Ygamma = 0, YK = 0;
    Pair<Real> dW{}, sft{}, YF{}, tauF{};
    Real tauFG = 0;
    Pair<Real> SFDin{};  // `SF DIN`
    // The root limit values the last rating used. An input `tauFlimT` or `YNL`
    // left at 0 means "derive it": the derived value lands here, the input
    // stays 0, so a later change of material, life or speed is rated afresh.
    Real tauFlimTUsed = 0;  // `tauFlimT` in use (entered, or 0.4 Sigma FE[2])
    Real YNLUsed = 0;       // `YNL` in use (entered, or the life factor of NL)

    bool operator==(const WormGearRecord&) const = default;
};

extern GearPairRecord gearPair;  // the program's gear pair data
extern WormGearRecord wormGear;  // the program's worm gear data

// Every field of gearPair to its start value (z 17, materials, export block).
void InitGearPairDefaults();
// The start values of the export block's carried values that the equivalent
// gear's module sets too: the first set-wide real 740 (a hardness, as the two
// HB), the first two per-gear pairs 1.0.
void SetExportBlockStartValues(GearPairRecord& g);
// The new data set: every input of wormGear and the operating values of
// gearPair to their defaults, every result to 0.
void ResetDataSetToDefaults();
// Both of the above, in start-up order: the records as the program starts.
void ResetGearData();

// Choice-text tables (code page 850); code n selects element n where the code
// starts at 1, element 0 where it starts at 0.
extern const std::array<std::string_view, 2> kPartNameTexts;  // part names (1..2 as [0..1])
extern const std::array<std::string_view, 2> kDriverTexts;    // driver 1..2
extern const std::array<std::string_view, 2> kHandTexts;      // hand 1..2
extern const std::array<std::string_view, 2> kBearingArrangementTexts;   // 1..2
extern const std::array<std::string_view, 5> kLubricantKindTexts;        // 1..5
extern const std::array<std::string_view, 2> kLubricationTexts;          // 0..1
extern const std::array<std::string_view, 5> kFlankFormTexts;            // 1..5
extern const std::array<std::string_view, 11> kDeviationSeriesTexts;     // 1..11
extern const std::array<std::string_view, 9> kCentreDistanceFieldTexts;  // 1..9
extern const std::array<std::string_view, 2> kDinEditionTexts;           // 1..2
extern const std::array<std::string_view, 9> kMaterialKindTexts;         // 0..8
extern const std::array<std::string_view, 8> kHeatTreatmentTexts;        // long, codes 0..7
extern const std::array<std::string_view, 8> kHeatTreatmentShortTexts;   // short, codes 0..7
extern const std::array<std::string_view, 3> kFlankDirectionTexts;
extern const std::array<std::string_view, 2> kLoadSpectrumTexts;
extern const std::array<std::string_view, 8> kHeatTreatmentFactorTexts;
extern const std::array<std::string_view, 2> kToleranceStandardTexts;
extern const std::array<std::string_view, 3> kShaftEndTexts;  // 0..2

// Text of a code in a table whose first text has code `first`; empty outside.
template <std::size_t N>
std::string_view ChoiceText(const std::array<std::string_view, N>& table, int code, int first = 1) {
    int i = code - first;
    if (i < 0 || i >= static_cast<int>(N)) return {};
    return table[static_cast<std::size_t>(i)];
}

}  // namespace veldrim
