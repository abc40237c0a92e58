// Zoom, pan and keys of the graphics window: the dragged rectangle, the mouse
// wheel and the key table. Every action changes only the zoom rectangle.
#include "graphics/zoom_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {

namespace {

struct ZoomKeyDefaults {
    uint8_t LastKeyChar = 0;
    uint8_t LastKeyScan = 0;
};
constexpr ZoomKeyDefaults kDefaults{};

}  // namespace

uint8_t LastKeyChar = kDefaults.LastKeyChar;
uint8_t LastKeyScan = kDefaults.LastKeyScan;

namespace {

// The shape the wheel keeps: the zoom rectangle the wheel last set, which of
// its spans is the longer one, and the ratio of the shorter span to the
// longer one as it stood when the wheel began on that view. Rounding each
// span to whole units on its own at every step would take a unit off each
// axis alike and flatten the view; the shorter span follows the longer one
// through the kept ratio instead. A rectangle set otherwise (a drag, a key,
// a reset) starts a new shape.
struct WheelShape {
    ZoomRectangle rect;
    bool tall = false;      // the height is the longer span
    long double ratio = 1;  // shorter span / longer span
    bool valid = false;
};
WheelShape wheelShape;

}  // namespace

void ResetZoomKeys() {
    LastKeyChar = kDefaults.LastKeyChar;
    LastKeyScan = kDefaults.LastKeyScan;
    wheelShape = WheelShape{};
}

namespace {

// R(v) of the zoom steps, in 64 bits so the limits can be checked first.
int64_t R64(long double v) {
    if (!std::isfinite(v)) return v > 0 ? kMaxZoomCoordinate * 4 : -kMaxZoomCoordinate * 4;
    long double r = std::nearbyint(v);
    if (r > 4.0L * kMaxZoomCoordinate) return kMaxZoomCoordinate * 4;
    if (r < -4.0L * kMaxZoomCoordinate) return -kMaxZoomCoordinate * 4;
    return static_cast<int64_t>(r);
}

bool WithinLimits(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    for (int64_t v : {x1, y1, x2, y2})
        if (v > kMaxZoomCoordinate || v < -kMaxZoomCoordinate) return false;
    return true;
}

// The zoom rectangle (cx +- hx, cy +- hy), when the halves lie within the limits.
void ZoomAbout(TFveldgra& w, int64_t cx, int64_t cy, int64_t hx, int64_t hy) {
    if (hx < kMinZoomHalfSpan || hy < kMinZoomHalfSpan) return;
    if (hx > kMaxZoomHalfSpan || hy > kMaxZoomHalfSpan) return;
    if (!WithinLimits(cx - hx, cy - hy, cx + hx, cy + hy)) return;
    w.SetScale(static_cast<int32_t>(cx - hx), static_cast<int32_t>(cy - hy),
               static_cast<int32_t>(cx + hx), static_cast<int32_t>(cy + hy));
}

void Shift(TFveldgra& w, int64_t dx, int64_t dy) {
    const ZoomRectangle z = ZoomRect;
    int64_t x1 = z.x1 + dx, y1 = z.y1 + dy, x2 = z.x2 + dx, y2 = z.y2 + dy;
    if (!WithinLimits(x1, y1, x2, y2)) return;
    w.SetScale(static_cast<int32_t>(x1), static_cast<int32_t>(y1), static_cast<int32_t>(x2),
               static_cast<int32_t>(y2));
}

// c div 2, truncating toward zero.
int64_t Half(int64_t c) { return c / 2; }

// The half span of a zoom out from a span: R(span x factor) div 2, but at
// least one unit more than the half span now, so that a narrow view (2, 4 or
// 6 units, where R(span x 1.2) div 2 x 2 gives the span back) still widens.
int64_t WiderHalf(int64_t span, long double factor) {
    return std::max(Half(R64(span * factor)), Half(span) + 1);
}

// The half span of a zoom in from a span: R(span / factor) div 2, but, where
// a whole step (the zoom factor) still narrows the span, at least one unit
// narrower than the span now, so that a fine step (1.025, where R(span /
// 1.025) gives spans below 20 back) goes on as far as a whole step goes.
int64_t NarrowerHalf(int64_t span, long double factor) {
    const int64_t half = Half(R64(span / factor));
    if (2 * Half(R64(span / ZoomFactor)) >= span) return half;
    return std::min(half, Half(span - 1));
}

// The zoom factor of a wheel turn of s steps: a whole step and more zoom by
// the factor times the steps; part of a step (the fine steps of touchpads and
// smooth wheels) zooms by that part of the way from 1 to the factor, so it
// zooms a little in the direction of a whole step.
long double WheelFactor(long double steps) {
    if (steps >= 1) return ZoomFactor * steps;
    return 1 + (ZoomFactor - 1) * steps;
}

// Performs the stored key action once; false when none is stored.
bool PerformKeyAction(TFveldgra& w) {
    const ZoomRectangle z = ZoomRect;
    const int64_t width = int64_t{z.x2} - z.x1, height = int64_t{z.y2} - z.y1;
    const int64_t cx = Half(int64_t{z.x1} + z.x2), cy = Half(int64_t{z.y1} + z.y2);
    const long double pan = PanFactor;
    switch (LastKeyScan) {
        case kScanRight: Shift(w, -R64(width * pan), 0); return true;
        case kScanLeft: Shift(w, R64(width * pan), 0); return true;
        case kScanUp: Shift(w, 0, -R64(height * pan)); return true;
        case kScanDown: Shift(w, 0, R64(height * pan)); return true;
        case kScanPageUp: Shift(w, 0, -R64(height * pan * 5)); return true;
        case kScanPageDown: Shift(w, 0, R64(height * pan * 5)); return true;
        case kScanReset: w.ResetZoom(); return true;
        case kScanZoom:
            if (ZoomFactor <= 0) return true;
            if (LastKeyChar == '+')
                ZoomAbout(w, cx, cy, Half(R64(width / ZoomFactor)), Half(R64(height / ZoomFactor)));
            else if (LastKeyChar == '-' && ZoomFactor > 1)
                ZoomAbout(w, cx, cy, WiderHalf(width, ZoomFactor), WiderHalf(height, ZoomFactor));
            else if (LastKeyChar == '-')
                ZoomAbout(w, cx, cy, Half(R64(width * ZoomFactor)), Half(R64(height * ZoomFactor)));
            return true;
        default: return false;
    }
}

}  // namespace

void TFveldgra::processKey(uint16_t key) {
    bool inTable = true;
    switch (key) {
        case kVkRight: LastKeyChar = 0, LastKeyScan = kScanRight; break;
        case kVkLeft: LastKeyChar = 0, LastKeyScan = kScanLeft; break;
        case kVkUp: LastKeyChar = 0, LastKeyScan = kScanUp; break;
        case kVkDown: LastKeyChar = 0, LastKeyScan = kScanDown; break;
        case kVkPageUp: LastKeyChar = 0, LastKeyScan = kScanPageUp; break;
        case kVkPageDown: LastKeyChar = 0, LastKeyScan = kScanPageDown; break;
        case kVkAdd: LastKeyChar = '+', LastKeyScan = kScanZoom; break;
        case kVkSubtract: LastKeyChar = '-', LastKeyScan = kScanZoom; break;
        case kVkEscape:
        case kVkF5:
            LastKeyChar = 0, LastKeyScan = kScanReset;
            ResetZoom();
            break;
        default: inTable = false; break;
    }
    // Any key repeats the stored action (Shift after the right arrow pans
    // right once more); the view is repainted after the change.
    if (PerformKeyAction(*this) || inTable) Repaint();
}

void TFveldgra::FormMouseDown(MouseButton button, int32_t x, int32_t y) {
    if (button == MouseButton::Right) {
        ResetZoom();
        ClearViewPort();
    } else if (button == MouseButton::Left && DoubleClicked) {
        RestoreLimit();
        ResetZoom();
        // The saved limits are a drawing's sheet: it keeps equal scales in x
        // and y, which the reset of the window would switch off, and it is
        // shown whole through its own inset viewport. The reset window's zoom
        // covers the whole device, which would show the sheet two pixels
        // smaller than when it was drawn: the sheet's whole zoom stays.
        const uint8_t keepAspect = KeepAspect;
        const ZoomRectangle whole = ZoomRect;
        ReSetWindow();
        KeepAspect = keepAspect;
        SetScale(whole.x1, whole.y1, whole.x2, whole.y2);
        ClearViewPort();
        DoubleClicked = 0;
        return;
    } else if (button == MouseButton::Left && !Dragging) {
        Dragging = 1;
        if (canvas) canvas->SetPenWidth(1);
        bandStartX = bandEndX = x;
        bandStartY = bandEndY = y;
    }
    DoubleClicked = 0;
}

void TFveldgra::FormDblClick() { DoubleClicked = 1; }

void TFveldgra::FormMouseMove(int32_t x, int32_t y) {
    if (!Dragging) return;
    if (canvas) canvas->SetInvertMode(true);
    DrawRectangle(bandStartX, bandStartY, bandEndX, bandEndY);
    bandEndX = x;
    bandEndY = y;
    DrawRectangle(bandStartX, bandStartY, bandEndX, bandEndY);
    if (canvas) canvas->SetInvertMode(false);
}

void TFveldgra::FormMouseUp(MouseButton, int32_t x, int32_t y) {
    if (!Dragging) return;
    bandEndX = x;
    bandEndY = y;
    Dragging = 0;
    if (bandStartX == bandEndX || bandStartY == bandEndY) return;
    SetWaitCursor();
    // The band is in device pixels of the picture as the user sees it: the
    // one last replayed, drawn through the window of its drawing records (a
    // double click leaves window records after them that draw nothing). Turn
    // its corners back into world coordinates through that mapping (scales
    // after the aspect correction included), then into the zoom rectangle's
    // units of its viewport.
    WindowMapping m = CurrentMapping();
    PictureMapping(m);
    const WorldRect& w = m.world;
    const IntRect& vp = m.viewport;
    const long double vw = static_cast<long double>(vp.right) - vp.left;
    const long double vh = static_cast<long double>(vp.bottom) - vp.top;
    if (m.scaleX == 0 || m.scaleY == 0 || w.xmax == w.xmin || w.ymax == w.ymin) return;
    auto worldX = [&](int32_t px) { return m.visible.xmin + (px - vp.left) / m.scaleX; };
    auto worldY = [&](int32_t py) { return m.visible.ymin + (vp.bottom - py) / m.scaleY; };
    auto unitX = [&](long double wx) { return vp.left + (wx - w.xmin) / (w.xmax - w.xmin) * vw; };
    auto unitY = [&](long double wy) { return vp.top + (wy - w.ymin) / (w.ymax - w.ymin) * vh; };
    const int64_t nx1 = R64(unitX(worldX(std::min(bandStartX, bandEndX))));
    const int64_t nx2 = R64(unitX(worldX(std::max(bandStartX, bandEndX))));
    const int64_t ny1 = R64(unitY(worldY(std::max(bandStartY, bandEndY))));
    const int64_t ny2 = R64(unitY(worldY(std::min(bandStartY, bandEndY))));
    if (WithinLimits(nx1, ny1, nx2, ny2) && nx2 - nx1 <= 2 * kMaxZoomHalfSpan &&
        ny2 - ny1 <= 2 * kMaxZoomHalfSpan)
        SetScale(static_cast<int32_t>(nx1), static_cast<int32_t>(ny1), static_cast<int32_t>(nx2),
                 static_cast<int32_t>(ny2));
    ClearViewPort();
}

void TFveldgra::FormMouseWheel(int32_t delta) {
    if (!WheelZoomSwitch) return;
    long double s = std::abs(static_cast<long double>(delta)) / 120;
    if (s == 0) s = 1;
    const ZoomRectangle z = ZoomRect;
    const int64_t width = int64_t{z.x2} - z.x1, height = int64_t{z.y2} - z.y1;
    const int64_t cx = Half(int64_t{z.x1} + z.x2), cy = Half(int64_t{z.y1} + z.y2);
    if (!wheelShape.valid || !(wheelShape.rect == z)) {
        const bool tall = height > width;
        const int64_t longer = tall ? height : width, shorter = tall ? width : height;
        wheelShape = {z, tall, longer > 0 ? static_cast<long double>(shorter) / longer : 1, true};
    }
    // The longer span takes the step; the shorter one keeps the view's shape.
    const int64_t span = wheelShape.tall ? height : width;
    const long double f = WheelFactor(s);
    int64_t half = 0;
    if (delta > 0 && f > 1)
        half = WiderHalf(span, f);
    else if (delta > 0)
        half = Half(R64(span * f));
    else if (delta < 0 && f > 1)
        half = NarrowerHalf(span, f);
    else if (delta < 0 && f > 0)
        half = Half(R64(span / f));
    if (half > 0) {
        const int64_t other = std::max(kMinZoomHalfSpan, R64(half * wheelShape.ratio));
        if (wheelShape.tall)
            ZoomAbout(*this, cx, cy, other, half);
        else
            ZoomAbout(*this, cx, cy, half, other);
        wheelShape.rect = ZoomRect;
    }
    ClearViewPort();
}

void TFveldgra::DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!canvas) return;
    canvas->Line({x1, y1}, {x2, y1});
    canvas->Line({x2, y1}, {x2, y2});
    canvas->Line({x2, y2}, {x1, y2});
    canvas->Line({x1, y2}, {x1, y1});
}

void TFveldgra::Regen() {
    RestoreLimit();
    SetWindow(1, 1, 0, 0, 1, 1, 0, 0, 1, 1);
    ResetZoom();
    SetScale(ZoomRect.x1, ZoomRect.y1, ZoomRect.x2, ZoomRect.y2);
    ClearViewPort();
}

}  // namespace veldrim
