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
    Put(kEditRatio, w.u, FormatNum(w.u));
    Put(kEditKA, w.KA, FormatNum(w.KA));
    Put(kEditDm1a, w.dm1a, FormatNum(w.dm1a));
    Put(kEditN1, g.n[1], FormatNumLong(g.n[1]));
    Put(kEditT1, wormTorque, FormatTorque(wormTorque));
    Put(kEditP1, g.P, FormatNumLong(g.P));
    Put(kEditN2, g.n[2], FormatNumLong(g.n[2]));
    Put(kEditT2, g.T[2], FormatTorque(g.T[2]));
    Put(kEditP2, w.P, FormatNumLong(w.P));
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
    const Real n = Value(base);
    const Real T = Value(base + 1);
    const Real P = Value(base + 2);
    Real speed = n;
    switch (s.derived) {
        case 0:
            if (T > 0) {
                speed = kKilowattFactor * P / (2 * kPi * T);
                Put(base, speed, FormatNumLong(speed));
            }
            break;
        case 1:
            if (n > 0) {
                const Real torque = kKilowattFactor * P / (2 * kPi * n);
                Put(base + 1, torque, FormatTorque6(torque));
            }
            break;
        default: {
            const Real power = n * T * 2 * kPi / kKilowattFactor;
            Put(base + 2, power, FormatNumLong(power));
            break;
        }
    }
    const Real u = Value(kEditRatio);
    if (s.wheelSide)
        Put(kEditN1, u * speed, FormatNumLong(u * speed));
    else if (u != 0)
        Put(kEditN2, speed / u, FormatNumLong(speed / u));
}

Real TForm_qub3pre::Value(int edit) const {
    const auto k = static_cast<std::size_t>(edit);
    const bool torque = edit == kEditT1 || edit == kEditT2;
    return boxes_[k].Value(state.text[k], torque ? ParseTorque : TextToFloat);
}

void TForm_qub3pre::Put(int edit, Real value, std::string text) {
    const auto k = static_cast<std::size_t>(edit);
    state.text[k] = boxes_[k].Fill(value, std::move(text));
}

void TForm_qub3pre::StoreStep() {
    const OperatingDataFormState& s = state;
    GearPairRecord& g = gearPair;
    WormGearRecord& w = wormGear;
    w.u = Value(kEditRatio);
    w.KA = Value(kEditKA);
    w.dm1a = Value(kEditDm1a);
    g.n[1] = Value(kEditN1);
    g.T[1] = Value(kEditT1);
    g.P = Value(kEditP1);
    g.n[2] = Value(kEditN2);
    g.T[2] = Value(kEditT2);
    w.P = Value(kEditP2);
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
    const Real dm1a = Value(kEditDm1a);
    if (!(dm1a >= kDm1aMin && dm1a <= kDm1aMax)) {
        s.focus = kEditDm1a;
        return false;
    }
    if (!(Value(kEditRatio) > 0)) {
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

// A default is the form's own value, as a derived one: the rounded text of
// the value it replaces may read the same ("10" for a ratio of 10.4 at 0
// decimals).
void TForm_qub3pre::DefaultClicked(OperatingDataFormState& s, int edit) {
    state = s;
    if (edit == kEditRatio) Put(kEditRatio, 10, "10");
    if (edit == kEditKA) Put(kEditKA, 1, "1.0");
    if (edit == kEditDm1a) Put(kEditDm1a, 0.35L, "0.35");
    s = state;
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
