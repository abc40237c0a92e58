// Design from the lead angle, followed by the whole calculation.

#include "calc/design.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "calc/cyl_record.h"
#include "calc/records.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

constexpr Real kPiL = std::numbers::pi_v<Real>;

class DesignTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGearData();
        ResetCylGearRecord();
        ResetMessages();
        ClearMessages();
        hideWarningsFlag = false;
    }
    static std::string Messages() {
        std::string all;
        for (int i = 1; i <= messageList.count; ++i) all += messageList.slot[i] + "\n";
        return all;
    }
};

TEST_F(DesignTest, GeometryRunReproducesModuleAndLeadAngle) {
    struct Case {
        std::uint16_t form;
        std::int32_t z1, z2;
        Real mx, gammaDeg, x1, x2;
    };
    const Case cases[] = {
        {kFlankZI, 2, 41, 4, 11.3L, 0, 0},      {kFlankZA, 1, 40, 5, 5.7L, 0, 0.5L},
        {kFlankZK, 3, 29, 4.6L, 27.6L, 0, -0.3L}, {kFlankZN, 4, 45, 3.15L, 20, 0.1L, 0.2L},
        {kFlankZH, 2, 30, 6.3L, 14, 0, 0.4L},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flank " << c.form << " mx " << static_cast<double>(c.mx));
        ResetGearData();
        wormGear.flankForm = c.form;
        gearPair.z = {{c.z1, c.z2}};
        wormGear.mx = c.mx;
        wormGear.gammaM = c.gammaDeg * kPiL / 180;
        wormGear.x = {{c.x1, c.x2}};
        DesignFromLeadAngle();
        ASSERT_FALSE(fatalFlag) << Messages();
        const WormGearRecord& w = wormGear;
        EXPECT_NEAR(static_cast<double>(w.mx), static_cast<double>(c.mx), 1e-12);
        EXPECT_NEAR(static_cast<double>(w.gammaM * 180 / kPiL), static_cast<double>(c.gammaDeg), 1e-12);
        EXPECT_NEAR(static_cast<double>(w.dm[1]),
                    static_cast<double>(c.z1 * c.mx / std::tan(c.gammaDeg * kPiL / 180)), 1e-9);
        EXPECT_NEAR(static_cast<double>(w.a),
                    static_cast<double>((c.x1 + c.x2) * c.mx + (w.dm[1] + c.z2 * c.mx) / 2), 1e-9);
        EXPECT_EQ(w.keptThreadCount, c.z1);
    }
}

TEST_F(DesignTest, WithoutShiftsTheCentreDistanceIsTheMeanOfTheMeanDiameters) {
    wormGear.flankForm = kFlankZA;
    wormGear.mx = 5;
    wormGear.gammaM = 0.1L;
    wormGear.x = {{0, 0}};
    DesignFromLeadAngle();
    ASSERT_FALSE(fatalFlag) << Messages();
    EXPECT_NEAR(static_cast<double>(wormGear.a),
                static_cast<double>((wormGear.dm[1] + wormGear.dm[2]) / 2), 1e-12);
    EXPECT_NEAR(static_cast<double>(wormGear.dm[2]), 29 * 5.0, 1e-12);
}

TEST_F(DesignTest, ZeroLeadAngleOrCentreDistanceIsFatalAndChangesNothing) {
    wormGear.gammaM = 0;
    const WormGearRecord before = wormGear;
    DesignFromLeadAngle();
    EXPECT_TRUE(fatalFlag);
    EXPECT_EQ(Messages(), "Fatal  : gamma m = 0 !\n");
    EXPECT_TRUE(wormGear == before);

    ResetMessages();
    ClearMessages();
    wormGear.gammaM = 0.2L;
    wormGear.mx = 0;  // no module: every diameter and the centre distance are 0
    const WormGearRecord before2 = wormGear;
    DesignFromLeadAngle();
    EXPECT_TRUE(fatalFlag);
    EXPECT_EQ(Messages(), "Fatal  : a = 0 !\n");
    EXPECT_TRUE(wormGear == before2);
}

}  // namespace
}  // namespace veldrim
