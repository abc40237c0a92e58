#include "calc/data_file.h"

#include "calc/records.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"

namespace veldrim {

DataFileSections dataFileSections;
std::optional<FileIdentity> dataFileReadIdentity;

namespace {

struct DataFileDefaults {
    int failedLine = 0;
};
constexpr DataFileDefaults kDefaults{};

int failedLine = kDefaults.failedLine;

// Whether the reader takes back what the writer writes for a value: a real
// must read back as a number of the range every calculation can carry, a
// text must stay one line the reader accepts. A line ends only at its LF,
// and the reader takes away just the one CR in front of it: a CR inside a
// text (one the reader took in, edited outside the program) is written and
// read back as it is.
bool RealReadsBack(Real x) {
    Real back = 0;
    return ParseRealLine(FloatLineText(x), back);
}
bool TextReadsBack(const std::string& s) {
    return s.size() <= kValueLineLimit && s.find('\n') == std::string::npos;
}

// One pass over the file's lines. The same routine writes, reads and checks,
// so the three can never disagree on the order: each call either writes the
// field, reads the next line into it, or checks that the line written for it
// would read back (naming the first field that would not).
class LineWalker {
public:
    enum Mode { kWrite, kRead, kCheck };
    explicit LineWalker(Mode mode) : mode_(mode) {}

    void Real_(Real& x, std::string_view name) {
        if (mode_ == kCheck) {
            if (!RealReadsBack(x)) Refuse(name);
            return;
        }
        Step();
        if (mode_ == kWrite)
            WriteFloatLine(x);
        else
            ReadExtendedLine(x);
        Check();
    }
    void Int(std::int32_t& n) {
        if (mode_ == kCheck) return;  // every whole number reads back
        Step();
        if (mode_ == kWrite)
            WriteIntLine(n);
        else
            ReadIntLine(n);
        Check();
    }
    template <class T>
    void Code(T& n) {
        std::int32_t v = static_cast<std::int32_t>(n);
        Int(v);
        if (mode_ == kRead) n = static_cast<T>(v);
    }
    void Bool(std::uint8_t& b) {
        if (mode_ == kCheck) return;
        Step();
        if (mode_ == kWrite) {
            WriteBoolLine(b != 0);
        } else {
            bool v = b != 0;
            ReadBoolLine(v);
            b = v ? 1 : 0;
        }
        Check();
    }
    void Text(std::string& s, std::string_view name) {
        if (mode_ == kCheck) {
            if (!TextReadsBack(s)) Refuse(name);
            return;
        }
        Step();
        if (mode_ == kWrite)
            WriteTextLine(s);
        else
            ReadTextLine(s);
        Check();
    }
    // A block of another owner: its line count is not known here.
    void Section(const std::function<void()>& write, const std::function<void()>& read) {
        if (mode_ == kCheck) return;
        if (mode_ == kWrite)
            write();
        else
            read();
        Check();
    }
    void Header() {
        if (mode_ == kCheck) {
            for (int i = 1; i <= kReportHeaderLineCount; ++i)
                if (!TextReadsBack(reportHeaderLines[i])) Refuse("Kopfzeile " + IntText(i));
            return;
        }
        if (mode_ == kWrite) {
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
    // The first field whose value would not read back (check pass only).
    const std::string& refused() const { return refused_; }

private:
    void Step() { ++lines_; }
    void Check() {
        if (cancelFlag && !failed_) {
            failed_ = true;
            failedAt_ = lines_;
        }
    }
    void Refuse(std::string_view name) {
        if (refused_.empty()) refused_ = name;
    }

    Mode mode_;
    int lines_ = 0;
    bool failed_ = false;
    int failedAt_ = 0;
    std::string refused_;
};

// The name of element i of a per-gear field, as the formulas write it.
std::string Of(std::string_view name, int i) { return std::string(name) + "[" + IntText(i) + "]"; }

void Walk(LineWalker& w) {
    GearPairRecord& g = gearPair;
    WormGearRecord& r = wormGear;
    w.Header();
    w.Real_(r.a, "a");
    w.Real_(r.u, "u");
    w.Real_(g.P, "P[1]");
    w.Real_(g.n[1], "n[1]");
    w.Real_(r.KA, "KA");
    w.Real_(r.x[2], "x[2]");
    w.Real_(r.alpha0, "alpha 0");
    w.Int(g.z[1]);
    w.Int(g.z[2]);
    w.Code(r.driver);
    w.Code(r.flankForm);
    w.Real_(r.mueZ, "mue z");
    for (int i = 1; i <= 2; ++i) {
        w.Text(g.materialName[i], Of("Werkstoff", i));
        w.Code(g.heatTreatment[i]);
        w.Real_(g.sigmaFE[i], Of("Sigma FE", i));
        w.Real_(g.sigHlim[i], Of("Sig.Hlim", i));
        w.Real_(g.E[i], Of("E", i));
        w.Real_(g.nue[i], Of("nue", i));
        w.Real_(g.rho[i], Of("rho", i));
        w.Real_(g.HB[i], Of("HB", i));
        w.Code(g.materialKind[i]);
    }
    w.Real_(r.v50, "v50");
    w.Code(g.materialCode[1]);
    w.Code(g.materialCode[2]);
    w.Real_(r.b[1], "b[1]");
    w.Real_(r.b[2], "b[2]");
    w.Real_(r.dm1a, "dm1/a");
    w.Code(r.hand);
    for (int i = 1; i <= 2; ++i) {
        w.Text(r.partName[i], Of("Benennung", i));
        w.Text(r.drawingNumber[i], Of("Zeichnungsnummer", i));
    }
    w.Section(dataFileSections.writeDrawingInfo, dataFileSections.readDrawingInfo);
    w.Section(dataFileSections.writeDocumentLinks, dataFileSections.readDocumentLinks);
    w.Text(r.secondDrawingName[1], "Benennung 2[1]");
    w.Text(r.secondDrawingName[2], "Benennung 2[2]");
    w.Code(r.operatingDataSide);
    w.Real_(r.P, "P");
    w.Real_(g.T[2], "T[2]");
    w.Real_(g.n[2], "n[2]");
    w.Code(r.lubricantKind);
    w.Real_(r.thetaM, "thetaM");
    w.Real_(r.LHmin, "LH min");
    w.Real_(r.Ra1, "Ra1");
    w.Code(r.bearingArrangement);
    w.Real_(r.YW, "YW");
    w.Real_(r.eta0M, "eta0M");
    w.Real_(r.WML, "WML");
    w.Real_(r.PDin[1], "P DIN[1]");
    w.Real_(r.PDinOut[1], "P DIN out[1]");
    w.Real_(r.TDin[1], "T DIN[1]");
    w.Real_(r.TDin[3], "T DIN[3]");
    w.Real_(r.tauFlimT, "tauFlimT");
    w.Real_(r.YNL, "YNL");
    w.Code(g.derivedQuantity);
    w.Bool(r.din3996Switch);
    w.Code(r.editionCode);
    w.Real_(r.furtherReal1, "Zusatzwert 1");
    w.Real_(r.furtherReal2, "Zusatzwert 2");
    w.Real_(r.x[1], "x[1]");
    w.Real_(r.hfStar[1], "hf*[1]");
    w.Real_(r.haStar[1], "ha*[1]");
    w.Real_(r.hfStar[2], "hf*[2]");
    w.Real_(r.haStar[2], "ha*[2]");
    w.Real_(r.rfStar[1], "rf*[1]");
    w.Real_(r.rfStar[2], "rf*[2]");
    w.Bool(r.daDfConstant);
    w.Real_(r.measurementInput[1], "Messkugel[1]");
    w.Real_(r.measurementInput[2], "Messkugel[2]");
    for (int i = 1; i <= 2; ++i) {
        w.Code(r.deviationSeries[i]);
        w.Code(r.toleranceSeries[i]);
        w.Real_(r.Asne[i], Of("Asne", i));
        w.Real_(r.Asni[i], Of("Asni", i));
        w.Real_(r.Tsn[i], Of("Tsn", i));
    }
    w.Code(r.centreDistanceToleranceField);
    w.Real_(r.centreDistanceAllowanceUpper, "Aa oben");
    w.Real_(r.centreDistanceAllowanceLower, "Aa unten");
    w.Text(r.measurementText[1], "Messtext[1]");
    w.Text(r.measurementText[2], "Messtext[2]");
    w.Int(r.wheelRimCode);
    w.Real_(r.de2, "de2");
    w.Int(r.quality[1]);
    w.Int(r.quality[2]);
    w.Real_(r.raStar[1], "ra*[1]");
    w.Real_(r.raStar[2], "ra*[2]");
    w.Section(dataFileSections.writeIso7200, dataFileSections.readIso7200);
    w.Real_(r.bore[1], "dBore[1]");
    w.Real_(r.bore[2], "dBore[2]");
    w.Int(r.shaftEndCode);
    w.Real_(r.lw, "lw");
    w.Real_(r.PDin[2], "P DIN[2]");
    w.Real_(r.PDinOut[2], "P DIN out[2]");
    w.Real_(r.TDin[2], "T DIN[2]");
    w.Real_(r.TDin[4], "T DIN[4]");
    w.Int(r.lubrication);
    w.Int(r.sealCount);
    w.Real_(r.v40, "v40");
    w.Real_(r.v100, "v100");
    w.Int(r.wearLimitCode);
    w.Real_(r.summa, "summa");
    w.Real_(r.beta[2], "beta[2]");
    w.Real_(r.mn, "mn");
    w.Real_(r.designReal, "Auslegungswert");
    w.Real_(r.PV0Percent, "PV0%");
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
    dataFileReadIdentity.reset();
}

int DataFileFailedLine() { return failedLine; }

bool WriteDataFile(const std::string& path) {
    if (DataFileSectionsMissing()) return false;
    // A value the reader would refuse (an infinite centre distance, a power
    // beyond any real range) would make the whole file unreadable: nothing
    // is written, and the file on disk stays as it was.
    LineWalker check(LineWalker::kCheck);
    Walk(check);
    if (!check.refused().empty()) {
        cancelFlag = true;
        ShowErrorIfEnabled("Datei " + ShownFileName(path) + " nicht gespeichert: " +
                           check.refused() + " hat keinen speicherbaren Wert !");
        return false;
    }
    return WriteWholeFile(path, [] {
        LineWalker w(LineWalker::kWrite);
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
    if (!OpenRead(sharedTextFile, path)) return false;
    sharedTextFile.SetLineLimit(kValueLineLimit);
    const std::optional<FileIdentity> readFrom = sharedTextFile.OpenedIdentity();
    const bool empty = sharedTextFile.Eof();
    LineWalker w(LineWalker::kRead);
    Walk(w);
    // A line the file could not give (beyond the limit, or its read failed)
    // is named as it stands in the file; a value that was no value, by the
    // line the walk was at.
    const int stopped = sharedTextFile.FailedLine();
    failedLine = stopped > 0 ? stopped : w.failedAt();
    const std::string why = empty ? "Datei " + ShownFileName(path) + " ist leer"
                                  : ReadErrorText(sharedTextFile, failedLine);
    sharedTextFile.Close();
    if (!w.failed()) {
        failedLine = 0;
        dataFileReadIdentity = readFrom;
        return true;
    }

    gearPair = savedPair;
    wormGear = savedGear;
    reportHeaderLines = savedHeaders;
    restoreSections();
    cancelFlag = true;
    if (empty) failedLine = 0;
    ShowErrorIfEnabled(why);
    return false;
}

}  // namespace veldrim
