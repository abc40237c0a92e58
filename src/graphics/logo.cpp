// The maker's logo: a worm wheel of 41 teeth (fuchsia) meshing with a worm of
// 13 thread flanks (blue) on a shaft of three blocks (blue). It is a fixed
// sequence of window primitives, replayed, zoomed and printed like any drawing.
#include "graphics/logo.h"

#include <cmath>

#include "graphics/display_list.h"

namespace veldrim {

namespace {

constexpr Real kPi = 3.141592653589793238462643383279502884L;

// Window solids are filled in the order of their corners (outline order).
// Wheel: centre and the radii of the tooth root and tip.
constexpr Real kWheelX = 18.5L, kWheelY = 19.0L;
constexpr Real kRootRadius = 10.5L, kTipRadius = 13.0L;

}  // namespace

void TFveldgra::DrawVeldrimLogo() {
    Header(-1, -1, 38, 33);
    SetLineStyle(0);
    SetColor(9);
    // Worm: 13 slanted thread flanks along y = 1..4.
    for (int i = 0; i < kLogoBlueSolidsFirst; ++i) {
        const Real x = 3.0L + i * 2.4L;
        Solid(x, 1.0L, x + 1.2L, 1.0L, x + 1.8L, 4.0L, x + 0.6L, 4.0L);
    }
    SetColor(13);
    // Wheel: 41 trapezoidal teeth; a tooth takes 40 % of the pitch at the tip
    // and 60 % at the root.
    for (int i = 0; i < kLogoFuchsiaSolids; ++i) {
        const Real pitch = 2 * kPi / kLogoFuchsiaSolids;
        const Real a = i * pitch;
        const Real root = 0.30L * pitch, tip = 0.20L * pitch;
        const Real x1 = kWheelX + kRootRadius * std::cos(a - root);
        const Real y1 = kWheelY + kRootRadius * std::sin(a - root);
        const Real x2 = kWheelX + kRootRadius * std::cos(a + root);
        const Real y2 = kWheelY + kRootRadius * std::sin(a + root);
        const Real x3 = kWheelX + kTipRadius * std::cos(a - tip);
        const Real y3 = kWheelY + kTipRadius * std::sin(a - tip);
        const Real x4 = kWheelX + kTipRadius * std::cos(a + tip);
        const Real y4 = kWheelY + kTipRadius * std::sin(a + tip);
        Solid(x1, y1, x2, y2, x4, y4, x3, y3);
    }
    SetColor(9);
    // Shaft of the worm and the two bearing blocks.
    Solid(0.0L, 2.0L, 37.0L, 2.0L, 37.0L, 3.0L, 0.0L, 3.0L);
    Solid(-0.5L, 0.0L, 1.5L, 0.0L, 1.5L, 5.0L, -0.5L, 5.0L);
    Solid(35.5L, 0.0L, 37.5L, 0.0L, 37.5L, 5.0L, 35.5L, 5.0L);
    MoveTo(0, 0);
}

}  // namespace veldrim
