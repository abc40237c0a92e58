// The material and lubricant picks through the table access.

#include "calc/material_pick.h"

#include "calc/records.h"
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
    if (!cancelFlag) {
        if (take) {
            gearPair.materialKind[gear] = static_cast<std::uint16_t>(TextToInt(FieldText("KIND")));
            gearPair.heatTreatment[gear] =
                static_cast<std::uint16_t>(TextToInt(FieldText("TREAT")));
            gearPair.materialName[gear] = TrimBoth(FieldText("NAME"));
            gearPair.rho[gear] = FieldValue("RHO");
            gearPair.E[gear] = FieldValue("E");
            gearPair.nue[gear] = FieldValue("NUE");
            gearPair.sigHlim[gear] = FieldValue("SIGHLIM");
            gearPair.sigmaFE[gear] = FieldValue("SIGMAFE");
            gearPair.HB[gear] = FieldValue("HB");
            gearPair.materialCode[gear] = static_cast<std::uint16_t>(ChosenDbfRecord);
            taken = true;
        } else {
            cancelFlag = true;
        }
    }
    CloseDbfTable();
    return taken;
}

bool PickLubricant() {
    cancelFlag = false;
    if (!OpenDbfTableByName("lubri.dbf")) return false;
    SetDbfTitles("", "Schmierstoffdatenbank");
    GoDbfRecord(1);
    ShowTableEditor("", 1);
    bool taken = false;
    if (!cancelFlag) {
        wormGear.lubricantKind = static_cast<std::uint16_t>(TextToInt(FieldText("KIND")));
        wormGear.v40 = FieldValue("NU40");
        wormGear.v100 = FieldValue("NU100");
        taken = true;
    }
    CloseDbfTable();
    return taken;
}

}  // namespace veldrim
