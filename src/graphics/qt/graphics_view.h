#pragma once
// The graphics window on screen: a widget that shows the display list of a
// TFveldgra. The list is replayed into a picture whenever it or the view
// changes, and the picture is copied onto the screen on every paint. Mouse,
// wheel and keys go to the window's zoom and pan handlers.

#include <QImage>
#include <QPageLayout>
#include <QWidget>
#include <functional>
#include <memory>

#include "graphics/display_list.h"

class QPrinter;

namespace veldrim {

// Replays the window's display list into a new picture of the given size,
// filled first with the background colour. Without skipPauses, pauses wait
// and `showSoFar` gets the picture drawn so far before each pause or step.
QImage RenderDisplayList(TFveldgra& window, QSize size, bool skipPauses = true,
                         const std::function<void(const QImage&)>& showSoFar = {});

class GraphicsView : public QWidget {
public:
    explicit GraphicsView(TFveldgra& window, QWidget* parent = nullptr);
    ~GraphicsView() override;

    // Replays the list into the picture and asks for a paint.
    void Render();
    const QImage& picture() const { return picture_; }
    TFveldgra& window() { return window_; }

    // The window key code of a Qt key; kVkOther for a key outside its table.
    static uint16_t WindowKeyOf(int qtKey);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    class LiveCanvas;
    TFveldgra& window_;
    QImage picture_;
    std::unique_ptr<LiveCanvas> live_;
    // Renders started so far: a render that the events of its replay
    // superseded (a zoom key started a new one) leaves the picture to it.
    uint64_t renders_ = 0;
};

// The graphics window whose repaints go to a view.
class QtGraphicsWindow : public TFveldgra {
public:
    GraphicsView* view = nullptr;

protected:
    void Repaint() override;
};

// Prints the window's drawing on the printer as the print setup says: the
// page mapping of the print scales, margins and frame. False when the
// printer could not be started.
bool PrintGraphicsWindow(TFveldgra& window, QPrinter& printer);
// The page orientation of what the window shows: landscape for a device
// window wider than tall (the 4:3 view, and in it the A4 landscape drawing
// sheet), else portrait, whatever the zoom.
QPageLayout::Orientation SheetOrientation(const TFveldgra& window);
// The same into a PDF file (A4, turned with the sheet as SheetOrientation
// says) through a whole-file save; false when it was not completely written,
// and an old file then stays as it was.
bool PrintGraphicsWindowToPdf(TFveldgra& window, const std::string& pdfPath);

}  // namespace veldrim
