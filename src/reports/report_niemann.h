#pragma once
// The Niemann part of the calculation report: operating data, tooth forces,
// materials, general factors, efficiency, pitting and tooth-root strength
// after Niemann.

namespace veldrim {

// The seven sections of the Niemann part, written after its page title and
// page header (calc_report.cpp writes those). Stops at once at a section's
// cancel check when the cancel flag is set; the caller tests the flag.
void ReportNiemannSections();

}  // namespace veldrim
