// The main window's commands without the window: the save prompt, opening and
// saving data sets, and where the program finds its data files.
#include "app/main_commands.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/app_state.h"
#include "app/config_file.h"
#include "app/data_file_sections.h"
#include "app/startup.h"
#include "app/app_test_support.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

using MainCommands = testing::GearSessionTest;

TEST_F(MainCommands, DataFolderBesideTheProgramComesFirstThenTheShareFolder) {
    const fs::path prefix = fs::path(dir) / "prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "veldrim");
    veldrim::testing::Spit((prefix / "bin" / "veldrim").string(), "");
    veldrim::testing::Spit((prefix / "share" / "veldrim" / "veldrim.hlp").string(), "1000\r\n");
    const std::string program = (prefix / "bin" / "veldrim").string();
    EXPECT_EQ(FindDataFolder(program), (prefix / "share" / "veldrim").string());
    fs::create_directories(prefix / "bin" / "data");
    veldrim::testing::Spit((prefix / "bin" / "data" / "veldrim.hlp").string(), "1000\r\n");
    EXPECT_EQ(FindDataFolder(program), (prefix / "bin" / "data").string());
}

TEST_F(MainCommands, HelpDirectoryMovesToTheDataFolderOnlyWithoutHelpFile) {
    helpDirectory = dir;
    UseDataFolder("/somewhere/data");
    EXPECT_EQ(helpDirectory, "/somewhere/data");
    helpDirectory = dir;
    veldrim::testing::Spit(dir + "/veldrim.hlp", "1000\r\n");
    UseDataFolder("/somewhere/data");
    EXPECT_EQ(helpDirectory, dir);
}

TEST_F(MainCommands, TableFolderMovesToTheDataFolderOnlyWhenUnsetAndWithoutTables) {
    // The program runs in a folder of its own; the shipped tables lie elsewhere.
    const fs::path data = fs::path(dir) / "data";
    const fs::path work = fs::path(dir) / "work";
    fs::create_directories(data);
    fs::create_directories(work);
    veldrim::testing::Spit((data / "vovuzi.dbf").string(), "");
    const fs::path before = fs::current_path();
    fs::current_path(work);
    struct Case {
        std::string setting;  // the configured table folder
        bool tablesHere;      // the current folder holds a material table
        std::string expected;
    };
    const std::string configured = dir + "/tables";
    const Case cases[] = {
        {"", false, data.string()}, {"", true, ""}, {configured, false, configured}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting + (c.tablesHere ? " with tables" : ""));
        fs::remove(work / "vovuzi.dbf");
        if (c.tablesHere) veldrim::testing::Spit((work / "vovuzi.dbf").string(), "");
        databaseDirectory = c.setting;
        UseDataFolder(data.string());
        EXPECT_EQ(databaseDirectory, c.expected);
    }
    // A data folder without tables changes nothing.
    fs::remove(work / "vovuzi.dbf");
    databaseDirectory.clear();
    UseDataFolder(work.string());
    EXPECT_EQ(databaseDirectory, "");
    fs::current_path(before);
}

TEST_F(MainCommands, SavePromptAsksOnlyForChangedData) {
    modifiedFlag = false;
    EXPECT_TRUE(SavePrompt());
    EXPECT_TRUE(ui.CallsOf("ask").empty());

    modifiedFlag = true;
    ui.QueueAnswer(Answer::Cancel);
    EXPECT_FALSE(SavePrompt());
    ui.QueueAnswer(Answer::No);
    EXPECT_TRUE(SavePrompt());
    EXPECT_TRUE(modifiedFlag) << "declined: nothing saved";

    // Yes saves under the current name and clears the flag.
    currentFileName = "gear";
    ui.QueueAnswer(Answer::Yes);
    EXPECT_TRUE(SavePrompt());
    EXPECT_FALSE(modifiedFlag);
    EXPECT_TRUE(fs::exists(dir + "/gear.qb3"));
    EXPECT_EQ(recentFilesList[0], dir + "/gear.qb3");
    EXPECT_EQ(ui.CallsOf("ask").size(), 3u);
}

TEST_F(MainCommands, OpenTakesTheFileAsCurrentAndADamagedFileChangesNothing) {
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", dir + "/demo.qb3");
    modifiedFlag = true;
    ASSERT_TRUE(OpenDataSet(dir + "/demo.qb3"));
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_FALSE(modifiedFlag);
    EXPECT_EQ(recentFilesList[0], dir + "/demo.qb3");
    EXPECT_EQ(MainWindowTitle(), windowTitle + "  -  demo.qb3");

    veldrim::testing::Spit(dir + "/short.qb3", "nur eine Zeile\r\n");
    EXPECT_FALSE(OpenDataSet(dir + "/short.qb3"));
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_EQ(recentFilesList[0], dir + "/demo.qb3");
}

// A name with umlauts, as the save dialog gives it (the bytes of the name on
// disk, UTF-8), is the file's name on disk, survives the recent-files list of
// the session file (a code page 850 text) and opens again; the window title
// shows it as its code page 850 text.
// The shipped demo data set, opened (calculated) and saved unchanged, is
// written back byte for byte, apart from a line holding today's date.
TEST_F(MainCommands, TheDemoSetSavedUnchangedIsWrittenAsShipped) {
    const std::string shipped = std::string(VELDRIM_DATA_DIR) + "/demo.qb3";
    const std::string copy = dir + "/demo.qb3";
    fs::copy_file(shipped, copy);
    ASSERT_TRUE(OpenDataSet(copy));
    modifiedFlag = false;
    SaveDataSet();
    ASSERT_FALSE(cancelFlag);
    if (std::getenv("VELDRIM_REGENERATE_DEMO"))
        fs::copy_file(copy, shipped, fs::copy_options::overwrite_existing);
    const auto linesOf = [](const std::string& text) {
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    };
    const std::string before = veldrim::testing::Slurp(shipped);
    const std::string after = veldrim::testing::Slurp(copy);
    const auto a = linesOf(before), b = linesOf(after);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        // A date (dd.mm.yyyy or yyyy-mm-dd) may differ, nothing else.
        const bool date = std::count(a[i].begin(), a[i].end(), '.') == 2 ||
                          std::count(a[i].begin(), a[i].end(), '-') == 2;
        EXPECT_TRUE(date) << "line " << i + 1 << ": shipped '" << a[i] << "', saved '" << b[i]
                          << "'";
    }
}

// Speichern of a set holding a value the file could not give back (a power
// typed as 1e400) writes nothing: the message names the field, the opened
// file keeps its bytes and the set stays unsaved. Put right, it saves and the
// file opens again.
TEST_F(MainCommands, SpeichernKeepsTheFileWhenAValueWouldNotReadBack) {
    const std::string path = dir + "/gear.qb3";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", path);
    ASSERT_TRUE(OpenDataSet(path));
    const std::string before = veldrim::testing::Slurp(path);
    gearPair.P = 1E400L;
    modifiedFlag = true;
    ui.calls.clear();
    SaveDataSet();
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(modifiedFlag);
    EXPECT_EQ(veldrim::testing::Slurp(path), before);
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_THAT(shown[0].text, ::testing::HasSubstr(" P[1] "));

    gearPair.P = 4.5L;
    SaveDataSet();
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(modifiedFlag);
    gearPair.P = 0;
    ASSERT_TRUE(OpenDataSet(path));
    EXPECT_EQ(gearPair.P, 4.5L);
}

TEST_F(MainCommands, AnUmlautFileNameSurvivesSaveRecentFilesAndOpen) {
    configurationDirectory = dir;
    const std::string path = dir + "/Getriebe-Größe.qb3";
    ui.QueueText(dir + "/Getriebe-Größe");
    SaveDataSetAs();
    ASSERT_FALSE(cancelFlag);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    EXPECT_EQ(std::count(names.begin(), names.end(), "Getriebe-Größe.qb3"), 1)
        << ::testing::PrintToString(names);
    EXPECT_EQ(currentFileName, "Getriebe-Größe");
    EXPECT_EQ(recentFilesList[0], path);
    EXPECT_EQ(MainWindowTitle(), windowTitle + "  -  Getriebe-Gr\x94\xE1\x65.qb3");

    ASSERT_TRUE(WriteSessionFile());
    EXPECT_EQ(veldrim::testing::Slurp(SessionFilePath()),
              dir + "\r\n" + dir + "/Getriebe-Gr\x94\xE1\x65.qb3\r\n\r\n\r\n\r\n");
    recentFilesList = {};
    dataDirectory.clear();
    ASSERT_TRUE(ReadSessionFile());
    EXPECT_EQ(recentFilesList[0], path);
    EXPECT_EQ(dataDirectory, dir);

    NewDataSet();
    EXPECT_EQ(currentFileName, "");
    ASSERT_TRUE(OpenDataSet(recentFilesList[0]));
    EXPECT_EQ(currentFileName, "Getriebe-Größe");
    NewDataSet();
    ui.QueueText(path);  // the open dialog's answer
    OpenDataSetWithDialog();
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(currentFileName, "Getriebe-Größe");
}

// "Getriebe-€Ł-Größe.qb3": code page 850 holds the umlauts but neither the
// euro sign nor the L with stroke. The session file keeps the name so that
// the recent file opens after a restart; its first lines stay code page 850.
TEST_F(MainCommands, ARecentFileOutsideCodePage850OpensAfterARestart) {
    configurationDirectory = dir;
    const std::string path = dir +
                             "/Getriebe-\xE2\x82\xAC\xC5\x81-Gr\xC3\xB6\xC3\x9F"
                             "e.qb3";
    ui.QueueText(dir +
                 "/Getriebe-\xE2\x82\xAC\xC5\x81-Gr\xC3\xB6\xC3\x9F"
                 "e");
    SaveDataSetAs();
    ASSERT_FALSE(cancelFlag);
    ASSERT_TRUE(fs::exists(path));
    ASSERT_EQ(recentFilesList[0], path);

    ASSERT_TRUE(WriteSessionFile());
    const std::string file = veldrim::testing::Slurp(SessionFilePath());
    EXPECT_THAT(file, ::testing::StartsWith(dir + "\r\n" + dir +
                                            "/Getriebe-?"
                                            "?-Gr\x94\xE1"
                                            "e.qb3\r\n\r\n\r\n\r\n"));
    // The restart: nothing of the list is left but the file.
    recentFilesList = {};
    dataDirectory.clear();
    NewDataSet();
    ASSERT_TRUE(ReadSessionFile());
    EXPECT_EQ(recentFilesList[0], path);
    EXPECT_EQ(recentFilesList[1], "");
    EXPECT_EQ(dataDirectory, dir);
    ui.calls.clear();
    ASSERT_TRUE(OpenDataSet(recentFilesList[0]));
    EXPECT_EQ(currentFileName,
              "Getriebe-\xE2\x82\xAC\xC5\x81-Gr\xC3\xB6\xC3\x9F"
              "e");
    EXPECT_EQ(ui.CallsOf("message").size(), 0u);
}

// A session file whose exact names no longer match its code page 850 lines
// (edited by hand, or by a program that knows only those lines) keeps the
// lines; one without the block reads as before.
TEST_F(MainCommands, SessionFileLinesWinOverExactNamesThatDoNotMatch) {
    configurationDirectory = dir;
    veldrim::testing::Spit(SessionFilePath(),
                           "/daten\r\n/daten/a.qb3\r\n/daten/b?.qb3\r\n"
                           "\r\n\r\nDateinamen UTF-8\r\n/daten\r\n"
                           "/daten/x.qb3\r\n/daten/b\xC5\x81.qb3\r\n\r\n\r\n");
    ASSERT_TRUE(ReadSessionFile());
    EXPECT_EQ(recentFilesList[0], "/daten/a.qb3");
    EXPECT_EQ(recentFilesList[1], "/daten/b\xC5\x81.qb3");
    veldrim::testing::Spit(SessionFilePath(),
                           "/daten\r\n/daten/Gr\x94\xE1"
                           "e.qb3\r\n");
    recentFilesList = {};
    ASSERT_TRUE(ReadSessionFile());
    EXPECT_EQ(recentFilesList[0],
              "/daten/Gr\xC3\xB6\xC3\x9F"
              "e.qb3");
    EXPECT_EQ(recentFilesList[1], "");
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// The system information box: each value after its label, the start folder
// whole on one line.
TEST(SystemInformation, LabelsEveryValueAndKeepsTheFolderOnOneLine) {
    const std::string keep = startDirectory;
    startDirectory = "/home/anna/gears/work";
    const std::string text = SystemInformationText();
    startDirectory = keep;
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 7u) << text;
    const char* labels[] = {"Programmversion: ", "Betriebssystem: ", "Rechner: ", "Prozessor: ",
                            "Arbeitsspeicher: ", "Festplatte: ",     "Ordner: "};
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].starts_with(labels[i])) << lines[i];
    EXPECT_EQ(lines[6], "Ordner: /home/anna/gears/work");
    EXPECT_TRUE(lines[4].ends_with("MB")) << lines[4];
    EXPECT_TRUE(lines[5].ends_with("GB")) << lines[5];
}

// A sequence of forms cancelled after it changed the set and switched the
// units puts everything back, messages included; one that changed nothing
// leaves the set unchanged and unmarked; one that changed it marks it.
TEST_F(MainCommands, FormSequenceRestoresOnCancelAndMarksOnlyAChange) {
    RunCalculation();
    AddMessage("Warnung: dm1/a > 0.5 !");
    const int messages = messageList.count;
    const GearPairRecord g = gearPair;
    const WormGearRecord w = wormGear;
    EXPECT_FALSE(FormSequence([] {
        gearPair.P = 7;
        wormGear.a = 1;
        unitSystem = 1;
        ClearMessages();
        cancelFlag = true;
    }));
    EXPECT_TRUE(gearPair == g);
    EXPECT_TRUE(wormGear == w);
    EXPECT_EQ(unitSystem, 0);
    ASSERT_EQ(messageList.count, messages);
    EXPECT_EQ(messageList.slot[static_cast<std::size_t>(messages)], "Warnung: dm1/a > 0.5 !");
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(modifiedFlag);

    EXPECT_TRUE(FormSequence([] {}));
    EXPECT_FALSE(modifiedFlag) << "nothing changed";
    EXPECT_TRUE(FormSequence([] { gearPair.P = 2; }));
    EXPECT_TRUE(modifiedFlag);
}

// The status bar's mark counts the messages by kind.
TEST_F(MainCommands, CalculationStatusCountsFatalErrorsAndWarnings) {
    ClearMessages();
    EXPECT_EQ(CalculationStatusText(), "");
    EXPECT_EQ(LastCalculationOutcome(), CalculationOutcome::Clean);
    AddMessage("Warnung: SH<1  (2)");
    AddMessage("Übersetzungsverhältnis !"_cp850);
    EXPECT_EQ(LastCalculationOutcome(), CalculationOutcome::Warnings);
    AddMessage("Fehler : SH < 1.0 !  DIN 3996:1998");
    EXPECT_EQ(LastCalculationOutcome(), CalculationOutcome::Errors);
    AddMessage("Fatal  : z2 = 0 !");
    EXPECT_EQ(LastCalculationOutcome(), CalculationOutcome::Fatal);
    EXPECT_EQ(CalculationStatusText(), "Berechnung: 1 Abbruch, 1 Fehler, 2 Warnungen (Strg+M)");
}

}  // namespace
}  // namespace veldrim
