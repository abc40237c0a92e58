// The main window with the files and pages a desktop user meets: a new data
// set, the modified mark of the title, the printed page, Qt's own dialogs in
// German, the folders the dialogs propose and where the program's own files go.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPrinter>
#include <QPointer>
#include <QTest>
#include <filesystem>

#include "app/app_state.h"
#include "app/data_file_sections.h"
#include "app/main_commands.h"
#include "app/qt/main_window.h"
#include "app/qt/window_start.h"
#include "app/startup.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/qt/qt_translations.h"
#include "foundation/qt/text_viewer.h"
#include "graphics/cad_output.h"
#include "qt/main_window_fixture.h"
#include "qt/qt_test_support.h"
#include "reports/report_channel.h"
#include "support/fault_calls.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object.
class EnvVar {
public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) before_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvVar() {
        if (before_)
            ::setenv(name_, before_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> before_;
};

class WindowFilesTest : public test::MainWindowFixture {
protected:
    std::string OpenDemo() {
        const std::string demo = dir / "demo.qb3";
        fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", demo);
        EXPECT_TRUE(OpenDataSet(demo));
        window->AfterCommand();
        return demo;
    }
    // A menu command whose questions and lists get the cancel answer (a
    // calculation may show its messages).
    void TriggerScripted(const char* item) {
        ScriptedUi scripted;
        SetUi(&scripted);
        window->Item(item)->trigger();
        SetUi(&ui);
    }
};

// File > Neu without the template "null": the program's default set (centre
// distance 80 mm, 3 and 29 teeth, so the ratio 29/3), calculated, without a
// name.
TEST_F(WindowFilesTest, NewWithoutTemplateGivesTheDefaultSetWithoutAName) {
    OpenDemo();
    ASSERT_EQ(wormGear.a, 100.0L);
    TriggerScripted("mi_fileNew");
    EXPECT_EQ(wormGear.a, 80.0L);
    EXPECT_NEAR(wormGear.u, 29.0L / 3.0L, 1E-12L);
    EXPECT_EQ(gearPair.z[1], 3);
    EXPECT_EQ(gearPair.z[2], 29);
    EXPECT_EQ(gearPair.materialName[2], "");
    EXPECT_EQ(currentFileName, "");
    EXPECT_FALSE(modifiedFlag);
    EXPECT_EQ(window->windowTitle(), "V E L D R I M    -    Software   V 1.0[*]");
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(WindowFilesTest, NewStartsFromTheNullTemplateWhenThereIsOne) {
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", dir / "null.qb3");
    TriggerScripted("mi_fileNew");
    EXPECT_EQ(wormGear.a, 100.0L) << "the template's centre distance";
    EXPECT_EQ(gearPair.z[2], 41);
    EXPECT_EQ(currentFileName, "");
}

// Datei > Öffnen of a data file whose first read fails (EIO): a real message
// box names the file and the reason, and the window stays on the set it
// showed, by its values, its name and its title.
TEST_F(WindowFilesTest, OpenOfAFileWhoseReadFailsKeepsTheSetAndSaysWhy) {
    OpenDemo();
    wormGear.a = 125;
    ASSERT_TRUE(WriteDataFile(dir / "gear.qb3"));
    wormGear.a = 100;
    test::ModalMessageUi opening;
    opening.QueueText(dir / "gear.qb3");
    SetUi(&opening);
    {
        veldrim::testing::FaultCalls fail(veldrim::testing::FaultCalls::kFailRead, 1, EIO);
        veldrim::testing::FaultCalls::ReadsOf("gear.qb3");
        window->Item("mi_fileOpen")->trigger();
    }
    SetUi(&ui);
    ASSERT_EQ(opening.CallsOf("message").size(), 1u);
    EXPECT_EQ(opening.closedByOk, 1);
    EXPECT_EQ(opening.CallsOf("message")[0].text,
              "Fehler beim Lesen von " + (dir / "gear.qb3") + ", Zeile 1 (Input/output error)");
    EXPECT_EQ(wormGear.a, 100.0L);
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_TRUE(window->windowTitle().endsWith("demo.qb3[*]"))
        << window->windowTitle().toStdString();
}

TEST_F(WindowFilesTest, TitleCarriesTheModifiedMark) {
    OpenDemo();
    EXPECT_TRUE(window->windowTitle().endsWith("demo.qb3[*]"))
        << window->windowTitle().toStdString();
    EXPECT_FALSE(window->isWindowModified());
    TriggerScripted("mi_calcDesign");
    ASSERT_TRUE(modifiedFlag);
    EXPECT_TRUE(window->isWindowModified());
    TriggerScripted("mi_fileSave");
    EXPECT_FALSE(window->isWindowModified());
}

// "Drucken" into a PDF: the A4 landscape sheet on a landscape page, its
// 297 x 210 frame in the same proportion on paper.
TEST_F(WindowFilesTest, PrintedPageIsLandscapeWithEqualScales) {
    DrawCurrentView();
    const std::string pdf = dir / "print.pdf";
    QPageLayout::Orientation offered = QPageLayout::Portrait;
    window->printDialog = [&](QPrinter& p) {
        offered = p.pageLayout().orientation();
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    window->Item("mi_filePrint")->trigger();
    EXPECT_EQ(offered, QPageLayout::Landscape);
    test::OutsideOutput("pdftoppm", {"-r", "30", "-png", "-singlefile", QString::fromStdString(pdf),
                                     QString::fromStdString(dir / "page")});
    QImage page(QString::fromStdString(dir / "page.png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height()) << "a landscape page";
    int left = page.width(), right = -1, top = page.height(), bottom = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 160) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GT(right, left);
    ASSERT_GT(bottom, top);
    // The frame is 297 x 210 mm: 1.414; a pixel of the outline either side.
    const double ratio = double(right - left + 1) / double(bottom - top + 1);
    EXPECT_NEAR(ratio, 297.0 / 210.0, 0.02);
}

TEST_F(WindowFilesTest, QtDialogsSpeakGermanWithTheProgramsLanguage) {
    ASSERT_TRUE(UseQtTranslations(1));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), QString::fromUtf8("&Öffnen"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
    ASSERT_TRUE(UseQtTranslations(2));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), "&Open");
}

TEST_F(WindowFilesTest, FirstOpenDialogProposesTheDocumentsFolder) {
    const EnvVar home("HOME", dir.path());
    const EnvVar config("XDG_CONFIG_HOME", dir / "config");
    fs::create_directories(dir / "Documents");
    dataDirectory = "TRAIN";
    UseDocumentsFolderWithoutDataFolder();
    EXPECT_EQ(dataDirectory, dir / "Documents");
    ScriptedUi scripted;
    SetUi(&scripted);
    window->Item("mi_fileOpen")->trigger();
    SetUi(&ui);
    const auto asked = scripted.CallsOf("open");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, dir / "Documents");
    // Without a documents folder the home folder; an existing folder stays.
    fs::remove(dir / "Documents");
    dataDirectory = "TRAIN";
    UseDocumentsFolderWithoutDataFolder();
    EXPECT_EQ(dataDirectory, dir.path());
    dataDirectory = VELDRIM_DATA_DIR;
    UseDocumentsFolderWithoutDataFolder();
    EXPECT_EQ(dataDirectory, VELDRIM_DATA_DIR);
}

// The report on screen: its scratch files go to the private folder while no
// user directory is set, not into the current folder; its PDF is proposed
// under the data file's name beside the data file.
TEST_F(WindowFilesTest, ReportFilesGoToThePrivateFolderAndItsPdfIsNamedAfterTheData) {
    const std::string demo = OpenDemo();
    const EnvVar cache("XDG_CACHE_HOME", dir / "cache");
    fs::create_directories(dir / "cache");
    fs::create_directories(dir / "cwd");
    const fs::path before = fs::current_path();
    fs::current_path(dir / "cwd");
    userDirectory.clear();
    textDevice = kReportScreen;
    textDeviceWindow = false;
    window->Item("mi_viewausdruckgeometriefestigkeit")->trigger();
    fs::current_path(before);
    EXPECT_TRUE(fs::is_empty(dir / "cwd"));
    EXPECT_TRUE(fs::exists(dir / "cache/veldrim/outwin.txt"));
    TForm_showtextfile* viewer = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = dynamic_cast<TForm_showtextfile*>(w)) viewer = v;
    ASSERT_NE(viewer, nullptr);
    ScriptedUi scripted;
    SetUi(&scripted);
    viewer->findChild<QAction*>("mi_dateiPdf")->trigger();
    SetUi(&ui);
    const auto asked = scripted.CallsOf("save");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, dir / "demo.pdf");
}

// A report that cannot be read on its way out says so in a message box,
// never taken for an empty file: the text printer whose set-up file TEXT.VRP
// fails to read (or is a folder) sends no job without its codes, the screen
// report copied to the clipboard whose read fails leaves the clipboard
// alone, and the display copy outwin.txt is not written over a file whose
// first lines fail to read (it may be a data file).
TEST_F(WindowFilesTest, AReportThatCannotBeReadForThePrinterOrTheClipboardSaysSo) {
    using testing::FaultCalls;
    OpenDemo();
    const std::string printer = dir / "lp";  // a stand-in for lp: leaves the job it got
    testing::Spit(printer, "#!/bin/sh\nfor last; do :; done\ncp \"$last\" \"$0.job\"\n");
    fs::permissions(printer, fs::perms::owner_all);
    textPrinterCommand = printer;
    textDeviceWindow = false;
    struct Case {
        const char* what;
        std::int16_t device;
        bool folder;         // a folder stands at TEXT.VRP
        const char* readOf;  // the file whose read fails, "" none
        std::string says;    // after "Fehler beim Lesen von " or the folder's name
    };
    const Case cases[] = {
        {"set-up codes", kReportTextPrinter, false, "TEXT.VRP", " (Input/output error)"},
        {"set-up folder", kReportTextPrinter, true, "", " ist ein Ordner und wird nicht gelesen !"},
        {"clipboard", kReportScreen, false, "$$$", " (Input/output error)"},
        {"display copy", kReportScreen, false, "outwin.txt", " (Input/output error)"},
    };
    const std::string outwin = dir / "outwin.txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        textDevice = c.device;
        const bool copy = std::string(c.readOf) == "outwin.txt";
        screenReportMode = copy ? 0 : 1;  // the copy: shown in the viewer
        if (copy) testing::Spit(outwin, "ein anderer Text\r\n");
        const fs::path setUp = fs::current_path() / "TEXT.VRP";
        if (c.device == kReportTextPrinter) {
            if (c.folder)
                fs::create_directory(setUp);
            else
                testing::Spit(setUp.string(), "\x1b@");
        }
        const auto report = [&](test::ModalMessageUi& boxes) {
            boxes.QueueAnswer(Answer::No);  // no pause after each page (text printer)
            SetUi(&boxes);
            window->Item("mi_viewausdruckgeometriefestigkeit")->trigger();
            SetUi(&ui);
        };
        // The file whose read fails, and which of its reads: the set-up file's
        // first; of the report, the first of the two reads that copy it to the
        // clipboard (its bytes, then the end of the file), the last two of its
        // reads.
        std::string readOf = c.readOf;
        long failing = 1;
        if (readOf == "$$$") {
            test::ModalMessageUi plain;
            report(plain);
            ASSERT_NE(plain.clipboard, "");
            readOf = fs::path(reportOutputName).filename().string();
            FaultCalls count;
            FaultCalls::ReadsOf(readOf);
            test::ModalMessageUi counted;
            report(counted);
            ASSERT_EQ(fs::path(reportOutputName).filename().string(), readOf);
            failing = FaultCalls::Reads() - 1;
        }
        test::ModalMessageUi boxes;
        {
            std::optional<FaultCalls> fail;
            if (!readOf.empty()) {
                fail.emplace(FaultCalls::kFailRead, failing, EIO);
                FaultCalls::ReadsOf(readOf);
            }
            report(boxes);
        }
        const auto shown = boxes.CallsOf("message");
        const std::string name = c.device == kReportTextPrinter ? "TEXT.VRP"
                                 : copy                         ? outwin
                                                                : reportOutputName;
        EXPECT_EQ(shown.size(), 1u);
        if (!shown.empty()) {
            EXPECT_EQ(shown[0].text,
                      (c.folder ? "Datei " + name : "Fehler beim Lesen von " + name) + c.says);
        }
        // The message's box ran, after the printer's question.
        EXPECT_EQ(boxes.closedByOk, c.device == kReportTextPrinter ? 2 : 1);
        EXPECT_EQ(boxes.clipboard, "");
        EXPECT_FALSE(fs::exists(printer + ".job"));
        if (copy) {
            EXPECT_EQ(testing::Slurp(outwin), "ein anderer Text\r\n");
        }
        fs::remove_all(setUp);
        fs::remove(printer + ".job");
    }
}

}  // namespace
}  // namespace veldrim
