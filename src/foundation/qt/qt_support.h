#pragma once
// The edge between the program's code page 850 texts and Qt, and the form
// placement of every window the program shows.

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>

class QPushButton;
class QWidget;

namespace veldrim {

// Stored (code page 850) text to a Qt string and back.
QString FromOem(const std::string& oem);
std::string ToOem(const QString& text);
// A file or folder name, held as the bytes of its name on disk (UTF-8), to a
// Qt string and back.
QString FromFileName(const std::string& name);
std::string ToFileName(const QString& name);
// A name (a file's, a table's) as a menu item's caption shows it: each "&"
// doubled, so that it is a letter and not the item's shortcut mark.
QString MenuTextOfName(const QString& name);
// A Windows-1252 ("ANSI") text, as the display list holds its texts.
QString FromAnsi(const std::string& ansi);
// A text of the display list as the canvas paints it: Windows-1252 with the
// letters of a file name that code page lacks carried.
QString FromDisplayText(const std::string& ansi);

// Colour value red + 256 green + 65536 blue.
QColor ColourOf(std::uint32_t value);

// "Label|*.ext|Label|*.*" to Qt's "Label (*.ext);;Label (*.*)"; a label that
// already is a pattern ("*.qb3") stands alone.
QString QtFileFilter(const std::string& filter);

// How a form is placed before it is shown.
enum class Placement { CentreOverMain, CentreOnScreen, SavedPosition, SizeOnly, Dpi };
// Scales and places the form by the placement settings (nothing while the
// form-placement option is 2). The main window's geometry comes from
// mainWindowGeometry, which the main window keeps up to date.
void PlaceForm(QWidget* form, Placement how = Placement::CentreOverMain);
// The horizontal logical pixels per inch of the screen the widget is on
// (what the program's form scaling calls the screen DPI); 0 without a screen.
int ScreenDpiOf(const QWidget& widget);

// A push button with an object name and a stored (code page 850) caption
// that is never the default by itself.
QPushButton* NamedButton(QWidget* parent, const char* name, const std::string& caption);

// The window dialogs belong to: the active window, else the main window
// registered by the program, else none.
QWidget* DialogParent();
void SetMainWidget(QWidget* main);
QWidget* MainWidget();

}  // namespace veldrim
