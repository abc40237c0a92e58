#include "app/main_commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "app/config_file.h"
#include "app/startup.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/data_file.h"
#include "calc/design.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "drawings/result_diagram.h"
#include "drawings/result_view.h"
#include "foundation/codepage.h"
#include "foundation/data_file_path.h"
#include "foundation/files.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/message_display.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/system_info.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"
#include "tables/datasets/table_access.h"

namespace veldrim {

void TakeDataFileName(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    currentDataFile = ec ? path : whole.string();
    currentFileName = BaseNameOf(currentDataFile);
}

void TakeAsCurrentDataFile(const std::string& path) {
    TakeDataFileName(path);
    dataDirectory = StripTrailingBackslash(DirPartOf(currentDataFile));
    AddRecentFile(currentDataFile);
    modifiedFlag = false;
}

namespace {

// The empty sheet: an A4 landscape frame with the title line.
void DrawEmptySheet() {
    CadRectangle(0, 0, 297, 210);
    CadRectangle(10, 10, 287, 200);
    CadSetTextStyle(0, 0, 7, 7);
    CadText(productName, 20, 180);
    CadSetTextStyle(0, 0, 3.5L, 3.5L);
    // The file the set was read from or last saved to, as the title names it.
    const std::string file = CurrentDataFile();
    CadText(file.empty() ? std::string("-") : ShownFileName(file.substr(DirPartOf(file).size())),
            20, 170);
}

}  // namespace

bool SavePrompt() {
    if (!modifiedFlag) return true;
    cancelFlag = false;
    const bool yes = AskYesNoCancel("Die Daten wurden ge\x84ndert. Speichern ?");
    if (cancelFlag) return false;
    if (!yes) return true;
    SaveDataSet();
    return !cancelFlag;
}

void NewDataSet() {
    // Without the template "null" the set starts from the program's
    // defaults; "init" then goes over either.
    if (TemplatePath("null").empty()) ResetDataSetToDefaults();
    LoadStartupTemplates();
    currentFileName.clear();
    currentDataFile.clear();
    modifiedFlag = false;
    UpdateAfterChange(true);
}

bool OpenDataSet(const std::string& path) {
    cancelFlag = false;
    // The file read is the set's file, spelled as on disk: a name found in
    // other letters (a recent "g.qb3" renamed to "G.QB3" since) would make
    // the title, the recent list and Speichern name a file that is not there,
    // and Speichern write a second one beside it.
    const std::string file = FindFileNoCase(path);
    if (!ReadDataFile(file)) return false;
    if (file != path) std::replace(recentFilesList.begin(), recentFilesList.end(), path, {});
    TakeAsCurrentDataFile(file);
    RunCalculation();
    UpdateAfterChange(true);
    return true;
}

void OpenDataSetWithDialog() {
    std::string dir = dataDirectory, name;
    cancelFlag = false;
    ChooseOpenFile(5, dir, "*." + dataFileExtension, name);
    if (cancelFlag || name.empty()) return;
    OpenDataSet(name);
}

void SaveDataSet() {
    cancelFlag = false;
    const std::string current = CurrentDataFile();
    if (current.empty()) {
        SaveDataSetAs();
        return;
    }
    const std::string path = DataFileTarget(current);
    // The archive lock holds for the current file as for a new one.
    if (ArchiveModeRefusesName(path)) return;
    // The set's own file is written without a question; a set read from a
    // file of another kind ("gear.bak") is saved as its data file, which may
    // be another set's and is asked about first.
    if (path != current) {
        CheckNewFileName(path);
        if (cancelFlag) return;
        // The working set's file is replaced unasked only when it is the
        // file chosen; a set read from "aktuell.alt" is another set.
        if (IsWorkingFile(path) && !ConfirmReplace(path)) return;
    }
    WaitCursor();
    const bool ok = WriteDataFile(path);
    EndWaitCursor();
    if (ok) TakeAsCurrentDataFile(path);
}

void SaveDataSetAs() {
    cancelFlag = false;
    std::string path;
    const std::string folderBefore = dataDirectory, nameBefore = currentFileName;
    AskSaveFileName("", path);
    if (cancelFlag) return;
    WaitCursor();
    const bool ok = WriteDataFile(path);
    EndWaitCursor();
    if (!ok) {
        // Not written under the new name: the data set stays the one it was.
        dataDirectory = folderBefore;
        currentFileName = nameBefore;
        return;
    }
    TakeAsCurrentDataFile(path);
    UpdateAfterChange();  // the drawing names the file under its new name
}

void Recalculate() {
    RunCalculation();
    UpdateAfterChange();
}

void UpdateAfterChange(bool anotherDataSet) {
    if (anotherDataSet && helpLevel <= 0) WriteEmptySheetView();
    ShowResultView();
}

namespace {

// What a sequence of forms may change, as it was before the sequence.
struct DataSetState {
    GearPairRecord gearPair;
    WormGearRecord wormGear;
    CylGearRecord cylGear;
    MessageList messages;
    bool fatal;
    std::int16_t units;

    static DataSetState Now() {
        return {veldrim::gearPair, veldrim::wormGear, veldrim::cylGear,
                messageList,       fatalFlag,         unitSystem};
    }
    void Restore() const {
        veldrim::gearPair = gearPair;
        veldrim::wormGear = wormGear;
        veldrim::cylGear = cylGear;
        messageList = messages;
        fatalFlag = fatal;
        unitSystem = units;
    }
    bool SameRecords() const {
        return veldrim::gearPair == gearPair && veldrim::wormGear == wormGear &&
               veldrim::cylGear == cylGear;
    }
};

}  // namespace

bool FormSequence(const std::function<void()>& forms) {
    const DataSetState before = DataSetState::Now();
    cancelFlag = false;
    forms();
    if (cancelFlag) {
        before.Restore();
        cancelFlag = false;
        // The forms' passes may have drawn results the data set no longer has.
        UpdateAfterChange();
        return false;
    }
    Recalculate();
    if (!before.SameRecords()) modifiedFlag = true;
    return true;
}

namespace {

struct MessageCounts {
    int fatal = 0, errors = 0, warnings = 0;
};

MessageCounts CountMessages() {
    MessageCounts n;
    for (int i = 1; i <= messageList.count; ++i) {
        const std::string& m = messageList.slot[static_cast<std::size_t>(i)];
        if (m.starts_with("Fatal"))
            ++n.fatal;
        else if (m.starts_with("Fehler"))
            ++n.errors;
        else
            ++n.warnings;
    }
    return n;
}

}  // namespace

CalculationOutcome LastCalculationOutcome() {
    const MessageCounts n = CountMessages();
    if (n.fatal > 0) return CalculationOutcome::Fatal;
    if (n.errors > 0) return CalculationOutcome::Errors;
    if (n.warnings > 0) return CalculationOutcome::Warnings;
    return CalculationOutcome::Clean;
}

std::string CalculationStatusText() {
    const MessageCounts n = CountMessages();
    std::string text;
    auto part = [&text](int count, const char* one, const char* many) {
        if (count == 0) return;
        if (!text.empty()) text += ", ";
        text += std::to_string(count) + " " + (count == 1 ? one : many);
    };
    part(n.fatal, "Abbruch", "Abbruch");
    part(n.errors, "Fehler", "Fehler");
    part(n.warnings, "Warnung", "Warnungen");
    if (text.empty()) return text;
    return "Berechnung: " + text + " (Strg+M)";
}

void AnnounceCalculationMessages() {
    if (LastCalculationOutcome() == CalculationOutcome::Clean) return;
    cancelFlag = false;
    ShowCalculationMessages();
    cancelFlag = false;
}

void DesignCommand() {
    DesignFromLeadAngle();
    if (!fatalFlag) modifiedFlag = true;
    Recalculate();
}

void DrawCurrentView() {
    if (ResultViewDrawer)
        ResultViewDrawer();
    else
        WriteCurrentView(kCadScreen);
    cancelFlag = false;
}

namespace {

// The window's default result view: the current view on the screen.
void DrawDefaultResultView() { WriteCurrentView(kCadScreen); }

}  // namespace

void InstallDefaultResultView() {
    ResultViewDrawer = &DrawDefaultResultView;
    designResultView = &ShowResultView;
}

namespace {

// The sheet through a CAD output run of the code, with the result diagram or
// empty.
void WriteSheet(std::uint16_t code, bool withDiagram) {
    cancelFlag = false;
    CadBeginOutput(code);
    if (cancelFlag) return;
    CadBeginDrawing(0, 0, 297, 210, 1.0L);
    CadWriteTables(2);
    CadBeginBlocks();
    CadEndSection();
    do {
        CadBeginEntities();
        DrawEmptySheet();
        if (withDiagram) DrawResultDiagram();
        CadEndSection();
    } while (!CadOutputComplete());
    CadEndOutput();
}

}  // namespace

void WriteCurrentView(std::uint16_t code) { WriteSheet(code, true); }

void WriteEmptySheetView() {
    WriteSheet(kCadScreen, false);
    cancelFlag = false;
}

void ShowResultDiagram() {
    cancelFlag = false;
    if (!ResultDiagramAvailable()) {
        ShowInfo("Kein Diagramm: der Datensatz hat keine berechneten Ergebnisse.");
        return;
    }
    WriteCurrentView(kCadScreen);
    cancelFlag = false;
}

void PlayStartPicture() {
    const std::string path = HelpPicturePath("start");
    if (!helpPictureHook || !FileExists(path)) return;
    helpPictureHook(path);
    cancelFlag = false;
}

std::vector<std::string> HelpPictureList() {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path folder = helpDirectory.empty() ? fs::path(".") : fs::path(helpDirectory);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        std::string ext = p.extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".plt" && it->is_regular_file(ec)) names.push_back(p.stem().string());
    }
    if (names.empty()) ShowInfo("Keine Hilfebilder in " + ShownFileName(folder.string()));
    std::sort(names.begin(), names.end());
    return names;
}

void ShowHelpPictureNamed(const std::string& name) {
    cancelFlag = false;
    if (helpPictureHook) helpPictureHook(HelpPicturePath(name));
}

std::string FindDataFolder(const std::string& programPath) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path exe = fs::weakly_canonical(fs::path(programPath), ec);
    std::vector<fs::path> candidates;
    if (!exe.empty()) {
        candidates.push_back(exe.parent_path() / "data");
        candidates.push_back(exe.parent_path());
        candidates.push_back(exe.parent_path().parent_path() / "share" / "veldrim");
    }
#ifdef VELDRIM_INSTALL_DATA_DIR
    candidates.emplace_back(VELDRIM_INSTALL_DATA_DIR);
#endif
#ifdef VELDRIM_SOURCE_DATA_DIR
    candidates.emplace_back(VELDRIM_SOURCE_DATA_DIR);
#endif
    for (const fs::path& c : candidates)
        if (FileExists(FindFileNoCase((c / "veldrim.hlp").string()))) return c.string();
    return {};
}

namespace {
constexpr const char* kMaterialTable = "vovuzi.dbf";
}  // namespace

void UseDataFolder(const std::string& folder) {
    if (folder.empty()) return;
    const std::string help = EnsureTrailingBackslash(helpDirectory) + "veldrim.hlp";
    if (!FileExists(FindFileNoCase(help))) helpDirectory = folder;
    // The installed tables are read but never written.
    shippedTablesFolder = folder;
    // Tables in the start folder are used where they are, unless the start
    // folder is the user's data folder: the tables there are the user's
    // copies of installed ones, read in their place one by one.
    std::error_code ec;
    const bool startInUserData =
        !userDataDirectory.empty() && std::filesystem::equivalent(".", userDataDirectory, ec);
    const bool tablesHere = FileExists(FindFileNoCase(kMaterialTable)) && !startInUserData;
    if (databaseDirectory.empty() && !tablesHere &&
        FileExists(FindFileNoCase(EnsureTrailingBackslash(folder) + kMaterialTable)))
        databaseDirectory = folder;
}

std::string SystemInformationText() {
    // The summary's fields are separated by '/', and the folder at its end
    // holds more of them: the first five separators end the fields.
    const std::string summary = SystemSummaryText(startDirectory);
    // The kernel's version stands on the operating system's line already.
    static constexpr const char* kLabels[] = {"Rechner", nullptr, "Prozessor", "Arbeitsspeicher",
                                              "Festplatte"};
    std::string text =
        "Programmversion: " + FileVersionText("") + "\nBetriebssystem: " + WindowsVersionText();
    std::size_t start = 0;
    for (const char* label : kLabels) {
        const std::size_t slash = summary.find('/', start);
        if (label) text += std::string("\n") + label + ": " + summary.substr(start, slash - start);
        start = slash == std::string::npos ? summary.size() : slash + 1;
    }
    return text + "\nOrdner: " + summary.substr(start);
}

std::string MainWindowTitle() {
    std::string title;
    UpdateWindowTitle(title);
    return title;
}

}  // namespace veldrim
