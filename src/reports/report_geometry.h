#pragma once
// The geometry part of the calculation report: basic data, diameters, tooth
// dimensions, angles, toothing data, profile shift factors, tolerances and
// backlash, test dimensions, and the permitted deviations after DIN 3974-1.

namespace veldrim {

// The nine geometry sections, written after the first page header; the last
// ends with ReportEndPage. Stops at once at a section's cancel check when the
// cancel flag is set; the caller tests the flag.
void ReportGeometrySections();

}  // namespace veldrim
