// The percentage bar gauge.
#include "graphics/diagrams/bar_gauge.h"

#include <algorithm>

#include "graphics/cad_primitives.h"

namespace veldrim {

void BarGaugeInit(BarGauge& g, const std::string& label, Real x, Real y, Real textHeight,
                  Real width, Real height) {
    g = {x, y, x + width, y + height, y + height, textHeight};
    CadRectangle(x, y, x + width, y + height);
    CadSetTextStyle(2, 0, textHeight, 0.75L * textHeight);
    CadText(label, x, g.top + 1.2L * textHeight);
}

void BarGaugeDraw(BarGauge& g, const std::string& text, Real percent) {
    const Real s = percent / 100 * (g.top - g.bottom);
    g.level -= s;
    if (!(percent > 0.01L)) return;
    const Real h = std::max(0.5L, std::min(g.textHeight, 0.9L * s));
    CadSetTextStyle(2, 0, h, 0.8L * h);
    CadLine(g.left, g.level, g.right, g.level);
    CadText(text, g.left + g.textHeight, g.level + s / 2 - h / 2);
}

}  // namespace veldrim
