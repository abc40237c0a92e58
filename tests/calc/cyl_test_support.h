#pragma once
// Shared set-up of the cylindrical gear tests: a clean program state and a
// way to describe a gear pair in a few numbers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/cyl_bridge.h"
#include "calc/cyl_record.h"
#include "calc/records.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/real.h"

namespace veldrim::cyltest {

// A pair as the tests describe it: module, angles in degrees, teeth, shifts.
struct PairSpec {
    Real mn = 3;
    Real alphaN = 20;
    Real beta = 0;
    int z1 = 12;
    int z2 = 24;
    Real x1 = 0;
    Real x2 = 0;
    Real b = 30;
};

// Puts a pair into the record: standard tool profile 1, allowances given as
// 0 (Tsn = 0), no centre tolerance, tip from the full depth.
inline void LoadPair(const PairSpec& p) {
    CylGearRecord& g = cylGear;
    g.mn = p.mn;
    g.alphaN = p.alphaN;
    g.beta = p.beta;
    g.b = p.b;
    g.a = 0;
    g.centreToleranceField = 9;
    g.Aae = 0;
    g.Aai = 0;
    gearPair.z[1] = p.z1;
    gearPair.z[2] = p.z2;
    for (int i = 1; i <= 2; ++i) {
        g.x[i] = i == 1 ? p.x1 : p.x2;
        g.bGear[i] = p.b;
        g.toolProfile[i] = 1;
        g.toleranceSeries[i] = 11;
        g.Asne[i] = 0;
        g.Asni[i] = 0;
        g.tipDiameterMode[i] = 2;
        g.kmn[i] = 0;
        g.qAllowance[i] = 0;
        g.qTolerance[i] = 0;
        g.teethSpanned[i] = 0;
        g.ballDiameter[i] = 1.7L * p.mn;
    }
}

inline std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (int i = 1; i <= messageList.count; ++i) out.push_back(messageList.slot[i]);
    return out;
}

class CylTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        ResetMessages();
        ResetGearData();
        ResetCylGearRecord();
        ResetCylBridge();
    }
};

}  // namespace veldrim::cyltest
