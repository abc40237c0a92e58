// The main window: its menus, the save prompt, opening a data set, the report
// on screen, CAD output of the current view, and text printing into PDF.
#include <gmock/gmock.h>

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <map>
#include <filesystem>
#include <fstream>

#include "app/app_state.h"
#include "app/config_file.h"
#include "app/data_file_sections.h"
#include "app/main_commands.h"
#include "app/qt/help_picture_form.h"
#include "app/qt/main_window.h"
#include "app/qt/settings_forms.h"
#include "app/startup.h"
#include "calc/cylindrical/cyl_bridge.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/design.h"
#include "calc/forms/tooth_form.h"
#include "drawings/result_view.h"
#include "graphics/display_list.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/qt/qt_support.h"
#include "foundation/qt/text_viewer.h"
#include "graphics/display_list.h"
#include "graphics/cad_output.h"
#include "graphics/formats/hpgl_reader.h"
#include "graphics/graphics_defaults.h"
#include "graphics/plot_program.h"
#include "app/print_layouts.h"
#include "foundation/help_texts.h"
#include "qt/main_window_fixture.h"
#include "qt/qt_test_support.h"
#include "reports/report_channel.h"
#include "reports/spreadsheet.h"
#include "tables/datasets/table_access.h"
#include "tables/qt/table_editor_form.h"
#include "support/test_files.h"
#include "tables/table_test_util.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

QString Output(const QString& program, const QStringList& args) {
    return test::OutsideOutput(program, args);
}

class MainWindowTest : public test::MainWindowFixture {
protected:
    // Answers the next file dialog with a path.
    static bool AnswerFileDialog(QWidget* w, const std::string& path) {
        auto* d = qobject_cast<QFileDialog*>(w);
        auto* edit = d ? d->findChild<QLineEdit*>("fileNameEdit") : nullptr;
        if (!edit) return false;
        edit->setText(QString::fromStdString(path));
        static_cast<QDialog*>(d)->accept();
        return true;
    }
    static bool Press(QWidget* w, const QString& caption) {
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            if (b->text() == caption) {
                b->click();
                return true;
            }
        return false;
    }
};

TEST_F(MainWindowTest, EveryMenuItemIsConnected) {
    const auto items = window->MenuItems();
    ASSERT_GE(items.size(), 30u);
    for (MenuAction* a : items) EXPECT_TRUE(a->HasHandler()) << a->objectName().toStdString();
    const char* expected[] = {"mi_fileNew",
                              "mi_fileOpen",
                              "mi_fileSave",
                              "mi_fileSaveAs",
                              "mi_fileExportEdi",
                              "mi_fileToSpreadsheet",
                              "mi_filePrint",
                              "mi_filePrintPdf",
                              "mi_fileRecent1",
                              "mi_fileExit",
                              "mi_calcRun",
                              "mi_calcDesign",
                              "mi_viewausdruckgeometrie",
                              "mi_viewausdruckgeometriefestigkeit",
                              "mi_viewprintNiemannDin",
                              "mi_viewprintDIN39961998",
                              "mi_viewprintDIN39962012",
                              "mi_viewausdruckauszug",
                              "mi_olePrintoutExcel",
                              "mi_viewMessages",
                              "mi_cadDxf",
                              "mi_cadIges",
                              "mi_cadStep",
                              "mi_cadStl",
                              "mi_cadRecords",
                              "mi_cadPlot",
                              "mi_cadPlotConfig",
                              "mi_cad3DView",
                              "mi_viewDiagram",
                              "mi_databaseMaterialWorm",
                              "mi_databaseMaterialWheel",
                              "mi_databaseLubricant",
                              "mi_databaseLubricantTable",
                              "mi_optionsConfig",
                              "mi_optionsCad",
                              "mi_optionsPrinter",
                              "mi_language2",
                              "mi_helpText",
                              "mi_helpPicture",
                              "mi_helpMessages",
                              "mi_helpSystem",
                              "mi_helpAbout"};
    for (const char* name : expected) EXPECT_NE(window->Item(name), nullptr) << name;
}

// The result view after an input (the forms and tables of the calculation
// reach it through their design hook): the window's default view at help
// level 1, nothing at help level 0 ("Keine Info nach Eingabe"); the cancel
// flag is cleared either way, and nothing is calculated.
TEST_F(MainWindowTest, ResultViewAfterAnInputFollowsTheHelpLevel) {
    InstallDefaultResultView();
    struct Case {
        int level;
        bool drawn;
    } cases[] = {{1, true}, {0, false}, {2, true}};
    for (const Case& c : cases) {
        window->Clear();
        ASSERT_TRUE(DisplayList.empty());
        helpLevel = static_cast<std::int16_t>(c.level);
        cancelFlag = true;
        wormGear.a = 12345;  // a calculation would put the set's 100 mm back
        ShowDesignResultView();
        EXPECT_EQ(DisplayList.empty(), !c.drawn) << "help level " << c.level;
        EXPECT_FALSE(cancelFlag) << "help level " << c.level;
        EXPECT_EQ(wormGear.a, 12345) << "help level " << c.level;
    }
    window->Clear();
    helpLevel = 1;
    ShowResultView();
    EXPECT_FALSE(DisplayList.empty()) << "the step itself draws the same view";
}

// Alt and a letter starts an item only where the letter is the item's alone
// in its menu; two items with one letter are only highlighted in turn.
TEST_F(MainWindowTest, NoTwoItemsOfAMenuShareTheirLetter) {
    auto letterOf = [](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        return key.isEmpty() ? QString() : key.toString(QKeySequence::PortableText).toLower();
    };
    auto check = [&](const QString& menu, const QList<QAction*>& actions) {
        std::map<QString, QString> seen;
        for (QAction* a : actions) {
            if (a->isSeparator()) continue;
            const QString letter = letterOf(a->text());
            if (letter.isEmpty()) continue;
            const auto [at, fresh] = seen.emplace(letter, a->text());
            EXPECT_TRUE(fresh) << menu.toStdString() << ": \"" << a->text().toStdString()
                               << "\" and \"" << at->second.toStdString() << "\" share "
                               << letter.toStdString();
        }
        return seen.size();
    };
    EXPECT_GE(check("menu bar", window->menuBar()->actions()), 7u);
    const QList<QMenu*> menus = window->menuBar()->findChildren<QMenu*>();
    ASSERT_GE(menus.size(), 8);
    for (QMenu* m : menus) check(m->title(), m->actions());
}

TEST_F(MainWindowTest, MenusOpenByKeyboard) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_D, Qt::AltModifier);
    QMenu* file = window->findChild<QMenu*>("mi_file");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 3000));
    QTest::keyClick(file, Qt::Key_Escape);
}

TEST_F(MainWindowTest, SavePromptGuardsChangedDataOnly) {
    window->show();
    modifiedFlag = false;
    EXPECT_TRUE(window->close()) << "no change: no question";
    window->show();
    modifiedFlag = true;
    {
        test::ModalDriver cancel([](QWidget* w) {
            QTest::keyClick(w, Qt::Key_Escape);
            return true;
        });
        EXPECT_FALSE(window->close());
        EXPECT_EQ(cancel.seenName, "AskBox");
    }
    EXPECT_TRUE(window->isVisible());
    test::ModalDriver no([](QWidget* w) { return Press(w, "&Nein"); });
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(no.acted());
}

TEST_F(MainWindowTest, OpenReadsTheDataSetAndMakesItCurrent) {
    const std::string demo = dir / "demo.qb3";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", demo);
    test::ModalDriver driver([&](QWidget* w) { return AnswerFileDialog(w, demo); });
    window->Item("mi_fileOpen")->trigger();
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_EQ(recentFilesList[0], demo);
    EXPECT_FALSE(modifiedFlag);
    EXPECT_TRUE(window->windowTitle().contains("demo")) << window->windowTitle().toStdString();
    EXPECT_TRUE(window->Item("mi_fileRecent1")->text().contains("demo.qb3"));
}

// "Speichern unter" proposes the current name. Saved as "Getriebe-€Ł-Größe"
// (code page 850 has neither the euro sign nor the L with stroke, Windows-1252
// only the euro sign), the title and the drawing show the new name at once
// and as it is; the file on disk holds both letters.
TEST_F(MainWindowTest, SaveAsProposesTheNameAndShowsTheNewOneAtOnce) {
    dataDirectory = dir.path();
    dataFileExtension = "qb3";
    currentFileName = "alt";
    const std::string typed = dir /
                              "Getriebe-\xE2\x82\xAC\xC5\x81-Gr\xC3\xB6\xC3\x9F"
                              "e";
    QString proposed;
    {
        test::ModalDriver driver([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            auto* edit = d ? d->findChild<QLineEdit*>("fileNameEdit") : nullptr;
            if (!edit) return false;
            proposed = QDir(d->directory()).filePath(edit->text());
            return AnswerFileDialog(w, typed);
        });
        window->Item("mi_fileSaveAs")->trigger();
        EXPECT_TRUE(driver.acted());
    }
    EXPECT_EQ(proposed.toStdString(), dir / "alt.qb3");
    EXPECT_TRUE(fs::exists(typed + ".qb3")) << typed;
    EXPECT_TRUE(window->windowTitle().endsWith(QString::fromUtf8("Getriebe-€Ł-Größe.qb3[*]")))
        << window->windowTitle().toStdString();
    // The texts as the canvas paints them.
    std::vector<std::string> painted;
    for (const std::string& record : DisplayList)
        if (record.starts_with("6;")) painted.push_back(FromDisplayText(record).toStdString());
    EXPECT_THAT(painted, ::testing::Contains(::testing::HasSubstr("Getriebe-€Ł-Größe.qb3")))
        << "the drawing names the new file";
}

// "Speichern unter" with the name "Getriebe-Größe" writes the file under
// that name on disk (UTF-8); the open dialog and the recent-files item open
// it again, and title and menu show it with its umlauts.
TEST_F(MainWindowTest, UmlautFileNameIsSavedAndOpenedAgain) {
    const std::string typed = dir / "Getriebe-Größe";
    const std::string saved = typed + ".qb3";
    {
        test::ModalDriver driver([&](QWidget* w) { return AnswerFileDialog(w, typed); });
        window->Item("mi_fileSaveAs")->trigger();
        EXPECT_TRUE(driver.acted());
    }
    EXPECT_TRUE(fs::exists(saved)) << saved;
    EXPECT_TRUE(window->windowTitle().endsWith(QString::fromUtf8("Getriebe-Größe.qb3[*]")))
        << window->windowTitle().toStdString();
    EXPECT_TRUE(
        window->Item("mi_fileRecent1")->text().contains(QString::fromUtf8("Getriebe-Größe.qb3")))
        << window->Item("mi_fileRecent1")->text().toStdString();

    window->Item("mi_fileNew")->trigger();
    ASSERT_EQ(currentFileName, "");
    {
        // The dialog is answered; a message after it ("not found") is
        // dismissed and named.
        bool answered = false;
        QString message;
        test::ModalDriver driver([&](QWidget* w) {
            if (!answered) return (answered = AnswerFileDialog(w, saved)), false;
            message = w->objectName();
            QTest::keyClick(w, Qt::Key_Escape);
            return true;
        });
        window->Item("mi_fileOpen")->trigger();
        EXPECT_TRUE(answered);
        EXPECT_EQ(message, "") << "a message after the open dialog";
    }
    EXPECT_EQ(currentFileName, "Getriebe-Größe");
    window->Item("mi_fileNew")->trigger();
    {
        test::ModalDriver message([](QWidget* w) {
            QTest::keyClick(w, Qt::Key_Escape);
            return true;
        });
        window->Item("mi_fileRecent1")->trigger();
        EXPECT_FALSE(message.acted()) << message.seenName.toStdString();
    }
    EXPECT_EQ(currentFileName, "Getriebe-Größe");
    EXPECT_EQ(recentFilesList[0], saved);
}

TEST_F(MainWindowTest, ScreenReportOpensTheViewer) {
    textDevice = kReportScreen;
    textDeviceWindow = false;
    window->Item("mi_viewausdruckgeometriefestigkeit")->trigger();
    TForm_showtextfile* viewer = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = dynamic_cast<TForm_showtextfile*>(w)) viewer = v;
    ASSERT_NE(viewer, nullptr);
    const QString text = viewer->Memo1->toPlainText();
    EXPECT_TRUE(text.contains("Achsabstand"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Übersetzungsverhältnis")));
}

TEST_F(MainWindowTest, CurrentViewGoesToDxf) {
    // Without results the view is the empty sheet.
    fatalFlag = true;
    const std::string dxf = dir / "view.dxf";
    test::ModalDriver driver([&](QWidget* w) { return AnswerFileDialog(w, dxf); });
    window->Item("mi_cadDxf")->trigger();
    ASSERT_TRUE(fs::exists(dxf));
    const QString out = Output(
        "/usr/bin/python3",
        {"-c",
         "import ezdxf,sys\n"
         "d=ezdxf.readfile(sys.argv[1])\n"
         "print(len(d.audit().errors), sum(1 for e in d.modelspace() if e.dxftype()=='LINE'))",
         QString::fromStdString(dxf)});
    // Audit clean; the two frames of the sheet are eight lines.
    EXPECT_EQ(out.trimmed(), "0 8");
    // The screen shows the view again afterwards.
    EXPECT_FALSE(DisplayList.empty());
}

TEST_F(MainWindowTest, CurrentViewGoesToStepAndIges) {
    // STEP runs two entity passes; the file dialog comes once, before the first.
    struct Case {
        const char* item;
        const char* name;
    };
    for (const Case& c : {Case{"mi_cadStep", "view.stp"}, Case{"mi_cadIges", "view.igs"}}) {
        SCOPED_TRACE(c.item);
        const std::string path = dir / c.name;
        int dialogs = 0;
        test::ModalDriver driver([&](QWidget* w) {
            ++dialogs;
            return AnswerFileDialog(w, path);
        });
        window->Item(c.item)->trigger();
        EXPECT_EQ(dialogs, 1);
        ASSERT_TRUE(fs::exists(path));
        const std::string text = veldrim::testing::Slurp(path);
        const std::string first = text.substr(0, text.find_first_of("\r\n"));
        if (std::string(c.item) == "mi_cadStep") {
            EXPECT_EQ(first, "ISO-10303-21;");
            EXPECT_NE(text.find("END-ISO-10303-21;"), std::string::npos);
        } else {
            // Fixed 80-column records; the first belongs to the start section.
            ASSERT_EQ(first.size(), 80u) << first;
            EXPECT_EQ(first[72], 'S') << first;
            EXPECT_EQ(first.substr(0, 25), "IGES-Datei generiert von ");
        }
    }
    EXPECT_FALSE(DisplayList.empty());
}

TEST_F(MainWindowTest, TextPrintsIntoPdfPageByPage) {
    const std::vector<std::string> lines{"Seite eins", "\f", "Seite zwei", "\f",
                                         "Seite drei \x9a"
                                         "bersetzung"};
    const std::string pdf = dir / "text.pdf";
    ASSERT_TRUE(PrintTextToPdf(lines, pdf));
    EXPECT_TRUE(Output("pdfinfo", {QString::fromStdString(pdf)})
                    .contains(QRegularExpression("Pages:\\s+3\\n")));
    const QString text = Output("pdftotext", {QString::fromStdString(pdf), "-"});
    EXPECT_TRUE(text.contains("Seite zwei"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Seite drei Übersetzung")));
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

class SettingsFormsTest : public MainWindowTest {};

TEST_F(SettingsFormsTest, ConfigurationFormStoresItsControlsAndWritesTheFile) {
    configurationDirectory = dir.path();
    Tconfig form;
    form.Edit_helpLevel->setValue(2);
    form.Edit_decimals->setValue(4);
    form.ComboBox_units->setCurrentIndex(1);
    form.Edit_zoomFactor->setValue(1.5);
    form.CheckBox_hideWarnings->setChecked(true);
    ASSERT_EQ(form.ComboBox_textDevice->count(), 7);
    EXPECT_EQ(form.ComboBox_textDevice->itemText(6), "HTML Datei");
    form.ComboBox_textDevice->setCurrentIndex(6);
    form.CheckBox_askDestination->setChecked(true);
    ColorTable[4] = 0x123456;
    form.Button_resetColoursClick();
    EXPECT_EQ(ColorTable[4], 0x123456u) << "the reset waits for OK";
    form.Button_okClick();
    EXPECT_EQ(ColorTable[4], 255u) << "red again";
    EXPECT_EQ(helpLevel, 2);
    EXPECT_EQ(decimalsSetting, 4);
    EXPECT_EQ(unitSystem, 1);
    EXPECT_EQ(ZoomFactor, 1.5L);
    EXPECT_TRUE(hideWarningsFlag);
    EXPECT_EQ(textDevice, 7);
    EXPECT_TRUE(textDeviceWindow);
    EXPECT_TRUE(fs::exists(ConfigFilePath())) << ConfigFilePath();
}

// The wheel-zoom box stored by OK is on again after a restart.
TEST_F(SettingsFormsTest, WheelZoomSurvivesARestart) {
    configurationDirectory = dir.path();
    Tconfig form;
    EXPECT_FALSE(form.CheckBox_wheelZoom->isChecked());
    form.CheckBox_wheelZoom->setChecked(true);
    form.Button_okClick();
    ResetAllProgramState();
    configurationDirectory = dir.path();
    EXPECT_EQ(WheelZoomSwitch, 0);
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(WheelZoomSwitch, 1);
}

// The colour, layer, pen and CAD pages and the tables switch: OK puts every
// control into the program state and the configuration file.
TEST_F(SettingsFormsTest, ConfigurationPagesOfColoursLayersAndCadStoreOnOk) {
    configurationDirectory = dir.path();
    Tconfig form;
    // What the form shows at start-up: navy entry 1, layer 4 in colour 3.
    EXPECT_EQ(form.Colour(1), 0x800000u);
    EXPECT_EQ(form.Edit_layerColour[4]->value(), 3);
    EXPECT_FALSE(form.Edit_layerName[0]->isEnabled()) << "layer 0 keeps its name";
    EXPECT_FALSE(form.CheckBox_dbftemp->isChecked());
    EXPECT_TRUE(form.CheckBox_zeichfusszeile->isChecked()) << "footer on at start-up";
    ASSERT_EQ(form.ComboBox_cadstltype->count(), 2);
    EXPECT_EQ(form.ComboBox_cadstltype->itemText(1), "ASCII");

    form.SetColour(5, 0x030201);  // red 1, green 2, blue 3
    EXPECT_TRUE(form.Button_colour[5]->styleSheet().contains("#010203"))
        << form.Button_colour[5]->styleSheet().toStdString();
    form.Edit_layerName[3]->setText("Kontur");
    form.Edit_layerColour[3]->setValue(9);
    form.Edit_layerWidth[0]->setValue(5);
    form.CheckBox_layerMonochrom->setChecked(true);
    form.ComboBox_layerColourMode->setCurrentIndex(1);
    form.Edit_penNumber[0]->setValue(7);
    form.Edit_penWidth[15]->setValue(4);
    form.Edit_cadTextStyle->setText("ISOCP");
    form.Edit_cadWidthFactor->setValue(0.75);
    form.Edit_cadTextAngle->setValue(15);
    form.Edit_massfaktorconfig->setValue(2.5);
    form.CheckBox_zeichfusszeile->setChecked(false);
    form.CheckBox_execCadFile->setChecked(false);
    form.CheckBox_japolyArcToLines->setChecked(false);
    form.Edit_resolutionArcToLines->setValue(0.05);
    form.ComboBox_cadstltype->setCurrentIndex(1);
    form.CheckBox_jastlinvers->setChecked(true);
    form.CheckBox_dbftemp->setChecked(true);
    auto* ok = form.findChild<QPushButton*>("Button_ok");
    ASSERT_NE(ok, nullptr);
    ok->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);

    const CadOutputRecord& cad = CadOutputState;
    EXPECT_EQ(ColorTable[5], 0x030201u);
    EXPECT_EQ(ColorTable[1], 0x800000u) << "an entry not touched stays";
    EXPECT_EQ(cad.layerNames[3], "Kontur");
    EXPECT_EQ(cad.layerColorIndex[3], 9);
    EXPECT_EQ(cad.layerWidthCodes[0], 5);
    EXPECT_EQ(cad.layerMonochrom, 1);
    EXPECT_EQ(cad.layerColorMode, 1);
    EXPECT_EQ(cad.penNumbers[0], 7);
    EXPECT_EQ(cad.penWidths[15], 4);
    EXPECT_EQ(cad.cadTextStyleName, "ISOCP");
    EXPECT_EQ(cad.baseWidthFactor, 0.75L);
    EXPECT_EQ(cad.configuredObliquingAngle, 15.0L);
    EXPECT_EQ(cad.baseScale, 2.5L);
    EXPECT_EQ(cad.sheetOptions[kSheetFooterOption], 1) << "footer off is held as 1";
    EXPECT_EQ(cad.execFlag, 0);
    EXPECT_EQ(cad.arcsAsLinesFlag, 0);
    EXPECT_NEAR(static_cast<double>(cad.chordTolerance), 0.05, 1E-12);
    EXPECT_EQ(cad.stlFileType, 1);
    EXPECT_EQ(cad.stlDirInvers, 1);
    EXPECT_TRUE(tablesFromUserDirectory);

    const std::string text = veldrim::testing::Slurp(ConfigFilePath());
    for (const char* line :
         {"\r\nFarbtabelle 5\r\n197121\r\n", "\r\nLayer 3\r\nKontur\r\nFarbe 3\r\n9\r\n",
          "\r\nLine thickness Layer 0\r\n5\r\n", "\r\nLayer Monochrom\r\n1\r\n",
          "\r\nLayer Color Mode\r\n1\r\n", "\r\nPen 1\r\n7\r\n", "\r\nPen width 16\r\n4\r\n",
          "\r\nTextstil CAD\r\nISOCP\r\n", "\r\nTextbreitenfaktor CAD\r\n0.75",
          "\r\nTextwinkel\r\n15", "\r\nScale Factor\r\n2.5", "\r\nDrawing Footer ?\r\n0\r\n",
          "\r\nExec CAD App ?\r\n0\r\n", "\r\nPolyline Arc -> Lines ?\r\n0\r\n",
          "\r\nResolution Arc -> Lines\r\n0.05", "\r\nSTL Type (0=Binary 1=ASCII)\r\n1\r\n",
          "\r\nSTL Dir invers\r\n1\r\n", "\r\ncopy DBF -> TEMP\r\nTRUE\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << "missing in the file: " << line;
}

// "copy DBF -> TEMP" switched on during the session: the tables are copied
// to the user directory at once, where the table access now opens them; a
// copy the user has already stays. The colour reset reaches the table on OK.
TEST_F(SettingsFormsTest, TablesSwitchedToTheUserDirectoryAreCopiedThere) {
    configurationDirectory = dir.path();
    const fs::path tables = fs::path(dir.path()) / "tabellen";
    fs::create_directory(tables);
    std::ofstream(tables / "werk.dbf", std::ios::binary) << "Werkstoffe";
    std::ofstream(tables / "werk.dbt", std::ios::binary) << "Memo";
    std::ofstream(tables / "oel.dbf", std::ios::binary) << "Schmierstoffe";
    std::ofstream(fs::path(dir.path()) / "oel.dbf", std::ios::binary) << "eigene Kopie";
    databaseDirectory = tables.string();
    ColorTable[4] = 0x123456;
    Tconfig form;
    form.Button_resetColoursClick();
    form.CheckBox_dbftemp->setChecked(true);
    form.Button_okClick();
    EXPECT_EQ(ColorTable[4], 255u) << "red again";
    EXPECT_EQ(veldrim::testing::Slurp((fs::path(dir.path()) / "werk.dbf").string()), "Werkstoffe");
    EXPECT_EQ(veldrim::testing::Slurp((fs::path(dir.path()) / "werk.dbt").string()), "Memo");
    EXPECT_EQ(veldrim::testing::Slurp((fs::path(dir.path()) / "oel.dbf").string()), "eigene Kopie");
}

// A number box shows its setting rounded to its decimals (a zoom factor of
// 1.2345678 as 1.23); left as shown it gives the setting back exactly on OK,
// typed into it takes what was typed.
TEST_F(SettingsFormsTest, NumberBoxesLeftAsShownKeepTheirSettingsExactly) {
    configurationDirectory = dir.path();
    CadOutputRecord& cad = CadOutputState;
    struct Setting {
        const char* box;
        Real* value;  // nullptr: a double, below
        double* printScale;
        Real fine;
        double typed;
    } settings[] = {
        {"Edit_zoomFactor", &ZoomFactor, nullptr, 1.2345678L, 1.5},
        {"Edit_panFactor", &PanFactor, nullptr, 0.12345678L, 0.25},
        {"Edit_cadWidthFactor", &cad.baseWidthFactor, nullptr, 0.87654321L, 0.75},
        {"Edit_cadTextAngle", &cad.configuredObliquingAngle, nullptr, 12.345678L, 15},
        {"Edit_massfaktorconfig", &cad.baseScale, nullptr, 1.2345678L, 2},
        {"Edit_resolutionArcToLines", &cad.chordTolerance, nullptr, 0.012345678L, 0.5},
        {"Edit_scaleX", nullptr, &graphicPrintoutScaleX, 0.87654321L, 0.5},
        {"Edit_scaleY", nullptr, &graphicPrintoutScaleY, 1.2345678L, 2.5},
    };
    auto set = [](const Setting& s, Real v) {
        if (s.value)
            *s.value = v;
        else
            *s.printScale = static_cast<double>(v);
    };
    auto get = [](const Setting& s) { return s.value ? *s.value : Real(*s.printScale); };
    for (bool typed : {false, true}) {
        for (const Setting& s : settings) set(s, s.fine);
        Tconfig config;
        TForm_printconf print(*window);
        if (typed)
            for (const Setting& s : settings) {
                QWidget* form = s.value ? static_cast<QWidget*>(&config) : &print;
                auto* box = form->findChild<QDoubleSpinBox*>(s.box);
                ASSERT_NE(box, nullptr) << s.box;
                box->setValue(s.typed);
            }
        config.Button_okClick();
        print.Store();
        for (const Setting& s : settings) {
            if (typed)
                EXPECT_EQ(get(s), Real(s.typed)) << s.box << " typed";
            else
                EXPECT_EQ(get(s), s.value ? s.fine : Real(static_cast<double>(s.fine)))
                    << s.box << " left as shown";
        }
    }
    // The tooth form of the CAD settings is configured from the exact
    // profile shifts: OK without an edit changes nothing of it.
    cylGear.toothFormX = {{0.12345678L, -0.23456789L}};
    ConfigureToothForm(cylGear.toothFormX);
    const CylGearRecord configured = cylGear;
    TForm_qub1conf toothForm;
    toothForm.Button_okClick();
    EXPECT_EQ(cylGear.toothFormSn, configured.toothFormSn);
    EXPECT_EQ(cylGear.toothFormMdK, configured.toothFormMdK);
}

TEST_F(SettingsFormsTest, CadAndPrinterSettingsAreStoredOnOk) {
    configurationDirectory = dir.path();
    TForm_qub1conf cad;
    EXPECT_TRUE(cad.CheckBox_polyline->isChecked());
    cad.CheckBox_polyline->setChecked(false);
    cad.Edit_decimalsCad->setValue(3);
    cad.Button_okClick();
    EXPECT_EQ(CadOutputState.polylineOutputFlag, 0);
    EXPECT_EQ(CadOutputState.cadDecimals, 3);

    TForm_printconf print(*window);
    print.Edit_scaleX->setValue(0.5);
    print.Edit_originY->setValue(12);
    print.CheckBox_frame->setChecked(true);
    print.Store();
    EXPECT_EQ(graphicPrintoutScaleX, 0.5);
    EXPECT_EQ(graphicPrintoutOriginY, 12);
    EXPECT_TRUE(graphicPrintoutBorder);

    // The CAD decimals are kept by the configuration file: back after a restart.
    ResetAllProgramState();
    configurationDirectory = dir.path();
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(CadOutputState.cadDecimals, 3);
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

TEST_F(MainWindowTest, SecondViewerOpensWhereTheFirstWasClosed) {
    veldrim::testing::Spit(dir / "t.txt", "Zeile\r\n");
    auto* first = new TForm_showtextfile(dir / "t.txt", "t");
    first->show();
    first->setGeometry(120, 90, 500, 300);
    const QRect closedAt = first->geometry();
    first->close();  // deletes itself
    auto* second = new TForm_showtextfile(dir / "t.txt", "t");
    EXPECT_EQ(second->geometry(), closedAt);
    EXPECT_EQ(second->Memo1->toPlainText(), "Zeile");
    delete second;
}

// "Export Notepad" without an editor and without a program that opens the
// text: the message names the file; with an editor that starts, nothing is said.
TEST_F(MainWindowTest, ViewerExportThatNoProgramOpensNamesTheFile) {
    veldrim::testing::Spit(dir / "t.txt", "Zeile\r\n");
    auto viewer = std::make_unique<TForm_showtextfile>(dir / "t.txt", "t");
    ScriptedUi scripted;
    SetUi(&scripted);
    textEditorPath.clear();
    scripted.QueueBool(false);  // no program opens the document
    viewer->mi_dateiExportNotepadClick();
    const auto shown = scripted.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(Cp850ToUtf8Carried(shown[0].text),
              "Kein Programm zum \xC3\x96"
              "ffnen gefunden: " +
                  dir / "t.txt");
    scripted.calls.clear();
    textEditorPath = "/bin/true";
    viewer->mi_dateiExportNotepadClick();
    EXPECT_THAT(scripted.CallsOf("message"), ::testing::IsEmpty());
    SetUi(&ui);
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// The tests run under a German locale (the Qt application takes it from the
// environment); the workbook's numbers must still be written with a point.
// The demo report's rows: label, symbol, unit, then the values as numbers.
TEST_F(MainWindowTest, DemoReportWorkbookHoldsLabelsSymbolsUnitsAndNumbers) {
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", dir / "demo.qb3");
    ASSERT_TRUE(OpenDataSet(dir / "demo.qb3"));
    ScriptedUi scripted;  // records the opening instead of starting a program
    SetUi(&scripted);
    scripted.QueueText(dir / "demo.xlsx");
    const std::string xlsx = ReportToSpreadsheet(3);  // what mi_olePrintoutExcel runs
    SetUi(&ui);
    ASSERT_EQ(xlsx, dir / "demo.xlsx");
    ASSERT_EQ(scripted.CallsOf("open-document").size(), 1u);
    const QString rows = Output(
        "/usr/bin/python3",
        {"-c",
         "import openpyxl,sys\n"
         "ws=openpyxl.load_workbook(sys.argv[1]).active\n"
         "for r in ws.iter_rows(values_only=True):\n"
         "  if r[0] in ('Achsabstand','Mittenkreisdurchmesser','Z\u00e4hnezahl'): print(repr(r))",
         QString::fromStdString(xlsx)});
    // The demo data set: a = 100 mm, dm1/a = 0.36, so dm1 = 36 mm; z1 = 2, z2 = 41.
    EXPECT_EQ(rows.split('\n', Qt::SkipEmptyParts),
              (QStringList{"('Z\u00e4hnezahl', 'z', None, 2, 41)",
                           "('Achsabstand', 'a', 'mm', 100, None)",
                           "('Mittenkreisdurchmesser', 'dm', 'mm', 36, 164)"}));
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// "Datei nach Tabellenkalkulation" of a set opened from gear.bak puts
// gear.bak's lines into the workbook, not those of the other set's gear.qb3
// beside it.
TEST_F(MainWindowTest, TheDataFileWorkbookHoldsTheFileTheSetWasReadFrom) {
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", dir / "gear.bak");
    veldrim::testing::Spit(dir / "gear.qb3", "ein anderer Satz\r\n");
    ASSERT_TRUE(OpenDataSet(dir / "gear.bak"));
    ScriptedUi scripted;  // records the opening instead of starting a program
    SetUi(&scripted);
    window->Item("mi_fileToSpreadsheet")->trigger();
    SetUi(&ui);
    const auto opened = scripted.CallsOf("open-document");
    ASSERT_EQ(opened.size(), 1u);
    const QString first =
        Output("/usr/bin/python3", {"-c",
                                    "import openpyxl,sys\n"
                                    "print(openpyxl.load_workbook(sys.argv[1]).active['A1'].value)",
                                    QString::fromStdString(opened[0].text)});
    const std::string bak = veldrim::testing::Slurp(dir / "gear.bak");
    EXPECT_EQ(first.trimmed().toStdString(), bak.substr(0, bak.find('\r')));
}

TEST_F(MainWindowTest, WheelGoesToTheSiblingProgramsFile) {
    const std::string qub = dir / "rad.qub";
    test::ModalDriver driver([&](QWidget* w) { return AnswerFileDialog(w, qub); });
    window->Item("mi_fileExportWheel")->trigger();
    ASSERT_TRUE(fs::exists(qub));
    EXPECT_GT(fs::file_size(qub), 100u);
    EXPECT_EQ(dataFileExtension, "qb3") << "the user's data set keeps its extension";
}

// The database menu shows the table editor window: the material pick takes
// the clicked record into the gear, the lubricant table opens for editing.
TEST_F(MainWindowTest, DatabaseMenuShowsTheTableEditor) {
    for (const char* table : {"vovuzi.dbf", "lubri.dbf"})
        fs::copy_file(fs::path(VELDRIM_DATA_DIR) / table, fs::path(dir.path()) / table);
    databaseDirectory = dir.path();
    veldrim::testing::TempDir user{"veldrim-user"};
    userDirectory = user.path();
    InstallQtTableEditor();
    test::ModalDriver pick([](QWidget* w) {
        auto* editor = qobject_cast<TableEditorWindow*>(w);
        if (!editor || editor->model->rowCount() < 2) return false;
        EXPECT_TRUE(editor->PickMode());
        // Row 6 in the order by kind and heat treatment.
        editor->grid->setCurrentIndex(editor->model->index(6, 0));
        editor->buttonOk->click();
        return true;
    });
    {
        // The calculation after the pick may list its messages.
        test::ModalDriver messages([](QWidget* w) {
            if (!w->objectName().startsWith("Tin_")) return false;
            static_cast<QDialog*>(w)->reject();
            return true;
        });
        window->findChild<QAction*>("mi_databaseMaterialWheel")->trigger();
    }
    EXPECT_TRUE(pick.acted());
    EXPECT_EQ(gearPair.materialCode[2], 5) << "the fifth record of the material table";
    EXPECT_TRUE(modifiedFlag);

    test::ModalDriver edit([](QWidget* w) {
        auto* editor = qobject_cast<TableEditorWindow*>(w);
        if (!editor) return false;
        EXPECT_FALSE(editor->PickMode());
        EXPECT_TRUE(editor->windowTitle().contains("lubri.dbf"))
            << editor->windowTitle().toStdString();
        EXPECT_GT(editor->model->rowCount(), 0);
        editor->buttonCancel->click();
        return true;
    });
    window->findChild<QAction*>("mi_databaseLubricantTable")->trigger();
    EXPECT_TRUE(edit.acted());
    EXPECT_FALSE(TableEditorForm->tzdbf.Active()) << "the table is closed after the editor";
    tableEditorShowHook = nullptr;
}

// A command that fails with an exception nobody expected is reported where
// it started; the window and the user's unsaved data set stay.
TEST_F(MainWindowTest, AFailingCommandIsReportedAndTheDataSetStays) {
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "lubri.dbf", fs::path(dir.path()) / "lubri.dbf");
    databaseDirectory = dir.path();
    veldrim::testing::TempDir user{"veldrim-user"};
    userDirectory = user.path();
    window->show();
    gearPair.P = 7.5L;
    gearPair.materialName[2] = "CuSn12-C-GZ";
    modifiedFlag = true;
    tableEditorShowHook = [](Tdbf4&, const std::string&, int) {
        throw std::out_of_range("vector::_M_range_check: __n (which is 2) >= this->size()");
    };
    QString shown;
    test::ModalDriver box([&shown](QWidget* w) {
        auto* mb = qobject_cast<QMessageBox*>(w);
        if (!mb) return false;
        shown = mb->text();
        mb->accept();
        return true;
    });
    window->findChild<QAction*>("mi_databaseLubricantTable")->trigger();
    tableEditorShowHook = nullptr;
    EXPECT_TRUE(box.acted());
    EXPECT_TRUE(shown.contains("Schmierstofftabelle bearbeiten")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("_M_range_check")) << shown.toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(gearPair.P, 7.5L);
    EXPECT_EQ(gearPair.materialName[2], "CuSn12-C-GZ");
    EXPECT_TRUE(modifiedFlag) << "the data set is still unsaved";
}

// Regression: a lubricant table with a field without a name ended the
// program when the editor showed it.
TEST_F(MainWindowTest, ALubricantTableWithANamelessFieldOpensInTheEditor) {
    veldrim::testing::Spit((fs::path(dir.path()) / "lubri.dbf").string(), [] {
        const auto b = veldrim::testing::BuildDbf(
            0x03, {{"TYP", 'C', 8, 0}, {"", 'C', 4, 0}, {"VISK", 'N', 6, 1}},
            {" oil     ab    220.0", " grease  cd    460.0"});
        return std::string(b.begin(), b.end());
    }());
    databaseDirectory = dir.path();
    veldrim::testing::TempDir user{"veldrim-user"};
    userDirectory = user.path();
    InstallQtTableEditor();
    QStringList heads, firstRow;
    test::ModalDriver edit([&](QWidget* w) {
        auto* editor = qobject_cast<TableEditorWindow*>(w);
        if (!editor || editor->model->rowCount() < 2) return false;
        for (int c = 0; c < editor->model->columnCount(); ++c) {
            heads << editor->model->headerData(c, Qt::Horizontal).toString();
            firstRow << editor->model->index(0, c).data().toString();
        }
        editor->grid->viewport()->grab();
        editor->buttonCancel->click();
        return true;
    });
    window->findChild<QAction*>("mi_databaseLubricantTable")->trigger();
    tableEditorShowHook = nullptr;
    EXPECT_TRUE(edit.acted());
    EXPECT_EQ(heads, (QStringList{"TYP", "#2", "VISK"}));
    EXPECT_EQ(firstRow, (QStringList{"oil", "ab", "220.0"}));
    EXPECT_FALSE(TableEditorForm->tzdbf.Active());
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

std::vector<ScriptedUi::Call> CallsOf(const ScriptedUi& ui, const std::string& kind) {
    std::vector<ScriptedUi::Call> out;
    for (const auto& c : ui.calls)
        if (c.kind == kind) out.push_back(c);
    return out;
}

// Lines of the display list that hold a text.
bool DisplayListHolds(const std::string& text) {
    for (const std::string& line : DisplayList)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

// The demo data set's view: the viscosity diagram of its ISO VG 220 oil and
// the power balance, on screen and in the DXF file (read by ezdxf).
TEST_F(MainWindowTest, DemoSetViewShowsTheResultDiagram) {
    const std::string demo = dir / "demo.qb3";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", demo);
    ASSERT_TRUE(OpenDataSet(demo));
    DisplayList.clear();
    window->Item("mi_viewDiagram")->trigger();
    EXPECT_TRUE(DisplayListHolds("Leistungsbilanz"));

    const std::string dxf = dir / "diagram.dxf";
    test::ModalDriver driver([&](QWidget* w) { return AnswerFileDialog(w, dxf); });
    window->Item("mi_cadDxf")->trigger();
    ASSERT_TRUE(fs::exists(dxf));
    const QString out =
        Output("/usr/bin/python3", {"-c",
                                    "import ezdxf,sys\n"
                                    "d=ezdxf.readfile(sys.argv[1])\n"
                                    "print(len(d.audit().errors))\n"
                                    "for e in d.modelspace().query('TEXT'): print(e.dxf.text)",
                                    QString::fromStdString(dxf)});
    const QStringList lines = out.split('\n');
    EXPECT_EQ(lines.value(0), "0") << out.toStdString();
    EXPECT_TRUE(lines.contains(QString::fromUtf8("Viskosität des Schmierstoffs")))
        << out.toStdString();
    EXPECT_TRUE(lines.contains("Leistungsbilanz")) << out.toStdString();
    // The demo oil: ISO VG 220, so 220 mm²/s at 40 °C.
    EXPECT_TRUE(out.contains(QString::fromUtf8("v40 220 mm²/s"))) << out.toStdString();
}

TEST_F(MainWindowTest, DiagramWithoutResultsSaysWhyAndDrawsNothing) {
    ScriptedUi scripted;
    SetUi(&scripted);
    fatalFlag = true;
    DisplayList.clear();
    window->Item("mi_viewDiagram")->trigger();
    SetUi(&ui);
    EXPECT_TRUE(DisplayList.empty());
    const auto messages = CallsOf(scripted, "message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("keine berechneten Ergebnisse"), std::string::npos);
}

// The open help-picture form, if any.
THelpPictureForm* HelpPictureForm() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = dynamic_cast<THelpPictureForm*>(w); f && f->isVisible()) return f;
    return nullptr;
}

// The help-picture form offers the shipped pictures in name order and draws
// the chosen one in the window. It opens at the help-picture position (1, 1
// at start-up) and, when it closes, keeps where it was for the next opening.
TEST_F(MainWindowTest, HelpPictureFormDrawsAndKeepsItsPosition) {
    InstallHpglHelpPictures();
    DisplayList.clear();
    window->Item("mi_helpPicture")->trigger();
    QPointer<THelpPictureForm> form = HelpPictureForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->pos(), QPoint(1, 1));
    QStringList names;
    for (int i = 0; i < form->ListBox_pictures->count(); ++i)
        names << form->ListBox_pictures->item(i)->text();
    EXPECT_EQ(names, (QStringList{"cadausg", "diagramm", "null", "plotter", "stlhoehe"}));
    form->ListBox_pictures->setCurrentRow(1);
    QTest::mouseClick(form->findChild<QPushButton*>("Button_show"), Qt::LeftButton);
    EXPECT_TRUE(DisplayListHolds("Diagramm: Achsen, Teilung und Kurve"));
    EXPECT_TRUE(form->isVisible()) << "the form stays open";

    form->move(150, 120);
    form->findChild<QPushButton*>("Button_close")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull()) << "closed and freed";
    EXPECT_EQ(helpPicturePosition.left, 150);
    EXPECT_EQ(helpPicturePosition.top, 120);

    window->Item("mi_helpPicture")->trigger();
    form = HelpPictureForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->pos(), QPoint(150, 120));
    form->move(60, 70);
    QTest::keyClick(form, Qt::Key_Escape);  // Escape closes it too
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(helpPicturePosition.left, 60);
    EXPECT_EQ(helpPicturePosition.top, 70);
}

TEST_F(MainWindowTest, HelpPictureFormNeedsPictures) {
    ScriptedUi scripted;
    SetUi(&scripted);
    helpDirectory = dir.path();
    window->Item("mi_helpPicture")->trigger();
    SetUi(&ui);
    EXPECT_EQ(HelpPictureForm(), nullptr);
    const auto messages = CallsOf(scripted, "message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Keine Hilfebilder in " + dir.path());
}

TEST_F(MainWindowTest, StartPictureIsPlayedOnlyWhenItExists) {
    InstallHpglHelpPictures();
    helpDirectory = dir.path();
    DisplayList.clear();
    PlayStartPicture();
    EXPECT_TRUE(DisplayList.empty());
    veldrim::testing::Spit(dir / "start.plt", "IN;SP1;PU800,4000;LBWillkommen\x03;PU0,0;PD4000,0;");
    PlayStartPicture();
    EXPECT_TRUE(DisplayListHolds("Willkommen"));
    EXPECT_FALSE(cancelFlag);
}

// The lubricant pick of the database menu: the picked oil (the table's
// polyglycol ISO VG 460, 460 and 71 mm²/s) goes into the data set, which
// counts as changed and is calculated again; a cancelled pick changes
// nothing.
TEST_F(MainWindowTest, LubricantPickChangesAndRecalculatesTheDataSet) {
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "lubri.dbf", dir / "lubri.dbf");
    databaseDirectory = dir.path() + "/";
    ScriptedUi scripted;
    SetUi(&scripted);
    const Real v40Before = wormGear.v40;
    scripted.QueueChoice(std::nullopt);
    window->Item("mi_databaseLubricant")->trigger();
    EXPECT_EQ(wormGear.v40, v40Before);
    EXPECT_FALSE(modifiedFlag);
    wormGear.eta = 0;  // a result the recalculation must bring back
    scripted.QueueChoice(1);
    window->Item("mi_databaseLubricant")->trigger();
    SetUi(&ui);
    EXPECT_EQ(wormGear.v40, 460);
    EXPECT_EQ(wormGear.v100, 71);
    EXPECT_TRUE(modifiedFlag);
    EXPECT_GT(wormGear.eta, 0.5L);
}

// The report menu writes the calculation messages as a report of their own;
// the help menu keeps the list of the messages with cause and remedy.
TEST_F(MainWindowTest, MessagesReportFromTheReportMenu) {
    ScriptedUi scripted;
    SetUi(&scripted);
    fatalFlag = false;
    ClearMessages();
    AddMessage("Warnung: Zahnbreite !  (2)");
    textDevice = kReportScreen;
    textDeviceWindow = false;
    window->Item("mi_viewMessages")->trigger();
    const auto shown = CallsOf(scripted, "show-text");
    ASSERT_EQ(shown.size(), 1u);
    // The screen report is the file "outwin.txt" of the user directory.
    const std::string report = veldrim::testing::Slurp(dir / "outwin.txt");
    EXPECT_NE(report.find("Error Messages"), std::string::npos) << report;
    EXPECT_NE(report.find("BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN"), std::string::npos) << report;
    EXPECT_NE(report.find("Zahnbreite"), std::string::npos) << report;
    EXPECT_TRUE(CallsOf(scripted, "list").empty());
    window->Item("mi_helpMessages")->trigger();
    SetUi(&ui);
    const auto lists = CallsOf(scripted, "list");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_NE(lists[0].text.find("Zahnbreite"), std::string::npos) << lists[0].text;
    EXPECT_EQ(CallsOf(scripted, "show-text").size(), 1u) << "no second report";
    // Ctrl+M keeps opening the list.
    EXPECT_EQ(window->Item("mi_helpMessages")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
}

// The hardness conversion changes nothing of the data set, so it leaves the
// calculation's messages as they were: its own range message shows only in
// its table, and Ctrl+M lists the set's warning afterwards as before.
TEST_F(MainWindowTest, HardnessConversionKeepsTheCalculationMessages) {
    ScriptedUi scripted;
    SetUi(&scripted);
    gearPair.sigHlim[1] = 150;  // the worm fails in pitting: a warning
    RunCalculation();
    ASSERT_FALSE(fatalFlag);
    const std::uint16_t count = messageList.count;
    ASSERT_GE(count, 1);
    window->Item("mi_helpMessages")->trigger();
    ScriptedUi::OnlineReply convert;  // HB 5 is below the scale
    convert.edits = {{11, "5"}};
    convert.row = 11;
    scripted.onlineReplies = {convert};  // then closed
    window->Item("mi_calcHardness")->trigger();
    window->Item("mi_helpMessages")->trigger();
    SetUi(&ui);
    ASSERT_EQ(scripted.onlineForms.size(), 2u);
    const auto& toolShown = scripted.onlineForms[1].messages;
    EXPECT_NE(std::find(toolShown.begin(), toolShown.end(), "HB:76.0..893.0 !"), toolShown.end());
    EXPECT_EQ(messageList.count, count);
    EXPECT_FALSE(fatalFlag);
    const auto lists = CallsOf(scripted, "list");
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_THAT(lists[0].text, ::testing::HasSubstr("Warnung: SH<1  (1)"));
    EXPECT_EQ(lists[1].text, lists[0].text);
}

// The plot program form edits the command line in use, not the others.
TEST_F(MainWindowTest, PlotProgramFormEditsTheCommandLineInUse) {
    ScriptedUi scripted;
    SetUi(&scripted);
    CadOutputState.plotCommandIndex = 2;
    PlotProgramSettings settings = DefaultPlotProgramSettings();
    settings.programPath = "/opt/plot/wgrafmit";
    settings.outputDirectory = "/tmp/";
    scripted.plotProgramReplies.push_back(settings);
    window->Item("mi_cadPlotConfig")->trigger();
    SetUi(&ui);
    // The form's default interface is a file, the plot file itself.
    EXPECT_EQ(CadOutputState.plotCommandLines[1],
              "/opt/plot/wgrafmit /tmp/grafmit /CHPL /D3 /F/tmp/grafmit");
    EXPECT_EQ(CadOutputState.plotCommandLines[0], kDefaultPlotCommandLine);
}

// A layout saved from the printer form comes back into a new form, also the
// fields the form has no control for.
TEST_F(SettingsFormsTest, PrinterFormSavesAndLoadsALayout) {
    fs::create_directories(dir / "dbf");
    fs::create_directories(dir / "user");
    databaseDirectory = dir / "dbf/";
    userDirectory = dir / "user/";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "printout.dbf", dir / "dbf/printout.dbf");
    ScriptedUi scripted;
    SetUi(&scripted);
    {
        TForm_printconf form(*window);
        form.Edit_scaleX->setValue(0.5);
        form.Edit_scaleY->setValue(0.75);
        form.Edit_originX->setValue(-20);
        form.Edit_originY->setValue(15);
        form.CheckBox_frame->setChecked(true);
        form.ComboBox_colourMode->setCurrentIndex(0);
        scripted.QueueText(std::string("Werkstatt"));
        form.Button_saveLayoutClick();
    }
    TForm_printconf form(*window);
    scripted.QueueChoice(1);  // the shipped layout first, then ours
    form.Button_loadLayoutClick();
    SetUi(&ui);
    EXPECT_EQ(form.Edit_scaleX->value(), 0.5);
    EXPECT_EQ(form.Edit_scaleY->value(), 0.75);
    EXPECT_EQ(form.Edit_originX->value(), -20);
    EXPECT_EQ(form.Edit_originY->value(), 15);
    EXPECT_TRUE(form.CheckBox_frame->isChecked());
    EXPECT_EQ(form.ComboBox_colourMode->currentIndex(), 0);
}

// Another program holds the layout table's file lock: saving a layout
// tells in a message box that the table is locked and the layout not saved,
// and the table keeps its records; once the other program has let go, the
// same save goes through.
TEST_F(SettingsFormsTest, ALayoutSaveRefusedByAnotherProgramsLockSaysSo) {
    fs::create_directories(dir / "dbf");
    fs::create_directories(dir / "user");
    databaseDirectory = dir / "dbf/";
    userDirectory = dir / "user/";
    const std::string table = dir / "dbf/printout.dbf";
    fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "printout.dbf", table);
    const auto records = [&] {
        return testing::RunCapture({"/usr/bin/python3", "-c",
                                    "import sys, dbfread\n"
                                    "print([r['NAME'] for r in dbfread.DBF(sys.argv[1])])",
                                    table});
    };
    const std::string before = records();
    test::ModalMessageUi boxes;
    SetUi(&boxes);
    TForm_printconf form(*window);
    {
        testing::Peer other = testing::FileLockHolder(table);
        ASSERT_EQ(other.Receive(), 'y') << "the other program holds the file lock";
        boxes.QueueText(std::string("Werkstatt"));
        form.Button_saveLayoutClick();
        EXPECT_EQ(boxes.TextsOf("message"),
                  std::vector<std::string>{std::string(
                      "Sperren fehlgeschlagen [Insert]\r\nDie Tabelle ist von einem anderen "
                      "Programm gesperrt. Der neue Datensatz ist nicht gespeichert und bleibt "
                      "erhalten: bitte erneut speichern, sobald das andere Programm die Tabelle "
                      "freigegeben hat.")});
        EXPECT_EQ(boxes.closedByOk, 1) << "the message ran in a box of its own";
        EXPECT_EQ(records(), before);
        EXPECT_EQ(other.Finish(), 0);
    }
    boxes.QueueText(std::string("Werkstatt"));
    form.Button_saveLayoutClick();
    SetUi(&ui);
    EXPECT_EQ(boxes.TextsOf("message").size(), 1u);
    EXPECT_NE(records().find("'Werkstatt'"), std::string::npos) << records();
}

}  // namespace
}  // namespace veldrim
