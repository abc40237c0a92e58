#pragma once
// The forms whose logic lives in core code: the online input dialog, the
// operating-data form and the material form. Each shows the state it is
// given, hands every action of the user to the core handler and shows the
// state again afterwards.

#include "foundation/ui_services.h"

namespace veldrim {

// The online input dialog; true for OK (also Enter and the up and down keys).
bool RunOnlineForm(OnlineForm& form);
// The operating-data form; true when it closed through OK.
bool RunOperatingDataForm(OperatingDataFormState& state, OperatingDataFormHandler& handler);
// The material form; true on OK with the edits in the state.
bool RunMaterialForm(MaterialFormState& state, MaterialFormHandler& handler);

}  // namespace veldrim
