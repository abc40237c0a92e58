#include "calc/forms/tooth_form.h"

#include <cmath>

#include "calc/cylindrical/cyl_measure.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/cylindrical/cyl_support.h"
#include "calc/measure_tables.h"
#include "foundation/guarded_math.h"
#include "foundation/plane_geometry.h"

namespace veldrim {

using namespace cyl;

void InitToothFormConfig() {
    CylGearRecord& g = cylGear;
    g.toothFormView = g.carried.toothFormViewChoice;
    g.toothAngleDeg = RadToDeg(2.0L * CheckedArcSin(g.stw[1] / (2.0L * g.dw[1])));
    for (int i = 1; i <= 2; ++i) {
        g.toothFormX[i] = (g.xei[i] + g.xee[i]) / 2.0L;
        g.toothFormXPre[i] = (g.xPreLower[i] + g.xPreUpper[i]) / 2.0L;
        if (NearlyEqual(g.kmn[i], 0))
            g.toothFormDa[i] = 2.0L * g.hfP0[i] + g.d[i] + (g.xPreLower[i] + g.xPreUpper[i]) * g.mn;
        else
            g.toothFormDa[i] = g.da[i];
    }
    g.toothFormA = g.a;
    ConfigureToothForm(g.toothFormX);
}

void ConfigureToothForm(const Pair<Real>& xIn) {
    CylGearRecord& g = cylGear;
    const Pair<Real> x = xIn;  // the caller may pass a field of the record itself
    const Real tanAn = std::tan(g.alphaNRad);
    Real alphaW = g.alphaT;
    for (int i = 1; i <= 2; ++i) {
        g.toothFormSn[i] = (kPi / 2.0L + 2.0L * x[i] * tanAn) * g.mn;
        const bool fullTip = NearlyEqual(g.kmn[i], 0);
        // With a finishing allowance the drawing shows the roughed gear.
        const Real shift =
            g.qAllowance[i] > 1e-5L ? (g.xPreLower[i] + g.xPreUpper[i]) * g.mn : 2.0L * x[i] * g.mn;
        g.toothFormDf[i] = g.d[i] - 2.0L * g.haP0[i] + shift;
        g.toothFormDa[i] = fullTip ? 2.0L * g.hfP0[i] + g.d[i] + shift : g.da[i];

        if (g.toothFormA == 0) {
            alphaW = g.alphaT;
        } else {
            const Real c = std::cos(g.alphaT) * (g.d[1] + g.d[2]) / 2.0L / g.toothFormA;
            if (c > 1.0L || c < 0.0L) {
                Say("Fehler : confgraf");
                return;
            }
            alphaW = CheckedArcCos(c);
        }
        g.toothFormDw[i] = std::cos(g.alphaT) * g.d[i] / std::cos(alphaW);
    }
    if (g.dw[1] != 0 && g.toothFormDw[1] != 0) {
        g.meshAngleMid = RadToDeg(2.0L * CheckedArcSin(g.stw[1] / (2.0L * g.dw[1])));
        const Real scale = 2.0L / g.toothFormDw[1] / std::cos(alphaW);
        g.meshAngleStart = g.meshAngleMid + RadToDeg(g.gTip[2] * scale);
        g.meshAngleEnd = g.meshAngleMid - RadToDeg(g.gTip[1] * scale);
    } else {
        g.meshAngleMid = g.meshAngleStart = g.meshAngleEnd = 0;
    }
    for (int i = 1; i <= 2; ++i) g.toothFormMdK[i] = CylBallDimension(i, x[i]);
    for (int i = 1; i <= 2; ++i) {
        if (g.toolAngleDiffers[i]) {
            Real s = 0;
            g.toothFormDFa[i] = TipDiameterSearch(Z(i), i, s, g.alphaNRad, g.betaRad, g.mn, x[i],
                                                  g.toothFormXPre[i], DegToRad(g.alphaP0[i]),
                                                  g.toolAngleHeight[i], g.da[i]);
        } else if (g.rhofP0Factor[i] <= 0) {
            g.toothFormDFa[i] = g.da[i];
        } else {
            g.toothFormDFa[i] =
                Min(g.daFull[i] - 2.0L * g.rhofP0[i] * (1.0L - std::sin(g.alphaNRad)), g.da[i]);
        }
    }
}

void CylProtuberanceStep() {
    CylGearRecord& g = cylGear;
    for (int i = 1; i <= 2; ++i) {
        if (g.prP0Factor[i] == 0) {
            g.protuberanceDepth[i] = 0;
            continue;
        }
        // Tool profile in a frame whose x axis runs along the reference line
        // of the rack, moved down by h0 to the mean root of the gear.
        const Real h0 = (g.d[i] - (g.df[i] + g.dfLower[i]) / 2.0L) / 2.0L;
        const Real cosAn = std::cos(g.alphaNRad);
        const Real e = std::tan(g.alphaNRad) * (g.haP0[i] - g.rhoaP0[i]);
        const Real u = g.prP0[i] / cosAn + g.mn * kPi / 4.0L - e;
        const Real v = u - g.rhoaP0[i] / cosAn;
        const Real dir = kPi / 2.0L - DegToRad(g.alphaPrP0[i]);
        // Where the protuberance flank touches the tip rounding.
        Real xt = 0, yt = 0;
        RotatePointAbout(xt, yt, v, -h0, v, g.rhoaP0[i] - h0, dir);
        // Meets the finishing flank through the pitch point of the rack.
        Real xs = 0, ys = 0;
        IntersectRays(xs, ys, xt, yt, dir, g.mn * kPi / 4.0L, g.haP0[i] - h0,
                      kPi / 2.0L - g.alphaNRad);
        g.protuberanceDepth[i] = -ys;
    }
}

}  // namespace veldrim
