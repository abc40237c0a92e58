// The drawing interface: forwards to the one graphics window.
#include "graphics/graf_object.h"

#include "foundation/text_conv.h"
#include "foundation/ui_services.h"
#include "graphics/display_list.h"

namespace veldrim {

GrafObject::GrafObject() { DisplayList.clear(); }
GrafObject::~GrafObject() { DisplayList.clear(); }

void GrafClear() { Window().Clear(); }
void GrafSetWindow(uint8_t keepAspect, uint8_t inset, Real vx1, Real vy1, Real vx2, Real vy2,
                   Real wx1, Real wy1, Real wx2, Real wy2) {
    Window().SetWindow(keepAspect, inset, vx1, vy1, vx2, vy2, wx1, wy1, wx2, wy2);
}
void GrafCircle(Real x, Real y, Real r) { Window().circle(x, y, r); }
void GrafLine(Real x1, Real y1, Real x2, Real y2) { Window().line(x1, y1, x2, y2); }
void GrafArc(Real x, Real y, Real a1, Real a2, Real r, Real sweep) {
    Window().Arc(x, y, a1, a2, r, sweep);
}
void GrafOutText(Real x, Real y, std::string_view text) {
    Window().OutTextXY(x, y, DisplayText(text));
}
void GrafSetColor(int n) { Window().SetColor(n); }
void GrafHeader(Real wx1, Real wy1, Real wx2, Real wy2) { Window().Header(wx1, wy1, wx2, wy2); }
void GrafClearViewPort() { Window().ClearViewPort(); }
void GrafSetLineStyle(int n) { Window().SetLineStyle(n); }
void GrafSetLineWidth(int n) { Window().SetLineWidth(n); }
void GrafSetTextStyle(int n, Real angle, Real height, Real width) {
    Window().SetTextStyle(n, angle, height, width);
}
void GrafSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) {
    Window().Solid(x1, y1, x2, y2, x3, y3, x4, y4);
}
void GrafPause(int milliseconds) { Window().SleepMs(milliseconds); }
void GrafDrawLogo() { Window().DrawVeldrimLogo(); }

void GrafMessage(std::string_view text) {
    Ui().ShowMessage("", std::string(text), MessageKind::Information);
}

void GrafEmptyCall(int) {}

}  // namespace veldrim
