#include "graphics/qt/anistep_form.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/qt/qt_support.h"

namespace veldrim {

TForm_anistep::TForm_anistep(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("TForm_anistep");
    setWindowTitle("Animation");
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(2, 2, 2, 2);
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(16);
    Button_nextstep = new QPushButton("+", this);
    Button_nextstep->setObjectName("Button_nextstep");
    Button_endstep = new QPushButton("+++++++", this);
    Button_endstep->setObjectName("Button_endstep");
    for (QPushButton* b : {Button_nextstep, Button_endstep}) {
        b->setFont(bold);
        b->setFixedSize(113, 25);
        l->addWidget(b);
    }
    Button_nextstep->setDefault(true);
    Button_nextstep->setFocus();
    connect(Button_nextstep, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button_endstep, &QPushButton::clicked, this, [this] {
        EndStepping = true;
        QDialog::reject();
    });
    setFixedSize(116 + 4, 50 + 8);
}

void TForm_anistep::reject() {
    EndStepping = true;
    QDialog::reject();
}

bool RunAnimationStepDialog() {
    TForm_anistep form(DialogParent());
    form.exec();
    return form.EndStepping;
}

}  // namespace veldrim
