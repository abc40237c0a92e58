// Load capacity, efficiency and temperature of the worm gear set: the entry
// of the rating, the material and life factors and the wheel bulk
// temperature.
//
// The rating runs in three stages, each in its own module:
//
//   CheckRatingInputs     fatal input -> stop (rating_niemann.cpp)
//   CalcNiemannRating     always          (rating_niemann.cpp)
//   CalcDin3996Rating     switch on only  (rating_din3996.cpp)
//
// The factor routines here serve the buttons of the material and
// lubrication forms as well as the rating: they recognise wheel materials by
// exact substrings of their designation ("CuSn12-C-GZ", "GJS-400").

#include "calc/worm_rating.h"

#include <cmath>
#include <initializer_list>
#include <string>

#include "calc/rating_din3996.h"
#include "calc/rating_niemann.h"
#include "calc/records.h"
#include "calc/viscosity.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/text_conv.h"

namespace veldrim {

void CalcWormRating() {
    if (!CheckRatingInputs()) return;
    CalcNiemannRating();
    if (wormGear.din3996Switch == 0) return;
    CalcDin3996Rating();
}

// ---- Material and life factors ---------------------------------------------------

Real LifeFactorYNLValue(int materialKind, Real NL) {
    if (NL == 0) {
        AddMessage("Fatal  : NL = 0 !");
        return 0;
    }
    // Cast iron (kind 6) has a flatter S-N line than the bronzes and steels;
    // nodular iron (kind 4) may reach a higher factor at short lives.
    Real k = 0.16L;
    Real hi = 2.0L;
    if (materialKind == 4) hi = 2.5L;
    if (materialKind == 6) k = 0.09L;
    return Clamp(1.0L, hi, CheckedPower("YNL", 3E6L / NL, k));
}

Real LifeFactorYNL(int materialKind, Real NL) {
    const Real value = LifeFactorYNLValue(materialKind, NL);
    if (NL != 0) wormGear.YNL = value;
    return value;
}

namespace {

// Factor of one wheel material per lubricant kind: mineral oil (1),
// polyglycols (2 to 4) and polyalphaolefin (5).
struct WmlRule {
    std::string_view names[4];  // any of them in the designation; empty ends
    Real mineral;
    Real polyglycol;
    Real pao;
};

constexpr WmlRule kWmlRules[] = {
    {{"CuSn12-C-GZ"}, 1.6L, 2.25L, 1.6L},
    {{"CuSn12Ni2-C-GZ"}, 1.0L, 1.75L, 1.0L},
    {{"CuSn12Ni2-C-GC"}, 4.1L, 4.1L, 4.1L},
    {{"CuAl10Fe5Ni5-C-GZ"}, 1.0L, 9.0L, 1.0L},
    {{"GJS-400", "GGG-40", "GJL-250", "GG-25"}, 1.0L, 1.0L, 1.0L},
};

bool ContainsAll(std::string_view name, std::initializer_list<std::string_view> tokens) {
    for (std::string_view t : tokens)
        if (!ContainsText(t, name)) return false;
    return true;
}

}  // namespace

Real MaterialLubricantFactorWML(int lubricantKind, std::string_view materialName) {
    if (lubricantKind < 1 || lubricantKind > 5) return wormGear.WML;
    for (const WmlRule& rule : kWmlRules) {
        bool hit = false;
        for (std::string_view n : rule.names)
            if (!n.empty() && ContainsText(n, materialName)) hit = true;
        if (!hit) continue;
        if (lubricantKind == 1) return rule.mineral;
        if (lubricantKind == 5) return rule.pao;
        return rule.polyglycol;
    }
    return wormGear.WML;
}

Real MaterialFactorYW(std::string_view materialName) {
    if (ContainsAll(materialName, {"Cu", "Sn", "12", "Ni"})) return 0.95L;
    if (ContainsAll(materialName, {"Cu", "Sn", "12"})) return 1.0L;
    if (ContainsAll(materialName, {"Cu", "Al", "10", "Ni"})) return 1.1L;
    // Nodular and grey cast iron by their old designations ("GGG 40", "GG 25")
    // or by the European ones of the same grades ("EN-GJS-400-15", "EN-GJL-250").
    if (ContainsAll(materialName, {"GGG", "40"}) || ContainsAll(materialName, {"GJS", "400"}))
        return 1.3L;
    if (ContainsAll(materialName, {"GG", "25"}) || ContainsAll(materialName, {"GJL", "250"}))
        return 1.4L;
    return 1.0L;
}

std::string MaterialGroupName(int materialKind, std::string_view materialName) {
    if (materialKind >= 1 && materialKind <= 7)
        return std::string(ChoiceText(kMaterialKindTexts, materialKind, 0));
    if (ContainsText("CuSn", materialName)) return "Bronze";
    if (ContainsText("CuAl", materialName)) return "Aluminiumbronze";
    if (ContainsText("CuZn", materialName)) return "Messing";
    return {};
}

// ---- Wheel bulk temperature ----------------------------------------------------------

namespace {

// Injection lubrication: the temperature rise over the oil's inlet
// temperature grows with the gear loss, with the viscosity at the inlet and
// for small sets.
Real InjectionTemperature(Real T0, Real nu40, Real nu100) {
    const WormGearRecord& w = wormGear;
    const Real n1 = gearPair.n[1];
    const Real nu = ViscosityFromNu40Nu100(nu40, nu100, T0);
    const Real x = w.u * 72.5L / (n1 > 150 ? n1 : 150.0L);
    return 16 * CheckedPower("Kn", x, 0.35L) * CheckedPower("Kv", nu / 55, 0.35L) *
               CheckedPower("Ks", CheckedDiv("", 160, w.a), 0.6L) * w.PVzDin[2] +
           T0;
}

// Dip lubrication, valid for 63 <= a <= 400 mm and 60 <= n1 <= 3000 1/min:
// the sump temperature from the wheel torque plus the rise through the
// wheel body, which sheds the gear loss over its face.
Real DipTemperature(Real nu40) {
    const WormGearRecord& w = wormGear;
    const Real n1 = gearPair.n[1];
    const Real a = w.a;
    const Real u = w.u;
    const Real area = w.b[2] * w.dm[2] * 1E-6L;
    const Real alpha = n1 < 150 ? 4190.0L : 15 * n1 + 1940;
    const Real dT = CheckedDiv("", 1000 * w.PVzDin[2], alpha * area);
    const Real c1 = 0.039L * CheckedPower("c1", n1 / 60 + 2, 0.34L) *
                    CheckedPower("c1", nu40 / 100, -0.17L) * CheckedPower("c1", u, -0.22L) *
                    CheckedPower("c1", a - 48, 0.34L);
    const Real c0 = 0.081L * CheckedPower("c0", n1 / 60 - 0.23L, 0.7L) *
                    CheckedPower("c0", nu40 / 100, 0.41L) * CheckedPower("c0", a + 32, 0.63L);
    Real f = 1;
    if (w.lubricantKind == 1 || w.lubricantKind == 5) {
        const Real num = w.lubricantKind == 1 ? 9.0L : 5.0L;
        f = 1 + CheckedDiv("", num, std::sqrt(n1) * (0.012L * u + 0.092L) - 0.745L * u + 82.877L);
    }
    return (c1 * w.TDin[4] / IntPower(3, a / 63) + c0) * f + 20 + dT;
}

}  // namespace

Real CalcOilTemperature(Real T0, Real nu40, Real nu100) {
    WormGearRecord& w = wormGear;
    if (w.lubrication != 1) {
        w.thetaM = InjectionTemperature(T0, nu40, nu100);
        return w.thetaM;
    }
    const Real n1 = gearPair.n[1];
    // Outside its range the dip formula has no value. 0 tells the caller so;
    // the entered temperature stays, rather than becoming 0 °C.
    if (w.a < 63 || w.a > 400 || n1 < 60 || n1 > 3000) return 0;
    w.thetaM = DipTemperature(nu40);
    return w.thetaM;
}

}  // namespace veldrim
