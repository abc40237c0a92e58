// The fields of a new table from DbfFields lines.

#include "tables/datasets/field_lines.h"

#include <algorithm>

#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/text_conv.h"
#include "tables/datasets/tz_dataset.h"
#include "tables/engine/engine_base.h"

namespace veldrim {

std::vector<TFieldEntry> FieldsFromLines(const std::vector<std::string>& lines, bool memoLess,
                                         const std::string& component, std::string* reason) {
    std::vector<TFieldEntry> out;
    if (lines.empty()) {
        if (reason) *reason = "FieldList.Count ist <= 0 beim Versuch, eine Datenbank zu erzeugen";
        return out;
    }
    for (const std::string& line : lines) {
        std::vector<std::string> items;
        std::size_t p = 0;
        for (;;) {
            const auto q = line.find(',', p);
            items.push_back(TrimBoth(line.substr(p, q == std::string::npos ? q : q - p)));
            if (q == std::string::npos) break;
            p = q + 1;
        }
        if (items.size() != 4 || items[1].empty()) {
            if (reason) *reason = std::string("Ungültige Feldbeschreibung: "_cp850) + line;
            out.clear();
            return out;
        }
        TFieldEntry f;
        f.name = items[0].substr(0, 10);
        f.type = items[1][0];
        if (f.type == 'X' || f.type == 'x') continue;
        f.length = static_cast<uint16_t>(std::max(0, TextToInt(items[2])));
        f.decimals = static_cast<uint8_t>(std::clamp(TextToInt(items[3]), 0, 255));
        if (memoLess && (f.type == 'M' || f.type == 'm')) {
            f.type = 'N';
            f.length = 10;
            f.decimals = 0;
        }
        std::string msg;
        if (CheckFieldDefinition(f, component, &msg) && EngineShowsMessageBoxes())
            EngineMessageBox(msg, "", 0);
        out.push_back(f);
    }
    return out;
}

}  // namespace veldrim
