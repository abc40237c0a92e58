// The reader of the streamed column layout of a table grid.

#include "tables/qt/tz_grid_columns.h"

#include "foundation/qt/qt_support.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>

namespace veldrim {

namespace {

struct NamedColor {
    const char* name;
    int r, g, b;
};

// The named colours of the form format.
constexpr std::array<NamedColor, 20> kNamedColors{{
    {"clBlack", 0, 0, 0},       {"clMaroon", 128, 0, 0},         {"clGreen", 0, 128, 0},
    {"clOlive", 128, 128, 0},   {"clNavy", 0, 0, 128},           {"clPurple", 128, 0, 128},
    {"clTeal", 0, 128, 128},    {"clGray", 128, 128, 128},       {"clSilver", 192, 192, 192},
    {"clRed", 255, 0, 0},       {"clLime", 0, 255, 0},           {"clYellow", 255, 255, 0},
    {"clBlue", 0, 0, 255},      {"clFuchsia", 255, 0, 255},      {"clAqua", 0, 255, 255},
    {"clWhite", 255, 255, 255}, {"clMoneyGreen", 192, 220, 192}, {"clSkyBlue", 166, 202, 240},
    {"clCream", 255, 251, 240}, {"clMedGray", 160, 160, 164},
}};

struct SystemColor {
    const char* name;
    QPalette::ColorRole role;
};

// The desktop's colours, taken from the program's palette.
constexpr std::array<SystemColor, 9> kSystemColors{{
    {"clWindow", QPalette::Base},
    {"clWindowText", QPalette::Text},
    {"clBtnFace", QPalette::Button},
    {"clBtnText", QPalette::ButtonText},
    {"clHighlight", QPalette::Highlight},
    {"clHighlightText", QPalette::HighlightedText},
    {"clInfoBk", QPalette::ToolTipBase},
    {"clInfoText", QPalette::ToolTipText},
    {"clBtnShadow", QPalette::Dark},
}};

// "name,colour,style" onto a font and its colour.
void ReadFont(const QString& text, std::optional<QFont>& font, std::optional<QColor>& color) {
    const QStringList parts = text.split(',');
    QFont f = font.value_or(QFont());
    if (!parts.value(0).trimmed().isEmpty()) f.setFamily(parts.value(0).trimmed());
    if (parts.size() > 1)
        if (const auto c = StreamedColor(parts[1])) color = *c;
    if (parts.size() > 2) {
        bool ok = false;
        const int style = parts[2].trimmed().toInt(&ok);
        if (ok) {
            if ((style & 0xFF) > 0) f.setPointSize(style & 0xFF);
            f.setBold(style & 0x100);
            f.setItalic(style & 0x200);
            f.setUnderline(style & 0x400);
            f.setStrikeOut(style & 0x800);
        }
    }
    font = f;
}

}  // namespace

std::optional<QColor> StreamedColor(const QString& textIn) {
    const QString text = textIn.trimmed();
    for (const NamedColor& c : kNamedColors)
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return QColor(c.r, c.g, c.b);
    for (const SystemColor& c : kSystemColors)
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return QGuiApplication::palette().color(c.role);
    bool ok = false;
    const qlonglong v =
        text.startsWith('$') ? text.mid(1).toLongLong(&ok, 16) : text.toLongLong(&ok);
    // 0x00BBGGRR; negative numbers name desktop colours by index.
    if (!ok || v < 0 || v > 0xFFFFFF) return std::nullopt;
    return ColourOf(static_cast<std::uint32_t>(v));
}

Qt::Alignment StreamedAlignment(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("taRightJustify"), Qt::CaseInsensitive) == 0) return Qt::AlignRight;
    if (t.compare(QLatin1String("taCenter"), Qt::CaseInsensitive) == 0) return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

void ReadSavedColumns(const QStringList& lines, std::vector<TzGridColumn>& columns) {
    if (columns.size() == 1 && columns[0].Empty()) columns.clear();
    TzGridColumn* current = nullptr;
    for (const QString& line : lines) {
        const int eq = line.indexOf('=');
        if (eq < 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1);
        auto is = [&key](const char* k) {
            return key.compare(QLatin1String(k), Qt::CaseInsensitive) == 0;
        };
        if (is("cvColumn")) {
            bool ok = false;
            const int n = value.trimmed().toInt(&ok);
            // A column number beyond any sound layout is no column.
            if (!ok || n < 0 || n > 1023) {
                current = nullptr;
                continue;
            }
            while (static_cast<int>(columns.size()) <= n) columns.emplace_back();
            current = &columns[static_cast<std::size_t>(n)];
            continue;
        }
        if (!current) continue;
        TzGridColumn& c = *current;
        if (is("cvColorStr")) {
            if (const auto color = StreamedColor(value)) c.color = *color;
        } else if (is("cvWidthStr")) {
            bool ok = false;
            const int w = value.trimmed().toInt(&ok);
            if (ok && w >= 0) c.width = w;
        } else if (is("cvFontStr")) {
            ReadFont(value, c.font, c.fontColor);
        } else if (is("cvAlignmentStr")) {
            c.alignment = StreamedAlignment(value);
        } else if (is("cvReadOnlyStr")) {
            c.readOnly = value.trimmed().compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
        } else if (is("cvTitleColorStr")) {
            if (const auto color = StreamedColor(value)) c.titleColor = *color;
        } else if (is("cvTitleCaptionStr")) {
            c.titleCaption = value;
        } else if (is("cvTitleAlignmentStr")) {
            c.titleAlignment = StreamedAlignment(value);
        } else if (is("cvTitleFontStr")) {
            ReadFont(value, c.titleFont, c.titleFontColor);
        } else if (is("cvFieldNameStr")) {
            c.fieldName = value.trimmed();
        }
    }
}

}  // namespace veldrim
