#include "app/qt/main_window.h"

#include <QActionGroup>
#include <algorithm>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>

#include "foundation/program_state.h"
#include "app/config_file.h"
#include "app/main_commands.h"
#include "app/qt/help_picture_form.h"
#include "app/qt/settings_forms.h"
#include "calc/design.h"
#include "calc/hardness.h"
#include "calc/forms/material_pick.h"
#include "calc/worm_geometry.h"
#include "foundation/files.h"
#include "foundation/form_placement.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/message_display.h"
#include "foundation/program_state.h"
#include "foundation/qt/pdf_file.h"
#include "foundation/qt/qt_support.h"
#include "foundation/qt/qt_translations.h"
#include "foundation/system_info.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/diagrams/wireframe_3d.h"
#include "graphics/graphics_defaults.h"
#include "graphics/plot_program.h"
#include "graphics/zoom_keys.h"
#include "reports/calc_report.h"
#include "reports/edi_file.h"
#include "reports/report_excerpt.h"
#include "reports/report_tables.h"
#include "reports/sibling_file.h"
#include "reports/spreadsheet.h"
#include "tables/datasets/table_access.h"

namespace veldrim {

bool MenuAction::HasHandler() const {
    return isSignalConnected(QMetaMethod::fromSignal(&QAction::triggered));
}

bool MenuAction::event(QEvent* e) {
    if (e->type() != QEvent::Shortcut) return QAction::event(e);
    byShortcut_ = true;
    const bool done = QAction::event(e);
    byShortcut_ = false;
    return done;
}

namespace {

// A menu command runs only while the cancel flag is clear, as every handler
// of the program starts its step afresh.
void Step(const std::function<void()>& f) {
    cancelFlag = false;
    f();
}

// A command that failed unexpectedly is reported, and the program, its data
// set and its window stay as they are.
void CommandFailed(const QString& caption, const std::string& what) {
    QString name = caption;
    name.remove('&');
    name.remove(QStringLiteral("..."));
    Ui().ShowMessage("",
                     "Der Befehl \"" + ToOem(name) + "\" ist fehlgeschlagen:\r\n" +
                         (what.empty() ? std::string("unbekannter Fehler") : what),
                     MessageKind::Error);
}

// A command that leads through forms: cancel puts the data set back, a
// completed sequence is calculated and its messages are announced.
void FormStep(void (*forms)()) {
    if (FormSequence(forms)) AnnounceCalculationMessages();
}

// The report of a mode, when the cancel flag allows it.
void Report(std::uint16_t mode) {
    Step([mode] { PrintResultReport(mode); });
}

// A pick from the tables: a record taken changes the data set, which is
// calculated again.
void PickStep(const std::function<bool()>& pick) {
    Step([&pick] {
        if (!pick()) return;
        modifiedFlag = true;
        Recalculate();
        AnnounceCalculationMessages();
    });
}

// The plot program form for the plot command line in use.
void ConfigurePlotCommandLine() {
    CadOutputRecord& s = CadOutputState;
    const std::size_t i =
        s.plotCommandIndex >= 1 && s.plotCommandIndex <= 5 ? s.plotCommandIndex : 1;
    ConfigurePlotProgram(s.plotCommandLines[i - 1]);
}

}  // namespace

Thh::Thh() {
    setObjectName("Thh");
    view_ = new GraphicsView(*this, this);
    setCentralWidget(view_);
    BuildMenus();
    statusBar()->setObjectName("StatusBar");
    calcStatus_ = new QLabel(statusBar());
    calcStatus_->setObjectName("CalculationStatus");
    statusBar()->addPermanentWidget(calcStatus_);
    // The client area is the device window (resolution + 1 pixel).
    FormGeometry g;
    SetupMainWindow(g, static_cast<int>(BackgroundColour));
    view_->setMinimumSize(std::max(g.clientWidth, 200), std::max(g.clientHeight, 150));
    QPalette p = view_->palette();
    p.setColor(QPalette::Window, ColourOf(DrawingBackground()));
    view_->setPalette(p);
    view_->setFocus();
    UpdateTitle();
}

// The view goes first: it refers to the graphics window part of this object.
Thh::~Thh() { delete view_; }

MenuAction* Thh::Add(QMenu* menu, const char* name, const QString& caption,
                     std::function<void()> handler, const QKeySequence& keys) {
    auto* a = new MenuAction(caption, menu);
    a->setObjectName(name);
    if (!keys.isEmpty()) a->setShortcut(keys);
    menu->addAction(a);
    connect(a, &QAction::triggered, this, [this, a, handler = std::move(handler)] {
        // No failure of a command may end the program: it is caught here,
        // where the command starts.
        try {
            handler();
        } catch (const std::exception& e) {
            CommandFailed(a->text(), e.what());
        } catch (...) {
            CommandFailed(a->text(), {});
        }
        AfterCommand();
    });
    return a;
}

void Thh::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(name);
        return m;
    };

    QMenu* file = menu("mi_file", "&Datei");
    Add(
        file, "mi_fileNew", "&Neu",
        [] {
            if (SavePrompt()) NewDataSet();
        },
        QKeySequence::New);
    Add(
        file, "mi_fileOpen",
        FromOem("\x99"
                "&ffnen..."),
        [] {
            if (SavePrompt()) OpenDataSetWithDialog();
        },
        QKeySequence::Open);
    Add(
        file, "mi_fileSave", "&Speichern", [] { SaveDataSet(); }, QKeySequence::Save);
    Add(file, "mi_fileSaveAs", "Speichern &unter...", [] { SaveDataSetAs(); });
    file->addSeparator();
    Add(file, "mi_fileExportEdi", "&Export EDI...", [] { Step(ExportEdi); });
    Add(file, "mi_fileExportWormRadial", "Export Schnecke &radial (Stirnrad)...",
        [] { Step([] { ExportWormToSiblingFile(1); }); });
    Add(file, "mi_fileExportWormAxial", "Export Schnecke a&xial (Stirnrad)...",
        [] { Step([] { ExportWormToSiblingFile(2); }); });
    Add(file, "mi_fileExportWheel", "Export R&ad (Stirnrad)...",
        [] { Step(ExportWheelToSiblingFile); });
    Add(file, "mi_fileToSpreadsheet", "Datei nach &Tabellenkalkulation",
        [] { Step([] { FileToSpreadsheet(currentFileName); }); });
    file->addSeparator();
    Add(
        file, "mi_filePrint", "&Drucken...",
        [this] {
            QPrinter printer(QPrinter::HighResolution);
            printer.setDocName(FromFileName(currentFileName));
            // The page turns with the sheet; the user may still change it.
            printer.setPageOrientation(SheetOrientation(*this));
            const bool go = printDialog ? printDialog(printer)
                                        : QPrintDialog(&printer, this).exec() == QDialog::Accepted;
            if (go) PrintGraphicsWindow(*this, printer);
        },
        QKeySequence::Print);
    Add(
        file, "mi_filePrintPdf", "Grafik als &PDF...",
        [] {
            const std::string base =
                currentFileName.empty() ? std::string("drawing") : currentFileName;
            const auto chosen =
                AskPdfFileName(EnsureTrailingBackslash(dataDirectory) + base + ".pdf");
            if (chosen && !PrintGraphicsWindowToPdf(Window(), *chosen))
                ShowErrorBox(NotSavedText(*chosen));
        },
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    file->addSeparator();
    for (int i = 0; i < kRecentFileCount; ++i) {
        const std::string name = "mi_fileRecent" + std::to_string(i + 1);
        recent_.push_back(Add(file, name.c_str(), QString(), [i] {
            const std::string path = recentFilesList[static_cast<std::size_t>(i)];
            if (!path.empty() && SavePrompt()) OpenDataSet(path);
        }));
    }
    file->addSeparator();
    Add(
        file, "mi_fileExit", "&Beenden", [this] { mi_fileExitClick(); }, QKeySequence::Quit);

    QMenu* calc = menu("mi_calc", "&Berechnung");
    Add(
        calc, "mi_calcRun", "&Neu berechnen",
        [] {
            Recalculate();
            AnnounceCalculationMessages();
        },
        QKeySequence(Qt::Key_F9));
    Add(calc, "mi_calcPreDimension", "&Vordimensionierung...", [] { FormStep(PreDimension); });
    Add(calc, "mi_calcDesignGeometry", "&Geometrie Auslegung...", [] { FormStep(DesignGeometry); });
    Add(calc, "mi_calcRecalcGeometry", "Geometrie Nach&rechnung...",
        [] { FormStep(RecalcGeometry); });
    Add(calc, "mi_calcDesign", "&Auslegung aus Steigungswinkel", [] {
        DesignCommand();
        AnnounceCalculationMessages();
    });
    calc->addSeparator();
    Add(calc, "mi_calcHardness", FromOem("&H\x84rteumrechnung..."),
        [] { Step([] { ConvertHardnessDialog(7000); }); });

    QMenu* view = menu("mi_view", "&Ansicht");
    Add(view, "mi_viewausdruckgeometrie", "Ausdruck &Geometrie", [] { Report(1); });
    Add(
        view, "mi_viewausdruckgeometriefestigkeit", "Ausdruck Geometrie und &Festigkeit",
        [] { Report(3); }, QKeySequence(Qt::CTRL | Qt::Key_R));
    Add(view, "mi_viewprintNiemannDin", "Ausdruck Festigkeit &Niemann / DIN 3996",
        [] { Report(2); });
    Add(view, "mi_viewprintDIN39961998", "Ausdruck DIN 3996:&1998", [] { Report(5); });
    Add(view, "mi_viewprintDIN39962012", "Ausdruck DIN 3996:&2012", [] { Report(6); });
    Add(view, "mi_viewausdruckauszug", "&Auszug Niemann", [] { Step(PrintNiemannExcerpt); });
    Add(view, "mi_olePrintoutExcel", "Ausdruck nach &Tabellenkalkulation",
        [] { Step([] { ReportToSpreadsheet(3); }); });
    view->addSeparator();
    Add(view, "mi_viewMessages", "Berechnungs&meldungen", [] { Step(ShowErrorMessageReport); });
    redraw_ = Add(
        view, "mi_viewzeichnung", "&Zeichnung neu", [this] { mi_viewzeichnungClick(); },
        QKeySequence(Qt::Key_F5));
    Add(
        view, "mi_viewDiagram", "&Diagramm", [] { ShowResultDiagram(); }, QKeySequence(Qt::Key_F6));

    QMenu* cad = menu("mi_cad", "&CAD");
    Add(
        cad, "mi_cadDxf", "Ansicht als &DXF...", [this] { mi_cadWriteClick(kCadDxf); },
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    Add(cad, "mi_cadIges", "Ansicht als &IGES...", [this] { mi_cadWriteClick(kCadIges); });
    Add(cad, "mi_cadStep", "Ansicht als &STEP...", [this] { mi_cadWriteClick(kCadStep); });
    Add(cad, "mi_cadStl", "Ansicht als S&TL...", [this] { mi_cadWriteClick(kCadStl); });
    Add(cad, "mi_cadRecords", FromOem("Ansicht als &Zeichnungsdatens\x84tze (TXT)..."),
        [this] { mi_cadWriteClick(kCadTxt); });
    cad->addSeparator();
    Add(cad, "mi_cadPlot", "Ausgabe an &Plotprogramm", [this] { mi_cadWriteClick(kCadPlot); });
    Add(cad, "mi_cadPlotConfig", "Plotprogramm &konfigurieren...",
        [] { Step(ConfigurePlotCommandLine); });
    Add(cad, "mi_cad3DView", "&3D-Ansicht...", [] { Step(View3DDialog); });

    // The tables: the material and lubricant picks take a record into the
    // gear data, which is calculated again; the lubricant table can be edited.
    QMenu* database = menu("mi_database", "Datenban&k");
    Add(database, "mi_databaseMaterialWorm", "Werkstoff &Schnecke...",
        [] { PickStep([] { return PickMaterial(1, 1); }); });
    Add(database, "mi_databaseMaterialWheel", "Werkstoff &Rad...",
        [] { PickStep([] { return PickMaterial(2, 1); }); });
    Add(database, "mi_databaseLubricant", "Sc&hmierstoff...", [] { PickStep(PickLubricant); });
    database->addSeparator();
    Add(database, "mi_databaseLubricantTable", "Schmierstoff&tabelle bearbeiten...", [] {
        Step([] {
            CreateTableEditorForm();
            TableEditorForm->EditDbfTable("lubri", 9260);
        });
    });

    QMenu* options = menu("mi_options", "&Optionen");
    // Colours, layers and "Farbgrafik" show at once: OK draws the view anew.
    Add(options, "mi_optionsConfig", "&Konfiguration...", [this] {
        Tconfig form(this);
        if (form.exec() == QDialog::Accepted) DrawCurrentView();
    });
    Add(options, "mi_optionsCad", "&CAD-Einstellungen...", [this] {
        TForm_qub1conf form(this);
        form.exec();
    });
    Add(options, "mi_optionsPrinter", "&Druckereinstellung...", [this] {
        TForm_printconf form(*this, this);
        form.exec();
    });
    QMenu* language = options->addMenu("&Sprache");
    language->setObjectName("mi_optionsLanguage");
    // Exactly one language is ticked: the one in use, German until another
    // is chosen.
    auto* inUse = new QActionGroup(language);
    const std::pair<int, const char*> languages[] = {
        {1, "Deutsch"}, {2, "English"}, {7, "Română"}, {8, "Korean"}, {12, "Chinese"}};
    for (const auto& [number, caption] : languages) {
        const std::string name = "mi_language" + std::to_string(number);
        MenuAction* a = Add(language, name.c_str(), QString::fromUtf8(caption), [number = number] {
            languageNumber = number;
            UseQtTranslations(number);
        });
        a->setCheckable(true);
        a->setData(number);
        inUse->addAction(a);
    }
    auto tickInUse = [inUse] {
        constexpr int kGerman = 1;
        const QList<QAction*> items = inUse->actions();
        const bool listed = std::any_of(items.begin(), items.end(), [](QAction* a) {
            return a->data().toInt() == languageNumber;
        });
        for (QAction* a : items)
            a->setChecked(a->data().toInt() == (listed ? languageNumber : kGerman));
    };
    tickInUse();
    connect(language, &QMenu::aboutToShow, inUse, tickInUse);

    QMenu* help = menu("mi_help", "&Hilfe");
    Add(
        help, "mi_helpText", "&Hilfetext", [] { ShowHelpText(1000, "", kHelpTextOnly); },
        QKeySequence::HelpContents);
    Add(help, "mi_helpPicture", "Hilfe&bild...", [this] { ShowHelpPictureForm(this); });
    Add(
        help, "mi_helpMessages", "Berechnungs&meldungen", [] { Step(ShowCalculationMessages); },
        QKeySequence(Qt::CTRL | Qt::Key_M));
    help->addSeparator();
    Add(help, "mi_helpSystem", "&Systeminformation", [this] { mi_helpSystemClick(); });
    Add(help, "mi_helpAbout", "&Info", [this] { mi_helpAboutClick(); });
}

std::vector<MenuAction*> Thh::MenuItems() const {
    std::vector<MenuAction*> out;
    std::function<void(QMenu*)> walk = [&](QMenu* m) {
        for (QAction* a : m->actions()) {
            if (a->menu())
                walk(a->menu());
            else if (auto* item = dynamic_cast<MenuAction*>(a))
                out.push_back(item);
        }
    };
    for (QAction* a : menuBar()->actions())
        if (a->menu()) walk(a->menu());
    return out;
}

MenuAction* Thh::Item(const char* name) const {
    for (MenuAction* a : MenuItems())
        if (a->objectName() == name) return a;
    return nullptr;
}

void Thh::UpdateTitle() {
    // Qt shows the mark of unsaved changes at the placeholder.
    setWindowTitle(FromOem(MainWindowTitle()) + "[*]");
    setWindowModified(modifiedFlag);
}

void Thh::UpdateRecentFiles() {
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        const std::string& path = recentFilesList[i];
        recent_[i]->setVisible(!path.empty());
        // The number is the item's shortcut mark; an "&" of the name is a
        // letter of it.
        recent_[i]->setText(QString("&%1 ").arg(i + 1) + MenuTextOfName(FromFileName(path)));
    }
}

void Thh::AfterCommand() {
    UpdateTitle();
    UpdateRecentFiles();
    statusBar()->showMessage(modifiedFlag ? FromOem("ge\x84ndert") : QString());
    UpdateCalculationStatus();
}

void Thh::UpdateCalculationStatus() {
    const CalculationOutcome outcome = LastCalculationOutcome();
    calcStatus_->setText(FromOem(CalculationStatusText()));
    calcStatus_->setStyleSheet(outcome >= CalculationOutcome::Errors ? "color: #c00000"
                                                                     : QString());
}

void Thh::mi_fileExitClick() { close(); }

void Thh::mi_helpAboutClick() {
    Ui().ShowMessage(productName,
                     productName + " V" + programVersion + "\n" + veldrim::windowTitle +
                         "\nSchneckengetriebe nach DIN 3975, DIN 3974, DIN 3996 und Niemann",
                     MessageKind::Information);
}

void Thh::mi_helpSystemClick() {
    Ui().ShowMessage("Systeminformation", SystemInformationText(), MessageKind::Information);
}

void Thh::mi_cadWriteClick(std::uint16_t code) {
    WriteCurrentView(code);
    cancelFlag = false;
    DrawCurrentView();
}

void Thh::mi_viewzeichnungClick() {
    // F5 is a key of the graphics window as well: there it resets the zoom
    // and becomes the last key action, which the next key outside the
    // window's keys repeats. As the item's shortcut it never reaches the
    // window's key handler on its own. The key comes first: keys typed
    // behind it (the Ctrl and Shift of a print shortcut) wait for the
    // drawing's end and then repeat the reset, not an older zoom. The key's
    // repaint shows the old picture: what is typed or chosen behind F5 waits
    // through it for the new drawing, as behind the menu item.
    if (redraw_ && redraw_->ByShortcut()) {
        const ReplayEventHold hold;
        FormKeyDown(kVkF5);
    }
    DrawCurrentView();
}

void Thh::closeEvent(QCloseEvent* e) {
    if (!SavePrompt()) {
        e->ignore();
        return;
    }
    e->accept();
}

void Thh::KeepGeometry() {
    mainWindowGeometry.left = x();
    mainWindowGeometry.top = y();
    mainWindowGeometry.width = width();
    mainWindowGeometry.height = height();
    mainWindowGeometry.clientWidth = view_->width();
    mainWindowGeometry.clientHeight = view_->height();
}

void Thh::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    KeepGeometry();
}

void Thh::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    KeepGeometry();
}

}  // namespace veldrim
