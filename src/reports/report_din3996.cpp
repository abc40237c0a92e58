// The DIN 3996 part of the calculation report.

#include "reports/report_din3996.h"

namespace veldrim {

void ReportDin3996Sections(int) {}

}  // namespace veldrim
