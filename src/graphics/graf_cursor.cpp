// The wait cursor through the UI port.
#include "graphics/graf_cursor.h"

#include "foundation/ui_services.h"

namespace veldrim {

void GrafWaitCursor() { Ui().SetBusy(true); }
void GrafNormalCursor() { Ui().SetBusy(false); }

}  // namespace veldrim
