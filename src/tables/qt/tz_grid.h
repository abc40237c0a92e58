#pragma once
// The table grid: a table view over TzTableModel with the behaviour of a
// dBase browser.
//   * records that carry the delete flag are drawn in the deleted colours
//     (red behind the grid's text colour), a selected one in the highlight
//     colours;
//   * logical fields are drawn as boxes in one of nine styles and toggled by
//     a click, Space or Enter; other keys do nothing in them;
//   * date fields are typed through a mask that follows the engine's date
//     format;
//   * a right click on a column title presses it (it stays drawn sunken) and
//     reports the column; clicks on the corner cell are reported as well;
//   * Ctrl+Del restores a deleted record;
//   * Down on the last row appends a new record when AutoAppend is on;
//   * the indicator cells (the row heads) are filled with the indicator
//     colour a row-colour handler chose;
//   * a column layout (fields, order, widths, colours, fonts, titles) can be
//     given, or read from the streamed form of an older form format.
// The cells typed into one row are one edit of its record: Post or Cancel
// takes them all. Moving to another row moves the dataset, which posts it.

#include <QHeaderView>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include "tables/qt/tz_table_model.h"

namespace veldrim {

enum class TzBooleanBox {
    bbCheckBox,
    bbCheckMark,
    bbText,
    bbFillBox,
    bbFillBoxRed,
    bbRButton,
    bbRButtonRed,
    bbDot,
    bbDotRed
};

// The input mask of a date cell for the engine's date format in force:
// "99/99/9999;1; " for day-first and month-first formats ("99" years
// without the century), "9999/99/99;1; " for year-first ones, with the
// format's own separator in place of "/".
std::string DateEditMask();
// The same as a Qt input mask.
QString QtDateInputMask();

class TzGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TzGridHeader(QWidget* parent);
    int pressedColumn = -1;  // logical index, -1 none

signals:
    void titleRightReleased(int logicalIndex);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// The row heads: the record marker, on the row's indicator colour.
class TzIndicatorHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TzIndicatorHeader(QWidget* parent);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

class TzGrid;

class TzGridDelegate : public QStyledItemDelegate {
public:
    explicit TzGridDelegate(TzGrid* grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // An editor that holds a text its field refused keeps it while its row
    // is drawn again.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // A cell typed through a mask (a date) gives its text as shown, blanks
    // and all: a cleared date cell is the blank-date picture.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TzGrid* grid_;
};

class TzGrid : public QTableView {
    Q_OBJECT
public:
    explicit TzGrid(QWidget* parent = nullptr);
    using QTableView::edit;

    void SetTableModel(TzTableModel* model);
    TzTableModel* TableModel() const { return model_; }

    bool AutoAppend = true;
    // The confirm-delete option of the grid: asks before Ctrl+Del restores.
    bool ConfirmDelete = false;
    TzBooleanBox BooleanBox() const { return booleanBox_; }
    void SetBooleanBox(TzBooleanBox b);
    bool DepressDisabled() const { return depressDisabled_; }
    void SetDepressDisabled(bool on);
    int PressedColumn() const { return header_->pressedColumn; }
    // Pick modes: no editing, whole rows selected.
    void SetReadOnly(bool on);
    bool ReadOnly() const { return readOnly_; }

    // The row of the dataset's record made current in the view.
    void FollowDataSet();
    // Everything read again, the dataset's record current.
    void Reload();
    // The cell being typed into, when one is open: its text stored into the
    // record's field (as leaving the cell stores it) and its editor closed;
    // or dropped, its editor closed and the text gone.
    // A text the field refuses stays in the open editor, which gets the
    // focus, and raises ECellRefused with the message: the command that
    // called stops there and shows it, once.
    void CommitOpenCell();
    void DropOpenCell();
    // The open editor that holds a text its field refused (nullptr: none).
    QWidget* RefusedEditor() const { return refusedEditor_; }
    // Toggles the logical cell (when the grid may edit).
    bool ToggleLogical(const QModelIndex& index);

    // The column layout: the listed fields in their order, the others
    // hidden; no columns: every field in table order.
    void SetColumns(std::vector<TzGridColumn> columns);
    const std::vector<TzGridColumn>& Columns() const { return columns_; }
    // A streamed property of an older form: "savedColumns" (a list of
    // "key=value" texts, read into the column layout) or "fixedColumns"
    // (one integer, ignored). False for any other property.
    bool ReadStreamedProperty(const QString& name, const QVariant& value);

signals:
    void cornerLeftClick();
    void cornerRightClick();
    void depressTitle(int column);
    void cellClicked(const QModelIndex& index);
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void keyUp(int key);
    // The dataset's record changed (moved, edited, restored, appended).
    void recordChanged();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every store of a cell's editor comes here, whoever started it (the
    // editor left, Return or Tab, a move, a command): a text the field
    // refuses keeps its editor open, and its message is shown once, after
    // the event that committed it.
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    friend class TzGridDelegate;
    // Shows a cell's message once the event being handled is done.
    void ReportLater(const std::string& message);
    bool KeepsRefusedEditor(QWidget* editor) const;
    void TitleReleased(int logicalIndex);
    bool RestoreCurrent();
    bool AppendRow();
    bool IsLogical(const QModelIndex& index) const;
    // The layout put onto the header: order, hidden fields, widths.
    void ApplyColumns();

    TzTableModel* model_ = nullptr;
    TzGridHeader* header_;
    TzBooleanBox booleanBox_ = TzBooleanBox::bbCheckBox;
    bool depressDisabled_ = false;
    bool readOnly_ = false;
    bool following_ = false;
    std::vector<TzGridColumn> columns_;
    // The editor kept open with the text its field refused.
    QPointer<QWidget> refusedEditor_;
    QString refusedText_;
    // The message of the last commit, for CommitOpenCell.
    std::string commitMessage_;
    // A commit made because the focus left the editor, or by CommitOpenCell:
    // its refusal is told by the command, not by the commit.
    bool focusLeaving_ = false;
    bool committingOpenCell_ = false;
    std::string laterMessage_;
};

// A typed cell's text that its field refuses; what() is the message.
class ECellRefused : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

}  // namespace veldrim
