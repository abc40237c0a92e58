// Program-wide state: definitions with their start-up defaults, and the
// reset that restores them.

#include "foundation/program_state.h"

#include <filesystem>
#include <system_error>

#include "foundation/codepage.h"

namespace veldrim {

namespace {

std::string CurrentDirectory() {
    std::error_code ec;
    auto path = std::filesystem::current_path(ec);
    return ec ? std::string() : path.string();
}

template <std::size_t N>
std::array<std::string, N> Blanks(int width) {
    std::array<std::string, N> rows;
    rows.fill(std::string(static_cast<std::size_t>(width), ' '));
    return rows;
}

std::array<std::string, kUnitSystemCount> DefaultUnitSystemNames() {
    return {std::string("metrisch (mm, N, MPa, Nmm, °C)"_cp850),
            std::string("englisch (in, lbf, psi, lbfin, degF)"),
            std::string("metrisch (mm, kN, MPa, Nm, °C)"_cp850),
            std::string("metrisch (mm, N, N/mm², Nmm, °C)"_cp850),
            std::string("metrisch (mm, kN, N/mm², Nm, °C)"_cp850)};
}

}  // namespace

// Program identity.
std::string productName = "VELDRIM";
std::string programShortName = "VELDRIM";
std::string windowTitle = "V E L D R I M    -    Software";
std::string dataFileExtension = "EXT";
std::string programVersion = "1.0";
std::string currentFileName = "demo";
std::string dataDirectory = "TRAIN";

// Shared text buffers: rows of blanks, never empty texts.
std::array<std::string, kChoiceBufferSize + 1> choiceBuffer =
    Blanks<kChoiceBufferSize + 1>(kChoiceBufferWidth);
std::array<std::string, kLineBufferCount + 1> lineBuffers =
    Blanks<kLineBufferCount + 1>(kLineBufferWidth);
std::array<std::string, kReportHeaderLineCount + 1> reportHeaderLines =
    Blanks<kReportHeaderLineCount + 1>(kReportHeaderLineWidth);
std::string startDirectory = CurrentDirectory();

// Flags.
bool cancelFlag = false;
bool fatalFlag = false;
bool errorDisplayFlag = true;
bool modifiedFlag = false;
bool archiveModeFlag = false;

// Directories.
std::string cadDirectory;
std::string databaseDirectory;
std::string ediDirectory;
std::string helpDirectory;
std::string userDirectory;

// Settings of the global state.
std::int16_t helpLevel = 1;
std::int16_t printerPort = 1;
std::int16_t printerPortHardcopy = 1;
std::int16_t printerType = 3;
std::int16_t printDensity = 1;
std::int16_t verticalPrintThickness = 1;
char hardcopyTurned90 = 'J';
std::int32_t decimalsSetting = 3;
std::int16_t reportRuleStyle = 1;
std::int32_t linesPerPage = 66;
bool colourGraphics = true;
std::int32_t graphicsDriver = 0;
std::int32_t graphicsMode = 0;
std::int16_t horizontalResolution = 0;
std::int16_t verticalResolution = 0;
std::int16_t windowsPrintMode = 1;
std::int16_t highestRecordedPenNumber = 16;

std::int32_t drawingDispatcherCounter = 1;
char tableEditorKey1 = '0';
char tableEditorKey2 = '0';
std::int32_t tableEditorValue = 1;
std::int32_t reportCounter = 0;
std::int32_t keylessConfigValue = 0;

// Settings of the configuration defaults.
std::int16_t databaseMode = 1;
std::string tableEditorPath = "C:\\TABLYST\\TABLYST.EXE";
std::string textEditorPath = "WRITE.EXE";
std::string htmlBrowserPath;
std::int16_t dateFormat = 3;
std::int32_t headerSpaceLines = 0;
std::int16_t textDevice = 1;
bool textDeviceWindow = false;
bool smallOnlineWindow = false;
bool enterDiagramLimits = false;
std::string defaultDataDirectory = CurrentDirectory();
std::string configurationDirectory = CurrentDirectory();
// 102 is the configured start value; the screen probe at the end of the
// start-up sets 100, and the core has no screen to ask, so 100 is what holds.
std::int32_t dialogWindowPercentage = 100;
std::int32_t dialogElementPercentage = 100;
std::int16_t unitSystem = 0;
std::int16_t printoutHeaderMode = 1;
HelpPicturePosition helpPicturePosition;
std::int16_t decimalSeparatorOption = 1;
std::array<std::string, kRecentFileCount> recentFilesList;
std::int16_t cadTextCharacterSet = 2;
std::int16_t codePageOption = 0;
std::int16_t angleFormat = 1;
std::array<std::string, kUnitSystemCount> unitSystemNames = DefaultUnitSystemNames();
std::int32_t formPlacementOption = 0;
bool hideWarningsFlag = false;
bool tablesFromUserDirectory = false;
std::int32_t screenDpi = 96;

std::int16_t config3dValue1 = 0;
std::int16_t config3dValue2 = 2;
std::int32_t resultGraphicChoice = 0;
bool configSpareFlag = false;
bool saveMenuLanguageFlag = false;
std::int32_t drawingHeaderChoice = 2;
std::string configSpareText;
std::array<std::int32_t, 4> configSpareValues = {1, 1, 1, 1};

// Text-output defaults.
std::int32_t textWindowLeft = 10;
std::int32_t textWindowTop = 40;
std::int32_t textWindowWidth = 700;
std::int32_t textWindowHeight = 440;
std::string printoutFont = "Courier New";
std::int16_t printoutFontSize = 10;
std::int16_t printoutTextStyle = 3;
std::int16_t printerOrientation = 2;
bool graphicPrintoutDialog = true;
double graphicPrintoutScaleX = 1.0;
double graphicPrintoutScaleY = 1.0;
std::int32_t graphicPrintoutOriginX = 0;
std::int32_t graphicPrintoutOriginY = 0;
bool graphicPrintoutBorder = false;
std::int16_t graphicPrintoutColourMode = 2;
double printScaleVertical = 1.0;
double screenDumpScale = 1.0;
std::int32_t screenDumpOriginX = 0;
std::int32_t screenDumpOriginY = 0;
std::int16_t printWord1 = 0;
std::int16_t printWord2 = 0;

void ScreenProbe(std::int32_t measuredDpi) {
    if (measuredDpi > 0) screenDpi = measuredDpi;
    dialogWindowPercentage = 100;
    dialogElementPercentage = 100;
}

void ResetProgramState() {
    productName = "VELDRIM";
    programShortName = "VELDRIM";
    windowTitle = "V E L D R I M    -    Software";
    dataFileExtension = "EXT";
    programVersion = "1.0";
    currentFileName = "demo";
    dataDirectory = "TRAIN";

    choiceBuffer = Blanks<kChoiceBufferSize + 1>(kChoiceBufferWidth);
    lineBuffers = Blanks<kLineBufferCount + 1>(kLineBufferWidth);
    reportHeaderLines = Blanks<kReportHeaderLineCount + 1>(kReportHeaderLineWidth);
    startDirectory = CurrentDirectory();

    cancelFlag = false;
    fatalFlag = false;
    errorDisplayFlag = true;
    modifiedFlag = false;
    archiveModeFlag = false;

    cadDirectory.clear();
    databaseDirectory.clear();
    ediDirectory.clear();
    helpDirectory.clear();
    userDirectory.clear();

    helpLevel = 1;
    printerPort = 1;
    printerPortHardcopy = 1;
    printerType = 3;
    printDensity = 1;
    verticalPrintThickness = 1;
    hardcopyTurned90 = 'J';
    decimalsSetting = 3;
    reportRuleStyle = 1;
    linesPerPage = 66;
    colourGraphics = true;
    graphicsDriver = 0;
    graphicsMode = 0;
    horizontalResolution = 0;
    verticalResolution = 0;
    windowsPrintMode = 1;
    highestRecordedPenNumber = 16;

    drawingDispatcherCounter = 1;
    tableEditorKey1 = '0';
    tableEditorKey2 = '0';
    tableEditorValue = 1;
    reportCounter = 0;
    keylessConfigValue = 0;

    databaseMode = 1;
    tableEditorPath = "C:\\TABLYST\\TABLYST.EXE";
    textEditorPath = "WRITE.EXE";
    htmlBrowserPath.clear();
    dateFormat = 3;
    headerSpaceLines = 0;
    textDevice = 1;
    textDeviceWindow = false;
    smallOnlineWindow = false;
    enterDiagramLimits = false;
    defaultDataDirectory = CurrentDirectory();
    configurationDirectory = CurrentDirectory();
    dialogWindowPercentage = 102;
    dialogElementPercentage = 100;
    unitSystem = 0;
    printoutHeaderMode = 1;
    helpPicturePosition = HelpPicturePosition{};
    decimalSeparatorOption = 1;
    recentFilesList = {};
    cadTextCharacterSet = 2;
    codePageOption = 0;
    angleFormat = 1;
    unitSystemNames = DefaultUnitSystemNames();
    formPlacementOption = 0;
    hideWarningsFlag = false;
    tablesFromUserDirectory = false;
    screenDpi = 96;

    config3dValue1 = 0;
    config3dValue2 = 2;
    resultGraphicChoice = 0;
    configSpareFlag = false;
    saveMenuLanguageFlag = false;
    drawingHeaderChoice = 2;
    configSpareText.clear();
    configSpareValues = {1, 1, 1, 1};

    textWindowLeft = 10;
    textWindowTop = 40;
    textWindowWidth = 700;
    textWindowHeight = 440;
    printoutFont = "Courier New";
    printoutFontSize = 10;
    printoutTextStyle = 3;
    printerOrientation = 2;
    graphicPrintoutDialog = true;
    graphicPrintoutScaleX = 1.0;
    graphicPrintoutScaleY = 1.0;
    graphicPrintoutOriginX = 0;
    graphicPrintoutOriginY = 0;
    graphicPrintoutBorder = false;
    graphicPrintoutColourMode = 2;
    printScaleVertical = 1.0;
    screenDumpScale = 1.0;
    screenDumpOriginX = 0;
    screenDumpOriginY = 0;
    printWord1 = 0;
    printWord2 = 0;

    // The configuration defaults end with the screen probe, as at start-up.
    ScreenProbe(0);
}

}  // namespace veldrim
