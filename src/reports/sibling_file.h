#pragma once
// The data file of the sibling cylindrical-gear program: the worm or the
// wheel of the current set, handed over as that program's equivalent
// cylindrical gear pair. One value per line in a fixed order; the sibling
// reads the lines back by position, so the order, the count and the kind of
// every line are the format.
//
// The export commands fill the equivalent pair from the worm set, calculate
// it, ask for the file name (extension "qub") and write. They never change the
// user's data set: the gear records, the data-file extension, the current file
// name, the data folder, the message list and the fatal flag are as before
// when a command returns, whichever way it ends.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// The extension of the sibling program's data files.
inline constexpr std::string_view kQub1Extension = "qub";

// Fixed values that the file carries for the sibling program at set
// positions. d1..d17 only name the positions; their meaning is the sibling's.
struct Qub1Defaults {
    Real d1 = 20.0L, d2 = 15.0L, d3 = 50.0L, d4 = 1.0L;
    std::uint8_t d5 = 1;  // a flag, written as the integer 1
    Real d6 = 100.0L, d7 = 10000.0L, d8 = 1450.0L, d9 = 15.0L, d10 = 800.0L, d11 = 1500.0L;
    Real d12 = 210000.0L, d13 = 0.3L, d14 = 190.0L, d15 = 2.0L, d16 = 1.0L;
    std::int32_t d17 = 0;

    bool operator==(const Qub1Defaults&) const = default;
};
inline constexpr Qub1Defaults kQub1Defaults{};

extern Qub1Defaults qub1Defaults;
// The start-up values of qub1Defaults (module start and tests).
void InitQub1Defaults();

// Asks for the file name (the save dialog for the current data-file
// extension, which the caller sets to "qub") and writes the equivalent pair of
// cylGear with the gear data set around it. A cancelled or refused name writes
// nothing; a failed write keeps an existing file as it was. Both leave the
// cancel flag set.
void WriteQub1File(const std::string& name);

// File > Export of the worm: section 1 the radial section (the worm against a
// near-rack), 2 the axial section (worm and wheel as a crossed helical pair),
// which only a worm of more than one thread has; a one-thread worm is written
// in the radial section.
void ExportWormToSiblingFile(int section);
// File > Export of the wheel (the axial section).
void ExportWheelToSiblingFile();

}  // namespace veldrim
