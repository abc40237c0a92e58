// What the user types or chooses right behind F5 ("Zeichnung neu" by its
// key) while a help picture is in view: it waits for the drawing F5 makes
// and acts on it, as behind the menu item. Each command is posted before
// F5 is pressed, so it is pending while F5 is at work.
#include <QKeyEvent>

#include "app/main_commands.h"
#include "graphics/zoom_keys.h"
#include "qt/window_view_fixture.h"

namespace veldrim {
namespace {

constexpr const char* kHelpPictureTitle = "Diagramm: Achsen, Teilung und Kurve";

class TypedBehindF5Test : public test::WindowViewFixture {
protected:
    void SetUp() override {
        WindowViewFixture::SetUp();
        DrawCurrentView();
        ShowHelpPictureNamed("diagramm");
        ASSERT_TRUE(Holds(kHelpPictureTitle));
        ASSERT_FALSE(Holds("Leistungsbilanz"));
    }
    void PostKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QCoreApplication::postEvent(view, new QKeyEvent(QEvent::KeyPress, key, modifiers));
    }
    // F5 typed, then every command pending behind it.
    void PressF5() {
        QTest::keyClick(view, Qt::Key_F5);
        QCoreApplication::processEvents();
    }
};

// Ctrl+Shift+P (Grafik als PDF) typed with F5 prints the new sheet with its
// diagram, not the help picture.
TEST_F(TypedBehindF5Test, APrintPrintsTheNewDrawing) {
    pdfUi.pdf = dir.path() + "/behind-f5.pdf";
    PostKey(Qt::Key_Control, Qt::ControlModifier);
    PostKey(Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
    PostKey(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    PressF5();
    const QString printed = PrintedText();
    EXPECT_TRUE(printed.contains("Leistungsbilanz")) << printed.toStdString();
    EXPECT_FALSE(printed.contains(kHelpPictureTitle)) << printed.toStdString();
}

// + typed with F5 zooms the new drawing in once about the centre of the
// sheet's inset viewport 1..639 x 1..479: R(638 / 1.2) = 532 and
// R(478 / 1.2) = 398 about (320, 240).
TEST_F(TypedBehindF5Test, APlusZoomsTheNewDrawing) {
    PostKey(Qt::Key_Plus);
    PressF5();
    EXPECT_TRUE(Holds("Leistungsbilanz"));
    EXPECT_EQ(ZoomRect, (ZoomRectangle{54, 41, 586, 439}));
    EXPECT_EQ(LastKeyChar, '+');
}

// A help picture chosen right behind F5 is what stays in view: the drawing
// F5 makes comes first and the help picture replaces it.
TEST_F(TypedBehindF5Test, AHelpPictureChosenStays) {
    QMetaObject::invokeMethod(
        window.get(), [] { ShowHelpPictureNamed("plotter"); }, Qt::QueuedConnection);
    PressF5();
    EXPECT_TRUE(Holds("Plotprogramm: Ausgabe auf Plotter"));
    EXPECT_FALSE(Holds("Leistungsbilanz"));
    EXPECT_FALSE(Holds(kHelpPictureTitle));
}

}  // namespace
}  // namespace veldrim
