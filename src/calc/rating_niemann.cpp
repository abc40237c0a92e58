// The input checks of the worm gear rating and the rating after Niemann.
//
// Niemann rates the set from the tooth friction coefficient `mue z` entered
// by the user: the gear efficiency follows from the mean lead angle and the
// friction angle, the no-load loss from the speed, the centre distance and
// the oil viscosity at 50 °C, the bearing loss is 1 % of the driving power.
// Their balance gives the output power:
//
//   P = P[1] eta z - PV0 - PVLP,   eta = P / P[1]
//
// A self-locking set (wheel driving with a friction angle above the lead
// angle) has a negative gear efficiency; its output power is held at 0 and
// "Fatal  : Pv > P !" tells the user, without stopping the calculation.
//
// The pitting check compares the flank pressure Sigma-H = ZE Zp sqrt(T2/a³)
// with the contact endurance limit times the speed factor Zn; the pitting
// life grows with the sixth power of the safety. The root check compares the
// root endurance strength over the tooth section mt b2 with the wheel's
// tangential force.
//
// Units: P kW, n 1/min, T Nm, lengths mm, forces N, stresses N/mm².

#include "calc/rating_niemann.h"

#include <cmath>
#include <string>

#include "calc/records.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

void Stop(std::string_view text) {
    AddMessage(text);
    fatalFlag = true;
}

// Required life taken when none is entered, h.
constexpr Real kDefaultLife = 25000.0L;

// Speeds and torques, sliding speed, efficiency, losses and output power.
// The entered power P[1] is the power at the driving shaft: the worm's when
// the worm drives, the wheel's when the wheel drives. The driving shaft's
// torque follows from it, the driven shaft's from the output power.
void EfficiencyAndLosses(GearPairRecord& g, WormGearRecord& w) {
    const Real P1 = g.P;
    const Real n1 = g.n[1];
    const bool wormDrives = w.driver == 1;
    const int in = wormDrives ? 1 : 2;
    const int out = 3 - in;
    g.n[2] = CheckedDiv("Fatal  : u", n1, w.u);
    g.T[in] = CheckedDiv(wormDrives ? "Fatal  : n1" : "Fatal  : n2", 60000 * P1, 2 * kPi * g.n[in]);
    // Niemann/Winter, Maschinenelemente III, worm gears: peripheral speed of the worm
    // vt1 = pi dm1 n1 / 60000, mean sliding speed vgm = vt1 / cos(gamma m).
    w.vt1 = kPi * w.dm[1] * 0.001L * n1 / 60;
    w.vgm = CheckedDiv("Fatal  : vgm", w.vt1, std::cos(w.gammaM));
    // Niemann/Winter, Maschinenelemente III, worm gears: efficiency of the mesh from the friction
    // angle rho z = arctan(mue z): worm driving tan(gamma m) / tan(gamma m + rho z),
    // wheel driving tan(gamma m - rho z) / tan(gamma m).
    w.rhoZ = std::atan(w.mueZ);
    if (wormDrives)
        w.etaZ = CheckedDiv("Fatal  : eta-z", std::tan(w.gammaM), std::tan(w.gammaM + w.rhoZ));
    else
        w.etaZ = CheckedDiv("Fatal  : eta-z", std::tan(w.gammaM - w.rhoZ), std::tan(w.gammaM));
    w.PVz = (1 - w.etaZ) * P1;
    // Niemann/Winter, Maschinenelemente III, worm gears: no-load loss of the churning oil, growing
    // with (n1 / 60)^(4/3), the centre distance and the oil viscosity at 50 °C; the
    // bearing loss is taken as 1 % of the driving power.
    w.PV0 = CheckedPower("Fatal  : Pv0", n1 / 60, 4.0L / 3) * (w.PV0Percent / 100 * 1E-7L * w.a) *
            (w.v50 + 90);
    w.PVLP = 0.01L * P1;
    w.P = P1 * w.etaZ - w.PV0 - w.PVLP;
    if (w.P < 0) {
        w.P = 0;
        AddMessage("Fatal  : Pv > P !");
    }
    w.eta = P1 != 0 ? w.P / P1 : 0;
    const Real Tout =
        CheckedDiv(wormDrives ? "Fatal  : n2" : "Fatal  : n1", 60000 * w.P, 2 * kPi * g.n[out]);
    g.T[out] = Tout > 0 ? Tout : 0;
}

// Tangential, axial, normal and radial forces. With the worm driving the
// tangential forces follow from the torques of both shafts. With the wheel
// driving the wheel's follows from its driving torque and the friction
// balance of the mesh gives the worm's, Ft1 = Ft2 tan(gamma m - rho z), since
// friction now turns against the wheel; a self-locking mesh passes no force
// to the worm.
void Forces(const GearPairRecord& g, WormGearRecord& w) {
    const Real sinG = std::sin(w.gammaM);
    const Real cosG = std::cos(w.gammaM);
    // Niemann/Winter, Maschinenelemente III, worm gears, forces at the mean point: tangential
    // forces Ft = 2000 T KA / dm, normal force Fn = Ft1 / (cos(alpha n) (sin(gamma m) +
    // mue z cos(gamma m))), radial force Fr = tan(alpha n) Ft1 / sin(gamma m + rho z);
    // the axial force of each gear is the tangential force of its mate.
    if (w.driver == 1) {
        w.Ft[1] = CheckedDiv("Fatal  : Ftm", 2000 * g.T[1] * w.KA, w.dm[1]);
        w.Ft[2] = CheckedDiv("Fatal  : Ftm2", 2000 * g.T[2] * w.KA, w.dm[2]);
        w.Fn = CheckedDiv("Fatal  : Fnm", w.Ft[1], std::cos(w.alphaN) * (sinG + w.mueZ * cosG));
        w.Fr =
            CheckedDiv("Fatal  : Frm", std::tan(w.alphaN) * w.Ft[1], std::sin(w.gammaM + w.rhoZ));
    } else {
        w.Ft[2] = CheckedDiv("Fatal  : Ftm2", 2000 * g.T[2] * w.KA, w.dm[2]);
        const WheelDrivenMesh mesh = WheelDrivingMeshForces(w.Ft[2], w.gammaM, w.mueZ, w.alphaN);
        w.Ft[1] = mesh.Ft1;
        w.Fn = mesh.Fn;
        w.Fr = mesh.Fr;
    }
    w.Fx[1] = w.Ft[2];
    w.Fx[2] = w.Ft[1];
}

// Pitting, root and life per gear, and their warnings.
void PittingAndRoot(GearPairRecord& g, WormGearRecord& w) {
    if (g.T[2] <= 0) {
        g.T[2] = 0;
        AddMessage("Fehler : T2 = 0 !");
    }
    // Hertzian elasticity factor ZE = sqrt(1 / (pi ((1 - nu1^2) / E1 + (1 - nu2^2) / E2)))
    // (as in ISO 6336-2); Niemann/Winter, Maschinenelemente III, worm gears: material factor
    // CHE = 10 (ZE / sigma Hlim2)^(2/3) of the centre distance estimate (predimension.cpp).
    const Real compliance = (1 - g.nue[1] * g.nue[1]) / g.E[1] + (1 - g.nue[2] * g.nue[2]) / g.E[2];
    w.ZE = CheckedSqrt("Fehler : ZE", CheckedDiv("", 1 / kPi, compliance));
    w.CHE =
        10 * CheckedPower("Fatal  : CHE", CheckedDiv("SigHlim2 !", w.ZE, g.sigHlim[2]), 2.0L / 3);
    // Niemann/Winter, Maschinenelemente III, worm gears: contact factor Zp over dm1/a, speed factor
    // Zn = (1 / (n2 / 8 + 1))^(1/8), flank pressure sigma H = ZE Zp sqrt(1000 T2 / a^3).
    w.Zp = 0.36L / w.dm1a + 1.9L;
    w.Zn = CheckedPower("Fatal  : Zn", 1 / (g.n[2] / 8 + 1), 0.125L);
    w.sigmaH = w.ZE * w.Zp * std::sqrt(1000 * g.T[2] / IntPower(3, w.a));
    for (int i = 1; i <= 2; ++i) {
        if (g.T[2] > 0 && w.sigmaH > 0) {
            // Niemann/Winter, Maschinenelemente III, worm gears: pitting safety SH = sigma Hlim Zn / sigma H,
            // life Lh = 25000 h SH^6 (at most 100000 h); root safety
            // SF = sigma FE mt2 b2 / Ft2 over the tooth section.
            g.SH[i] = CheckedDiv("Fatal  : SH !", g.sigHlim[i] * w.Zn, w.sigmaH);
            g.LtH[i] = Min(100000, kDefaultLife * IntPower(6, g.SH[i]));
            g.SF[i] = CheckedDiv("Fatal  : SF", g.sigmaFE[i] * w.mt[2] * w.b2Eff, w.Ft[2]);
        } else {
            g.SH[i] = 0;
            g.LtH[i] = 0;
            g.SF[i] = 0;
        }
    }
    for (int i = 1; i <= 2; ++i) {
        const std::string gear = "(" + IntText(i) + ")";
        if (g.SH[i] < 1) AddMessage("Warnung: SH<1  " + gear);
        if (g.SF[i] < 1) AddMessage("Warnung: SF<1  " + gear);
        if (PercentDeviation(w.b[i], w.bRec[i]) > 15) AddMessage("Warnung: Zahnbreite !  " + gear);
    }
}

}  // namespace

WheelDrivenMesh WheelDrivingMeshForces(Real Ft2, Real gammaM, Real mue, Real alpha) {
    // Niemann/Winter, Maschinenelemente III, worm gears, wheel driving: friction acts against
    // the wheel, so Ft1 = Ft2 tan(gamma m - rho) and Fr = tan(alpha) Ft2 / cos(gamma m - rho).
    const Real rho = std::atan(mue);
    WheelDrivenMesh m;
    // Normal force from the wheel side, where the lever never vanishes:
    // Ft2 = Fn cos(alpha) (cos(gamma m) + mue sin(gamma m)).
    m.Fn = CheckedDiv("Fatal  : Fnm", Ft2,
                      std::cos(alpha) * (std::cos(gammaM) + mue * std::sin(gammaM)));
    m.Ft1 = gammaM > rho ? Ft2 * std::tan(gammaM - rho) : 0;
    m.Fr = CheckedDiv("Fatal  : Frm", std::tan(alpha) * Ft2, std::cos(gammaM - rho));
    return m;
}

bool CheckRatingInputs() {
    const GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    // Every power must be positive, the DIN 3996 powers too, whether or not
    // the DIN 3996 rating runs: IterateCalculation always fills them.
    if (!(g.P > 0) || !(w.PDin[1] > 0) || !(w.PDin[2] > 0)) {
        Stop("Fatal  : P0 = 0 !");
        return false;
    }
    for (int i = 1; i <= 2; ++i) {
        if (g.E[i] == 0) {
            Stop("Fatal  : E" + IntText(i) + " = 0 !");
            return false;
        }
        if (g.z[i] < 1) AddMessage("Fehler : z" + IntText(i) + " <= 0 !");
    }
    if (w.v50 <= 0) AddMessage("Fehler : visko = 0 !");
    if (w.LHmin == 0) w.LHmin = kDefaultLife;
    return true;
}

void CalcNiemannRating() {
    EfficiencyAndLosses(gearPair, wormGear);
    Forces(gearPair, wormGear);
    PittingAndRoot(gearPair, wormGear);
}

}  // namespace veldrim
