#include "app/config_file.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <variant>

#include "app/app_state.h"
#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "graphics/cad_output.h"
#include "graphics/diagrams/wireframe_3d.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {

namespace {

using Target = std::variant<std::string*, std::int16_t*, std::uint16_t*, std::int32_t*,
                            std::uint32_t*, std::uint8_t*, bool*, char*, double*, Real*>;

struct Setting {
    std::string label;  // code page 850
    Target target;
};

std::string L(std::string_view cp850) { return std::string(cp850); }

// Every setting with a configuration key, in the order the file holds them.
std::vector<Setting> Settings() {
    CadOutputRecord& cad = CadOutputState;
    std::vector<Setting> s = {
        {"Hilfegrad", &helpLevel},
        {"Druckerschnittstelle", &printerPort},
        {"Druckerschnittstelle Hardcopy", &printerPortHardcopy},
        {"Druckertyp", &printerType},
        {"Druckdichte", &printDensity},
        {"Druckdicke vertikal", &verticalPrintThickness},
        {L("Hardcopy um 90° gedreht ?"_cp850), &hardcopyTurned90},
        {"Dezimalstellen", &decimalsSetting},
        {L("Mode für Textausdruck 1:* 2:-"_cp850), &reportRuleStyle},
        {L("Zeilen pro Seite für Drucker"_cp850), &linesPerPage},
        {"Farbgrafik", &colourGraphics},
        {"Grafik-Treiber", &graphicsDriver},
        {"Grafik-Mode", &graphicsMode},
        {L("Auflösung horizontal"_cp850), &horizontalResolution},
        {L("Auflösung vertikal"_cp850), &verticalResolution},
        {"Windows-Druckmodus (1=mono 2=color)", &windowsPrintMode},
        {"CAD Ordner", &cadDirectory},
        {"DBF Ordner", &databaseDirectory},
        {"EDI Ordner", &ediDirectory},
        {"PLT Ordner", &helpDirectory},
        {L("Ordner für temporäre Dateien"_cp850), &userDirectory},
        {"Datenbank mode", &databaseMode},
        {"externe Datenbank", &tableEditorPath},
        {"Textprogramm", &textEditorPath},
        {"HTML Browser", &htmlBrowserPath},
        {"Date Code", &dateFormat},
        {"Header Space Lines", &headerSpaceLines},
        {"Text Device", &textDevice},
        {"Text Device Window ?", &textDeviceWindow},
        {"Small Online Window ?", &smallOnlineWindow},
        {"Enter Diagram Limits ?", &enterDiagramLimits},
        {"Default Data Directory", &defaultDataDirectory},
        {"Input Window Scale %", &dialogWindowPercentage},
        {"Metric Units=0,  English units=1", &unitSystem},
        {"printout with header=1, header page 1 only=2", &printoutHeaderMode},
        {"Dot=1 Komma=2", &decimalSeparatorOption},
        {"CAD Text Mode", &cadTextCharacterSet},
        {"Archive Flag ?", &archiveModeLockOption},
        {"Text window left", &textWindowLeft},
        {"Text window top", &textWindowTop},
        {"Text window width", &textWindowWidth},
        {"Text window height", &textWindowHeight},
        {"Text Font Printout", &printoutFont},
        {"Text Size Printout", &printoutFontSize},
        {"Text Style Printout", &printoutTextStyle},
        {"Printer: Portrait=1, Landscape=2", &printerOrientation},
        {"Graphic Printout Dialog Box ?", &graphicPrintoutDialog},
        {"Print Scale Vertical", &printScaleVertical},
        {"Windows Screendump Scale", &screenDumpScale},
        {"Windows Screendump Origin X", &screenDumpOriginX},
        {"Windows Screendump Origin Y", &screenDumpOriginY},
        // Graphics window and CAD output.
        {"Zoomfaktor", &ZoomFactor},
        {"Pan-Faktor", &PanFactor},
        {"Hintergrundfarbe", &BackgroundColour},
        {"Textstil Grafik", &GraphicsTextFont},
        {"Textbreitenfaktor Grafik", &GraphicsTextWidthFactor},
        {"Text Height Factor", &GraphicsTextHeightFactor},
        {"Text Style Graphics", &GraphicsTextStyleBits},
        {"GrafikKorrekturFaktor horizontal", &GraphicsCorrectionHorizontal},
        {"Textstil CAD", &cad.cadTextStyleName},
        {"Textbreitenfaktor CAD", &cad.baseWidthFactor},
        {"Textwinkel", &cad.configuredObliquingAngle},
        {"Layer Monochrom", &cad.layerMonochrom},
        {"Decimals DXF,TXT", &cad.cadDecimals},
        {"Exec CAD App ?", &cad.execFlag},
        {"Edit 3D x,y,z ?", &View3DState.edit3DView},
        {"Draw w/o coordinate system ?", &View3DState.withoutCoordinateSystem},
    };
    for (int i = 0; i < 6; ++i)
        s.push_back({"Line thickness Layer " + std::to_string(i), &cad.layerWidthCodes[i]});
    return s;
}

void WriteValue(const Target& t) {
    std::visit(
        [](auto* p) {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, std::string>) WriteTextLine(*p);
            else if constexpr (std::is_same_v<T, char>) WriteTextLine(std::string(1, *p));
            else if constexpr (std::is_same_v<T, bool>) WriteBoolLine(*p);
            else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, Real>)
                WriteFloatLine(static_cast<Real>(*p));
            else WriteIntLine(static_cast<std::int32_t>(*p));
        },
        t);
}

// Stores a value line; a line that does not convert keeps the start-up value.
bool StoreValue(const Target& t, const std::string& line) {
    return std::visit(
        [&](auto* p) -> bool {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, std::string>) {
                *p = line;
                return true;
            } else if constexpr (std::is_same_v<T, char>) {
                if (line.empty()) return false;
                *p = line[0];
                return true;
            } else if constexpr (std::is_same_v<T, bool>) {
                if (line == "TRUE") *p = true;
                else if (line == "FALSE") *p = false;
                else return false;
                return true;
            } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, Real>) {
                Real x = 0;
                if (!ParseRealLine(line, x)) return false;
                *p = static_cast<T>(x);
                return true;
            } else {
                std::int64_t n = 0;
                if (!ParseIntLine(line, n) || n < std::numeric_limits<T>::min() ||
                    n > std::numeric_limits<T>::max())
                    return false;
                *p = static_cast<T>(n);
                return true;
            }
        },
        t);
}

}  // namespace

std::string ConfigFilePath() {
    return EnsureTrailingBackslash(configurationDirectory) + programShortName + ".cfg";
}

std::string SessionFilePath() {
    return EnsureTrailingBackslash(configurationDirectory) + programShortName + ".cff";
}

std::vector<std::string> ConfigLabels() {
    std::vector<std::string> out;
    for (const Setting& s : Settings()) out.push_back(s.label);
    return out;
}

bool WriteConfigFile() {
    // Numbers in the configuration file always take the decimal point.
    const auto savedSeparator = decimalSeparatorOption;
    decimalSeparatorOption = 1;
    const bool ok = WriteWholeFile(ConfigFilePath(), [savedSeparator] {
        for (const Setting& s : Settings()) {
            WriteTextLine(s.label);
            // The file keeps the user's separator choice, not the one in force now.
            if (std::get_if<std::int16_t*>(&s.target) &&
                *std::get_if<std::int16_t*>(&s.target) == &decimalSeparatorOption)
                WriteIntLine(savedSeparator);
            else
                WriteValue(s.target);
        }
    });
    decimalSeparatorOption = savedSeparator;
    return ok;
}

bool ReadConfigFile() {
    const std::string path = FindFileNoCase(ConfigFilePath());
    if (!FileExists(path)) return false;
    TextFile f;
    f.Assign(path);
    if (f.Reset() != kIoOk) return false;
    const std::vector<Setting> settings = Settings();
    std::string label, value;
    while (!f.Eof()) {
        if (f.ReadLine(label) != kIoOk) break;
        if (f.ReadLine(value) != kIoOk) break;
        for (const Setting& s : settings) {
            if (s.label != label) continue;
            StoreValue(s.target, value);
            break;
        }
    }
    f.Close();
    if (CadOutputState.cadDecimals < 1 || CadOutputState.cadDecimals > 32)
        CadOutputState.cadDecimals = 6;
    return true;
}

bool ReadSessionFile() {
    const std::string path = FindFileNoCase(SessionFilePath());
    if (!FileExists(path)) return false;
    TextFile f;
    f.Assign(path);
    if (f.Reset() != kIoOk) return false;
    std::string line;
    if (f.ReadLine(line) == kIoOk && !line.empty()) dataDirectory = line;
    for (int i = 0; i < kRecentFileCount; ++i) {
        if (f.ReadLine(line) != kIoOk) break;
        recentFilesList[static_cast<std::size_t>(i)] = line;
    }
    f.Close();
    return true;
}

bool WriteSessionFile() {
    return WriteWholeFile(SessionFilePath(), [] {
        WriteTextLine(dataDirectory);
        for (const std::string& r : recentFilesList) WriteTextLine(r);
    });
}

void AddRecentFile(const std::string& path) {
    if (path.empty()) return;
    std::vector<std::string> list{path};
    for (const std::string& r : recentFilesList)
        if (!r.empty() && r != path) list.push_back(r);
    for (int i = 0; i < kRecentFileCount; ++i)
        recentFilesList[static_cast<std::size_t>(i)] =
            i < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(i)] : std::string();
}

}  // namespace veldrim
