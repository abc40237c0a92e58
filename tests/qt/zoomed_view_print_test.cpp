// A zoomed view printed into a PDF: the page turns as the 4:3 view is and
// shows exactly what the view shows; drawing that lies outside the view is
// not printed, whatever the shape of the zoomed rectangle.
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "foundation/program_state.h"
#include "graphics/graphics_defaults.h"
#include "graphics/qt/graphics_view.h"
#include "qt/qt_test_support.h"

namespace veldrim {
namespace {

class ZoomedViewPrintTest : public test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        SetGraphicsWindow(&window);
        // Black on white on the screen as on the monochrome page.
        colourGraphics = false;
        // One world unit per device pixel on the 640 x 480 device, equal
        // scales in x and y as on a drawing sheet.
        window.SetWindow(1, 0, 0, 0, 1, 1, 0, 0, 640, 480);
        window.SetColor(1);
        window.Rectangle(20, 20, 620, 460);
        window.circle(320, 240, 150);
        window.line(20, 20, 620, 460);
        window.SetTextStyle(0, 0, 3, 3);
        window.OutTextXY(250, 200, "drinnen");
        // Zoomed to the tall rectangle 200..300 x 100..300 below, the view
        // shows world x from 200 to 200 + 640 / 2.4 and y from 100 to 300
        // at 2.4 pixels per unit: "eta" starts at pixel 650, just right of
        // the view, and "unten" at pixel row 500, just below it.
        window.OutTextXY(200 + 650 / 2.4L, 200, "eta");
        window.OutTextXY(220, 100 - 20 / 2.4L, "unten");
        // Texts for the zooms below (about 2.6 units a letter, 4.8 units
        // high): inside and outside each zoom's view, and across its right
        // edge.
        const std::tuple<Real, Real, const char*> texts[] = {
            {420, 200, "rechts"},   {130, 200, "links"},      {300, 420, "oben"},
            {300, 120, "tief"},     {432, 220, "ost"},        {220, 220, "west"},
            {452, 150, "Randtext"}, {525, 450, "Kantentext"}, {440, 250, "Saumtext"},
        };
        for (const auto& [x, y, text] : texts) window.OutTextXY(x, y, text);
        view.resize(641, 481);
    }
    void TearDown() override {
        SetGraphicsWindow(nullptr);
        QtFixture::TearDown();
    }
    static QString Run(const QString& program, const QStringList& args) {
        return test::OutsideOutput(program, args);
    }
    // The PDF of the view; its page size in points and its text.
    void Print(double& width, double& height, QString& text) {
        const std::string pdf = dir.filePath("view.pdf").toStdString();
        ASSERT_TRUE(PrintGraphicsWindowToPdf(window, pdf));
        const QString info = Run("pdfinfo", {QString::fromStdString(pdf)});
        const auto m = QRegularExpression(R"(Page size:\s+([0-9.]+) x ([0-9.]+) pts)").match(info);
        ASSERT_TRUE(m.hasMatch()) << info.toStdString();
        width = m.captured(1).toDouble();
        height = m.captured(2).toDouble();
        text = Run("pdftotext", {QString::fromStdString(pdf), "-"});
    }
    // The words of the PDF of the view, sorted.
    QStringList PrintedWords() {
        double width = 0, height = 0;
        QString text;
        Print(width, height, text);
        QStringList words = text.split(QRegularExpression(R"(\s+)"), Qt::SkipEmptyParts);
        words.sort();
        return words;
    }
    // The device window as the view on screen shows it.
    QImage Screen() {
        view.Render();
        return view.grab().toImage().copy(0, 0, 640, 480);
    }
    // The printed page of view.pdf at the screen's scale from the top-left
    // corner of the view on it: the device window (640 x 480) and the rest
    // of the page's paint area to its right. The view is the largest 4:3
    // rectangle in the paint area, at its top-left corner: on a landscape
    // A4 page it takes the paint area's whole height.
    QImage PrintedPage() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Landscape);
        const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Point);
        const double dpi = 640 * 72 / (paint.height() * 4 / 3);
        const auto px = [dpi](double points) { return QString::number(qRound(points * dpi / 72)); };
        Run("pdftoppm",
            {"-r", QString::number(dpi, 'f', 4), "-x", px(paint.left()), "-y", px(paint.top()),
             "-W", px(paint.width()), "-H", "480", "-aa", "no", "-aaVector", "no", "-png",
             "-singlefile", dir.filePath("view.pdf"), dir.filePath("page")});
        return QImage(dir.filePath("page.png"));
    }
    // Ink pixels of `a` (in its rectangle `area`) that have no ink of `b`
    // within two pixels: letters and lines drawn at another place or scale,
    // not the antialiasing of a letter drawn at a slightly other size.
    static int InkWithoutCounterpart(const QImage& a, const QImage& b, QRect area) {
        const auto ink = [](const QImage& img, int x, int y) {
            return img.valid(x, y) && qGray(img.pixel(x, y)) < 128;
        };
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                if (!ink(a, x, y)) continue;
                bool near = false;
                for (int dy = -2; dy <= 2 && !near; ++dy)
                    for (int dx = -2; dx <= 2 && !near; ++dx) near = ink(b, x + dx, y + dy);
                n += !near;
            }
        return n;
    }
    QtGraphicsWindow window;
    GraphicsView view{window};
    QTemporaryDir dir;
};

TEST_F(ZoomedViewPrintTest, ATallZoomPrintsTheViewOnALandscapePageAndNothingBeyondIt) {
    window.SetScale(200, 100, 300, 300);
    double width = 0, height = 0;
    QString text;
    Print(width, height, text);
    // A4 turned: 297 mm x 210 mm.
    EXPECT_NEAR(width, 841.89, 1);
    EXPECT_NEAR(height, 595.28, 1);
    EXPECT_TRUE(text.contains("drinnen")) << text.toStdString();
    EXPECT_FALSE(text.contains("eta")) << text.toStdString();
    EXPECT_FALSE(text.contains("unten")) << text.toStdString();
}

// Unzoomed, the whole sheet prints as the view shows it: every text.
TEST_F(ZoomedViewPrintTest, TheWholeSheetPrintsEverythingItShows) {
    double width = 0, height = 0;
    QString text;
    Print(width, height, text);
    EXPECT_NEAR(width, 841.89, 1);
    EXPECT_NEAR(height, 595.28, 1);
    for (const char* shown : {"drinnen", "eta", "unten"})
        EXPECT_TRUE(text.contains(shown)) << shown << " in " << text.toStdString();
}

// With equal scales the view of a zoom that is not 4:3 takes the smaller of
// its two scales and keeps the zoom's bottom-left corner: it shows the 4:3
// window that starts there. Tall (200, 100, 300, 300): 640 / 100 and 480 /
// 200 pixels a unit, 2.4 kept, x up to 200 + 640 / 2.4 = 466.7. Wide (100,
// 200, 540, 260): 640 / 440 = 1.45 and 480 / 60, 1.45 kept, y up to 200 +
// 480 / 1.45 = 530. Square (240, 140, 400, 300): 640 / 160 and 480 / 160,
// 3 kept, x up to 240 + 640 / 3 = 453.3. Each case names a text inside that window but
// beyond the zoom, one outside it but inside the 4:3 window centred on the
// zoom, and one across its right edge, whose first letters are shown.
TEST_F(ZoomedViewPrintTest, EveryZoomPrintsTheWindowTheScreenShows) {
    struct Case {
        const char* name;
        ZoomRectangle zoom, shown;
        const char* beyondZoom;
        const char* besideView;
        const char* acrossEdge;
    };
    const Case cases[] = {
        {"tall", {200, 100, 300, 300}, {200, 100, 466, 300}, "rechts", "links", "Rand"},
        {"wide", {100, 200, 540, 260}, {100, 200, 540, 529}, "oben", "tief", "Kant"},
        {"square", {240, 140, 400, 300}, {240, 140, 453, 300}, "ost", "west", "Saum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.SetScale(c.shown.x1, c.shown.y1, c.shown.x2, c.shown.y2);
        const QImage shownScreen = Screen();
        const QStringList shownWords = PrintedWords();
        window.SetScale(c.zoom.x1, c.zoom.y1, c.zoom.x2, c.zoom.y2);
        const QImage screen = Screen();
        ASSERT_EQ(test::DifferentPixels(screen, shownScreen), 0) << "the screen shows the window";

        const QStringList words = PrintedWords();
        const std::string printed = words.join(' ').toStdString();
        EXPECT_EQ(printed, shownWords.join(' ').toStdString());
        EXPECT_TRUE(words.contains(c.beyondZoom)) << printed;
        EXPECT_FALSE(words.contains(c.besideView)) << printed;
        EXPECT_EQ(words.filter(QRegularExpression(QString("^") + c.acrossEdge)).size(), 1)
            << printed;

        const QImage page = PrintedPage();
        ASSERT_EQ(page.height(), 480);
        ASSERT_GT(page.width(), 650);
        const QRect device(0, 0, 640, 480);
        const int screenInk = InkWithoutCounterpart(screen, QImage(), device);
        EXPECT_LE(InkWithoutCounterpart(screen, page, device), screenInk / 50)
            << "of " << screenInk << " screen ink pixels";
        EXPECT_LE(InkWithoutCounterpart(page, screen, device), screenInk / 50)
            << "of " << screenInk << " screen ink pixels";
        // Beside the view the page stays white: a text across its edge is
        // cut off there, as on the screen.
        const QRect beside(642, 0, page.width() - 642, 480);
        EXPECT_EQ(InkWithoutCounterpart(page, QImage(), beside), 0) << "ink pixels beside the view";
    }
}

}  // namespace
}  // namespace veldrim
