#pragma once
// The DIN 3996 part of the calculation report: operating data, maximum tooth
// forces, general factors and lubrication, efficiency and losses, wear,
// pitting, deflection and tooth breakage, in one edition.

namespace veldrim {

// The nine sections of the DIN 3996 part for edition 1 (DIN 3996:1998) or 2
// (DIN 3996:2012), written after its page title and page header
// (calc_report.cpp writes those). Stops at once at a section's cancel check
// when the cancel flag is set; the caller tests the flag.
void ReportDin3996Sections(int edition);

}  // namespace veldrim
