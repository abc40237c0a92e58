#include "app/qt/help_picture_form.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_commands.h"
#include "foundation/help_texts.h"
#include "foundation/program_state.h"
#include "foundation/qt/qt_support.h"

namespace veldrim {

THelpPictureForm::THelpPictureForm(QWidget* parent, const std::vector<std::string>& names)
    : QDialog(parent) {
    setObjectName("THelpPictureForm");
    setWindowTitle("Hilfebild");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* v = new QVBoxLayout(this);
    ListBox_pictures = new QListWidget(this);
    ListBox_pictures->setObjectName("ListBox_pictures");
    for (const std::string& name : names) ListBox_pictures->addItem(FromOem(name));
    ListBox_pictures->setCurrentRow(0);
    v->addWidget(ListBox_pictures);
    auto* row = new QHBoxLayout;
    auto* show = new QPushButton("&Anzeigen", this);
    show->setObjectName("Button_show");
    show->setDefault(true);
    auto* close = new QPushButton(FromOem("&Schlie\xe1"
                                          "en"),
                                  this);
    close->setObjectName("Button_close");
    close->setAutoDefault(false);
    row->addWidget(show);
    row->addWidget(close);
    v->addLayout(row);
    connect(show, &QPushButton::clicked, this, [this] { Button_showClick(); });
    connect(ListBox_pictures, &QListWidget::itemActivated, this, [this] { Button_showClick(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(220, 260);
    PlaceForm(this, Placement::SavedPosition);
}

void THelpPictureForm::Button_showClick() {
    const QListWidgetItem* item = ListBox_pictures->currentItem();
    if (!item) return;
    SetHelpNumber(1000);
    ShowHelpPictureNamed(ToOem(item->text()));
}

void THelpPictureForm::hideEvent(QHideEvent* e) {
    // Closed, or hidden by Escape: the next form opens here.
    if (!e->spontaneous()) helpPicturePosition = {x(), y()};
    QDialog::hideEvent(e);
}

void ShowHelpPictureForm(QWidget* mainWindow) {
    static QPointer<THelpPictureForm> open;
    cancelFlag = false;
    if (open) {
        open->raise();
        open->activateWindow();
        return;
    }
    const std::vector<std::string> names = HelpPictureList();
    if (names.empty()) return;
    open = new THelpPictureForm(mainWindow, names);
    open->show();
}

}  // namespace veldrim
