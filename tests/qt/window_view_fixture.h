#pragma once
// The fixture of the tests of the main window's view as the user works it:
// the window shown with the view focused, help pictures from the plot files,
// and the PDF file of "Grafik als PDF" chosen in advance.

#include <QApplication>
#include <QTest>
#include <optional>
#include <string>

#include "graphics/display_list.h"
#include "graphics/formats/hpgl_reader.h"
#include "qt/main_window_fixture.h"

namespace veldrim::test {

// The Qt window services with the PDF file chosen in advance.
struct PdfChoiceUi : QtUi {
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return pdf;
    }
    std::string pdf;
};

class WindowViewFixture : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetUi(&pdfUi);
        InstallHpglHelpPictures();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::setActiveWindow(window.get());
        view = window->graphics();
        view->setFocus();
    }
    void TearDown() override {
        SetUi(&ui);
        MainWindowFixture::TearDown();
    }
    // True when a record of the display list holds the text.
    static bool Holds(const std::string& text) {
        for (const std::string& record : DisplayList)
            if (record.find(text) != std::string::npos) return true;
        return false;
    }
    // The text of the PDF file written last, as pdftotext reads it.
    QString PrintedText() const {
        return OutsideOutput("pdftotext", {QString::fromStdString(pdfUi.pdf), "-"});
    }
    PdfChoiceUi pdfUi;
    GraphicsView* view = nullptr;
};

}  // namespace veldrim::test
