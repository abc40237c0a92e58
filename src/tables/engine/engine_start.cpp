// Start of the table engine's record layer, in the order the units depend on
// each other: runtime base, dates, work areas, then the verbs' settings,
// and the units that fill the procedure tables.
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/expr/expr_compiler.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/locking.h"
#include "tables/memo/memo_file.h"
#include "tables/engine/navigation.h"
#include "tables/engine/proc_tables.h"
#include "tables/virtual/virtual_files.h"
#include "tables/engine/work_areas.h"

namespace veldrim {

void ResetTableEngine() {
    ResetWorkAreas();
    ResetProcTables();
    ResetEngineBase();
    ResetEngineDates();
    ResetLocking();
    ResetNavigation();
    ResetBulkVerbs();
    // The expression unit fills the parser table cleared above.
    StartExpressionParser();
    StartMemoUnit();
    StartVirtualFiles();
    // The index unit fills the index table and needs the parser.
    IndexInit();
}

}  // namespace veldrim
