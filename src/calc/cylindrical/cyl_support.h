#pragma once
// Shared helpers of the cylindrical gear stages: tooth counts of the pair,
// the gear-number suffix of messages and the message-list calls, so that the
// stages read like the formulas. Internal to the cylindrical gear modules.

#include <string>
#include <string_view>

#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/real.h"

namespace veldrim::cyl {

// Tooth count of gear i (negative for an internal gear), as an integer and a real.
inline int Z(int i) { return gearPair.z[i]; }
inline Real Zr(int i) { return static_cast<Real>(gearPair.z[i]); }
// Sign of the tooth count: -1 for an internal gear, else 1.
inline Real Sz(int i) { return gearPair.z[i] < 0 ? -1.0L : 1.0L; }
// The mating gear of gear i.
inline int Other(int i) { return 3 - i; }
// "1" or "2" for the per-gear messages.
inline std::string GearText(int i) { return std::string(1, static_cast<char>('0' + i)); }

inline bool Fatal() { return fatalFlag; }
inline bool WarningsShown() { return !hideWarningsFlag; }
inline void Say(const std::string& text) { AddMessage(text); }
// A message that stops the calculation.
inline void SayFatal(const std::string& text) {
    AddMessage(text);
    fatalFlag = true;
}

}  // namespace veldrim::cyl
