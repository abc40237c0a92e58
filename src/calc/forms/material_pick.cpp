// The material and lubricant picks through the table access.

#include "calc/forms/material_pick.h"

#include "calc/records.h"
#include "calc/viscosity.h"
#include "calc/worm_rating.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "tables/datasets/table_access.h"

namespace veldrim {

namespace {

std::string FieldText(const char* name) {
    const int n = DbfFieldNumber(name);
    return n > 0 ? GetDbfFieldStr(n) : std::string();
}

Real FieldValue(const char* name) { return TextToFloat(FieldText(name)); }

// The values of a picked record. A cell left empty (0: no source gave a
// value) does not overwrite the data set's value, which stays and is named
// in one notice after the pick.
class TakenValues {
public:
    explicit TakenValues(std::string what) : what_(std::move(what)) {}
    void Take(const char* field, const char* label, Real& value) {
        const Real cell = FieldValue(field);
        if (cell != 0)
            value = cell;
        else
            Kept(label, value);
    }
    void Kept(const char* label, Real value) {
        kept_ += (kept_.empty() ? "" : ", ") + std::string(label) + " " + FormatNum(value);
    }
    // The notice that names the kept values; empty when every cell was taken.
    std::string Notice() const {
        if (kept_.empty()) return {};
        return what_ + std::string(": ohne Tabellenwert bleibt der Wert des Datensatzes: ") + kept_;
    }

private:
    std::string what_;
    std::string kept_;
};

constexpr Real kViscosityReferenceTemperature = 50;  // °C, of v50

// The lubricant values that follow from the viscosities: v50, and the
// dynamic viscosity at the wheel bulk temperature with the oil's density
// (kg/dm³; 0 when the table gives none, which keeps eta0M).
void DeriveLubricantValues(Real density, TakenValues& taken) {
    WormGearRecord& w = wormGear;
    if (w.v40 > 0 && w.v100 > 0) {
        w.v50 = ViscosityFromNu40Nu100(w.v40, w.v100, kViscosityReferenceTemperature);
        // mm²/s times kg/dm³ is 1E-3 Ns/m².
        if (density > 0)
            w.eta0M = ViscosityFromNu40Nu100(w.v40, w.v100, w.thetaM) * density * 1E-3L;
        else
            taken.Kept("eta0M", w.eta0M);
    }
    w.WML = MaterialLubricantFactorWML(w.lubricantKind, gearPair.materialName[2]);
}

}  // namespace

bool PickMaterial(int gear, int mode) {
    if (gear < 1 || gear > 2) return false;
    cancelFlag = false;
    CheckFileReadable(FindFileNoCase(EnsureTrailingBackslash(databaseDirectory) + "vovuzi.dbf"));
    if (cancelFlag) return false;
    const bool take = mode == 1 || mode == 3;
    SetDbfTitles("", take ? "Werkstoffdatenbank Rad " + IntText(gear) : "Werkstoffdatenbank");
    if (!OpenDbfTable("vovuzi.dbf")) return false;
    // The materials in the order of their kind and heat treatment, the first
    // two fields; the record numbers stay those of the table.
    const std::string first = GetDbfFieldName(1), second = GetDbfFieldName(2);
    if (!first.empty() && !second.empty()) BuildTempIndex(first + "*100+" + second, "vovuzi");
    if (take) GoDbfRecord(gearPair.materialCode[gear]);
    SetHelpNumber(9500);
    ShowTableEditor("", mode);
    bool taken = false;
    std::string notice;
    if (!cancelFlag) {
        if (take) {
            gearPair.materialKind[gear] = static_cast<std::uint16_t>(TextToInt(FieldText("KIND")));
            gearPair.heatTreatment[gear] =
                static_cast<std::uint16_t>(TextToInt(FieldText("TREAT")));
            gearPair.materialName[gear] = TrimBoth(FieldText("NAME"));
            GearPairRecord& g = gearPair;
            TakenValues values(g.materialName[gear]);
            values.Take("RHO", "rho", g.rho[gear]);
            values.Take("E", "E", g.E[gear]);
            values.Take("NUE", "nue", g.nue[gear]);
            values.Take("SIGHLIM", "Sig.Hlim", g.sigHlim[gear]);
            values.Take("SIGMAFE", "Sigma FE", g.sigmaFE[gear]);
            values.Take("HB", "HB", g.HB[gear]);
            g.materialCode[gear] = static_cast<std::uint16_t>(ChosenDbfRecord);
            if (gear == 2) {
                // The friction and wear factors belong to the wheel material.
                wormGear.YW = MaterialFactorYW(g.materialName[2]);
                wormGear.WML =
                    MaterialLubricantFactorWML(wormGear.lubricantKind, g.materialName[2]);
            }
            notice = values.Notice();
            taken = true;
        } else {
            cancelFlag = true;
        }
    }
    CloseDbfTable();
    if (!notice.empty()) ShowInfo(notice);
    return taken;
}

bool PickLubricant() {
    cancelFlag = false;
    if (!OpenDbfTableByName("lubri.dbf")) return false;
    SetDbfTitles("", "Schmierstoffdatenbank");
    GoDbfRecord(1);
    ShowTableEditor("", 1);
    bool taken = false;
    std::string notice;
    if (!cancelFlag) {
        WormGearRecord& w = wormGear;
        TakenValues values(TrimBoth(FieldText("NAME")));
        if (const int kind = TextToInt(FieldText("KIND")); kind > 0)
            w.lubricantKind = static_cast<std::uint16_t>(kind);
        values.Take("NU40", "v40", w.v40);
        values.Take("NU100", "v100", w.v100);
        DeriveLubricantValues(FieldValue("RHO15"), values);
        notice = values.Notice();
        taken = true;
    }
    CloseDbfTable();
    if (!notice.empty()) ShowInfo(notice);
    return taken;
}

}  // namespace veldrim
