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

private:
    TzGrid* grid_;
};

class TzGrid : public QTableView {
    Q_OBJECT
public:
    explicit TzGrid(QWidget* parent = nullptr);

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
    void CommitOpenCell();
    void DropOpenCell();
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

private:
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
};

}  // namespace veldrim
