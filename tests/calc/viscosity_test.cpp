// Lubricant viscosity after Ubbelohde-Walther.

#include "calc/viscosity.h"

#include <gtest/gtest.h>

namespace veldrim {
namespace {

struct Oil {
    Real nu40, nu100;
};

TEST(ViscosityTest, TwoPointLawMeetsBothGivenViscosities) {
    for (Oil oil : {Oil{220, 37}, Oil{68, 8.7L}, Oil{460, 30.5L}, Oil{1000, 165}}) {
        SCOPED_TRACE(static_cast<double>(oil.nu40));
        EXPECT_NEAR(static_cast<double>(ViscosityFromNu40Nu100(oil.nu40, oil.nu100, 40)),
                    static_cast<double>(oil.nu40), 1e-9 * static_cast<double>(oil.nu40));
        EXPECT_NEAR(static_cast<double>(ViscosityFromNu40Nu100(oil.nu40, oil.nu100, 100)),
                    static_cast<double>(oil.nu100), 1e-9 * static_cast<double>(oil.nu100));
        const Real v50 = ViscosityFromNu40Nu100(oil.nu40, oil.nu100, 50);
        EXPECT_LT(v50, oil.nu40);
        EXPECT_GT(v50, oil.nu100);
        EXPECT_GT(ViscosityFromNu40Nu100(oil.nu40, oil.nu100, 20), oil.nu40);
    }
}

TEST(ViscosityTest, EqualViscositiesGiveAFlatLine) {
    for (Real T : {0.0L, 40.0L, 75.0L, 120.0L})
        EXPECT_NEAR(static_cast<double>(ViscosityFromNu40Nu100(100, 100, T)), 100.0, 1e-9);
}

TEST(ViscosityTest, ViscositiesOutsideTheLawGiveZero) {
    EXPECT_EQ(ViscosityFromNu40Nu100(220, 0.3L, 50), 0);  // lg(nu100 + 0.7) = 0
    EXPECT_EQ(ViscosityFromNu40Nu100(220, 0, 50), 0);
    EXPECT_EQ(ViscosityFromNu40Nu100(0, 37, 50), 0);
    EXPECT_EQ(ViscosityAtTemperature(0.1L, 40, 50), 0);
}

TEST(ViscosityTest, FixedSlopeLawKeepsTheReferencePoint) {
    for (Real nu : {10.0L, 150.0L, 680.0L}) {
        EXPECT_NEAR(static_cast<double>(ViscosityAtTemperature(nu, 50, 50)), static_cast<double>(nu),
                    1e-9 * static_cast<double>(nu));
        EXPECT_LT(ViscosityAtTemperature(nu, 50, 80), nu);
        EXPECT_GT(ViscosityAtTemperature(nu, 50, 30), nu);
    }
    // There and back again.
    const Real hot = ViscosityAtTemperature(150, 50, 90);
    EXPECT_NEAR(static_cast<double>(ViscosityAtTemperature(hot, 90, 50)), 150.0, 1e-9);
}

}  // namespace
}  // namespace veldrim
