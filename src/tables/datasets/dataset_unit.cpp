// Start and end of the table engine in the running program.

#include "tables/datasets/dataset_unit.h"

#include "foundation/program_state.h"
#include "tables/datasets/table_access.h"
#include "tables/datasets/tz_dataset.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/work_areas.h"

namespace veldrim {

std::string PlatformShortDateFormat() {
    switch (dateFormat) {
        case 1: return "dd.MM.yyyy";
        case 2: return "MM/dd/yyyy";
        case 4: return "dd/MM/yyyy";
        default: return "yyyy-MM-dd";
    }
}

void StartTableEngine() {
    ResetTableEngine();
    SetEngineDateFormatFromPlatform(PlatformShortDateFormat());
}

void ShutdownTableEngine() {
    FreeTableEditorForm();
    CloseWorkAreaUnit();
}

}  // namespace veldrim
