#pragma once
// The operating-data form of the pre-dimensioning ("Drehzahl, Drehmoment,
// Nennleistung"): ratio, application factor, diameter quotient, and speed,
// torque and power of the worm or of the wheel. Of speed, torque and power
// the user enters two and the form derives the third as the user types, with
// P = T 2 pi n / 60000 (P in kW, T in Nm, n in 1/min); the other gear's speed
// follows through the ratio.
//
// The form's logic is this class; the window shows its state through the UI
// port and reports the user's actions to it. Its values live in the gear data
// records: creation fills the edits from them, OK and Calc store them back.
// An edit the user left as shown gives back the value behind it exactly: the
// record's value, or the value the form derived into it.

#include <array>

#include "foundation/form_boxes.h"
#include "foundation/ui_services.h"

namespace veldrim {

// `TForm_qub3pre`: the form (TForm_) of the worm gear program's (qub3) pre-dimensioning (pre).
class TForm_qub3pre : public OperatingDataFormHandler {
public:
    // Captions and hints, the choices and the edits from the records.
    TForm_qub3pre();

    OperatingDataFormState state;

    // Edits from the records; a worm torque of 0 shows the estimate
    // 0.04 b2 mx dm1, a wheel torque of 0 selects the worm side.
    void FillStep();
    // Which edits are shown and which may be typed into.
    void EnableStep();
    // Derives the chosen quantity on the side shown, and the other gear's speed.
    void DeriveStep();
    // Every edit into the records, with the copies the DIN 3996 rating reads.
    void StoreStep();
    // dm1/a in 0.1 .. 0.9 and u > 0; otherwise the focus goes to the edit.
    bool Checks();

    void EditChanged(OperatingDataFormState& s, int edit) override;
    void ChoiceChanged(OperatingDataFormState& s) override;
    void DefaultClicked(OperatingDataFormState& s, int edit) override;
    bool OkClicked(OperatingDataFormState& s) override;
    void CalcClicked(OperatingDataFormState& s) override;
    void UnitsClicked(OperatingDataFormState& s) override;
    void HelpClicked() override;
    void KAHelpClicked() override;

private:
    // An edit's value: see NumberBox (torques in Nm).
    Real Value(int edit) const;
    // Writes a value the form derived into an edit.
    void Put(int edit, Real value, std::string text);

    std::array<NumberBox, kOperatingDataEdits> boxes_;
};

// Shows the form modally; Cancel sets the cancel flag, OK clears it.
void ShowOperatingDataForm();

}  // namespace veldrim
