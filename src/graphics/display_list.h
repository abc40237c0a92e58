#pragma once
// The graphics window and its display list.
//
// Drawing routines never paint at once: every primitive is appended as one
// text record (a `DisplayRecord`) to the display list, and the window replays
// the whole list on every paint, onto the window surface and, while printing,
// onto the printer. World coordinates (millimetres of the drawing, y upward)
// are mapped into a fixed device window of DeviceWidth x DeviceHeight pixels
// (y downward).
//
// The module state below is program-wide, as the window is: there is one
// graphics window, `GraphicsWindow`, the main window. ResetGraphicsWindow()
// restores every start-up value.
//
// Display record text form: the record code, then the fields, separated by
// ';' without blanks. Reals are written with 8 significant digits
// (FormatDisplayReal); the text of record 6 is the rest of the line and may
// itself contain ';'.
//
//   code  fields                                   written by
//    3    x;y;r                                    circle
//    4    x1;y1;x2;y2                              line
//    5    x-r;y-r;x+r;y+r;xs;ys;xe;ye              Arc (box, start and end point)
//    6    x;y;text                                 OutTextXY
//    7    x1;y1;x2;y2;x3;y3;x4;y4                  Solid
//    8    n                                        SetColor
//    9    height;width;n;angle                     SetTextStyle
//   10    left;top;right;bottom;xmin;ymin;xmax;ymax SetWindow
//   11    n                                        SetLineStyle
//   12    n                                        SetLineWidth
//   13    ms                                       SleepMs
//
// The list is internal to the program, so its numbers always use '.' as the
// decimal separator, whatever the locale.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/real.h"

namespace veldrim {

// Pen styles of the display list.
enum LineStyle : int { kLineSolid = 0, kLineDotted = 1, kLineDashDot = 2, kLineDashed = 3 };

struct IntRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const IntRect&) const = default;
};

struct WorldRect {
    Real xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    bool operator==(const WorldRect&) const = default;
};

// Zoom rectangle in device units of the viewport; its y values count upward
// (y1 = top stands for the bottom edge of the world window).
struct ZoomRectangle {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const ZoomRectangle&) const = default;
};

// ---- Module state (one set for the process) --------------------------------

extern uint16_t DeviceWidth;     // device window width in pixels (640 when unset)
extern uint16_t DeviceHeight;    // device window height in pixels (480 when unset)
extern IntRect Viewport;         // pixel rectangle showing the world window; 0,0,1,1
extern IntRect SavedViewport;    // kept by SaveViewPort; 0,0,1,1
extern WorldRect WorldWindow;    // last SetWindow or window record; 0,0,1,1
extern WorldRect SavedLimits;    // kept by SaveLimit; 0,0,1,1
extern ZoomRectangle ZoomRect;   // shown part of the viewport; 0,0,640,480
extern WorldRect VisibleWindow;  // world window in effect after zooming; 0,0,1,1
extern Real ScaleX;              // pixels per world unit in x; 1.0
extern Real ScaleY;              // pixels per world unit in y; 1.0
extern uint8_t KeepAspect;       // equal scales in x and y; 1
extern Real HeaderAspectFactor;  // set by Header; 1.0
extern Real ZoomFactor;          // "Zoomfaktor"; 1.2
extern Real PanFactor;           // "Pan-Faktor"; 0.1
extern uint8_t PrintingFlag;     // while set, the replay also draws on the printer; 0

// The display list: the DisplayRecord texts in drawing order.
extern std::vector<std::string> DisplayList;
// Counts the times the display list was emptied (Clear); a painter that
// replayed the list while it was emptied replays it again.
extern uint32_t DisplayListClears;
// The replay lets pending window events run before records 0, 50000,
// 100000, ...
inline constexpr size_t kReplayEventInterval = 50000;

// Restores every value above (the display list is emptied; DeviceWidth and
// DeviceHeight go back to 640 x 480).
void ResetGraphicsWindow();

// Sets the device window from the configured resolution; 0 means the default
// (640 horizontally, 480 vertically), so no mapping ever divides by zero.
void SetDeviceResolution(int width, int height);

// ---- Number text of the display list ----------------------------------------

// General number format with 8 significant digits: fixed notation without
// trailing zeros for values with at most 8 integer digits and a magnitude of
// at least 0.00001 (or 0); otherwise scientific ("1.5E-07", "1.2345679E12").
std::string FormatDisplayReal(Real v);
// Reads a real written by FormatDisplayReal (also accepts ',' as separator).
bool ParseDisplayReal(std::string_view s, Real& v);

// Rounds to the nearest 32-bit integer, halves to even, saturating at the
// ends of the range (a far-off point never overflows).
int32_t RoundToInt32(Real v);

// ---- Canvas -----------------------------------------------------------------

struct DevicePoint {
    int32_t x = 0, y = 0;
    bool operator==(const DevicePoint&) const = default;
};

struct TextFont {
    std::string face;        // font name ("Textstil Grafik")
    int32_t cellHeight = 0;  // pixels
    int32_t charWidth = 0;   // pixels
    int32_t escapement = 0;  // tenths of a degree, counter-clockwise
    int32_t weight = 100;    // 100 normal, 700 bold
    bool italic = false, underline = false, strikeOut = false;
    bool operator==(const TextFont&) const = default;
};

// The surface the replay draws on: the window, the printer, or a recorder in
// tests. Coordinates are device pixels (y downward). Colours are 32-bit
// values red + 256 green + 65536 blue.
class GraphicsCanvas {
public:
    virtual ~GraphicsCanvas() = default;
    virtual void SetPenColor(uint32_t colour) = 0;
    virtual void SetBrushColor(uint32_t colour) = 0;
    virtual void SetFontColor(uint32_t colour) = 0;
    virtual void SetPenStyle(int style) = 0;  // LineStyle
    virtual void SetPenWidth(int width) = 0;
    // Inverting pen mode (rubber band) on or off.
    virtual void SetInvertMode(bool) {}
    virtual void Line(DevicePoint from, DevicePoint to) = 0;
    // Hollow ellipse outline inside the box.
    virtual void Ellipse(DevicePoint corner1, DevicePoint corner2) = 0;
    // Elliptic arc in the box, counter-clockwise as seen on the device, from
    // the radial through start to the radial through end.
    virtual void Arc(DevicePoint corner1, DevicePoint corner2, DevicePoint start,
                     DevicePoint end) = 0;
    // Filled quadrilateral through the points in order; blackBrush when the
    // colour mode is off.
    virtual void Polygon(const std::array<DevicePoint, 4>& points, bool blackBrush) = 0;
    // Text with its top-left corner at the point, transparent background.
    virtual void Text(DevicePoint topLeft, const std::string& text, const TextFont& font) = 0;
    // Pause record: blocks for the given milliseconds (screen only).
    virtual void Pause(int milliseconds) = 0;
    // The animation step dialog (colour 0 while StepMode is set); true when
    // the user ended the stepping.
    virtual bool AnimationStep() { return false; }
};

// Where the printer page lies, read from the printer setup by the caller.
struct PrinterTarget {
    GraphicsCanvas* canvas = nullptr;
    int32_t pageWidth = 0;   // printer pixels
    int32_t pageHeight = 0;  // printer pixels
    double scaleX = 1.0;     // horizontal print scale
    double scaleY = 1.0;     // vertical print scale
    int32_t leftMarginMm = 0;
    int32_t topMarginMm = 0;
    bool frame = false;  // print a frame round the world window
    int colourMode = 1;  // "Windows-Druckmodus (1=mono 2=color)"
};

// Screen mapping of the state in force: X(x), Y(y), lengths LX, LY.
int32_t MapX(Real x);
int32_t MapY(Real y);
int32_t MapLengthX(Real l);
int32_t MapLengthY(Real l);
// The whole mapping of world coordinates onto the device: what window
// records, SetWindow and the zoom and pan actions change.
struct WindowMapping {
    IntRect viewport;
    WorldRect world, visible;
    ZoomRectangle zoom;
    Real scaleX = 1, scaleY = 1;
    uint8_t keepAspect = 0;
    bool operator==(const WindowMapping&) const = default;
};
WindowMapping CurrentMapping();
void ApplyMapping(const WindowMapping& m);
// Printer mapping (one millimetre = pageWidth / 210 printer pixels).
int32_t PrintMapX(const PrinterTarget& p, Real x);
int32_t PrintMapY(const PrinterTarget& p, Real y);
int32_t PrintMapLengthX(const PrinterTarget& p, Real l);
int32_t PrintMapLengthY(const PrinterTarget& p, Real l);

// ---- The graphics window ----------------------------------------------------

// `TFveldgra`: T class, F form, veldgra the graphics-window unit of the design (veldgraf).
class TFveldgra {
public:
    TFveldgra();  // the creation handler: fields and module state to start-up values
    virtual ~TFveldgra() = default;

    // Window fields.
    int32_t TextSizeMode = 0;     // stored by SetTextSizeMode; nothing reads it
    uint8_t Dragging = 0;         // a zoom rectangle is being dragged
    uint8_t WheelDown = 0;        // last wheel turn: 1 down, 0 up
    uint8_t DoubleClicked = 0;    // a double click was seen
    int32_t LastColour = -1;      // colour index of the last colour record
    uint16_t LastLineStyle = 99;  // style of the last line-style record (99 none)
    uint16_t LastLineWidth = 1;   // width of the last line-width record
    uint8_t StepMode = 0;         // animation step mode

    // The live window surface (nullptr when headless) and its client size.
    GraphicsCanvas* canvas = nullptr;
    int32_t clientWidth = 640;
    int32_t clientHeight = 480;
    // Printer of a print run (PrintingFlag set), nullptr otherwise.
    PrinterTarget printer;
    int repaintCount = 0;  // paints requested so far (tests and the status line)

    // Window and scale.
    void SetWindow(uint8_t keepAspect, uint8_t inset, Real vx1, Real vy1, Real vx2, Real vy2,
                   Real wx1, Real wy1, Real wx2, Real wy2);
    void SetScale(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void SaveLimit();
    void RestoreLimit();
    void Header(Real wx1, Real wy1, Real wx2, Real wy2);
    void ReSetWindow();
    void ResetZoom();
    void SaveViewPort();
    void RetrieveViewPort();
    Real EinX(Real f) const;
    Real EinY(Real f) const;

    // Record writers.
    void circle(Real x, Real y, Real r);
    void line(Real x1, Real y1, Real x2, Real y2);
    void Arc(Real x, Real y, Real a1, Real a2, Real r, Real sweep);
    void OutTextXY(Real x, Real y, std::string_view text);
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4);
    void Rectangle(Real x1, Real y1, Real x2, Real y2);
    void SetColor(int32_t n);
    void SetTextStyle(int32_t n, Real angle, Real height, Real width);
    void SetLineStyle(int32_t n);
    void SetLineStyleName(std::string_view name);
    void SetLineWidth(int32_t n);
    void SleepMs(int32_t ms);

    // Empties the display list, resets the pen trackers and repaints. While a
    // replay runs (a command started from the events it lets run), the
    // replay first ends with the records it began with; the records drawn
    // after the Clear stay.
    void Clear();
    void ClearViewPort();
    // Direct drawing on the window surface; nothing is recorded.
    void MoveTo(Real x, Real y);
    void LineTo(Real x, Real y);
    int32_t GetColor() const { return LastColour; }
    static int GetDirection(Real angle);
    void SetTextSizeMode(int32_t n) { TextSizeMode = n; }
    void SetWaitCursor();
    void SetOldCursor();
    void DrawVeldrimLogo();  // logo.cpp

    // The replay onto the window surface (and the printer while printing).
    void FormPaint();
    // The replay onto any canvas (tests, off-screen pictures).
    void ReplayTo(GraphicsCanvas& target);

    // The mapping the picture last replayed from the list was drawn through:
    // that of the window record in force at its last drawing record, at the
    // zoom in force now. False when the list changed since that replay (the
    // picture is not the list's any more), and the mapping in force serves.
    bool PictureMapping(WindowMapping& m);

    // Zoom, pan and keys (zoom_keys.cpp). Mouse positions are client pixels.
    enum class MouseButton { Left, Right, Middle };
    void FormMouseDown(MouseButton button, int32_t x, int32_t y);
    void FormMouseMove(int32_t x, int32_t y);
    void FormMouseUp(MouseButton button, int32_t x, int32_t y);
    void FormDblClick();
    void FormMouseWheel(int32_t delta);
    void FormMouseWheelDown() { WheelDown = 1; }
    void FormMouseWheelUp() { WheelDown = 0; }
    void FormKeyDown(uint16_t key) { processKey(key); }
    void processKey(uint16_t key);
    void DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void Regen();

    // Rubber band of a drag (client pixels).
    int32_t bandStartX = 0, bandStartY = 0, bandEndX = 0, bandEndY = 0;

protected:
    // Asks the window system for a paint; the default replays at once onto
    // the canvas when there is one.
    virtual void Repaint();

private:
    void Append(std::string record);
    void Replay(GraphicsCanvas* window, const PrinterTarget* printer);
    Real curX_ = 0, curY_ = 0;  // pen position of MoveTo/LineTo
    // The window of the last picture's drawing records, and the list it was
    // replayed from (its length and the Clear count).
    struct PictureWindow {
        IntRect viewport;
        WorldRect world;
        uint8_t keepAspect = 0;
        size_t records = 0;
        uint32_t clears = 0;
        bool valid = false;
    } picture_;
};

// While one lives, no replay lets pending events run: the picture replayed
// now is about to be replaced by a new drawing (F5 shows the old one at its
// reset zoom first), and a command typed behind it is to act on the new one.
// The events wait for the replay of the new drawing, or for the event loop.
class ReplayEventHold {
public:
    ReplayEventHold();
    ~ReplayEventHold();
    ReplayEventHold(const ReplayEventHold&) = delete;
    ReplayEventHold& operator=(const ReplayEventHold&) = delete;
};

// The window all drawing goes to (the main window); set by the program, or by
// tests. Never null: a headless default instance is used until one is set.
TFveldgra& Window();
void SetGraphicsWindow(TFveldgra* window);  // nullptr restores the default
extern TFveldgra* GraphicsWindow;

// The last key action (DOS scan code and zoom character), program-wide.
extern uint8_t LastKeyChar;
extern uint8_t LastKeyScan;
// Both back to their start-up value (no key).
void ResetZoomKeys();

}  // namespace veldrim
