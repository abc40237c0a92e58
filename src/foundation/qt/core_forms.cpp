#include "foundation/qt/core_forms.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/codepage.h"
#include "foundation/help_texts.h"
#include "foundation/qt/qt_support.h"

namespace veldrim {

namespace {

const auto Button = &NamedButton;

// The background of an online input: 1 yellow, 2 green, 3 red.
void Highlight(QLineEdit* edit, int code) {
    static const char* const colours[] = {"", "#ffff00", "#00ff00", "#ff0000"};
    const int c = code >= 1 && code <= 3 ? code : 0;
    edit->setStyleSheet(c ? QString("background-color: %1").arg(colours[c]) : QString());
}

// The online dialog: an input edit that leaves the dialog with the up and
// down keys, remembering which.
class OnlineDialog : public QDialog {
public:
    explicit OnlineDialog(OnlineForm& form) : QDialog(DialogParent()), form_(form) {
        setObjectName("TForm_online");
        setWindowTitle(FromOem(form.caption));
        auto* v = new QVBoxLayout(this);
        auto* grid = new QGridLayout;
        v->addLayout(grid);
        const int inputs = std::clamp(form.inputCount, 0, kOnlineDialogSlots);
        const int outputs = std::clamp(form.outputCount, 0, kOnlineDialogSlots);
        for (int i = 0; i < inputs; ++i) {
            const auto k = static_cast<std::size_t>(i);
            auto* name = new QLabel(FromOem(form.inputNames[k]), this);
            name->setToolTip(FromOem(form.inputHints[k]));
            auto* edit = new QLineEdit(FromOem(form.inputTexts[k]), this);
            edit->setObjectName(QString("Edit_input%1").arg(i + 1));
            edit->setToolTip(FromOem(form.inputHints[k]));
            edit->installEventFilter(this);
            Highlight(edit, form.highlight[k]);
            grid->addWidget(name, i, 0);
            grid->addWidget(edit, i, 1);
            grid->addWidget(new QLabel(FromOem(form.inputUnits[k]), this), i, 2);
            edits_.push_back(edit);
        }
        // Results are plain text, not boxes: they can be selected and copied
        // but not typed into, and a click on one takes the focus (and with it
        // the selection) from the input, so typing cannot overwrite an input
        // the user is not looking at.
        for (int i = 0; i < outputs; ++i) {
            const auto k = static_cast<std::size_t>(i);
            auto* value = new QLabel(FromOem(form.outputTexts[k]), this);
            value->setObjectName(QString("Label_output%1").arg(i + 1));
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            value->setFocusPolicy(Qt::ClickFocus);
            value->setMinimumWidth(value->fontMetrics().horizontalAdvance("0000.0000"));
            grid->addWidget(new QLabel(FromOem(form.outputNames[k]), this), i, 3);
            grid->addWidget(value, i, 4);
            grid->addWidget(new QLabel(FromOem(form.outputUnits[k]), this), i, 5);
        }
        if (!form.messages.empty()) {
            auto* messages = new QPlainTextEdit(this);
            messages->setObjectName("Memo_messages");
            messages->setReadOnly(true);
            messages->setFocusPolicy(Qt::NoFocus);
            QStringList lines;
            for (const std::string& m : form.messages) lines << FromOem(m);
            messages->setPlainText(lines.join('\n'));
            messages->setMaximumHeight(90);
            v->addWidget(messages);
        }
        auto* row = new QHBoxLayout;
        auto* ok = Button(this, "Button_ok", "OK");
        ok->setDefault(true);
        auto* close = Button(this, "Button_close", std::string("Schließen"_cp850));
        auto* help = Button(this, "Button_help", "&Hilfe");
        row->addWidget(ok);
        row->addWidget(close);
        row->addWidget(help);
        v->addLayout(row);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
        connect(help, &QPushButton::clicked, this, [] { ShowHelpText(1000, "", kHelpTextOnly); });
        const int focus = std::clamp(form.row, 1, std::max(inputs, 1)) - 1;
        row_ = focus + 1;
        if (focus < static_cast<int>(edits_.size())) {
            edits_[static_cast<std::size_t>(focus)]->setFocus();
            edits_[static_cast<std::size_t>(focus)]->selectAll();
        }
        adjustSize();
        PlaceForm(this);
    }

    // Both OK and the close button keep the edits; the row is the input the
    // user was in last.
    void done(int result) override {
        for (std::size_t i = 0; i < edits_.size(); ++i)
            form_.inputTexts[i] = ToOem(edits_[i]->text());
        if (!edits_.empty()) form_.row = row_;
        QDialog::done(result);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::FocusIn)
            for (std::size_t i = 0; i < edits_.size(); ++i)
                if (edits_[i] == watched) row_ = static_cast<int>(i) + 1;
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                form_.lastKey = key == Qt::Key_Up ? 38 : 40;
                for (std::size_t i = 0; i < edits_.size(); ++i)
                    if (edits_[i] == watched) form_.row = static_cast<int>(i) + 1;
                accept();
                return true;
            }
        }
        return QDialog::eventFilter(watched, e);
    }

private:
    OnlineForm& form_;
    std::vector<QLineEdit*> edits_;
    int row_ = 1;  // the input the user was in last
};

}  // namespace

bool RunOnlineForm(OnlineForm& form) {
    form.lastKey = 0;
    OnlineDialog d(form);
    const int row = form.row;
    const bool ok = d.exec() == QDialog::Accepted;
    if (form.lastKey == 0 && form.row < 1) form.row = row;
    return ok;
}

// ---- operating-data form -----------------------------------------------------------------

namespace {

class OperatingDataDialog : public QDialog {
public:
    OperatingDataDialog(OperatingDataFormState& s, OperatingDataFormHandler& h)
        : QDialog(DialogParent()), s_(s), h_(h) {
        setObjectName("TForm_qub3pre");
        auto* v = new QVBoxLayout(this);
        auto* grid = new QGridLayout;
        v->addLayout(grid);
        // u, KA and dm1/a with their "<" default buttons.
        const int firstRows[] = {kEditRatio, kEditKA, kEditDm1a};
        for (int r = 0; r < 3; ++r) {
            const int e = firstRows[r];
            labels_[e] = new QLabel(this);
            grid->addWidget(labels_[e], r, 0);
            AddEdit(grid, e, r, 1);
            auto* def = Button(this, "Button_default", s.defaultButton);
            def->setObjectName(QString("Button_default%1").arg(e));
            grid->addWidget(def, r, 2);
            connect(def, &QPushButton::clicked, this,
                    [this, e] { Act([&] { h_.DefaultClicked(s_, e); }); });
        }
        // Speed, torque and power of the worm and of the wheel side.
        worm_ = new QLabel(this);
        wheel_ = new QLabel(this);
        grid->addWidget(worm_, 3, 1);
        grid->addWidget(wheel_, 3, 3);
        for (int q = 0; q < 3; ++q) {
            quantity_[q] = new QLabel(this);
            unit_[q] = new QLabel(this);
            grid->addWidget(quantity_[q], 4 + q, 0);
            AddEdit(grid, kEditN1 + q, 4 + q, 1);
            grid->addWidget(unit_[q], 4 + q, 2);
            AddEdit(grid, kEditN2 + q, 4 + q, 3);
        }
        derived_ = new QComboBox(this);
        derived_->setObjectName("ComboBox_derived");
        side_ = new QComboBox(this);
        side_->setObjectName("ComboBox_side");
        for (const std::string& item : s.derivedItems) derived_->addItem(FromOem(item));
        for (const std::string& item : s.sideItems) side_->addItem(FromOem(item));
        auto* choices = new QHBoxLayout;
        choices->addWidget(derived_);
        choices->addWidget(side_);
        v->addLayout(choices);
        connect(derived_, &QComboBox::activated, this, [this](int i) {
            Act([&] {
                s_.derived = i;
                h_.ChoiceChanged(s_);
            });
        });
        connect(side_, &QComboBox::activated, this, [this](int i) {
            Act([&] {
                s_.wheelSide = i == 1;
                h_.ChoiceChanged(s_);
            });
        });
        auto* row = new QHBoxLayout;
        auto* ok = Button(this, "Button_ok", s.okButton);
        ok->setDefault(true);
        auto* cancel = Button(this, "Button_cancel", s.cancelButton);
        auto* calc = Button(this, "Button_calc", s.calcButton);
        auto* units = Button(this, "Button_units", s.unitsButton);
        auto* help = Button(this, "Button_help", s.helpButton);
        auto* kaHelp = Button(this, "Button_kaHelp", s.kaHelpButton);
        for (QPushButton* b : {ok, cancel, calc, units, help, kaHelp}) row->addWidget(b);
        v->addLayout(row);
        connect(ok, &QPushButton::clicked, this, [this] {
            Store();
            if (h_.OkClicked(s_))
                accept();
            else
                Show();
        });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(calc, &QPushButton::clicked, this, [this] { Act([&] { h_.CalcClicked(s_); }); });
        connect(units, &QPushButton::clicked, this, [this] { Act([&] { h_.UnitsClicked(s_); }); });
        connect(help, &QPushButton::clicked, this, [this] { h_.HelpClicked(); });
        connect(kaHelp, &QPushButton::clicked, this, [this] {
            h_.KAHelpClicked();
            raise();
            activateWindow();
        });
        Show();
        adjustSize();
        PlaceForm(this);
    }

    QLineEdit* edit(int e) const { return edits_[e]; }

private:
    void AddEdit(QGridLayout* grid, int e, int row, int column) {
        edits_[e] = new QLineEdit(this);
        edits_[e]->setObjectName(QString("Edit_%1").arg(e));
        grid->addWidget(edits_[e], row, column);
        // Typing only: a text the handler writes does not count.
        if (e >= kEditN1)
            connect(edits_[e], &QLineEdit::textEdited, this,
                    [this, e] { Act([&] { h_.EditChanged(s_, e); }); });
    }
    void Store() {
        for (int e = 0; e < kOperatingDataEdits; ++e)
            s_.text[static_cast<std::size_t>(e)] = ToOem(edits_[e]->text());
    }
    template <class F>
    void Act(F f) {
        Store();
        f();
        Show();
    }
    void Show() {
        setWindowTitle(FromOem(s_.caption));
        const std::string* firstLabels[] = {&s_.ratioLabel, &s_.kaLabel, &s_.dm1aLabel};
        const std::string* firstHints[] = {&s_.ratioHint, &s_.kaHint, &s_.dm1aHint};
        const int firstRows[] = {kEditRatio, kEditKA, kEditDm1a};
        for (int r = 0; r < 3; ++r) {
            labels_[firstRows[r]]->setText(FromOem(*firstLabels[r]));
            labels_[firstRows[r]]->setToolTip(FromOem(*firstHints[r]));
        }
        const std::string* quantities[] = {&s_.speedLabel, &s_.torqueLabel, &s_.powerLabel};
        const std::string* units[] = {&s_.speedUnit, &s_.torqueUnit, &s_.powerUnit};
        for (int q = 0; q < 3; ++q) {
            quantity_[q]->setText(FromOem(*quantities[q]));
            unit_[q]->setText(FromOem(*units[q]));
        }
        worm_->setText(FromOem(s_.sideItems[0]));
        wheel_->setText(FromOem(s_.sideItems[1]));
        for (int e = 0; e < kOperatingDataEdits; ++e) {
            const auto k = static_cast<std::size_t>(e);
            if (edits_[e]->text() != FromOem(s_.text[k])) edits_[e]->setText(FromOem(s_.text[k]));
            edits_[e]->setEnabled(s_.enabled[k]);
            edits_[e]->setVisible(s_.visible[k]);
        }
        derived_->setCurrentIndex(s_.derived);
        side_->setCurrentIndex(s_.wheelSide ? 1 : 0);
        if (s_.focus >= 0 && s_.focus < kOperatingDataEdits) edits_[s_.focus]->setFocus();
    }

    OperatingDataFormState& s_;
    OperatingDataFormHandler& h_;
    QLineEdit* edits_[kOperatingDataEdits] = {};
    QLabel* labels_[kOperatingDataEdits] = {};
    QLabel* quantity_[3] = {};
    QLabel* unit_[3] = {};
    QLabel* worm_ = nullptr;
    QLabel* wheel_ = nullptr;
    QComboBox* derived_ = nullptr;
    QComboBox* side_ = nullptr;
};

class MaterialDialog : public QDialog {
public:
    MaterialDialog(MaterialFormState& s, MaterialFormHandler& h)
        : QDialog(DialogParent()), s_(s), h_(h) {
        setObjectName("TForm_vovuzi");
        setWindowTitle(FromOem(s.caption));
        auto* v = new QVBoxLayout(this);
        auto* gears = new QHBoxLayout;
        v->addLayout(gears);
        for (int g = 0; g < 2; ++g) {
            auto* box = new QGroupBox(FromOem(s.gearCaptions[static_cast<std::size_t>(g)]), this);
            auto* grid = new QGridLayout(box);
            Widgets& w = w_[g];
            w.name = new QLineEdit(box);
            w.name->setObjectName(QString("Edit_name%1").arg(g + 1));
            w.kind = new QComboBox(box);
            w.kind->setObjectName(QString("ComboBox_kind%1").arg(g + 1));
            w.heat = new QComboBox(box);
            w.heat->setObjectName(QString("ComboBox_heat%1").arg(g + 1));
            for (const std::string& i : s.kindItems) w.kind->addItem(FromOem(i));
            for (const std::string& i : s.heatTreatmentItems) w.heat->addItem(FromOem(i));
            grid->addWidget(new QLabel(FromOem(s.nameLabel), box), 0, 0);
            grid->addWidget(w.name, 0, 1, 1, 2);
            grid->addWidget(new QLabel(FromOem(s.kindLabel), box), 1, 0);
            grid->addWidget(w.kind, 1, 1, 1, 2);
            grid->addWidget(new QLabel(FromOem(s.heatTreatmentLabel), box), 2, 0);
            grid->addWidget(w.heat, 2, 1, 1, 2);
            for (int k = 0; k < kMaterialValues; ++k) {
                const auto kk = static_cast<std::size_t>(k);
                w.values[k] = new QLineEdit(box);
                w.values[k]->setObjectName(QString("Edit_value%1_%2").arg(g + 1).arg(k + 1));
                grid->addWidget(new QLabel(FromOem(s.valueLabels[kk]), box), 3 + k, 0);
                grid->addWidget(w.values[k], 3 + k, 1);
                grid->addWidget(new QLabel(FromOem(s.valueUnits[kk]), box), 3 + k, 2);
            }
            auto* hardness = Button(box, "Button_hardness", s.hardnessButton);
            hardness->setObjectName(QString("Button_hardness%1").arg(g + 1));
            grid->addWidget(hardness, 3 + kMaterialValues, 0, 1, 3);
            connect(hardness, &QPushButton::clicked, this, [this, g] {
                Store();
                h_.HardnessClicked(s_, g);
                Show();
            });
            gears->addWidget(box);
        }
        auto* row = new QHBoxLayout;
        auto* ok = Button(this, "Button_ok", s.okButton);
        ok->setDefault(true);
        auto* cancel = Button(this, "Button_cancel", s.cancelButton);
        row->addWidget(ok);
        row->addWidget(cancel);
        v->addLayout(row);
        connect(ok, &QPushButton::clicked, this, [this] {
            Store();
            accept();
        });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        Show();
        adjustSize();
        PlaceForm(this);
    }

private:
    struct Widgets {
        QLineEdit* name = nullptr;
        QComboBox* kind = nullptr;
        QComboBox* heat = nullptr;
        QLineEdit* values[kMaterialValues] = {};
    };
    void Store() {
        for (int g = 0; g < 2; ++g) {
            MaterialFormState::Gear& gear = s_.gears[static_cast<std::size_t>(g)];
            gear.name = ToOem(w_[g].name->text());
            gear.kind = w_[g].kind->currentIndex();
            gear.heatTreatment = w_[g].heat->currentIndex();
            for (int k = 0; k < kMaterialValues; ++k)
                gear.values[static_cast<std::size_t>(k)] = ToOem(w_[g].values[k]->text());
        }
    }
    void Show() {
        for (int g = 0; g < 2; ++g) {
            const MaterialFormState::Gear& gear = s_.gears[static_cast<std::size_t>(g)];
            w_[g].name->setText(FromOem(gear.name));
            w_[g].kind->setCurrentIndex(gear.kind);
            w_[g].heat->setCurrentIndex(gear.heatTreatment);
            for (int k = 0; k < kMaterialValues; ++k)
                w_[g].values[k]->setText(FromOem(gear.values[static_cast<std::size_t>(k)]));
        }
    }
    MaterialFormState& s_;
    MaterialFormHandler& h_;
    Widgets w_[2];
};

}  // namespace

bool RunOperatingDataForm(OperatingDataFormState& state, OperatingDataFormHandler& handler) {
    OperatingDataDialog d(state, handler);
    return d.exec() == QDialog::Accepted;
}

bool RunMaterialForm(MaterialFormState& state, MaterialFormHandler& handler) {
    MaterialDialog d(state, handler);
    return d.exec() == QDialog::Accepted;
}

}  // namespace veldrim
