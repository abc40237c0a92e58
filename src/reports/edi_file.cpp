#include "reports/edi_file.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <variant>
#include <vector>

#include "calc/records.h"
#include "foundation/data_file_path.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/system_info.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"

namespace veldrim {

namespace {

// The lines of the last read that could not be taken over.
std::vector<std::string> readProblems;

// Where an item's value lives. Texts and the identity items written from
// program state are read-only: the reader skips them.
using Target = std::variant<std::string*, std::int32_t*, std::uint16_t*, Real*>;

struct Item {
    int key;
    Target target;
    bool readBack = true;
};

// The table of items in file order. Built afresh for every call so that the
// pointers always point into the live records.
std::vector<Item> Items() {
    GearPairRecord& g = gearPair;
    WormGearRecord& r = wormGear;
    return {
        {3000, &productName, false},
        {3002, &windowTitle, false},
        {3004, &programVersion, false},
        {3010, &dataDirectory, false},
        {3012, static_cast<std::string*>(nullptr), false},  // date of writing
        {3014, static_cast<std::string*>(nullptr), false},  // time of writing
        {3016, &currentFileName, false},
        {3040, &r.partName[1]},
        {3042, &r.drawingNumber[1]},
        {3050, &r.partName[2]},
        {3052, &r.drawingNumber[2]},
        {3060, &reportHeaderLines[1]},
        {3062, &reportHeaderLines[2]},
        {3070, &r.a},
        {3072, &r.u},
        {3080, &g.T[1]},
        {3082, &g.n[1]},
        {3084, &g.P},
        {3086, &g.T[2]},
        {3088, &g.n[2]},
        {3090, &r.P},
        {3092, &g.z[1]},
        {3094, &g.z[2]},
        {3096, &r.KA},
        {3098, &r.x[2]},
        {3100, &r.driver},
        {3102, &r.alpha0},
        {3104, &r.flankForm},
        {3106, &r.mueZ},
        {3110, &g.materialName[1]},
        {3112, &g.heatTreatment[1]},
        {3114, &g.sigmaFE[1]},
        {3116, &g.sigHlim[1]},
        {3118, &g.E[1]},
        {3120, &g.nue[1]},
        {3122, &g.rho[1]},
        {3124, &g.HB[1]},
        {3130, &g.materialName[2]},
        {3132, &g.heatTreatment[2]},
        {3134, &g.sigmaFE[2]},
        {3136, &g.sigHlim[2]},
        {3138, &g.E[2]},
        {3140, &g.nue[2]},
        {3142, &g.rho[2]},
        {3144, &g.HB[2]},
        {3150, &g.materialKind[1]},
        {3152, &g.materialKind[2]},
        {3160, &r.v50},
        {3162, &g.materialCode[1]},
        {3164, &g.materialCode[2]},
        {3170, &r.dm[1]},
        {3172, &r.d[2]},
        {3174, &r.da[1]},
        {3176, &r.da[2]},
        {3178, &r.df[1]},
        {3180, &r.df[2]},
        {3182, &r.de2},
        {3200, &r.Ft[1]},
        {3202, &r.Ft[2]},
        {3204, &r.Fx[1]},
        {3206, &r.Fx[2]},
        {3208, &r.Fr},
        {3212, &r.Fn},
    };
}

std::string KeyText(int key) { return IntTextZero(key, 4) + "  "; }

// Reals take 4 decimals and a point whatever the display settings, so that
// another program can read them.
std::string EdiRealText(Real x) {
    if (std::fabs(x) < 1E-15L) x = 0;
    const auto savedDecimals = decimalsSetting;
    const auto savedSeparator = decimalSeparatorOption;
    decimalsSetting = 3;
    decimalSeparatorOption = 1;
    std::string s = FormatFixed(4, 4, x);
    decimalsSetting = savedDecimals;
    decimalSeparatorOption = savedSeparator;
    return s;
}

void WriteItem(const Item& item) {
    switch (item.key) {
        case 3012: WriteEdiText(item.key, TodayText()); return;
        case 3014: WriteEdiText(item.key, TimeHourMinuteText()); return;
        // The data folder and file name as the file's code page 850 text.
        case 3010:
        case 3016:
            WriteEdiText(item.key, FileNameText(*std::get<std::string*>(item.target)));
            return;
        default: break;
    }
    std::visit(
        [&](auto* p) {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, std::string>)
                WriteEdiText(item.key, *p);
            else if constexpr (std::is_same_v<T, Real>)
                WriteEdiReal(item.key, *p);
            else
                WriteEdiInt(item.key, static_cast<long>(*p));
        },
        item.target);
}

bool StoreValue(const Item& item, const std::string& value) {
    return std::visit(
        [&](auto* p) -> bool {
            using T = std::remove_pointer_t<decltype(p)>;
            if constexpr (std::is_same_v<T, std::string>) {
                *p = value;
                return true;
            } else if constexpr (std::is_same_v<T, Real>) {
                Real x = 0;
                if (!ParseRealLine(value, x)) return false;
                *p = x;
                return true;
            } else {
                std::int64_t n = 0;
                if (!ParseIntLine(value, n) || n < std::numeric_limits<T>::min() ||
                    n > std::numeric_limits<T>::max())
                    return false;
                *p = static_cast<T>(n);
                return true;
            }
        },
        item.target);
}

// The worm's mean diameter dm1.
constexpr int kWormMeanDiameterKey = 3170;

// The lowest and highest key of the item table.
constexpr int kFirstKey = 3000;
constexpr int kLastKey = 3212;

// A key line: four digits, two blanks, the value. The key and the value, or
// false when the line is not of that form.
bool SplitKeyLine(const std::string& line, int& key, std::string& value) {
    if (line.size() < 6 || line[4] != ' ' || line[5] != ' ') return false;
    key = 0;
    for (int i = 0; i < 4; ++i) {
        if (line[i] < '0' || line[i] > '9') return false;
        key = key * 10 + (line[i] - '0');
    }
    value = line.substr(6);
    return true;
}

bool IsCommentLine(const std::string& line) { return !line.empty() && line[0] == '<'; }

}  // namespace

void WriteEdiText(int key, const std::string& s) { WriteTextLine(KeyText(key) + s); }

void WriteEdiInt(int key, long n) { WriteTextLine(KeyText(key) + IntTextPad(n, 3)); }

void WriteEdiReal(int key, long double x) { WriteTextLine(KeyText(key) + EdiRealText(x)); }

void WriteEdiComment(const std::string& s) { WriteTextLine("<   " + s); }

std::string EdiFileName(const std::string& name) {
    return EnsureTrailingBackslash(ediDirectory) + name + ".EDI";
}

void ChooseEdiFileName(std::string& name) {
    cancelFlag = false;
    const std::string proposed = ProposedSaveFolder(ediDirectory) + currentFileName;
    const auto chosen = Ui().SaveFileName("EDI", proposed, "*.edi|*.edi|*.*|*.*");
    if (!chosen || chosen->empty()) {
        cancelFlag = true;
        name.clear();
        return;
    }
    // A name without an extension gets ".edi"; so does the proposal taken as
    // it stands, in its folder or another, whose dots belong to the set's name.
    name = WithExtensionIfNone(*chosen, "edi");
    const std::string savedExtension = dataFileExtension;
    dataFileExtension = "edi";
    CheckNewFileName(name);
    dataFileExtension = savedExtension;
}

void ExportEdi() {
    std::string name;
    ChooseEdiFileName(name);
    if (!cancelFlag) WriteEdiFile(name);
}

void WriteEdiFile(std::string name) {
    if (name.empty()) {
        SetHelpNumber(7520);
        InputText("Dateiname : ", 8, name);
        if (cancelFlag || name.empty()) {
            cancelFlag = true;
            return;
        }
        name = EdiFileName(name);
        CheckNewFileName(name);
        if (cancelFlag) return;
    }
    WriteWholeFile(name, [] {
        const std::string stars(37, '*');
        WriteEdiComment(stars);
        WriteEdiComment("*  Q U B 3  -  Redezadadozeviverava *");
        WriteEdiComment("*  Extended Data Interface File     *");
        WriteEdiComment(stars);
        for (const Item& item : Items()) WriteItem(item);
    });
}

const std::vector<std::string>& EdiReadProblems() { return readProblems; }

bool CheckEdiFile(const std::string& name, std::string& reason) {
    TextFile f;
    f.Assign(name);
    if (f.Reset() != kIoOk) {
        reason = f.FailureReason();
        return false;
    }
    f.SetLineLimit(kValueLineLimit);
    if (f.Eof()) {
        reason = "is empty";
        return false;
    }
    int keyLines = 0;
    std::string line, value;
    for (int number = 1; !f.Eof(); ++number) {
        const int rc = f.ReadLine(line);
        if (rc == kIoLineTooLong) {
            reason = "line " + std::to_string(number) + " is too long";
            return false;
        }
        if (rc != kIoOk) {
            reason = "cannot be read at line " + std::to_string(number);
            if (f.ReadFailed()) reason += ": " + f.FailureReason();
            return false;
        }
        int key = 0;
        if (SplitKeyLine(line, key, value)) {
            if (key >= kFirstKey && key <= kLastKey) ++keyLines;  // others are skipped
        } else if (!IsCommentLine(line) && !line.empty()) {
            reason = "is not a data-exchange file (line " + std::to_string(number) +
                     " is neither a key line nor a comment)";
            return false;
        }
    }
    if (keyLines == 0) {
        reason = "is not a data-exchange file (no key line of keys " + std::to_string(kFirstKey) +
                 ".." + std::to_string(kLastKey) + ")";
        return false;
    }
    return true;
}

void ResetEdiFile() { readProblems.clear(); }

bool ReadEdiFile(const std::string& name) {
    readProblems.clear();
    cancelFlag = false;
    if (!OpenRead(sharedTextFile, name)) return false;
    sharedTextFile.SetLineLimit(kValueLineLimit);
    // A file that fails half-way leaves the data set as it was.
    const GearPairRecord savedPair = gearPair;
    const WormGearRecord savedGear = wormGear;
    const auto savedHeaders = reportHeaderLines;
    const std::vector<Item> items = Items();
    bool wormDiameterGiven = false;
    std::string line;
    while (!sharedTextFile.Eof()) {
        if (sharedTextFile.ReadLine(line) != kIoOk) break;
        if (line.empty() || line[0] == '<') continue;
        const auto blank = line.find(' ');
        std::int64_t key = 0;
        if (blank == std::string::npos || !ParseIntLine(line.substr(0, blank), key)) {
            if (!TrimBoth(line).empty()) readProblems.push_back(line);
            continue;
        }
        // The value follows the two separating blanks.
        const std::string value = line.size() >= blank + 2 ? line.substr(blank + 2) : "";
        for (const Item& item : items) {
            if (item.key != key) continue;
            if (!item.readBack) break;
            if (StoreValue(item, value))
                wormDiameterGiven |= key == kWormMeanDiameterKey;
            else
                readProblems.push_back(line);
            break;
        }
    }
    // A line beyond the limit, or a read that failed before the end of the
    // file: nothing of what was read is kept.
    if (!CloseRead(sharedTextFile, [&] {
            gearPair = savedPair;
            wormGear = savedGear;
            reportHeaderLines = savedHeaders;
        }))
        return false;
    // The calculation derives the worm's mean diameter from the centre
    // distance and dm1/a, which no key carries: a given diameter sets the
    // quotient, so that the same worm is calculated again.
    if (wormDiameterGiven && wormGear.dm[1] > 0 && wormGear.a > 0)
        wormGear.dm1a = wormGear.dm[1] / wormGear.a;
    for (const std::string& p : readProblems)
        if (Ui().IsBatch())
            Ui().ShowMessage("EDI", ShownFileName(name) + ": " + p, MessageKind::Warning);
    return true;
}

}  // namespace veldrim
