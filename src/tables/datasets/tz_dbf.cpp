// The table component's Exclusive setter.

#include "tables/datasets/tz_dbf.h"

namespace veldrim {

void TTzDbf::SetExclusive(bool on) {
    if (on == Exclusive) return;
    Exclusive = on;
    if (Active()) {
        Close();
        Open();
    }
}

}  // namespace veldrim
