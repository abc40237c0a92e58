// The window in archive mode ("/ARCHIV" on the command line): the data file
// is named by its name alone, and with the configuration option "Archive
// Flag ?" saving under a new name is refused; without the option the first
// such command ends archive mode.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <algorithm>
#include <filesystem>

#include "app/main_commands.h"
#include "app/startup.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/data_file_path.h"
#include "foundation/program_state.h"
#include "foundation/qt/text_viewer.h"
#include "qt/main_window_fixture.h"
#include "qt/qt_test_support.h"
#include "reports/report_channel.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

// The notice of a refused file command, as its code page 850 bytes.
const std::string kArchiveNotice =
    "File- und User- Befehle sind im Archivierungsmodus nicht m\x94glich.";

class WindowArchiveTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        gear = dir / "gear.qb3";
        fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", gear);
        ASSERT_TRUE(OpenDataSet(gear));
    }
    // The start-up's handling of these command-line switches.
    static void StartWith(const std::vector<std::string>& switches) {
        TakeCommandLineState(ParseCommandLine(switches));
    }
    // The lines of the screen report (Ausdruck Geometrie und Festigkeit).
    QStringList ScreenReport() {
        textDevice = kReportScreen;
        textDeviceWindow = false;
        window->Item("mi_viewausdruckgeometriefestigkeit")->trigger();
        QStringList lines;
        QList<QPointer<QWidget>> viewers;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = dynamic_cast<TForm_showtextfile*>(w)) {
                lines = v->Memo1->toPlainText().split('\n');
                viewers << w;
            }
        for (const QPointer<QWidget>& w : viewers) delete w.data();
        return lines;
    }
    // Speichern of the open set, changed: the texts of the messages it showed.
    std::vector<std::string> SaveChanged() {
        wormGear.a = 125;  // the demo set has 100
        modifiedFlag = true;
        ScriptedUi scripted;
        SetUi(&scripted);
        window->Item("mi_fileSave")->trigger();
        SetUi(&ui);
        std::vector<std::string> texts;
        for (const auto& call : scripted.CallsOf("message")) texts.push_back(call.text);
        return texts;
    }
    // The files of the data folder, by name.
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string gear;
};

// The header's data-file line of the paged report: the frame's sides in
// columns 1 and 70, the text from column 4, behind the 7-blank margin.
QString FramedLine(const QString& text) {
    return QString(7, ' ') + "*  " + text.leftJustified(66, ' ') + "*";
}

TEST_F(WindowArchiveTest, WithTheSwitchTheDataFileIsNamedAlone) {
    StartWith({"/Archiv"});
    EXPECT_EQ(CurrentDataFilePath(), "gear");
    const QStringList archived = ScreenReport();
    ASSERT_GT(archived.size(), 5);
    EXPECT_TRUE(archived.contains(FramedLine("gear")))
        << archived.mid(0, 6).join('\n').toStdString();

    StartWith({});
    EXPECT_EQ(CurrentDataFilePath(), gear);
    const QStringList plain = ScreenReport();
    EXPECT_TRUE(plain.contains(FramedLine(QString::fromStdString(gear))))
        << plain.mid(0, 6).join('\n').toStdString();
}

// With "Archive Flag ?" on, Save As and the export for the spur-gear program
// show the notice, ask for no name and write nothing.
TEST_F(WindowArchiveTest, WithTheLockOptionSavingUnderANewNameIsRefused) {
    StartWith({"/ARCHIV"});
    archiveModeLockOption = true;
    const std::vector<std::string> before = Files();
    for (const char* item : {"mi_fileSaveAs", "mi_fileExportWormRadial"}) {
        SCOPED_TRACE(item);
        ScriptedUi scripted;
        scripted.QueueText(dir / "other.qb3");  // would answer a save dialog
        SetUi(&scripted);
        window->Item(item)->trigger();
        SetUi(&ui);
        const auto messages = scripted.CallsOf("message");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, kArchiveNotice);
        EXPECT_TRUE(scripted.CallsOf("save").empty());
        EXPECT_EQ(Files(), before);
        EXPECT_TRUE(archiveModeFlag);
        EXPECT_EQ(currentFileName, "gear");
    }
}

// With "Archive Flag ?" on, Speichern under the archived file's own name is
// refused as Save As is: the notice, and the file stays as it was. The
// working file "aktuell" is still saved.
TEST_F(WindowArchiveTest, WithTheLockOptionSpeichernKeepsTheArchivedFile) {
    StartWith({"/ARCHIV"});
    archiveModeLockOption = true;
    const std::string archived = testing::Slurp(gear);
    EXPECT_EQ(SaveChanged(), std::vector<std::string>{kArchiveNotice});
    EXPECT_EQ(testing::Slurp(gear), archived);
    EXPECT_TRUE(modifiedFlag) << "the change is still unsaved";
    EXPECT_TRUE(archiveModeFlag);

    const std::string working = dir / "aktuell.qb3";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", working);
    ASSERT_TRUE(OpenDataSet(working));
    EXPECT_EQ(SaveChanged(), std::vector<std::string>{});
    EXPECT_FALSE(modifiedFlag);
    ASSERT_TRUE(ReadDataFile(working));
    EXPECT_EQ(wormGear.a, 125);
}

// The working file is the set named "aktuell" and no other: a set whose name
// only holds the word is refused under the lock like any archived set.
TEST_F(WindowArchiveTest, WithTheLockOptionOnlyTheSetNamedAktuellIsSaved) {
    StartWith({"/ARCHIV"});
    archiveModeLockOption = true;
    for (const char* name : {"aktuell-2025", "altaktuell", "aktuell_alt"}) {
        SCOPED_TRACE(name);
        const std::string file = dir / (std::string(name) + ".qb3");
        fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", file);
        ASSERT_TRUE(OpenDataSet(file));
        const std::string archived = testing::Slurp(file);
        EXPECT_EQ(SaveChanged(), std::vector<std::string>{kArchiveNotice});
        EXPECT_EQ(testing::Slurp(file), archived);
        EXPECT_TRUE(modifiedFlag);
    }
}

TEST_F(WindowArchiveTest, WithoutTheLockOptionSaveAsSavesAndEndsArchiveMode) {
    StartWith({"/ARCHIV"});
    archiveModeLockOption = false;
    ScriptedUi scripted;
    scripted.QueueText(dir / "other.qb3");
    SetUi(&scripted);
    window->Item("mi_fileSaveAs")->trigger();
    SetUi(&ui);
    EXPECT_TRUE(scripted.CallsOf("message").empty());
    EXPECT_TRUE(fs::exists(dir / "other.qb3"));
    EXPECT_FALSE(archiveModeFlag);
    EXPECT_EQ(CurrentDataFilePath(), dir / "other.qb3");
}

}  // namespace
}  // namespace veldrim
