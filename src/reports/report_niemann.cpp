// The Niemann part of the calculation report.

#include "reports/report_niemann.h"

namespace veldrim {

void ReportNiemannSections() {}

}  // namespace veldrim
