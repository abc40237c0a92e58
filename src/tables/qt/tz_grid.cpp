#include "tables/qt/tz_grid.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "foundation/codepage.h"
#include "foundation/ui_services.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"

namespace veldrim {

std::string DateEditMask() {
    const std::string picture = ShortDatePicture();
    const std::string year = SetCentury ? "9999" : "99";
    if (!picture.empty() && (picture[0] == 'y' || picture[0] == 'Y')) return year + "/99/99;1; ";
    return "99/99/" + year + ";1; ";
}

QString QtDateInputMask() {
    const std::string picture = ShortDatePicture();
    char separator = '/';
    for (char c : picture)
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            separator = c;
            break;
        }
    const std::string mask = DateEditMask();
    QString out;
    for (char c : mask.substr(0, mask.find(';'))) {
        if (c == '9')
            out += '0';  // a digit that may be left blank
        else if (c == '/')
            out += QChar(separator);
        else
            out += QChar(c);
    }
    return out + "; ";
}

// ---- header ---------------------------------------------------------------------------------------

TzGridHeader::TzGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSectionsMovable(true);
}

void TzGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (logicalIndex != pressedColumn) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    // The pressed title: drawn sunken.
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    opt.state |= QStyle::State_Sunken | QStyle::State_On;
    opt.text = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    painter->save();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    painter->setPen(palette().color(QPalette::Dark));
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void TzGridHeader::mouseReleaseEvent(QMouseEvent* e) {
    QHeaderView::mouseReleaseEvent(e);
    if (e->button() == Qt::RightButton && !(e->modifiers() & Qt::ShiftModifier)) {
        const int logical = logicalIndexAt(e->position().toPoint());
        if (logical >= 0) emit titleRightReleased(logical);
    }
}

// ---- indicator column ---------------------------------------------------------------------------

TzIndicatorHeader::TzIndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

void TzIndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    const auto* tableModel = qobject_cast<const TzTableModel*>(model());
    if (!tableModel) return;
    const QColor fill = tableModel->ColorsOfRow(logicalIndex).indicator;
    // Only a colour that differs from the fixed colour is painted over the
    // section; the marker is drawn again on it.
    if (fill == tableModel->baseColors.indicator) return;
    painter->save();
    // The base class leaves a clip behind that may hide everything.
    painter->setClipRect(rect);
    painter->fillRect(rect.adjusted(1, 1, -1, -1), fill);
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(rect, Qt::AlignCenter,
                      tableModel->headerData(logicalIndex, Qt::Vertical).toString());
    painter->restore();
}

// ---- delegate -------------------------------------------------------------------------------------

TzGridDelegate::TzGridDelegate(TzGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void TzGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const bool logical = index.data(TzTableModel::FieldTypeRole).toChar() == QChar('L');
    const TzTableModel* model = grid_->TableModel();
    const TzCellColors colors =
        model ? model->ColorsOfCell(index.row(), index.column()) : TzCellColors{};
    const bool deleted = index.data(TzTableModel::DeletedRole).toBool();
    const bool selected = option.state & QStyle::State_Selected;
    QColor brush = deleted ? colors.deleted : colors.cell;
    QColor text = deleted ? colors.deletedText : colors.cellText;
    if (selected) {
        brush = colors.hilite;
        text = colors.hiliteText;
    }
    if (!grid_->isEnabled()) text = grid_->palette().color(QPalette::Disabled, QPalette::Text);
    painter->save();
    painter->fillRect(option.rect, brush);
    if (!logical || grid_->BooleanBox() == TzBooleanBox::bbText) {
        painter->setPen(text);
        const QVariant font = index.data(Qt::FontRole);
        painter->setFont(font.canConvert<QFont>() ? font.value<QFont>() : option.font);
        const auto align = static_cast<Qt::Alignment>(index.data(Qt::TextAlignmentRole).toInt());
        painter->drawText(option.rect.adjusted(2, 0, -2, 0), static_cast<int>(align),
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }
    // A logical field: a square centred in the cell.
    const int side = std::max(6, std::min(option.rect.width(), option.rect.height()) - 4);
    QRect box(0, 0, side, side);
    box.moveCenter(option.rect.center());
    const TzBooleanBox style = grid_->BooleanBox();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(text, 1));
    painter->setBrush(Qt::NoBrush);
    switch (style) {
        case TzBooleanBox::bbRButton:
        case TzBooleanBox::bbRButtonRed: painter->drawEllipse(box); break;
        case TzBooleanBox::bbCheckMark:
        case TzBooleanBox::bbDot:
        case TzBooleanBox::bbDotRed: break;
        default: painter->drawRect(box); break;
    }
    if (index.data(TzTableModel::BoolRole).toBool()) {
        const bool red = style == TzBooleanBox::bbFillBoxRed ||
                         style == TzBooleanBox::bbRButtonRed || style == TzBooleanBox::bbDotRed;
        const QColor mark = red ? QColor(255, 0, 0) : text;
        painter->setPen(QPen(mark, 2));
        switch (style) {
            case TzBooleanBox::bbCheckMark: {
                QPainterPath p;
                p.moveTo(box.left() + side * 0.15, box.top() + side * 0.55);
                p.lineTo(box.left() + side * 0.4, box.bottom() - side * 0.15);
                p.lineTo(box.right() - side * 0.1, box.top() + side * 0.15);
                painter->drawPath(p);
                break;
            }
            case TzBooleanBox::bbFillBox:
            case TzBooleanBox::bbFillBoxRed:
                painter->fillRect(box.adjusted(1, 1, -1, -1), mark);
                break;
            case TzBooleanBox::bbRButton:
            case TzBooleanBox::bbRButtonRed:
            case TzBooleanBox::bbDot:
            case TzBooleanBox::bbDotRed:
                painter->setPen(Qt::NoPen);
                painter->setBrush(mark);
                painter->drawEllipse(box.adjusted(2, 2, -2, -2));
                break;
            default:
                painter->drawLine(box.topLeft(), box.bottomRight());
                painter->drawLine(box.topRight(), box.bottomLeft());
                break;
        }
    }
    painter->restore();
}

QWidget* TzGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (index.data(TzTableModel::FieldTypeRole).toChar() == QChar('D'))
        if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setInputMask(QtDateInputMask());
    return editor;
}

void TzGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (editor == grid_->RefusedEditor()) return;
    QStyledItemDelegate::setEditorData(editor, index);
}

void TzGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    // A mask drops its blanks from the text: "12.03." for a date cut short,
    // ".." for a cleared one.
    if (const auto* line = qobject_cast<QLineEdit*>(editor); line && !line->inputMask().isEmpty()) {
        model->setData(index, line->displayText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

bool TzGridDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() != QEvent::FocusOut) return QStyledItemDelegate::eventFilter(object, event);
    // The focus leaving the cell commits it. A refusal found that way is
    // told by what the user does next with the cell (a command, a move),
    // not now: the focus may have gone to the message about that refusal.
    const QPointer<QWidget> editor = qobject_cast<QWidget*>(object);
    const bool windowLeft =
        static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason;
    const bool leaving = std::exchange(grid_->focusLeaving_, true);
    const bool handled = QStyledItemDelegate::eventFilter(object, event);
    grid_->focusLeaving_ = leaving;
    // The window lost the focus (to a message box): the editor kept with
    // a refused text has it again when the window is active again.
    if (windowLeft && editor && editor == grid_->RefusedEditor()) editor->setFocus();
    return handled;
}

// ---- grid ---------------------------------------------------------------------------------------

TzGrid::TzGrid(QWidget* parent) : QTableView(parent), header_(new TzGridHeader(this)) {
    setHorizontalHeader(header_);
    setVerticalHeader(new TzIndicatorHeader(this));
    setItemDelegate(new TzGridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(header_, &TzGridHeader::titleRightReleased, this, &TzGrid::TitleReleased);
    if (auto* corner = findChild<QAbstractButton*>()) corner->installEventFilter(this);
    connect(this, &QAbstractItemView::clicked, this, &TzGrid::cellClicked);
}

void TzGrid::SetTableModel(TzTableModel* model) {
    model_ = model;
    setModel(model);
    // A model reset forgets hidden and moved sections: the layout goes on again.
    connect(model, &QAbstractItemModel::modelReset, this, &TzGrid::ApplyColumns,
            Qt::UniqueConnection);
    // Columns as wide as the titles and the first rows' texts (a long name
    // field is not cut at the default width), at most 40 characters.
    horizontalHeader()->setResizeContentsPrecision(20);
    resizeColumnsToContents();
    const int widest = fontMetrics().horizontalAdvance(QString(40, QLatin1Char('M')));
    for (int c = 0; c < horizontalHeader()->count(); ++c)
        if (columnWidth(c) > widest) setColumnWidth(c, widest);
    ApplyColumns();
    FollowDataSet();
}

void TzGrid::SetColumns(std::vector<TzGridColumn> columns) {
    columns_ = std::move(columns);
    ApplyColumns();
}

bool TzGrid::ReadStreamedProperty(const QString& name, const QVariant& value) {
    if (name.compare(QLatin1String("savedColumns"), Qt::CaseInsensitive) == 0) {
        std::vector<TzGridColumn> columns = columns_;
        ReadSavedColumns(value.toStringList(), columns);
        SetColumns(std::move(columns));
        return true;
    }
    // The number of fixed columns of the older format has no meaning here.
    return name.compare(QLatin1String("fixedColumns"), Qt::CaseInsensitive) == 0;
}

void TzGrid::ApplyColumns() {
    if (!model_) return;
    model_->SetColumnLayout(columns_);
    QHeaderView* h = horizontalHeader();
    const int count = model_->columnCount();
    if (columns_.empty()) {
        for (int c = 0; c < count; ++c) h->setSectionHidden(c, false);
        return;
    }
    // The field of each model column, upper case.
    QStringList names;
    for (int c = 0; c < count; ++c) {
        const auto& items = model_->DataSet().FieldProps().items;
        names << QString::fromStdString(items[static_cast<std::size_t>(c)].name).toUpper();
    }
    std::vector<bool> shown(static_cast<std::size_t>(count), false);
    int visual = 0;
    for (const TzGridColumn& col : columns_) {
        const int c = col.fieldName.isEmpty() ? -1 : names.indexOf(col.fieldName.toUpper());
        if (c < 0 || shown[static_cast<std::size_t>(c)]) continue;
        shown[static_cast<std::size_t>(c)] = true;
        h->setSectionHidden(c, false);
        h->moveSection(h->visualIndex(c), visual++);
        if (col.width >= 0) setColumnWidth(c, col.width);
    }
    for (int c = 0; c < count; ++c)
        if (!shown[static_cast<std::size_t>(c)]) h->setSectionHidden(c, true);
}

void TzGrid::SetBooleanBox(TzBooleanBox b) {
    booleanBox_ = b;
    viewport()->update();
}

void TzGrid::SetDepressDisabled(bool on) {
    if (on && header_->pressedColumn >= 0) {
        header_->pressedColumn = -1;
        header_->viewport()->update();
    }
    depressDisabled_ = on;
}

void TzGrid::SetReadOnly(bool on) {
    readOnly_ = on;
    if (model_) model_->SetReadOnly(on);
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                       : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
}

void TzGrid::TitleReleased(int logicalIndex) {
    if (!horizontalHeader()->isVisible() || depressDisabled_) return;
    // What a pressed title does (a sort) posts the row: the cell being
    // typed goes into it first, and a text its field refuses presses nothing.
    try {
        CommitOpenCell();
    } catch (const ECellRefused& e) {
        Ui().ShowMessage("", e.what(), MessageKind::Error);
        return;
    }
    header_->pressedColumn = logicalIndex;
    header_->viewport()->update();
    emit depressTitle(logicalIndex);
}

void TzGrid::FollowDataSet() {
    if (!model_) return;
    // A posted edit may have moved its record: the rows in the order now.
    if (model_->TakeSettledEdit()) {
        Reload();
        return;
    }
    const int row = model_->CurrentRow();
    if (row < 0) return;
    following_ = true;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model_->index(row, column));
    scrollTo(model_->index(row, column));
    following_ = false;
}

void TzGrid::Reload() {
    if (!model_) return;
    const int pressed = header_->pressedColumn;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    // The reset closes an open cell editor; the focus coming back to the
    // grid without a current cell would make the first row current and move
    // the dataset there. The dataset's record is the one to show.
    following_ = true;
    model_->Reload();
    header_->pressedColumn = pressed;
    const int row = model_->CurrentRow();
    if (row >= 0) {
        setCurrentIndex(model_->index(row, column));
        scrollTo(model_->index(row, column));
    }
    following_ = false;
}

void TzGrid::CommitOpenCell() {
    // The editor itself, not the view's state, says whether a cell is open:
    // a drag of the mouse ends the view's editing state while an editor
    // with a refused text stays open.
    const QPointer<QWidget> editor = indexWidget(currentIndex());
    if (!editor || !model_) return;
    // Stored as leaving the cell stores it. The store shows nothing, so the
    // editor is still there afterwards.
    committingOpenCell_ = true;
    commitData(editor);
    committingOpenCell_ = false;
    const std::string message = std::exchange(commitMessage_, {});
    if (!editor) return;
    if (KeepsRefusedEditor(editor)) {
        editor->setFocus();
        throw ECellRefused(message);
    }
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (!message.empty()) Ui().ShowMessage("", message, MessageKind::Error);
}

void TzGrid::DropOpenCell() {
    if (QWidget* editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

bool TzGrid::KeepsRefusedEditor(QWidget* editor) const {
    const auto* line = qobject_cast<QLineEdit*>(editor);
    return editor && editor == refusedEditor_ && (!line || line->text() == refusedText_);
}

void TzGrid::commitData(QWidget* editor) {
    if (model_) model_->TakeCellReport();
    QTableView::commitData(editor);
    if (!model_) return;
    const std::optional<TzTableModel::CellReport> report = model_->TakeCellReport();
    if (!report) return;  // nothing was stored
    const auto* line = qobject_cast<QLineEdit*>(editor);
    refusedEditor_ = report->refused ? editor : nullptr;
    refusedText_ = report->refused && line ? line->text() : QString();
    if (committingOpenCell_) {
        commitMessage_ = report->message;
        return;
    }
    if (report->message.empty() || (report->refused && focusLeaving_)) return;
    ReportLater(report->message);
}

void TzGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // An editor whose text its field refused stays open with it; only
    // Escape or Cancel (a revert) drops it.
    if (hint != QAbstractItemDelegate::RevertModelCache && KeepsRefusedEditor(editor)) return;
    if (editor == refusedEditor_) refusedEditor_ = nullptr;
    QTableView::closeEditor(editor, hint);
}

bool TzGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // No other cell opens while one holds a refused text.
    if (refusedEditor_ && indexWidget(index) != refusedEditor_) return false;
    return QTableView::edit(index, trigger, event);
}

void TzGrid::ReportLater(const std::string& message) {
    const bool queued = !laterMessage_.empty();
    laterMessage_ = message;
    if (queued) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const std::string text = std::exchange(laterMessage_, {});
            // The cell the grid stays on shown selected (a press on another
            // cell selected that one after its move was refused), a refused
            // cell's editor with the focus, before the message takes it.
            if (currentIndex().isValid())
                selectionModel()->select(
                    currentIndex(),
                    selectionBehavior() == QAbstractItemView::SelectRows
                        ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                        : QItemSelectionModel::ClearAndSelect);
            if (QWidget* editor = refusedEditor_) editor->setFocus();
            Ui().ShowMessage("", text, MessageKind::Error);
        },
        Qt::QueuedConnection);
}

void TzGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // The cell left keeps its editor with a text its field refused: the
    // user's move does not happen. A move of the dataset (after a command)
    // leaves the refused text behind with the record it was typed for.
    if (QWidget* kept = previous.isValid() ? indexWidget(previous) : nullptr;
        kept && kept == refusedEditor_ && current != previous) {
        if (!following_) {
            following_ = true;
            setCurrentIndex(previous);
            following_ = false;
            return;
        }
        closeEditor(kept, QAbstractItemDelegate::RevertModelCache);
    }
    if (following_ || !model_ || !current.isValid()) return;
    if (previous.isValid() && current.row() == previous.row()) return;
    const bool wasInserting = model_->DataSet().State() == TDataSetState::dsInsert;
    // The row of a record under edit, before the move posts the edit.
    const int editedRow =
        model_->DataSet().State() == TDataSetState::dsEdit ? model_->CurrentRow() : -1;
    bool moved = false;
    // A move that fails (the row's edit could not be posted: another program
    // holds the table) keeps the grid on the dataset's record; its message
    // waits until the event that asked for the move is done, so that no
    // message box runs inside the press or key that is changing the cell.
    std::string failure;
    try {
        moved = model_->MoveToRow(current.row());
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (wasInserting && model_->DataSet().State() != TDataSetState::dsInsert) {
        // The new record was posted (or dropped): the rows are read again.
        const int32_t target = model_->RecNoOfRow(current.row());
        Reload();
        if (target > 0 && moved) {
            model_->DataSet().GotoBookmark(target);
            FollowDataSet();
        }
    } else if (const int32_t edited = model_->TakeSettledEdit()) {
        // Moving posted an edit in an order by index or filter: the rows
        // are read in the order it made. An edit that moved its record to
        // another row keeps the row on it, wherever it went; otherwise the
        // row moved to is current, as in natural order.
        Reload();
        const int editedNow = model_->RowOfRecNo(edited);
        if (moved && editedNow >= 0 && editedNow != editedRow) {
            model_->DataSet().GotoBookmark(edited);
            FollowDataSet();
        }
    } else if (!moved) {
        FollowDataSet();
    }
    if (!failure.empty()) ReportLater(failure);
    emit recordChanged();
}

bool TzGrid::IsLogical(const QModelIndex& index) const {
    return index.isValid() && index.data(TzTableModel::FieldTypeRole).toChar() == QChar('L');
}

bool TzGrid::ToggleLogical(const QModelIndex& index) {
    if (!model_ || readOnly_ || model_->ReadOnly() || !IsLogical(index)) return false;
    const bool value = index.data(TzTableModel::BoolRole).toBool();
    const bool stored = model_->setData(index, !value, TzTableModel::BoolRole);
    if (const auto report = model_->TakeCellReport(); report && !report->message.empty())
        Ui().ShowMessage("", report->message, MessageKind::Error);
    if (!stored) return false;
    emit recordChanged();
    return true;
}

bool TzGrid::RestoreCurrent() {
    if (readOnly_ || !model_) return false;
    TTzFileDataSet& ds = model_->DataSet();
    if (!ds.Active() || ds.ReadOnly || !ds.IsDeleted()) return false;
    if (ConfirmDelete && Ui().Ask("", "Datensatz restaurieren ?", AskButtons::OkCancel,
                                  MessageKind::Confirmation) != Answer::Ok)
        return true;
    try {
        ds.SetDeleted(false);
    } catch (const std::exception& e) {
        Ui().ShowMessage("", e.what(), MessageKind::Error);
    }
    model_->RefreshCurrent();
    emit recordChanged();
    return true;
}

bool TzGrid::AppendRow() {
    if (!AutoAppend || readOnly_ || !model_ || model_->ReadOnly()) return false;
    TTzFileDataSet& ds = model_->DataSet();
    if (ds.ReadOnly || ds.State() == TDataSetState::dsInsert) return false;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    try {
        // The new record follows the row posted with the cell being typed.
        CommitOpenCell();
    } catch (const ECellRefused& e) {
        Ui().ShowMessage("", e.what(), MessageKind::Error);
        return true;
    }
    try {
        ds.Post();
        model_->AppendRecord();
    } catch (const std::exception& e) {
        // The row whose post failed stays current with its edit (a reset of
        // the model alone would leave no cell current, and the focus coming
        // back would move to the first row); the message waits until the
        // key is done, as after a refused move.
        Reload();
        ReportLater(e.what());
        return true;
    }
    following_ = true;
    setCurrentIndex(model_->index(model_->rowCount() - 1, column));
    following_ = false;
    emit recordChanged();
    return true;
}

void TzGrid::keyPressEvent(QKeyEvent* e) {
    emit keyDown(e->key(), e->modifiers());
    if (e->key() == Qt::Key_Delete && (e->modifiers() & Qt::ControlModifier)) {
        if (RestoreCurrent()) return;
    }
    const QModelIndex cur = currentIndex();
    if (IsLogical(cur) && state() != QAbstractItemView::EditingState) {
        if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            ToggleLogical(cur);
            return;
        }
        // Other printable keys and Backspace do nothing in a logical cell.
        if (e->key() == Qt::Key_Backspace || (!e->text().isEmpty() && e->text().at(0).isPrint()))
            return;
    }
    if (e->key() == Qt::Key_Down && e->modifiers() == Qt::NoModifier && model_ && cur.isValid() &&
        cur.row() == model_->rowCount() - 1 && !model_->canFetchMore({})) {
        if (AppendRow()) return;
    }
    QTableView::keyPressEvent(e);
}

void TzGrid::keyReleaseEvent(QKeyEvent* e) {
    QTableView::keyReleaseEvent(e);
    emit keyUp(e->key());
}

void TzGrid::mousePressEvent(QMouseEvent* e) {
    setFocus();
    QTableView::mousePressEvent(e);
    if (e->button() != Qt::LeftButton) return;
    const QModelIndex at = indexAt(e->position().toPoint());
    if (at.isValid() && at == currentIndex()) ToggleLogical(at);
}

void TzGrid::mouseReleaseEvent(QMouseEvent* e) { QTableView::mouseReleaseEvent(e); }

bool TzGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && horizontalHeader()->isVisible()) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (!(me->modifiers() & Qt::ShiftModifier)) {
            if (me->button() == Qt::LeftButton) emit cornerLeftClick();
            if (me->button() == Qt::RightButton) emit cornerRightClick();
        }
    }
    return QTableView::eventFilter(watched, event);
}

}  // namespace veldrim
