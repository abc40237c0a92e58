// The lines of a file dataset's IndexList.

#include "tables/datasets/index_item.h"

#include "foundation/formatting.h"
#include "foundation/text_conv.h"

namespace veldrim {

bool ParseIndexItem(const std::string& line, TIndexItem& item) {
    item = TIndexItem{};
    const auto c1 = line.find(',');
    const std::string num = TrimBoth(line.substr(0, c1));
    if (!num.empty()) {
        for (char c : num)
            if (c < '0' || c > '9') return false;
        item.number = TextToInt(num);
    }
    if (c1 == std::string::npos) return true;
    const auto c2 = line.find(',', c1 + 1);
    if (num.empty() && c1 == 0) {
        // A line that begins with "," holds only the expression.
        item.expression = line.substr(1, 100);
        return true;
    }
    item.fileName = TrimBoth(line.substr(c1 + 1, c2 == std::string::npos ? c2 : c2 - c1 - 1));
    if (c2 != std::string::npos) item.expression = line.substr(c2 + 1, 100);
    return true;
}

}  // namespace veldrim
