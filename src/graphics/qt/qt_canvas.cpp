#include "graphics/qt/qt_canvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPolygon>
#include <QThread>
#include <algorithm>
#include <cmath>

#include "foundation/qt/qt_support.h"
#include "graphics/qt/anistep_form.h"

namespace veldrim {

namespace {

QRect BoxOf(DevicePoint a, DevicePoint b) {
    return QRect(QPoint(std::min(a.x, b.x), std::min(a.y, b.y)),
                 QPoint(std::max(a.x, b.x), std::max(a.y, b.y)));
}

// Angle of p seen from the centre, counter-clockwise on the device (y down).
double DeviceAngle(QPointF centre, DevicePoint p) {
    return std::atan2(-(p.y - centre.y()), p.x - centre.x()) * 180.0 / M_PI;
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter)
    : p_(painter), pen_(Qt::white), brush_(Qt::white), font_(Qt::white) {
    ApplyPen();
}

void QtCanvas::ApplyPen() {
    QPen pen(pen_);
    pen.setStyle(style_);
    pen.setWidth(std::max(width_, 1));
    pen.setCapStyle(Qt::FlatCap);
    p_.setPen(pen);
}

void QtCanvas::SetPenColor(uint32_t colour) {
    pen_ = ColourOf(colour);
    ApplyPen();
}
void QtCanvas::SetBrushColor(uint32_t colour) { brush_ = ColourOf(colour); }
void QtCanvas::SetFontColor(uint32_t colour) { font_ = ColourOf(colour); }

void QtCanvas::SetPenStyle(int style) {
    switch (style) {
        case kLineDotted: style_ = Qt::DotLine; break;
        case kLineDashDot: style_ = Qt::DashDotLine; break;
        case kLineDashed: style_ = Qt::DashLine; break;
        default: style_ = Qt::SolidLine; break;
    }
    ApplyPen();
}

void QtCanvas::SetPenWidth(int width) {
    width_ = width;
    ApplyPen();
}

void QtCanvas::SetInvertMode(bool on) {
    if (on) {
        p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        QPen pen(Qt::white);
        pen.setWidth(1);
        p_.setPen(pen);
    } else {
        p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        ApplyPen();
    }
}

void QtCanvas::Line(DevicePoint from, DevicePoint to) {
    p_.drawLine(QPoint(from.x, from.y), QPoint(to.x, to.y));
}

void QtCanvas::Ellipse(DevicePoint corner1, DevicePoint corner2) {
    p_.setBrush(Qt::NoBrush);
    p_.drawEllipse(BoxOf(corner1, corner2));
}

void QtCanvas::Arc(DevicePoint corner1, DevicePoint corner2, DevicePoint start, DevicePoint end) {
    const QRect box = BoxOf(corner1, corner2);
    const QPointF centre((corner1.x + corner2.x) / 2.0, (corner1.y + corner2.y) / 2.0);
    const double a1 = DeviceAngle(centre, start);
    double span = DeviceAngle(centre, end) - a1;
    while (span <= 0) span += 360.0;  // equal radials: the full circle
    p_.drawArc(box, static_cast<int>(std::lround(a1 * 16)),
               static_cast<int>(std::lround(span * 16)));
}

void QtCanvas::Polygon(const std::array<DevicePoint, 4>& points, bool blackBrush) {
    QPolygon poly;
    for (const DevicePoint& d : points) poly << QPoint(d.x, d.y);
    p_.setBrush(blackBrush ? QColor(Qt::black) : brush_);
    p_.drawPolygon(poly);
    p_.setBrush(Qt::NoBrush);
}

QFont FontOfTextFont(const TextFont& f) {
    QFont font(FromAnsi(f.face));
    if (!QFontDatabase::families().contains(font.family())) font.setFamily("DejaVu Sans");
    font.setPixelSize(std::max(1, std::abs(f.cellHeight)));
    font.setWeight(f.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    if (f.charWidth > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0) font.setStretch(std::clamp(100 * f.charWidth / natural, 1, 4000));
    }
    return font;
}

void QtCanvas::Text(DevicePoint topLeft, const std::string& text, const TextFont& font) {
    const QFont qf = FontOfTextFont(font);
    p_.save();
    p_.setFont(qf);
    p_.setPen(font_);
    p_.translate(topLeft.x, topLeft.y);
    if (font.escapement != 0) p_.rotate(-font.escapement / 10.0);
    const QString shown = FromDisplayText(text);
    const QFontMetricsF metrics(qf);
    const QPointF base(0, QFontMetrics(qf).ascent());
    // A text wholly outside the clip (the printed view) is left out: a
    // page keeps a clipped text's letters, and a reader of the file would
    // find drawing the view does not show.
    if (!p_.hasClipping() ||
        p_.clipBoundingRect().intersects(metrics.boundingRect(shown).translated(base)))
        p_.drawText(base, shown);
    p_.restore();
}

void QtCanvas::Pause(int milliseconds) {
    if (skipPauses || milliseconds <= 0) return;
    if (showSoFar) showSoFar();
    QThread::msleep(static_cast<unsigned long>(std::min(milliseconds, 10000)));
}

bool QtCanvas::AnimationStep() {
    if (showSoFar) showSoFar();
    if (animationStep) return animationStep();
    return RunAnimationStepDialog();
}

}  // namespace veldrim
