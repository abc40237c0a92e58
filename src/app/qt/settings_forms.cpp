#include "app/qt/settings_forms.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "foundation/program_state.h"
#include "app/config_file.h"
#include "app/print_layouts.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/forms/tooth_form.h"
#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/form_boxes.h"
#include "foundation/program_state.h"
#include "foundation/qt/pdf_file.h"
#include "foundation/qt/qt_support.h"
#include "foundation/message_boxes.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/display_list.h"
#include "foundation/data_file_path.h"
#include "graphics/graphics_defaults.h"
#include "graphics/qt/graphics_view.h"
#include "reports/report_channel.h"
#include "tables/datasets/table_access.h"

namespace veldrim {

namespace {

QSpinBox* IntBox(QWidget* parent, const char* name, int lo, int hi, int value) {
    auto* b = new QSpinBox(parent);
    b->setObjectName(name);
    b->setRange(lo, hi);
    b->setValue(value);
    return b;
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& caption, bool value) {
    auto* b = new QCheckBox(caption, parent);
    b->setObjectName(name);
    b->setChecked(value);
    return b;
}

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items, int index) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    c->setCurrentIndex(std::clamp(index, 0, static_cast<int>(items.size()) - 1));
    return c;
}

// OK and Cancel under the form's contents.
QDialogButtonBox* OkCancel(QDialog* d) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    box->button(QDialogButtonBox::Ok)->setObjectName("Button_ok");
    box->button(QDialogButtonBox::Cancel)->setText("Abbrechen");
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return box;
}

// Writes the configuration file; says so when it cannot be written.
void WriteConfigOrSay() {
    if (!WriteConfigFile()) ShowErrorBox(NotWrittenText(ConfigFilePath()));
}

}  // namespace

RealBox::RealBox(QWidget* parent, const char* name, double lo, double hi, int decimals, Real value)
    : QDoubleSpinBox(parent) {
    setObjectName(name);
    setRange(lo, hi);
    setDecimals(decimals);
    setLocale(QLocale::c());
    Fill(value);
}

void RealBox::Fill(Real value) {
    setValue(static_cast<double>(value));
    filled_ = value;
    shown_ = this->value();
}

Real RealBox::Value() const {
    return BoxValue(value(), shown_, filled_, [](double typed) { return Real(typed); });
}

// ---- Tconfig -------------------------------------------------------------------------

Tconfig::Tconfig(QWidget* parent) : QDialog(parent) {
    setObjectName("Tconfig");
    setWindowTitle("Konfiguration");
    auto* v = new QVBoxLayout(this);
    auto* fileLabel = new QLabel(FromOem("Datei: ") + FromFileName(CurrentDataFilePath()), this);
    fileLabel->setObjectName("Label_file");
    v->addWidget(fileLabel);
    auto* tabs = new QTabWidget(this);
    // Every page's tab in sight: the form is as wide as its tab row.
    tabs->setUsesScrollButtons(false);
    v->addWidget(tabs);

    auto* general = new QWidget(tabs);
    auto* f = new QFormLayout(general);
    Edit_helpLevel = IntBox(general, "Edit_helpLevel", 0, 2, helpLevel);
    f->addRow("Hilfegrad", Edit_helpLevel);
    Edit_decimals = IntBox(general, "Edit_decimals", 0, 5, decimalsSetting);
    f->addRow("Dezimalstellen", Edit_decimals);
    QStringList units;
    for (const std::string& u : unitSystemNames) units << FromOem(u);
    ComboBox_units = Combo(general, "ComboBox_units", units, unitSystem);
    f->addRow("Einheiten", ComboBox_units);
    ComboBox_dateFormat =
        Combo(general, "ComboBox_dateFormat",
              {"dd.mm.yyyy", "mm/dd/yyyy", "yyyy-mm-dd", "dd/mm/yyyy"}, dateFormat - 1);
    f->addRow("Datum", ComboBox_dateFormat);
    ComboBox_angleFormat =
        Combo(general, "ComboBox_angleFormat", {"Grad dezimal", "Grad Minuten Sekunden"},
              angleFormat == 1 ? 0 : 1);
    f->addRow("Winkel", ComboBox_angleFormat);
    CheckBox_plainAscii =
        Check(general, "CheckBox_plainAscii", "nur ASCII-Zeichen", codePageOption == 1);
    f->addRow(CheckBox_plainAscii);
    CheckBox_hideWarnings =
        Check(general, "CheckBox_hideWarnings", "Warnungen ausblenden", hideWarningsFlag);
    f->addRow(CheckBox_hideWarnings);
    CheckBox_archive = Check(general, "CheckBox_archive", "Archive Flag ?", archiveModeLockOption);
    f->addRow(CheckBox_archive);
    CheckBox_dbftemp =
        Check(general, "CheckBox_dbftemp", "copy DBF -> TEMP", tablesFromUserDirectory);
    f->addRow(CheckBox_dbftemp);
    Edit_windowPercent = IntBox(general, "Edit_windowPercent", 50, 300, dialogWindowPercentage);
    f->addRow("Dialogfenster %", Edit_windowPercent);
    Edit_elementPercent = IntBox(general, "Edit_elementPercent", 50, 300, dialogElementPercentage);
    f->addRow("Dialogelemente %", Edit_elementPercent);
    tabs->addTab(general, "Allgemein");

    auto* report = new QWidget(tabs);
    auto* r = new QFormLayout(report);
    QStringList destinations;
    for (int code = 1; !ReportDestinationName(code).empty(); ++code)
        destinations << FromOem(ReportDestinationName(code));
    ComboBox_textDevice = Combo(report, "ComboBox_textDevice", destinations, textDevice - 1);
    r->addRow("Text Device", ComboBox_textDevice);
    CheckBox_askDestination =
        Check(report, "CheckBox_askDestination", "Text Device Window ?", textDeviceWindow);
    r->addRow(CheckBox_askDestination);
    tabs->addTab(report, "Ausdruck");

    auto* graphics = new QWidget(tabs);
    auto* g = new QFormLayout(graphics);
    Edit_zoomFactor = new RealBox(graphics, "Edit_zoomFactor", 1.01, 10, 2, ZoomFactor);
    g->addRow("Zoomfaktor", Edit_zoomFactor);
    Edit_panFactor = new RealBox(graphics, "Edit_panFactor", 0.01, 1, 2, PanFactor);
    g->addRow("Pan-Faktor", Edit_panFactor);
    CheckBox_wheelZoom =
        Check(graphics, "CheckBox_wheelZoom", "Zoom mit dem Mausrad", WheelZoomSwitch != 0);
    g->addRow(CheckBox_wheelZoom);
    CheckBox_colour = Check(graphics, "CheckBox_colour", "Farbgrafik", colourGraphics);
    g->addRow(CheckBox_colour);
    Edit_graphicsFont = new QLineEdit(FromOem(GraphicsTextFont), graphics);
    Edit_graphicsFont->setObjectName("Edit_graphicsFont");
    g->addRow("Textstil Grafik", Edit_graphicsFont);
    ComboBox_cadText = Combo(graphics, "ComboBox_cadText", {"Codepage 850", "Windows", "ASCII"},
                             cadTextCharacterSet - 1);
    g->addRow("CAD Text Mode", ComboBox_cadText);
    tabs->addTab(graphics, "Grafik");

    // The colour table: a button per entry 0..15 shows its colour and asks
    // for another; the reset button shows the start-up table.
    auto* colours = new QWidget(tabs);
    auto* cg = new QGridLayout(colours);
    for (int i = 0; i < 16; ++i) {
        auto* b = new QPushButton(QString::number(i), colours);
        b->setObjectName(QString("Button_colour%1").arg(i));
        b->setMinimumWidth(90);
        Button_colour[static_cast<std::size_t>(i)] = b;
        connect(b, &QPushButton::clicked, this, [this, i] { ChooseColour(i); });
        cg->addWidget(b, i % 8, i / 8);
        SetColour(i, ColorTable[static_cast<std::size_t>(i)]);
    }
    auto* reset = new QPushButton(FromOem("Farben zur\x81"
                                          "cksetzen"),
                                  colours);
    reset->setObjectName("Button_resetColours");
    connect(reset, &QPushButton::clicked, this, [this] { Button_resetColoursClick(); });
    cg->addWidget(reset, 8, 0, 1, 2);
    tabs->addTab(colours, "Farben");

    // The named layers 0..5 (layer 0 keeps its name and colour), the
    // monochrome switch and the colour mode.
    auto* layers = new QWidget(tabs);
    auto* lg = new QGridLayout(layers);
    lg->addWidget(new QLabel("Layer", layers), 0, 1);
    lg->addWidget(new QLabel("Farbe", layers), 0, 2);
    lg->addWidget(new QLabel("Line thickness", layers), 0, 3);
    const CadOutputRecord& cad = CadOutputState;
    for (int i = 0; i < 6; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto* name = new QLineEdit(FromOem(cad.layerNames[k]), layers);
        name->setObjectName(QString("Edit_layerName%1").arg(i));
        Edit_layerName[k] = name;
        auto* colour = IntBox(layers, "", 0, 255, cad.layerColorIndex[k]);
        colour->setObjectName(QString("Edit_layerColour%1").arg(i));
        Edit_layerColour[k] = colour;
        auto* width = IntBox(layers, "", 0, 99, cad.layerWidthCodes[k]);
        width->setObjectName(QString("Edit_layerWidth%1").arg(i));
        Edit_layerWidth[k] = width;
        name->setEnabled(i > 0);
        colour->setEnabled(i > 0);
        lg->addWidget(new QLabel(QString("Layer %1").arg(i), layers), i + 1, 0);
        lg->addWidget(name, i + 1, 1);
        lg->addWidget(colour, i + 1, 2);
        lg->addWidget(width, i + 1, 3);
    }
    CheckBox_layerMonochrom =
        Check(layers, "CheckBox_layerMonochrom", "Layer Monochrom", cad.layerMonochrom != 0);
    lg->addWidget(CheckBox_layerMonochrom, 7, 0, 1, 4);
    ComboBox_layerColourMode =
        Combo(layers, "ComboBox_layerColourMode",
              {"Layer 0..5", "Layer 16..31 (Stifte)", "Layer 16..31, Layer 0 in Farbe 0"},
              cad.layerColorMode);
    lg->addWidget(new QLabel("Farbmodus", layers), 8, 0);
    lg->addWidget(ComboBox_layerColourMode, 8, 1, 1, 3);
    lg->setRowStretch(9, 1);
    tabs->addTab(layers, "Layer");

    // The pens of the numbered layers 16..31: pen number and width.
    auto* pens = new QWidget(tabs);
    auto* pg = new QGridLayout(pens);
    for (int col : {0, 3}) {
        pg->addWidget(new QLabel("Stift", pens), 0, col + 1);
        pg->addWidget(new QLabel("Breite", pens), 0, col + 2);
    }
    for (int i = 0; i < 16; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int col = (i / 8) * 3;
        const int row = i % 8 + 1;
        pg->addWidget(new QLabel(QString("Layer %1").arg(16 + i), pens), row, col);
        auto* number = IntBox(pens, "", 1, 16, cad.penNumbers[k]);
        number->setObjectName(QString("Edit_penNumber%1").arg(i + 1));
        Edit_penNumber[k] = number;
        auto* width = IntBox(pens, "", 0, 99, cad.penWidths[k]);
        width->setObjectName(QString("Edit_penWidth%1").arg(i + 1));
        Edit_penWidth[k] = width;
        pg->addWidget(number, row, col + 1);
        pg->addWidget(width, row, col + 2);
    }
    pg->setRowStretch(9, 1);
    tabs->addTab(pens, "Stifte");

    // CAD texts and the options of the CAD output.
    auto* cadPage = new QWidget(tabs);
    auto* c = new QFormLayout(cadPage);
    Edit_cadTextStyle = new QLineEdit(FromOem(cad.cadTextStyleName), cadPage);
    Edit_cadTextStyle->setObjectName("Edit_cadTextStyle");
    c->addRow("Textstil CAD", Edit_cadTextStyle);
    Edit_cadWidthFactor =
        new RealBox(cadPage, "Edit_cadWidthFactor", 0.01, 100, 3, cad.baseWidthFactor);
    c->addRow("Textbreitenfaktor CAD", Edit_cadWidthFactor);
    Edit_cadTextAngle =
        new RealBox(cadPage, "Edit_cadTextAngle", -85, 85, 2, cad.configuredObliquingAngle);
    c->addRow("Textwinkel", Edit_cadTextAngle);
    Edit_massfaktorconfig =
        new RealBox(cadPage, "Edit_massfaktorconfig", 0.001, 1000, 3, cad.baseScale);
    c->addRow(FromOem(std::string("Maßfaktor"_cp850)), Edit_massfaktorconfig);
    CheckBox_zeichfusszeile =
        Check(cadPage, "CheckBox_zeichfusszeile", FromOem(std::string("Zeichnungsfußzeile"_cp850)),
              cad.sheetOptions[kSheetFooterOption] == 0);
    c->addRow(CheckBox_zeichfusszeile);
    CheckBox_execCadFile =
        Check(cadPage, "CheckBox_execCadFile", "Exec CAD App ?", cad.execFlag != 0);
    c->addRow(CheckBox_execCadFile);
    CheckBox_japolyArcToLines = Check(cadPage, "CheckBox_japolyArcToLines",
                                      "Polyline Arc -> Lines ?", cad.arcsAsLinesFlag != 0);
    c->addRow(CheckBox_japolyArcToLines);
    Edit_resolutionArcToLines =
        new RealBox(cadPage, "Edit_resolutionArcToLines", 0.001, 100, 3, cad.chordTolerance);
    c->addRow("Resolution Arc -> Lines", Edit_resolutionArcToLines);
    ComboBox_cadstltype =
        Combo(cadPage, "ComboBox_cadstltype", {"Binary", "ASCII"}, cad.stlFileType);
    c->addRow("STL", ComboBox_cadstltype);
    CheckBox_jastlinvers =
        Check(cadPage, "CheckBox_jastlinvers", "STL Dir invers", cad.stlDirInvers != 0);
    c->addRow(CheckBox_jastlinvers);
    tabs->addTab(cadPage, "CAD");

    auto* buttons = OkCancel(this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Button_okClick(); });
    v->addWidget(buttons);
    adjustSize();
    PlaceForm(this);
}

void Tconfig::SetColour(int i, std::uint32_t colour) {
    const auto k = static_cast<std::size_t>(i);
    colours_[k] = colour;
    const QColor q = ColourOf(colour);
    // The entry's number stays readable on dark and light colours.
    const int luma = (299 * q.red() + 587 * q.green() + 114 * q.blue()) / 1000;
    const QString ink = luma < 128 ? "white" : "black";
    // A plain border: the style's shading would lighten the colour shown.
    Button_colour[k]->setStyleSheet(
        QString("background-color: %1; color: %2; border: 1px solid gray; padding: 4px")
            .arg(q.name(), ink));
}

void Tconfig::ChooseColour(int i) {
    const QColor chosen = QColorDialog::getColor(
        ColourOf(Colour(i)), this, QString("Farbe %1").arg(i), QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return;
    SetColour(i, RgbColour(static_cast<std::uint32_t>(chosen.red()),
                           static_cast<std::uint32_t>(chosen.green()),
                           static_cast<std::uint32_t>(chosen.blue())));
}

// The start-up colours go into the form only: the drawing keeps the
// user's table until OK takes the form's, and Abbrechen leaves it as it was.
void Tconfig::Button_resetColoursClick() {
    for (int i = 0; i < 16; ++i) SetColour(i, StartColorTable()[static_cast<std::size_t>(i)]);
}

void Tconfig::Button_okClick() {
    helpLevel = static_cast<std::int16_t>(Edit_helpLevel->value());
    decimalsSetting = Edit_decimals->value();
    unitSystem = static_cast<std::int16_t>(ComboBox_units->currentIndex());
    dateFormat = static_cast<std::int16_t>(ComboBox_dateFormat->currentIndex() + 1);
    angleFormat = static_cast<std::int16_t>(ComboBox_angleFormat->currentIndex() == 0 ? 1 : 2);
    codePageOption = static_cast<std::int16_t>(CheckBox_plainAscii->isChecked() ? 1 : 0);
    hideWarningsFlag = CheckBox_hideWarnings->isChecked();
    archiveModeLockOption = CheckBox_archive->isChecked();
    dialogWindowPercentage = Edit_windowPercent->value();
    dialogElementPercentage = Edit_elementPercent->value();
    ZoomFactor = Edit_zoomFactor->Value();
    PanFactor = Edit_panFactor->Value();
    WheelZoomSwitch = CheckBox_wheelZoom->isChecked() ? 1 : 0;
    colourGraphics = CheckBox_colour->isChecked();
    GraphicsTextFont = ToOem(Edit_graphicsFont->text());
    cadTextCharacterSet = static_cast<std::int16_t>(ComboBox_cadText->currentIndex() + 1);
    textDevice = static_cast<std::int16_t>(ComboBox_textDevice->currentIndex() + 1);
    textDeviceWindow = CheckBox_askDestination->isChecked();
    // Switched on now, the tables are copied as at start-up (copies the user
    // has already stay), so the table access finds them in the user directory.
    const bool tablesCopied = tablesFromUserDirectory;
    tablesFromUserDirectory = CheckBox_dbftemp->isChecked();
    if (tablesFromUserDirectory && !tablesCopied) CopyTablesToUserDirectory();
    for (std::size_t i = 0; i < 16; ++i) ColorTable[i] = colours_[i];
    CadOutputRecord& cad = CadOutputState;
    for (std::size_t i = 0; i < 6; ++i) {
        if (i > 0) {
            cad.layerNames[i] = ToOem(Edit_layerName[i]->text());
            cad.layerColorIndex[i] = Edit_layerColour[i]->value();
        }
        cad.layerWidthCodes[i] = Edit_layerWidth[i]->value();
    }
    cad.layerMonochrom = CheckBox_layerMonochrom->isChecked() ? 1 : 0;
    cad.layerColorMode = ComboBox_layerColourMode->currentIndex();
    for (std::size_t i = 0; i < 16; ++i) {
        cad.penNumbers[i] = Edit_penNumber[i]->value();
        cad.penWidths[i] = Edit_penWidth[i]->value();
    }
    cad.cadTextStyleName = ToOem(Edit_cadTextStyle->text());
    cad.baseWidthFactor = Edit_cadWidthFactor->Value();
    cad.configuredObliquingAngle = Edit_cadTextAngle->Value();
    cad.baseScale = Edit_massfaktorconfig->Value();
    cad.sheetOptions[kSheetFooterOption] = CheckBox_zeichfusszeile->isChecked() ? 0 : 1;
    cad.execFlag = CheckBox_execCadFile->isChecked() ? 1 : 0;
    cad.arcsAsLinesFlag = CheckBox_japolyArcToLines->isChecked() ? 1 : 0;
    cad.chordTolerance = Edit_resolutionArcToLines->Value();
    cad.stlFileType = ComboBox_cadstltype->currentIndex();
    cad.stlDirInvers = CheckBox_jastlinvers->isChecked() ? 1 : 0;
    WriteConfigOrSay();
    accept();
}

// ---- TForm_qub1conf ----------------------------------------------------------------------

TForm_qub1conf::TForm_qub1conf(QWidget* parent) : QDialog(parent) {
    setObjectName("TForm_qub1conf");
    setWindowTitle("CAD");
    auto* v = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    v->addWidget(tabs);
    auto* cad = new QWidget(tabs);
    auto* f = new QFormLayout(cad);
    CheckBox_polyline =
        Check(cad, "CheckBox_polyline", "Polyline ?", CadOutputState.polylineOutputFlag != 0);
    f->addRow(CheckBox_polyline);
    Edit_decimalsCad = IntBox(cad, "Edit_decimalsCad", 1, 32, CadOutputState.cadDecimals);
    f->addRow("Decimals DXF,TXT", Edit_decimalsCad);
    tabs->addTab(cad, "CAD");
    auto* tooth = new QWidget(tabs);
    auto* t = new QFormLayout(tooth);
    Edit_toothFormX1 = new RealBox(tooth, "Edit_toothFormX1", -5, 5, 4, cylGear.toothFormX[1]);
    t->addRow("x1", Edit_toothFormX1);
    Edit_toothFormX2 = new RealBox(tooth, "Edit_toothFormX2", -5, 5, 4, cylGear.toothFormX[2]);
    t->addRow("x2", Edit_toothFormX2);
    auto* reset = new QPushButton("Reset", tooth);
    reset->setObjectName("Button_resetToothForm");
    connect(reset, &QPushButton::clicked, this, [this] { Button_resetToothFormClick(); });
    t->addRow(reset);
    tabs->addTab(tooth, "Zahnform");
    auto* buttons = OkCancel(this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Button_okClick(); });
    v->addWidget(buttons);
    adjustSize();
    PlaceForm(this);
}

void TForm_qub1conf::Button_resetToothFormClick() {
    InitToothFormConfig();
    Edit_toothFormX1->Fill(cylGear.toothFormX[1]);
    Edit_toothFormX2->Fill(cylGear.toothFormX[2]);
}

void TForm_qub1conf::Button_okClick() {
    CadOutputState.polylineOutputFlag = CheckBox_polyline->isChecked() ? 1 : 0;
    CadOutputState.cadDecimals = Edit_decimalsCad->value();
    Pair<Real> x = cylGear.toothFormX;
    x[1] = Edit_toothFormX1->Value();
    x[2] = Edit_toothFormX2->Value();
    ConfigureToothForm(x);
    // "Decimals DXF,TXT" is a setting of the configuration file: kept now.
    WriteConfigOrSay();
    accept();
}

// ---- TForm_printconf ---------------------------------------------------------------------

TForm_printconf::TForm_printconf(TFveldgra& window, QWidget* parent)
    : QDialog(parent), window_(window) {
    setObjectName("TForm_printconf");
    setWindowTitle("Druckereinstellung");
    auto* v = new QVBoxLayout(this);
    auto* f = new QFormLayout;
    v->addLayout(f);
    Edit_scaleX = new RealBox(this, "Edit_scaleX", 0.01, 100, 3, graphicPrintoutScaleX);
    f->addRow(FromOem("Ma\xe1stab x"), Edit_scaleX);
    Edit_scaleY = new RealBox(this, "Edit_scaleY", 0.01, 100, 3, graphicPrintoutScaleY);
    f->addRow(FromOem("Ma\xe1stab y"), Edit_scaleY);
    Edit_originX = IntBox(this, "Edit_originX", -500, 500, graphicPrintoutOriginX);
    f->addRow("Ursprung x [mm]", Edit_originX);
    Edit_originY = IntBox(this, "Edit_originY", -500, 500, graphicPrintoutOriginY);
    f->addRow("Ursprung y [mm]", Edit_originY);
    CheckBox_frame = Check(this, "CheckBox_frame", "Umrandung", graphicPrintoutBorder);
    f->addRow(CheckBox_frame);
    CheckBox_screenBorder =
        Check(this, "CheckBox_screenBorder", "Rahmen der Bildschirmausgabe", printWord1 != 0);
    f->addRow(CheckBox_screenBorder);
    ComboBox_colourMode =
        Combo(this, "ComboBox_colourMode", {"mono", "color"}, windowsPrintMode == 1 ? 0 : 1);
    f->addRow("Windows-Druckmodus", ComboBox_colourMode);
    CheckBox_restoreLimit = Check(this, "CheckBox_restoreLimit", "ganze Zeichnung", false);
    f->addRow(CheckBox_restoreLimit);
    CheckBox_resetZoom = Check(this, "CheckBox_resetZoom", "Zoom aufheben", false);
    f->addRow(CheckBox_resetZoom);
    auto* row = new QDialogButtonBox(this);
    auto* print = row->addButton("&Drucken...", QDialogButtonBox::ActionRole);
    print->setObjectName("Button_print");
    auto* pdf = row->addButton("&PDF...", QDialogButtonBox::ActionRole);
    pdf->setObjectName("Button_pdf");
    auto* ok = row->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("Button_ok");
    row->addButton(QDialogButtonBox::Cancel)->setText("Abbrechen");
    auto* layouts = new QDialogButtonBox(this);
    auto* load = layouts->addButton("Layout &laden...", QDialogButtonBox::ActionRole);
    load->setObjectName("Button_loadLayout");
    auto* save = layouts->addButton("Layout &speichern...", QDialogButtonBox::ActionRole);
    save->setObjectName("Button_saveLayout");
    connect(load, &QPushButton::clicked, this, [this] { Button_loadLayoutClick(); });
    connect(save, &QPushButton::clicked, this, [this] { Button_saveLayoutClick(); });
    v->addWidget(layouts);
    connect(print, &QPushButton::clicked, this, [this] { Button_printClick(); });
    connect(pdf, &QPushButton::clicked, this, [this] { Button_pdfClick(); });
    connect(ok, &QPushButton::clicked, this, [this] {
        Store();
        accept();
    });
    connect(row, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(row);
    adjustSize();
    PlaceForm(this);
}

void TForm_printconf::Store() {
    graphicPrintoutScaleX = static_cast<double>(Edit_scaleX->Value());
    graphicPrintoutScaleY = static_cast<double>(Edit_scaleY->Value());
    graphicPrintoutOriginX = Edit_originX->value();
    graphicPrintoutOriginY = Edit_originY->value();
    graphicPrintoutBorder = CheckBox_frame->isChecked();
    printWord1 = static_cast<std::int16_t>(CheckBox_screenBorder->isChecked() ? 1 : 0);
    windowsPrintMode = static_cast<std::int16_t>(ComboBox_colourMode->currentIndex() == 0 ? 1 : 2);
}

void TForm_printconf::Button_loadLayoutClick() {
    PrintLayout layout;
    if (!LoadPrintLayout(layout)) return;
    Edit_scaleX->Fill(layout.xscale);
    Edit_scaleY->Fill(layout.yscale);
    Edit_originX->setValue(layout.xorigin);
    Edit_originY->setValue(layout.yorigin);
    CheckBox_frame->setChecked(layout.borderline);
    ComboBox_colourMode->setCurrentIndex(layout.monochrom ? 0 : 1);
    landscape_ = layout.landscape;
    variable_ = layout.variable;
}

void TForm_printconf::Button_saveLayoutClick() {
    PrintLayout layout;
    layout.xscale = static_cast<double>(Edit_scaleX->Value());
    layout.yscale = static_cast<double>(Edit_scaleY->Value());
    layout.xorigin = Edit_originX->value();
    layout.yorigin = Edit_originY->value();
    layout.borderline = CheckBox_frame->isChecked();
    layout.monochrom = ComboBox_colourMode->currentIndex() == 0;
    layout.landscape = landscape_;
    layout.variable = variable_;
    SavePrintLayout(layout);
}

void TForm_printconf::PrepareView() {
    Store();
    if (CheckBox_restoreLimit->isChecked()) {
        window_.RestoreLimit();
        window_.ReSetWindow();
    }
    if (CheckBox_resetZoom->isChecked()) window_.ResetZoom();
    window_.ClearViewPort();
}

void TForm_printconf::Button_printClick() {
    PrepareView();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(FromFileName(currentFileName));
    // The page turns as the view is, as "Drucken" offers it; the user may
    // still change it.
    printer.setPageOrientation(SheetOrientation(window_));
    QPrintDialog d(&printer, this);
    if (d.exec() != QDialog::Accepted) return;
    if (!PrintGraphicsWindow(window_, printer))
        Ui().ShowMessage("", "Der Drucker kann nicht starten.", MessageKind::Error);
    accept();
}

void TForm_printconf::Button_pdfClick() {
    PrepareView();
    const auto chosen = AskPdfFileName(
        EnsureTrailingBackslash(dataDirectory) +
        (currentFileName.empty() ? std::string("drawing") : currentFileName) + ".pdf");
    if (!chosen) return;  // the form stays open
    if (!PrintGraphicsWindowToPdf(window_, *chosen)) ShowErrorBox(NotSavedText(*chosen));
    accept();
}

}  // namespace veldrim
