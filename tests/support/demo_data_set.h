#pragma once
// The shipped demo data set (data/demo.qb3, data/demo.edi): an industrial
// worm gear unit of 100 mm centre distance and ratio 20.5, a ground,
// case-hardened ZI worm of 16MnCr5 and a wheel of centrifugally cast tin
// bronze CuSn12Ni2-C-GZ, dip-lubricated with a polyglycol of ISO VG 220,
// 3 kW at the wheel from a 1450 1/min motor. The allowances come from the
// tolerance tables (series e 25), the face widths are the recommended ones and
// the measuring balls are chosen by the calculation.
//
// LoadDemoDataSet puts it over the defaults of a new data set; the driving
// powers are those that the iteration reaches for the nominal output.

#include "calc/records.h"
#include "calc/worm_geometry.h"

namespace veldrim::testing {

inline void LoadDemoDataSet() {
    ResetGearData();
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    g.z = {{2, 41}};
    g.n = {{1450.0L, 0.0L}};
    // Worm: case-hardening steel, case-hardened and ground. Wheel: tin bronze,
    // centrifugally cast, with a root shear endurance limit of 0.4 Sigma FE =
    // 100 N/mm². Per gear: kind, heat treatment, density, E, Poisson's ratio,
    // contact endurance limit, root endurance strength, hardness HB.
    g.materialKind = {{2, 8}};
    g.heatTreatment = {{2, 0}};
    g.materialName = {{"16MnCr5", "CuSn12Ni2-C-GZ"}};
    g.materialCode = {{1, 5}};  // their records in the shipped table "vovuzi.dbf"
    g.rho = {{7.85L, 8.8L}};
    g.E = {{210000.0L, 98100.0L}};
    g.nue = {{0.3L, 0.35L}};
    g.sigHlim = {{1500.0L, 520.0L}};
    g.sigmaFE = {{860.0L, 250.0L}};
    g.HB = {{650.0L, 95.0L}};

    w.drawingNumber = {{"VG-100-01", "VG-100-02"}};
    w.a = 100.0L;
    w.dm1a = 0.36L;
    w.alpha0 = 20.0L;
    w.flankForm = kFlankZI;
    w.b = {{0.0L, 0.0L}};  // the recommended widths
    w.x = {{0.0L, 0.0L}};
    w.KA = 1.25L;
    w.mueZ = 0.03L;
    w.v50 = 150.0L;
    w.P = 3.0L;
    w.driver = 1;
    // Polyglycol ISO VG 220, dip lubrication, 70 °C in the wheel body.
    w.lubricantKind = 2;
    w.lubrication = 1;
    w.v40 = 220.0L;
    w.v100 = 40.0L;
    w.thetaM = 70.0L;
    w.eta0M = 0.05L;
    w.LHmin = 25000.0L;
    w.Ra1 = 0.5L;
    w.bearingArrangement = 1;
    w.sealCount = 2;
    w.YW = 0.95L;
    w.WML = 1.75L;
    // Tooth-thickness allowances from the tables: deviation series e,
    // tolerance series 25, accuracy grade 7; centre distance js 7.
    w.deviationSeries = {{8, 8}};
    w.toleranceSeries = {{5, 5}};
    w.quality = {{7, 7}};
    w.centreDistanceToleranceField = 4;
    w.measurementInput = {{0.0L, 0.0L}};
    w.shaftEndCode = 2;
    w.lw = 90.0L;
    IterateCalculation();
}

// The demo gear with the wheel driving: 3.5 kW enter at the wheel in both
// ratings, calculated.
inline void LoadWheelDrivenDemoSet() {
    LoadDemoDataSet();
    wormGear.driver = 2;
    gearPair.P = 3.5L;
    wormGear.PDin = {{3.5L, 3.5L}};
    RunCalculation();
}

}  // namespace veldrim::testing
