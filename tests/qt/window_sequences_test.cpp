// The window's commands that lead through forms and picks, driven through the
// real dialogs on the demo data set: a cancel anywhere restores the set, a
// completed sequence recalculates and marks it changed, a calculation with
// messages shows them, picks derive what depends on them, and a typed value is
// saved as typed.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/config_file.h"
#include "app/data_file_sections.h"
#include "app/main_commands.h"
#include "app/startup.h"
#include "app/qt/main_window.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/qt/text_viewer.h"
#include "reports/report_channel.h"
#include "qt/qt_test_support.h"
#include "reports/calc_report.h"
#include "support/test_files.h"
#include "tables/datasets/table_access.h"
#include "tables/qt/table_editor_form.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using test::Child;

// Acts on a series of modal windows in turn, each found by its object name
// (or one of several, separated by "|").
// A modal window that no step expects is rejected and its name recorded, so
// a test can fail but never hang; after 10 s every open one is rejected.
class FormSteps : public QObject {
public:
    struct Step {
        const char* window;
        std::function<void(QWidget*)> act;
    };
    explicit FormSteps(std::deque<Step> steps) : steps_(std::move(steps)) {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start();
    }
    bool done() const { return steps_.empty(); }
    std::vector<std::string> unexpected;

private:
    void Tick() {
        QWidget* w = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(w);
        if (++ticks_ > 1000) {
            if (dialog) dialog->reject();
            return;
        }
        if (!w || !w->isVisible() || w == last_) return;
        if (!steps_.empty() &&
            QString(steps_.front().window).split('|').contains(w->objectName())) {
            last_ = w;
            auto act = std::move(steps_.front().act);
            steps_.pop_front();
            act(w);
        } else if (dialog) {
            unexpected.push_back(w->objectName().toStdString());
            dialog->reject();
        }
    }
    std::deque<Step> steps_;
    QTimer timer_;
    QPointer<QWidget> last_;  // cleared when it is gone: the next may take its address
    int ticks_ = 0;
};

void Click(QWidget* w, const char* button) {
    auto* b = Child<QPushButton>(w, button);
    ASSERT_NE(b, nullptr) << button << " in " << w->objectName().toStdString();
    b->click();
}

// Types into an edit as the user would, so the form derives what follows.
void Type(QWidget* w, const QString& edit, const QString& text) {
    auto* e = w->findChild<QLineEdit*>(edit);
    ASSERT_NE(e, nullptr) << edit.toStdString();
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
}

// The table editor's pick of the record on a row (0 the first).
std::function<void(QWidget*)> TakeRow(int row) {
    return [row](QWidget* w) {
        auto* editor = qobject_cast<TableEditorWindow*>(w);
        ASSERT_NE(editor, nullptr);
        editor->grid->setCurrentIndex(editor->model->index(row, 0));
        editor->buttonOk->click();
    };
}

const QString kEditPowerWorm = QString("Edit_%1").arg(kEditP1);

class WindowSequenceTest : public test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        InitCylGearModule();
        InitProductIdentity();
        InstallDataFileSections();
        userDirectory = dataDirectory = dir.path();
        helpDirectory = VELDRIM_DATA_DIR;
        for (const char* f : {"demo.qb3", "vovuzi.dbf", "lubri.dbf"})
            fs::copy_file(fs::path(VELDRIM_DATA_DIR) / f, dir / f);
        databaseDirectory = dir.path() + "/";
        window = std::make_unique<Thh>();
        SetGraphicsWindow(window.get());
        InstallDefaultResultView();  // as the program's window does
        ASSERT_TRUE(OpenDataSet(dir.path() + "/demo.qb3"));
        ASSERT_EQ(messageList.count, 0) << "the demo set calculates without messages";
    }
    void TearDown() override {
        SetGraphicsWindow(nullptr);
        window.reset();
        tableEditorShowHook = nullptr;
        QtFixture::TearDown();
    }
    void Trigger(const char* item) {
        MenuAction* a = window->Item(item);
        ASSERT_NE(a, nullptr) << item;
        a->trigger();
    }
    // Every record field as it was.
    void ExpectDataSet(const GearPairRecord& g, const WormGearRecord& w, const CylGearRecord& c,
                       const std::string& step) {
        EXPECT_TRUE(gearPair == g) << step << ": gear pair record changed";
        EXPECT_TRUE(wormGear == w) << step << ": worm gear record changed";
        EXPECT_TRUE(cylGear == c) << step << ": cylindrical gear record changed";
        EXPECT_FALSE(modifiedFlag) << step;
        EXPECT_FALSE(cancelFlag) << step;
    }
    veldrim::testing::TempDir dir{"veldrim-sequences"};
    std::unique_ptr<Thh> window;
};

// P = 7 kW typed, then a cancel at each step of the pre-dimensioning: every
// record field is as before, and nothing counts as changed.
TEST_F(WindowSequenceTest, PreDimensionCancelledAtAnyStepLeavesTheDataSetAsItWas) {
    const GearPairRecord g = gearPair;
    const WormGearRecord w = wormGear;
    const CylGearRecord c = cylGear;
    auto typeSeven = [](QWidget* f) { Type(f, kEditPowerWorm, "7"); };
    auto ok = [](QWidget* f) { Click(f, "Button_ok"); };
    struct Case {
        const char* step;
        std::deque<FormSteps::Step> steps;
    } cases[] = {
        {"operating data cancelled",
         {{"TForm_qub3pre",
           [&](QWidget* f) {
               typeSeven(f);
               Click(f, "Button_cancel");
           }}}},
        {"operating data calculated, then cancelled",
         {{"TForm_qub3pre",
           [&](QWidget* f) {
               typeSeven(f);
               Click(f, "Button_calc");
               Click(f, "Button_cancel");
           }}}},
        // The material form's Abbrechen does not end the sequence: the
        // centre-distance question still comes, and its Abbrechen ends it.
        {"material form cancelled, then the centre distance",
         {{"TForm_qub3pre",
           [&](QWidget* f) {
               typeSeven(f);
               ok(f);
           }},
          {"TForm_vovuzi", [](QWidget* f) { Click(f, "Button_cancel"); }},
          {"Tin_textdialog", [](QWidget* f) { Click(f, "button_cancel"); }}}},
        {"centre distance cancelled",
         {{"TForm_qub3pre",
           [&](QWidget* f) {
               typeSeven(f);
               ok(f);
           }},
          {"TForm_vovuzi", ok},
          {"Tin_textdialog", [](QWidget* f) { Click(f, "button_cancel"); }}}},
    };
    for (auto& c_ : cases) {
        FormSteps driver(std::move(c_.steps));
        Trigger("mi_calcPreDimension");
        EXPECT_TRUE(driver.done()) << c_.step;
        EXPECT_TRUE(driver.unexpected.empty()) << c_.step << ": " << driver.unexpected.front();
        ExpectDataSet(g, w, c, c_.step);
    }
}

// "KA ?" in the operating-data form: help entry 4010 has no picture, so its
// text is shown (the application factor, with the factors of uniform
// operation and of shocks), and the demo set's view stays drawn, also after
// the form is left.
TEST_F(WindowSequenceTest, KaHelpShowsItsTextAndLeavesTheViewDrawn) {
    ASSERT_FALSE(DisplayList.empty()) << "the demo set is drawn";
    const std::vector<std::string> view = DisplayList;
    QString caption, text;
    // The help's message box opens inside the click; the click runs apart
    // from the driver's tick so that the tick can answer the box.
    FormSteps driver({{"TForm_qub3pre",
                       [](QWidget* f) {
                           QTimer::singleShot(0, f, [f] {
                               Click(f, "Button_kaHelp");
                               EXPECT_FALSE(DisplayList.empty()) << "the view with the form open";
                               Click(f, "Button_cancel");
                           });
                       }},
                      {"MessageBox", [&](QWidget* w) {
                           auto* box = qobject_cast<QMessageBox*>(w);
                           ASSERT_NE(box, nullptr);
                           caption = box->windowTitle();
                           text = box->text();
                           box->accept();
                       }}});
    Trigger("mi_calcPreDimension");
    EXPECT_TRUE(driver.done());
    EXPECT_TRUE(driver.unexpected.empty()) << driver.unexpected.front();
    EXPECT_EQ(caption.toStdString(), "HILFETEXT Nr.4010");
    EXPECT_TRUE(text.startsWith("Anwendungsfaktor KA.")) << text.toStdString();
    EXPECT_TRUE(text.contains("1.25")) << text.toStdString();
    EXPECT_EQ(DisplayList, view);
}

// Completed, the sequence leaves a calculated set (a further calculation
// changes nothing) with the typed power, marked as changed.
TEST_F(WindowSequenceTest, PreDimensionCompletedIsCalculatedAndMarkedChanged) {
    auto ok = [](QWidget* f) { Click(f, "Button_ok"); };
    FormSteps driver({{"TForm_qub3pre",
                       [&](QWidget* f) {
                           Type(f, kEditPowerWorm, "7");
                           ok(f);
                       }},
                      {"TForm_vovuzi", ok},
                      {"Tin_textdialog", [](QWidget* f) { Click(f, "button_ok"); }}});
    Trigger("mi_calcPreDimension");
    EXPECT_TRUE(driver.done());
    EXPECT_TRUE(modifiedFlag);
    EXPECT_EQ(gearPair.P, 7);
    const GearPairRecord g = gearPair;
    const WormGearRecord w = wormGear;
    RunCalculation();
    EXPECT_TRUE(gearPair == g) << "the gear pair was not calculated";
    EXPECT_TRUE(wormGear == w) << "the worm gear was not calculated";
}

// At 2 decimals the forms show Poisson's ratio 0.3 as "0", the density 7.8
// as "8" and KA 1.25 as "1.2": OK through the pre-dimensioning without an
// edit, then Speichern, and the file still holds 0.3, 7.8, 1.25 and dm1/a
// 0.33 (the pre-dimensioning itself changes only the geometry).
TEST_F(WindowSequenceTest, PreDimensionAtTwoDecimalsSavesTheValuesNobodyEdited) {
    gearPair.nue = {{0.3L, 0.3L}};
    gearPair.rho = {{7.8L, 7.8L}};
    wormGear.dm1a = 0.33L;
    Trigger("mi_fileSave");
    ASSERT_TRUE(OpenDataSet(dir.path() + "/demo.qb3"));
    decimalsSetting = 2;
    auto ok = [](QWidget* f) { Click(f, "Button_ok"); };
    std::map<std::string, QString> shown;
    FormSteps driver({{"TForm_qub3pre",
                       [&](QWidget* f) {
                           shown["KA"] =
                               f->findChild<QLineEdit*>(QString("Edit_%1").arg(kEditKA))->text();
                           ok(f);
                       }},
                      {"TForm_vovuzi",
                       [&](QWidget* f) {
                           shown["rho"] = f->findChild<QLineEdit*>("Edit_value1_1")->text();
                           shown["nue"] = f->findChild<QLineEdit*>("Edit_value2_3")->text();
                           ok(f);
                       }},
                      {"Tin_textdialog", [](QWidget* f) { Click(f, "button_ok"); }}});
    Trigger("mi_calcPreDimension");
    ASSERT_TRUE(driver.done());
    EXPECT_EQ(shown["KA"], "1.2");
    EXPECT_EQ(shown["rho"], "8");
    EXPECT_EQ(shown["nue"], "0");
    Trigger("mi_fileSave");
    ResetGearData();
    ASSERT_TRUE(ReadDataFile(dir.path() + "/demo.qb3"));
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(gearPair.nue[i], 0.3L) << "gear " << i;
        EXPECT_EQ(gearPair.rho[i], 7.8L) << "gear " << i;
    }
    EXPECT_EQ(wormGear.KA, 1.25L);
    EXPECT_EQ(wormGear.dm1a, 0.33L);
}

// A grey cast iron wheel (EN-GJL-250, Sig.Hlim 350 N/mm², YW 1.4) under the
// demo set's 3 kW: its flank is overloaded (SH < 1 after Niemann and after
// both DIN 3996 editions), the calculation ends with errors, and the message
// list appears by itself; the status bar counts the messages.
TEST_F(WindowSequenceTest, MessageListIsShownAfterAPickThatEndsWithMessages) {
    InstallQtTableEditor();
    bool listed = false;
    FormSteps driver({{"dbf4", TakeRow(4)}, {"Tin_codedialog|Tin_radiodialog", [&](QWidget* w) {
                                                 listed = true;
                                                 static_cast<QDialog*>(w)->reject();
                                             }}});
    Trigger("mi_databaseMaterialWheel");
    ASSERT_EQ(gearPair.materialName[2], "EN-GJL-250");
    ASSERT_GT(messageList.count, 0);
    EXPECT_TRUE(listed) << "message list not shown; unexpected: "
                        << (driver.unexpected.empty() ? "-" : driver.unexpected.front());
    const QString status = window->findChild<QLabel*>("CalculationStatus")->text();
    EXPECT_EQ(status.toStdString(), "Berechnung: 2 Fehler, 1 Warnung (Strg+M)");
}

// The line of the screen report (Ausdruck Geometrie und Festigkeit) that
// holds a label.
std::string ReportLine(Thh& window, const QString& label) {
    textDevice = kReportScreen;
    textDeviceWindow = false;
    window.Item("mi_viewausdruckgeometriefestigkeit")->trigger();
    std::string line;
    QList<QPointer<QWidget>> viewers;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = dynamic_cast<TForm_showtextfile*>(w)) {
            for (const QString& l : v->Memo1->toPlainText().split('\n'))
                if (l.contains(label)) line = l.simplified().toStdString();
            viewers << w;
        }
    for (const QPointer<QWidget>& w : viewers) delete w.data();
    return line;
}

// Polyglycol ISO VG 460 instead of the demo set's VG 220: the thicker oil
// raises v50 (312.8 mm²/s by the viscosity line through 460 and 71 mm²/s)
// and with it the no-load loss, so the efficiency drops.
TEST_F(WindowSequenceTest, LubricantPickChangesTheReportsViscosityAndEfficiency) {
    InstallQtTableEditor();
    const std::string v50Before = ReportLine(*window, "v50");
    const std::string etaBefore = ReportLine(*window, "Gesamtwirkungsgrad");
    ASSERT_FALSE(v50Before.empty());
    FormSteps driver({{"dbf4", TakeRow(1)}});
    Trigger("mi_databaseLubricant");
    ASSERT_TRUE(driver.done());
    ASSERT_EQ(wormGear.v40, 460);
    const std::string v50After = ReportLine(*window, "v50");
    EXPECT_NE(v50After, v50Before);
    EXPECT_NE(v50After.find("312.8"), std::string::npos) << v50After;
    EXPECT_NE(ReportLine(*window, "Gesamtwirkungsgrad"), etaBefore);
    EXPECT_LT(wormGear.eta, 0.9L);
}

// The worm steel 16MnCr5 has no tooth-root strength in the table: the data
// set's Sigma FE (860 N/mm²) stays, a notice says so, and the root is not
// rated with 0 (which gave SF 0.00 and false errors).
TEST_F(WindowSequenceTest, WormPickOfASteelWithoutRootStrengthKeepsTheRating) {
    InstallQtTableEditor();
    bool told = false;
    FormSteps driver({{"dbf4", TakeRow(0)}, {"MessageBox", [&](QWidget* w) {
                                                 told = true;
                                                 static_cast<QDialog*>(w)->accept();
                                             }}});
    Trigger("mi_databaseMaterialWorm");
    ASSERT_EQ(gearPair.materialName[1], "16MnCr5");
    EXPECT_TRUE(told);
    EXPECT_EQ(gearPair.sigmaFE[1], 860);
    EXPECT_GT(gearPair.SF[1], 1);
    for (int i = 1; i <= messageList.count; ++i)
        EXPECT_EQ(messageList.slot[static_cast<std::size_t>(i)].find("SF"), std::string::npos)
            << messageList.slot[static_cast<std::size_t>(i)];
    EXPECT_TRUE(driver.unexpected.empty());
}

// A centre distance typed as 110 in the geometry design is saved as 110,
// also after the recalculation table was opened and closed.
TEST_F(WindowSequenceTest, TypedCentreDistanceIsSavedAsTyped) {
    {
        FormSteps design({{"TForm_online",
                           [](QWidget* f) {
                               Type(f, "Edit_input2", "110");
                               Click(f, "Button_ok");
                           }},
                          {"TForm_online", [](QWidget* f) { Click(f, "Button_close"); }}});
        Trigger("mi_calcDesignGeometry");
        ASSERT_TRUE(design.done());
    }
    {
        FormSteps recalc({{"TForm_online", [](QWidget* f) { Click(f, "Button_close"); }}});
        Trigger("mi_calcRecalcGeometry");
        ASSERT_TRUE(recalc.done());
    }
    EXPECT_TRUE(modifiedFlag);
    Trigger("mi_fileSave");
    std::ifstream in(dir / "demo.qb3", std::ios::binary);
    std::vector<std::string> near110;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("110.0")) near110.push_back(line);
    }
    ASSERT_EQ(near110.size(), 1u);
    EXPECT_EQ(near110[0], "110.0000000");
}

}  // namespace
}  // namespace veldrim
