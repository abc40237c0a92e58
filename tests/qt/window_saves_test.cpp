// Saves from the main window that must not lose or replace a user's file: a
// Save As that was refused leaves the data set where it was, so the next
// Speichern writes the file that was opened; and every command that writes a
// PDF the user named asks before it replaces an existing file.
#include <QAction>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_commands.h"
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

class WindowSavesTest : public test::MainWindowFixture {
protected:
    // A menu command played with the queued answers of `scripted`.
    void Trigger(const char* item, ScriptedUi& scripted) {
        SetUi(&scripted);
        window->Item(item)->trigger();
        SetUi(&ui);
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

// "Grafik als PDF", the printer set-up's PDF button and the report viewer's
// "Als PDF speichern", each onto an existing file: the program's question;
// "Nein" leaves the file as it was, "Ja" replaces it with the PDF.
TEST_F(WindowSavesTest, PdfCommandsAskBeforeTheyReplaceAFile) {
    const std::string report = dir / "bericht.txt";
    Spit(report, "Zeile 1\r\nZeile 2\r\n");
    TForm_showtextfile viewer(report, "Bericht");
    TForm_printconf printerSetup(*window);
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Grafik als PDF", [&] { window->Item("mi_filePrintPdf")->trigger(); }},
        {"printer set-up", [&] { printerSetup.Button_pdfClick(); }},
        {"report viewer", [&] { viewer.findChild<QAction*>("mi_dateiPdf")->trigger(); }},
    };
    for (const auto& [what, command] : commands) {
        SCOPED_TRACE(what);
        const std::string pdf = dir / (std::string(what) + ".pdf");
        Spit(pdf, "die alte Datei\r\n");
        for (const Answer answer : {Answer::No, Answer::Cancel}) {
            ScriptedUi scripted;
            scripted.QueueText(pdf);
            scripted.QueueAnswer(answer);
            currentHelpNumber = 0;
            SetUi(&scripted);
            command();
            SetUi(&ui);
            const auto asked = scripted.CallsOf("ask");
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].text, ReplaceQuestion(pdf));
            EXPECT_EQ(currentHelpNumber, 3055);
            EXPECT_TRUE(scripted.CallsOf("message").empty());
            EXPECT_EQ(Slurp(pdf), "die alte Datei\r\n");
        }
        ScriptedUi scripted;
        scripted.QueueText(pdf);
        scripted.QueueAnswer(Answer::Yes);
        SetUi(&scripted);
        command();
        SetUi(&ui);
        EXPECT_EQ(scripted.CallsOf("ask").size(), 1u);
        EXPECT_EQ(Slurp(pdf).substr(0, 5), "%PDF-");
    }
}

}  // namespace
}  // namespace veldrim
