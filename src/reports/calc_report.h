#pragma once
// The calculation report of the current worm gear set.
//
// PrintResultReport writes up to three parts through the report channel, each
// with its own page title: geometry after DIN 3975 with tolerances and test
// dimensions (report_geometry.h), load capacity and efficiency after Niemann
// (report_niemann.h) and after DIN 3996 in the edition the mode selects
// (report_din3996.h). It only prints: every value comes ready from
// `gearPair` and `wormGear` (calc/records.h).
//
//   | mode | parts                                      | DIN 3996 edition |
//   |------|--------------------------------------------|------------------|
//   | 0    | geometry, Niemann, DIN 3996 (switch on)    | 2012             |
//   | 1    | geometry                                   | -                |
//   | 2    | Niemann, DIN 3996 (switch on)              | 2012             |
//   | 3    | geometry, Niemann, DIN 3996 (switch on)    | 2012             |
//   | 4    | Niemann                                    | -                |
//   | 5    | DIN 3996 (switch on)                       | 1998             |
//   | 6    | DIN 3996 (switch on)                       | 2012             |
//
// Every report ends with the messages page. A set cancel flag stops the
// report at once (without the messages page and without handing the output
// over). Neither routine changes the saved report destination settings.
//
// The helpers below are shared by the section writers of every part: the
// common header texts and column heads, the framing of a section, and the
// number texts the row tables name in short form:
//
//   | short form | routine                     |
//   |------------|-----------------------------|
//   | F(i,d)     | FormatFixed                 |
//   | L(i,d)     | FormatLengthFixed           |
//   | N(i,d)     | FormatForceFixed            |
//   | S(i,d)     | FormatStressFixed           |
//   | T(i,d)     | FormatTorqueFixed           |
//   | C(i,d)     | FormatTemperatureFixed      |
//   | W(8)       | FormatInWidth(8, x)         |
//   | A          | FormatAngle (DegText for radians) |
//   | I(w)       | IntTextPad                  |
//   | micron     | FormatMicronFixed (value held in µm) |
//
// Code-indexed texts are looked up with ReportCodeText: a code outside its
// table prints an empty text.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// ---- The report -------------------------------------------------------------------

void PrintResultReport(std::uint16_t mode);

// The command-line report ("/I"): mode 0 to a TXT file without any dialog
// (destination 9). Returns the path of the written report, or an empty text
// with the cancel flag set when it was not written. The saved destination
// settings are as before afterwards.
std::string WriteBatchTextReport();

// The report as a TXT file for a spreadsheet (destination 6).
void PrintoutToSpreadsheet(std::uint16_t mode);

// Which parts a mode prints, and the DIN 3996 edition index it selects
// (1 = 1998 for mode 5, 2 = 2012 otherwise).
bool ReportModePrintsGeometry(std::uint16_t mode);
bool ReportModePrintsNiemann(std::uint16_t mode);
bool ReportModePrintsDin3996(std::uint16_t mode);  // the DIN 3996 switch is not tested here
int Din3996EditionOfMode(std::uint16_t mode);

// ---- Header texts shared by every part --------------------------------------------

// The page titles of the three parts.
std::string GeometryReportTitle();
std::string NiemannReportTitle();
std::string Din3996ReportTitle();
// SetReportHeader with title, the worm line and the wheel line (part name
// and drawing number), report header lines 1 and 2, sheet total 0.
void SetCalcReportHeader(const std::string& title);
// Column heads "", "Zeichen", "Unit", "  Schnecke", "   Rad".
void SetCalcReportColumnHeads();

// ---- Section framing -----------------------------------------------------------------

// What follows the rows of a section.
enum ReportSectionAfter : unsigned {
    kSectionEmptyLine = 1,    // E: an empty line through ReportText
    kSectionNewPage = 2,      // K: ReportNewPageIfNearEnd(1)
    kSectionCancelCheck = 4,  // C: stop when the cancel flag is set
};
// The section title and the single rule under it.
void ReportSectionTitle(std::string_view title);
// Ends a section as `after` says. False when the report must stop (the
// cancel check found the cancel flag set).
bool ReportSectionEnd(unsigned after);
// A text line with a single rule under it.
void ReportTextWithRule(std::string_view s);

// ---- Values -------------------------------------------------------------------------

// The larger and the smaller of |a| and |b|.
Real AbsMax(Real a, Real b);
Real AbsMin(Real a, Real b);
// An angle held in radians as FormatAngle prints degrees.
std::string DegText(Real rad);
// A value held in µm: FormatFixed in µm, or in µin in the inch unit system
// (with MicronUnit as its label).
std::string FormatMicronFixed(std::int32_t intDigits, std::int32_t decimals, Real microns);

// The text of a code in a table whose first text has code `first`; empty
// for a code outside the table.
template <std::size_t N>
std::string ReportCodeText(const std::array<std::string_view, N>& table, long code,
                           long first = 1) {
    long i = code - first;
    if (i < 0 || i >= static_cast<long>(N)) return {};
    return std::string(table[static_cast<std::size_t>(i)]);
}

}  // namespace veldrim
