#include "tables/qt/table_editor_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QVBoxLayout>

#include "foundation/codepage.h"
#include "foundation/qt/qt_support.h"
#include "foundation/ui_services.h"
#include "tables/engine/engine_base.h"

namespace veldrim {

namespace {

// Runs a handler; failures of the engine and the dataset are shown, and so
// is any other failure: none may leave through the window's event loop,
// which would end the program.
template <class F>
void Shown(F&& step) {
    try {
        step();
    } catch (const EDatabaseError& e) {
        Ui().ShowMessage("", e.what(), MessageKind::Error);
    } catch (const EDurazError& e) {
        ShowDurazError(e);
    } catch (const std::exception& e) {
        Ui().ShowMessage("", e.what(), MessageKind::Error);
    }
}

// Runs a command of the window's menus or buttons as Shown does, the cell
// being typed into taken into the row first, as leaving the cell would: a
// menu or a button's shortcut leaves the cell editor open, and the command
// posts or leaves the row. A value the field refuses stops the command.
template <class F>
void WithOpenCellTaken(TzGrid* grid, F&& step) {
    Shown([&] {
        grid->CommitOpenCell();
        step();
    });
}

}  // namespace

TableEditorWindow::TableEditorWindow(Tdbf4& form, QWidget* parent)
    : QDialog(parent), commands(form), form_(form) {
    setObjectName("dbf4");
    resize(656, 464);

    navigator = new TzNavigator(this);
    buttonSearch = new QPushButton(QStringLiteral("&Suchen"), this);
    buttonSearchNext = new QPushButton(QStringLiteral("&Weitersuchen"), this);
    editRecno = new QLineEdit(this);
    editRecno->setObjectName("Edit_recno");
    editRecno->setMaximumWidth(80);
    labelReccount = new QLabel(this);
    labelTitle1 = new QLabel(this);
    labelTitle1->hide();
    labelTitle2 = new QLabel(this);
    labelFilename = new QLabel(this);
    labelFilename->hide();
    buttonOk = new QPushButton(QStringLiteral("OK"), this);
    buttonOk->setDefault(true);
    buttonCancel = new QPushButton(QStringLiteral("Abbrechen"), this);

    grid = new TzGrid(this);
    grid->setObjectName("TzGrid1");
    QFont cells(QStringLiteral("Courier New"));
    cells.setPixelSize(11);
    grid->setFont(cells);
    model = new TzTableModel(form.tzdbf, this);
    grid->SetTableModel(model);
    navigator->SetGrid(grid);

    auto* top = new QHBoxLayout;
    top->addWidget(navigator);
    top->addWidget(buttonSearch);
    top->addWidget(buttonSearchNext);
    top->addWidget(editRecno);
    top->addWidget(labelReccount);
    top->addWidget(labelTitle2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(buttonOk);
    bottom->addWidget(buttonCancel);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->addLayout(top);
    page->addWidget(grid, 1);
    page->addLayout(bottom);
    BuildMenus();
    page->setMenuBar(menuBar_);

    connect(buttonOk, &QPushButton::clicked, this, &TableEditorWindow::AcceptRecord);
    connect(buttonCancel, &QPushButton::clicked, this, &TableEditorWindow::reject);
    connect(buttonSearch, &QPushButton::clicked, this,
            [this] { WithOpenCellTaken(grid, [this] { SearchDone(commands.Search()); }); });
    connect(buttonSearchNext, &QPushButton::clicked, this,
            [this] { WithOpenCellTaken(grid, [this] { SearchDone(commands.SearchNext()); }); });
    connect(grid, &TzGrid::cellClicked, this, [this] {
        chosen_ = true;
        ShowPosition();
        if (form_.pickAndClose) AcceptRecord();
    });
    connect(grid, &TzGrid::keyDown, this, [this](int key, Qt::KeyboardModifiers) {
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape) chosen_ = true;
        if (form_.pickAndClose && (key == Qt::Key_Up || key == Qt::Key_Down)) AcceptRecord();
    });
    connect(grid, &TzGrid::keyUp, this, [this](int) { ShowPosition(); });
    connect(grid, &TzGrid::recordChanged, this, [this] {
        if (settled_) chosen_ = true;
        ShowPosition();
    });
    connect(navigator, &TzNavigator::clicked, this, [this] {
        chosen_ = true;
        ShowPosition();
    });
    connect(editRecno, &QLineEdit::textEdited, this, [this](const QString& text) {
        chosen_ = true;
        // The jump leaves the row: the cell being typed goes into it first,
        // and a text its field refuses keeps the row where it is.
        bool taken = false;
        bool moved = false;
        WithOpenCellTaken(grid, [&] {
            taken = true;
            moved = commands.GoTyped(text.toStdString());
            if (moved) grid->FollowDataSet();
        });
        // A jump that did not happen (the cell was refused, or the row's post
        // failed: another program holds the table) shows the record the grid
        // stays on; a number that names no record stays as typed.
        if (!taken || (!moved && commands.NamesRecord(text.toStdString()))) ShowPosition();
        labelReccount->setText(QStringLiteral("/%1").arg(form_.tzdbf.RecCount()));
    });
    connect(grid, &TzGrid::depressTitle, this, [this](int column) {
        // The sort posts the row's edit: the cell being typed into is part of
        // it. The column's own field, wherever the column was moved to.
        WithOpenCellTaken(grid, [&] {
            if (commands.SortByField(model->FieldNoOfColumn(column))) Reread();
        });
    });
}

void TableEditorWindow::BuildMenus() {
    menuBar_ = new QMenuBar(this);
    auto action = [this](QMenu* menu, const char* name, const QString& text, auto&& handler) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this,
                [this, handler] { WithOpenCellTaken(grid, handler); });
        return a;
    };
    miFile = menuBar_->addMenu(FromOem(form_.menuFile));
    miFile->setObjectName("mi_File");
    miFileExportHtml =
        action(miFile, "mi_fileExportHtml", "Export HTML", [this] { commands.ExportHtml(); });
    miFileSaveAsDelimited = action(miFile, "mi_fileSaveAsDelimited", "Save As Delimited",
                                   [this] { commands.SaveAsDelimited(); });
    miFileAppendDbf = action(miFile, "mi_fileAppenddbf", "Append dbf", [this] {
        if (commands.AppendDbf()) Reread();
    });
    miFileAppendDelimited = action(miFile, "mi_fileAppendDelimited", "Append Delimited", [this] {
        if (commands.AppendDelimited()) Reread();
    });
    miPrintSeparator = miFile->addSeparator();
    miFilePrint = action(miFile, "mi_filePrint", FromOem(form_.menuPrint),
                         [this] { commands.Print(ToOem(windowTitle())); });
    miFileExit = action(miFile, "mi_fileExit", FromOem(form_.menuExit), [this] { AcceptRecord(); });
    miEdit = menuBar_->addMenu(FromOem(form_.menuEdit));
    miEdit->setObjectName("mi_edit");
    miEditAppend = action(miEdit, "mi_editAppend", "Append", [this] {
        if (commands.AppendCopy()) Reread();
    });
    miEditPack = action(miEdit, "mi_editPack", "Pack", [this] {
        if (commands.Pack()) Reread();
    });
    miEditPack->setToolTip(FromOem(std::string("Markierte Datensätze löschen"_cp850)));
    miView = menuBar_->addMenu(FromOem(form_.menuView));
    miView->setObjectName("mi_view");
    miViewSearch =
        action(miView, "mi_viewSearch", "&Suchen", [this] { SearchDone(commands.Search()); });
    miViewSearchNext = action(miView, "mi_viewSearchNext", "&Weitersuchen",
                              [this] { SearchDone(commands.SearchNext()); });
    miHelp = menuBar_->addMenu(FromOem(form_.menuHelp));
    miHelp->setObjectName("mi_Help");
    miHelpDbf =
        action(miHelp, "mi_helpdbf", "dbf Structure", [this] { commands.HelpDbfStructure(); });
    miHelpCommon = action(miHelp, "mi_helpCommon", FromOem(form_.menuCommon),
                          [this] { commands.HelpCommon(); });
    miHelpPicture = action(miHelp, "mi_helphilfebild", "Hilfe&bild", [this] {
        commands.HelpPicture();
        raise();
        activateWindow();
    });
    miHelpDatei = action(miHelp, "mi_helpDatei", FromOem(form_.menuFile),
                         [this] { commands.ShowFileName(); });
}

void TableEditorWindow::Configure(const std::string& caption, int mode) {
    pick_ = mode == 1 || mode == 4 || mode == 5;
    // The titles are the program's code page 850 texts.
    setWindowTitle(FromOem(caption));
    labelTitle1->setText(FromOem(form_.title1));
    labelTitle2->setText(FromOem(form_.title2));
    labelFilename->setText(QString::fromStdString(form_.labelFilename));
    // The caption is the table's name in the editor: an "&" in it is a letter.
    miHelpDbf->setText(MenuTextOfName(FromOem(form_.helpItemCaption)));
    navigator->SetMoveButtonsOnly(pick_);
    miFileAppendDbf->setVisible(!pick_);
    miFileAppendDelimited->setVisible(!pick_);
    miPrintSeparator->setVisible(!pick_);
    miEdit->menuAction()->setVisible(!pick_);
    grid->SetReadOnly(pick_);
    chosen_ = !pick_ || form_.startRowChosen;
    settled_ = false;
    // Hiding deleted records was set on the dataset by the mode.
    grid->Reload();
}

void TableEditorWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (form_.pickAndClose && model->columnCount() > 0) {
        const int column = std::clamp(DbfGridCol - 1, 0, model->columnCount() - 1);
        const int row = std::max(0, model->CurrentRow());
        if (model->rowCount() > 0) grid->setCurrentIndex(model->index(row, column));
    }
    if (!chosen_) grid->clearSelection();  // shown, not chosen
    settled_ = true;
    ShowPosition();
    grid->setFocus();
}

void TableEditorWindow::keyPressEvent(QKeyEvent* e) {
    // Enter that finishes a cell belongs to the grid: it must not press the
    // default button and close the editor.
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && grid->isAncestorOf(QApplication::focusWidget())) return;
    QDialog::keyPressEvent(e);
}

void TableEditorWindow::ShowPosition() {
    labelReccount->setText(
        QStringLiteral("/%1").arg(form_.tzdbf.Active() ? form_.tzdbf.RecCount() : 0));
    // A row the pick only opened on is not shown as the current one: no
    // marker and no record number until the user chooses a row.
    model->SetCurrentMarked(chosen_);
    editRecno->setText(chosen_ ? QString::number(form_.tzdbf.Active() ? form_.tzdbf.RecNo() : 0)
                               : QString());
}

void TableEditorWindow::Reread() {
    grid->Reload();
    ShowPosition();
}

void TableEditorWindow::SearchDone(bool hit) {
    if (!hit) return;
    chosen_ = true;
    grid->FollowDataSet();
    ShowPosition();
    if (form_.pickAndClose) AcceptRecord();
}

void TableEditorWindow::AcceptRecord() {
    if (closing_) return;
    // OK without a record chosen takes none; the table access says so once
    // the window is closed.
    if (!chosen_) {
        form_.okWithoutChoice = true;
        reject();
        return;
    }
    bool posted = false;
    Shown([&] {
        // The cell being typed into is part of the row that OK posts (the
        // menu's Exit leaves it open, unlike a click on the OK button).
        grid->CommitOpenCell();
        form_.AcceptRecordAndClose();
        posted = true;
    });
    if (!posted) return;
    const QModelIndex at = grid->currentIndex();
    DbfGridRow = at.isValid() ? at.row() + 1 : 0;
    DbfGridCol = at.isValid() ? at.column() + 1 : 0;
    closing_ = true;
    QDialog::accept();
}

void TableEditorWindow::reject() {
    if (closing_) return;
    // A pending edit of the current row is dropped, with the cell being
    // typed into.
    grid->DropOpenCell();
    Shown([&] {
        if (form_.tzdbf.Active() && form_.tzdbf.State() != TDataSetState::dsBrowse)
            form_.tzdbf.Cancel();
    });
    form_.CancelAndClose();
    closing_ = true;
    QDialog::reject();
}

void InstallQtTableEditor() {
    tableEditorShowHook = [](Tdbf4& form, const std::string& caption, int mode) {
        TableEditorWindow window(form, DialogParent());
        window.Configure(caption, mode);
        PlaceForm(&window);
        window.exec();
    };
}

}  // namespace veldrim
