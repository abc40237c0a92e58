// Program-wide state: the start-up values, the definitions that take them,
// and the reset that restores them.

#include "foundation/program_state.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "foundation/codepage.h"
#include "foundation/text_conv.h"

namespace veldrim {

namespace {

// The start-up value of every variable that has a fixed one. The directories
// that start as the process's current directory and the blank text buffers
// are made at run time.
struct ProgramStateDefaults {
    // Program identity.
    std::string_view productName = "VELDRIM";
    std::string_view programShortName = "VELDRIM";
    std::string_view windowTitle = "V E L D R I M    -    Software";
    std::string_view dataFileExtension = "EXT";
    std::string_view programVersion = "1.0";
    std::string_view currentFileName = "demo";
    std::string_view currentDataFile = "";
    std::string_view dataDirectory = "TRAIN";

    // Flags.
    bool cancelFlag = false;
    bool fatalFlag = false;
    bool errorDisplayFlag = true;
    bool modifiedFlag = false;
    bool archiveModeFlag = false;

    // Directories.
    std::string_view cadDirectory = "";
    std::string_view databaseDirectory = "";
    std::string_view ediDirectory = "";
    std::string_view helpDirectory = "";
    std::string_view userDirectory = "";
    std::string_view userDataDirectory = "";
    std::string_view shippedTablesFolder = "";

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
    // Empty: the desktop's opener for the file.
    std::string_view tableEditorPath = "";
    std::string_view textEditorPath = "";
    std::string_view htmlBrowserPath = "";
    std::int16_t dateFormat = 3;
    std::int32_t headerSpaceLines = 0;
    std::int16_t textDevice = 1;
    bool textDeviceWindow = false;
    bool smallOnlineWindow = false;
    bool enterDiagramLimits = false;
    // 102 is the configured start value; the screen probe at the end of the
    // start-up sets 100, and the core has no screen to ask, so 100 is what holds.
    std::int32_t dialogWindowPercentage = 100;
    std::int32_t dialogElementPercentage = 100;
    std::int16_t unitSystem = 0;
    std::int16_t printoutHeaderMode = 1;
    HelpPicturePosition helpPicturePosition{};
    std::int16_t decimalSeparatorOption = 1;
    std::int16_t cadTextCharacterSet = 2;
    std::int16_t codePageOption = 0;
    std::int16_t angleFormat = 1;
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
    std::string_view configSpareText = "";
    std::array<std::int32_t, 4> configSpareValues = {1, 1, 1, 1};

    // Text-output defaults.
    std::int32_t textWindowLeft = 10;
    std::int32_t textWindowTop = 40;
    std::int32_t textWindowWidth = 700;
    std::int32_t textWindowHeight = 440;
    std::string_view printoutFont = "Courier New";
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

    // Set by the main window, read below it.
    std::int32_t languageNumber = 0;
    bool cadBatchFlag = false;
    bool archiveModeLockOption = false;

    // Items of the unit-system choice.
    std::array<std::string_view, kUnitSystemCount> unitSystemNames = {
        "metrisch (mm, N, MPa, Nmm, °C)"_cp850, "englisch (in, lbf, psi, lbfin, degF)",
        "metrisch (mm, kN, MPa, Nm, °C)"_cp850, "metrisch (mm, N, N/mm², Nmm, °C)"_cp850,
        "metrisch (mm, kN, N/mm², Nm, °C)"_cp850};
};

constexpr ProgramStateDefaults kDefaults{};

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

}  // namespace

// Program identity.
std::string productName{kDefaults.productName};
std::string programShortName{kDefaults.programShortName};
std::string windowTitle{kDefaults.windowTitle};
std::string dataFileExtension{kDefaults.dataFileExtension};
std::string programVersion{kDefaults.programVersion};
std::string currentFileName{kDefaults.currentFileName};
std::string currentDataFile{kDefaults.currentDataFile};
std::string dataDirectory{kDefaults.dataDirectory};

// Shared text buffers: rows of blanks, never empty texts.
std::array<std::string, kChoiceBufferSize + 1> choiceBuffer =
    Blanks<kChoiceBufferSize + 1>(kChoiceBufferWidth);
std::array<std::string, kLineBufferCount + 1> lineBuffers =
    Blanks<kLineBufferCount + 1>(kLineBufferWidth);
std::array<std::string, kReportHeaderLineCount + 1> reportHeaderLines =
    Blanks<kReportHeaderLineCount + 1>(kReportHeaderLineWidth);
std::string startDirectory = CurrentDirectory();

// Flags.
bool cancelFlag = kDefaults.cancelFlag;
bool fatalFlag = kDefaults.fatalFlag;
bool errorDisplayFlag = kDefaults.errorDisplayFlag;
bool modifiedFlag = kDefaults.modifiedFlag;
bool archiveModeFlag = kDefaults.archiveModeFlag;

// Directories.
std::string cadDirectory{kDefaults.cadDirectory};
std::string databaseDirectory{kDefaults.databaseDirectory};
std::string ediDirectory{kDefaults.ediDirectory};
std::string helpDirectory{kDefaults.helpDirectory};
std::string userDirectory{kDefaults.userDirectory};
std::string userDataDirectory{kDefaults.userDataDirectory};
std::string shippedTablesFolder{kDefaults.shippedTablesFolder};

// Settings of the global state.
std::int16_t helpLevel = kDefaults.helpLevel;
std::int16_t printerPort = kDefaults.printerPort;
std::int16_t printerPortHardcopy = kDefaults.printerPortHardcopy;
std::int16_t printerType = kDefaults.printerType;
std::int16_t printDensity = kDefaults.printDensity;
std::int16_t verticalPrintThickness = kDefaults.verticalPrintThickness;
char hardcopyTurned90 = kDefaults.hardcopyTurned90;
std::int32_t decimalsSetting = kDefaults.decimalsSetting;
std::int16_t reportRuleStyle = kDefaults.reportRuleStyle;
std::int32_t linesPerPage = kDefaults.linesPerPage;
bool colourGraphics = kDefaults.colourGraphics;
std::int32_t graphicsDriver = kDefaults.graphicsDriver;
std::int32_t graphicsMode = kDefaults.graphicsMode;
std::int16_t horizontalResolution = kDefaults.horizontalResolution;
std::int16_t verticalResolution = kDefaults.verticalResolution;
std::int16_t windowsPrintMode = kDefaults.windowsPrintMode;
std::int16_t highestRecordedPenNumber = kDefaults.highestRecordedPenNumber;

std::int32_t drawingDispatcherCounter = kDefaults.drawingDispatcherCounter;
char tableEditorKey1 = kDefaults.tableEditorKey1;
char tableEditorKey2 = kDefaults.tableEditorKey2;
std::int32_t tableEditorValue = kDefaults.tableEditorValue;
std::int32_t reportCounter = kDefaults.reportCounter;
std::int32_t keylessConfigValue = kDefaults.keylessConfigValue;

// Settings of the configuration defaults.
std::int16_t databaseMode = kDefaults.databaseMode;
std::string tableEditorPath{kDefaults.tableEditorPath};
std::string textEditorPath{kDefaults.textEditorPath};
std::string htmlBrowserPath{kDefaults.htmlBrowserPath};
std::int16_t dateFormat = kDefaults.dateFormat;
std::int32_t headerSpaceLines = kDefaults.headerSpaceLines;
std::int16_t textDevice = kDefaults.textDevice;
bool textDeviceWindow = kDefaults.textDeviceWindow;
bool smallOnlineWindow = kDefaults.smallOnlineWindow;
bool enterDiagramLimits = kDefaults.enterDiagramLimits;
std::string defaultDataDirectory = CurrentDirectory();
std::string configurationDirectory = CurrentDirectory();
std::int32_t dialogWindowPercentage = kDefaults.dialogWindowPercentage;
std::int32_t dialogElementPercentage = kDefaults.dialogElementPercentage;
std::int16_t unitSystem = kDefaults.unitSystem;
std::int16_t printoutHeaderMode = kDefaults.printoutHeaderMode;
HelpPicturePosition helpPicturePosition = kDefaults.helpPicturePosition;
std::int16_t decimalSeparatorOption = kDefaults.decimalSeparatorOption;
std::array<std::string, kRecentFileCount> recentFilesList;
std::int16_t cadTextCharacterSet = kDefaults.cadTextCharacterSet;
std::int16_t codePageOption = kDefaults.codePageOption;
std::int16_t angleFormat = kDefaults.angleFormat;
std::array<std::string, kUnitSystemCount> unitSystemNames = StringsOf(kDefaults.unitSystemNames);
std::int32_t formPlacementOption = kDefaults.formPlacementOption;
bool hideWarningsFlag = kDefaults.hideWarningsFlag;
bool tablesFromUserDirectory = kDefaults.tablesFromUserDirectory;
std::int32_t screenDpi = kDefaults.screenDpi;

std::int16_t config3dValue1 = kDefaults.config3dValue1;
std::int16_t config3dValue2 = kDefaults.config3dValue2;
std::int32_t resultGraphicChoice = kDefaults.resultGraphicChoice;
bool configSpareFlag = kDefaults.configSpareFlag;
bool saveMenuLanguageFlag = kDefaults.saveMenuLanguageFlag;
std::int32_t drawingHeaderChoice = kDefaults.drawingHeaderChoice;
std::string configSpareText{kDefaults.configSpareText};
std::array<std::int32_t, 4> configSpareValues = kDefaults.configSpareValues;

// Text-output defaults.
std::int32_t textWindowLeft = kDefaults.textWindowLeft;
std::int32_t textWindowTop = kDefaults.textWindowTop;
std::int32_t textWindowWidth = kDefaults.textWindowWidth;
std::int32_t textWindowHeight = kDefaults.textWindowHeight;
std::string printoutFont{kDefaults.printoutFont};
std::int16_t printoutFontSize = kDefaults.printoutFontSize;
std::int16_t printoutTextStyle = kDefaults.printoutTextStyle;
std::int16_t printerOrientation = kDefaults.printerOrientation;
bool graphicPrintoutDialog = kDefaults.graphicPrintoutDialog;
double graphicPrintoutScaleX = kDefaults.graphicPrintoutScaleX;
double graphicPrintoutScaleY = kDefaults.graphicPrintoutScaleY;
std::int32_t graphicPrintoutOriginX = kDefaults.graphicPrintoutOriginX;
std::int32_t graphicPrintoutOriginY = kDefaults.graphicPrintoutOriginY;
bool graphicPrintoutBorder = kDefaults.graphicPrintoutBorder;
std::int16_t graphicPrintoutColourMode = kDefaults.graphicPrintoutColourMode;
double printScaleVertical = kDefaults.printScaleVertical;
double screenDumpScale = kDefaults.screenDumpScale;
std::int32_t screenDumpOriginX = kDefaults.screenDumpOriginX;
std::int32_t screenDumpOriginY = kDefaults.screenDumpOriginY;
std::int16_t printWord1 = kDefaults.printWord1;
std::int16_t printWord2 = kDefaults.printWord2;

// Set by the main window, read below it.
std::int32_t languageNumber = kDefaults.languageNumber;
bool cadBatchFlag = kDefaults.cadBatchFlag;
bool archiveModeLockOption = kDefaults.archiveModeLockOption;

void ProbeScreenDpi(std::int32_t measuredDpi) {
    if (measuredDpi > 0) screenDpi = measuredDpi;
}

void ScreenProbe(std::int32_t measuredDpi) {
    ProbeScreenDpi(measuredDpi);
    dialogWindowPercentage = 100;
    dialogElementPercentage = 100;
}

void ResetProgramState() {
    productName = kDefaults.productName;
    programShortName = kDefaults.programShortName;
    windowTitle = kDefaults.windowTitle;
    dataFileExtension = kDefaults.dataFileExtension;
    programVersion = kDefaults.programVersion;
    currentFileName = kDefaults.currentFileName;
    currentDataFile = kDefaults.currentDataFile;
    dataDirectory = kDefaults.dataDirectory;
    cancelFlag = kDefaults.cancelFlag;
    fatalFlag = kDefaults.fatalFlag;
    errorDisplayFlag = kDefaults.errorDisplayFlag;
    modifiedFlag = kDefaults.modifiedFlag;
    archiveModeFlag = kDefaults.archiveModeFlag;
    cadDirectory = kDefaults.cadDirectory;
    databaseDirectory = kDefaults.databaseDirectory;
    ediDirectory = kDefaults.ediDirectory;
    helpDirectory = kDefaults.helpDirectory;
    userDirectory = kDefaults.userDirectory;
    userDataDirectory = kDefaults.userDataDirectory;
    shippedTablesFolder = kDefaults.shippedTablesFolder;
    helpLevel = kDefaults.helpLevel;
    printerPort = kDefaults.printerPort;
    printerPortHardcopy = kDefaults.printerPortHardcopy;
    printerType = kDefaults.printerType;
    printDensity = kDefaults.printDensity;
    verticalPrintThickness = kDefaults.verticalPrintThickness;
    hardcopyTurned90 = kDefaults.hardcopyTurned90;
    decimalsSetting = kDefaults.decimalsSetting;
    reportRuleStyle = kDefaults.reportRuleStyle;
    linesPerPage = kDefaults.linesPerPage;
    colourGraphics = kDefaults.colourGraphics;
    graphicsDriver = kDefaults.graphicsDriver;
    graphicsMode = kDefaults.graphicsMode;
    horizontalResolution = kDefaults.horizontalResolution;
    verticalResolution = kDefaults.verticalResolution;
    windowsPrintMode = kDefaults.windowsPrintMode;
    highestRecordedPenNumber = kDefaults.highestRecordedPenNumber;
    drawingDispatcherCounter = kDefaults.drawingDispatcherCounter;
    tableEditorKey1 = kDefaults.tableEditorKey1;
    tableEditorKey2 = kDefaults.tableEditorKey2;
    tableEditorValue = kDefaults.tableEditorValue;
    reportCounter = kDefaults.reportCounter;
    keylessConfigValue = kDefaults.keylessConfigValue;
    databaseMode = kDefaults.databaseMode;
    tableEditorPath = kDefaults.tableEditorPath;
    textEditorPath = kDefaults.textEditorPath;
    htmlBrowserPath = kDefaults.htmlBrowserPath;
    dateFormat = kDefaults.dateFormat;
    headerSpaceLines = kDefaults.headerSpaceLines;
    textDevice = kDefaults.textDevice;
    textDeviceWindow = kDefaults.textDeviceWindow;
    smallOnlineWindow = kDefaults.smallOnlineWindow;
    enterDiagramLimits = kDefaults.enterDiagramLimits;
    dialogWindowPercentage = kDefaults.dialogWindowPercentage;
    dialogElementPercentage = kDefaults.dialogElementPercentage;
    unitSystem = kDefaults.unitSystem;
    printoutHeaderMode = kDefaults.printoutHeaderMode;
    helpPicturePosition = kDefaults.helpPicturePosition;
    decimalSeparatorOption = kDefaults.decimalSeparatorOption;
    cadTextCharacterSet = kDefaults.cadTextCharacterSet;
    codePageOption = kDefaults.codePageOption;
    angleFormat = kDefaults.angleFormat;
    formPlacementOption = kDefaults.formPlacementOption;
    hideWarningsFlag = kDefaults.hideWarningsFlag;
    tablesFromUserDirectory = kDefaults.tablesFromUserDirectory;
    screenDpi = kDefaults.screenDpi;
    config3dValue1 = kDefaults.config3dValue1;
    config3dValue2 = kDefaults.config3dValue2;
    resultGraphicChoice = kDefaults.resultGraphicChoice;
    configSpareFlag = kDefaults.configSpareFlag;
    saveMenuLanguageFlag = kDefaults.saveMenuLanguageFlag;
    drawingHeaderChoice = kDefaults.drawingHeaderChoice;
    configSpareText = kDefaults.configSpareText;
    configSpareValues = kDefaults.configSpareValues;
    textWindowLeft = kDefaults.textWindowLeft;
    textWindowTop = kDefaults.textWindowTop;
    textWindowWidth = kDefaults.textWindowWidth;
    textWindowHeight = kDefaults.textWindowHeight;
    printoutFont = kDefaults.printoutFont;
    printoutFontSize = kDefaults.printoutFontSize;
    printoutTextStyle = kDefaults.printoutTextStyle;
    printerOrientation = kDefaults.printerOrientation;
    graphicPrintoutDialog = kDefaults.graphicPrintoutDialog;
    graphicPrintoutScaleX = kDefaults.graphicPrintoutScaleX;
    graphicPrintoutScaleY = kDefaults.graphicPrintoutScaleY;
    graphicPrintoutOriginX = kDefaults.graphicPrintoutOriginX;
    graphicPrintoutOriginY = kDefaults.graphicPrintoutOriginY;
    graphicPrintoutBorder = kDefaults.graphicPrintoutBorder;
    graphicPrintoutColourMode = kDefaults.graphicPrintoutColourMode;
    printScaleVertical = kDefaults.printScaleVertical;
    screenDumpScale = kDefaults.screenDumpScale;
    screenDumpOriginX = kDefaults.screenDumpOriginX;
    screenDumpOriginY = kDefaults.screenDumpOriginY;
    printWord1 = kDefaults.printWord1;
    printWord2 = kDefaults.printWord2;
    languageNumber = kDefaults.languageNumber;
    cadBatchFlag = kDefaults.cadBatchFlag;
    archiveModeLockOption = kDefaults.archiveModeLockOption;

    choiceBuffer = Blanks<kChoiceBufferSize + 1>(kChoiceBufferWidth);
    lineBuffers = Blanks<kLineBufferCount + 1>(kLineBufferWidth);
    reportHeaderLines = Blanks<kReportHeaderLineCount + 1>(kReportHeaderLineWidth);
    startDirectory = CurrentDirectory();
    defaultDataDirectory = CurrentDirectory();
    configurationDirectory = CurrentDirectory();
    recentFilesList = {};
    unitSystemNames = StringsOf(kDefaults.unitSystemNames);

    // The configuration defaults end with the screen probe, as at start-up.
    ScreenProbe(0);
}

}  // namespace veldrim
