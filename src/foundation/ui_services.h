#pragma once
// The port through which core code shows and asks things. Core code never
// talks to a window toolkit: it calls Ui(), which is the Qt window in the
// program, BatchUi in headless runs and the scripted test double of
// tests/support in tests.
//
// Every text that crosses this port is a code page 850 byte string, as the
// program stores its texts; the Qt realisation converts at its edge.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace veldrim {

enum class MessageKind { Information, Warning, Error, Confirmation };

// The buttons a question offers, and the answer given.
enum class AskButtons { OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// The explanation of a calculation message: the message with its cause and
// remedy, of which cause and remedy may be edited.
struct MessageExplanation {
    std::string message;
    std::string cause;
    std::string remedy;
};

// ---- Forms whose logic lives in core code ----------------------------------
// The window shows the state it is given and reports every action of the user
// to the handler, which changes the state; then it shows the state again. A
// text the handler writes into an edit does not count as typing.

inline constexpr int kOnlineDialogSlots = 12;

// One showing of the online input dialog: up to 12 input rows (name, edit,
// unit; the edit's hint and background) beside up to 12 output rows (name,
// value, unit), and the calculation messages of the last pass. Rows 1..12
// are elements 0..11.
struct OnlineForm {
    std::string caption;
    int inputCount = 0;
    int outputCount = 0;
    std::array<std::string, kOnlineDialogSlots> inputNames, inputUnits, inputTexts, inputHints;
    // The edits' background: 0 none, 1 yellow, 2 green, 3 red.
    std::array<int, kOnlineDialogSlots> highlight{};
    std::array<std::string, kOnlineDialogSlots> outputNames, outputUnits, outputTexts;
    std::vector<std::string> messages;
    int row = 1;      // in: the input row with the focus; out: the row the user left it on
    int lastKey = 0;  // out: 38 when left with the up key, 40 with the down key, else 0
};

// The edits of the operating-data form of the pre-dimensioning: u, KA and
// dm1/a; speed, torque and power of the worm; speed, torque and nominal power
// of the wheel side.
enum OperatingDataEdit : int {
    kEditRatio,
    kEditKA,
    kEditDm1a,
    kEditN1,
    kEditT1,
    kEditP1,
    kEditN2,
    kEditT2,
    kEditP2,
    kOperatingDataEdits
};

struct OperatingDataFormState {
    std::string caption;
    std::string ratioLabel, speedLabel, torqueLabel, powerLabel, kaLabel, dm1aLabel;
    std::string ratioHint, kaHint, dm1aHint;  // hints of the u, KA and dm1/a labels
    std::string speedUnit, torqueUnit, powerUnit;
    std::array<std::string, 3> derivedItems;  // the derived-quantity choice: "n", "T", "P"
    std::array<std::string, 2> sideItems;     // the side: worm, wheel
    // Buttons: OK, Cancel, Help, unit switch, Calc, KA help, and the "<" defaults.
    std::string okButton, cancelButton, helpButton, unitsButton, calcButton, kaHelpButton,
        defaultButton;
    std::array<std::string, kOperatingDataEdits> text;
    std::array<bool, kOperatingDataEdits> enabled{}, visible{};
    int derived = 0;         // 0 speed, 1 torque, 2 power
    bool wheelSide = false;  // the data are those of the wheel
    int focus = -1;          // the edit that gets the focus, -1 none
};

class OperatingDataFormHandler {
public:
    virtual ~OperatingDataFormHandler() = default;
    // Typed into a speed, torque or power edit.
    virtual void EditChanged(OperatingDataFormState& s, int edit) = 0;
    // The derived quantity or the side was chosen.
    virtual void ChoiceChanged(OperatingDataFormState& s) = 0;
    // A "<" button beside u, KA or dm1/a.
    virtual void DefaultClicked(OperatingDataFormState& s, int edit) = 0;
    // OK: true when the form may close.
    virtual bool OkClicked(OperatingDataFormState& s) = 0;
    virtual void CalcClicked(OperatingDataFormState& s) = 0;
    virtual void UnitsClicked(OperatingDataFormState& s) = 0;
    virtual void HelpClicked() = 0;
    // The KA help picture; the window brings the form to the front afterwards.
    virtual void KAHelpClicked() = 0;
};

// The material form: name, kind, heat treatment and six values per gear.
inline constexpr int kMaterialValues = 6;  // density, E, Poisson's ratio, Sig.Hlim, Sigma FE, HB
struct MaterialFormState {
    struct Gear {
        std::string name;
        int kind = 0;           // index into kindItems
        int heatTreatment = 0;  // index into heatTreatmentItems
        std::array<std::string, kMaterialValues> values;
    };
    std::string caption;
    std::array<std::string, 2> gearCaptions;
    std::string nameLabel, kindLabel, heatTreatmentLabel, hardnessButton, okButton, cancelButton;
    std::vector<std::string> kindItems, heatTreatmentItems;
    std::array<std::string, kMaterialValues> valueLabels, valueUnits;
    std::array<Gear, 2> gears;  // worm, wheel
};

class MaterialFormHandler {
public:
    virtual ~MaterialFormHandler() = default;
    // The hardness button of gear 0 (worm) or 1 (wheel).
    virtual void HardnessClicked(MaterialFormState& s, int gear) = 0;
};

// A table shown to pick one of its records (or to be edited): the column
// heads, each record's field texts, and the row that is current.
struct TableView {
    std::string title;
    std::vector<std::string> heads;
    std::vector<std::vector<std::string>> rows;
    int current = 0;  // 0-based row
    // False: the current row is only where the table opens; OK without a
    // row chosen by the user takes nothing.
    bool currentChosen = true;
    bool pick = true;  // pick mode: read-only, one record is chosen
};

// The settings of the plot program's command line, as its form shows them.
// Numbers stay texts as typed; the command-line builder compares them as numbers.
struct PlotProgramSettings {
    std::string programPath;
    int outputFormat = 0;   // 0 HPL, 1 PS, 2 PLT, 3 PL2, 4 ART
    int interfaceKind = 1;  // 0 serial, 1 parallel, 2 file
    std::string comPort, lptPort, outputDirectory, scale;
    bool fitScale = false;  // scale "0": fit to the sheet
    bool rotate = false;    // rotate by 90 degrees
    std::string xShift, yShift, textWidthFactor;
    std::string psFont;  // PostScript only
    bool operator==(const PlotProgramSettings&) const = default;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& title, const std::string& text,
                             MessageKind kind) = 0;
    // A message box that asks; the answer is one of the offered buttons.
    virtual Answer Ask(const std::string& title, const std::string& text, AskButtons buttons,
                       MessageKind kind) = 0;
    // The list choice: the index chosen (0-based), or nothing on cancel.
    virtual std::optional<int> ChooseFromList(const std::string& title,
                                              const std::vector<std::string>& items,
                                              int preselected) = 0;
    // A one-line text entry (numbers too: the caller validates and loops).
    // With maxLength above 0 no more than maxLength characters can be typed.
    virtual std::optional<std::string> EnterText(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string& initial, int maxLength = 0) = 0;
    // File and folder dialogs; filter is "Label|*.ext|Label|*.*".
    virtual std::optional<std::string> OpenFileName(const std::string& title,
                                                    const std::string& folder,
                                                    const std::string& filter) = 0;
    virtual std::optional<std::string> SaveFileName(const std::string& title,
                                                    const std::string& initialPath,
                                                    const std::string& filter) = 0;
    virtual std::optional<std::string> FolderName(const std::string& title,
                                                  const std::string& initial) = 0;

    // Feedback while a long step runs.
    virtual void SetBusy(bool busy) = 0;
    virtual void ShowProgress(const std::string& text, int percent) = 0;
    virtual void HideProgress() = 0;
    // The non-modal message window (text empty: hide it).
    virtual void ShowMessageWindow(const std::string& text) = 0;
    // Lets the window system process pending events; nothing in batch runs.
    virtual void ProcessEvents() = 0;

    // Shows a text file in the text viewer.
    virtual void ShowTextFile(const std::string& path, const std::string& title) = 0;
    // Prints a text file on the window system's printer; false when not possible.
    virtual bool PrintTextFile(const std::string& path, const std::string& title) = 0;
    // Starts a program with arguments (no shell); false when it did not start.
    virtual bool StartProgram(const std::string& program, const std::vector<std::string>& args) = 0;
    // Opens a document or address with the desktop's handler.
    virtual bool OpenDocument(const std::string& pathOrUrl) = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    // True when no window may ever appear (headless runs).
    virtual bool IsBatch() const = 0;
    // The warning sound of a refused entry; nothing where there is no window.
    virtual void Beep() {}

    // The yes/no dialog ("Eingabe"): the prompt over the choice "&Ja" or
    // "&Nein", the given answer preselected, OK, "Abbrechen" and the two
    // help buttons. On OK the chosen answer (true for yes); nothing on every
    // other way of closing: Cancel, Escape, Enter and the close button. The
    // default asks with the Yes, No and Cancel buttons of Ask.
    virtual std::optional<bool> AskYesNoDialog(const std::string& prompt, bool yesPreselected);
    // The information screen: up to 22 lines under the caption, and OK. The
    // default shows the lines in a message box.
    virtual void ShowInfoScreen(const std::string& caption, const std::vector<std::string>& lines);

    // The explanation window of a calculation message. Returns the edited
    // texts when the user changed cause or remedy and closed with OK, nothing
    // otherwise. The default shows the three texts in a message box.
    virtual std::optional<MessageExplanation> ShowMessageExplanation(
        const MessageExplanation& shown);

    // The online input dialog, modal. OK, Enter and the up and down keys
    // close it as OK, the close button as cancel; both leave the edits in
    // inputTexts. True for OK. The default answers cancel.
    virtual bool ShowOnlineForm(OnlineForm& form);
    // The operating-data form, modal. True when it closed through OK (the
    // handler agreed), false on Cancel. The default answers cancel.
    virtual bool ShowOperatingDataForm(OperatingDataFormState& state,
                                       OperatingDataFormHandler& handler);
    // The material form, modal. True on OK with the edits in the state. The
    // default answers cancel.
    virtual bool ShowMaterialForm(MaterialFormState& state, MaterialFormHandler& handler);

    // The table editor: the row accepted (0-based), or nothing when it was
    // cancelled. The default offers the rows as a list choice.
    virtual std::optional<int> PickTableRecord(const TableView& view);

    // The diagram limits form: the edits x min, y min, x max, y max as texts;
    // its "Calculate" button puts `calculated` into them. True on OK with the
    // edits as typed, false on cancel. The default answers cancel.
    virtual bool EnterDiagramLimits(const std::string& caption, const std::string& xLabel,
                                    const std::string& yLabel, std::array<std::string, 4>& limits,
                                    const std::array<std::string, 4>& calculated);
    // The 3D view dialog: the screen directions of the x, y and z axes in
    // degrees as texts, and the "Draw w/o coordinate system ?" box. True on
    // OK. The default answers cancel.
    virtual bool Edit3DView(const std::string& caption, std::array<std::string, 3>& angles,
                            bool& withoutCoordinateSystem);
    // The plot program form: edits the settings in place and shows the
    // command line that `commandLineOf` builds from them after every change.
    // True on OK. The default answers cancel.
    virtual bool EditPlotProgram(PlotProgramSettings& settings,
                                 std::string (*commandLineOf)(const PlotProgramSettings&));
};

// The realisation in force; BatchUi until the program sets another.
UiServices& Ui();
// Installs a realisation (not owned); nullptr restores the default BatchUi.
void SetUi(UiServices* ui);

// Starts a program through posix_spawn with an argument vector, looking it
// up on PATH when it has no folder. Returns false when it could not start.
bool SpawnProgram(const std::string& program, const std::vector<std::string>& args);
// The same with the reason: 0 when it started, else an errno value (ENOENT
// for a program that is not there, ENOMEM when memory ran out).
int SpawnProgramError(const std::string& program, const std::vector<std::string>& args);
// Only starts it: 0 and its process id, which the caller waits for, or an
// errno value.
int SpawnChild(const std::string& program, const std::vector<std::string>& args, pid_t& pid);
// The message when no program opened a document: names the file, so the
// user can find it.
std::string NoOpenerText(const std::string& path);

// Headless runs: no dialog ever appears. Messages go to stderr, questions get
// the cancel answer unless the batch caller set one.
class BatchUi : public UiServices {
public:
    void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override;
    Answer Ask(const std::string& title, const std::string& text, AskButtons buttons,
               MessageKind kind) override;
    std::optional<int> ChooseFromList(const std::string& title,
                                      const std::vector<std::string>& items,
                                      int preselected) override;
    std::optional<std::string> EnterText(const std::string& title, const std::string& prompt,
                                         const std::string& initial, int maxLength = 0) override;
    std::optional<std::string> OpenFileName(const std::string& title, const std::string& folder,
                                            const std::string& filter) override;
    std::optional<std::string> SaveFileName(const std::string& title,
                                            const std::string& initialPath,
                                            const std::string& filter) override;
    std::optional<std::string> FolderName(const std::string& title,
                                          const std::string& initial) override;
    void SetBusy(bool) override {}
    void ShowProgress(const std::string&, int) override {}
    void HideProgress() override {}
    void ShowMessageWindow(const std::string& text) override;
    void ProcessEvents() override {}
    void ShowTextFile(const std::string& path, const std::string& title) override;
    bool PrintTextFile(const std::string& path, const std::string& title) override;
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;
    bool OpenDocument(const std::string& pathOrUrl) override;
    void SetClipboardText(const std::string&) override {}
    bool IsBatch() const override { return true; }
    // No form appears in a batch run: each of these answers cancel.
    bool ShowOnlineForm(OnlineForm& form) override;
    bool ShowOperatingDataForm(OperatingDataFormState& state,
                               OperatingDataFormHandler& handler) override;
    bool ShowMaterialForm(MaterialFormState& state, MaterialFormHandler& handler) override;
    bool EnterDiagramLimits(const std::string& caption, const std::string& xLabel,
                            const std::string& yLabel, std::array<std::string, 4>& limits,
                            const std::array<std::string, 4>& calculated) override;
    bool Edit3DView(const std::string& caption, std::array<std::string, 3>& angles,
                    bool& withoutCoordinateSystem) override;
    bool EditPlotProgram(PlotProgramSettings& settings,
                         std::string (*commandLineOf)(const PlotProgramSettings&)) override;

    // The record a headless pick accepts: the first row with a field equal
    // to presetPick (blanks around and letter case ignored), or nothing when
    // no row has one; without presetPick the current row.
    std::optional<int> PickTableRecord(const TableView& view) override;

    // Answers that the batch caller chose for questions (default: cancel).
    std::optional<Answer> presetAnswer;
    std::optional<std::string> presetPick;
    // Messages are also kept here (code page 850), newest last.
    std::vector<std::string> shown;
};

// Installs a realisation for the life of a scope (tests).
class ScopedUi {
public:
    explicit ScopedUi(UiServices& ui) { SetUi(&ui); }
    ~ScopedUi() { SetUi(nullptr); }
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;
};

}  // namespace veldrim
