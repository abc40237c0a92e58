#pragma once
// The starter tables the program ships (materials, lubricants, print
// layouts), written by the engine from their source lists: a CSV file whose
// columns are mapped to the table's fields. A row is left out when a column
// the calculation needs is empty.

#include <string>
#include <vector>

namespace veldrim {

struct StarterField {
    const char* name;  // dbf field name
    char type;         // C N L
    int length;
    int decimals;
    const char* column;  // CSV column the value comes from
};

struct StarterTable {
    const char* table;   // "vovuzi.dbf"
    const char* source;  // "worm-gear-materials.csv"
    std::vector<StarterField> fields;
    std::vector<std::string> required;  // CSV columns a row must fill
};

// The three starter tables.
const std::vector<StarterTable>& StarterTables();

// Writes `table` at dbfPath from the CSV file at csvPath through the engine
// (in the current work area, which it leaves closed). False with a reason.
bool WriteStarterTable(const StarterTable& table, const std::string& csvPath,
                       const std::string& dbfPath, std::string* reason);

}  // namespace veldrim
