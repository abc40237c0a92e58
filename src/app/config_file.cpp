#include "app/config_file.h"

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <variant>

#include "app/app_state.h"
#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "graphics/cad_output.h"
#include "graphics/diagrams/wireframe_3d.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {

namespace {

// Four 32-bit settings kept on one line of bar-separated fields.
struct BarFields {
    std::array<std::int32_t*, 4> values;
};
// A 0/1 byte setting that the file keeps inverted.
struct InvertedByte {
    std::uint8_t* value;
};

using Target =
    std::variant<std::string*, std::int16_t*, std::uint16_t*, std::int32_t*, std::uint32_t*,
                 std::uint8_t*, bool*, char*, double*, Real*, BarFields, InvertedByte>;

struct Setting {
    std::string label;  // code page 850
    Target target;
};

std::string L(std::string_view cp850) { return std::string(cp850); }

// Every setting with a configuration key, in the order the file holds them.
// The wheel-zoom switch is the last line of the file.
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
        {"copy DBF -> TEMP", &tablesFromUserDirectory},
        {"Text window left/top/width/height",
         BarFields{{&textWindowLeft, &textWindowTop, &textWindowWidth, &textWindowHeight}}},
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
    };
    // Colour table entries 0..15; entry 16 is not kept.
    for (std::size_t i = 0; i < 16; ++i)
        s.push_back({"Farbtabelle " + std::to_string(i), &ColorTable[i]});
    s.insert(s.end(), {
                          {"Textstil CAD", &cad.cadTextStyleName},
                          {"Textbreitenfaktor CAD", &cad.baseWidthFactor},
                          {"Textwinkel", &cad.configuredObliquingAngle},
                      });
    // Names and colours of layers 1..5; layer 0 keeps its own.
    for (std::size_t i = 1; i < 6; ++i) {
        s.push_back({"Layer " + std::to_string(i), &cad.layerNames[i]});
        s.push_back({"Farbe " + std::to_string(i), &cad.layerColorIndex[i]});
    }
    // Pens of the numbered layers 16..31 and the layer colour mode.
    for (std::size_t i = 0; i < 16; ++i) {
        s.push_back({"Pen " + std::to_string(i + 1), &cad.penNumbers[i]});
        s.push_back({"Pen width " + std::to_string(i + 1), &cad.penWidths[i]});
    }
    s.push_back({"Layer Color Mode", &cad.layerColorMode});
    s.insert(s.end(), {
                          {"Layer Monochrom", &cad.layerMonochrom},
                          {"Decimals DXF,TXT", &cad.cadDecimals},
                          {"Scale Factor", &cad.baseScale},
                          // The footer option is held inverted (0 = on); the file says 1 for on.
                          {"Drawing Footer ?", InvertedByte{&cad.sheetOptions[kSheetFooterOption]}},
                          {"Exec CAD App ?", &cad.execFlag},
                          {"Polyline Arc -> Lines ?", &cad.arcsAsLinesFlag},
                          {"Resolution Arc -> Lines", &cad.chordTolerance},
                          {"STL Type (0=Binary 1=ASCII)", &cad.stlFileType},
                          {"STL Dir invers", &cad.stlDirInvers},
                      });
    for (std::size_t i = 0; i < 6; ++i)
        s.push_back({"Line thickness Layer " + std::to_string(i), &cad.layerWidthCodes[i]});
    s.insert(s.end(), {
                          {"Edit 3D x,y,z ?", &View3DState.edit3DView},
                          {"Draw w/o coordinate system ?", &View3DState.withoutCoordinateSystem},
                          {"3D projected in CAD files ?", InvertedByte{&View3DState.fileOutput3D}},
                          {"Zoom mit dem Mausrad", &WheelZoomSwitch},
                      });
    return s;
}

// Labels of files written before the text window took one line; read only.
std::vector<Setting> FormerSettings() {
    return {{"Text window left", &textWindowLeft},
            {"Text window top", &textWindowTop},
            {"Text window width", &textWindowWidth},
            {"Text window height", &textWindowHeight}};
}

// Stores a whole number line into n when it fits its type; false otherwise.
template <class T>
bool StoreWhole(T& n, const std::string& line) {
    std::int64_t v = 0;
    if (!ParseIntLine(line, v) || v < std::numeric_limits<T>::min() ||
        v > std::numeric_limits<T>::max())
        return false;
    n = static_cast<T>(v);
    return true;
}

void WriteValue(const Target& t) {
    std::visit(
        [](auto p) {
            using P = decltype(p);
            if constexpr (std::is_same_v<P, BarFields>) {
                WriteBarFields4(IntText(*p.values[0]), IntText(*p.values[1]), IntText(*p.values[2]),
                                IntText(*p.values[3]));
            } else if constexpr (std::is_same_v<P, InvertedByte>) {
                WriteIntLine(*p.value ? 0 : 1);
            } else {
                using T = std::remove_pointer_t<P>;
                if constexpr (std::is_same_v<T, std::string>)
                    WriteTextLine(*p);
                else if constexpr (std::is_same_v<T, char>)
                    WriteTextLine(std::string(1, *p));
                else if constexpr (std::is_same_v<T, bool>)
                    WriteBoolLine(*p);
                else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, Real>)
                    WriteFloatLine(static_cast<Real>(*p));
                else
                    WriteIntLine(static_cast<std::int32_t>(*p));
            }
        },
        t);
}

// Reads the value line of a setting from the shared text file and stores it;
// a value that does not convert keeps the start-up value.
void ReadValue(const Target& t) {
    if (const auto* bars = std::get_if<BarFields>(&t)) {
        std::array<std::string, 4> f;
        ReadBarFields(f[0], f[1], f[2], f[3]);
        for (std::size_t i = 0; i < 4; ++i) StoreWhole(*bars->values[i], f[i]);
        return;
    }
    std::string line;
    if (sharedTextFile.ReadLine(line) != kIoOk) return;
    std::visit(
        [&](auto p) {
            using P = decltype(p);
            if constexpr (std::is_same_v<P, BarFields>) {
                // read above
            } else if constexpr (std::is_same_v<P, InvertedByte>) {
                std::uint8_t stored = 0;
                if (StoreWhole(stored, line)) *p.value = stored ? 0 : 1;
            } else {
                using T = std::remove_pointer_t<P>;
                if constexpr (std::is_same_v<T, std::string>) {
                    *p = line;
                } else if constexpr (std::is_same_v<T, char>) {
                    if (!line.empty()) *p = line[0];
                } else if constexpr (std::is_same_v<T, bool>) {
                    if (line == "TRUE")
                        *p = true;
                    else if (line == "FALSE")
                        *p = false;
                } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, Real>) {
                    Real x = 0;
                    if (ParseRealLine(line, x)) *p = static_cast<T>(x);
                } else {
                    StoreWhole(*p, line);
                }
            }
        },
        t);
}

// What puts the setting back to the value it holds now.
std::function<void()> Restorer(const Target& t) {
    return std::visit(
        [](auto p) -> std::function<void()> {
            using P = decltype(p);
            if constexpr (std::is_same_v<P, BarFields>) {
                std::array<std::int32_t, 4> held{};
                for (std::size_t i = 0; i < 4; ++i) held[i] = *p.values[i];
                return [p, held] {
                    for (std::size_t i = 0; i < 4; ++i) *p.values[i] = held[i];
                };
            } else if constexpr (std::is_same_v<P, InvertedByte>) {
                return [p, held = *p.value] { *p.value = held; };
            } else {
                return [p, held = *p] { *p = held; };
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
    TextFile& f = sharedTextFile;
    f.Assign(path);
    if (f.Reset() != kIoOk) return false;
    std::vector<Setting> settings = Settings();
    for (Setting& s : FormerSettings()) settings.push_back(std::move(s));
    std::vector<std::function<void()>> restore;
    for (const Setting& s : settings) restore.push_back(Restorer(s.target));
    // Reading stops quietly at the end of the file: a label without its value
    // line keeps the start-up value and the cancel flag stays as it was.
    const bool cancelBefore = cancelFlag;
    std::string label;
    while (!f.Eof()) {
        if (f.ReadLine(label) != kIoOk || f.Eof()) break;
        const Setting* match = nullptr;
        for (const Setting& s : settings)
            if (s.label == label) {
                match = &s;
                break;
            }
        if (match) {
            ReadValue(match->target);
        } else {
            std::string skipped;
            if (f.ReadLine(skipped) != kIoOk) break;
        }
    }
    // A file that cannot be read to its end gives no setting: each keeps the
    // value it had.
    const bool whole = CloseRead(f, [&] {
        for (const auto& back : restore) back();
    });
    cancelFlag = cancelBefore;
    if (!whole) return false;
    if (CadOutputState.cadDecimals < 1 || CadOutputState.cadDecimals > 32)
        CadOutputState.cadDecimals = 6;
    return true;
}

namespace {

// The session file is a code page 850 text. A name that code page cannot
// hold is stored there with '?' and, after the recent files, once more as
// the bytes of its name on disk, in a block of its own: a reader that knows
// only the first lines ignores it, and the name comes back exact.
constexpr std::string_view kExactNamesLabel = "Dateinamen UTF-8";

bool CodePageHoldsName(const std::string& name) {
    return FileNameFromText(FileNameText(name)) == name;
}

}  // namespace

bool ReadSessionFile() {
    const std::string path = FindFileNoCase(SessionFilePath());
    if (!FileExists(path)) return false;
    TextFile f;
    f.Assign(path);
    if (f.Reset() != kIoOk) return false;
    // The names it holds are names on disk.
    std::array<std::string, 1 + kRecentFileCount> stored;
    int count = 0;
    for (std::string& line : stored) {
        if (f.ReadLine(line) != kIoOk) break;
        ++count;
    }
    std::array<std::string, 1 + kRecentFileCount> exact;
    std::string label;
    if (count == static_cast<int>(stored.size()) && f.ReadLine(label) == kIoOk &&
        label == kExactNamesLabel) {
        for (std::string& line : exact)
            if (f.ReadLine(line) != kIoOk) break;
    }
    // Nothing of a file that cannot be read to its end is taken; the start-up
    // goes on with the cancel flag as it was.
    const bool cancelBefore = cancelFlag;
    const bool whole = CloseRead(f);
    cancelFlag = cancelBefore;
    if (!whole) return false;
    // An exact name stands where its code page 850 line still names it.
    auto nameAt = [&](std::size_t i) {
        if (!exact[i].empty() && FileNameText(exact[i]) == stored[i]) return exact[i];
        return FileNameFromText(stored[i]);
    };
    if (count > 0 && !stored[0].empty()) dataDirectory = nameAt(0);
    for (int i = 0; i < kRecentFileCount && i + 1 < count; ++i)
        recentFilesList[static_cast<std::size_t>(i)] = nameAt(static_cast<std::size_t>(i) + 1);
    return true;
}

bool WriteSessionFile() {
    return WriteWholeFile(SessionFilePath(), [] {
        WriteTextLine(FileNameText(dataDirectory));
        for (const std::string& r : recentFilesList) WriteTextLine(FileNameText(r));
        bool held = CodePageHoldsName(dataDirectory);
        for (const std::string& r : recentFilesList) held = held && CodePageHoldsName(r);
        if (held) return;
        WriteTextLine(std::string(kExactNamesLabel));
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
