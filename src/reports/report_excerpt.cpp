// The Niemann excerpt report.

#include "reports/report_excerpt.h"

namespace veldrim {

void PrintNiemannExcerpt() {}

}  // namespace veldrim
