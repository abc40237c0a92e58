#include "calc/forms/material_form.h"

#include <string>

#include "calc/hardness.h"
#include "calc/records.h"
#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

// The value edits of one gear.
enum MaterialValue : int {
    kDensity,
    kYoungsModulus,
    kPoissonsRatio,
    kSigHlim,
    kSigmaFE,
    kHardness
};

constexpr int kHardnessHelpBase = 7000;

template <std::size_t N>
std::vector<std::string> Items(const std::array<std::string_view, N>& table) {
    return {table.begin(), table.end()};
}

int ItemIndex(int code, int count) { return code >= 0 && code < count ? code : 0; }

}  // namespace

TForm_vovuzi::TForm_vovuzi() {
    MaterialFormState& s = state;
    s.caption = "Werkstoffdaten";
    s.gearCaptions = {std::string(kPartNameTexts[0]), std::string(kPartNameTexts[1])};
    s.nameLabel = "Werkstoff";
    s.kindLabel = "Werkstoffart";
    s.heatTreatmentLabel = "Wärmebehandlung"_cp850;
    s.hardnessButton = "Härte"_cp850;
    s.okButton = "OK";
    s.cancelButton = "Abbrechen";
    s.kindItems = Items(kMaterialKindTexts);
    s.heatTreatmentItems = Items(kHeatTreatmentTexts);
    s.valueLabels = {"rho", "E", "nue", "Sig.Hlim", "Sigma FE", "HB"};
    FillStep();
}

void TForm_vovuzi::FillStep() {
    MaterialFormState& s = state;
    const GearPairRecord& g = gearPair;
    s.valueUnits = {std::string("kg/dm³"_cp850), StressUnit(), "", StressUnit(), StressUnit(), ""};
    for (int i = 1; i <= 2; ++i) {
        MaterialFormState::Gear& gear = s.gears[static_cast<std::size_t>(i - 1)];
        gear.name = g.materialName[i];
        gear.kind = ItemIndex(g.materialKind[i], static_cast<int>(s.kindItems.size()));
        gear.heatTreatment =
            ItemIndex(g.heatTreatment[i], static_cast<int>(s.heatTreatmentItems.size()));
        auto& box = boxes_[static_cast<std::size_t>(i - 1)];
        gear.values = {box[kDensity].Fill(g.rho[i], FormatNum(g.rho[i])),
                       box[kYoungsModulus].Fill(g.E[i], FormatStress(g.E[i])),
                       box[kPoissonsRatio].Fill(g.nue[i], FormatNum(g.nue[i])),
                       box[kSigHlim].Fill(g.sigHlim[i], FormatStress(g.sigHlim[i])),
                       box[kSigmaFE].Fill(g.sigmaFE[i], FormatStress(g.sigmaFE[i])),
                       box[kHardness].Fill(g.HB[i], FormatNum(g.HB[i]))};
    }
}

void TForm_vovuzi::StoreStep() {
    const MaterialFormState& s = state;
    GearPairRecord& g = gearPair;
    for (int i = 1; i <= 2; ++i) {
        const MaterialFormState::Gear& gear = s.gears[static_cast<std::size_t>(i - 1)];
        g.materialName[i] = gear.name;
        g.materialKind[i] =
            static_cast<std::uint16_t>(ItemIndex(gear.kind, static_cast<int>(s.kindItems.size())));
        g.heatTreatment[i] = static_cast<std::uint16_t>(
            ItemIndex(gear.heatTreatment, static_cast<int>(s.heatTreatmentItems.size())));
        const auto& box = boxes_[static_cast<std::size_t>(i - 1)];
        auto value = [&](int k, Real (*read)(std::string_view)) {
            const auto kk = static_cast<std::size_t>(k);
            return box[kk].Value(gear.values[kk], read);
        };
        g.rho[i] = value(kDensity, TextToFloat);
        g.E[i] = value(kYoungsModulus, ParseStress);
        g.nue[i] = value(kPoissonsRatio, TextToFloat);
        g.sigHlim[i] = value(kSigHlim, ParseStress);
        g.sigmaFE[i] = value(kSigmaFE, ParseStress);
        g.HB[i] = value(kHardness, TextToFloat);
    }
}

void TForm_vovuzi::HardnessClicked(MaterialFormState& s, int gear) {
    if (gear < 0 || gear > 1) return;
    std::string& hb = s.gears[static_cast<std::size_t>(gear)].values[kHardness];
    NumberBox& box = boxes_[static_cast<std::size_t>(gear)][kHardness];
    // The table view starts from the gear's hardness; a value it cannot
    // convert leaves the field as it was. The converted HB fills the box
    // as the form's own value, kept exactly behind its rounded text.
    const Real entered = box.Value(hb, TextToFloat);
    if (entered > 0) ConvertHardnessAll(kScaleHB, entered);
    ConvertHardnessDialog(kHardnessHelpBase);
    const Real converted = ConvertedHardness(kScaleHB);
    if (converted > 0) hb = box.Fill(converted, FormatNum(converted));
}

void ShowMaterialForm() {
    TForm_vovuzi form;
    const bool ok = Ui().ShowMaterialForm(form.state, form);
    if (ok) form.StoreStep();
    cancelFlag = !ok;
}

}  // namespace veldrim
