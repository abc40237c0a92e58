// The display list: record texts, world-to-device mapping, replay; the drawing
// object that forwards to it, and the logo.

#include "graphics/display_list.h"
#include "graphics/graf_object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>

#include "foundation/codepage.h"
#include "graphics/logo.h"
#include "graphics/zoom_keys.h"
#include "graphics/recording_canvas.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

using test::RecordingCanvas;
using Records = std::vector<std::string>;

// A batch UI that counts the event pumps asked of it.
struct PumpCountingUi : BatchUi {
    void ProcessEvents() override { ++pumps; }
    int pumps = 0;
};

class DisplayListTest : public test::WindowTest<PumpCountingUi> {
protected:
    RecordingCanvas Replay() {  // a fresh canvas with the replay of the display list
        RecordingCanvas canvas;
        return window.ReplayTo(canvas), canvas;
    }
};

// A batch UI that runs a hook at every event pump.
struct PumpHookUi : BatchUi {
    void ProcessEvents() override {
        if (hook) hook();
    }
    std::function<void()> hook;
};

// Pending window events run before records 0, 50000 and 100000 of a list of
// 120001 lines, and only there.
TEST_F(DisplayListTest, LongListLetsEventsRunBeforeEvery50000thRecord) {
    DisplayList.assign(120001, "4;0;0;1;1");
    RecordingCanvas canvas;
    PumpHookUi events;
    ScopedUi scope(events);
    std::vector<size_t> drawnAtPump;
    events.hook = [&] { drawnAtPump.push_back(canvas.ops.size()); };
    window.ReplayTo(canvas);
    EXPECT_EQ(drawnAtPump, (std::vector<size_t>{0, 50000, 100000}));
    EXPECT_EQ(canvas.ops.size(), 120001u);
}

// A command run by those events that empties the list (and draws anew) does
// not break the replay: it ends with the records it began with, and the list
// then holds what was drawn after the Clear.
TEST_F(DisplayListTest, ClearWhileTheListIsReplayedTakesEffectAfterTheReplay) {
    DisplayList.assign(120001, "4;0;0;1;1");
    RecordingCanvas canvas;
    PumpHookUi events;
    ScopedUi scope(events);
    int pumps = 0;
    events.hook = [&] {
        if (++pumps != 2) return;
        window.Clear();
        window.line(2, 2, 3, 3);
    };
    window.ReplayTo(canvas);
    EXPECT_EQ(canvas.ops.size(), 120001u) << "the replay ends with the records it began with";
    EXPECT_EQ(pumps, 3);
    EXPECT_EQ(DisplayList, (Records{"4;2;2;3;3"}));
    window.Clear();  // outside a replay: at once
    EXPECT_TRUE(DisplayList.empty());
}

// A window that paints by replaying its list onto a fresh canvas, as the
// screen does, and keeps the last picture it painted.
struct PaintingWindow : TFveldgra {
    Records painted;
    Records Replayed() {
        RecordingCanvas c;
        return ReplayTo(c), c.ops;
    }

protected:
    void Repaint() override { painted = Replayed(); }
};

// The first record at which two pictures differ; -1 when they are the same.
long FirstDifference(const Records& a, const Records& b) {
    const auto d = std::ranges::mismatch(a, b);
    return d.in1 == a.end() && d.in2 == b.end() ? -1 : d.in1 - a.begin();
}

// A zoom key pressed while a long list is replayed (before record 50000):
// the picture being drawn keeps the zoom it began with, the repaint the key
// asks for draws the whole list at the new zoom, as a fresh replay does.
TEST_F(DisplayListTest, AZoomDuringALongReplayGivesPicturesOfOneZoomEach) {
    PaintingWindow w;
    SetGraphicsWindow(&w);
    w.SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 640, 480);
    for (int i = 0; i < 60000; ++i) w.line(i % 600, i % 400, i % 600 + 10, i % 400 + 20);
    const Records oldZoom = w.Replayed();
    w.processKey(kVkAdd);  // the reference: the key pressed while nothing replays
    const ZoomRectangle zoomed{54, 40, 586, 440};  // 640 / 1.2 = 533 wide, 480 / 1.2 = 400 high
    ASSERT_EQ(ZoomRect, zoomed);
    const Records newZoom = w.painted;
    ASSERT_EQ(FirstDifference(oldZoom, newZoom), 0) << "the zoom moves the lines";
    w.ResetZoom();
    w.painted.clear();

    PumpHookUi events;
    ScopedUi scope(events);
    int pumps = 0;
    events.hook = [&] {
        if (++pumps == 2) w.processKey(kVkAdd);
    };
    EXPECT_EQ(FirstDifference(w.Replayed(), oldZoom), -1) << "the picture begun at the old zoom";
    EXPECT_EQ(FirstDifference(w.painted, newZoom), -1) << "the repaint at the new zoom";
    EXPECT_EQ(ZoomRect, zoomed);
    SetGraphicsWindow(nullptr);
}

TEST(FormatDisplayReal, EightSignificantDigitsAndRoundTrip) {
    const std::pair<Real, const char*> cases[] = {{0.0L, "0"},
                                                  {-3.0L, "-3"},
                                                  {-0.000012345678L, "-0.000012345678"},
                                                  {0.000001L, "1E-06"},
                                                  {2.0L / 3.0L, "0.66666667"},
                                                  {12345678.0L, "12345678"},
                                                  {123456789.0L, "1.2345679E08"},
                                                  {99999999.5L, "1E08"},
                                                  {-1.5E100L, "-1.5E100"},
                                                  {639.99999999L, "640"}};
    for (const auto& [v, text] : cases) {
        EXPECT_EQ(FormatDisplayReal(v), text) << (double)v;
        Real back = 0;
        EXPECT_TRUE(ParseDisplayReal(text, back)) << text;
        EXPECT_LE(std::fabs(back - v), std::fabs(v) * 1E-7L) << text;
    }
    Real v = 0;
    EXPECT_TRUE(ParseDisplayReal("1,5", v));
    EXPECT_EQ(v, 1.5L);
    for (const char* bad : {"", "x", "1.5x", "+1", "NAN", "1;2"})
        EXPECT_FALSE(ParseDisplayReal(bad, v)) << bad;
    // Device coordinates round halves to even and saturate.
    EXPECT_EQ(RoundToInt32(2.5L), 2);
    EXPECT_EQ(RoundToInt32(-3.5L), -4);
    EXPECT_EQ(RoundToInt32(1E30L), INT32_MAX);
    EXPECT_EQ(RoundToInt32(-1E30L), INT32_MIN);
}

TEST_F(DisplayListTest, GoldenRecords) {
    window.line(0, 0, 12.5L, 100);
    window.SetWindow(1, 1, 0, 0, 1, 1, -80, -60, 80, 60);
    window.circle(1, 2, 0.5L);
    window.Arc(0, 0, 0, 90, 10, 90);
    window.Arc(0, 0, 90, 0, 10, -90);     // a clockwise sweep draws from a2 to a1
    window.Arc(0, 0, 0, 3.9L, 10, 3.9L);  // below 4 degrees: a chord
    window.OutTextXY(1, 2, "a;b");
    window.Solid(0, 0, 1, 0, 1, 1, 0, 1);
    window.SetColor(4);
    window.SetTextStyle(2, 30, 3.5L, 2.5L);
    window.SetLineStyle(2);
    window.SetLineWidth(3);
    window.SleepMs(250);
    const Records expected = {
        "4;0;0;12.5;100",
        "10;1;1;639;479;-80;-60;80;60",
        "3;1;2;0.5",
        "5;-10;-10;10;10;10;0;0;10",
        "5;-10;-10;10;10;10;0;0;10",
        "4;10;0;9.9768428;0.68015291",
        "6;1;2;a;b",
        "7;0;0;1;0;1;1;0;1",
        "8;4",
        "9;3.5;2.5;2;30",
        "11;2",
        "12;3",
        "13;250",
    };
    EXPECT_EQ(DisplayList, expected);
}

// Pen records only on a change; a replay and Clear reset the trackers, so
// the next drawing states its pen again.
TEST_F(DisplayListTest, PenRecordsOnlyOnChange) {
    for (int colour : {4, 4, 17}) window.SetColor(colour);  // 17: above the highest index
    for (int style : {2, 2}) window.SetLineStyle(style);
    window.SetLineWidth(1);  // the default width
    EXPECT_EQ(DisplayList, (Records{"8;4", "11;2"}));
    Replay();
    window.SetLineStyle(2);
    window.SetLineWidth(1);
    window.SetColor(4);
    EXPECT_EQ(DisplayList, (Records{"8;4", "11;2", "11;2"}));

    window.SetColor(5);
    window.SetLineWidth(4);
    window.Clear();
    window.SetColor(5);
    window.SetLineStyleName("STRICHPUNKT");
    window.SetLineWidth(4);
    EXPECT_EQ(DisplayList, (Records{"8;5", "11;2", "12;4"}));
}

TEST_F(DisplayListTest, ZeroResolutionMeansTheDefaultDevice) {
    SetDeviceResolution(0, 0);
    EXPECT_EQ(DeviceWidth, 640);
    EXPECT_EQ(DeviceHeight, 480);
    window.Header(0, 0, 100, 100);
    EXPECT_EQ(DisplayList.front(), "10;1;1;639;479;0;0;100;100");
    SetDeviceResolution(1024, 768);
    EXPECT_EQ(DeviceWidth, 1024);
}

TEST_F(DisplayListTest, MappingOfAKnownWindow) {
    window.Header(0, 0, 160, 120);
    EXPECT_EQ(Viewport, (IntRect{1, 1, 639, 479}));
    EXPECT_EQ(ZoomRect, (ZoomRectangle{1, 1, 639, 479}));
    // Equal scales: the height limits, 478 pixels for 120 units.
    EXPECT_EQ(ScaleX, ScaleY);
    EXPECT_NEAR((double)ScaleX, 478.0 / 120.0, 1E-15);
    EXPECT_EQ(MapX(0), 1);
    EXPECT_EQ(MapX(80), 320);
    EXPECT_EQ(MapX(160), 638);
    EXPECT_EQ(MapLengthX(10), 40);
    EXPECT_EQ(MapY(0), 479);
    EXPECT_EQ(MapY(60), 240);
    EXPECT_EQ(MapY(120), 1);
    EXPECT_EQ(window.EinX(0.5L), 80);
    EXPECT_EQ(window.EinY(0.25L), 30);
    // Keep-aspect anchors a wide window at the bottom; without it the window fills the device.
    window.SetWindow(1, 0, 0, 0, 1, 1, 0, 0, 200, 100);
    EXPECT_NEAR(ScaleY, 3.2L, 1E-15L);
    EXPECT_EQ(MapY(0), 480);
    EXPECT_EQ(MapY(100), 160);
    EXPECT_EQ(MapX(200), 640);
    window.SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 200, 100);
    EXPECT_EQ(MapY(100), 0);
}

TEST_F(DisplayListTest, DegenerateWindowIsRefusedAndNotRecordedOrReplayed) {
    window.Header(0, 0, 160, 120);
    window.line(0, 0, 1, 1);
    const size_t records = DisplayList.size();
    window.SetWindow(1, 1, 0, 0, 1, 1, 5, 0, 5, 100);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(DisplayList.size(), records);
    EXPECT_EQ(WorldWindow, (WorldRect{0, 0, 160, 120}));
    // A stored one stops the replay.
    DisplayList.push_back("10;0;0;640;480;5;0;5;100");
    window.line(0, 0, 1, 1);
    cancelFlag = false;
    EXPECT_EQ(Replay().ops.size(), 1u);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(DisplayListTest, ReplayGivesTheDeviceGeometryWithoutAnEventPump) {
    window.Header(0, 0, 160, 120);
    window.SetColor(4);
    window.line(0, 0, 160, 120);
    window.circle(80, 60, 12);
    window.Arc(80, 60, 0, 90, 12, 90);
    window.Solid(0, 0, 10, 0, 10, 10, 0, 10);
    window.SetTextStyle(2, 0, 3.5L, 2.5L);
    window.OutTextXY(10, 20, "a;b");
    const RecordingCanvas canvas = Replay();
    EXPECT_EQ(canvas.ops,
              (Records{"line 1,479 638,1", "ellipse 272,288 367,192",
                       "arc 272,288 367,192 367,240 320,192", "polygon 1,479 41,479 41,439 1,439",
                       "text 41,383 h22 w9 e0 a;b"}));
    // Colour 4 (red) for pen, brush and text.
    EXPECT_EQ(std::ranges::count(canvas.state, "pen 255"), 1);
    EXPECT_EQ(canvas.state.back(), "font 255");
    EXPECT_EQ(canvas.fonts[0].face, "Arial");
    EXPECT_EQ(canvas.fonts[0].weight, 700);
    EXPECT_TRUE(canvas.fonts[0].italic);
    EXPECT_EQ(ui.pumps, 1) << "pending events run before the first record";

    // Turned text, one unit per pixel: height 16 (10 x 1.6), the corner 0.7 x 16 left of the base point.
    window.Clear();
    window.SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 640, 480);
    window.SetTextStyle(2, 90, 10, 10);
    window.OutTextXY(100, 100, "T");
    EXPECT_EQ(Replay().ops, Records{"text 89,380 h16 w9 e900 T"});
}

TEST_F(DisplayListTest, UnreadableRecordsAreSkipped) {
    EXPECT_TRUE(Replay().ops.empty());
    window.SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 640, 480);
    for (const char* bad :
         {"", "4", "4;1;2;3", "4;a;b;c;d", "x;1", "8;", "8;99999999999999", "5;1;2", "6;1", "9;1;2",
          "10;1;2;3", "12;-4", "13;x", "99;1;2", "4;1;2;3;4;5;6"})
        DisplayList.push_back(bad);
    window.line(0, 0, 10, 0);
    EXPECT_EQ(Replay().ops, Records{"line 0,480 10,480"});
}

using GrafObjectTest = test::WindowTest<ScriptedUi>;

// The logo: one window, two colours, and every solid a convex quadrilateral
// in outline order inside that window.
TEST_F(GrafObjectTest, LogoIsSolidsInTwoColoursInsideItsWindow) {
    GrafDrawLogo();
    EXPECT_EQ(DisplayList.front(), "10;1;1;639;479;-1;-1;38;33");
    Records colours;
    int solids = 0;
    for (const std::string& r : DisplayList) {
        if (r.starts_with("8;")) colours.push_back(r);
        if (!r.starts_with("7;")) continue;
        ++solids;
        Real v[8] = {};
        int n = 0;  // after the last field find() gives npos, and npos + 1 is 0
        for (std::size_t p = 2; p != 0; p = r.find(';', p) + 1) {
            ASSERT_LT(n, 8) << r;
            ASSERT_TRUE(ParseDisplayReal(r.substr(p, r.find(';', p) - p), v[n++])) << r;
        }
        ASSERT_EQ(n, 8) << r;
        std::set<bool> turns;  // one turning sense at every corner
        for (int i = 0, j = 2, k = 4; i < 8; i += 2, j = (j + 2) % 8, k = (k + 2) % 8) {
            EXPECT_GE(v[i], -1) << r;
            EXPECT_LE(v[i], 38) << r;
            EXPECT_GE(v[i + 1], -1) << r;
            EXPECT_LE(v[i + 1], 33) << r;
            turns.insert((v[j] - v[i]) * (v[k + 1] - v[j + 1]) >
                         (v[j + 1] - v[i + 1]) * (v[k] - v[j]));
        }
        EXPECT_EQ(turns.size(), 1u) << r;
    }
    EXPECT_EQ(solids, 57);
    EXPECT_EQ(colours, (Records{"8;9", "8;13", "8;9"}));
}

}  // namespace
}  // namespace veldrim
