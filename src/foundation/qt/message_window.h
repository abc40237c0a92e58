#pragma once
// The table engine's short-lived windows: one line of text in a yellow,
// borderless, stay-on-top box centred over the main window; with a caption
// (the progress bar window) it gets a title bar. The window grows to fit a
// longer text and never shrinks between texts.

#include <QFrame>
#include <QString>

class QLabel;

namespace veldrim {

class MessageWindow : public QFrame {
public:
    explicit MessageWindow(const QString& caption = {});
    // Shows the text (the stored one again when empty).
    void ShowText(const QString& text);
    QString text() const { return text_; }

private:
    QLabel* label_;
    QString text_;
};

// The progress bar text: 100 "|" shrinking by one per percent.
QString ProgressBarText(int percent);

}  // namespace veldrim
