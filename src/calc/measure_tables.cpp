// Tooth measurement and tolerance tables of involute gears.
//
// The measurement functions treat a gear by its normal module, normal pressure
// angle, helix angle, profile shift and tooth number; the worm tolerances and
// the cylindrical-gear stages call them gear by gear. The tolerance tables are
// ISO 286-1 (standard tolerances IT4 .. IT11) and DIN 3967 (tooth-thickness
// tolerances of the series 21 .. 30 and upper allowances of the deviation
// series a .. h), each looked up by a size step.
//
// Size steps follow the standards: a step runs "over" its lower bound "up to
// and including" its upper bound, so a size on a bound belongs to the lower
// step. A size that exceeds a bound only by computing noise (1E-9 mm) still
// counts as on the bound.

#include "calc/measure_tables.h"

#include <array>
#include <climits>
#include <cmath>
#include <string>
#include <utility>

#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

constexpr Real kBoundNoise = 1E-9L;

// Whole part of x as an int, saturated at the int range (a NaN gives 0).
int TruncToInt(Real x) {
    if (!(x == x)) return 0;
    if (x >= static_cast<Real>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<Real>(INT_MIN)) return INT_MIN;
    return static_cast<int>(std::trunc(x));
}

void AddFatal(const std::string& text) {
    AddMessage(text);
    fatalFlag = true;
}

// Step 1.. of `size` among ascending upper bounds; beyond the last bound the
// step after it; 0 for a size that is not a number.
template <std::size_t N>
int SizeStep(Real size, const std::array<Real, N>& upperBounds) {
    const Real s = std::fabs(size);
    if (!(s == s)) return 0;
    for (std::size_t i = 0; i < N; ++i)
        if (s <= upperBounds[i] + kBoundNoise) return static_cast<int>(i) + 1;
    return static_cast<int>(N) + 1;
}

// ISO 286-1 nominal size steps (mm), upper bounds of steps 1..20; step 21 is
// over 2500 mm.
constexpr std::array<Real, 20> kIsoBounds = {3,   6,   10,  18,  30,  50,   80,   120,  180,  250,
                                             315, 400, 500, 630, 800, 1000, 1250, 1600, 2000, 2500};

// ISO 286-1 standard tolerances in µm; rows size steps 1..21, columns IT4..IT11.
constexpr int kIsoTolerance[21][8] = {
    {3, 4, 6, 10, 14, 25, 40, 60},           {4, 5, 8, 12, 18, 30, 48, 75},
    {4, 6, 9, 15, 22, 36, 58, 90},           {5, 8, 11, 18, 27, 43, 70, 110},
    {6, 9, 13, 21, 33, 52, 84, 130},         {7, 11, 16, 25, 39, 62, 100, 160},
    {8, 13, 19, 30, 46, 74, 120, 190},       {10, 15, 22, 35, 54, 87, 140, 220},
    {12, 18, 25, 40, 63, 100, 160, 250},     {14, 20, 29, 46, 72, 115, 185, 290},
    {16, 23, 32, 52, 81, 130, 210, 320},     {18, 25, 36, 57, 89, 140, 230, 360},
    {20, 27, 40, 63, 97, 155, 250, 400},     {22, 32, 44, 70, 110, 175, 280, 440},
    {25, 36, 50, 80, 125, 200, 320, 500},    {28, 40, 56, 90, 140, 230, 360, 560},
    {33, 47, 66, 105, 165, 260, 420, 660},   {39, 55, 78, 125, 195, 310, 500, 780},
    {46, 65, 92, 150, 230, 370, 600, 920},   {55, 78, 110, 175, 280, 440, 700, 1100},
    {68, 96, 135, 210, 330, 540, 860, 1350},
};

// DIN 3967 reference diameter steps (mm), upper bounds of steps 1..10; step
// 11 is over 6300 mm.
constexpr std::array<Real, 10> kDinBounds = {10, 50, 125, 280, 560, 1000, 1600, 2500, 4000, 6300};

// DIN 3967 tooth-thickness tolerance Tsn in µm; columns series 21..30.
constexpr int kDinTsn[11][10] = {
    {3, 5, 8, 12, 20, 30, 50, 80, 130, 200},
    {5, 8, 12, 20, 30, 50, 80, 130, 200, 300},
    {6, 10, 16, 25, 40, 60, 100, 160, 250, 400},
    {8, 12, 20, 30, 50, 80, 130, 200, 300, 500},
    {10, 16, 25, 40, 60, 100, 160, 250, 400, 600},
    {12, 20, 30, 50, 80, 130, 200, 300, 500, 800},
    {16, 25, 40, 60, 100, 160, 250, 400, 600, 1000},
    {20, 30, 50, 80, 130, 200, 300, 500, 800, 1300},
    {25, 40, 60, 100, 160, 250, 400, 600, 1000, 1600},
    {30, 50, 80, 130, 200, 300, 500, 800, 1300, 2000},
    {40, 60, 100, 160, 250, 400, 600, 1000, 1600, 2400},
};

// DIN 3967 magnitude of the upper allowance |Asne| in µm; columns a .. h.
constexpr int kDinAsne[11][11] = {
    {100, 85, 70, 58, 48, 40, 33, 22, 10, 5, 0},
    {135, 110, 95, 75, 65, 54, 44, 30, 14, 7, 0},
    {180, 150, 125, 105, 85, 70, 60, 40, 19, 9, 0},
    {250, 200, 170, 140, 115, 95, 80, 56, 26, 12, 0},
    {330, 280, 230, 190, 155, 130, 110, 75, 35, 17, 0},
    {450, 370, 310, 260, 210, 175, 145, 100, 48, 22, 0},
    {600, 500, 420, 340, 290, 240, 200, 135, 64, 30, 0},
    {820, 680, 560, 460, 390, 320, 270, 180, 85, 41, 0},
    {1100, 920, 760, 620, 520, 430, 360, 250, 115, 56, 0},
    {1500, 1250, 1020, 840, 700, 580, 480, 330, 155, 75, 0},
    {2000, 1650, 1350, 1150, 940, 780, 640, 450, 210, 100, 0},
};

std::string BallText(Real DM) { return FormatLength(DM) + std::string(LengthUnit()); }

// The ball's contact diameter dK of a gear; the common part of the dimensions
// over balls and over pins. Needs z != 0.
Real BallCentreDiameter(int z, Real mn, Real alphaN, Real beta, Real x, Real DM) {
    const FlankAngleValues& f = FlankAngles(alphaN, beta);
    const Real eta = (kPi - 4 * x * f.tanAlphaN) / (2 * static_cast<Real>(z));
    const Real t = eta - f.invAlphaT;
    const Real d = mn * static_cast<Real>(z) / f.cosBeta;
    const Real db = d * f.cosAlphaT;
    if (db == 0) return 0;
    const InvoluteInverse alphaK = ArcInvoluteWithCos(DM / db / f.cosBetaB - t);
    if (alphaK.angle < 0) AddMessage("Fehler : Dm ball !  (" + BallText(DM) + ")");
    return db / alphaK.cos;
}

bool IsOddGearOtherThanOne(int z) { return z % 2 != 0 && z != 1 && z != -1; }

}  // namespace

const FlankAngleValues& FlankAngles(Real alphaN, Real beta) {
    // Worm, wheel and the equivalent cylindrical pair take turns: four
    // places, the oldest replaced.
    static thread_local std::array<FlankAngleValues, 4> kept{};
    static thread_local std::array<bool, 4> filled{};
    static thread_local std::size_t next = 0;
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (filled[i] && kept[i].alphaN == alphaN && kept[i].beta == beta) return kept[i];
    FlankAngleValues& f = kept[next];
    filled[next] = true;
    next = (next + 1) % kept.size();
    f.alphaN = alphaN;
    f.beta = beta;
    f.tanAlphaN = std::tan(alphaN);
    f.cosAlphaN = std::cos(alphaN);
    f.sinAlphaN = std::sin(alphaN);
    f.invAlphaN = Involute(alphaN);
    f.cosBeta = std::cos(beta);
    f.tanBeta = std::tan(beta);
    f.alphaT = std::atan(f.tanAlphaN / f.cosBeta);
    f.invAlphaT = Involute(f.alphaT);
    f.cosAlphaT = std::cos(f.alphaT);
    f.betaB = std::atan(f.cosAlphaT * f.tanBeta);
    f.cosBetaB = std::cos(f.betaB);
    return f;
}

const AngleValues& OfAngle(Real angle) {
    static thread_local std::array<AngleValues, 8> kept{};
    static thread_local std::array<bool, 8> filled{};
    static thread_local std::size_t next = 0;
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (filled[i] && kept[i].angle == angle) return kept[i];
    AngleValues& v = kept[next];
    filled[next] = true;
    next = (next + 1) % kept.size();
    v.angle = angle;
    v.cos = std::cos(angle);
    v.involute = Involute(angle);
    return v;
}

Real ArcTanOf(Real u) {
    static thread_local std::array<std::pair<Real, Real>, 4> kept{};
    static thread_local std::array<bool, 4> filled{};
    static thread_local std::size_t next = 0;
    for (std::size_t i = 0; i < kept.size(); ++i)
        if (filled[i] && kept[i].first == u) return kept[i].second;
    kept[next] = {u, std::atan(u)};
    filled[next] = true;
    const Real angle = kept[next].second;
    next = (next + 1) % kept.size();
    return angle;
}

Real BallDiameter(Real mn, Real x, Real alphaN, Real beta, int z) {
    const Real p = CheckedPower("Fehler : DmMess", std::cos(beta), 3.3L);
    if (p == 0) return 0;
    const Real zn = static_cast<Real>(z) / p;
    if (zn == 0) return 0;
    const Real den = 2 * x + zn;
    const Real alphaM =
        den == 0 ? 0 : LabelledArcCos("Fehler : DmMess", zn * std::cos(alphaN) / den);
    if (alphaM == 0) {
        AddMessage(std::string("Fatal  : Kugelmaß DmMess !"_cp850));
        return 0;
    }
    const Real theta =
        (kPi - 4 * x * std::tan(alphaN)) / 2 / zn + (std::tan(alphaM) - Involute(alphaN));
    Real DM = (std::tan(theta) - std::tan(alphaM)) * std::cos(alphaN) * zn * mn;
    if (DM >= 0.5L) {
        if (unitSystem == 1)
            DM = InchToMm(RoundDecimals(3, MmToInch(DM)));
        else
            DM = RoundDecimals(1, DM);
    }
    return DM;
}

int TeethSpanned(Real mn, Real x, Real alphaN, Real beta, int z) {
    if (z == 0) {
        AddFatal("Fatal  : z = 0 !");
        return 0;
    }
    const FlankAngleValues& f = FlankAngles(alphaN, beta);
    const Real d = mn * static_cast<Real>(z) / f.cosBeta;
    const Real dx = d + 2 * x * mn;
    if (d == 0 || dx == 0 || f.invAlphaN == 0) return 1;
    const Real betaX = std::atan(f.tanBeta * dx / d);
    const Real alphaK = LabelledArcCos("kmess", f.cosBeta * f.cosAlphaN * d / dx / std::cos(betaX));
    if (alphaK == 0) return 1;
    return TruncToInt(static_cast<Real>(z) * f.invAlphaT / f.invAlphaN * alphaK / kPi + 1);
}

Real SpanMeasurement(int z, int k, Real x, Real beta, Real alphaN, Real mn) {
    if (z == 0) {
        AddFatal("Fatal  : z = 0 !");
        return 0;
    }
    const FlankAngleValues& f = FlankAngles(alphaN, beta);
    const Real sign = z > 0 ? 1.0L : -1.0L;
    return mn * f.cosAlphaN *
               (static_cast<Real>(z) * f.invAlphaT + (static_cast<Real>(k) - sign / 2) * kPi) +
           2 * x * mn * f.sinAlphaN;
}

Real DimensionOverBalls(int z, Real mn, Real alphaN, Real beta, Real x, Real DM) {
    if (z == 0) {
        AddFatal("Fatal  : z = 0 !");
        return 0;
    }
    const Real dK = BallCentreDiameter(z, mn, alphaN, beta, x, DM);
    if (IsOddGearOtherThanOne(z)) return dK * OfAngle(kPi / (2 * static_cast<Real>(z))).cos + DM;
    return dK + DM;
}

Real DimensionOverPins(int z, Real mn, Real alphaN, Real beta, Real x, Real DM) {
    const Real MK = DimensionOverBalls(z, mn, alphaN, beta, x, DM);
    if (z != 0 && IsOddGearOtherThanOne(z) && beta > 0)
        return (MK - DM) / OfAngle(kPi / (2 * static_cast<Real>(z))).cos + DM;
    return MK;
}

int IsoToleranceIT(int grade, Real size) {
    if (grade < 1 || grade > 8) return 0;
    const int step = SizeStep(size, kIsoBounds);
    if (step == 0) return 0;
    return kIsoTolerance[step - 1][grade - 1];
}

int ToothThicknessToleranceTsn(int series, Real d) {
    if (series < 1 || series > 10) return 0;
    const int step = SizeStep(d, kDinBounds);
    if (step == 0) return 0;
    return kDinTsn[step - 1][series - 1];
}

int ToothThicknessAllowanceAsne(int series, Real d) {
    if (series < 1 || series > 11) return 0;
    const int step = SizeStep(d, kDinBounds);
    if (step == 0) return 0;
    return kDinAsne[step - 1][series - 1];
}

Real RootFormDiameter(Real db, Real alphaN, Real rhoaP0, Real mn, Real x, Real haP0, Real alphaT,
                      Real d) {
    const Real sinT = std::sin(alphaT);
    if (sinT == 0) return db;
    const Real r = d * sinT - 2 * (haP0 - x * mn - rhoaP0 * (1 - std::sin(alphaN))) / sinT;
    return std::sqrt(db * db + r * r);
}

Real RootFormDiameterProtuberance(Real db, Real alphaN, Real rhoaP0, Real mn, Real x, Real haP0,
                                  Real alphaT, Real d, Real prP0) {
    const Real sinT = std::sin(alphaT);
    const Real sinN = std::sin(alphaN);
    if (sinT == 0 || sinN == 0) return db;
    // The protuberance lowers the height up to which the tool flank generates
    // the involute.
    const Real U = (1 / sinN - prP0 * std::tan(alphaN)) * prP0;
    const Real r = d * sinT - 2 * (haP0 - x * mn - rhoaP0 * (1 - sinN) - U) / sinT;
    return std::sqrt(db * db + r * r);
}

Real TipDiameterSearch(int z, int gearNumber, Real& s, Real alphaN, Real beta, Real mn, Real x,
                       Real xP, Real alphaP0, Real h, Real dUpper) {
    s = 0;
    const Real mt = mn / std::cos(beta);
    const Real d = static_cast<Real>(z) * mt;
    if (d == 0) return dUpper;
    const Real alphaT = std::atan(std::tan(alphaN) / std::cos(beta));
    const Real st = 2 * x * mn * std::tan(alphaT) + mt * kPi / 2;
    const Real db = d * std::cos(alphaT);
    const Real alphaTk = std::atan(std::tan(alphaP0) / std::cos(beta));
    const Real dbk = d * std::cos(alphaTk);
    const Real stk = 2 * h * (std::tan(alphaTk) - std::tan(alphaT)) + mt * kPi / 2 +
                     2 * xP * mn * std::tan(alphaTk);
    const std::string gear = IntText(gearNumber);
    Real lo = db;
    Real hi = dUpper;
    for (int halving = 0; halving < 100; ++halving) {
        const Real D = (lo + hi) / 2;
        if (D < db) {
            if (z >= 1) AddMessage("Fehler : db > dFa" + gear);
            return db;
        }
        const Real s1 = (Involute(alphaT) + st / d - Involute(CheckedArcCos(db / D))) * D;
        if (D < dbk) {
            if (z >= 1) AddMessage("Fehler : dbk > dFa" + gear + " !");
            return dUpper;
        }
        s = (Involute(alphaTk) + stk / d - Involute(CheckedArcCos(dbk / D))) * D;
        if (s - s1 <= 0)
            hi = D;
        else
            lo = D;
        if (std::fabs(s - s1) < 0.0005L) return D;
    }
    return dUpper;
}

int OtherGear(int i) { return (i % 2) + 1; }

void BallMeasurementCheck(int z, Real rhoaP0, Real alphaN, Real DM, Real dFaLower, Real df,
                          Real MdRPreUpper, Real MdKLower) {
    if (z == 0) return;
    const Real zr = static_cast<Real>(z);
    Real dK1 = MdKLower - DM;
    Real dK2 = MdRPreUpper - DM;
    if (z % 2 != 0) {
        const Real c = std::cos(kPi / (2 * zr));
        dK1 /= c;
        dK2 /= c;
    }
    const Real t = dK1 - DM * std::sin(std::fabs(kPi / zr) + alphaN);
    if (t < df + 2 * rhoaP0 * (1 - std::sin(alphaN))) {
        AddMessage("Fehler : Dm ball !  (" + BallText(DM) + ")");
        return;
    }
    if (df > dK1 - DM) {
        AddMessage("Warnung: Dm ball   (" + BallText(DM) + ")");
        return;
    }
    const Real u = dK2 - DM * std::sin(kPi / zr + alphaN);
    if (dFaLower < u) AddMessage("Fehler : Dm ball !  (" + BallText(DM) + ")");
}

}  // namespace veldrim
