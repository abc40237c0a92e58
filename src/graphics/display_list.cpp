// The graphics window: display-list records, world-to-device mapping and the
// replay onto a canvas. See display_list.h for the record table.
#include "graphics/display_list.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {

namespace {

constexpr uint16_t kDefaultDeviceWidth = 640;
constexpr uint16_t kDefaultDeviceHeight = 480;

struct GraphicsWindowDefaults {
    uint16_t DeviceWidth = kDefaultDeviceWidth;
    uint16_t DeviceHeight = kDefaultDeviceHeight;
    IntRect Viewport = {0, 0, 1, 1};
    IntRect SavedViewport = {0, 0, 1, 1};
    WorldRect WorldWindow = {0, 0, 1, 1};
    WorldRect SavedLimits = {0, 0, 1, 1};
    ZoomRectangle ZoomRect = {0, 0, 640, 480};
    WorldRect VisibleWindow = {0, 0, 1, 1};
    Real ScaleX = 1.0L;
    Real ScaleY = 1.0L;
    uint8_t KeepAspect = 1;
    Real HeaderAspectFactor = 1.0L;
    Real ZoomFactor = 1.2L;
    Real PanFactor = 0.1L;
    uint8_t PrintingFlag = 0;
};
constexpr GraphicsWindowDefaults kDefaults{};

}  // namespace

uint16_t DeviceWidth = kDefaults.DeviceWidth;
uint16_t DeviceHeight = kDefaults.DeviceHeight;
IntRect Viewport = kDefaults.Viewport;
IntRect SavedViewport = kDefaults.SavedViewport;
WorldRect WorldWindow = kDefaults.WorldWindow;
WorldRect SavedLimits = kDefaults.SavedLimits;
ZoomRectangle ZoomRect = kDefaults.ZoomRect;
WorldRect VisibleWindow = kDefaults.VisibleWindow;
Real ScaleX = kDefaults.ScaleX;
Real ScaleY = kDefaults.ScaleY;
uint8_t KeepAspect = kDefaults.KeepAspect;
Real HeaderAspectFactor = kDefaults.HeaderAspectFactor;
Real ZoomFactor = kDefaults.ZoomFactor;
Real PanFactor = kDefaults.PanFactor;
uint8_t PrintingFlag = kDefaults.PrintingFlag;
std::vector<std::string> DisplayList;
TFveldgra* GraphicsWindow = nullptr;

namespace {

constexpr uint16_t kNoLineStyle = 99;
constexpr Real kPi = 3.141592653589793238462643383279502884L;

TFveldgra& DefaultWindow() {
    static TFveldgra window;
    return window;
}

// Cosine and sine of an angle in degrees, exact at the quarter turns, so an
// arc from 0 to 90 degrees ends exactly on the axis.
Real CosDeg(Real a) {
    Real m = std::fmod(a, 360.0L);
    if (m < 0) m += 360;
    if (m == 0) return 1;
    if (m == 90 || m == 270) return 0;
    if (m == 180) return -1;
    return std::cos(m * kPi / 180);
}
Real SinDeg(Real a) { return CosDeg(a - 90); }

std::string IntText(long long n) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, r.ptr);
}

}  // namespace

uint32_t DisplayListClears = 0;

namespace {

// The replays running now (a replay lets window events run, which may paint
// again), and how many of the first records a Clear during them left to
// empty once the outermost replay ends.
int replayDepth = 0;
bool clearPending = false;
size_t clearedDuringReplay = 0;
// The holds that keep the replays from letting events run.
int eventHolds = 0;

}  // namespace

ReplayEventHold::ReplayEventHold() { ++eventHolds; }
ReplayEventHold::~ReplayEventHold() { --eventHolds; }

void ResetGraphicsWindow() {
    DeviceWidth = kDefaults.DeviceWidth;
    DeviceHeight = kDefaults.DeviceHeight;
    Viewport = kDefaults.Viewport;
    SavedViewport = kDefaults.SavedViewport;
    WorldWindow = kDefaults.WorldWindow;
    SavedLimits = kDefaults.SavedLimits;
    ZoomRect = kDefaults.ZoomRect;
    VisibleWindow = kDefaults.VisibleWindow;
    ScaleX = kDefaults.ScaleX;
    ScaleY = kDefaults.ScaleY;
    KeepAspect = kDefaults.KeepAspect;
    HeaderAspectFactor = kDefaults.HeaderAspectFactor;
    ZoomFactor = kDefaults.ZoomFactor;
    PanFactor = kDefaults.PanFactor;
    PrintingFlag = kDefaults.PrintingFlag;
    DisplayList.clear();
    ResetZoomKeys();
}

void SetDeviceResolution(int width, int height) {
    DeviceWidth =
        (width > 0 && width <= 65535) ? static_cast<uint16_t>(width) : kDefaultDeviceWidth;
    DeviceHeight =
        (height > 0 && height <= 65535) ? static_cast<uint16_t>(height) : kDefaultDeviceHeight;
}

TFveldgra& Window() { return GraphicsWindow ? *GraphicsWindow : DefaultWindow(); }

void SetGraphicsWindow(TFveldgra* window) { GraphicsWindow = window; }

// ---- Numbers --------------------------------------------------------------------

std::string FormatDisplayReal(Real v) {
    if (v == 0) return "0";
    if (!std::isfinite(v)) return std::isnan(v) ? "NAN" : (v > 0 ? "INF" : "-INF");
    // Eight significant digits: "-d.dddddddE+xx". A double carries 15 of
    // them, and its conversion is several times faster than that of the
    // extended type.
    char buf[64];
    const double d = static_cast<double>(v);
    if (!std::isfinite(d)) return v > 0 ? "INF" : "-INF";
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, 7);
    std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
    bool negative = s.front() == '-';
    if (negative) s.remove_prefix(1);
    size_t ePos = s.find('e');
    std::string digits;
    for (char c : s.substr(0, ePos))
        if (c != '.') digits += c;
    int exponent = 0;
    std::string_view es = s.substr(ePos + 1);
    if (!es.empty() && es.front() == '+') es.remove_prefix(1);
    std::from_chars(es.data(), es.data() + es.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= -5 && exponent <= 7) {
        if (exponent >= 0) {
            size_t intDigits = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits + std::string(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
            }
        } else {
            out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E";
    if (exponent < 0) out += "-";
    int mag = exponent < 0 ? -exponent : exponent;
    if (mag < 10) out += "0";
    out += IntText(mag);
    return out;
}

bool ParseDisplayReal(std::string_view s, Real& v) {
    if (s.empty() || s.size() > 64) return false;
    char buf[65];
    size_t n = 0;
    for (char c : s) buf[n++] = (c == ',') ? '.' : c;
    const char* first = buf;
    if (*first == '+') return false;
    // The records carry 8 significant digits: a double reads them exactly
    // enough, and much faster than the extended type.
    double value = 0;
    auto r = std::from_chars(first, buf + n, value);
    if (r.ec != std::errc() || r.ptr != buf + n || !std::isfinite(value)) return false;
    v = value;
    return true;
}

int32_t RoundToInt32(Real v) {
    if (std::isnan(v)) return 0;
    Real r = std::nearbyint(v);
    if (r >= static_cast<Real>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= static_cast<Real>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

// ---- Mapping ---------------------------------------------------------------------

int32_t MapX(Real x) {
    return RoundToInt32(Viewport.left + std::nearbyint((x - VisibleWindow.xmin) * ScaleX));
}
int32_t MapY(Real y) {
    return RoundToInt32(Viewport.bottom - std::nearbyint((y - VisibleWindow.ymin) * ScaleY));
}
int32_t MapLengthX(Real l) { return RoundToInt32(ScaleX * l); }
int32_t MapLengthY(Real l) { return RoundToInt32(ScaleY * l); }

int32_t PrintMapX(const PrinterTarget& p, Real x) {
    Real pw = p.pageWidth;
    return RoundToInt32(std::nearbyint(pw * p.leftMarginMm / 210) +
                        std::nearbyint(pw * (ScaleX * (x - VisibleWindow.xmin) + Viewport.left) *
                                       p.scaleX / DeviceWidth));
}
int32_t PrintMapY(const PrinterTarget& p, Real y) {
    Real pw = p.pageWidth, ph = p.pageHeight;
    return RoundToInt32(std::nearbyint(pw * p.topMarginMm / 210) +
                        std::nearbyint(ph * (Viewport.bottom - ScaleY * (y - VisibleWindow.ymin)) *
                                       p.scaleY / DeviceHeight));
}
int32_t PrintMapLengthX(const PrinterTarget& p, Real l) {
    return RoundToInt32(static_cast<Real>(p.pageWidth) * ScaleX * l * p.scaleX / DeviceWidth);
}
int32_t PrintMapLengthY(const PrinterTarget& p, Real l) {
    return RoundToInt32(static_cast<Real>(p.pageHeight) * ScaleY * l * p.scaleY / DeviceHeight);
}

// ---- Window and scale ------------------------------------------------------------

TFveldgra::TFveldgra() = default;

void TFveldgra::SetWindow(uint8_t keepAspect, uint8_t inset, Real vx1, Real vy1, Real vx2, Real vy2,
                          Real wx1, Real wy1, Real wx2, Real wy2) {
    // A window without width or height cannot be mapped: refuse it before it
    // reaches the list, so a replay never meets it.
    if (wx1 == wx2 || wy1 == wy2 || !std::isfinite(wx1) || !std::isfinite(wx2) ||
        !std::isfinite(wy1) || !std::isfinite(wy2)) {
        cancelFlag = true;
        return;
    }
    IntRect vp;
    vp.left = RoundToInt32(DeviceWidth * vx1);
    vp.right = RoundToInt32(DeviceWidth * vx2);
    vp.top = RoundToInt32(DeviceHeight * (1 - vy2));
    vp.bottom = RoundToInt32(DeviceHeight * (1 - vy1));
    if (inset) {
        vp.left += 1;
        vp.right -= 1;
        vp.top += 1;
        vp.bottom -= 1;
    }
    Append("10;" + IntText(vp.left) + ";" + IntText(vp.top) + ";" + IntText(vp.right) + ";" +
           IntText(vp.bottom) + ";" + FormatDisplayReal(wx1) + ";" + FormatDisplayReal(wy1) + ";" +
           FormatDisplayReal(wx2) + ";" + FormatDisplayReal(wy2));
    Viewport = vp;
    WorldWindow = {wx1, wy1, wx2, wy2};
    KeepAspect = keepAspect;
    SetScale(vp.left, vp.top, vp.right, vp.bottom);
}

void TFveldgra::SetScale(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (x1 == x2 || y1 == y2) return;
    if (Viewport.right == Viewport.left || Viewport.bottom == Viewport.top) return;
    if (WorldWindow.xmax == WorldWindow.xmin || WorldWindow.ymax == WorldWindow.ymin) return;
    if (DeviceWidth == 0) DeviceWidth = kDefaultDeviceWidth;
    if (DeviceHeight == 0) DeviceHeight = kDefaultDeviceHeight;
    const Real w = WorldWindow.xmax - WorldWindow.xmin;
    const Real h = WorldWindow.ymax - WorldWindow.ymin;
    const Real vw = static_cast<Real>(Viewport.right) - Viewport.left;
    const Real vh = static_cast<Real>(Viewport.bottom) - Viewport.top;
    WorldRect v;
    v.xmin = WorldWindow.xmin + (x1 - Viewport.left) / vw * w;
    v.xmax = WorldWindow.xmin + (x2 - Viewport.left) / vw * w;
    v.ymin = WorldWindow.ymin + (y1 - Viewport.top) / vh * h;
    v.ymax = WorldWindow.ymin + (y2 - Viewport.top) / vh * h;
    ZoomRect = {x1, y1, x2, y2};
    VisibleWindow = v;
    ScaleX = vw / (v.xmax - v.xmin);
    ScaleY = vh / (v.ymax - v.ymin);
    // Screen pixels are square: equal scales keep circles round. The picture
    // stays anchored at the bottom-left corner and the whole window fits.
    if (KeepAspect) {
        if (ScaleX >= ScaleY)
            ScaleX = ScaleY;
        else
            ScaleY = ScaleX;
    }
}

void TFveldgra::SaveLimit() { SavedLimits = WorldWindow; }

void TFveldgra::RestoreLimit() {
    SetWindow(1, 1, 0, 0, 1, 1, SavedLimits.xmin, SavedLimits.ymin, SavedLimits.xmax,
              SavedLimits.ymax);
}

void TFveldgra::Header(Real wx1, Real wy1, Real wx2, Real wy2) {
    const Real w = WorldWindow.xmax - WorldWindow.xmin;
    const Real h = WorldWindow.ymax - WorldWindow.ymin;
    if (w != 0 && h != 0) HeaderAspectFactor = (640.0L / w) / (480.0L / h);
    SetWindow(1, 1, 0, 0, 1, 1, wx1, wy1, wx2, wy2);
    SetLineStyle(0);
    SaveLimit();
}

void TFveldgra::ReSetWindow() {
    SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 1, 1);
    ResetZoom();
}

void TFveldgra::ResetZoom() {
    SetScale(Viewport.left, Viewport.top, Viewport.right, Viewport.bottom);
}

void TFveldgra::SaveViewPort() { SavedViewport = Viewport; }

void TFveldgra::RetrieveViewPort() { Viewport = SavedViewport; }

Real TFveldgra::EinX(Real f) const { return (WorldWindow.xmax - WorldWindow.xmin) * f; }
Real TFveldgra::EinY(Real f) const { return (WorldWindow.ymax - WorldWindow.ymin) * f; }

// ---- Record writers --------------------------------------------------------------

void TFveldgra::Append(std::string record) { DisplayList.push_back(std::move(record)); }

void TFveldgra::circle(Real x, Real y, Real r) {
    Append("3;" + FormatDisplayReal(x) + ";" + FormatDisplayReal(y) + ";" + FormatDisplayReal(r));
}

void TFveldgra::line(Real x1, Real y1, Real x2, Real y2) {
    Append("4;" + FormatDisplayReal(x1) + ";" + FormatDisplayReal(y1) + ";" +
           FormatDisplayReal(x2) + ";" + FormatDisplayReal(y2));
}

void TFveldgra::Arc(Real x, Real y, Real a1, Real a2, Real r, Real sweep) {
    if (sweep < 0) std::swap(a1, a2);
    const Real xs = x + r * CosDeg(a1), ys = y + r * SinDeg(a1);
    const Real xe = x + r * CosDeg(a2), ye = y + r * SinDeg(a2);
    if (std::fabs(sweep) < 4) {
        line(xs, ys, xe, ye);
        return;
    }
    Append("5;" + FormatDisplayReal(x - r) + ";" + FormatDisplayReal(y - r) + ";" +
           FormatDisplayReal(x + r) + ";" + FormatDisplayReal(y + r) + ";" + FormatDisplayReal(xs) +
           ";" + FormatDisplayReal(ys) + ";" + FormatDisplayReal(xe) + ";" + FormatDisplayReal(ye));
}

void TFveldgra::OutTextXY(Real x, Real y, std::string_view text) {
    Append("6;" + FormatDisplayReal(x) + ";" + FormatDisplayReal(y) + ";" + std::string(text));
}

void TFveldgra::Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) {
    Append("7;" + FormatDisplayReal(x1) + ";" + FormatDisplayReal(y1) + ";" +
           FormatDisplayReal(x2) + ";" + FormatDisplayReal(y2) + ";" + FormatDisplayReal(x3) + ";" +
           FormatDisplayReal(y3) + ";" + FormatDisplayReal(x4) + ";" + FormatDisplayReal(y4));
}

void TFveldgra::Rectangle(Real x1, Real y1, Real x2, Real y2) {
    line(x1, y1, x2, y1);
    line(x2, y1, x2, y2);
    line(x2, y2, x1, y2);
    line(x1, y2, x1, y1);
}

void TFveldgra::SetColor(int32_t n) {
    if (n < 0 || n > highestRecordedPenNumber || n == LastColour) return;
    Append("8;" + IntText(n));
    LastColour = n;
}

void TFveldgra::SetTextStyle(int32_t n, Real angle, Real height, Real width) {
    Append("9;" + FormatDisplayReal(height) + ";" + FormatDisplayReal(width) + ";" + IntText(n) +
           ";" + FormatDisplayReal(angle));
}

void TFveldgra::SetLineStyle(int32_t n) {
    if (n < 0 || n > 65535 || n == LastLineStyle) return;
    Append("11;" + IntText(n));
    LastLineStyle = static_cast<uint16_t>(n);
}

void TFveldgra::SetLineStyleName(std::string_view name) {
    int style = kLineSolid;
    if (name == "DOTTED" || name == "PUNKT")
        style = kLineDotted;
    else if (name == "CENTER" || name == "DASHDOT" || name == "STRICHPUNKT")
        style = kLineDashDot;
    else if (name == "DASHED" || name == "HIDDEN" || name == "VERDECKT")
        style = kLineDashed;
    SetLineStyle(style);
}

void TFveldgra::SetLineWidth(int32_t n) {
    if (n < 0 || n > 65535 || n == LastLineWidth) return;
    Append("12;" + IntText(n));
    LastLineWidth = static_cast<uint16_t>(n);
}

void TFveldgra::SleepMs(int32_t ms) { Append("13;" + IntText(ms)); }

void TFveldgra::Clear() {
    if (replayDepth > 0) {
        // The running replay keeps its records until it ends.
        clearPending = true;
        clearedDuringReplay = DisplayList.size();
    } else {
        DisplayList.clear();
        ++DisplayListClears;
    }
    // A new drawing starts in the default pen, so the first colour, style and
    // width calls of the next drawing are recorded again.
    LastColour = -1;
    LastLineStyle = kNoLineStyle;
    LastLineWidth = 1;
    if (replayDepth == 0) Repaint();
}

void TFveldgra::ClearViewPort() {
    SetWaitCursor();
    Repaint();
}

void TFveldgra::Repaint() {
    ++repaintCount;
    if (canvas || PrintingFlag) FormPaint();
}

void TFveldgra::MoveTo(Real x, Real y) {
    curX_ = x;
    curY_ = y;
}

void TFveldgra::LineTo(Real x, Real y) {
    if (canvas) canvas->Line({MapX(curX_), MapY(curY_)}, {MapX(x), MapY(y)});
    curX_ = x;
    curY_ = y;
}

int TFveldgra::GetDirection(Real angle) {
    return ((angle > 45 && angle < 135) || (angle > 225 && angle < 315) ||
            (angle > -135 && angle < -45))
               ? 1
               : 0;
}

void TFveldgra::SetWaitCursor() { Ui().SetBusy(true); }
void TFveldgra::SetOldCursor() { Ui().SetBusy(false); }

// ---- Replay ------------------------------------------------------------------------

namespace {

constexpr uint32_t kBlack = 0;

// Splits "a;b;c" into at most maxFields fields; the last field takes the rest.
std::vector<std::string_view> SplitFields(std::string_view s, size_t maxFields) {
    std::vector<std::string_view> out;
    while (out.size() + 1 < maxFields) {
        size_t p = s.find(';');
        if (p == std::string_view::npos) break;
        out.push_back(s.substr(0, p));
        s.remove_prefix(p + 1);
    }
    out.push_back(s);
    return out;
}

bool ReadReals(const std::vector<std::string_view>& f, size_t from, size_t count, Real* out) {
    if (f.size() < from + count) return false;
    for (size_t i = 0; i < count; ++i)
        if (!ParseDisplayReal(f[from + i], out[i])) return false;
    return true;
}

bool ReadInt(std::string_view s, long long& v) {
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// One record's drawing on one surface with its own mapping.
struct Surface {
    GraphicsCanvas* canvas;
    const PrinterTarget* printer;  // nullptr: the screen mapping
    DevicePoint P(Real x, Real y) const {
        return printer ? DevicePoint{PrintMapX(*printer, x), PrintMapY(*printer, y)}
                       : DevicePoint{MapX(x), MapY(y)};
    }
    int32_t LX(Real l) const { return printer ? PrintMapLengthX(*printer, l) : MapLengthX(l); }
    int32_t LY(Real l) const { return printer ? PrintMapLengthY(*printer, l) : MapLengthY(l); }
};

}  // namespace

WindowMapping CurrentMapping() {
    return {Viewport, WorldWindow, VisibleWindow, ZoomRect, ScaleX, ScaleY, KeepAspect};
}

void ApplyMapping(const WindowMapping& m) {
    Viewport = m.viewport;
    WorldWindow = m.world;
    VisibleWindow = m.visible;
    ZoomRect = m.zoom;
    ScaleX = m.scaleX;
    ScaleY = m.scaleY;
    KeepAspect = m.keepAspect;
}

bool TFveldgra::PictureMapping(WindowMapping& m) {
    if (!picture_.valid || picture_.records != DisplayList.size() ||
        picture_.clears != DisplayListClears)
        return false;
    const WindowMapping now = CurrentMapping();
    Viewport = picture_.viewport;
    WorldWindow = picture_.world;
    KeepAspect = picture_.keepAspect;
    SetScale(now.zoom.x1, now.zoom.y1, now.zoom.x2, now.zoom.y2);
    m = CurrentMapping();
    ApplyMapping(now);
    return true;
}

void TFveldgra::FormPaint() { Replay(canvas, PrintingFlag ? &printer : nullptr); }

void TFveldgra::ReplayTo(GraphicsCanvas& target) { Replay(&target, nullptr); }

void TFveldgra::Replay(GraphicsCanvas* window, const PrinterTarget* print) {
    // A Clear while the replay ran empties the records it left behind once
    // the outermost replay ends, and the window shows what is left.
    struct ReplayScope {
        TFveldgra& w;
        explicit ReplayScope(TFveldgra& window) : w(window) { ++replayDepth; }
        ~ReplayScope() {
            if (--replayDepth > 0 || !clearPending) return;
            clearPending = false;
            const size_t n = std::min(clearedDuringReplay, DisplayList.size());
            DisplayList.erase(DisplayList.begin(), DisplayList.begin() + static_cast<ptrdiff_t>(n));
            ++DisplayListClears;
            w.Repaint();
        }
    } scope(*this);
    // One picture has one zoom. The events let run during the replay (a zoom
    // or pan key, a dragged rectangle, a new drawing) work on the window's
    // mapping as it stood before the replay, and what they change becomes the
    // window's mapping once the replay ends; the replay itself goes on with
    // its own mapping. The paint they ask for draws the new view whole.
    struct MappingScope {
        WindowMapping window = CurrentMapping();
        bool changed = false;
        ~MappingScope() {
            if (changed) ApplyMapping(window);
        }
    } mapping;
    // While a CAD output run is open its drawing is not whole: a command let
    // in now (a new drawing, a print, a help picture) would run inside it and
    // print half a drawing or leave two in the list. The events wait for the
    // replay at the run's end, or for the event loop; so they do while a
    // hold keeps them from an old picture about to be replaced.
    auto letEventsRun = [&mapping] {
        if (CadRunActive() || eventHolds > 0) return;
        const WindowMapping replaying = CurrentMapping();
        ApplyMapping(mapping.window);
        Ui().ProcessEvents();
        const WindowMapping after = CurrentMapping();
        if (!(after == mapping.window)) {
            mapping.window = after;
            mapping.changed = true;
        }
        ApplyMapping(replaying);
    };
    if (print && !print->canvas) print = nullptr;
    std::vector<Surface> surfaces;
    if (window) surfaces.push_back({window, nullptr});
    if (print) surfaces.push_back({print->canvas, print});
    const Surface* textTarget = print ? &surfaces.back() : (window ? &surfaces.front() : nullptr);

    SetWaitCursor();
    int colourIndex = 1;
    Real textHeight = 3.5L, textWidth = 3.5L, textAngle = 0;
    LastLineStyle = kNoLineStyle;
    LastLineWidth = 1;
    for (const Surface& s : surfaces) {
        s.canvas->SetPenWidth(1);
        s.canvas->SetPenStyle(kLineSolid);
    }

    // Colour index n on the window and, while printing, on the printer.
    auto applyColour = [&](int n) {
        colourIndex = n;
        if (n >= 1 && n <= 16) {
            for (const Surface& s : surfaces) {
                bool colour = s.printer ? (s.printer->colourMode == 2 || s.printer->colourMode == 3)
                                        : colourGraphics;
                uint32_t c = colour ? ColorTable[static_cast<size_t>(n)] : kBlack;
                s.canvas->SetPenColor(c);
                s.canvas->SetBrushColor(colour ? c : DrawingBackground());
                s.canvas->SetFontColor(c);
            }
        } else if (n == 0) {
            if (StepMode && window && window->AnimationStep()) StepMode = 0;
            for (const Surface& s : surfaces) {
                s.canvas->SetPenColor(DrawingBackground());
                s.canvas->SetBrushColor(DrawingBackground());
                s.canvas->SetFontColor(DrawingBackground());
            }
        }
    };
    // The replay starts in colour 1, whatever the surface held before.
    for (const Surface& s : surfaces) {
        uint32_t c = colourGraphics ? ColorTable[1] : kBlack;
        s.canvas->SetPenColor(c);
        s.canvas->SetBrushColor(colourGraphics ? c : DrawingBackground());
        s.canvas->SetFontColor(c);
    }

    if (print && print->frame) {
        GraphicsCanvas& pc = *print->canvas;
        if (colourGraphics) pc.SetPenColor(ColorTable[11]);
        const Surface& ps = surfaces.back();
        const WorldRect& w = WorldWindow;
        DevicePoint a = ps.P(w.xmin, w.ymin), b = ps.P(w.xmin, w.ymax), c = ps.P(w.xmax, w.ymax),
                    d = ps.P(w.xmax, w.ymin);
        pc.Line(a, b);
        pc.Line(b, c);
        pc.Line(c, d);
        pc.Line(d, a);
    }

    // By index: the events let run may add records (the loop reaches them)
    // or ask for a Clear (the loop ends with the records it had).
    auto end = [] {
        return clearPending ? std::min(clearedDuringReplay, DisplayList.size())
                            : DisplayList.size();
    };
    // The window the drawing records are drawn through; the last one is
    // what the picture shows, whatever window records follow it.
    PictureWindow drawnThrough{Viewport, WorldWindow, KeepAspect};
    bool windowSinceDrawing = false;
    for (size_t i = 0; i < end(); ++i) {
        if (i % kReplayEventInterval == 0) {
            letEventsRun();
            if (i >= end()) break;
        }
        std::string_view rec = DisplayList[i];
        size_t semi = rec.find(';');
        long long code = 0;
        if (semi == std::string_view::npos || !ReadInt(rec.substr(0, semi), code)) continue;
        std::string_view rest = rec.substr(semi + 1);
        if (code >= 3 && code <= 7 && windowSinceDrawing) {
            drawnThrough = {Viewport, WorldWindow, KeepAspect};
            windowSinceDrawing = false;
        }
        Real v[8];
        switch (code) {
            case 3: {
                auto f = SplitFields(rest, 3);
                if (!ReadReals(f, 0, 3, v)) break;
                for (const Surface& s : surfaces)
                    s.canvas->Ellipse(s.P(v[0] - v[2], v[1] - v[2]), s.P(v[0] + v[2], v[1] + v[2]));
                break;
            }
            case 4: {
                auto f = SplitFields(rest, 4);
                if (!ReadReals(f, 0, 4, v)) break;
                for (const Surface& s : surfaces) s.canvas->Line(s.P(v[0], v[1]), s.P(v[2], v[3]));
                break;
            }
            case 5: {
                auto f = SplitFields(rest, 8);
                if (!ReadReals(f, 0, 8, v)) break;
                for (const Surface& s : surfaces)
                    s.canvas->Arc(s.P(v[0], v[1]), s.P(v[2], v[3]), s.P(v[4], v[5]),
                                  s.P(v[6], v[7]));
                break;
            }
            case 6: {
                auto f = SplitFields(rest, 3);
                if (f.size() < 3 || !ReadReals(f, 0, 2, v) || !textTarget) break;
                const Surface& t = *textTarget;
                // Index 16 (and any index outside the table) keeps the text colour.
                if (colourIndex == 0)
                    t.canvas->SetFontColor(DrawingBackground());
                else if (!colourGraphics || (t.printer && t.printer->colourMode == 1))
                    t.canvas->SetFontColor(kBlack);
                else if (colourIndex >= 1 && colourIndex <= 15)
                    t.canvas->SetFontColor(ColorTable[static_cast<size_t>(colourIndex)]);
                TextFont font;
                font.face = GraphicsTextFont;
                const unsigned bits = GraphicsTextStyleBits;
                if (bits >= 1 && bits <= 15) font.weight = (bits & 1) ? 700 : 100;
                const bool useBits = (bits >= 1 && bits <= 15) || !t.printer;
                font.italic = useBits && (bits & 2);
                font.underline = useBits && (bits & 4);
                font.strikeOut = useBits && (bits & 8);
                font.cellHeight = t.LY(textHeight);
                font.charWidth = t.LX(textWidth);
                font.escapement = RoundToInt32(textAngle * 10);
                DevicePoint at;
                if (textAngle == 0) {
                    at = t.P(v[0], v[1] + 0.75L * textHeight);
                } else {
                    const Real a = textAngle * kPi / 180;
                    at = t.P(v[0] - std::sin(a) * textHeight * 0.7L,
                             v[1] + std::cos(a) * 0.75L * textHeight);
                }
                t.canvas->Text(at, std::string(f[2]), font);
                break;
            }
            case 7: {
                auto f = SplitFields(rest, 8);
                if (!ReadReals(f, 0, 8, v)) break;
                for (const Surface& s : surfaces)
                    s.canvas->Polygon(
                        {s.P(v[0], v[1]), s.P(v[2], v[3]), s.P(v[4], v[5]), s.P(v[6], v[7])},
                        !colourGraphics);
                break;
            }
            case 8: {
                long long n = 0;
                if (!ReadInt(rest, n) || n < INT32_MIN || n > INT32_MAX) break;
                applyColour(static_cast<int>(n));
                break;
            }
            case 9: {
                auto f = SplitFields(rest, 4);
                if (f.size() < 4 || !ReadReals(f, 0, 2, v) || !ParseDisplayReal(f[3], v[3])) break;
                textHeight = v[0] * 1.6L * GraphicsTextHeightFactor;
                textWidth = v[1] * 1.1L * GraphicsTextWidthFactor;
                textAngle = v[3];
                break;
            }
            case 10: {
                auto f = SplitFields(rest, 8);
                if (!ReadReals(f, 0, 8, v)) break;
                IntRect vp{RoundToInt32(v[0]), RoundToInt32(v[1]), RoundToInt32(v[2]),
                           RoundToInt32(v[3])};
                if (v[4] == v[6] || v[5] == v[7]) {
                    // A degenerate window cannot be mapped: stop here.
                    cancelFlag = true;
                    SetOldCursor();
                    return;
                }
                Viewport = vp;
                WorldWindow = {v[4], v[5], v[6], v[7]};
                SetScale(ZoomRect.x1, ZoomRect.y1, ZoomRect.x2, ZoomRect.y2);
                windowSinceDrawing = true;
                break;
            }
            case 11: {
                long long n = 0;
                if (!ReadInt(rest, n)) break;
                int style = (n >= 1 && n <= 3) ? static_cast<int>(n) : kLineSolid;
                for (const Surface& s : surfaces) s.canvas->SetPenStyle(style);
                break;
            }
            case 12: {
                long long n = 0;
                if (!ReadInt(rest, n) || n < 0 || n > 65535) break;
                for (const Surface& s : surfaces)
                    s.canvas->SetPenWidth(static_cast<int>(s.printer ? 4 * n : n));
                break;
            }
            case 13: {
                long long ms = 0;
                if (!ReadInt(rest, ms) || ms <= 0 || print || !window) break;
                window->Pause(static_cast<int>(ms > 60000 ? 60000 : ms));
                break;
            }
            default: break;
        }
    }
    if (window) {
        drawnThrough.records = DisplayList.size();
        drawnThrough.clears = DisplayListClears;
        drawnThrough.valid = true;
        picture_ = drawnThrough;
    }
    SetOldCursor();
}

}  // namespace veldrim
