#include "calc/data_file.h"

#include "calc/records.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"

namespace veldrim {

DataFileSections dataFileSections;

namespace {

struct DataFileDefaults {
    int failedLine = 0;
};
constexpr DataFileDefaults kDefaults{};

int failedLine = kDefaults.failedLine;

// One pass over the file's lines. The same routine writes and reads, so the
// two can never disagree on the order: each call either writes the field or
// reads the next line into it.
class LineWalker {
public:
    explicit LineWalker(bool writing) : writing_(writing) {}

    void Real_(Real& x) {
        Step();
        if (writing_)
            WriteFloatLine(x);
        else
            ReadExtendedLine(x);
        Check();
    }
    void Int(std::int32_t& n) {
        Step();
        if (writing_)
            WriteIntLine(n);
        else
            ReadIntLine(n);
        Check();
    }
    template <class T>
    void Code(T& n) {
        std::int32_t v = static_cast<std::int32_t>(n);
        Int(v);
        if (!writing_) n = static_cast<T>(v);
    }
    void Bool(std::uint8_t& b) {
        Step();
        if (writing_) {
            WriteBoolLine(b != 0);
        } else {
            bool v = b != 0;
            ReadBoolLine(v);
            b = v ? 1 : 0;
        }
        Check();
    }
    void Text(std::string& s) {
        Step();
        if (writing_)
            WriteTextLine(s);
        else
            ReadTextLine(s);
        Check();
    }
    // A block of another owner: its line count is not known here.
    void Section(const std::function<void()>& write, const std::function<void()>& read) {
        if (writing_)
            write();
        else
            read();
        Check();
    }
    void Header() {
        if (writing_) {
            WriteDataFileHeader();
        } else {
            std::string line;
            for (int i = 0; i < 4; ++i) ReadTextLine(line);
            for (int i = 1; i <= kReportHeaderLineCount; ++i) ReadTextLine(reportHeaderLines[i]);
        }
        lines_ += 4 + kReportHeaderLineCount;
        Check();
    }

    bool failed() const { return failed_; }
    int failedAt() const { return failedAt_; }

private:
    void Step() { ++lines_; }
    void Check() {
        if (cancelFlag && !failed_) {
            failed_ = true;
            failedAt_ = lines_;
        }
    }

    bool writing_;
    int lines_ = 0;
    bool failed_ = false;
    int failedAt_ = 0;
};

void Walk(LineWalker& w) {
    GearPairRecord& g = gearPair;
    WormGearRecord& r = wormGear;
    w.Header();
    w.Real_(r.a);
    w.Real_(r.u);
    w.Real_(g.P);
    w.Real_(g.n[1]);
    w.Real_(r.KA);
    w.Real_(r.x[2]);
    w.Real_(r.alpha0);
    w.Int(g.z[1]);
    w.Int(g.z[2]);
    w.Code(r.driver);
    w.Code(r.flankForm);
    w.Real_(r.mueZ);
    for (int i = 1; i <= 2; ++i) {
        w.Text(g.materialName[i]);
        w.Code(g.heatTreatment[i]);
        w.Real_(g.sigmaFE[i]);
        w.Real_(g.sigHlim[i]);
        w.Real_(g.E[i]);
        w.Real_(g.nue[i]);
        w.Real_(g.rho[i]);
        w.Real_(g.HB[i]);
        w.Code(g.materialKind[i]);
    }
    w.Real_(r.v50);
    w.Code(g.materialCode[1]);
    w.Code(g.materialCode[2]);
    w.Real_(r.b[1]);
    w.Real_(r.b[2]);
    w.Real_(r.dm1a);
    w.Code(r.hand);
    for (int i = 1; i <= 2; ++i) {
        w.Text(r.partName[i]);
        w.Text(r.drawingNumber[i]);
    }
    w.Section(dataFileSections.writeDrawingInfo, dataFileSections.readDrawingInfo);
    w.Section(dataFileSections.writeDocumentLinks, dataFileSections.readDocumentLinks);
    w.Text(r.secondDrawingName[1]);
    w.Text(r.secondDrawingName[2]);
    w.Code(r.operatingDataSide);
    w.Real_(r.P);
    w.Real_(g.T[2]);
    w.Real_(g.n[2]);
    w.Code(r.lubricantKind);
    w.Real_(r.thetaM);
    w.Real_(r.LHmin);
    w.Real_(r.Ra1);
    w.Code(r.bearingArrangement);
    w.Real_(r.YW);
    w.Real_(r.eta0M);
    w.Real_(r.WML);
    w.Real_(r.PDin[1]);
    w.Real_(r.PDinOut[1]);
    w.Real_(r.TDin[1]);
    w.Real_(r.TDin[3]);
    w.Real_(r.tauFlimT);
    w.Real_(r.YNL);
    w.Code(g.derivedQuantity);
    w.Bool(r.din3996Switch);
    w.Code(r.editionCode);
    w.Real_(r.furtherReal1);
    w.Real_(r.furtherReal2);
    w.Real_(r.x[1]);
    w.Real_(r.hfStar[1]);
    w.Real_(r.haStar[1]);
    w.Real_(r.hfStar[2]);
    w.Real_(r.haStar[2]);
    w.Real_(r.rfStar[1]);
    w.Real_(r.rfStar[2]);
    w.Bool(r.daDfConstant);
    w.Real_(r.measurementInput[1]);
    w.Real_(r.measurementInput[2]);
    for (int i = 1; i <= 2; ++i) {
        w.Code(r.deviationSeries[i]);
        w.Code(r.toleranceSeries[i]);
        w.Real_(r.Asne[i]);
        w.Real_(r.Asni[i]);
        w.Real_(r.Tsn[i]);
    }
    w.Code(r.centreDistanceToleranceField);
    w.Real_(r.centreDistanceAllowanceUpper);
    w.Real_(r.centreDistanceAllowanceLower);
    w.Text(r.measurementText[1]);
    w.Text(r.measurementText[2]);
    w.Int(r.wheelRimCode);
    w.Real_(r.de2);
    w.Int(r.quality[1]);
    w.Int(r.quality[2]);
    w.Real_(r.raStar[1]);
    w.Real_(r.raStar[2]);
    w.Section(dataFileSections.writeIso7200, dataFileSections.readIso7200);
    w.Real_(r.bore[1]);
    w.Real_(r.bore[2]);
    w.Int(r.shaftEndCode);
    w.Real_(r.lw);
    w.Real_(r.PDin[2]);
    w.Real_(r.PDinOut[2]);
    w.Real_(r.TDin[2]);
    w.Real_(r.TDin[4]);
    w.Int(r.lubrication);
    w.Int(r.sealCount);
    w.Real_(r.v40);
    w.Real_(r.v100);
    w.Int(r.wearLimitCode);
    w.Real_(r.summa);
    w.Real_(r.beta[2]);
    w.Real_(r.mn);
    w.Real_(r.designReal);
    w.Real_(r.PV0Percent);
    w.Int(r.designCode);
    w.Int(r.k[1]);
    w.Int(r.k[2]);
}

}  // namespace

bool DataFileSectionsMissing() {
    if (dataFileSections.Installed()) return false;
    ShowErrorBox("Datei-Abschnitte nicht eingerichtet");
    cancelFlag = true;
    return true;
}

void ResetDataFile() {
    dataFileSections = DataFileSections{};
    failedLine = kDefaults.failedLine;
}

int DataFileFailedLine() { return failedLine; }

bool WriteDataFile(const std::string& path) {
    if (DataFileSectionsMissing()) return false;
    return WriteWholeFile(path, [] {
        LineWalker w(true);
        Walk(w);
    });
}

void SaveDataFile(const std::string& name) {
    std::string path;
    AskSaveFileName(name, path);
    if (cancelFlag) return;
    WaitCursor();
    WriteDataFile(path);
    EndWaitCursor();
}

bool ReadDataFile(const std::string& path) {
    failedLine = 0;
    if (DataFileSectionsMissing()) return false;
    // Read straight into the records, but keep everything the read may touch
    // so that a damaged file leaves the data set exactly as it was.
    const GearPairRecord savedPair = gearPair;
    const WormGearRecord savedGear = wormGear;
    const auto savedHeaders = reportHeaderLines;
    const std::function<void()> restoreSections = dataFileSections.snapshot();

    cancelFlag = false;
    sharedTextFile.Assign(path);
    const int rc = sharedTextFile.Reset();
    if (rc != kIoOk) {
        cancelFlag = true;
        ShowErrorIfEnabled("Datei " + ShownFileName(path) + " nicht lesbar (Fehler " + IntText(rc) +
                           ")");
        return false;
    }
    sharedTextFile.SetLineLimit(kValueLineLimit);
    const bool empty = sharedTextFile.Eof();
    LineWalker w(false);
    Walk(w);
    const bool tooLong = sharedTextFile.LastResult() == kIoLineTooLong;
    const int linesRead = sharedTextFile.LinesRead();
    sharedTextFile.Close();
    if (!w.failed()) return true;

    failedLine = tooLong ? linesRead : w.failedAt();
    gearPair = savedPair;
    wormGear = savedGear;
    reportHeaderLines = savedHeaders;
    restoreSections();
    cancelFlag = true;
    if (empty) {
        failedLine = 0;
        ShowErrorIfEnabled("Datei " + ShownFileName(path) + " ist leer");
    } else {
        ShowErrorIfEnabled("Fehler beim Lesen von " + ShownFileName(path) + ", Zeile " +
                           IntText(failedLine) + (tooLong ? " (Zeile zu lang)" : ""));
    }
    return false;
}

}  // namespace veldrim
