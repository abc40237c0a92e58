#include "foundation/qt/qt_support.h"

#include <QApplication>
#include <cmath>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include "foundation/codepage.h"
#include "foundation/form_placement.h"

namespace veldrim {

namespace {
QPointer<QWidget> mainWidget;
}

QString FromOem(const std::string& oem) { return QString::fromStdString(Cp850ToUtf8Carried(oem)); }

std::string ToOem(const QString& text) { return Utf8ToCp850(text.toStdString()); }

QString FromFileName(const std::string& name) { return QFile::decodeName(name.c_str()); }

std::string ToFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

QString MenuTextOfName(const QString& name) {
    QString text = name;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString FromAnsi(const std::string& ansi) { return QString::fromStdString(Win1252ToUtf8(ansi)); }

QString FromDisplayText(const std::string& ansi) {
    return QString::fromStdString(Win1252ToUtf8Carried(ansi));
}

QColor ColourOf(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = FromOem(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i].trimmed(), pattern = parts[i + 1].trimmed();
        if (label.isEmpty() || label == pattern)
            out << pattern;
        else
            out << label + " (" + pattern + ")";
    }
    if (parts.size() % 2 == 1 && !parts.back().trimmed().isEmpty()) out << parts.back().trimmed();
    return out.join(";;");
}

void SetMainWidget(QWidget* main) { mainWidget = main; }

QWidget* MainWidget() { return mainWidget.data(); }

QWidget* DialogParent() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    return mainWidget.data();
}

void PlaceForm(QWidget* form, Placement how) {
    if (!form) return;
    FormGeometry g;
    g.left = form->x();
    g.top = form->y();
    g.width = g.clientWidth = form->width();
    g.height = g.clientHeight = form->height();
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        screenWidth = s->geometry().width();
        screenHeight = s->geometry().height();
    }
    switch (how) {
        case Placement::CentreOverMain: ScaleAndCentreForm(g); break;
        case Placement::CentreOnScreen: ScaleAndCentreOnScreen(g); break;
        case Placement::SavedPosition: ScaleAndPlaceSaved(g); break;
        case Placement::SizeOnly: ScaleFormSize(g); break;
        case Placement::Dpi: ScaleFormSizeDpi(g); break;
    }
    if (g.contentScalePercent != 100 && g.contentScalePercent > 0) {
        QFont f = form->font();
        const qreal size = f.pointSizeF() > 0 ? f.pointSizeF() : 9.0;
        f.setPointSizeF(size * g.contentScalePercent / 100.0);
        form->setFont(f);
    }
    form->resize(std::max(g.width, 1), std::max(g.height, 1));
    if (how != Placement::SizeOnly && how != Placement::Dpi) form->move(g.left, g.top);
}

int ScreenDpiOf(const QWidget& widget) {
    const QScreen* s = widget.screen();
    if (!s) return 0;
    return static_cast<int>(std::nearbyint(s->logicalDotsPerInchX()));
}

QPushButton* NamedButton(QWidget* parent, const char* name, const std::string& caption) {
    auto* b = new QPushButton(FromOem(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace veldrim
