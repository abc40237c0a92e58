// The percentage bar gauge.
#include "graphics/diagrams/bar_gauge.h"

#include <algorithm>

#include "graphics/cad_primitives.h"

namespace veldrim {

namespace {

// A text of height h stands on its baseline y. The screen draws it 1.6
// times as high (the replay's text style), in a cell whose top is 0.75 of
// that above the baseline, and the letters' feet (descenders included)
// reach 0.45 of it below: the label fills y - 0.72 h .. y + 1.2 h. A
// segment holds a label with a margin of 0.15 h above and below; labels
// under the frame keep the same room apart.
constexpr Real kAboveBaseline = 1.2L, kBelowBaseline = 0.72L;
constexpr Real kSegmentPerTextHeight = 2.22L;
constexpr Real kLineSpacing = 2.22L;

}  // namespace

void BarGaugeInit(BarGauge& g, const std::string& label, Real x, Real y, Real textHeight,
                  Real width, Real height) {
    g = {x, y, x + width, y + height, y + height, textHeight, y - 1.7L * textHeight};
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
        // The letters' middle on the segment's middle.
        CadText(text, g.left + g.textHeight,
                g.level + s / 2 - (kAboveBaseline - kBelowBaseline) / 2 * h);
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
