// Small wheel steps (touchpads, smooth wheels: deltas of 1 to 15) zoom the
// view about the centre of the zoom rectangle and keep its shape, however
// many of them come, and go on as far as whole steps go.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "graphics/graphics_defaults.h"
#include "graphics/recording_canvas.h"
#include "graphics/zoom_keys.h"

namespace veldrim {
namespace {

class WheelFineStepsTest : public test::WindowTest<> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // One world unit per device pixel: the zoom rectangle is 0, 0, 640, 480.
        window.SetWindow(1, 0, 0, 0, 1, 1, 0, 0, 640, 480);
        WheelZoomSwitch = 1;
    }
    // Turns the wheel `turns` times by `delta`; after every turn the shorter
    // span stays within one unit of what the longer one asks for in the
    // shape `wide` x `tall` the view started with, and the centre stays at
    // (cx, cy).
    void TurnKeepingShape(int delta, int turns, int wide, int tall, int cx, int cy) {
        for (int i = 1; i <= turns; ++i) {
            window.FormMouseWheel(delta);
            const ZoomRectangle z = ZoomRect;
            const long long w = int64_t{z.x2} - z.x1, h = int64_t{z.y2} - z.y1;
            // |h - w x tall / wide| <= 1 (or the same for w), in whole numbers.
            if (tall > wide)
                ASSERT_LE(std::llabs(w * tall - h * wide), tall)
                    << "turn " << i << ": " << w << " x " << h;
            else
                ASSERT_LE(std::llabs(h * wide - w * tall), wide)
                    << "turn " << i << ": " << w << " x " << h;
            ASSERT_EQ(z.x1 + z.x2, 2 * cx) << "turn " << i << ": x " << z.x1 << ".." << z.x2;
            ASSERT_EQ(z.y1 + z.y2, 2 * cy) << "turn " << i << ": y " << z.y1 << ".." << z.y2;
        }
    }
};

// 240 turns of -1 (two notches in all) and 240 of +1 at the zoom factors 1.2
// and 3, from the whole 640 x 480 view: a 4:3 rectangle about (320, 240).
TEST_F(WheelFineStepsTest, TurnsOfOneKeepTheShapeAndTheCentre) {
    for (const Real factor : {1.2L, 3.0L}) {
        for (const int delta : {-1, 1}) {
            SCOPED_TRACE(::testing::Message()
                         << "factor " << static_cast<double>(factor) << ", delta " << delta);
            ZoomFactor = factor;
            window.ResetZoom();
            TurnKeepingShape(delta, 240, 640, 480, 320, 240);
            const int32_t width = ZoomRect.x2 - ZoomRect.x1;
            if (delta < 0)
                EXPECT_LT(width, 640);
            else
                EXPECT_GT(width, 640);
        }
    }
}

// A tall view (a dragged rectangle 40 x 300 about (320, 250)) keeps its shape
// as well: the width follows the height.
TEST_F(WheelFineStepsTest, ATallViewStaysTall) {
    window.SetScale(300, 100, 340, 400);
    TurnKeepingShape(-1, 100, 40, 300, 320, 250);
    EXPECT_LT(ZoomRect.y2 - ZoomRect.y1, 300);
    TurnKeepingShape(1, 300, 40, 300, 320, 250);
    EXPECT_GT(ZoomRect.y2 - ZoomRect.y1, 300);
}

// A wheel step, then a view of another shape set otherwise, then turns:
// they keep the new view's shape, not the one the first step kept. One
// whole step in from the whole view gives (54, 40, 586, 440) at 1.2 pixels
// a unit both ways; the band (300, 80)-(341, 380) dragged over it covers
// units 54 + 300 / 1.2 = 304 to 54 + 341 / 1.2 = 338.2 across and 40 + 100
// / 1.2 = 123.3 to 40 + 400 / 1.2 = 373.3 up: 34 x 250 about (321, 248).
// Escape and the right button return from a tall view to the whole 4:3 one.
TEST_F(WheelFineStepsTest, AViewSetAfterTheWheelKeepsItsOwnShape) {
    using Button = TFveldgra::MouseButton;
    struct Case {
        const char* name;
        ZoomRectangle first;
        std::function<void()> other;
        ZoomRectangle set;
    };
    const Case cases[] = {
        {"drag",
         {0, 0, 640, 480},
         [&] {
             window.FormMouseDown(Button::Left, 300, 80);
             window.FormMouseUp(Button::Left, 341, 380);
         },
         {304, 123, 338, 373}},
        {"Escape", {300, 100, 340, 400}, [&] { window.processKey(kVkEscape); }, {0, 0, 640, 480}},
        {"right button",
         {300, 100, 340, 400},
         [&] { window.FormMouseDown(Button::Right, 10, 10); },
         {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetZoomKeys();  // no shape kept from the case before
        window.SetScale(c.first.x1, c.first.y1, c.first.x2, c.first.y2);
        window.FormMouseWheel(-120);
        c.other();
        const ZoomRectangle z = ZoomRect;
        ASSERT_EQ(z, c.set);
        TurnKeepingShape(-1, 100, z.x2 - z.x1, z.y2 - z.y1, (z.x1 + z.x2) / 2, (z.y1 + z.y2) / 2);
    }
}

// Turned down until nothing changes, turns of 1 end where whole steps end:
// 2 x 2 units about the centre, at every zoom factor (not at a width of 66
// or 36 with a height already at its floor).
TEST_F(WheelFineStepsTest, TurnsOfOneZoomInAsFarAsWholeSteps) {
    for (const Real factor : {1.2L, 2.0L, 3.0L}) {
        ZoomFactor = factor;
        window.ResetZoom();
        int turns = 0;
        for (ZoomRectangle before{}; !(before == ZoomRect) && turns < 5000; ++turns) {
            before = ZoomRect;
            window.FormMouseWheel(-1);
        }
        EXPECT_LT(turns, 5000) << "factor " << static_cast<double>(factor);
        EXPECT_EQ(ZoomRect, (ZoomRectangle{319, 239, 321, 241}))
            << "factor " << static_cast<double>(factor);
    }
}

}  // namespace
}  // namespace veldrim
