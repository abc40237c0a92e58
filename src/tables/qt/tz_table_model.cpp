#include "tables/qt/tz_table_model.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

#include "foundation/qt/qt_support.h"
#include "foundation/ui_services.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/navigation.h"
#include "tables/engine/dbf_file.h"
#include "tables/datasets/tz_dataset.h"
#include "tables/engine/number_digits.h"

namespace veldrim {

namespace {

// Rows whose record numbers one fetch collects in a walked order.
constexpr int kFetchRows = 256;

QString Trimmed(const QString& s) { return s.trimmed(); }

}  // namespace

TzTableModel::TzTableModel(TTzFileDataSet& dataset, QObject* parent)
    : QAbstractTableModel(parent), ds_(dataset) {
    const QPalette pal = QGuiApplication::palette();
    baseColors.indicator = pal.color(QPalette::Button);
    baseColors.cell = pal.color(QPalette::Base);
    baseColors.cellText = pal.color(QPalette::Text);
    baseColors.hilite = pal.color(QPalette::Highlight);
    baseColors.hiliteText = pal.color(QPalette::HighlightedText);
    baseColors.deleted = QColor(255, 0, 0);
    baseColors.deletedText = pal.color(QPalette::Text);
    Reload();
}

bool TzTableModel::Natural() const { return natural_; }

bool TzTableModel::Inserting() const {
    return ds_.Active() && ds_.State() == TDataSetState::dsInsert;
}

int TzTableModel::StoredRows() const {
    return natural_ ? recordCount_ : static_cast<int>(walked_.size());
}

int TzTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !ds_.Active()) return 0;
    return StoredRows() + (Inserting() ? 1 : 0);
}

int TzTableModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !ds_.Active()) return 0;
    return ds_.FieldProps().Count();
}

char TzTableModel::FieldType(int column) const {
    const auto& items = ds_.FieldProps().items;
    if (column < 0 || column >= static_cast<int>(items.size())) return 0;
    return items[static_cast<std::size_t>(column)].type;
}

void TzTableModel::Reload() {
    beginResetModel();
    cache_.clear();
    walked_.clear();
    walkedAll_ = false;
    if (!ds_.Active() || ds_.State() == TDataSetState::dsBrowse) editedRecord_ = 0;
    recordCount_ = 0;
    natural_ = true;
    if (ds_.Active() && ds_.SelectForOperation("Grid")) {
        RefreshRecCount();
        recordCount_ = RecCount();
        natural_ = CurrentOrder() == 0 && !ds_.HideDeletedRecs() && ds_.FilterText().empty();
    }
    // The first screen of a walked order.
    if (!natural_) Walk(kFetchRows);
    endResetModel();
}

int32_t TzTableModel::TakeSettledEdit() {
    if (editedRecord_ == 0 || (ds_.Active() && ds_.State() != TDataSetState::dsBrowse)) return 0;
    return std::exchange(editedRecord_, 0);
}

void TzTableModel::AppendRecord() {
    const int row = StoredRows();
    beginInsertRows({}, row, row);
    try {
        ds_.Append();
    } catch (...) {
        endInsertRows();
        Reload();
        throw;
    }
    endInsertRows();
}

void TzTableModel::RefreshCurrent() {
    const int32_t rec = ds_.ActiveRecordNumber();
    cache_.remove(rec);
    const int row = RowOfRecNo(rec);
    if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    if (Inserting()) {
        const int last = rowCount() - 1;
        emit dataChanged(index(last, 0), index(last, columnCount() - 1));
    }
    emit headerDataChanged(Qt::Vertical, 0, std::max(0, rowCount() - 1));
}

bool TzTableModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !natural_ && !walkedAll_ && ds_.Active();
}

void TzTableModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    // The walk moves the engine: never under a pending edit.
    if (ds_.State() != TDataSetState::dsBrowse) return;
    const int before = StoredRows();
    std::vector<int32_t> saved = walked_;
    Walk(kFetchRows);
    const int added = StoredRows() - before;
    if (added <= 0) return;
    std::swap(saved, walked_);
    beginInsertRows({}, before, before + added - 1);
    std::swap(saved, walked_);
    endInsertRows();
}

void TzTableModel::Walk(int n) {
    if (walkedAll_ || !ds_.SelectForOperation("Grid")) return;
    try {
        if (walked_.empty()) {
            GoTop();
        } else {
            GO(walked_.back());
            SKIP(1);
        }
        for (int i = 0; i < n && !dEOF() && RecNo() >= 1; ++i) {
            walked_.push_back(RecNo());
            SKIP(1);
        }
        if (dEOF() || RecNo() < 1) walkedAll_ = true;
    } catch (const EDurazError&) {
        walkedAll_ = true;
    }
    EngineBack();
}

void TzTableModel::EngineBack() {
    // The engine's record is the dataset's again.
    const int32_t rec = ds_.ActiveRecordNumber();
    if (rec > 0 && ds_.SelectForOperation("Grid")) GO(rec);
}

int32_t TzTableModel::RecNoOfRow(int row) const {
    if (row < 0 || row >= StoredRows()) return 0;
    return natural_ ? row + 1 : walked_[static_cast<std::size_t>(row)];
}

int TzTableModel::RowOfRecNo(int32_t recNo) {
    if (recNo < 1) return -1;
    if (natural_) return recNo <= recordCount_ ? recNo - 1 : -1;
    for (;;) {
        for (std::size_t i = 0; i < walked_.size(); ++i)
            if (walked_[i] == recNo) return static_cast<int>(i);
        if (walkedAll_ || ds_.State() != TDataSetState::dsBrowse) return -1;
        fetchMore({});
    }
}

int TzTableModel::CurrentRow() {
    if (Inserting()) return rowCount() - 1;
    return RowOfRecNo(ds_.ActiveRecordNumber());
}

bool TzTableModel::IsActiveRecord(int32_t recNo) const {
    return recNo > 0 && recNo == ds_.ActiveRecordNumber() && ds_.State() != TDataSetState::dsInsert;
}

bool TzTableModel::MoveToRow(int row) {
    if (Inserting() && row == rowCount() - 1) return true;
    const int32_t rec = RecNoOfRow(row);
    if (rec < 1) return false;
    // The record already current: a pending edit of it stays open, so that
    // the cells typed into one row are posted or cancelled together.
    if (IsActiveRecord(rec)) return true;
    ds_.GotoBookmark(rec);
    return ds_.ActiveRecordNumber() == rec;
}

QString TzTableModel::FieldText(int column, const std::string& stored) const {
    const QString text = ds_.TableLanguage == tlOem ? FromOem(stored) : FromAnsi(stored);
    switch (FieldType(column)) {
        case 'D': {
            const std::string digits = Trimmed(text).toStdString();
            return digits.empty() ? QString() : QString::fromStdString(DigitsToDate(digits));
        }
        case 'N':
        case 'F': return Trimmed(text);
        case 'M': {
            // The record stores the memo's block number; the cell shows what
            // the memo field shows of itself on the current row: whether
            // the record has a memo.
            return MemoBlockOfText(stored) != 0 ? QStringLiteral("(MEMO)")
                                                : QStringLiteral("(memo)");
        }
        default: {
            // Text fields keep leading blanks; the padding goes.
            QString t = text;
            while (t.endsWith(' ')) t.chop(1);
            return t;
        }
    }
}

const TzTableModel::RowTexts& TzTableModel::Texts(int32_t recNo) const {
    auto it = cache_.find(recNo);
    if (it != cache_.end()) return *it;
    if (cache_.size() >= kCacheRows) cache_.clear();
    RowTexts row;
    const int n = ds_.FieldProps().Count();
    row.deleted = ds_.Peek(0, recNo) == "*";
    for (int c = 0; c < n; ++c)
        row.texts << FieldText(c, ds_.Peek(static_cast<std::uint8_t>(c + 1), recNo));
    return *cache_.insert(recNo, row);
}

TField* TzTableModel::FieldOfColumn(int column) const {
    return ds_.Active() ? ds_.FieldByNumber(column + 1) : nullptr;
}

QString TzTableModel::CurrentText(int column) const {
    // The dataset holds its texts in the ANSI character set, whatever the
    // table stores.
    if (const TField* f = FieldOfColumn(column)) return FromAnsi(f->AsString());
    const int32_t rec = ds_.ActiveRecordNumber();
    return rec > 0 ? Texts(rec).texts.value(column) : QString();
}

bool TzTableModel::CurrentIsBool(int column) const {
    if (const TField* f = FieldOfColumn(column)) return f->AsBoolean();
    const int32_t rec = ds_.ActiveRecordNumber();
    const QString t = rec > 0 ? Texts(rec).texts.value(column).trimmed().toUpper() : QString();
    return t == "T" || t == "Y" || t == "J";
}

void TzTableModel::SetDisplayValues(int column, const QString& values) {
    displayValues_[column] = values;
}

QString TzTableModel::TrueText(int column) const {
    const QString v = displayValues_.value(column);
    if (v.isEmpty()) return QStringLiteral("wahr");
    return v.section(';', 0, 0);
}

QString TzTableModel::FalseText(int column) const {
    const QString v = displayValues_.value(column);
    if (v.isEmpty()) return QStringLiteral("falsch");
    const int semi = v.indexOf(';');
    return semi < 0 ? QString() : v.mid(semi + 1);
}

void TzTableModel::SetColumnLayout(const std::vector<TzGridColumn>& columns) {
    layout_ = columns;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

const TzGridColumn* TzTableModel::LayoutOfColumn(int column) const {
    const auto& items = ds_.FieldProps().items;
    if (layout_.empty() || column < 0 || column >= static_cast<int>(items.size())) return nullptr;
    const QString name = QString::fromStdString(items[static_cast<std::size_t>(column)].name);
    if (name.isEmpty()) return nullptr;
    for (const TzGridColumn& c : layout_)
        if (c.fieldName.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

TzCellColors TzTableModel::ColorsOfCell(int row, int column) const {
    TzCellColors c = baseColors;
    if (const TzGridColumn* l = LayoutOfColumn(column)) {
        if (l->color) c.cell = *l->color;
        if (l->fontColor) c.cellText = *l->fontColor;
    }
    if (!OnChangeColors || !ds_.Active()) return c;
    const bool insertRow = Inserting() && row == rowCount() - 1;
    const int32_t rec = insertRow ? 0 : RecNoOfRow(row);
    // Painting never fails: a handler or a record that cannot be read
    // leaves the colours as they are.
    try {
        TzCellColors changed = c;
        if (rec > 0) {
            ds_.WithActiveRecord(rec, [&] { OnChangeColors(row, changed); });
        } else {
            OnChangeColors(row, changed);
        }
        c = changed;
    } catch (const std::exception&) {
    }
    return c;
}

QVariant TzTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !ds_.Active()) return {};
    const int row = index.row();
    const int column = index.column();
    const bool insertRow = Inserting() && row == rowCount() - 1;
    const int32_t rec = insertRow ? 0 : RecNoOfRow(row);
    const bool active = insertRow || IsActiveRecord(rec);
    if (!active && rec < 1) return {};
    const bool logical = FieldType(column) == 'L';
    auto boolValue = [&]() -> bool {
        if (active) return CurrentIsBool(column);
        const QString t = Texts(rec).texts.value(column).trimmed().toUpper();
        return t == "T" || t == "Y" || t == "J";
    };
    auto deleted = [&]() -> bool { return active ? ds_.IsDeleted() : Texts(rec).deleted; };
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            if (logical) return boolValue() ? TrueText(column) : FalseText(column);
            return active ? CurrentText(column) : Texts(rec).texts.value(column);
        case BoolRole: return logical ? QVariant(boolValue()) : QVariant();
        case DeletedRole: return deleted();
        case RecNoRole: return rec;
        case FieldTypeRole: return QChar(FieldType(column));
        case Qt::BackgroundRole: {
            const TzCellColors c = ColorsOfCell(row, column);
            return QBrush(deleted() ? c.deleted : c.cell);
        }
        case Qt::ForegroundRole: {
            const TzCellColors c = ColorsOfCell(row, column);
            return QBrush(deleted() ? c.deletedText : c.cellText);
        }
        case Qt::FontRole:
            if (const TzGridColumn* l = LayoutOfColumn(column); l && l->font) return *l->font;
            return {};
        case Qt::TextAlignmentRole: {
            if (const TzGridColumn* l = LayoutOfColumn(column))
                return QVariant::fromValue(Qt::AlignVCenter | l->alignment);
            const char t = FieldType(column);
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (t == 'N' || t == 'F' ? Qt::AlignRight : Qt::AlignLeft));
        }
        default: return {};
    }
}

QVariant TzTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!ds_.Active()) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal && role != Qt::DisplayRole) {
        const TzGridColumn* l = LayoutOfColumn(section);
        if (!l) return QAbstractTableModel::headerData(section, orientation, role);
        switch (role) {
            case Qt::FontRole: return l->titleFont ? QVariant(*l->titleFont) : QVariant();
            case Qt::BackgroundRole: return l->titleColor ? QVariant(*l->titleColor) : QVariant();
            case Qt::ForegroundRole:
                return l->titleFontColor ? QVariant(*l->titleFontColor) : QVariant();
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(Qt::AlignVCenter | l->titleAlignment);
            default: return QAbstractTableModel::headerData(section, orientation, role);
        }
    }
    if (orientation == Qt::Vertical && role == Qt::BackgroundRole)
        return ColorsOfRow(section).indicator;
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        const auto& items = ds_.FieldProps().items;
        if (section < 0 || section >= static_cast<int>(items.size())) return {};
        if (const TzGridColumn* l = LayoutOfColumn(section); l && !l->titleCaption.isEmpty())
            return l->titleCaption;
        const std::string& name = items[static_cast<std::size_t>(section)].name;
        if (name.empty()) return QStringLiteral("#%1").arg(section + 1);
        return QString::fromStdString(name);
    }
    // The indicator column: the current record, and whether it is being
    // edited or inserted.
    const bool insertRow = Inserting() && section == rowCount() - 1;
    if (insertRow) return QStringLiteral("*");
    if (!currentMarked_ || !IsActiveRecord(RecNoOfRow(section))) return QString();
    return ds_.State() == TDataSetState::dsEdit ? QStringLiteral("I") : QStringLiteral("\u25B6");
}

Qt::ItemFlags TzTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    // Logical cells are toggled by click and key, never typed into.
    const TzGridColumn* layout = LayoutOfColumn(index.column());
    if (!readOnly_ && !ds_.ReadOnly && FieldOfColumn(index.column()) &&
        !(layout && layout->readOnly) && FieldType(index.column()) != 'L' &&
        FieldType(index.column()) != 'M')
        f |= Qt::ItemIsEditable;
    return f;
}

void TzTableModel::SetReadOnly(bool on) {
    readOnly_ = on;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void TzTableModel::SetCurrentMarked(bool on) {
    if (currentMarked_ == on) return;
    currentMarked_ = on;
    if (rowCount() > 0) emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

namespace {

// Holds back what the dataset or the engine would show while a cell is
// stored: their messages are kept, a question gets the cancel answer, and
// nothing runs an event loop.
class HeldMessages : public BatchUi {
public:
    HeldMessages() : outer_(&Ui()) { SetUi(this); }
    ~HeldMessages() override { SetUi(outer_); }
    HeldMessages(const HeldMessages&) = delete;
    HeldMessages& operator=(const HeldMessages&) = delete;
    void ShowMessage(const std::string&, const std::string& text, MessageKind) override {
        Add(text);
    }
    Answer Ask(const std::string&, const std::string& text, AskButtons, MessageKind) override {
        Add(text);
        return Answer::Cancel;
    }
    void Add(const std::string& text) { texts += (texts.empty() ? "" : "\r\n") + text; }
    std::string texts;

private:
    UiServices* outer_;
};

}  // namespace

std::string RefusalOfTypedText(const TDTField& d, const QString& typed) {
    if (d.type == 'D') {
        try {
            const double days = DaysOfTypedDate(ToOem(typed));
            if (days != 0 && DigitsFromDays(days).empty()) return kUnstorableDateText;
        } catch (const EDatabaseError& e) {
            return e.what();
        }
        return {};
    }
    if (d.type != 'N' && d.type != 'F') return {};
    // The stars the cell shows, given back: nothing new is stored. Any
    // other text is a number the field stores as its digits, or it is
    // refused before anything of the row changes: a number too wide (it
    // would be stored as stars) and a text that is no number at all.
    const QString text = typed.trimmed();
    if (!text.isEmpty() && text.count('*') == text.size()) return {};
    return RefusalOfTypedNumber(ToOem(text), d.name, d.length, d.decimals);
}

bool TzTableModel::Store(const QModelIndex& index, TField& f, const QVariant& value, int role) {
    if (!MoveToRow(index.row())) return false;
    if (ds_.State() == TDataSetState::dsBrowse) ds_.Edit();
    // In a walked order the post may move the record to another row.
    if (!natural_ && ds_.State() == TDataSetState::dsEdit) editedRecord_ = ds_.ActiveRecordNumber();
    if (role == BoolRole || FieldType(index.column()) == 'L') {
        f.SetAsBoolean(role == BoolRole ? value.toBool()
                                        : value.toString() == TrueText(index.column()));
    } else {
        const QString text = value.toString();
        f.SetAsString(OemToAnsiStr(ToOem(text)));
    }
    RefreshCurrent();
    return true;
}

bool TzTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    report_ = CellReport{};
    if (!index.isValid() || readOnly_ || ds_.ReadOnly) return false;
    if (role != Qt::EditRole && role != BoolRole) return false;
    TField* field = FieldOfColumn(index.column());
    const auto& items = ds_.FieldProps().items;
    if (!field || index.column() >= static_cast<int>(items.size())) return false;
    if (role == Qt::EditRole) {
        report_->message =
            RefusalOfTypedText(items[static_cast<std::size_t>(index.column())], value.toString());
        if (!report_->message.empty()) {
            report_->refused = true;
            return false;
        }
    }
    HeldMessages held;
    bool stored = false;
    try {
        stored = Store(index, *field, value, role);
    } catch (const std::exception& e) {
        // Moving to the row or storing failed: the typed text is kept.
        report_->refused = true;
        held.Add(e.what());
    }
    report_->message = std::move(held.texts);
    return stored;
}

}  // namespace veldrim
