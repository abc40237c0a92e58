#pragma once
// The fields of a new table from a dataset's DbfFields lines, shared by the
// file dataset (a missing table is created) and the virtual-file dataset
// (its in-memory table is built).

#include <string>
#include <vector>

#include "tables/engine/work_areas.h"

namespace veldrim {

// The table creation from "name,type,length,decimals" lines (X lines
// skipped; memo-less: M becomes N 10,0). Empty on a bad list; the reason in
// *reason.
std::vector<TFieldEntry> FieldsFromLines(const std::vector<std::string>& lines, bool memoLess,
                                         const std::string& component, std::string* reason);

}  // namespace veldrim
