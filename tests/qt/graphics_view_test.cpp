// The graphics window on screen: replay into a picture, zoom by keys and by
// a dragged rectangle, printing into a PDF.
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "foundation/program_state.h"
#include "graphics/qt/anistep_form.h"
#include "graphics/qt/graphics_view.h"
#include "graphics/qt/qt_canvas.h"
#include "graphics/recording_canvas.h"
#include "qt/qt_test_support.h"

namespace veldrim {
namespace {

class GraphicsViewTest : public test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        SetGraphicsWindow(&window);
        view.resize(641, 481);
        // One world unit per device pixel on the 640 x 480 device: world
        // (x, y) is pixel (x, 480 - y).
        window.SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 640, 480);
    }
    void TearDown() override {
        SetGraphicsWindow(nullptr);
        QtFixture::TearDown();
    }
    // A picture of a red line at y = 100, a lime solid, a blue full circle
    // arc round (200, 240) of radius 50, and a red line at y = 50 drawn over
    // in colour 0.
    void DrawKnownList() {
        window.SetColor(4);
        window.line(100, 100, 300, 100);
        window.line(100, 50, 300, 50);
        window.SetColor(2);
        window.Solid(400, 300, 500, 300, 500, 400, 400, 400);
        window.SetColor(9);
        window.Arc(200, 240, 0, 360, 50, 360);
        window.SetColor(0);
        window.line(100, 50, 300, 50);
    }
    static void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
        QMouseEvent e(type, QPointF(at), QPointF(at), QPointF(at), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    QtGraphicsWindow window;
    GraphicsView view{window};
};

TEST_F(GraphicsViewTest, ReplayOfAKnownListHasTheExpectedPixels) {
    DrawKnownList();
    const QImage img = RenderDisplayList(window, QSize(641, 481));
    const QColor red(255, 0, 0), lime(0, 255, 0), blue(0, 0, 255), background(1, 0, 0);
    const std::tuple<const char*, QPoint, QColor> probes[] = {
        {"line", {200, 380}, red},
        {"solid centre", {450, 130}, lime},
        {"solid corner inside", {402, 178}, lime},
        {"arc top", {200, 190}, blue},
        {"arc bottom", {200, 290}, blue},
        {"arc left", {150, 240}, blue},
        {"arc right", {250, 240}, blue},
        {"inside the arc", {200, 240}, background},
        {"empty corner", {5, 5}, background},
        {"line drawn over in colour 0", {200, 430}, background},
    };
    for (const auto& [what, at, colour] : probes)
        EXPECT_EQ(img.pixelColor(at), colour) << what << " at " << at.x() << "," << at.y();
}

// With "Farbgrafik" off every drawing colour is black on white paper, and
// colour 0 draws in the paper's colour; the background colour of the
// colour mode (nearly black) would hide the lines.
TEST_F(GraphicsViewTest, MonochromeGraphicsDrawBlackOnWhite) {
    colourGraphics = false;
    DrawKnownList();
    const QImage img = RenderDisplayList(window, QSize(641, 481));
    const QColor black(0, 0, 0), white(255, 255, 255);
    const std::tuple<const char*, QPoint, QColor> probes[] = {
        {"line", {200, 380}, black},     {"solid centre", {450, 130}, black},
        {"arc top", {200, 190}, black},  {"inside the arc", {200, 240}, white},
        {"empty corner", {5, 5}, white}, {"line drawn over in colour 0", {200, 430}, white},
    };
    for (const auto& [what, at, colour] : probes)
        EXPECT_EQ(img.pixelColor(at), colour) << what << " at " << at.x() << "," << at.y();
    view.Render();
    EXPECT_EQ(view.picture().pixelColor(5, 5), white) << "the view's own picture";
    EXPECT_EQ(view.picture().pixelColor(200, 380), black) << "the view's own picture";
}

TEST_F(GraphicsViewTest, ChangesRenderThePictureThatPaintsShow) {
    DrawKnownList();
    const int before = window.repaintCount;
    window.Clear();
    EXPECT_GT(window.repaintCount, before);
    EXPECT_EQ(view.picture().pixelColor(200, 380), QColor(1, 0, 0));
    window.SetColor(4);
    window.line(100, 100, 300, 100);
    window.ClearViewPort();
    EXPECT_EQ(view.picture().pixelColor(200, 380), QColor(255, 0, 0));
}

// A command run by the events the replay lets run empties the list and draws
// anew: the view then shows the new drawing, not the picture of the records
// the replay began with.
TEST_F(GraphicsViewTest, DrawingReplacedWhileTheViewRepaintsShowsTheNewOne) {
    DrawKnownList();
    window.SetColor(1);  // the next colour record after the Clear is written again
    QTimer::singleShot(0, [this] {
        window.Clear();
        window.SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 640, 480);
        window.SetColor(4);
        window.line(100, 20, 300, 20);
    });
    window.ClearViewPort();
    EXPECT_EQ(DisplayList.size(), 3u);
    EXPECT_EQ(view.picture().pixelColor(200, 460), QColor(255, 0, 0)) << "the new line";
    EXPECT_EQ(view.picture().pixelColor(450, 130), QColor(1, 0, 0)) << "the old solid is gone";
}

TEST_F(GraphicsViewTest, ZoomKeysChangeTheView) {
    DrawKnownList();
    const std::tuple<Qt::Key, ZoomRectangle> cases[] = {
        {Qt::Key_Plus, {54, 40, 586, 440}},
        {Qt::Key_Minus, {-64, -48, 704, 528}},
        {Qt::Key_Right, {-64, 0, 576, 480}},
        {Qt::Key_PageDown, {0, 240, 640, 720}},
    };
    for (const auto& [key, after] : cases) {
        window.ResetZoom();
        QTest::keyClick(&view, key);
        EXPECT_EQ(ZoomRect, after) << key;
    }
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{0, 0, 640, 480}));
    // Zoomed in, the line at world y = 100 moves away from the bottom.
    QTest::keyClick(&view, Qt::Key_Plus);
    EXPECT_NE(view.picture().pixelColor(200, 380), QColor(255, 0, 0));
}

// The Qt window services with a key typed into the view at the second event
// run of the replays (before record 50000 of the first).
struct KeyDuringReplayUi : QtUi {
    void ProcessEvents() override {
        if (++pumps == 2) QTest::keyClick(view, Qt::Key_Plus);
        QtUi::ProcessEvents();
    }
    QWidget* view = nullptr;
    int pumps = 0;
};

// A zoom key typed while the view replays a long list: the view shows the
// same picture as a fresh render at the new zoom, none that mixes two zooms.
TEST_F(GraphicsViewTest, AZoomKeyDuringALongReplayShowsOnePictureAtTheNewZoom) {
    window.SetColor(4);
    for (int i = 0; i < 60000; ++i)
        window.line(20 + (i * 37) % 600, 20 + (i * 53) % 440, 23 + (i * 37) % 600,
                    22 + (i * 53) % 440);
    QTest::keyClick(&view, Qt::Key_Plus);
    const QImage newZoom = RenderDisplayList(window, view.size());
    QTest::keyClick(&view, Qt::Key_Escape);
    ASSERT_GT(test::DifferentPixels(view.picture(), newZoom), 0) << "the zoom changes the picture";

    KeyDuringReplayUi keys;
    keys.view = &view;
    SetUi(&keys);
    view.Render();
    SetUi(&ui);
    EXPECT_GE(keys.pumps, 3) << "the key came during the replay";
    EXPECT_EQ(ZoomRect, (ZoomRectangle{54, 40, 586, 440}));
    EXPECT_EQ(test::DifferentPixels(view.picture(), newZoom), 0);
}

// A key outside the key table repeats the last action: after the right
// arrow (dx = R(640 x 0.1) = 64) Shift and A pan right once more each.
TEST_F(GraphicsViewTest, KeysOutsideTheTableRepeatTheLastAction) {
    DrawKnownList();
    QTest::keyClick(&view, Qt::Key_A);  // nothing stored yet
    EXPECT_EQ(ZoomRect, (ZoomRectangle{0, 0, 640, 480}));
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{-64, 0, 576, 480}));
    QTest::keyClick(&view, Qt::Key_Shift);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{-128, 0, 512, 480}));
    QTest::keyClick(&view, Qt::Key_A);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{-192, 0, 448, 480}));
}

// Qt's double click arrives in place of the second press: the view returns
// to the whole picture at once, not at the next press.
TEST_F(GraphicsViewTest, DoubleClickResetsTheViewAtOnce) {
    DrawKnownList();
    QTest::keyClick(&view, Qt::Key_Plus);
    ASSERT_EQ(ZoomRect, (ZoomRectangle{54, 40, 586, 440}));
    Send(&view, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
    Send(&view, QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton);
    Send(&view, QEvent::MouseButtonDblClick, {100, 100}, Qt::LeftButton);
    // The saved limits whole, through their inset viewport 1..639 x 1..479.
    EXPECT_EQ(ZoomRect, (ZoomRectangle{1, 1, 639, 479}));
    EXPECT_EQ(window.DoubleClicked, 0);
    EXPECT_EQ(window.Dragging, 0);
    Send(&view, QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{1, 1, 639, 479}));
}

TEST_F(GraphicsViewTest, DraggedRectangleZoomsAndTheRightButtonResets) {
    DrawKnownList();
    Send(&view, QEvent::MouseButtonPress, {300, 250}, Qt::LeftButton);
    Send(&view, QEvent::MouseMove, {200, 180}, Qt::LeftButton);
    EXPECT_EQ(window.Dragging, 1);
    Send(&view, QEvent::MouseMove, {100, 100}, Qt::LeftButton);
    Send(&view, QEvent::MouseButtonRelease, {100, 100}, Qt::LeftButton);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{100, 230, 300, 380}));
    EXPECT_EQ(window.Dragging, 0);
    Send(&view, QEvent::MouseButtonPress, {10, 10}, Qt::RightButton);
    EXPECT_EQ(ZoomRect, (ZoomRectangle{0, 0, 640, 480}));
}

TEST_F(GraphicsViewTest, ColourZeroInStepModeShowsTheStepDialog) {
    DrawKnownList();
    window.StepMode = 1;
    int asked = 0;
    QImage img(641, 481, QImage::Format_ARGB32);
    QPainter p(&img);
    QtCanvas canvas(p);
    canvas.skipPauses = true;
    canvas.animationStep = [&] { return ++asked == 1; };  // the end button at the first stop
    window.ReplayTo(canvas);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(window.StepMode, 0);
}

TEST_F(GraphicsViewTest, StepDialogEscapeEndsEnterSteps) {
    for (const auto& [key, ended] :
         {std::pair{Qt::Key_Return, false}, std::pair{Qt::Key_Escape, true}}) {
        test::ModalDriver driver([key = key](QWidget* w) {
            QTest::keyClick(w, key);
            return true;
        });
        EXPECT_EQ(RunAnimationStepDialog(), ended) << key;
        EXPECT_EQ(driver.seenName, "TForm_anistep");
    }
}

TEST_F(GraphicsViewTest, PrintedDrawingIsAPdfWithTheText) {
    DrawKnownList();
    window.SetColor(1);
    window.SetTextStyle(0, 0, 20, 20);
    window.OutTextXY(100, 200, "Zahnrad 40,5");
    QTemporaryDir dir;
    const std::string pdf = dir.filePath("drawing.pdf").toStdString();
    ASSERT_TRUE(PrintGraphicsWindowToPdf(window, pdf));
    EXPECT_TRUE(test::OutsideOutput("pdftotext", {QString::fromStdString(pdf), "-"})
                    .contains("Zahnrad 40,5"));
    EXPECT_EQ(PrintingFlag, 0);
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// An animation shows each frame before its pause: the picture drawn so far
// is handed on at the pause, holding the first frame and not the second.
TEST_F(GraphicsViewTest, FramesBeforeAPauseAreShown) {
    window.SetColor(4);
    window.line(100, 100, 300, 100);
    window.SleepMs(1);
    window.SetColor(2);
    window.line(100, 200, 300, 200);
    std::vector<QImage> shown;
    const QImage last = RenderDisplayList(window, QSize(641, 481), false,
                                          [&](const QImage& soFar) { shown.push_back(soFar); });
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].pixelColor(200, 380), QColor(255, 0, 0));
    EXPECT_EQ(shown[0].pixelColor(200, 280), QColor(1, 0, 0));
    EXPECT_EQ(last.pixelColor(200, 280), QColor(0, 255, 0));
}

}  // namespace
}  // namespace veldrim
