// A zoomed view printed into a PDF: the page turns as the 4:3 view is and
// shows exactly what the view shows; drawing that lies outside the view is
// not printed, whatever the shape of the zoomed rectangle.
#include <QRegularExpression>
#include <QTemporaryDir>

#include "foundation/program_state.h"
#include "graphics/qt/graphics_view.h"
#include "qt/qt_test_support.h"

namespace veldrim {
namespace {

class ZoomedViewPrintTest : public test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        SetGraphicsWindow(&window);
        // One world unit per device pixel on the 640 x 480 device, equal
        // scales in x and y as on a drawing sheet.
        window.SetWindow(1, 0, 0, 0, 1, 1, 0, 0, 640, 480);
        window.SetColor(1);
        window.SetTextStyle(0, 0, 3, 3);
        window.OutTextXY(250, 200, "drinnen");
        // Zoomed to the tall rectangle 200..300 x 100..300 below, the view
        // shows world x from 200 to 200 + 640 / 2.4 and y from 100 to 300
        // at 2.4 pixels per unit: "eta" starts at pixel 650, just right of
        // the view, and "unten" at pixel row 500, just below it.
        window.OutTextXY(200 + 650 / 2.4L, 200, "eta");
        window.OutTextXY(220, 100 - 20 / 2.4L, "unten");
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
    TFveldgra window;
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

}  // namespace
}  // namespace veldrim
