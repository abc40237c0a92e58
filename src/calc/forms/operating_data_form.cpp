#include "calc/forms/operating_data_form.h"

#include "calc/design.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/form_placement.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation/help_texts.h"
#include "foundation/program_state.h"

namespace veldrim {

namespace {

constexpr Real kKilowattFactor = 60000;  // P [kW] = T [Nm] 2 pi n [1/min] / 60000
constexpr Real kTorqueEstimateFactor = 0.04L;
constexpr Real kDm1aMin = 0.1L, kDm1aMax = 0.9L;

std::string Help(int number) {
    std::string text;
    HelpTextOf(number, text);
    return text;
}

// The first edit (speed) of the side shown.
int SideBase(const OperatingDataFormState& s) { return s.wheelSide ? kEditN2 : kEditN1; }

}  // namespace

TForm_qub3pre::TForm_qub3pre() {
    OperatingDataFormState& s = state;
    s.caption = "Drehzahl, Drehmoment, Nennleistung  1";
    s.ratioLabel = "Übersetzungsverhältnis u=n1/n2"_cp850;
    s.speedLabel = "Drehzahl n";
    s.torqueLabel = "Nenndrehmoment T";
    s.powerLabel = "Nennleistung P";
    s.kaLabel = "Anwendungsfaktor KA";
    s.dm1aLabel = "Durchmesser-Achsabstands-Verhältnis dm1/a"_cp850;
    s.ratioHint = Help(4000);
    s.kaHint = Help(4010);
    s.dm1aHint = Help(4030);
    s.speedUnit = "1/min";
    s.powerUnit = "kW";
    s.derivedItems = {"n", "T", "P"};
    s.sideItems = {"Schnecke", "Schneckenrad"};
    s.okButton = "OK";
    s.cancelButton = "Abbrechen";
    s.helpButton = "&Hilfe";
    s.unitsButton = "mm <--> inch";
    s.calcButton = "Calc";
    s.kaHelpButton = "KA ?";
    s.defaultButton = "<";
    const int derived = gearPair.derivedQuantity;
    s.derived = derived >= 1 && derived <= 3 ? derived - 1 : 0;
    FillStep();
}

void TForm_qub3pre::FillStep() {
    OperatingDataFormState& s = state;
    const GearPairRecord& g = gearPair;
    const WormGearRecord& w = wormGear;
    s.torqueUnit = TorqueUnit();
    s.wheelSide = w.operatingDataSide == 2;
    Real wormTorque = g.T[1];
    if (wormTorque == 0) wormTorque = kTorqueEstimateFactor * w.b[2] * w.mx * w.dm[1];
    if (g.T[2] == 0) s.wheelSide = false;
    s.text[kEditRatio] = FormatNum(w.u);
    s.text[kEditKA] = FormatNum(w.KA);
    s.text[kEditDm1a] = FormatNum(w.dm1a);
    s.text[kEditN1] = FormatNumLong(g.n[1]);
    s.text[kEditT1] = FormatTorque(wormTorque);
    s.text[kEditP1] = FormatNumLong(g.P);
    s.text[kEditN2] = FormatNumLong(g.n[2]);
    s.text[kEditT2] = FormatTorque(g.T[2]);
    s.text[kEditP2] = FormatNumLong(w.P);
    EnableStep();
}

void TForm_qub3pre::EnableStep() {
    OperatingDataFormState& s = state;
    for (int e : {kEditRatio, kEditKA, kEditDm1a}) s.visible[e] = s.enabled[e] = true;
    const int shown = SideBase(s);
    const int other = s.wheelSide ? kEditN1 : kEditN2;
    for (int k = 0; k < 3; ++k) {
        s.visible[shown + k] = true;
        s.enabled[shown + k] = k != s.derived;
    }
    // The other gear shows only its speed, which follows through the ratio.
    s.visible[other] = true;
    s.enabled[other] = false;
    s.visible[other + 1] = s.visible[other + 2] = false;
    s.enabled[other + 1] = s.enabled[other + 2] = false;
}

void TForm_qub3pre::DeriveStep() {
    OperatingDataFormState& s = state;
    const int base = SideBase(s);
    const Real n = TextToFloat(s.text[base]);
    const Real T = ParseTorque(s.text[base + 1]);
    const Real P = TextToFloat(s.text[base + 2]);
    Real speed = n;
    switch (s.derived) {
        case 0:
            if (T > 0) {
                speed = kKilowattFactor * P / (2 * kPi * T);
                s.text[base] = FormatNumLong(speed);
            }
            break;
        case 1:
            if (n > 0) s.text[base + 1] = FormatTorque6(kKilowattFactor * P / (2 * kPi * n));
            break;
        default: s.text[base + 2] = FormatNumLong(n * T * 2 * kPi / kKilowattFactor); break;
    }
    const Real u = TextToFloat(s.text[kEditRatio]);
    if (s.wheelSide)
        s.text[kEditN1] = FormatNumLong(u * speed);
    else if (u != 0)
        s.text[kEditN2] = FormatNumLong(speed / u);
}

void TForm_qub3pre::StoreStep() {
    const OperatingDataFormState& s = state;
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    w.u = TextToFloat(s.text[kEditRatio]);
    w.KA = TextToFloat(s.text[kEditKA]);
    w.dm1a = TextToFloat(s.text[kEditDm1a]);
    g.n[1] = TextToFloat(s.text[kEditN1]);
    g.T[1] = ParseTorque(s.text[kEditT1]);
    g.P = TextToFloat(s.text[kEditP1]);
    g.n[2] = TextToFloat(s.text[kEditN2]);
    g.T[2] = ParseTorque(s.text[kEditT2]);
    w.P = TextToFloat(s.text[kEditP2]);
    g.derivedQuantity = static_cast<std::uint16_t>(s.derived + 1);
    w.operatingDataSide = s.wheelSide ? 2 : 1;
    // The DIN 3996 rating keeps torques and powers per edition.
    w.TDin[1] = w.TDin[2] = g.T[1];
    w.TDin[3] = w.TDin[4] = g.T[2];
    w.PDin[1] = w.PDin[2] = g.P;
    w.PDinOut[1] = w.PDinOut[2] = w.P;
}

bool TForm_qub3pre::Checks() {
    OperatingDataFormState& s = state;
    const Real dm1a = TextToFloat(s.text[kEditDm1a]);
    if (!(dm1a >= kDm1aMin && dm1a <= kDm1aMax)) {
        s.focus = kEditDm1a;
        return false;
    }
    if (!(TextToFloat(s.text[kEditRatio]) > 0)) {
        s.focus = kEditRatio;
        return false;
    }
    s.focus = -1;
    return true;
}

void TForm_qub3pre::EditChanged(OperatingDataFormState& s, int edit) {
    state = s;
    if (edit >= kEditN1 && edit <= kEditP2) DeriveStep();
    s = state;
}

void TForm_qub3pre::ChoiceChanged(OperatingDataFormState& s) {
    state = s;
    EnableStep();
    s = state;
}

void TForm_qub3pre::DefaultClicked(OperatingDataFormState& s, int edit) {
    if (edit == kEditRatio) s.text[kEditRatio] = "10";
    if (edit == kEditKA) s.text[kEditKA] = "1.0";
    if (edit == kEditDm1a) s.text[kEditDm1a] = "0.35";
}

bool TForm_qub3pre::OkClicked(OperatingDataFormState& s) {
    state = s;
    StoreStep();
    const bool ok = Checks();
    s = state;
    return ok;
}

void TForm_qub3pre::CalcClicked(OperatingDataFormState& s) {
    state = s;
    StoreStep();
    if (Checks()) {
        RunCalculation();
        ShowDesignResultView();
    }
    s = state;
}

void TForm_qub3pre::UnitsClicked(OperatingDataFormState& s) {
    state = s;
    StoreStep();
    ToggleUnitSystem();
    FillStep();
    s = state;
}

void TForm_qub3pre::HelpClicked() {
    ShowHelpText(4500, "", kHelpTextOnly);
    cancelFlag = false;
}

void TForm_qub3pre::KAHelpClicked() { ShowHelpText(4010, "", kHelpPictureOnly); }

void ShowOperatingDataForm() {
    TForm_qub3pre form;
    const bool ok = Ui().ShowOperatingDataForm(form.state, form);
    cancelFlag = !ok;
}

}  // namespace veldrim
