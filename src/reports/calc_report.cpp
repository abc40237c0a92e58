// The calculation report: modes, order of the parts, page titles, column
// heads, section framing and the report's own value texts. The sections of
// each part are written by report_geometry.cpp, report_niemann.cpp and
// report_din3996.cpp.

#include "reports/calc_report.h"

#include <cmath>

#include "calc/records.h"
#include "foundation/data_file_path.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/message_boxes.h"
#include "foundation/message_display.h"
#include "foundation/program_state.h"
#include "reports/report_channel.h"
#include "reports/report_din3996.h"
#include "reports/report_geometry.h"
#include "reports/report_niemann.h"
#include "reports/report_tables.h"

namespace veldrim {

namespace {

// The user's saved destination settings, restored when a report ends in any
// way: a report run for a command-line switch or a spreadsheet sets them for
// itself only.
class DestinationSettingsKeeper {
public:
    DestinationSettingsKeeper() : device_(textDevice), ask_(textDeviceWindow) {}
    ~DestinationSettingsKeeper() {
        textDevice = device_;
        textDeviceWindow = ask_;
    }
    DestinationSettingsKeeper(const DestinationSettingsKeeper&) = delete;
    DestinationSettingsKeeper& operator=(const DestinationSettingsKeeper&) = delete;

private:
    std::int16_t device_;
    bool ask_;
};

std::string ProductAndVersion() { return productName + " V" + programVersion; }

// The parts after the report file is open. False when the report stopped.
bool WriteReportParts(std::uint16_t mode) {
    if (ReportModePrintsGeometry(mode)) {
        if (cancelFlag) return false;
        ReportPageHeader(1, 1);
        if (cancelFlag) return false;
        ReportGeometrySections();
        if (cancelFlag) return false;
    }
    if (ReportModePrintsNiemann(mode)) {
        SetCalcReportHeader(NiemannReportTitle());
        if (cancelFlag) return false;
        ReportPageHeader(0, 1);
        ReportNiemannSections();
        if (cancelFlag) return false;
    }
    if (ReportModePrintsDin3996(mode) && wormGear.din3996Switch != 0) {
        const int edition = Din3996EditionOfMode(mode);
        if (mode == 0 || mode == 2 || mode == 3) ReportEndPage();
        if (cancelFlag) return false;
        SetCalcReportHeader(Din3996ReportTitle());
        ReportPageHeader(0, 1);
        if (cancelFlag) return false;
        ReportDin3996Sections(edition);
        if (cancelFlag) return false;
    }
    ReportMessagesPage();
    return !cancelFlag;
}

}  // namespace

// ---- modes -----------------------------------------------------------------------

bool ReportModePrintsGeometry(std::uint16_t mode) { return mode == 0 || mode == 1 || mode == 3; }
bool ReportModePrintsNiemann(std::uint16_t mode) {
    return mode == 0 || mode == 2 || mode == 3 || mode == 4;
}
bool ReportModePrintsDin3996(std::uint16_t mode) {
    return mode == 0 || mode == 2 || mode == 3 || mode == 5 || mode == 6;
}
int Din3996EditionOfMode(std::uint16_t mode) { return mode == 5 ? 1 : 2; }

// ---- the report ------------------------------------------------------------------

void PrintResultReport(std::uint16_t mode) {
    const DestinationSettingsKeeper keep;
    if (fatalFlag) {
        ShowCalculationMessages();
        return;
    }
    SetCalcReportHeader(GeometryReportTitle());
    SetCalcReportColumnHeads();
    ReportOpen(kReportAsk, currentFileName);
    if (cancelFlag) return;
    ReportRewrite();
    if (cancelFlag || !WriteReportParts(mode)) {
        ReportAbandon();
        return;
    }
    ReportClose();
    EndWaitCursor();
}

std::string WriteBatchTextReport() {
    const DestinationSettingsKeeper keep;
    cancelFlag = false;
    textDeviceWindow = false;
    textDevice = kReportTxtNoDialog;
    if (fatalFlag) {
        // The calculation stopped: the messages are shown, no report written.
        PrintResultReport(0);
        cancelFlag = true;
        return {};
    }
    PrintResultReport(0);
    // The run's output is the report and its copy named after the data file;
    // a copy that could not be written (its own message was shown) fails the
    // run as the report itself would.
    if (cancelFlag || !reportOutputComplete || !FileExists(reportOutputName)) {
        cancelFlag = true;
        return {};
    }
    return reportOutputName;
}

void PrintoutToSpreadsheet(std::uint16_t mode) {
    const DestinationSettingsKeeper keep;
    textDevice = kReportTxtFile;
    // The TXT file is only the workbook's source: its header names the data file.
    reportNamedFile = CurrentDataFilePath();
    PrintResultReport(mode);
    reportNamedFile.reset();
}

// ---- header texts ------------------------------------------------------------------

std::string GeometryReportTitle() {
    return ProductAndVersion() + " " + "Schneckengetriebe" + " " + "Abmessungen" + " " + "n." +
           " DIN 3975";
}

std::string NiemannReportTitle() {
    return ProductAndVersion() + "  " + "Schneckengetriebe" + "  " + "Festigkeit" + " " + "n." +
           " Niemann";
}

std::string Din3996ReportTitle() {
    return ProductAndVersion() + "  " + "Schneckengetriebe" + "  " + "Festigkeit" + " " + "n." +
           " DIN 3996";
}

void SetCalcReportHeader(const std::string& title) {
    SetReportHeader(title, ReportNumberLine(wormGear.partName[1], wormGear.drawingNumber[1]),
                    ReportNumberLine(wormGear.partName[2], wormGear.drawingNumber[2]),
                    reportHeaderLines[1], reportHeaderLines[2], 0);
}

void SetCalcReportColumnHeads() {
    SetReportColumnHeads("", "Zeichen", "Unit", "  Schnecke", "   Rad");
}

// ---- section framing ------------------------------------------------------------------

void ReportSectionTitle(std::string_view title) {
    ReportText(title);
    ReportText(ReportRuleSingle());
}

bool ReportSectionEnd(unsigned after) {
    if (after & kSectionEmptyLine) ReportText("");
    if (after & kSectionNewPage) ReportNewPageIfNearEnd(1);
    if ((after & kSectionCancelCheck) && cancelFlag) return false;
    return true;
}

void ReportTextWithRule(std::string_view s) {
    ReportText(s);
    ReportText(ReportRuleSingle());
}

// ---- values ------------------------------------------------------------------------

Real AbsMax(Real a, Real b) { return std::fmax(std::fabs(a), std::fabs(b)); }
Real AbsMin(Real a, Real b) { return std::fmin(std::fabs(a), std::fabs(b)); }

std::string DegText(Real rad) { return FormatAngle(RadToDeg(rad)); }

std::string FormatMicronFixed(std::int32_t intDigits, std::int32_t decimals, Real microns) {
    // 1 µin = 0.0254 µm: a value held in µm is converted on its own, not as
    // a length in mm; µin need one place more.
    if (unitSystem == 1) return FormatFixed(intDigits + 1, decimals, microns / 0.0254L);
    return FormatFixed(intDigits, decimals, microns);
}

}  // namespace veldrim
