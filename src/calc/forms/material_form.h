#pragma once
// The material data form of worm and wheel: designation, material kind, heat
// treatment, density, Young's modulus, Poisson's ratio, the two endurance
// limits and the hardness of each gear. Its hardness buttons open the hardness
// conversion with the gear's Brinell value and take the converted HB back.
//
// The form's logic is this class; the window shows its state through the UI
// port. Creation fills the state from the gear pair record, OK stores it back,
// Cancel leaves the record as it was and sets the cancel flag. A value box the
// user left as shown gives back the record's value exactly.

#include <array>

#include "foundation/form_boxes.h"
#include "foundation/ui_services.h"

namespace veldrim {

// `TForm_vovuzi`: the form (TForm_) named after the material table "vovuzi.dbf" it fills from.
class TForm_vovuzi : public MaterialFormHandler {
public:
    TForm_vovuzi();

    MaterialFormState state;

    void FillStep();
    void StoreStep();
    void HardnessClicked(MaterialFormState& s, int gear) override;

private:
    // The value boxes of worm and wheel, with the values they were filled from.
    std::array<std::array<NumberBox, kMaterialValues>, 2> boxes_;
};

// Shows the form modally; OK stores and clears the cancel flag, Cancel sets it.
void ShowMaterialForm();

}  // namespace veldrim
