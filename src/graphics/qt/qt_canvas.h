#pragma once
// The replay's drawing surface on a QPainter: the window's picture, the
// printer page or a test image.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <functional>

#include "graphics/display_list.h"

namespace veldrim {

class QtCanvas : public GraphicsCanvas {
public:
    explicit QtCanvas(QPainter& painter);

    void SetPenColor(uint32_t colour) override;
    void SetBrushColor(uint32_t colour) override;
    void SetFontColor(uint32_t colour) override;
    void SetPenStyle(int style) override;
    void SetPenWidth(int width) override;
    void SetInvertMode(bool on) override;
    void Line(DevicePoint from, DevicePoint to) override;
    void Ellipse(DevicePoint corner1, DevicePoint corner2) override;
    void Arc(DevicePoint corner1, DevicePoint corner2, DevicePoint start, DevicePoint end) override;
    void Polygon(const std::array<DevicePoint, 4>& points, bool blackBrush) override;
    void Text(DevicePoint topLeft, const std::string& text, const TextFont& font) override;
    void Pause(int milliseconds) override;
    bool AnimationStep() override;

    // Pauses are skipped (pictures for print or tests).
    bool skipPauses = false;
    // The animation step dialog; the default shows TForm_anistep.
    std::function<bool()> animationStep;
    // Shows what is drawn so far before a pause or a step stops the replay,
    // so that the frames of an animation appear one after the other.
    std::function<void()> showSoFar;

private:
    void ApplyPen();
    QPainter& p_;
    QColor pen_, brush_, font_;
    Qt::PenStyle style_ = Qt::SolidLine;
    int width_ = 1;
};

// The Qt font of a display-list text font: the face (DejaVu Sans when the
// face is not installed), the cell height in pixels and the character width
// as a stretch.
QFont FontOfTextFont(const TextFont& f);

}  // namespace veldrim
