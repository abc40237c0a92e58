#pragma once
// The table of a work-area dataset as a Qt item model: one row per record in
// the order the table shows (natural, by a controlling index, without hidden
// deleted records), one column per field.
//
// Rows are read on demand. In natural order with nothing hidden, row r is
// record r + 1 and nothing is walked at all; in any other order the record
// numbers of the rows are collected as the view scrolls towards them
// (canFetchMore / fetchMore), never more than the view has reached. The
// field texts of a few hundred rows are kept; the current record is always
// shown from the dataset's own buffer, so a pending edit shows as typed.
//
// While the dataset inserts a new record, it appears as one more row at the
// end until it is posted or cancelled.
//
// Column c always shows table field c + 1. A field without a name (another
// program wrote the table) has no field object in the dataset: it is shown
// read-only from the stored record under the title "#" and its number.

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tables/datasets/tz_file_dataset.h"
#include "tables/qt/tz_grid_columns.h"

namespace veldrim {

// The seven colours of a cell, as a handler may change them per row.
struct TzCellColors {
    QColor indicator, cell, cellText, hilite, hiliteText, deleted, deletedText;
};

// The verdict on a text typed into a cell of a field: empty when the field
// takes it, else the message that says why not: a number wider than its
// field (stored, it would be stars, and both the typed and the old value
// lost), a text in a number field that is no number, a date the engine
// cannot read or store. Shows nothing.
std::string RefusalOfTypedText(const TDTField& field, const QString& typed);

class TzTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Roles beyond Qt's own.
    enum Role { DeletedRole = Qt::UserRole + 1, RecNoRole, FieldTypeRole, BoolRole };

    explicit TzTableModel(TTzFileDataSet& dataset, QObject* parent = nullptr);

    TTzFileDataSet& DataSet() const { return ds_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stores a typed cell (EditRole) or a logical cell's value (BoolRole)
    // into the record's field. It shows nothing: a message box's event loop
    // would take the focus from the cell's editor in the middle of its
    // commit. What it has to say waits in the cell report.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // What the last setData had to say, handed out once. Refused: nothing
    // was stored, and the typed text belongs in its editor still. The
    // message (empty: none) is for the command that started the edit to
    // show, once the editor is closed or kept.
    struct CellReport {
        bool refused = false;
        std::string message;
    };
    // Nothing when no setData ran since the last one was handed out.
    std::optional<CellReport> TakeCellReport() { return std::exchange(report_, std::nullopt); }
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // No cell can be edited (pick modes).
    void SetReadOnly(bool on);
    bool ReadOnly() const { return readOnly_; }
    // Whether the indicator column marks the current record. Off while a
    // pick stands on a row nobody chose: no row is shown as the one taken.
    void SetCurrentMarked(bool on);

    // The record number shown in a row (0: none), the row of a record (-1:
    // not reached yet and not found), the row of the dataset's record.
    int32_t RecNoOfRow(int row) const;
    int RowOfRecNo(int32_t recNo);
    int CurrentRow();
    // Moves the dataset to the record of the row; a move to another record
    // posts a pending edit, the record already current keeps it open.
    bool MoveToRow(int row);
    // The table field (1-based) a column is bound to, and its field object
    // (nullptr for a field without a name).
    int FieldNoOfColumn(int column) const { return column + 1; }
    TField* FieldOfColumn(int column) const;
    char FieldType(int column) const;

    // Everything read again (after a sort, a pack, an import, an append).
    void Reload();
    // The record edited in an order walked through an index or a filter,
    // once its edit is no longer pending (posted or cancelled): a post may
    // have moved it to another row, so the rows must be read again. 0 when
    // there is none; the record is handed out once.
    int32_t TakeSettledEdit();
    // The dataset starts a new record, shown as one more row at the end.
    void AppendRecord();
    // The dataset's current record drawn again (after an edit or a restore).
    void RefreshCurrent();

    // Texts that mean true and false for a logical column ("J;N"); empty:
    // "wahr" and "falsch".
    void SetDisplayValues(int column, const QString& values);
    QString TrueText(int column) const;
    QString FalseText(int column) const;

    // The colours of every cell start from these (a column of the layout
    // has its own cell and text colours); a handler may change them for a
    // row (curRow is the 0-based data row). While the handler runs, the
    // dataset's active record is the row's record, so the handler reads the
    // row's fields; the dataset's record is put back afterwards.
    TzCellColors baseColors;
    std::function<void(int curRow, TzCellColors& colors)> OnChangeColors;
    TzCellColors ColorsOfCell(int row, int column) const;
    TzCellColors ColorsOfRow(int row) const { return ColorsOfCell(row, -1); }

    // The grid's column layout: each column's colours, font, alignment,
    // read-only switch and title, found by the column's field name.
    void SetColumnLayout(const std::vector<TzGridColumn>& columns);
    const TzGridColumn* LayoutOfColumn(int column) const;

    // How many rows' field texts are held, and the most held at once.
    int CachedRows() const { return static_cast<int>(cache_.size()); }
    static constexpr int kCacheRows = 512;
    // Record numbers collected for a walked order (0 in natural order).
    int WalkedRows() const { return static_cast<int>(walked_.size()); }

private:
    struct RowTexts {
        QStringList texts;
        bool deleted = false;
    };
    // setData's part that moves to the row and stores the value.
    bool Store(const QModelIndex& index, TField& field, const QVariant& value, int role);
    // Natural order, nothing hidden: row r is record r + 1.
    bool Natural() const;
    int StoredRows() const;
    bool Inserting() const;
    const RowTexts& Texts(int32_t recNo) const;
    QString FieldText(int column, const std::string& stored) const;
    QString CurrentText(int column) const;
    bool CurrentIsBool(int column) const;
    // Collects up to n more record numbers of a walked order.
    void Walk(int n);
    void EngineBack();
    bool IsActiveRecord(int32_t recNo) const;

    TTzFileDataSet& ds_;
    bool readOnly_ = false;
    bool currentMarked_ = true;
    bool natural_ = true;
    int32_t recordCount_ = 0;
    std::vector<int32_t> walked_;
    bool walkedAll_ = false;
    int32_t editedRecord_ = 0;  // see TakeSettledEdit
    mutable QHash<int32_t, RowTexts> cache_;
    QHash<int, QString> displayValues_;
    std::vector<TzGridColumn> layout_;
    std::optional<CellReport> report_;
};

}  // namespace veldrim
