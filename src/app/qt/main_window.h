#pragma once
// The main window `Thh`: the graphics window with the program's menus. All
// drawing of the program goes to it (GraphicsWindow); its menu commands
// reach every capability the program has.

#include <QMainWindow>
#include <functional>
#include <vector>

#include "graphics/qt/graphics_view.h"

class QLabel;
class QMenu;
class QPrinter;

namespace veldrim {

// A menu item; it knows whether a handler listens to it.
class MenuAction : public QAction {
public:
    using QAction::QAction;
    bool HasHandler() const;
    // True while the item runs because its shortcut key was pressed.
    bool ByShortcut() const { return byShortcut_; }

protected:
    bool event(QEvent* e) override;

private:
    bool byShortcut_ = false;
};

// `Thh`: T marks a class of the design, hh is the design's short name of its main window.
class Thh : public QMainWindow, public QtGraphicsWindow {
public:
    Thh();
    ~Thh() override;

    GraphicsView* graphics() const { return view_; }
    // The print dialog of "Drucken": true when the printer was accepted.
    // Empty: Qt's print dialog.
    std::function<bool(QPrinter&)> printDialog;
    // Every item of the menu bar, in menu order.
    std::vector<MenuAction*> MenuItems() const;
    MenuAction* Item(const char* name) const;

    // The title bar: the window title and the current file.
    void UpdateTitle();
    // Recent-file items after a change of the list.
    void UpdateRecentFiles();
    // After a command that changed the data set or the view.
    void AfterCommand();
    // The status bar's mark of the calculation messages.
    void UpdateCalculationStatus();

    // Menu handlers that need the window.
    void mi_fileExitClick();
    void mi_helpAboutClick();
    void mi_helpSystemClick();
    void mi_cadWriteClick(std::uint16_t code);
    void mi_viewzeichnungClick();

protected:
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    MenuAction* Add(QMenu* menu, const char* name, const QString& caption,
                    std::function<void()> handler, const QKeySequence& keys = {});
    void BuildMenus();
    void KeepGeometry();
    GraphicsView* view_;
    std::vector<MenuAction*> recent_;
    MenuAction* redraw_ = nullptr;
    QLabel* calcStatus_ = nullptr;
};

}  // namespace veldrim
