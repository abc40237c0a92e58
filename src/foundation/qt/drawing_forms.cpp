#include "foundation/qt/drawing_forms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

#include "foundation/drawing_form_texts.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/qt/qt_support.h"

namespace veldrim {

namespace {

const auto Button = &NamedButton;

QLineEdit* Edit(QWidget* parent, const char* name, const std::string& text) {
    auto* e = new QLineEdit(FromOem(text), parent);
    e->setObjectName(name);
    return e;
}

// OK (default) and "Abbrechen" in one row, with an optional help button.
QHBoxLayout* OkCancelRow(QDialog* d, QPushButton* help) {
    auto* row = new QHBoxLayout;
    auto* ok = Button(d, "Button_ok", "OK");
    ok->setDefault(true);
    auto* cancel = Button(d, "Button_cancel", "Abbrechen");
    row->addWidget(ok);
    row->addWidget(cancel);
    if (help) row->addWidget(help);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    return row;
}

// The help text as a hint while the help level is not 0.
void Hint(QWidget* w, int help) {
    if (helpLevel == 0) return;
    std::string text;
    GetHelpText(help, text);
    w->setToolTip(FromOem(text));
}

}  // namespace

bool RunDiagramLimitsForm(const std::string& caption, const std::string& xLabel,
                          const std::string& yLabel, std::array<std::string, 4>& limits,
                          const std::array<std::string, 4>& calculated) {
    QDialog d(DialogParent());
    d.setObjectName("TEinDiagramLimits");
    d.setWindowTitle(FromOem(caption));
    auto* v = new QVBoxLayout(&d);
    auto* grid = new QGridLayout;
    v->addLayout(grid);
    static const char* const kNames[4] = {"Edit_xmin", "Edit_ymin", "Edit_xmax", "Edit_ymax"};
    std::array<QLineEdit*, 4> edits{};
    for (std::size_t i = 0; i < 4; ++i) edits[i] = Edit(&d, kNames[i], limits[i]);
    auto* lx = new QLabel(FromOem(xLabel), &d);
    lx->setObjectName("Label_x");
    auto* ly = new QLabel(FromOem(yLabel), &d);
    ly->setObjectName("Label_y");
    grid->addWidget(lx, 0, 0);
    grid->addWidget(edits[0], 0, 1);
    grid->addWidget(edits[2], 0, 2);
    grid->addWidget(ly, 1, 0);
    grid->addWidget(edits[1], 1, 1);
    grid->addWidget(edits[3], 1, 2);
    auto* calc = Button(&d, "Button_calc", "Calculate");
    v->addWidget(calc);
    QObject::connect(calc, &QPushButton::clicked, &d, [&] {
        for (std::size_t i = 0; i < 4; ++i) edits[i]->setText(FromOem(calculated[i]));
    });
    auto* help = Button(&d, "Button_help", "&Hilfetext");
    QObject::connect(help, &QPushButton::clicked, &d, [] {
        ShowHelpText(kDiagramLimitsHelp, "", kHelpTextOnly);
        cancelFlag = false;
    });
    v->addLayout(OkCancelRow(&d, help));
    d.adjustSize();
    PlaceForm(&d, Placement::CentreOnScreen);
    if (d.exec() != QDialog::Accepted) return false;
    for (std::size_t i = 0; i < 4; ++i) limits[i] = ToOem(edits[i]->text());
    return true;
}

bool Run3DViewForm(const std::string& caption, std::array<std::string, 3>& angles,
                   bool& withoutCoordinateSystem) {
    QDialog d(DialogParent());
    d.setObjectName("TForm_cadutil8");
    d.setWindowTitle(FromOem(caption));
    auto* v = new QVBoxLayout(&d);
    auto* grid = new QGridLayout;
    v->addLayout(grid);
    static const char* const kAxes[3] = {"x", "y", "z"};
    std::array<QLineEdit*, 3> edits{};
    std::array<QScrollBar*, 3> bars{};
    for (std::size_t k = 0; k < 3; ++k) {
        bars[k] = new QScrollBar(Qt::Horizontal, &d);
        bars[k]->setObjectName(QString("ScrollBar_%1").arg(kAxes[k]));
        bars[k]->setRange(-360, 360);
        bars[k]->setPageStep(90);
        edits[k] = Edit(&d, "", angles[k]);
        edits[k]->setObjectName(QString("Edit_%1").arg(kAxes[k]));
        bars[k]->setValue(
            static_cast<int>(std::nearbyint(static_cast<double>(TextToFloat(angles[k])))));
        grid->addWidget(new QLabel(kAxes[k], &d), static_cast<int>(k), 0);
        grid->addWidget(bars[k], static_cast<int>(k), 1);
        grid->addWidget(edits[k], static_cast<int>(k), 2);
        QLineEdit* edit = edits[k];
        QScrollBar* bar = bars[k];
        QObject::connect(bar, &QScrollBar::valueChanged, &d,
                         [edit](int value) { edit->setText(QString::number(value)); });
        QObject::connect(edit, &QLineEdit::editingFinished, &d, [edit, bar] {
            const double deg = static_cast<double>(TextToFloat(ToOem(edit->text())));
            const QSignalBlocker block(bar);
            bar->setValue(static_cast<int>(std::nearbyint(deg)));
        });
    }
    auto* presets = new QGridLayout;
    v->addLayout(presets);
    int n = 0;
    for (const View3DPreset& p : kView3DPresets) {
        auto* b = Button(&d, "", p.caption);
        presets->addWidget(b, n / 5, n % 5);
        ++n;
        QObject::connect(b, &QPushButton::clicked, &d, [&edits, p] {
            const Real deg[3] = {p.x, p.y, p.z};
            for (std::size_t k = 0; k < 3; ++k) edits[k]->setText(FromOem(FormatNum(deg[k])));
        });
    }
    auto* box = new QCheckBox("Draw w/o coordinate system ?", &d);
    box->setObjectName("CheckBox_neindrawcoordsystem3d");
    box->setChecked(withoutCoordinateSystem);
    v->addWidget(box);
    v->addLayout(OkCancelRow(&d, nullptr));
    d.adjustSize();
    PlaceForm(&d, Placement::CentreOnScreen);
    if (d.exec() != QDialog::Accepted) return false;
    for (std::size_t k = 0; k < 3; ++k) angles[k] = ToOem(edits[k]->text());
    withoutCoordinateSystem = box->isChecked();
    return true;
}

bool RunPlotProgramForm(PlotProgramSettings& settings,
                        std::string (*commandLineOf)(const PlotProgramSettings&)) {
    PlotProgramSettings s = settings;
    QDialog d(DialogParent());
    d.setObjectName("TForm_confgrafmit");
    d.setWindowTitle(FromOem(productName));
    const auto& captions = PlotFormCaptions();
    auto caption = [&](int i) { return FromOem(captions[static_cast<std::size_t>(i)]); };
    auto* v = new QVBoxLayout(&d);

    auto* program = Edit(&d, "Edit_grafmitPath", s.programPath);
    program->setText(FromFileName(s.programPath));
    auto* browse = Button(&d, "Button_grafmitpath", "...");
    auto* programRow = new QHBoxLayout;
    programRow->addWidget(new QLabel(caption(kCaptionProgramFolder), &d));
    programRow->addWidget(program);
    programRow->addWidget(browse);
    Hint(program, kPlotFormHints.programPath);
    v->addLayout(programRow);

    auto* formatBox = new QGroupBox(caption(kCaptionFormat), &d);
    formatBox->setObjectName("RadioGroup_outcode");
    Hint(formatBox, kPlotFormHints.outputFormat);
    auto* formatLayout = new QVBoxLayout(formatBox);
    auto* formats = new QButtonGroup(&d);
    for (std::size_t i = 0; i < kPlotFormatCaptions.size(); ++i) {
        auto* r = new QRadioButton(kPlotFormatCaptions[i], formatBox);
        formats->addButton(r, static_cast<int>(i));
        formatLayout->addWidget(r);
    }
    auto* interfaceBox = new QGroupBox(caption(kCaptionInterface), &d);
    interfaceBox->setObjectName("RadioGroup_d");
    Hint(interfaceBox, kPlotFormHints.interfaceKind);
    auto* interfaceLayout = new QGridLayout(interfaceBox);
    auto* interfaces = new QButtonGroup(&d);
    auto* com = Edit(&d, "Edit_com", s.comPort);
    auto* lpt = Edit(&d, "Edit_lpt", s.lptPort);
    auto* outDir = Edit(&d, "Edit_outdir", s.outputDirectory);
    outDir->setText(FromFileName(s.outputDirectory));
    Hint(com, kPlotFormHints.port);
    Hint(lpt, kPlotFormHints.port);
    Hint(outDir, kPlotFormHints.outputDirectory);
    QLineEdit* const interfaceEdits[3] = {com, lpt, outDir};
    for (std::size_t i = 0; i < kPlotInterfaceCaptions.size(); ++i) {
        auto* r = new QRadioButton(kPlotInterfaceCaptions[i], interfaceBox);
        interfaces->addButton(r, static_cast<int>(i));
        interfaceLayout->addWidget(r, static_cast<int>(i), 0);
        interfaceLayout->addWidget(interfaceEdits[i], static_cast<int>(i), 1);
    }
    auto* outDirBrowse = Button(&d, "Button_outDir", "...");
    auto* tempDir = Button(&d, "Button_tempdir", "<");
    interfaceLayout->addWidget(outDirBrowse, 2, 2);
    interfaceLayout->addWidget(tempDir, 2, 3);
    auto* choices = new QHBoxLayout;
    choices->addWidget(formatBox);
    choices->addWidget(interfaceBox);
    v->addLayout(choices);

    auto* grid = new QGridLayout;
    v->addLayout(grid);
    auto* scale = Edit(&d, "Edit_scale", s.scale);
    auto* fit = new QCheckBox(caption(kCaptionFitScale), &d);
    fit->setObjectName("CheckBox_scale");
    auto* rotate = new QCheckBox(caption(kCaptionRotate), &d);
    rotate->setObjectName("CheckBox_rotate");
    auto* xShift = Edit(&d, "Edit_xnull", s.xShift);
    auto* yShift = Edit(&d, "Edit_ynull", s.yShift);
    auto* width = Edit(&d, "Edit_textbreitenfaktor", s.textWidthFactor);
    auto* font = new QComboBox(&d);
    font->setObjectName("ComboBox_psfont");
    font->setEditable(true);
    for (const char* f : kPostScriptFonts) font->addItem(f);
    font->setEditText(FromOem(s.psFont));
    Hint(scale, kPlotFormHints.scale);
    Hint(fit, kPlotFormHints.scale);
    Hint(rotate, kPlotFormHints.rotate);
    Hint(xShift, kPlotFormHints.shift);
    Hint(yShift, kPlotFormHints.shift);
    Hint(width, kPlotFormHints.textWidthFactor);
    Hint(font, kPlotFormHints.psFont);
    int row = 0;
    auto addRow = [&](int captionIndex, QWidget* w, QWidget* extra = nullptr) {
        grid->addWidget(new QLabel(caption(captionIndex), &d), row, 0);
        grid->addWidget(w, row, 1);
        if (extra) grid->addWidget(extra, row, 2);
        ++row;
    };
    addRow(kCaptionScale, scale, fit);
    addRow(kCaptionXShift, xShift);
    addRow(kCaptionYShift, yShift);
    addRow(kCaptionTextWidth, width);
    addRow(kCaptionFont, font);
    grid->addWidget(rotate, row, 1);

    auto* lineCaption = new QLabel("Command Line:", &d);
    auto* line = new QLabel(&d);
    line->setObjectName("Label_commandline");
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(lineCaption);
    v->addWidget(line);

    formats->button(std::clamp(s.outputFormat, 0, 4))->setChecked(true);
    interfaces->button(std::clamp(s.interfaceKind, 0, 2))->setChecked(true);
    fit->setChecked(s.fitScale);
    rotate->setChecked(s.rotate);

    // Every change enables the controls that apply and shows the line again.
    auto update = [&] {
        s.programPath = ToFileName(program->text());
        s.outputFormat = formats->checkedId();
        s.interfaceKind = interfaces->checkedId();
        s.comPort = ToOem(com->text());
        s.lptPort = ToOem(lpt->text());
        s.outputDirectory = ToFileName(outDir->text());
        s.fitScale = fit->isChecked();
        if (s.fitScale && scale->text() != "0") scale->setText("0");
        scale->setEnabled(!s.fitScale);
        s.scale = ToOem(scale->text());
        s.rotate = rotate->isChecked();
        s.xShift = ToOem(xShift->text());
        s.yShift = ToOem(yShift->text());
        s.textWidthFactor = ToOem(width->text());
        s.psFont = ToOem(font->currentText());
        font->setEnabled(s.outputFormat == kPlotFormatPostScript);
        com->setEnabled(s.interfaceKind == kPlotInterfaceSerial);
        lpt->setEnabled(s.interfaceKind == kPlotInterfaceParallel);
        outDir->setEnabled(s.interfaceKind == kPlotInterfaceFile);
        line->setText(commandLineOf ? FromOem(commandLineOf(s)) : QString());
    };
    for (QLineEdit* e : {program, com, lpt, outDir, scale, xShift, yShift, width})
        QObject::connect(e, &QLineEdit::textChanged, &d, update);
    QObject::connect(formats, &QButtonGroup::idClicked, &d, update);
    QObject::connect(interfaces, &QButtonGroup::idClicked, &d, update);
    QObject::connect(fit, &QCheckBox::toggled, &d, update);
    QObject::connect(rotate, &QCheckBox::toggled, &d, update);
    QObject::connect(font, &QComboBox::currentTextChanged, &d, update);
    QObject::connect(browse, &QPushButton::clicked, &d, [&] {
        const QString f = QFileDialog::getOpenFileName(&d, QString(), program->text());
        if (!f.isEmpty()) program->setText(f);
    });
    QObject::connect(outDirBrowse, &QPushButton::clicked, &d, [&] {
        const QString f = QFileDialog::getExistingDirectory(&d, QString(), outDir->text());
        if (!f.isEmpty()) outDir->setText(f);
    });
    QObject::connect(tempDir, &QPushButton::clicked, &d,
                     [&] { outDir->setText(FromFileName(PrivateScratchFolder())); });
    auto* help = Button(&d, "Button_help", "&Hilfe");
    QObject::connect(help, &QPushButton::clicked, &d,
                     [] { ShowHelpText(kPlotProgramHelp, "", kHelpTextOnly); });
    v->addLayout(OkCancelRow(&d, help));
    update();
    d.adjustSize();
    PlaceForm(&d, Placement::CentreOnScreen);
    if (d.exec() != QDialog::Accepted) return false;
    update();
    settings = s;
    return true;
}

}  // namespace veldrim
