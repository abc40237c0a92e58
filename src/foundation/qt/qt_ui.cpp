#include "foundation/qt/qt_ui.h"

#include <algorithm>
#include <sys/wait.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "foundation/qt/core_forms.h"
#include "foundation/qt/drawing_forms.h"
#include "foundation/qt/input_forms.h"
#include "foundation/qt/message_window.h"
#include "foundation/qt/qt_support.h"
#include "foundation/qt/text_viewer.h"

namespace veldrim {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning: return QMessageBox::Warning;
        case MessageKind::Error: return QMessageBox::Critical;
        case MessageKind::Confirmation: return QMessageBox::Question;
        case MessageKind::Information: break;
    }
    return QMessageBox::Information;
}

// A chosen file or folder keeps the bytes of its name on disk.
std::optional<std::string> Chosen(const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    return ToFileName(name);
}

}  // namespace

QtUi::QtUi() = default;
QtUi::~QtUi() = default;

void QtUi::ShowMessage(const std::string& title, const std::string& text, MessageKind kind) {
    QMessageBox box(IconOf(kind), FromOem(title), FromOem(text), QMessageBox::Ok, DialogParent());
    box.setObjectName("MessageBox");
    box.adjustSize();
    PlaceForm(&box);
    box.exec();
}

Answer QtUi::Ask(const std::string& title, const std::string& text, AskButtons buttons,
                 MessageKind kind) {
    QMessageBox box(IconOf(kind), FromOem(title), FromOem(text), QMessageBox::NoButton,
                    DialogParent());
    box.setObjectName("AskBox");
    switch (buttons) {
        case AskButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.button(QMessageBox::Cancel)->setText("Abbrechen");
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case AskButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        case AskButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.button(QMessageBox::Cancel)->setText("Abbrechen");
            box.setEscapeButton(QMessageBox::Cancel);
            break;
    }
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText("&Ja");
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText("&Nein");
    box.adjustSize();
    PlaceForm(&box);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == box.button(QMessageBox::Ok)) return Answer::Ok;
    if (clicked == box.button(QMessageBox::Yes)) return Answer::Yes;
    if (clicked == box.button(QMessageBox::No)) return Answer::No;
    return Answer::Cancel;
}

std::optional<int> QtUi::ChooseFromList(const std::string& title,
                                        const std::vector<std::string>& items, int preselected) {
    return RunChoiceDialog(title, items, preselected);
}

std::optional<int> QtUi::PickTableRecord(const TableView& view) {
    QDialog d(DialogParent());
    d.setWindowTitle(FromOem(view.title));
    auto* layout = new QVBoxLayout(&d);
    auto* table = new QTableWidget(static_cast<int>(view.rows.size()),
                                   static_cast<int>(view.heads.size()), &d);
    QStringList heads;
    for (const std::string& h : view.heads) heads << FromOem(h);
    table->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < static_cast<int>(view.rows.size()); ++r) {
        const auto& row = view.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()) && c < table->columnCount(); ++c)
            table->setItem(r, c, new QTableWidgetItem(FromOem(row[static_cast<std::size_t>(c)])));
    }
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (!view.rows.empty()) {
        const int row = std::clamp(view.current, 0, table->rowCount() - 1);
        if (view.currentChosen)
            table->selectRow(row);
        else  // shown, not chosen
            table->setCurrentCell(row, 0, QItemSelectionModel::NoUpdate);
    }
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    QObject::connect(table, &QTableWidget::cellDoubleClicked, &d, &QDialog::accept);
    d.resize(640, 420);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    const QModelIndexList chosen = table->selectionModel()->selectedRows();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front().row();
}

std::optional<std::string> QtUi::EnterText(const std::string& title, const std::string& prompt,
                                           const std::string& initial, int maxLength) {
    return RunTextDialog(title, prompt, initial, maxLength);
}

void QtUi::Beep() { QApplication::beep(); }

std::optional<std::string> QtUi::OpenFileName(const std::string& title, const std::string& folder,
                                              const std::string& filter) {
    return Chosen(QFileDialog::getOpenFileName(DialogParent(), FromOem(title), FromFileName(folder),
                                               QtFileFilter(filter), nullptr,
                                               QFileDialog::DontUseNativeDialog));
}

std::optional<std::string> QtUi::SaveFileName(const std::string& title,
                                              const std::string& initialPath,
                                              const std::string& filter) {
    // The program asks before it replaces a file (CheckNewFileName).
    return Chosen(QFileDialog::getSaveFileName(
        DialogParent(), FromOem(title), FromFileName(initialPath), QtFileFilter(filter), nullptr,
        QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite));
}

std::optional<std::string> QtUi::FolderName(const std::string& title, const std::string& initial) {
    return Chosen(QFileDialog::getExistingDirectory(
        DialogParent(), FromOem(title), FromFileName(initial),
        QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly));
}

void QtUi::SetBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtUi::ShowProgress(const std::string& text, int percent) {
    if (!progress_) progress_ = std::make_unique<MessageWindow>(FromOem(text));
    progress_->setWindowTitle(FromOem(text));
    const QString bar = ProgressBarText(percent);
    progress_->ShowText(bar.isEmpty() ? QString(" ") : bar);
}

void QtUi::HideProgress() { progress_.reset(); }

void QtUi::ShowMessageWindow(const std::string& text) {
    if (text.empty()) {
        message_.reset();
        return;
    }
    if (!message_) message_ = std::make_unique<MessageWindow>();
    message_->ShowText(FromOem(text));
}

void QtUi::ProcessEvents() { QCoreApplication::processEvents(); }

void QtUi::ShowTextFile(const std::string& path, const std::string& title) {
    // Owned by the main window: it outlives the dialog that may have asked.
    auto* viewer = new TForm_showtextfile(path, title, MainWidget());
    viewer->setWindowFlag(Qt::Window);
    viewer->show();
}

bool QtUi::PrintTextFile(const std::string& path, const std::string& title) {
    return PrintTextFileWithDialog(path, title);
}

bool QtUi::StartProgram(const std::string& program, const std::vector<std::string>& args) {
    return SpawnProgram(program, args);
}

bool QtUi::OpenDocument(const std::string& pathOrUrl) {
    pid_t pid = 0;
    if (SpawnChild("xdg-open", {pathOrUrl}, pid) != 0) return false;
    // The opener ends when it has handed the document on, or when no
    // program takes it, or (without a desktop) when the program it ran
    // ends: its end is awaited without holding the window, and a failure
    // is reported then.
    auto* watch = new QTimer(qApp);
    watch->setInterval(100);
    QObject::connect(watch, &QTimer::timeout, watch, [watch, pid, pathOrUrl] {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == 0) return;
        watch->stop();
        watch->deleteLater();
        if (r == pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            Ui().ShowMessage("", NoOpenerText(pathOrUrl), MessageKind::Information);
    });
    watch->start();
    return true;
}

void QtUi::SetClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(FromOem(text));
}

std::optional<bool> QtUi::AskYesNoDialog(const std::string& prompt, bool yesPreselected) {
    return RunYesNoDialog(prompt, yesPreselected);
}

void QtUi::ShowInfoScreen(const std::string& caption, const std::vector<std::string>& lines) {
    RunInfoScreen(caption, lines);
}

std::optional<MessageExplanation> QtUi::ShowMessageExplanation(const MessageExplanation& shown) {
    Thelperr form(DialogParent(), shown);
    form.exec();
    return form.result;
}

bool QtUi::ShowOnlineForm(OnlineForm& form) { return RunOnlineForm(form); }

bool QtUi::ShowOperatingDataForm(OperatingDataFormState& state, OperatingDataFormHandler& handler) {
    return RunOperatingDataForm(state, handler);
}

bool QtUi::ShowMaterialForm(MaterialFormState& state, MaterialFormHandler& handler) {
    return RunMaterialForm(state, handler);
}

bool QtUi::EnterDiagramLimits(const std::string& caption, const std::string& xLabel,
                              const std::string& yLabel, std::array<std::string, 4>& limits,
                              const std::array<std::string, 4>& calculated) {
    return RunDiagramLimitsForm(caption, xLabel, yLabel, limits, calculated);
}

bool QtUi::Edit3DView(const std::string& caption, std::array<std::string, 3>& angles,
                      bool& withoutCoordinateSystem) {
    return Run3DViewForm(caption, angles, withoutCoordinateSystem);
}

bool QtUi::EditPlotProgram(PlotProgramSettings& settings,
                           std::string (*commandLineOf)(const PlotProgramSettings&)) {
    return RunPlotProgramForm(settings, commandLineOf);
}

}  // namespace veldrim
