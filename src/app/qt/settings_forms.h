#pragma once
// The settings forms of the options menu: the configuration form `Tconfig`,
// the CAD settings form `TForm_qub1conf` and the printer setup
// `TForm_printconf`. Each shows the settings in force and stores them on OK.

#include <QDialog>
#include <QDoubleSpinBox>

#include <array>
#include <cstdint>

#include "foundation/real.h"

class QCheckBox;
class QPushButton;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace veldrim {

class TFveldgra;

// A number box of the settings forms. It shows its value rounded to its
// decimals and within its range; left as shown it gives back the value it
// was filled with, exactly.
class RealBox : public QDoubleSpinBox {
public:
    RealBox(QWidget* parent, const char* name, double lo, double hi, int decimals, Real value);
    void Fill(Real value);
    Real Value() const;

private:
    Real filled_ = 0;
    double shown_ = 0;
};

class Tconfig : public QDialog {
public:
    explicit Tconfig(QWidget* parent = nullptr);
    // Stores the controls into the settings and writes the configuration file.
    void Button_okClick();
    void Button_resetColoursClick();
    // The colour of entry i (0..15) of the colour table as the form holds it
    // until OK; the button of the entry shows it. ChooseColour asks the user.
    void SetColour(int i, std::uint32_t colour);
    std::uint32_t Colour(int i) const { return colours_[static_cast<std::size_t>(i)]; }
    void ChooseColour(int i);

    QSpinBox* Edit_helpLevel;
    QSpinBox* Edit_decimals;
    QComboBox* ComboBox_units;
    QComboBox* ComboBox_dateFormat;
    QComboBox* ComboBox_angleFormat;
    QCheckBox* CheckBox_plainAscii;
    QComboBox* ComboBox_cadText;
    QCheckBox* CheckBox_hideWarnings;
    QSpinBox* Edit_windowPercent;
    QSpinBox* Edit_elementPercent;
    RealBox* Edit_zoomFactor;
    RealBox* Edit_panFactor;
    QCheckBox* CheckBox_wheelZoom;
    QCheckBox* CheckBox_colour;
    QLineEdit* Edit_graphicsFont;
    QCheckBox* CheckBox_archive;
    QComboBox* ComboBox_textDevice;
    QCheckBox* CheckBox_askDestination;
    QCheckBox* CheckBox_dbftemp;  // "copy DBF -> TEMP"

    // Colours: the colour table entries 0..15.
    std::array<QPushButton*, 16> Button_colour{};

    // Layers 0..5: names and colours (layer 0 keeps its own), width codes.
    std::array<QLineEdit*, 6> Edit_layerName{};
    std::array<QSpinBox*, 6> Edit_layerColour{};
    std::array<QSpinBox*, 6> Edit_layerWidth{};
    QCheckBox* CheckBox_layerMonochrom;
    QComboBox* ComboBox_layerColourMode;
    // The pen table of the numbered layers 16..31.
    std::array<QSpinBox*, 16> Edit_penNumber{};
    std::array<QSpinBox*, 16> Edit_penWidth{};

    // CAD texts and options.
    QLineEdit* Edit_cadTextStyle;
    RealBox* Edit_cadWidthFactor;
    RealBox* Edit_cadTextAngle;
    QCheckBox* CheckBox_execCadFile;
    QCheckBox* CheckBox_japolyArcToLines;
    RealBox* Edit_resolutionArcToLines;
    QComboBox* ComboBox_cadstltype;
    QCheckBox* CheckBox_jastlinvers;
    RealBox* Edit_massfaktorconfig;
    QCheckBox* CheckBox_zeichfusszeile;

private:
    std::array<std::uint32_t, 16> colours_{};
};

// `TForm_qub1conf`: the form (TForm_) of the program's general configuration (qub1 conf).
class TForm_qub1conf : public QDialog {
public:
    explicit TForm_qub1conf(QWidget* parent = nullptr);
    void Button_okClick();
    void Button_resetToothFormClick();

    QCheckBox* CheckBox_polyline;
    QSpinBox* Edit_decimalsCad;
    RealBox* Edit_toothFormX1;
    RealBox* Edit_toothFormX2;
};

// `TForm_printconf`: the form (TForm_) of the printer configuration (print conf).
class TForm_printconf : public QDialog {
public:
    TForm_printconf(TFveldgra& window, QWidget* parent = nullptr);
    // Stores the settings; with print set, prints the drawing (dialog or PDF).
    void Store();
    void Button_printClick();
    void Button_pdfClick();
    // The layouts of the table "printout.dbf": a picked one fills the form,
    // the form's settings are appended under a new name.
    void Button_loadLayoutClick();
    void Button_saveLayoutClick();

    RealBox* Edit_scaleX;
    RealBox* Edit_scaleY;
    QSpinBox* Edit_originX;
    QSpinBox* Edit_originY;
    QCheckBox* CheckBox_frame;
    QCheckBox* CheckBox_screenBorder;
    QCheckBox* CheckBox_restoreLimit;
    QCheckBox* CheckBox_resetZoom;
    QComboBox* ComboBox_colourMode;

private:
    void PrepareView();
    TFveldgra& window_;
    // Layout fields without a control of their own, kept for the next save.
    bool landscape_ = true;
    bool variable_ = false;
};

}  // namespace veldrim
