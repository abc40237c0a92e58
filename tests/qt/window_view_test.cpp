// The main window's view of a drawing as the user works it: a drag after a
// double click, commands that were pending while a drawing was being made,
// and "Zeichnung neu" from the menu beside F5, its key.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

#include "app/main_commands.h"
#include "app/qt/settings_forms.h"
#include "foundation/program_state.h"
#include "graphics/display_list.h"
#include "graphics/recording_canvas.h"
#include "graphics/zoom_keys.h"
#include "qt/window_view_fixture.h"

namespace veldrim {
namespace {

class WindowViewTest : public test::WindowViewFixture {
protected:
    void Send(QEvent::Type type, QPoint at) {
        QMouseEvent e(type, QPointF(at), QPointF(at), QPointF(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    }
    void Drag(QPoint from, QPoint to) {
        Send(QEvent::MouseButtonPress, from);
        Send(QEvent::MouseMove, to);
        Send(QEvent::MouseButtonRelease, to);
    }
    // Runs `command` as a command that is pending when "Zeichnung neu"
    // starts: it is queued first, and the events run after the item.
    void PendingWhileTheDrawingStarts(const std::function<void()>& command) {
        bool ran = false;
        QMetaObject::invokeMethod(
            window.get(),
            [&] {
                command();
                ran = true;
            },
            Qt::QueuedConnection);
        window->Item("mi_viewzeichnung")->trigger();
        QCoreApplication::processEvents();
        ASSERT_TRUE(ran) << "the pending command ran";
    }
};

// The picture after a double click is the drawing as it was first shown; a
// rectangle dragged over it zooms to the same part as over a fresh drawing
// (from (100, 100) to (300, 250): the band's corners on the sheet with its
// kept aspect, y counted upward).
TEST_F(WindowViewTest, ADragAfterADoubleClickZoomsAsOnAFreshDrawing) {
    DrawCurrentView();
    Drag({100, 100}, {300, 250});
    const ZoomRectangle fresh = ZoomRect;
    EXPECT_EQ(fresh, (ZoomRectangle{100, 244, 300, 403}));

    DrawCurrentView();
    QTest::keyClick(view, Qt::Key_Plus);
    Send(QEvent::MouseButtonPress, {200, 200});
    Send(QEvent::MouseButtonRelease, {200, 200});
    Send(QEvent::MouseButtonDblClick, {200, 200});
    Send(QEvent::MouseButtonRelease, {200, 200});
    Drag({100, 100}, {300, 250});
    EXPECT_EQ(ZoomRect, fresh);
}

// Commands typed while "Zeichnung neu" is at work wait until its drawing is
// whole: the list then holds one drawing, never two or parts of two.
TEST_F(WindowViewTest, ACommandPendingWhileADrawingStartsWaitsForTheWholeDrawing) {
    DrawCurrentView();
    const std::size_t drawing = DisplayList.size();
    ASSERT_TRUE(Holds("Leistungsbilanz"));
    ShowHelpPictureNamed("diagramm");
    const std::size_t helpPicture = DisplayList.size();
    ASSERT_TRUE(Holds("Diagramm: Achsen, Teilung und Kurve"));

    {
        SCOPED_TRACE("F5");
        PendingWhileTheDrawingStarts([this] { window->Item("mi_viewzeichnung")->trigger(); });
        EXPECT_EQ(DisplayList.size(), drawing);
    }
    {
        SCOPED_TRACE("help picture");
        PendingWhileTheDrawingStarts([] { ShowHelpPictureNamed("diagramm"); });
        EXPECT_EQ(DisplayList.size(), helpPicture);
        EXPECT_FALSE(Holds("Leistungsbilanz")) << "no sheet under the help picture";
    }
    {
        SCOPED_TRACE("print to PDF");
        pdfUi.pdf = dir.path() + "/pending.pdf";
        PendingWhileTheDrawingStarts([this] { window->Item("mi_filePrintPdf")->trigger(); });
        EXPECT_EQ(DisplayList.size(), drawing);
        const QString printed = PrintedText();
        EXPECT_TRUE(printed.contains("VELDRIM")) << "the sheet: " << printed.toStdString();
        EXPECT_TRUE(printed.contains("Leistungsbilanz"))
            << "the diagram: " << printed.toStdString();
    }
}

// F5 and the print shortcut typed at once after a zoom: the Ctrl of the
// print shortcut (Ctrl, Shift) reach the view behind F5 and repeat the last key action,
// which F5 made the reset, so the PDF holds the whole sheet, not a zoomed
// part of it (its top-left title "VELDRIM", its bottom line "eta").
TEST_F(WindowViewTest, APrintTypedBehindF5PrintsTheWholeNewDrawing) {
    DrawCurrentView();
    QTest::keyClick(view, Qt::Key_Plus);
    pdfUi.pdf = dir.path() + "/typed.pdf";
    for (const Qt::Key key : {Qt::Key_Control, Qt::Key_Shift})
        QCoreApplication::postEvent(view, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QMetaObject::invokeMethod(
        window.get(), [this] { window->Item("mi_filePrintPdf")->trigger(); }, Qt::QueuedConnection);
    QTest::keyClick(view, Qt::Key_F5);
    QCoreApplication::processEvents();
    const QString printed = PrintedText();
    EXPECT_TRUE(printed.contains("VELDRIM")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("eta 77")) << printed.toStdString();
}

// F5 is a key of the graphics window; "Zeichnung neu" chosen from the menu is
// not. After F5 and +, the menu item draws, + stays the last key action, and
// the next key outside the window's keys zooms in once more instead of
// resetting the zoom.
TEST_F(WindowViewTest, ZeichnungNeuFromTheMenuIsNoKeyAction) {
    DrawCurrentView();
    QTest::keyClick(view, Qt::Key_F5);
    ASSERT_EQ(LastKeyScan, kScanReset);
    const ZoomRectangle reset = ZoomRect;
    QTest::keyClick(view, Qt::Key_Plus);
    ASSERT_LT(ZoomRect.x2 - ZoomRect.x1, reset.x2 - reset.x1) << "+ zooms in";

    ShowHelpPictureNamed("diagramm");
    window->Item("mi_viewzeichnung")->trigger();
    EXPECT_TRUE(Holds("Leistungsbilanz")) << "the item draws";
    EXPECT_EQ(LastKeyScan, kScanZoom);
    EXPECT_EQ(LastKeyChar, '+');
    const ZoomRectangle drawn = ZoomRect;
    QTest::keyClick(view, Qt::Key_A);
    EXPECT_LT(ZoomRect.x2 - ZoomRect.x1, drawn.x2 - drawn.x1) << "A repeats +";
    EXPECT_LT(ZoomRect.x2 - ZoomRect.x1, reset.x2 - reset.x1) << "no reset";
}

// "Drucken" and "Grafik als PDF" print what the screen shows of the sheet
// zoomed to a tall rectangle (280, 40, 360, 440). The sheet's 297 x 210 mm
// lie on the inset viewport of 638 x 478 pixels: the zoom's scales are
// 638 / (80 x 297 / 638) = 17.1 and 478 / (400 x 210 / 478) = 2.72 pixels a
// millimetre, 2.72 is kept, and the view shows units 280 to 280 + 638 x 638 /
// (297 x 2.72) = 783.9 across: the window (280, 40, 783, 440), the
// diagram's right side and the power balance, not the title "VELDRIM".
TEST_F(WindowViewTest, PrintCommandsPrintTheWindowATallZoomShows) {
    DrawCurrentView();
    const auto words = [this] {
        QStringList w = PrintedText().split(QRegularExpression(R"(\s+)"), Qt::SkipEmptyParts);
        w.sort();
        return w.join(' ').toStdString();
    };
    pdfUi.pdf = dir.path() + "/shown.pdf";
    window->SetScale(280, 40, 783, 440);
    window->Item("mi_filePrintPdf")->trigger();
    const std::string shown = words();
    ASSERT_NE(shown.find("Leistungsbilanz"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("VELDRIM"), std::string::npos) << shown;

    window->printDialog = [this](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(pdfUi.pdf));
        return true;
    };
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Grafik als PDF", [this] { window->Item("mi_filePrintPdf")->trigger(); }},
        {"Drucken", [this] { window->Item("mi_filePrint")->trigger(); }},
        {"the printer set-up's PDF",
         [this] {
             TForm_printconf form(*window);
             form.Button_pdfClick();
         }},
    };
    int printed = 0;
    for (const auto& [name, print] : commands) {
        pdfUi.pdf = dir.path() + "/print" + std::to_string(++printed) + ".pdf";
        window->SetScale(280, 40, 360, 440);
        print();
        EXPECT_EQ(words(), shown) << name;
    }
}

}  // namespace
}  // namespace veldrim
