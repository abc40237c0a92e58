#include "graphics/qt/graphics_view.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QWheelEvent>

#include "foundation/program_state.h"
#include "foundation/qt/pdf_file.h"
#include "foundation/qt/qt_support.h"
#include "graphics/graphics_defaults.h"
#include "graphics/qt/qt_canvas.h"
#include "graphics/zoom_keys.h"

namespace veldrim {

QImage RenderDisplayList(TFveldgra& window, QSize size, bool skipPauses,
                         const std::function<void(const QImage&)>& showSoFar) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
    image.fill(ColourOf(DrawingBackground()));
    QPainter p(&image);
    QtCanvas canvas(p);
    canvas.skipPauses = skipPauses;
    if (showSoFar) canvas.showSoFar = [&] { showSoFar(image.copy()); };
    window.ReplayTo(canvas);
    return image;
}

// Direct drawing on the picture (rubber band, MoveTo/LineTo): each call
// paints on the picture at once and asks for a paint.
class GraphicsView::LiveCanvas : public GraphicsCanvas {
public:
    explicit LiveCanvas(GraphicsView& v) : v_(v) {}
    void SetPenColor(uint32_t c) override { pen_ = c; }
    void SetBrushColor(uint32_t c) override { brush_ = c; }
    void SetFontColor(uint32_t c) override { font_ = c; }
    void SetPenStyle(int s) override { style_ = s; }
    void SetPenWidth(int w) override { width_ = w; }
    void SetInvertMode(bool on) override { invert_ = on; }
    void Line(DevicePoint a, DevicePoint b) override {
        Draw([&](QtCanvas& c) { c.Line(a, b); });
    }
    void Ellipse(DevicePoint a, DevicePoint b) override {
        Draw([&](QtCanvas& c) { c.Ellipse(a, b); });
    }
    void Arc(DevicePoint a, DevicePoint b, DevicePoint s, DevicePoint e) override {
        Draw([&](QtCanvas& c) { c.Arc(a, b, s, e); });
    }
    void Polygon(const std::array<DevicePoint, 4>& pts, bool black) override {
        Draw([&](QtCanvas& c) { c.Polygon(pts, black); });
    }
    void Text(DevicePoint at, const std::string& t, const TextFont& f) override {
        Draw([&](QtCanvas& c) { c.Text(at, t, f); });
    }
    void Pause(int) override {}

private:
    template <class F>
    void Draw(F f) {
        if (v_.picture_.isNull()) return;
        QPainter p(&v_.picture_);
        QtCanvas c(p);
        c.SetPenColor(pen_);
        c.SetBrushColor(brush_);
        c.SetFontColor(font_);
        c.SetPenStyle(style_);
        c.SetPenWidth(width_);
        c.SetInvertMode(invert_);
        f(c);
        p.end();
        v_.update();
    }
    GraphicsView& v_;
    uint32_t pen_ = 0xFFFFFF, brush_ = 0xFFFFFF, font_ = 0xFFFFFF;
    int style_ = 0, width_ = 1;
    bool invert_ = false;
};

GraphicsView::GraphicsView(TFveldgra& window, QWidget* parent)
    : QWidget(parent), window_(window), live_(std::make_unique<LiveCanvas>(*this)) {
    setObjectName("VeldGraf");
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    window_.canvas = live_.get();
    if (auto* w = dynamic_cast<QtGraphicsWindow*>(&window_)) w->view = this;
    window_.clientWidth = width();
    window_.clientHeight = height();
}

GraphicsView::~GraphicsView() {
    if (window_.canvas == live_.get()) window_.canvas = nullptr;
    if (auto* w = dynamic_cast<QtGraphicsWindow*>(&window_); w && w->view == this)
        w->view = nullptr;
}

void GraphicsView::Render() {
    window_.clientWidth = width();
    window_.clientHeight = height();
    const uint32_t clears = DisplayListClears;
    const QSize drawn = size();
    const uint64_t render = ++renders_;
    QImage picture = RenderDisplayList(window_, drawn, false, [this, render](const QImage& soFar) {
        if (render != renders_) return;  // a newer render shows its own picture
        picture_ = soFar;
        repaint();  // at once: the replay holds the event loop until it ends
    });
    // The events the replay let run may have emptied the list, resized the
    // view or changed the zoom; the render they started has painted the
    // picture as it now is, and this one's is not shown over it.
    if (clears == DisplayListClears && size() == drawn && render == renders_)
        picture_ = std::move(picture);
    update();
}

void GraphicsView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    if (picture_.size() != size()) p.fillRect(e->rect(), ColourOf(DrawingBackground()));
    p.drawImage(0, 0, picture_);
}

void GraphicsView::resizeEvent(QResizeEvent*) { Render(); }

namespace {
TFveldgra::MouseButton ButtonOf(Qt::MouseButton b) {
    if (b == Qt::RightButton) return TFveldgra::MouseButton::Right;
    if (b == Qt::MiddleButton) return TFveldgra::MouseButton::Middle;
    return TFveldgra::MouseButton::Left;
}
}  // namespace

void GraphicsView::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    window_.FormMouseDown(ButtonOf(e->button()), at.x(), at.y());
}

void GraphicsView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    window_.FormMouseMove(at.x(), at.y());
}

void GraphicsView::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    window_.FormMouseUp(ButtonOf(e->button()), at.x(), at.y());
}

// The double-click handler runs just before the second press, so a double
// click with the left button returns to the saved limits at once.
void GraphicsView::mouseDoubleClickEvent(QMouseEvent* e) {
    window_.FormDblClick();
    const QPoint at = e->position().toPoint();
    window_.FormMouseDown(ButtonOf(e->button()), at.x(), at.y());
}

void GraphicsView::wheelEvent(QWheelEvent* e) {
    const int delta = e->angleDelta().y();
    if (delta < 0)
        window_.FormMouseWheelDown();
    else if (delta > 0)
        window_.FormMouseWheelUp();
    window_.FormMouseWheel(delta);
}

uint16_t GraphicsView::WindowKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Escape: return kVkEscape;
        case Qt::Key_PageUp: return kVkPageUp;
        case Qt::Key_PageDown: return kVkPageDown;
        case Qt::Key_Left: return kVkLeft;
        case Qt::Key_Up: return kVkUp;
        case Qt::Key_Right: return kVkRight;
        case Qt::Key_Down: return kVkDown;
        case Qt::Key_Plus: return kVkAdd;
        case Qt::Key_Minus: return kVkSubtract;
        case Qt::Key_F5: return kVkF5;
        case Qt::Key_Shift: return kVkShift;
        case Qt::Key_Control: return kVkControl;
        case Qt::Key_Alt: return kVkMenu;
        default: return kVkOther;
    }
}

// Every key reaches the window: one of its table stores and performs an
// action, any other key repeats the last one. A key outside the table goes
// on to the window around the view as well.
void GraphicsView::keyPressEvent(QKeyEvent* e) {
    const uint16_t key = WindowKeyOf(e->key());
    window_.FormKeyDown(key);
    if (key == kVkOther || key == kVkShift || key == kVkControl || key == kVkMenu)
        QWidget::keyPressEvent(e);
}

void QtGraphicsWindow::Repaint() {
    ++repaintCount;
    if (view) view->Render();
}

bool PrintGraphicsWindow(TFveldgra& window, QPrinter& printer) {
    QPainter pp;
    if (!pp.begin(&printer)) return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    // The page maps the device window: the part of the page with the device
    // window's proportions, so that one drawing unit stays square on paper.
    int32_t pageWidth = page.width(), pageHeight = page.height();
    if (DeviceWidth > 0 && DeviceHeight > 0) {
        const Real fit = std::min(static_cast<Real>(pageWidth) / DeviceWidth,
                                  static_cast<Real>(pageHeight) / DeviceHeight);
        pageWidth = static_cast<int32_t>(fit * DeviceWidth);
        pageHeight = static_cast<int32_t>(fit * DeviceHeight);
    }
    // The page shows what the window shows: the device window, whatever a
    // zoom puts beyond it. Drawing outside it lands beside or below the view
    // on the paper and is cut off there.
    const Real mm = static_cast<Real>(pageWidth) / 210;
    const QRect view(RoundToInt32(mm * graphicPrintoutOriginX),
                     RoundToInt32(mm * graphicPrintoutOriginY),
                     RoundToInt32(pageWidth * graphicPrintoutScaleX),
                     RoundToInt32(pageHeight * graphicPrintoutScaleY));
    pp.setClipRect(view.normalized());
    QtCanvas printCanvas(pp);
    printCanvas.skipPauses = true;
    // The window side of the replay draws into a picture nobody shows.
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter sp(&scratch);
    QtCanvas scratchCanvas(sp);
    scratchCanvas.skipPauses = true;
    scratchCanvas.animationStep = [] { return false; };

    GraphicsCanvas* const keepCanvas = window.canvas;
    const PrinterTarget keepPrinter = window.printer;
    window.canvas = &scratchCanvas;
    window.printer.canvas = &printCanvas;
    window.printer.pageWidth = pageWidth;
    window.printer.pageHeight = pageHeight;
    window.printer.scaleX = graphicPrintoutScaleX;
    window.printer.scaleY = graphicPrintoutScaleY;
    window.printer.leftMarginMm = graphicPrintoutOriginX;
    window.printer.topMarginMm = graphicPrintoutOriginY;
    window.printer.frame = graphicPrintoutBorder;
    window.printer.colourMode = windowsPrintMode;
    PrintingFlag = 1;
    window.FormPaint();
    PrintingFlag = 0;
    window.canvas = keepCanvas;
    window.printer = keepPrinter;
    sp.end();
    return pp.end();
}

QPageLayout::Orientation SheetOrientation(const TFveldgra&) {
    // What is shown and printed is always the whole device window (a zoom
    // changes only which part of the drawing fills it), so the page turns
    // as the device window is: the 4:3 window gives a landscape page.
    return DeviceWidth >= DeviceHeight ? QPageLayout::Landscape : QPageLayout::Portrait;
}

bool PrintGraphicsWindowToPdf(TFveldgra& window, const std::string& pdfPath) {
    return PrintToPdfFile(pdfPath, [&](QPrinter& printer) {
        // The page turns with the sheet, as on the printer.
        printer.setPageOrientation(SheetOrientation(window));
        return PrintGraphicsWindow(window, printer);
    });
}

}  // namespace veldrim
