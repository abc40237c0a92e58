// The starter tables written from their source lists.

#include "tables/datasets/starter_tables.h"

#include <fstream>

#include "foundation/files.h"
#include "foundation/formatting.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"

namespace veldrim {

namespace {

std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t p = 0;
    for (;;) {
        const auto q = line.find(',', p);
        cells.push_back(line.substr(p, q == std::string::npos ? q : q - p));
        if (q == std::string::npos) break;
        p = q + 1;
    }
    for (auto& c : cells)
        while (!c.empty() && (c.back() == '\r' || c.back() == ' ')) c.pop_back();
    return cells;
}

}  // namespace

const std::vector<StarterTable>& StarterTables() {
    static const std::vector<StarterTable> tables = {
        {"vovuzi.dbf",
         "worm-gear-materials.csv",
         {{"KIND", 'N', 2, 0, "material_kind"},
          {"TREAT", 'N', 2, 0, "heat_treatment"},
          {"NAME", 'C', 30, 0, "designation"},
          {"RHO", 'N', 6, 2, "rho_kg_dm3"},
          {"E", 'N', 7, 0, "E_N_mm2"},
          {"NUE", 'N', 5, 3, "nue"},
          {"SIGHLIM", 'N', 6, 1, "Sig_Hlim_N_mm2"},
          {"SIGMAFE", 'N', 6, 1, "Sigma_FE_N_mm2"},
          {"HB", 'N', 5, 0, "HB"}},
         {"E_N_mm2", "nue", "Sig_Hlim_N_mm2"}},
        {"lubri.dbf",
         "lubricants.csv",
         {{"NAME", 'C', 40, 0, "name"},
          {"KIND", 'N', 1, 0, "kind"},
          {"NU40", 'N', 7, 1, "nu40_mm2_s"},
          {"NU100", 'N', 7, 1, "nu100_mm2_s"},
          {"ISO_VG", 'N', 4, 0, "iso_vg"},
          {"RHO15", 'N', 6, 3, "rho15_kg_dm3"}},
         {"nu40_mm2_s", "nu100_mm2_s"}},
        {"printout.dbf",
         "printout.csv",
         {{"NAME", 'C', 25, 0, "name"},
          {"XSCALE", 'N', 8, 3, "xscale"},
          {"YSCALE", 'N', 8, 3, "yscale"},
          {"XORIGIN", 'N', 6, 0, "xorigin"},
          {"YORIGIN", 'N', 6, 0, "yorigin"},
          {"LANDSCAPE", 'L', 1, 0, "landscape"},
          {"MONOCHROM", 'L', 1, 0, "monochrom"},
          {"VARIABLE", 'L', 1, 0, "variable"},
          {"BORDERLINE", 'L', 1, 0, "borderline"}},
         {"name"}},
    };
    return tables;
}

bool WriteStarterTable(const StarterTable& table, const std::string& csvPath,
                       const std::string& dbfPath, std::string* reason) {
    std::ifstream in(csvPath, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        if (reason) *reason = "cannot read " + ShownFileName(csvPath);
        return false;
    }
    const std::vector<std::string> head = SplitCsv(line);
    auto columnOf = [&](const std::string& name) {
        for (std::size_t i = 0; i < head.size(); ++i)
            if (head[i] == name) return static_cast<int>(i);
        return -1;
    };
    std::vector<TFieldEntry> fields;
    std::vector<int> columns;
    for (const StarterField& f : table.fields) {
        TFieldEntry e;
        e.name = f.name;
        e.type = f.type;
        e.length = static_cast<uint16_t>(f.length);
        e.decimals = static_cast<uint8_t>(f.decimals);
        fields.push_back(e);
        columns.push_back(columnOf(f.column));
        if (columns.back() < 0) {
            if (reason) *reason = ShownFileName(csvPath) + " has no column " + f.column;
            return false;
        }
    }
    std::vector<int> required;
    for (const std::string& r : table.required) required.push_back(columnOf(r));

    QuietEngineErrors quiet;
    CreateDbf(dbfPath, fields);
    Select(0);
    // not a text: the engine opens the file by its name's bytes
    if (ErrorState.pendingErrorCode == 0) USE(dbfPath + " EXCLUSIVE");
    if (ErrorState.pendingErrorCode != 0) {
        if (reason) *reason = TakeErrorMessage();
        return false;
    }
    while (std::getline(in, line)) {
        const std::vector<std::string> cells = SplitCsv(line);
        if (line.empty() || cells.size() < head.size()) continue;
        bool complete = true;
        for (int r : required)
            complete = complete && r >= 0 && !cells[static_cast<std::size_t>(r)].empty();
        if (!complete) continue;
        ClearRecord();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const std::string& v = cells[static_cast<std::size_t>(columns[i])];
            const int n = static_cast<int>(i) + 1;
            switch (fields[i].type) {
                case 'C': SetBinaryText(n, v); break;
                case 'L': SetBinaryLogical(n, v == "T" || v == "t"); break;
                default: SetBinaryNumber(n, static_cast<double>(TextToFloat(v))); break;
            }
        }
        Append();
    }
    CloseArea();
    const bool ok = ErrorState.pendingErrorCode == 0;
    if (!ok && reason) *reason = TakeErrorMessage();
    return ok;
}

}  // namespace veldrim
