#include "foundation/form_boxes.h"

#include "foundation/text_file.h"

namespace veldrim {

std::optional<Real> NumberBoxValue(const std::string& now, const std::string& shown, Real filled) {
    return BoxValue(now, shown, std::optional<Real>(filled),
                    [](const std::string& text) -> std::optional<Real> {
                        Real x = 0;
                        if (!ParseRealLine(text, x)) return std::nullopt;
                        return x;
                    });
}

}  // namespace veldrim
