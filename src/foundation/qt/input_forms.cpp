#include "foundation/qt/input_forms.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "foundation/form_boxes.h"
#include "foundation/help_texts.h"
#include "foundation/qt/qt_support.h"

namespace veldrim {

HelpDialog::HelpDialog(QWidget* parent, const QString& caption) : QDialog(parent) {
    setWindowTitle(caption);
    new QVBoxLayout(this);
}

void HelpDialog::AddButtonRow(bool withCancel) {
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("button_ok");
    ok->setDefault(true);
    row->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    if (withCancel) {
        auto* cancel = new QPushButton("Abbrechen", this);
        cancel->setObjectName("button_cancel");
        row->addWidget(cancel);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
    auto* text = new QPushButton(FromOem("&Hilfetext"), this);
    text->setObjectName("Button_hilfetext");
    auto* picture = new QPushButton(FromOem("Hilfe&bild"), this);
    picture->setObjectName("Button_hilfebild");
    for (const auto& [button, helpMode] :
         {std::pair{text, int(kHelpTextOnly)}, std::pair{picture, int(kHelpPictureOnly)}}) {
        QPushButton* b = button;
        const int mode = helpMode;
        b->setAutoDefault(false);
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, mode] {
            ShowHelpText(0, "", mode);
            raise();
            activateWindow();
        });
    }
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

std::optional<int> RunChoiceDialog(const std::string& prompt, const std::vector<std::string>& items,
                                   int preselected) {
    if (items.empty()) return std::nullopt;
    const int start =
        preselected >= 0 && preselected < static_cast<int>(items.size()) ? preselected : 0;
    HelpDialog d(DialogParent(), "Auswahl");
    auto* v = static_cast<QVBoxLayout*>(d.layout());
    auto* label = new QLabel(FromOem(prompt), &d);
    label->setObjectName("Label1");
    label->setWordWrap(true);
    v->addWidget(label);
    QListWidget* list = nullptr;
    QButtonGroup* group = nullptr;
    if (items.size() >= 8) {
        d.setObjectName("Tin_codedialog");
        list = new QListWidget(&d);
        list->setObjectName("ListBox1");
        for (const std::string& s : items) list->addItem(FromOem(s));
        list->setCurrentRow(start);
        list->setFocus();
        v->addWidget(list);
        QObject::connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
    } else {
        d.setObjectName("Tin_radiodialog");
        auto* box = new QGroupBox(&d);
        box->setObjectName("RadioGroup1");
        auto* bl = new QVBoxLayout(box);
        group = new QButtonGroup(&d);
        for (int i = 0; i < static_cast<int>(items.size()); ++i) {
            auto* r = new QRadioButton(FromOem(items[static_cast<size_t>(i)]), box);
            group->addButton(r, i);
            bl->addWidget(r);
            if (i == start) {
                r->setChecked(true);
                r->setFocus();  // arrow keys move the choice at once
            }
        }
        v->addWidget(box);
    }
    d.AddButtonRow(true);
    d.adjustSize();
    PlaceForm(&d, Placement::Dpi);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    const int chosen = list ? list->currentRow() : group->checkedId();
    if (chosen < 0) return std::nullopt;
    return chosen;
}

std::optional<std::string> RunTextDialog(const std::string& title, const std::string& prompt,
                                         const std::string& initial, int maxLength) {
    HelpDialog d(DialogParent(), title.empty() ? QString("Eingabe") : FromOem(title));
    d.setObjectName("Tin_textdialog");
    d.setSizeGripEnabled(true);
    auto* v = static_cast<QVBoxLayout*>(d.layout());
    auto* label = new QLabel(FromOem(prompt), &d);
    label->setObjectName("Label1");
    label->setWordWrap(true);
    v->addWidget(label);
    auto* edit = new QLineEdit(FromOem(initial), &d);
    edit->setObjectName("EditEinText");
    // Typing stops at the entry's length; a longer initial text is shown cut.
    if (maxLength > 0) edit->setMaxLength(maxLength);
    edit->selectAll();
    v->addWidget(edit);
    d.AddButtonRow(true);
    d.setMinimumWidth(320);
    d.adjustSize();
    PlaceForm(&d, Placement::Dpi);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return ToOem(edit->text());
}

Tin_janeindialog::Tin_janeindialog(QWidget* parent, const std::string& prompt, bool yesPreselected)
    : HelpDialog(parent, "Eingabe") {
    setObjectName("Tin_janeindialog");
    auto* v = static_cast<QVBoxLayout*>(layout());
    auto* label = new QLabel(FromOem(prompt), this);
    label->setObjectName("Label1");
    label->setWordWrap(true);
    label->setMinimumSize(250, 33);
    v->addWidget(label);
    auto* box = new QGroupBox("Auswahl", this);
    box->setObjectName("RadioGroup_janein");
    auto* bl = new QVBoxLayout(box);
    yes_ = new QRadioButton("&Ja", box);
    yes_->setObjectName("RadioButton_ja");
    auto* no = new QRadioButton("&Nein", box);
    no->setObjectName("RadioButton_nein");
    bl->addWidget(yes_);
    bl->addWidget(no);
    v->addWidget(box);
    AddButtonRow(true);
    // Enter is no OK here: no button takes it.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setDefault(false);
        b->setAutoDefault(false);
    }
    if (auto* ok = findChild<QPushButton*>("button_ok")) ok->setObjectName("Button_ok");
    QRadioButton* shown = yesPreselected ? yes_ : no;
    shown->setChecked(true);
    shown->setFocus();
    adjustSize();
    PlaceForm(this, Placement::Dpi);
}

bool Tin_janeindialog::Yes() const { return yes_->isChecked(); }

void Tin_janeindialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        reject();
        return;
    }
    HelpDialog::keyPressEvent(e);
}

std::optional<bool> RunYesNoDialog(const std::string& prompt, bool yesPreselected) {
    Tin_janeindialog d(DialogParent(), prompt, yesPreselected);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.Yes();
}

void RunInfoScreen(const std::string& caption, const std::vector<std::string>& lines) {
    QDialog d(DialogParent());
    d.setObjectName("TShowScreen");
    d.setWindowTitle(FromOem(caption));
    auto* v = new QVBoxLayout(&d);
    auto* memo = new QPlainTextEdit(&d);
    memo->setObjectName("Memo1");
    memo->setReadOnly(true);
    QStringList shown;
    for (const std::string& line : lines) shown << FromOem(line);
    memo->setPlainText(shown.join('\n'));
    const QFontMetrics fm(memo->font());
    memo->setMinimumSize(fm.horizontalAdvance(QString(60, 'x')),
                         fm.lineSpacing() * 22 + 2 * memo->frameWidth() + 8);
    v->addWidget(memo);
    auto* ok = new QPushButton("OK", &d);
    ok->setObjectName("Button_ok");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &d, &QDialog::accept);
    v->addWidget(ok, 0, Qt::AlignHCenter);
    ok->setFocus();
    d.adjustSize();
    PlaceForm(&d, Placement::Dpi);
    d.exec();
}

Thelperr::Thelperr(QWidget* parent, const MessageExplanation& shown)
    : HelpDialog(parent, "Fehlermeldung"), shown_(shown) {
    setObjectName("Thelperr");
    auto* v = static_cast<QVBoxLayout*>(layout());
    auto add = [&](QWidget* w, const char* name) {
        w->setObjectName(name);
        v->addWidget(w);
    };
    add(new QLabel("Fehlermeldung", this), "Label_meldung");
    Edit_meldung = new QLineEdit(FromOem(shown.message), this);
    Edit_meldung->setReadOnly(true);
    add(Edit_meldung, "Edit_meldung");
    add(new QLabel("Ursache", this), "Label_ursache");
    Memo_ursache = new QPlainTextEdit(FromOem(shown.cause), this);
    add(Memo_ursache, "Memo_ursache");
    add(new QLabel("Abhilfe", this), "Label_abhilfe");
    Memo_abhilfe = new QPlainTextEdit(FromOem(shown.remedy), this);
    add(Memo_abhilfe, "Memo_abhilfe");
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Button_ok");
    ok->setDefault(true);
    auto* help = new QPushButton("&Hilfe", this);
    help->setObjectName("Button_help");
    help->setAutoDefault(false);
    row->addWidget(ok);
    row->addWidget(help);
    v->addLayout(row);
    connect(ok, &QPushButton::clicked, this, [this] { Button_okClick(); });
    connect(help, &QPushButton::clicked, this, [] { ShowHelpText(1970, "", kHelpTextOnly); });
    for (QPlainTextEdit* m : {Memo_ursache, Memo_abhilfe})
        connect(m, &QPlainTextEdit::textChanged, this, [this] { modified = true; });
    resize(520, 360);
    PlaceForm(this, Placement::CentreOverMain);
    loadedCause_ = BoxText(Memo_ursache);
    loadedRemedy_ = BoxText(Memo_abhilfe);
    modified = false;
}

// The text of a box with every character it holds: a no-break space stays
// one (toPlainText would give a blank), line breaks are '\n'.
QString Thelperr::BoxText(const QPlainTextEdit* box) {
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, '\n');
    text.replace(QChar::LineSeparator, '\n');
    return text;
}

void Thelperr::Button_okClick() {
    // The caller asks "Save Changes ?" and writes the message text file. A
    // box the user left as it was gives back the bytes it was given, so that
    // the caller sees it unchanged and keeps it byte for byte.
    const auto textOf = [](const QPlainTextEdit* box, const QString& loaded,
                           const std::string& given) {
        return BoxValue(BoxText(box), loaded, given,
                        [](const QString& typed) { return ToOem(typed); });
    };
    if (modified)
        result =
            MessageExplanation{shown_.message, textOf(Memo_ursache, loadedCause_, shown_.cause),
                               textOf(Memo_abhilfe, loadedRemedy_, shown_.remedy)};
    accept();
}

}  // namespace veldrim
