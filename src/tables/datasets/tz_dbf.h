#pragma once
// TTzDbf: the table engine's dbf table component, the file dataset that
// forms hold (the table editor's tzdbf); it only reopens the table when
// Exclusive changes while it is open.

#include "tables/datasets/tz_file_dataset.h"

namespace veldrim {

class TTzDbf : public TTzFileDataSet {
public:
    using TTzFileDataSet::TTzFileDataSet;
    // Changing it while open reopens the table.
    void SetExclusive(bool on);
};

}  // namespace veldrim
