#pragma once
// The Niemann part of the calculation report: operating data, tooth forces,
// materials, general factors, efficiency, pitting and tooth-root strength
// after Niemann.

#include <string_view>

namespace veldrim {

// The power row of the Niemann rating under `label`: the entered power
// `gearPair.P` belongs to the driving shaft and the output power the rating
// reached (`wormGear.P`) to the driven one, so when the wheel drives the
// worm column shows the output and the wheel column the entered power.
void ReportNiemannPowerRow(std::string_view label);

// The seven sections of the Niemann part, written after its page title and
// page header (calc_report.cpp writes those). Stops at once at a section's
// cancel check when the cancel flag is set; the caller tests the flag.
void ReportNiemannSections();

}  // namespace veldrim
