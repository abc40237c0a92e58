// Zoom and pan by keys and mouse drag.

#include "graphics/zoom_keys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "graphics/recording_canvas.h"

namespace veldrim {
namespace {

using Button = TFveldgra::MouseButton;
constexpr ZoomRectangle kWhole{0, 0, 640, 480};

class ZoomKeysTest : public test::WindowTest<> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // One world unit per device pixel: the zoom rectangle is 0, 0, 640, 480.
        window.SetWindow(1, 0, 0, 0, 1, 1, 0, 0, 640, 480);
    }
    void Drag(int x1, int y1, int x2, int y2) {
        window.FormMouseDown(Button::Left, x1, y1);
        window.FormMouseMove(x2, y2);
        window.FormMouseUp(Button::Left, x2, y2);
    }
};

TEST_F(ZoomKeysTest, KeyTable) {
    const std::pair<uint16_t, ZoomRectangle> cases[] = {
        {kVkAdd, {54, 40, 586, 440}},  // R(640 / 1.2) = 533 wide: 532 between the rounded sides
        {kVkSubtract, {-64, -48, 704, 528}},  // R(640 x 1.2) = 768
        {kVkRight, {-64, 0, 576, 480}},       // the picture moves right
        {kVkUp, {0, -48, 640, 432}},          // the picture moves up
        {kVkPageDown, {0, 240, 640, 720}},
    };
    for (const auto& [key, after] : cases) {
        window.ResetZoom();
        window.processKey(key);
        EXPECT_EQ(ZoomRect, after) << key;
    }
}

TEST_F(ZoomKeysTest, AnyOtherKeyRepeatsTheLastAction) {
    const int paints = window.repaintCount;
    window.processKey(kVkShift);  // nothing stored yet
    EXPECT_EQ(ZoomRect, kWhole);
    EXPECT_EQ(window.repaintCount, paints);
    window.processKey(kVkRight);
    window.processKey(kVkShift);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{-128, 0, 512, 480}));
    EXPECT_EQ(LastKeyScan, kScanRight);
    window.processKey(kVkEscape);  // back to the whole picture
    EXPECT_EQ(ZoomRect, kWhole);
}

TEST_F(ZoomKeysTest, FarZoomIsClampedWithoutOverflow) {
    for (int i = 0; i < 200; ++i) window.processKey(kVkSubtract);
    EXPECT_LE(int64_t{ZoomRect.x2} - ZoomRect.x1, 2 * kMaxZoomHalfSpan);
    EXPECT_GT(ZoomRect.x2, ZoomRect.x1);
    EXPECT_GT(ScaleX, 0);
    for (int i = 0; i < 400; ++i) window.processKey(kVkAdd);
    EXPECT_GE(ZoomRect.x2 - ZoomRect.x1, 2);
    EXPECT_GE(ZoomRect.y2 - ZoomRect.y1, 2);
    EXPECT_TRUE(std::isfinite((double)ScaleX));
    EXPECT_EQ(MapX(1E12L), INT32_MAX);  // a far-off point saturates
    for (int i = 0; i < 100000; ++i) window.processKey(kVkPageDown);
    EXPECT_LE(ZoomRect.y2, kMaxZoomCoordinate);
}

TEST_F(ZoomKeysTest, DragZoomInvertsTheMappingInForce) {
    Drag(100, 100, 100, 100);  // a click
    Drag(100, 100, 200, 100);  // no height
    EXPECT_EQ(ZoomRect, kWhole);
    EXPECT_EQ(window.Dragging, 0);
    Drag(300, 250, 100, 100);  // the direction does not matter
    EXPECT_EQ(ZoomRect, (ZoomRectangle{100, 230, 300, 380}));
    EXPECT_EQ(MapX(100), 0);
    EXPECT_EQ(MapY(230), 480);
    // Zoomed once, the next drag inverts the mapping now in force.
    Drag(0, 0, 320, 240);
    EXPECT_EQ(VisibleWindow, (WorldRect{100, 305, 200, 380}));
    // With kept aspect the picture fills y 160..480; drag its left half.
    window.SetWindow(1, 0, 0, 0, 1, 1, 0, 0, 200, 100);
    Drag(0, 160, 320, 480);
    EXPECT_EQ(VisibleWindow, (WorldRect{0, 0, 100, 100}));
    EXPECT_EQ(MapX(100), 480);
    EXPECT_EQ(MapY(100), 0);
}

// A landscape A4 sheet (297 x 210 mm) on the 640 x 480 device. Drawn at
// equal scales, its diagonal keeps the sheet's proportion 297 : 210 = 1.414
// in pixels; with the scales of the device's 4 : 3 it would be about 6 %
// flatter (1.336 after a double click).
TEST_F(ZoomKeysTest, ADoubleClickReturnsToTheSavedLimitsWithEqualScales) {
    const auto diagonal = [&] {
        test::RecordingCanvas canvas;
        window.ReplayTo(canvas);
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        for (const std::string& op : canvas.ops)
            if (op.rfind("line ", 0) == 0)
                std::sscanf(op.c_str(), "line %d,%d %d,%d", &x1, &y1, &x2, &y2);
        return static_cast<double>(std::abs(x2 - x1)) / std::abs(y2 - y1);
    };
    window.Clear();
    window.Header(0, 0, 297, 210);
    window.line(0, 0, 297, 210);
    EXPECT_NEAR(diagonal(), 297.0 / 210.0, 0.005) << "as drawn";
    Drag(100, 100, 300, 250);
    window.FormDblClick();
    window.FormMouseDown(Button::Left, 200, 200);
    EXPECT_EQ(KeepAspect, 1);
    EXPECT_NEAR(diagonal(), 297.0 / 210.0, 0.005) << "after the double click";
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// A narrow view about the centre (320, 240) of the device window.
void ZoomTo(TFveldgra& window, int width) {
    window.SetScale(320 - width / 2, 240 - width / 2, 320 + width / 2, 240 + width / 2);
}

// At widths 2, 4 and 6, R(w x 1.2) div 2 x 2 gives w back: "-" widens the
// view there by one unit on each side at least.
TEST_F(ZoomKeysTest, MinusWidensANarrowView) {
    const std::pair<int, ZoomRectangle> cases[] = {
        {2, {318, 238, 322, 242}},   // R(2.4) = 2: one more than the half width 1
        {4, {317, 237, 323, 243}},   // R(4.8) = 5, 5 div 2 = 2: one more than 2
        {6, {316, 236, 324, 244}},   // R(7.2) = 7, 7 div 2 = 3: one more than 3
        {10, {314, 234, 326, 246}},  // R(12) = 12: the factor alone widens
    };
    for (const auto& [width, after] : cases) {
        ZoomTo(window, width);
        window.processKey(kVkSubtract);
        EXPECT_EQ(ZoomRect, after) << "width " << width;
    }
}

// Zoomed in as far as + goes, every "-" widens the view again until it is
// wider than the whole picture.
TEST_F(ZoomKeysTest, MinusAlwaysWidensAfterPlusReachedItsEnd) {
    for (int i = 0; i < 40; ++i) window.processKey(kVkAdd);
    ASSERT_EQ(ZoomRect.x2 - ZoomRect.x1, 2) << "+ stops at width 2";
    for (int i = 0; i < 40; ++i) {
        const int32_t before = ZoomRect.x2 - ZoomRect.x1;
        window.processKey(kVkSubtract);
        ASSERT_GT(ZoomRect.x2 - ZoomRect.x1, before) << "press " << i + 1;
    }
    EXPECT_GT(ZoomRect.x2 - ZoomRect.x1, 640);
}

// Wheel zoom about the centre of the whole picture (640 x 480): a turn up
// (positive delta) zooms out, a turn down zooms in. A whole step of 120
// zooms by the factor 1.2; a step of 15 (an eighth) by an eighth of the way
// from 1 to 1.2, that is 1.025: 640 x 1.025 = 656, 480 x 1.025 = 492;
// 640 / 1.025 = 624.4, 480 / 1.025 = 468.3.
TEST_F(ZoomKeysTest, WheelStepsZoomInTheDirectionOfTheirSignTheSmallOneLess) {
    WheelZoomSwitch = 1;
    const std::pair<int, ZoomRectangle> cases[] = {
        {120, {-64, -48, 704, 528}},     // 768 x 576
        {15, {-8, -6, 648, 486}},        // 656 x 492
        {-120, {54, 40, 586, 440}},      // 533 (532 between the halves) x 400
        {-15, {8, 6, 632, 474}},         // 624 x 468
        {60, {-32, -24, 672, 504}},      // half a step: 1.1, 704 x 528
        {240, {-448, -336, 1088, 816}},  // two steps: 2.4, 1536 x 1152
        {0, kWhole},
    };
    for (const auto& [delta, after] : cases) {
        window.ResetZoom();
        window.FormMouseWheel(delta);
        EXPECT_EQ(ZoomRect, after) << "delta " << delta;
    }
    // Repeated fine steps out of the narrowest view still widen it.
    ZoomTo(window, 2);
    window.FormMouseWheel(15);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{318, 238, 322, 242}));
}

// Turned down again and again, fine wheel steps (15) zoom in as far as whole
// steps (120) do: to 2 x 2 units about the centre (320, 240) of the picture,
// where a whole step finds nothing narrower to show. Below a width of 20 a
// fine step's 1.025 rounds back to the width it started from.
TEST_F(ZoomKeysTest, FineWheelStepsZoomInAsFarAsWholeSteps) {
    WheelZoomSwitch = 1;
    for (const int delta : {-120, -15}) {
        window.ResetZoom();
        int steps = 0;
        for (ZoomRectangle before{}; !(before == ZoomRect) && steps < 1000; ++steps) {
            before = ZoomRect;
            window.FormMouseWheel(delta);
        }
        EXPECT_LT(steps, 1000) << "delta " << delta;
        EXPECT_EQ(ZoomRect, (ZoomRectangle{319, 239, 321, 241})) << "delta " << delta;
    }
}

TEST_F(ZoomKeysTest, TheWheelZoomsOnlyWithWheelZoomOn) {
    WheelZoomSwitch = 0;
    window.FormMouseWheel(-120);
    EXPECT_EQ(ZoomRect, kWhole);
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// The band lies on the picture last replayed. A double click leaves window
// records (the saved limits, then the reset window 0..1) after every drawing
// record: the drag still zooms through the sheet's mapping. On the landscape
// A4 sheet (297 x 210 on the inset viewport 1..639 x 1..479, equal scales of
// 638 / 297 = 2.148 px/mm) the band (100, 100)-(300, 250) covers x 46.1 to
// 139.2 mm and y 106.6 to 176.4 mm: units 1 + mm / 297 x 638 = 100 and 300,
// 1 + mm / 210 x 478 = 243.7 and 402.6.
TEST_F(ZoomKeysTest, ADragAfterADoubleClickMapsThroughThePictureShown) {
    test::RecordingCanvas canvas;
    const auto drawSheet = [&] {
        window.Clear();
        window.Header(0, 0, 297, 210);
        window.line(0, 0, 297, 210);
        window.ReplayTo(canvas);
    };
    drawSheet();
    Drag(100, 100, 300, 250);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{100, 244, 300, 403}));

    drawSheet();
    window.processKey(kVkAdd);
    window.ReplayTo(canvas);
    window.FormDblClick();
    window.FormMouseDown(Button::Left, 200, 200);
    window.ReplayTo(canvas);  // the picture the double click shows
    EXPECT_EQ(ZoomRect, (ZoomRectangle{1, 1, 639, 479})) << "the sheet whole";
    Drag(100, 100, 300, 250);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{100, 244, 300, 403}));
}

}  // namespace
}  // namespace veldrim
