#pragma once
// The Niemann excerpt: a one-part summary of the current worm gear set (main
// geometry, operating data, forces, efficiency, Niemann safeties and the wear
// safety after DIN 3996:2012) as one list of rows.

#include <string>

namespace veldrim {

// The page title: product name, version, "Schneckengetriebe n. Niemann  (Auszug)".
std::string NiemannExcerptTitle();

// Writes the excerpt through the report channel, as PrintResultReport does.
void PrintNiemannExcerpt();

}  // namespace veldrim
