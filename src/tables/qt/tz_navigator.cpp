#include "tables/qt/tz_navigator.h"

#include <QHBoxLayout>

#include "foundation/codepage.h"
#include "foundation/ui_services.h"
#include "tables/engine/engine_base.h"

namespace veldrim {

namespace {

struct ButtonLook {
    const char* text;
    const char* hint;
};
constexpr std::array<ButtonLook, kNavButtons> kLooks{{
    {"|<", "Erster Datensatz"},
    {"<", "Voriger Datensatz"},
    {">", "Nächster Datensatz"},
    {">|", "Letzter Datensatz"},
    {"+", "Datensatz einfügen"},
    {"-", "Datensatz löschen oder restaurieren"},
    {"^", "Datensatz bearbeiten"},
    {"\xE2\x9C\x93", "Speichern"},
    {"x", "Abbrechen"},
    {"\xE2\x86\xBB", "Aktualisieren"},
}};

}  // namespace

TzNavigator::TzNavigator(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < kNavButtons; ++i) {
        auto* b = new QToolButton(this);
        const ButtonLook& look = kLooks[static_cast<std::size_t>(i)];
        b->setText(QString::fromUtf8(look.text));
        b->setToolTip(QString::fromUtf8(look.hint));
        b->setObjectName(QStringLiteral("nav%1").arg(i));
        row->addWidget(b);
        buttons_[static_cast<std::size_t>(i)] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { Click(static_cast<TzNavButton>(i)); });
    }
    row->addStretch();
}

void TzNavigator::SetMoveButtonsOnly(bool on) {
    for (int i = static_cast<int>(TzNavButton::nbInsert); i < kNavButtons; ++i)
        buttons_[static_cast<std::size_t>(i)]->setVisible(!on);
}

void TzNavigator::DeleteOrRestore() {
    TTzFileDataSet& ds = grid_->TableModel()->DataSet();
    if (ds.ReadOnly) return;
    if (ds.IsDeleted()) {
        if (ConfirmRestore && Ui().Ask("", "Datensatz restaurieren ?", AskButtons::OkCancel,
                                       MessageKind::Confirmation) != Answer::Ok)
            return;
        ds.SetDeleted(false);
    } else {
        if (ConfirmDelete &&
            Ui().Ask("", std::string("Datensatz löschen ?"_cp850), AskButtons::OkCancel,
                     MessageKind::Confirmation) != Answer::Ok)
            return;
        ds.Delete();
    }
}

void TzNavigator::Click(TzNavButton b) {
    if (!grid_ || !grid_->TableModel()) return;
    TzTableModel& model = *grid_->TableModel();
    TTzFileDataSet& ds = model.DataSet();
    if (!ds.Active()) return;
    const bool wasInserting = ds.State() == TDataSetState::dsInsert;
    bool reload = false;
    try {
        // The cell being typed into belongs to the row's edit: Cancel drops
        // it with the rest, every other button takes it in first, as leaving
        // the cell would.
        if (b == TzNavButton::nbCancel)
            grid_->DropOpenCell();
        else
            grid_->CommitOpenCell();
        switch (b) {
            case TzNavButton::nbFirst: ds.First(); break;
            case TzNavButton::nbPrior: ds.Prior(); break;
            case TzNavButton::nbNext: ds.Next(); break;
            case TzNavButton::nbLast: ds.Last(); break;
            case TzNavButton::nbInsert:
                if (!ds.ReadOnly && !grid_->ReadOnly()) {
                    ds.Post();
                    model.AppendRecord();
                }
                break;
            case TzNavButton::nbDelete:
                DeleteOrRestore();
                // With deleted records hidden, the record leaves the rows.
                reload = ds.HideDeletedRecs();
                break;
            case TzNavButton::nbEdit:
                if (!ds.ReadOnly && !grid_->ReadOnly()) ds.Edit();
                break;
            case TzNavButton::nbPost: ds.Post(); break;
            case TzNavButton::nbCancel: ds.Cancel(); break;
            case TzNavButton::nbRefresh:
                ds.Refresh();
                reload = true;
                break;
        }
    } catch (const EDatabaseError& e) {
        Ui().ShowMessage("", e.what(), MessageKind::Error);
    } catch (const EDurazError& e) {
        ShowDurazError(e);
    }
    if (reload || (wasInserting && ds.State() != TDataSetState::dsInsert)) {
        grid_->Reload();
    } else {
        model.RefreshCurrent();
        grid_->FollowDataSet();
    }
    emit clicked(b);
}

}  // namespace veldrim
