#pragma once
// A canvas that records every drawing call as one text line, for tests that
// compare the replay of a display list with the expected device geometry,
// and a fixture with a fresh drawing window.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {

// A zoom rectangle in a failed expectation: its four corners' numbers.
inline void PrintTo(const ZoomRectangle& z, std::ostream* os) {
    *os << "(" << z.x1 << ", " << z.y1 << ", " << z.x2 << ", " << z.y2 << ")";
}

}  // namespace veldrim

namespace veldrim::test {

class RecordingCanvas : public GraphicsCanvas {
public:
    static std::string P(DevicePoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
    void SetPenColor(uint32_t c) override { state.push_back("pen " + std::to_string(c)); }
    void SetBrushColor(uint32_t c) override { state.push_back("brush " + std::to_string(c)); }
    void SetFontColor(uint32_t c) override { state.push_back("font " + std::to_string(c)); }
    void SetPenStyle(int s) override { state.push_back("style " + std::to_string(s)); }
    void SetPenWidth(int w) override { state.push_back("width " + std::to_string(w)); }
    void Line(DevicePoint a, DevicePoint b) override { ops.push_back("line " + P(a) + " " + P(b)); }
    void Ellipse(DevicePoint a, DevicePoint b) override {
        ops.push_back("ellipse " + P(a) + " " + P(b));
    }
    void Arc(DevicePoint a, DevicePoint b, DevicePoint s, DevicePoint e) override {
        ops.push_back("arc " + P(a) + " " + P(b) + " " + P(s) + " " + P(e));
    }
    void Polygon(const std::array<DevicePoint, 4>& p, bool black) override {
        ops.push_back("polygon " + P(p[0]) + " " + P(p[1]) + " " + P(p[2]) + " " + P(p[3]) +
                      (black ? " black" : ""));
    }
    void Text(DevicePoint at, const std::string& text, const TextFont& f) override {
        ops.push_back("text " + P(at) + " h" + std::to_string(f.cellHeight) + " w" +
                      std::to_string(f.charWidth) + " e" + std::to_string(f.escapement) + " " +
                      text);
        fonts.push_back(f);
    }
    void Pause(int ms) override { ops.push_back("pause " + std::to_string(ms)); }
    bool AnimationStep() override { return ops.push_back("step"), false; }

    std::vector<std::string> ops;    // geometry, in drawing order
    std::vector<std::string> state;  // pen, brush, font and style changes
    std::vector<TextFont> fonts;
};

template <class UiKind = BatchUi>
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllProgramState();
        SetGraphicsWindow(&window);
    }
    void TearDown() override {
        SetGraphicsWindow(nullptr);
        ResetAllProgramState();
    }
    TFveldgra window;
    UiKind ui;
    ScopedUi scope{ui};
};

}  // namespace veldrim::test
