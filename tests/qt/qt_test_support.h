#pragma once
// Helpers of the Qt tests: a driver for modal dialogs, a comparison of
// pictures, and a fixture that starts each test from the program's start-up
// state.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "foundation/qt/qt_support.h"
#include "foundation/qt/qt_ui.h"
#include "foundation/qt/text_viewer.h"
#include "foundation/ui_services.h"
#include "support/outside_programs.h"
#include "support/scripted_ui.h"

namespace veldrim::test {

// What an outside program (pdftotext, pdfinfo, pdftoppm) writes on its
// standard output, as text; started as every outside program of the tests is.
inline QString OutsideOutput(const QString& program, const QStringList& args) {
    std::vector<std::string> argv{program.toStdString()};
    for (const QString& a : args) argv.push_back(a.toStdString());
    return QString::fromStdString(veldrim::testing::RunOutside(argv));
}

// The pixels in which two pictures differ; -1 when their sizes differ.
inline int DifferentPixels(const QImage& a, const QImage& b) {
    int n = a.size() == b.size() ? 0 : -1;
    for (int y = 0; n >= 0 && y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// A child widget of a form by its object name.
template <class W>
W* Child(QWidget* w, const char* name) {
    return w->findChild<W*>(name);
}

// Acts on the next modal window while a blocking call runs: every 10 ms, as
// long as a modal window is open, `act` is applied to it until it returns
// true. After 5 s the open modal window is rejected, so a test can fail but
// never hang.
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<bool(QWidget*)> act) : act_(std::move(act)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start();
    }
    bool acted() const { return acted_; }
    QString seenName;  // objectName of the modal window acted on

private:
    void Tick() {
        QWidget* w = QApplication::activeModalWidget();
        if (++ticks_ > 500) {
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
            timer_.stop();
            return;
        }
        if (!w || !w->isVisible() || acted_) return;
        seenName = w->objectName();
        if (act_(w)) {
            acted_ = true;
            timer_.stop();
        }
    }
    std::function<bool(QWidget*)> act_;
    QTimer timer_;
    bool acted_ = false;
    int ticks_ = 0;
};

// The scripted UI whose messages are real modal message boxes, as the
// window's are: each runs its own event loop and takes the focus from the
// window below it, which then sees its focus leave, and is closed with OK
// once it is the active window (or rejected after 5 s). Every message is
// recorded as the scripted UI records it.
class ModalMessageUi : public ScriptedUi {
public:
    void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override {
        ScriptedUi::ShowMessage(title, text, kind);
        QMessageBox box(QMessageBox::Critical, FromOem(title), FromOem(text), QMessageBox::Ok,
                        DialogParent());
        RunUntilActive(box);
    }
    // The question's box runs its loop as well; the answer is the queued one.
    Answer Ask(const std::string& title, const std::string& text, AskButtons buttons,
               MessageKind kind) override {
        const Answer answer = ScriptedUi::Ask(title, text, buttons, kind);
        QMessageBox box(QMessageBox::Question, FromOem(title), FromOem(text),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, DialogParent());
        RunUntilActive(box);
        return answer;
    }
    int closedByOk = 0;  // boxes that were active and closed

private:
    void RunUntilActive(QMessageBox& box) {
        box.setObjectName("MessageBox");
        ModalDriver ok([&box](QWidget* w) {
            if (w != &box || !box.isActiveWindow()) return false;
            box.accept();
            return true;
        });
        box.exec();
        if (ok.acted()) ++closedByOk;
    }
};

// Deletes the text viewers left open: they belong to the main window and
// outlive the commands that showed them.
inline void DeleteTextViewers() {
    QList<QPointer<QWidget>> viewers;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (dynamic_cast<TForm_showtextfile*>(w)) viewers << w;
    for (const QPointer<QWidget>& w : viewers) delete w.data();
}

class QtFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllProgramState();
        SetUi(&ui);
    }
    void TearDown() override { SetUi(nullptr); }
    QtUi ui;
};

}  // namespace veldrim::test
