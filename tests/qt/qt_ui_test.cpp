// The window's realisation of the UI port.
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <fstream>
#include <sys/stat.h>
#include <regex>
#include <set>
#include <sstream>

#include "foundation/form_placement.h"
#include "foundation/help_texts.h"
#include "foundation/program_state.h"
#include "foundation/qt/input_forms.h"
#include "foundation/qt/message_window.h"
#include "foundation/qt/qt_support.h"
#include "qt/qt_test_support.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

using test::ModalDriver;
using test::QtFixture;

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(VELDRIM_SOURCE_DIR) + "/" + relative);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The calls a class declares: every name followed by '(' in a virtual
// declaration of the port, or in an override of the realisation.
std::set<std::string> DeclaredCalls(const std::string& text, const std::regex& form) {
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), form);
         it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    return names;
}

TEST(QtUiPort, EveryCallOfThePortHasAQtRealisation) {
    std::string port = ReadSource("src/foundation/ui_services.h");
    // Only the port class itself, up to the end of its declaration.
    const auto begin = port.find("class UiServices {");
    ASSERT_NE(begin, std::string::npos);
    port = port.substr(begin, port.find("\n};", begin) - begin);
    const std::set<std::string> calls =
        DeclaredCalls(port, std::regex(R"(virtual\s+[^~;{(]*?\b([A-Z][A-Za-z0-9_]*)\s*\()"));
    // The 19 calls of the first wave at least; later waves add more.
    ASSERT_GE(calls.size(), 19u) << "the port's calls were not found";
    const std::set<std::string> realised =
        DeclaredCalls(ReadSource("src/foundation/qt/qt_ui.h"),
                      std::regex(R"(\b([A-Z][A-Za-z0-9_]*)\s*\([^;]*?\)\s*(?:const\s*)?override)"));
    for (const std::string& call : calls)
        EXPECT_TRUE(realised.count(call)) << call << " has no Qt realisation in QtUi";
}

TEST(QtUiPort, DejaVuFontsAreInstalled) {
    EXPECT_TRUE(QFontDatabase::families().contains("DejaVu Sans"));
}

TEST(QtUiPort, FileFiltersBecomeQtFilters) {
    const std::pair<std::string, QString> cases[] = {
        {"*.qb3|*.qb3", "*.qb3"},
        {"DXF|*.dxf|Alle|*.*", "DXF (*.dxf);;Alle (*.*)"},
        {"PDF|*.pdf", "PDF (*.pdf)"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(QtFileFilter(in), out) << in;
}

TEST(QtUiPort, TextsCrossTheEdgeAsCodePage850) {
    // "Übersetzung" in code page 850: 0x9A for Ü.
    EXPECT_EQ(FromOem("\x9a"
                      "bersetzung"),
              QString::fromUtf8("Übersetzung"));
    EXPECT_EQ(ToOem(QString::fromUtf8("Maß °C")), std::string("Ma\xe1 \xf8"
                                                              "C"));
}

TEST_F(QtFixture, FewerThanEightItemsAreRadioButtonsEightAreAList) {
    for (const auto& [count, form] :
         {std::pair{7, "Tin_radiodialog"}, std::pair{8, "Tin_codedialog"}}) {
        std::vector<std::string> items;
        for (int i = 0; i < count; ++i) items.push_back("Eintrag " + std::to_string(i + 1));
        ModalDriver driver([](QWidget* w) {
            static_cast<QDialog*>(w)->accept();
            return true;
        });
        const auto chosen = ui.ChooseFromList("Auswahl", items, 2);
        EXPECT_EQ(driver.seenName, form) << count;
        EXPECT_EQ(chosen, std::optional<int>(2)) << count;
    }
}

TEST_F(QtFixture, ChoiceOutsideTheListStartsOnTheFirstEntryAndCancelGivesNothing) {
    ModalDriver accept([](QWidget* w) {
        static_cast<QDialog*>(w)->accept();
        return true;
    });
    EXPECT_EQ(ui.ChooseFromList("p", {"a", "b", "c"}, 9), std::optional<int>(0));
    ModalDriver escape([](QWidget* w) {
        QTest::keyClick(w, Qt::Key_Escape);
        return true;
    });
    EXPECT_EQ(ui.ChooseFromList("p", {"a", "b", "c"}, 1), std::nullopt);
}

TEST_F(QtFixture, ListChoiceTakesTheRowTheUserPicks) {
    ModalDriver driver([](QWidget* w) {
        auto* list = w->findChild<QListWidget*>("ListBox1");
        if (!list) return false;
        list->setCurrentRow(6);
        QTest::keyClick(list, Qt::Key_Return);
        return true;
    });
    std::vector<std::string> items(10, "x");
    EXPECT_EQ(ui.ChooseFromList("p", items, 0), std::optional<int>(6));
}

TEST_F(QtFixture, EnteredTextComesBackInCodePage850) {
    ModalDriver driver([](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>("EditEinText");
        if (!edit) return false;
        edit->setText(QString::fromUtf8("Größe 2,5"));
        QTest::keyClick(edit, Qt::Key_Return);
        return true;
    });
    EXPECT_EQ(ui.EnterText("Eingabe", "Wert", "1"), std::optional<std::string>("Gr\x94\xe1"
                                                                               "e 2,5"));
}

// The text entry is sized by the screen's pixels per inch (a 144 dpi screen
// makes it 1.5 times as large as at 96 dpi) and takes no more characters
// than its length.
TEST_F(QtFixture, TextEntryFollowsTheScreenDpiAndItsLength) {
    QSize sizes[2];
    int limit = -1;
    const int dpis[2] = {96, 144};
    for (int k = 0; k < 2; ++k) {
        ProbeScreenDpi(dpis[k]);
        ModalDriver driver([&sizes, &limit, k](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>("EditEinText");
            if (!edit) return false;
            sizes[k] = w->size();
            limit = edit->maxLength();
            static_cast<QDialog*>(w)->reject();
            return true;
        });
        EXPECT_EQ(ui.EnterText("Eingabe", "Wert", "1", 8), std::nullopt);
    }
    EXPECT_EQ(limit, 8);
    QWidget probe;
    EXPECT_EQ(ScreenDpiOf(probe), 96) << "the offscreen screen's";
    EXPECT_EQ(sizes[1].width(), sizes[0].width() * 3 / 2);
    EXPECT_EQ(sizes[1].height(), sizes[0].height() * 3 / 2);
}

TEST_F(QtFixture, QuestionsAnswerByTheButtonPressed) {
    const std::tuple<AskButtons, int, Answer> cases[] = {
        {AskButtons::YesNoCancel, Qt::Key_Escape, Answer::Cancel},
        {AskButtons::YesNoCancel, Qt::Key_Return, Answer::Yes},
        {AskButtons::YesNo, Qt::Key_Escape, Answer::No},
        {AskButtons::OkCancel, Qt::Key_Return, Answer::Ok},
    };
    for (const auto& [buttons, key, answer] : cases) {
        ModalDriver driver([key = key](QWidget* w) {
            QTest::keyClick(w, static_cast<Qt::Key>(key));
            return true;
        });
        EXPECT_EQ(ui.Ask("t", "Frage ?", buttons, MessageKind::Confirmation), answer)
            << static_cast<int>(buttons) << " key " << key;
    }
}

TEST_F(QtFixture, ExplanationWindowReturnsEditedTextsOnlyWhenChanged) {
    const MessageExplanation shown{"Fehler : Dm ball !", "Kugel fehlt", "Kugel eingeben"};
    ModalDriver untouched([](QWidget* w) {
        auto* ok = w->findChild<QPushButton*>("Button_ok");
        if (!ok) return false;
        ok->click();
        return true;
    });
    EXPECT_EQ(ui.ShowMessageExplanation(shown), std::nullopt);

    ModalDriver edited([](QWidget* w) {
        auto* cause = w->findChild<QPlainTextEdit*>("Memo_ursache");
        auto* ok = w->findChild<QPushButton*>("Button_ok");
        if (!cause || !ok) return false;
        cause->setPlainText(QString::fromUtf8("Durchmesser 0 für Kugel"));
        ok->click();
        return true;
    });
    const auto result = ui.ShowMessageExplanation(shown);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->message, shown.message);
    EXPECT_EQ(result->cause, "Durchmesser 0 f\x81r Kugel");
    EXPECT_EQ(result->remedy, shown.remedy);
}

TEST_F(QtFixture, MessageWindowGrowsButNeverShrinks) {
    ui.ShowMessageWindow("Appending records from a long table name ...");
    MessageWindow* w = ui.messageWindow();
    ASSERT_NE(w, nullptr);
    const QSize wide = w->size();
    ui.ShowMessageWindow("kurz");
    EXPECT_EQ(w->size(), wide);
    EXPECT_EQ(w->text(), "kurz");
    EXPECT_EQ(w->palette().color(QPalette::Window), QColor(255, 255, 0));
    ui.ShowMessageWindow("");
    EXPECT_EQ(ui.messageWindow(), nullptr);
}

TEST_F(QtFixture, ProgressBarShrinksByOnePerPercent) {
    EXPECT_EQ(ProgressBarText(0).size(), 100);
    EXPECT_EQ(ProgressBarText(37).size(), 63);
    EXPECT_EQ(ProgressBarText(100).size(), 0);
    ui.ShowProgress("Reading from disk...", 10);
    ASSERT_NE(ui.progressWindow(), nullptr);
    EXPECT_EQ(ui.progressWindow()->windowTitle(), "Reading from disk...");
    EXPECT_EQ(ui.progressWindow()->text().size(), 90);
    ui.HideProgress();
    EXPECT_EQ(ui.progressWindow(), nullptr);
}

TEST_F(QtFixture, FormsAreScaledAndCentredOverTheMainWindow) {
    ResetFormPlacement();
    mainWindowGeometry.left = 100;
    mainWindowGeometry.top = 50;
    mainWindowGeometry.width = 800;
    mainWindowGeometry.height = 600;
    dialogWindowPercentage = 150;
    QWidget form;
    form.resize(400, 300);
    PlaceForm(&form, Placement::CentreOverMain);
    EXPECT_EQ(form.size(), QSize(600, 450));
    // (800 - 600) / 2 + 100 = 200; (600 - 450) / 2 + 50 + 20 = 145.
    EXPECT_EQ(form.pos(), QPoint(200, 145));
    formPlacementOption = 2;
    QWidget untouched;
    untouched.resize(400, 300);
    PlaceForm(&untouched, Placement::CentreOverMain);
    EXPECT_EQ(untouched.size(), QSize(400, 300));
}

// Three materials of the shipped table, the pick opening on the given row.
TableView ThreeMaterials(int current) {
    TableView view;
    view.title = "Werkstoffdatenbank";
    view.heads = {"KIND", "NAME"};
    view.rows = {{"2", "16MnCr5"}, {"8", "CuSn12-C-GZ"}, {"6", "EN-GJL-250"}};
    view.current = current;
    return view;
}

// A document that no program opens: the desktop's opener ends with a
// failure (here one that finds no program and exits with 3, as xdg-open
// does), and the window says so and names the file. A missing opener
// fails at once.
TEST_F(QtFixture, ADocumentThatNoProgramOpensIsReported) {
    veldrim::testing::TempDir bin{"veldrim-opener"};
    const std::string opener = bin.path() + "/xdg-open";
    veldrim::testing::Spit(opener, "#!/bin/sh\nexit 3\n");
    ASSERT_EQ(::chmod(opener.c_str(), 0755), 0);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()) + ":" + path);
    QString shown;
    ModalDriver driver([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return false;
        shown = box->text();
        box->accept();
        return true;
    });
    EXPECT_TRUE(ui.OpenDocument("/tmp/Getriebe-\xE2\x82\xAC.xlsx"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return driver.acted(); }, 10000));
    EXPECT_EQ(shown.toStdString(),
              "Kein Programm zum \xC3\x96"
              "ffnen gefunden: /tmp/Getriebe-\xE2\x82\xAC.xlsx");
    std::filesystem::remove(opener);  // no opener at all
    qputenv("PATH", QByteArray::fromStdString(bin.path()));
    EXPECT_FALSE(ui.OpenDocument("/tmp/x.xlsx"));
    qputenv("PATH", path);
}

TEST_F(QtFixture, TablePickTakesTheRowTheUserSelects) {
    const TableView view = ThreeMaterials(1);
    ModalDriver driver([](QWidget* w) {
        auto* table = w->findChild<QTableWidget*>();
        if (!table) return false;
        EXPECT_EQ(table->currentRow(), 1);
        EXPECT_EQ(table->item(2, 1)->text().toStdString(), "EN-GJL-250");
        table->selectRow(2);
        static_cast<QDialog*>(w)->accept();
        return true;
    });
    EXPECT_EQ(ui.PickTableRecord(view), std::optional<int>(2));
    ModalDriver escape([](QWidget* w) {
        QTest::keyClick(w, Qt::Key_Escape);
        return true;
    });
    EXPECT_EQ(ui.PickTableRecord(view), std::nullopt);
}

// A pick that opens on a row it was not asked for shows that row without
// choosing it: OK alone takes nothing, OK after a click takes the row, and
// the row it opened on counts once the user selects it.
TEST_F(QtFixture, TablePickOpenedOnAnUnchosenRowTakesOnlyAChosenOne) {
    TableView view = ThreeMaterials(0);
    view.currentChosen = false;
    const auto pressOk = [](QWidget* w) {
        auto* box = w->findChild<QDialogButtonBox*>();
        if (!box) return false;
        box->button(QDialogButtonBox::Ok)->click();
        return true;
    };
    ModalDriver okAlone([&](QWidget* w) {
        auto* table = w->findChild<QTableWidget*>();
        if (!table) return false;
        EXPECT_EQ(table->currentRow(), 0) << "opens on the first row";
        EXPECT_TRUE(table->selectedItems().isEmpty()) << "without choosing it";
        return pressOk(w);
    });
    EXPECT_EQ(ui.PickTableRecord(view), std::nullopt);
    ModalDriver clicked([&](QWidget* w) {
        auto* table = w->findChild<QTableWidget*>();
        if (!table) return false;
        const QRect cell = table->visualRect(table->model()->index(1, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        return pressOk(w);
    });
    EXPECT_EQ(ui.PickTableRecord(view), std::optional<int>(1));
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

using test::ModalDriver;
using test::QtFixture;

// What the yes/no dialog gave back, and how it looked when the user acted.
struct YesNoRun {
    std::optional<bool> result;
    bool yesChecked = false;
    bool noChecked = false;
    QString caption;
};

YesNoRun RunYesNo(bool yesPreselected, const std::function<void(QWidget*)>& user) {
    YesNoRun run;
    ModalDriver driver([&](QWidget* w) {
        auto* yes = w->findChild<QRadioButton*>("RadioButton_ja");
        auto* no = w->findChild<QRadioButton*>("RadioButton_nein");
        if (!yes || !no) return false;
        run.yesChecked = yes->isChecked();
        run.noChecked = no->isChecked();
        run.caption = w->windowTitle();
        user(w);
        return true;
    });
    run.result = RunYesNoDialog("Weiter ?", yesPreselected);
    return run;
}

QPushButton* Button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(name); }

TEST_F(QtFixture, YesNoDialogShowsTheCurrentAnswerAndOkTakesIt) {
    for (bool yes : {true, false}) {
        const YesNoRun run = RunYesNo(yes, [](QWidget* w) { Button(w, "Button_ok")->click(); });
        EXPECT_EQ(run.yesChecked, yes);
        EXPECT_EQ(run.noChecked, !yes);
        EXPECT_EQ(run.caption, "Eingabe");
        EXPECT_EQ(run.result, std::optional<bool>(yes));
    }
}

// Enter closes without OK, wherever the focus is; so do Escape and Cancel.
TEST_F(QtFixture, YesNoDialogEnterAndEscapeCancel) {
    const std::pair<const char*, std::function<void(QWidget*)>> keys[] = {
        {"Enter on the choice",
         [](QWidget* w) {
             QTest::keyClick(w->findChild<QRadioButton*>("RadioButton_ja"), Qt::Key_Return);
         }},
        {"Enter on OK",
         [](QWidget* w) {
             QPushButton* ok = Button(w, "Button_ok");
             ok->setFocus();
             QTest::keyClick(ok, Qt::Key_Return);
         }},
        {"keypad Enter", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Enter); }},
        {"Escape", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }},
        {"Abbrechen", [](QWidget* w) { Button(w, "button_cancel")->click(); }},
    };
    for (const auto& [what, user] : keys)
        EXPECT_EQ(RunYesNo(true, user).result, std::nullopt) << what;
}

// The arrow key moves the choice to "&Nein"; Space on OK takes it.
TEST_F(QtFixture, YesNoDialogKeysChooseAndConfirm) {
    const YesNoRun run = RunYesNo(true, [](QWidget* w) {
        QApplication::setActiveWindow(w);
        auto* yes = w->findChild<QRadioButton*>("RadioButton_ja");
        yes->setFocus();
        QTest::keyClick(yes, Qt::Key_Down);
        EXPECT_TRUE(w->findChild<QRadioButton*>("RadioButton_nein")->isChecked());
        QPushButton* ok = Button(w, "Button_ok");
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Space);
    });
    EXPECT_EQ(run.result, std::optional<bool>(false));
}

// The help buttons show the current help entry and leave the dialog open.
TEST_F(QtFixture, YesNoDialogHelpButtonsKeepItOpen) {
    ScriptedUi scripted;
    SetUi(&scripted);
    SetHelpNumber(1000);
    bool stayedOpen = false;
    const YesNoRun run = RunYesNo(false, [&](QWidget* w) {
        ASSERT_NE(Button(w, "Button_hilfetext"), nullptr);
        ASSERT_NE(Button(w, "Button_hilfebild"), nullptr);
        EXPECT_EQ(Button(w, "Button_hilfetext")->text(), "&Hilfetext");
        EXPECT_EQ(Button(w, "Button_hilfebild")->text(), "Hilfe&bild");
        cancelFlag = true;
        Button(w, "Button_hilfetext")->click();
        stayedOpen = w->isVisible();
        EXPECT_FALSE(cancelFlag) << "the help button clears the cancel flag";
        Button(w, "Button_ok")->click();
    });
    SetUi(&ui);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(scripted.CallsOf("message").size(), 1u) << "the help text was shown";
    EXPECT_EQ(run.result, std::optional<bool>(false));
}

TEST_F(QtFixture, InfoScreenShowsItsLinesUnderTheCaption) {
    std::vector<std::string> lines(22);
    lines[0] = "Zeile 1";
    lines[21] =
        "Gr\x94\xe1"
        "e";
    QString caption, text;
    ModalDriver driver([&](QWidget* w) {
        auto* memo = w->findChild<QPlainTextEdit*>("Memo1");
        if (!memo) return false;
        caption = w->windowTitle();
        text = memo->toPlainText();
        EXPECT_TRUE(memo->isReadOnly());
        QTest::keyClick(w, Qt::Key_Return);
        return true;
    });
    ui.ShowInfoScreen("VELDRIM", lines);
    EXPECT_TRUE(driver.acted());
    EXPECT_EQ(caption, "VELDRIM");
    const QStringList shown = text.split('\n');
    ASSERT_EQ(shown.size(), 22);
    EXPECT_EQ(shown[0], "Zeile 1");
    EXPECT_EQ(shown[21], QString::fromUtf8("Größe"));
}

}  // namespace
}  // namespace veldrim
