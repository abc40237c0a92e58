#include "calc/cylindrical/cyl_measure.h"

#include <cmath>
#include <string>

#include "calc/cylindrical/cyl_record.h"
#include "calc/cylindrical/cyl_support.h"
#include "calc/measure_tables.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"

namespace veldrim {

using namespace cyl;

namespace {}

Real CylSpanMeasurement(int i, Real xE) {
    CylGearRecord& g = cylGear;
    const Real z = Zr(i);
    const Real s = Sz(i);
    const FlankAngleValues& f = FlankAngles(g.alphaNRad, g.betaRad);
    const Real cosB = f.cosBeta;
    // The pressure angle on the circle through the middle of the tooth depth
    // of the nominal gear decides k.
    const Real dy = g.d[i] + 2.0L * g.x[i] * g.mn;
    const Real betaY = ArcTanOf(f.tanBeta * dy / g.d[i]);
    const Real cosAlphaY = f.cosAlphaN * (g.d[i] / dy) * cosB / OfAngle(betaY).cos;
    // Its arc cosine is needed for k, or for the message of an argument
    // outside -1 .. 1.
    const bool needed = g.teethSpanned[i] == 0 || !(cosAlphaY > -1.0L && cosAlphaY < 1.0L);
    const Real alphaY = needed ? LabelledArcCos("Fatal  : Zahnweite !", cosAlphaY) : 0;
    // Evaluated for its domain check alone: only an argument outside -1 .. 1
    // can give a message.
    const AngleValues& t = OfAngle(g.alphaT);
    if (const Real c = t.cos / (cosB * 2.0L * xE / z + 1.0L); !(c > -1.0L && c < 1.0L))
        (void)LabelledArcCos("Fatal  : Zahnweite !", c);
    const Real invAlphaT = t.involute;
    const Real zVirtual = z * invAlphaT / f.invAlphaN;
    if (g.teethSpanned[i] == 0)
        g.teethSpanned[i] = static_cast<std::int32_t>(std::trunc(zVirtual * alphaY / kPi + 1.0L));
    const Real k = static_cast<Real>(g.teethSpanned[i]);
    return f.cosAlphaN * g.mn * (z * invAlphaT + (k - s / 2.0L) * kPi) +
           2.0L * xE * g.mn * f.sinAlphaN;
}

Real CylBallDimension(int i, Real xE) {
    CylGearRecord& g = cylGear;
    const Real z = Zr(i);
    const Real dm = g.ballDiameter[i];
    const Real eta = (kPi - 4.0L * xE * FlankAngles(g.alphaNRad, g.betaRad).tanAlphaN) / 2.0L / z;
    g.ballEtaTerm[i] = eta - OfAngle(g.alphaT).involute;
    const InvoluteInverse alphaM =
        ArcInvoluteWithCos(dm / g.db[i] / OfAngle(g.betaB).cos - g.ballEtaTerm[i]);
    if (alphaM.angle < 0)
        Say("Fehler : Dm ball !  (" + FormatLength(dm) + std::string(LengthUnit()) + ")");
    const Real dK = g.db[i] / alphaM.cos;
    if (Z(i) % 2 == 0) return dK + dm;
    return dK * OfAngle(kPi / 2.0L / z).cos + dm;
}

Real CylDiametralBallDimension(int i, Real MdK) {
    const CylGearRecord& g = cylGear;
    if (Z(i) % 2 != 0 && g.beta > 0) {
        const Real dm = g.ballDiameter[i];
        return (MdK - dm) / OfAngle(kPi / 2.0L / Zr(i)).cos + dm;
    }
    return MdK;
}

void CylMeasurementStep() {
    CylGearRecord& g = cylGear;
    for (int i = 1; i <= 2; ++i) {
        if (g.measurementBallSwitch == 1) {
            g.ballDiameter[i] = BallDiameter(g.mn, g.xee[i], g.alphaNRad, g.betaRad, Z(i));
            g.teethSpanned[i] = 0;
        }
        const Real shifts[5] = {g.xPreLower[i], g.xPreUpper[i], g.x[i], g.xei[i], g.xee[i]};
        Pair<Real>* spans[5] = {&g.WkPreLower, &g.WkPreUpper, &g.Wk, &g.WkLower, &g.WkUpper};
        Pair<Real>* balls[5] = {&g.MdKPreLower, &g.MdKPreUpper, &g.MdK, &g.MdKLower, &g.MdKUpper};
        Pair<Real>* diametral[5] = {&g.MdRPreLower, &g.MdRPreUpper, &g.MdR, &g.MdRLower,
                                    &g.MdRUpper};
        for (int k = 0; k < 5; ++k) {
            (*spans[k])[i] = CylSpanMeasurement(i, shifts[k]);
            if (Fatal()) return;
        }
        for (int k = 0; k < 5; ++k) {
            (*balls[k])[i] = CylBallDimension(i, shifts[k]);
            if (Fatal()) return;
        }
        for (int k = 0; k < 5; ++k)
            (*diametral[k])[i] = CylDiametralBallDimension(i, (*balls[k])[i]);
    }
}

}  // namespace veldrim
