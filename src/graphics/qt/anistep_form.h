#pragma once
// The animation step dialog: "+" shows the next frame, "+++++++" (or
// Escape) ends the stepping and lets the rest of the animation run.

#include <QDialog>

class QPushButton;

namespace veldrim {

// `TForm_anistep`: the form (TForm_) that steps an animation (ani step).
class TForm_anistep : public QDialog {
public:
    explicit TForm_anistep(QWidget* parent = nullptr);
    QPushButton* Button_nextstep = nullptr;
    QPushButton* Button_endstep = nullptr;
    bool EndStepping = false;

protected:
    void reject() override;  // Escape: the end button
};

// Shows the dialog modally; true when the user ended the stepping.
bool RunAnimationStepDialog();

}  // namespace veldrim
