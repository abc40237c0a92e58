// The percentage bar gauge.
#include "graphics/diagrams/bar_gauge.h"

#include <algorithm>

#include "graphics/cad_primitives.h"

namespace veldrim {

namespace {

// A text of height h stands on its baseline y and fills y - 0.25 h .. y +
// 0.75 h (the cell the screen and the files give it). A segment holds a
// label with a fifth of its height free above and below.
constexpr Real kCellBelowBaseline = 0.25L, kSegmentPerTextHeight = 1.4L;
constexpr Real kLineSpacing = 1.3L;

}  // namespace

void BarGaugeInit(BarGauge& g, const std::string& label, Real x, Real y, Real textHeight,
                  Real width, Real height) {
    g = {x, y, x + width, y + height, y + height, textHeight,
         y - (1 - kCellBelowBaseline + kLineSpacing / 2) * textHeight};
    CadRectangle(x, y, x + width, y + height);
    CadSetTextStyle(2, 0, textHeight, 0.75L * textHeight);
    CadText(label, x, g.top + 1.2L * textHeight);
}

void BarGaugeDraw(BarGauge& g, const std::string& text, Real percent) {
    const Real s = percent / 100 * (g.top - g.bottom);
    g.level -= s;
    if (!(percent > 0.01L)) return;
    CadLine(g.left, g.level, g.right, g.level);
    const Real h = std::min(g.textHeight, s / kSegmentPerTextHeight);
    if (h >= 0.5L * g.textHeight) {
        CadSetTextStyle(2, 0, h, 0.8L * h);
        // The cell's middle on the segment's middle.
        CadText(text, g.left + g.textHeight, g.level + s / 2 - (0.5L - kCellBelowBaseline) * h);
        return;
    }
    BarGaugeNote(g, text);
}

void BarGaugeNote(BarGauge& g, const std::string& text) {
    CadSetTextStyle(2, 0, g.textHeight, 0.8L * g.textHeight);
    CadText(text, g.left, g.below);
    g.below -= kLineSpacing * g.textHeight;
}

}  // namespace veldrim
