#pragma once
// The columns of a table grid as an older form format streamed them: the
// property `savedColumns`, a list of "key=value" texts in which each
// "cvColumn=n" line starts column n and the lines after it set that
// column's colour, width, font, alignment, read-only switch, title and field:
//
//   cvColumn             column number n (0-based); columns are added up to n
//   cvColorStr           cell colour: a colour name (clRed, clWindow, ...) or
//                        a number 0x00BBGGRR (decimal or "$" hexadecimal)
//   cvWidthStr           width in pixels
//   cvFontStr            "name,colour,style": the low byte of style is the
//                        point size; 0x100 bold, 0x200 italic, 0x400
//                        underline, 0x800 strike-out
//   cvAlignmentStr       taLeftJustify, taRightJustify or taCenter (others:
//                        left)
//   cvReadOnlyStr        read-only when TRUE
//   cvTitleColorStr      title colour
//   cvTitleCaptionStr    title caption
//   cvTitleAlignmentStr  title alignment
//   cvTitleFontStr       title font
//   cvFieldNameStr       the field the column shows
//
// Keys are compared without case, and so are the alignment and TRUE texts.
// Lines before the first "cvColumn" belong to no column and are ignored; a
// colour that is not recognised keeps the colour the column had. The
// property `fixedColumns` (one integer) is read and ignored.

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace veldrim {

struct TzGridColumn {
    QString fieldName;
    std::optional<QColor> color;  // unset: the grid's cell colour
    int width = -1;               // -1: as wide as its contents
    std::optional<QFont> font;    // unset: the grid's font
    std::optional<QColor> fontColor;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool readOnly = false;
    std::optional<QColor> titleColor;
    QString titleCaption;
    Qt::Alignment titleAlignment = Qt::AlignLeft;
    std::optional<QFont> titleFont;
    std::optional<QColor> titleFontColor;

    // A column that shows nothing in particular (no field, no caption).
    bool Empty() const { return fieldName.isEmpty() && titleCaption.isEmpty(); }
};

// A colour name or number; nothing when the text is neither.
std::optional<QColor> StreamedColor(const QString& text);
// "taLeftJustify", "taRightJustify", "taCenter"; anything else is left.
Qt::Alignment StreamedAlignment(const QString& text);

// Reads a `savedColumns` list into the columns. A list that holds just one
// empty column is cleared first.
void ReadSavedColumns(const QStringList& lines, std::vector<TzGridColumn>& columns);

}  // namespace veldrim
