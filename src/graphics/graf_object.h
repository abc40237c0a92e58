#pragma once
// The drawing interface: the narrow set of routines through which the rest of
// the program draws on screen (the CAD output run, the HP-GL reader, help
// pictures, the about boxes). Every routine forwards to the one graphics
// window, Window() (display_list.h), whatever object it is called for; state
// lives in the window module. The colour mapping of the exchange formats is in
// graf_colors.h, the plot-file check in graf_plot_file.h, the wait cursor in
// graf_cursor.h and the path of the current data file in data_file_path.h.

#include <cstdint>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// The drawing-interface object. Its constructor (GrafInit) starts an empty
// display list; one instance is kept by the main window.
class GrafObject {
public:
    GrafObject();  // GrafInit
    virtual ~GrafObject();
    GrafObject(const GrafObject&) = delete;
    GrafObject& operator=(const GrafObject&) = delete;
};

// Forwards to the graphics window.
void GrafClear();
void GrafSetWindow(uint8_t keepAspect, uint8_t inset, Real vx1, Real vy1, Real vx2, Real vy2,
                   Real wx1, Real wy1, Real wx2, Real wy2);
void GrafCircle(Real x, Real y, Real r);
void GrafLine(Real x1, Real y1, Real x2, Real y2);
void GrafArc(Real x, Real y, Real a1, Real a2, Real r, Real sweep);
// Converts the stored (code page 850) text for display before it is recorded.
void GrafOutText(Real x, Real y, std::string_view text);
void GrafSetColor(int n);
void GrafHeader(Real wx1, Real wy1, Real wx2, Real wy2);
void GrafClearViewPort();
void GrafSetLineStyle(int n);
void GrafSetLineWidth(int n);
void GrafSetTextStyle(int n, Real angle, Real height, Real width);
void GrafSolid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4);
void GrafPause(int milliseconds);
void GrafDrawLogo();

// Own routines.
void GrafMessage(std::string_view text);
void GrafEmptyCall(int n);

}  // namespace veldrim
