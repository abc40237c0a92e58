#pragma once
// Print layouts kept in the table "printout.dbf" (fields NAME, XSCALE,
// YSCALE, XORIGIN, YORIGIN, LANDSCAPE, MONOCHROM, VARIABLE, BORDERLINE):
// the printer-layout form loads one by picking it in the table editor and
// saves the current one as a new record under a name the user gives.

#include <cstdint>
#include <string>

namespace veldrim {

struct PrintLayout {
    std::string name;  // at most 25 characters
    double xscale = 1;
    double yscale = 1;
    int32_t xorigin = 0;
    int32_t yorigin = 0;
    bool landscape = true;
    bool monochrom = false;
    bool variable = false;
    bool borderline = false;
};

// Picks a layout (table editor, pick mode); false when cancelled.
bool LoadPrintLayout(PrintLayout& layout);
// Asks for a name ("Name", at most 25 characters) and appends the layout as
// a new record; the other records stay as they are. False when cancelled or
// when the record could not be appended.
bool SavePrintLayout(const PrintLayout& layout);

}  // namespace veldrim
