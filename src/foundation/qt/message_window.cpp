#include "foundation/qt/message_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "foundation/qt/qt_support.h"

namespace veldrim {

namespace {
constexpr int kMargin = 30;
}

MessageWindow::MessageWindow(const QString& caption)
    : QFrame(nullptr, caption.isEmpty()
                          ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          : Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(caption.isEmpty() ? "TTzMsg" : "TTzProgress100");
    setWindowTitle(caption);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, ColourOf(65535));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    label_ = new QLabel(this);
    label_->setAlignment(Qt::AlignCenter);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(2, 2, 2, 2);
    l->addWidget(label_);
    resize(0, 0);
}

void MessageWindow::ShowText(const QString& text) {
    if (!text.isEmpty()) text_ = text;
    const QFontMetrics fm(font());
    int w = fm.horizontalAdvance(text_) + kMargin;
    const int h = fm.height() + kMargin;
    if (!windowTitle().isEmpty())
        w = std::max(w, fm.horizontalAdvance(windowTitle()) + kMargin + 60);
    if (w > width() || h > height() || !isVisible()) {
        resize(std::max(w, width()), std::max(h, height()));
        QRect ref;
        if (QWidget* m = DialogParent())
            ref = m->window()->geometry();
        else if (const QScreen* s = QGuiApplication::primaryScreen())
            ref = s->geometry();
        move(ref.left() + (ref.width() - width()) / 2, ref.top() + (ref.height() - height()) / 2);
        show();
    }
    label_->setText(text_);
    label_->repaint();
}

QString ProgressBarText(int percent) {
    return QString(std::clamp(100 - percent, 0, 100), QChar('|'));
}

}  // namespace veldrim
