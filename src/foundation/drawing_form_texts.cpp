// Fixed texts of the drawing forms.
#include "foundation/drawing_form_texts.h"

#include "foundation/codepage.h"

namespace veldrim {

const std::array<const char*, 35> kPostScriptFonts{
    "Times-Roman",
    "Times-Italic",
    "Times-Bold",
    "Times-BoldItalic",
    "Helvetica",
    "Helvetica-Oblique",
    "Helvetica-Bold",
    "Helvetica-BoldOblique",
    "Helvetica-Narrow",
    "Helvetica-Narrow-Oblique",
    "Helvetica-Narrow-Bold",
    "Helvetica-Narrow-BoldOblique",
    "Courier",
    "Courier-Oblique",
    "Courier-Bold",
    "Courier-BoldOblique",
    "Palatino-Roman",
    "Palatino-Italic",
    "Palatino-Bold",
    "Palatino-BoldItalic",
    "AvantGarde-Book",
    "AvantGarde-Demi",
    "AvantGarde-BookOblique",
    "AvantGarde-DemiOblique",
    "Bookman-Light",
    "Bookman-Demi",
    "Bookman-LightItalic",
    "Bookman-DemiItalic",
    "NewCenturySchlbk-Roman",
    "NewCenturySchlbk-Bold",
    "NewCenturySchlbk-Italic",
    "NewCenturySchlbk-BoldItalic",
    "ZapfChancery-MediumItalic",
    "Symbol",
    "other fonts",
};

const std::vector<std::string>& PlotFormCaptions() {
    static const std::vector<std::string> captions{
        "Ausgabeformat",
        "Ausgabeschnittstelle",
        std::string("Maßstab"_cp850),
        std::string("Maßstab anpassen ?"_cp850),
        "Postscript-Zeichensatz",
        "Plot um 90 Grad drehen ?",
        "Nullpunktverschiebung in x-Richtung",
        "Nullpunktverschiebung in y-Richtung",
        "Textbreitenfaktor",
        "GRAFMIT Programmverzeichnis",
    };
    return captions;
}

}  // namespace veldrim
