// Saves from the main window that must not lose or replace a user's file: a
// Save As that was refused leaves the data set where it was, so the next
// Speichern writes the file that was opened; a set started from a file of
// another kind is saved as its data file only after the question; names are
// taken apart by one rule; and every command that writes a PDF or a workbook
// the user named gives a name without an extension its format's extension
// and asks before it replaces an existing file.
#include <QAction>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "app/main_commands.h"
#include "app/qt/window_start.h"
#include "app/startup.h"
#include "app/qt/settings_forms.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/help_texts.h"
#include "foundation/program_state.h"
#include "foundation/qt/text_viewer.h"
#include "qt/main_window_fixture.h"
#include "qt/qt_test_support.h"
#include "support/fault_calls.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::FaultCalls;
using testing::Slurp;
using testing::Spit;

// The program's question before a file is replaced, in code page 850.
std::string ReplaceQuestion(const std::string& path) {
    return path +
           " existiert bereits.   \x81"
           "berschreiben ?";
}

// The names in a folder, sorted, each followed by a blank.
std::string NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& n : names) joined += n + " ";
    return joined;
}

// The three commands that write a PDF the user names: "Grafik als PDF", the
// printer set-up's PDF button and the report viewer's "Als PDF speichern" (on
// a report of two lines at `report`), each by what it is called.
class PdfCommands {
public:
    PdfCommands(Thh& window, const std::string& report)
        : viewer_(Written(report), "Bericht"), printerSetup_(window) {
        list = {
            {"Grafik als PDF", [&window] { window.Item("mi_filePrintPdf")->trigger(); }},
            {"printer set-up", [this] { printerSetup_.Button_pdfClick(); }},
            {"report viewer", [this] { viewer_.findChild<QAction*>("mi_dateiPdf")->trigger(); }}};
    }
    std::vector<std::pair<const char*, std::function<void()>>> list;

private:
    static const std::string& Written(const std::string& report) {
        Spit(report, "Zeile 1\r\nZeile 2\r\n");
        return report;
    }
    TForm_showtextfile viewer_;
    TForm_printconf printerSetup_;
};

class WindowSavesTest : public test::MainWindowFixture {
protected:
    // A command played with the queued answers of `scripted`.
    void Play(const std::function<void()>& command, ScriptedUi& scripted) {
        SetUi(&scripted);
        command();
        SetUi(&ui);
    }
    // A menu command played with the queued answers of `scripted`.
    void Trigger(const char* item, ScriptedUi& scripted) {
        Play([this, item] { window->Item(item)->trigger(); }, scripted);
    }
    // The centre distance of the data file at path, as the program reads it.
    static Real CentreDistanceIn(const std::string& path) {
        const Real before = wormGear.a;
        EXPECT_TRUE(ReadDataFile(path)) << path;
        const Real read = wormGear.a;
        wormGear.a = before;
        return read;
    }
};

// daten/G.qb3 is opened and changed; kunde/ holds a G.qb3 of its own and the
// file anderes.qb3. A Save As into kunde/ is refused (the question answered
// "Nein", the folder without write rights, or the file not written); the
// next Speichern writes daten/G.qb3 and leaves kunde/ untouched.
TEST_F(WindowSavesTest, RefusedSaveAsLeavesTheNextSaveOnTheOpenedFile) {
    struct Case {
        const char* what;
        const char* typed;  // the name given in the save dialog, in kunde/
        std::function<void(ScriptedUi&)> answer;
        FaultCalls::Mode faults;
        long at;  // the changing file call that fails
        int err;
        std::string shown;  // the message of the refusal, when there is one to check
    };
    const Case cases[] = {
        {"answered Nein", "anderes.qb3", [](ScriptedUi& s) { s.QueueAnswer(Answer::No); },
         FaultCalls::kCount, 0, 0, ""},
        // The name check's probe file is refused as in a folder without
        // write rights.
        {"no write rights", "neu.qb3", [](ScriptedUi&) {}, FaultCalls::kFail, 1, EACCES,
         "In den Ordner \"" + (fs::path(dir.path()) / "no write rights/kunde").string() +
             "\" darf nicht geschrieben werden: kein Schreibrecht !"},
        // The name passes, then the disk is full: nothing was saved.
        {"not written", "neu.qb3", [](ScriptedUi&) {}, FaultCalls::kFullDisk, 3, ENOSPC, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path daten = fs::path(dir.path()) / c.what / "daten";
        const fs::path kunde = fs::path(dir.path()) / c.what / "kunde";
        fs::create_directories(daten);
        fs::create_directories(kunde);
        const std::string opened = daten / "G.qb3";
        fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", opened);
        Spit(kunde / "G.qb3", "die Datei des Kunden\r\n");
        Spit(kunde / "anderes.qb3", "ein anderer Satz\r\n");
        ASSERT_TRUE(OpenDataSet(opened));
        wormGear.a = 125;  // the demo set has 100
        modifiedFlag = true;

        {
            ScriptedUi scripted;
            scripted.QueueText((kunde / c.typed).string());
            c.answer(scripted);
            FaultCalls faults(c.faults, c.at, c.err);
            Trigger("mi_fileSaveAs", scripted);
            EXPECT_TRUE(cancelFlag);
            if (!c.shown.empty()) {
                const auto messages = scripted.CallsOf("message");
                ASSERT_EQ(messages.size(), 1u);
                EXPECT_EQ(messages[0].text, c.shown);
            }
        }
        EXPECT_FALSE(fs::exists(kunde / "neu.qb3"));
        EXPECT_EQ(dataDirectory, daten.string());
        EXPECT_EQ(currentFileName, "G");
        EXPECT_TRUE(modifiedFlag);

        ScriptedUi saving;
        Trigger("mi_fileSave", saving);
        EXPECT_TRUE(saving.CallsOf("message").empty());
        EXPECT_TRUE(saving.CallsOf("ask").empty()) << "the opened file is saved without a question";
        EXPECT_EQ(Slurp(kunde / "G.qb3"), "die Datei des Kunden\r\n");
        EXPECT_EQ(Slurp(kunde / "anderes.qb3"), "ein anderer Satz\r\n");
        EXPECT_EQ(CentreDistanceIn(opened), 125);
        EXPECT_FALSE(modifiedFlag);
        EXPECT_TRUE(window->windowTitle().endsWith("G.qb3[*]"))
            << window->windowTitle().toStdString();
    }
}

// The window the start-up runner below opens on the data set, and the
// answers it plays.
Thh* startedWindow = nullptr;
ScriptedUi* startedAnswers = nullptr;

// The window's start on the file of the command line: the user changes the
// centre distance and presses Speichern.
int StartAndSave(const CommandLine& cl, const std::string&) {
    TakeStartDataFile(cl);
    startedWindow->AfterCommand();
    wormGear.a = 125;  // the demo set has 100
    modifiedFlag = true;
    SetUi(startedAnswers);
    startedWindow->Item("mi_fileSave")->trigger();
    return kExitOk;
}

// `veldrim <file>`, a change and Speichern. The set's own file is written
// without a question, a data file named in other letters (G.QB3) included,
// also where the command line named it in other letters than the disk;
// a set started from a file of another kind or without an extension is saved
// as <name>.qb3, and an existing file there is asked about first: Nein and
// Abbrechen write nothing and leave the set changed.
TEST_F(WindowSavesTest, SpeichernAfterTheStartWritesTheSetsFileOrAsksFirst) {
    const std::string other = "ein anderer Satz\r\n";
    struct Case {
        const char* what;
        const char* started;           // the file named on the command line
        const char* beside;            // another file in the folder, "" none
        std::optional<Answer> answer;  // to the replace question, when it is asked
        const char* savedTo;           // the file holding the changed set, "" none
        const char* named;             // the file the title and the recent list name
        const char* folder;            // what the folder holds afterwards
        const char* typed = nullptr;   // the name as typed, when in other letters than `started`
    };
    const Case cases[] = {
        {"bak Nein", "gear.bak", "gear.qb3", Answer::No, "", "gear.bak", "gear.bak gear.qb3 "},
        {"bak Abbrechen", "gear.bak", "gear.qb3", Answer::Cancel, "", "gear.bak",
         "gear.bak gear.qb3 "},
        {"bak Ja", "gear.bak", "gear.qb3", Answer::Yes, "gear.qb3", "gear.qb3",
         "gear.bak gear.qb3 "},
        {"QB3", "G.QB3", "", std::nullopt, "G.QB3", "G.QB3", "G.QB3 "},
        {"QB3 beside qb3", "G.QB3", "G.qb3", std::nullopt, "G.QB3", "G.QB3", "G.QB3 G.qb3 "},
        // G.QB3 typed as g.qb3 is the file on disk: no g.qb3 appears.
        {"QB3 typed", "G.QB3", "", std::nullopt, "G.QB3", "G.QB3", "G.QB3 ", "g.qb3"},
        {"none", "gear", "", std::nullopt, "gear.qb3", "gear.qb3", "gear gear.qb3 "},
        {"none Nein", "gear", "gear.qb3", Answer::No, "", "gear", "gear gear.qb3 "},
        // The working set's file is another set's here too.
        {"aktuell.alt Nein", "aktuell.alt", "aktuell.qb3", Answer::No, "", "aktuell.alt",
         "aktuell.alt aktuell.qb3 "},
    };
    const std::string demo = Slurp(fs::path(VELDRIM_DATA_DIR) / "demo.qb3");
    configurationDirectory = dir.path();  // no configuration or session of the user's
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = fs::path(dir.path()) / c.what;
        fs::create_directories(folder);
        const std::string started = folder / c.started;
        Spit(started, demo);
        if (*c.beside) Spit(folder / c.beside, other);

        // The question runs a real modal box, as in the window.
        test::ModalMessageUi answers;
        if (c.answer) answers.QueueAnswer(*c.answer);
        startedWindow = window.get();
        startedAnswers = &answers;
        windowRunner = &StartAndSave;
        const std::string typed = c.typed ? (folder / c.typed).string() : started;
        const char* args[] = {"veldrim", typed.c_str()};
        const int status = RunProgram(2, args);
        windowRunner = nullptr;
        SetUi(&ui);
        EXPECT_EQ(status, kExitOk);

        const auto asked = answers.CallsOf("ask");
        if (c.answer) {
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].text, ReplaceQuestion(folder / c.beside));
            EXPECT_EQ(answers.closedByOk, 1) << "the question's box ran";
        } else {
            EXPECT_TRUE(asked.empty()) << asked[0].text;
        }
        EXPECT_TRUE(answers.CallsOf("message").empty()) << answers.CallsOf("message")[0].text;
        EXPECT_EQ(NamesIn(folder), c.folder);
        if (*c.savedTo) {
            EXPECT_EQ(CentreDistanceIn(folder / c.savedTo), 125);
        }
        if (std::string(c.savedTo) != c.started) {
            EXPECT_EQ(Slurp(started), demo);
        }
        if (*c.beside && std::string(c.savedTo) != c.beside) {
            EXPECT_EQ(Slurp(folder / c.beside), other);
        }
        EXPECT_EQ(modifiedFlag, !*c.savedTo);
        EXPECT_TRUE(window->windowTitle().endsWith(QString(c.named) + "[*]"))
            << window->windowTitle().toStdString();
        EXPECT_EQ(recentFilesList[0], (folder / c.named).string());
    }
}

// Öffnen, Save As, Speichern and the title take a name apart by one rule: the
// extension is what follows the last dot, so ".qb3" is the data file of a set
// with an empty name, and "." typed in Save As is that file too; the data
// file's extension in other letters is that extension, so Save As onto an
// existing G.QB3 asks about it and writes it, not a second file G.qb3.
// Speichern after each writes the same file again; no ".qb3.qb3" appears.
TEST_F(WindowSavesTest, NamesBeginningWithADotAreSavedWhereTheyWereOpened) {
    struct Case {
        const char* what;
        const char* opened;   // the file opened first
        const char* savedAs;  // the name typed in Save As, "" none
        bool existing;        // the typed file is there: asked about, answered "Ja"
        const char* file;     // the file Save As and Speichern write
        const char* name;     // the set's name
        const char* folder;   // what the folder holds afterwards
    };
    const Case cases[] = {
        {"Oeffnen .qb3", ".qb3", "", false, ".qb3", "", ".qb3 "},
        {"Oeffnen teil.v2.qb3", "teil.v2.qb3", "", false, "teil.v2.qb3", "teil.v2", "teil.v2.qb3 "},
        {"Save As .qb3", "G.qb3", ".qb3", false, ".qb3", "", ".qb3 G.qb3 "},
        {"Save As .", "G.qb3", ".", false, ".qb3", "", ".qb3 G.qb3 "},
        {"Save As G.QB3", "teil.qb3", "G.QB3", true, "G.QB3", "G", "G.QB3 teil.qb3 "},
    };
    const std::string demo = Slurp(fs::path(VELDRIM_DATA_DIR) / "demo.qb3");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = fs::path(dir.path()) / c.what;
        fs::create_directories(folder);
        Spit(folder / c.opened, demo);

        ScriptedUi opening;
        opening.QueueText((folder / c.opened).string());
        Trigger("mi_fileOpen", opening);
        wormGear.a = 125;
        modifiedFlag = true;
        if (*c.savedAs) {
            ScriptedUi savingAs;
            savingAs.QueueText((folder / c.savedAs).string());
            if (c.existing) {
                Spit(folder / c.savedAs, "ein anderer Satz\r\n");
                savingAs.QueueAnswer(Answer::Yes);
            }
            Trigger("mi_fileSaveAs", savingAs);
            const auto asked = savingAs.CallsOf("ask");
            ASSERT_EQ(asked.size(), c.existing ? 1u : 0u);
            if (c.existing) {
                EXPECT_EQ(asked[0].text, ReplaceQuestion(folder / c.savedAs));
            }
            EXPECT_TRUE(savingAs.CallsOf("message").empty()) << savingAs.CallsOf("message")[0].text;
            EXPECT_EQ(CentreDistanceIn(folder / c.file), 125);
        }
        wormGear.a = 130;
        modifiedFlag = true;
        ScriptedUi saving;
        Trigger("mi_fileSave", saving);
        EXPECT_TRUE(saving.CallsOf("ask").empty()) << saving.CallsOf("ask")[0].text;
        EXPECT_EQ(CentreDistanceIn(folder / c.file), 130);
        EXPECT_EQ(NamesIn(folder), c.folder);
        EXPECT_EQ(currentFileName, c.name);
        EXPECT_TRUE(window->windowTitle().endsWith(QString(c.file) + "[*]"))
            << window->windowTitle().toStdString();
    }
}

// "Grafik als PDF", the printer set-up's PDF button, the report viewer's
// "Als PDF speichern" and "Ausdruck nach Tabellenkalkulation" with a name
// typed without an extension write the file under the name with their
// format's extension (".pdf", ".xlsx"), as the set "teil.v2" typed as
// proposed; a name with its own extension is written as typed. Typed again,
// the file now at the name is asked about, and "Nein" keeps it.
TEST_F(WindowSavesTest, SavesGiveANameWithoutExtensionTheirFormats) {
    const std::string report = dir / "bericht.txt";
    Spit(report, "Zeile 1\r\nZeile 2\r\n");
    TForm_showtextfile viewer(report, "Bericht");
    TForm_printconf printerSetup(*window);
    struct Command {
        const char* what;
        std::function<void()> run;
        const char* ext;       // the format's extension
        const char* upper;     // the same in capitals
        const char* begins;    // the first bytes of the format
        bool opensIt = false;  // a program is started on the file written
    };
    const std::string pdf = "%PDF-", zip("PK\x03\x04", 4);
    const Command commands[] = {
        {"Grafik als PDF", [&] { window->Item("mi_filePrintPdf")->trigger(); }, "pdf", "PDF",
         pdf.c_str()},
        {"printer set-up", [&] { printerSetup.Button_pdfClick(); }, "pdf", "PDF", pdf.c_str()},
        {"report viewer", [&] { viewer.findChild<QAction*>("mi_dateiPdf")->trigger(); }, "pdf",
         "PDF", pdf.c_str()},
        {"workbook", [&] { window->Item("mi_olePrintoutExcel")->trigger(); }, "xlsx", "XLSX",
         zip.c_str(), true},
    };
    currentFileName = "teil.v2";
    for (const Command& c : commands) {
        const fs::path folder = fs::path(dir.path()) / c.what;
        fs::create_directory(folder);
        const std::string ext = c.ext, upper = c.upper;
        const std::pair<std::string, std::string> names[] = {{"bild", "bild." + ext},
                                                             {"teil.v2", "teil.v2." + ext},
                                                             {"plan." + upper, "plan." + upper}};
        for (const auto& [typed, written] : names) {
            SCOPED_TRACE(std::string(c.what) + ": " + typed);
            const std::string file = folder / written;
            ScriptedUi scripted;
            scripted.QueueText(folder / typed);
            if (c.opensIt) scripted.QueueBool(true);
            SetUi(&scripted);
            c.run();
            SetUi(&ui);
            EXPECT_TRUE(scripted.CallsOf("ask").empty()) << scripted.CallsOf("ask")[0].text;
            EXPECT_TRUE(scripted.CallsOf("message").empty()) << scripted.CallsOf("message")[0].text;
            EXPECT_EQ(Slurp(file).substr(0, std::string(c.begins).size()), c.begins);

            Spit(file, "die alte Datei\r\n");
            ScriptedUi again;
            again.QueueText(folder / typed);
            again.QueueAnswer(Answer::No);
            SetUi(&again);
            c.run();
            SetUi(&ui);
            const auto asked = again.CallsOf("ask");
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].text, ReplaceQuestion(file));
            EXPECT_EQ(Slurp(file), "die alte Datei\r\n");
        }
        EXPECT_EQ(NamesIn(folder), "bild." + ext + " plan." + upper + " teil.v2." + ext + " ");
    }
}

}  // namespace
}  // namespace veldrim
