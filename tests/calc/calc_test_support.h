#pragma once
// Shared set-up of the calculation tests: a clean program state, readers of
// the message list, and a cylindrical gear pair described in a few numbers.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "app/app_state.h"
#include "calc/cylindrical/cyl_bridge.h"
#include "calc/cylindrical/cyl_geometry.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/guarded_math.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/real.h"

namespace veldrim::calctest {

using Strings = std::vector<std::string>;

inline Strings Messages() {
    Strings out;
    for (int i = 1; i <= messageList.count; ++i) out.push_back(messageList.slot[i]);
    return out;
}
// The message list as one text, one line per message.
inline std::string Log() {
    std::string all;
    for (const std::string& m : Messages()) all += m + "\n";
    return all;
}
inline bool HasMessage(std::string_view text) {
    const Strings all = Messages();
    return std::find(all.begin(), all.end(), text) != all.end();
}
inline int CountPrefix(std::string_view prefix) {
    int n = 0;
    for (int i = 1; i <= messageList.count; ++i) n += messageList.slot[i].rfind(prefix, 0) == 0;
    return n;
}

// A cylindrical pair: module, angles in degrees, teeth, shifts, width.
struct PairSpec {
    Real mn = 3, alphaN = 20, beta = 0;
    int z1 = 12, z2 = 24;
    Real x1 = 0, x2 = 0, b = 30;
};

// Standard tool profile 1, allowances 0 (Tsn = 0), no centre tolerance, tip
// from the full depth.
inline void LoadPair(const PairSpec& p) {
    CylGearRecord& g = cylGear;
    std::tie(g.mn, g.alphaN, g.beta, g.b) = std::tie(p.mn, p.alphaN, p.beta, p.b);
    g.a = g.Aae = g.Aai = 0;
    g.centreToleranceField = 9;
    gearPair.z = {{p.z1, p.z2}};
    g.x = {{p.x1, p.x2}};
    for (int i = 1; i <= 2; ++i) {
        g.bGear[i] = p.b;
        g.toolProfile[i] = 1;
        g.toleranceSeries[i] = 11;
        g.tipDiameterMode[i] = 2;
        g.Asne[i] = g.Asni[i] = g.kmn[i] = g.qAllowance[i] = g.qTolerance[i] = g.teethSpanned[i] =
            0;
        g.ballDiameter[i] = 1.7L * p.mn;
    }
}

// A sound helical pair after a complete calculation, messages cleared.
inline void SoundPair() {
    LoadPair({.mn = 2, .beta = 12, .z1 = 21, .z2 = 50, .x1 = 0.2L, .x2 = -0.2L, .b = 40});
    cylGear.centreToleranceField = 4;
    for (int i = 1; i <= 2; ++i) {
        cylGear.Asne[i] = -0.05L;
        cylGear.Asni[i] = -0.09L;
        cylGear.ballDiameter[i] = 3.5L;
        cylGear.kmn[i] = 0.4L;  // keeps the tips off the mating root form circles
    }
    CalcCylGear();
    ClearMessages();
}

class CalcTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAll(); }
    static void ResetAll() { ResetAllProgramState(); }
    // Runs `run` and expects it to end fatal with exactly `text`, with the
    // gear data records as they were before.
    template <class Run>
    static void ExpectFatalUntouched(Run run, std::string_view text) {
        const GearPairRecord gp = gearPair;
        const WormGearRecord wg = wormGear;
        const CylGearRecord cg = cylGear;
        ClearMessages();
        run();
        EXPECT_TRUE(fatalFlag) << text;
        EXPECT_EQ(Log(), std::string(text) + "\n");
        EXPECT_EQ(gearPair, gp) << text;
        EXPECT_EQ(wormGear, wg) << text;
        EXPECT_EQ(cylGear, cg) << text;
    }
};

}  // namespace veldrim::calctest
