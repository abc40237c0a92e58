#pragma once
// The test realisation of the UI port: answers are queued in advance and
// every call is recorded. Tests, fuzz targets and benchmarks use it; the
// program itself ships BatchUi and the window's realisation only.

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "foundation/ui_services.h"

namespace veldrim {

// Tests: answers are queued in advance, every call is recorded. A call whose
// queue is empty gets the cancel answer.
class ScriptedUi : public UiServices {
public:
    struct Call {
        std::string kind;  // "message", "ask", "list", "text", "open", "save", "folder", ...
        std::string title;
        std::string text;  // message text, prompt, or the items joined by '\n'
    };
    using Reply = std::variant<Answer, std::optional<int>, std::optional<std::string>, bool>;

    void QueueAnswer(Answer a) { replies.emplace_back(a); }
    void QueueChoice(std::optional<int> index) { replies.emplace_back(index); }
    void QueueText(std::optional<std::string> text) { replies.emplace_back(text); }
    void QueueBool(bool ok) { replies.emplace_back(ok); }

    void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override;
    Answer Ask(const std::string& title, const std::string& text, AskButtons buttons,
               MessageKind kind) override;
    std::optional<int> ChooseFromList(const std::string& title,
                                      const std::vector<std::string>& items,
                                      int preselected) override;
    // Records the initial text and the length limit in textEntries.
    std::optional<std::string> EnterText(const std::string& title, const std::string& prompt,
                                         const std::string& initial, int maxLength = 0) override;
    std::optional<std::string> OpenFileName(const std::string& title, const std::string& folder,
                                            const std::string& filter) override;
    std::optional<std::string> SaveFileName(const std::string& title,
                                            const std::string& initialPath,
                                            const std::string& filter) override;
    std::optional<std::string> FolderName(const std::string& title,
                                          const std::string& initial) override;
    void SetBusy(bool busy) override;
    void ShowProgress(const std::string& text, int percent) override;
    void HideProgress() override;
    void ShowMessageWindow(const std::string& text) override;
    void ProcessEvents() override {}
    void ShowTextFile(const std::string& path, const std::string& title) override;
    bool PrintTextFile(const std::string& path, const std::string& title) override;
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;
    bool OpenDocument(const std::string& pathOrUrl) override;
    void SetClipboardText(const std::string& text) override;
    bool IsBatch() const override { return batch; }
    // Recorded as a call of kind "beep".
    void Beep() override { calls.push_back({"beep", "", ""}); }
    // Recorded as "yes-no" (title: the preselected answer "J" or "N", text:
    // the prompt); answered by a queued Answer: Yes or No choose and press
    // OK, Ok presses OK on the preselected answer, Cancel (or none queued)
    // closes without OK.
    std::optional<bool> AskYesNoDialog(const std::string& prompt, bool yesPreselected) override;
    // Recorded as "info-screen" (title: the caption, text: the lines joined
    // by '\n').
    void ShowInfoScreen(const std::string& caption, const std::vector<std::string>& lines) override;
    // Recorded as "explanation" (title: the message, text: cause '\n'
    // remedy); answered from `explanationReplies`, nothing when it is empty.
    std::optional<MessageExplanation> ShowMessageExplanation(
        const MessageExplanation& shown) override;
    std::deque<std::optional<MessageExplanation>> explanationReplies;
    // Recorded as "pick" (title, the rows' first fields joined by '\n');
    // answered by a queued choice (QueueChoice), cancel when none is queued.
    std::optional<int> PickTableRecord(const TableView& view) override;
    // Where the last pick opened: its current row and whether that row
    // counted as chosen.
    int pickStartRow = -1;
    bool pickStartChosen = false;

    // The forms: recorded as "diagram-limits" (title: the caption, text: the
    // labels, the limits shown and the calculated ones), "view3d" (text: the
    // angles and the box) and "plot-program" (text: the command line of the
    // settings shown); answered from their queues, cancel when a queue is empty.
    bool EnterDiagramLimits(const std::string& caption, const std::string& xLabel,
                            const std::string& yLabel, std::array<std::string, 4>& limits,
                            const std::array<std::string, 4>& calculated) override;
    bool Edit3DView(const std::string& caption, std::array<std::string, 3>& angles,
                    bool& withoutCoordinateSystem) override;
    bool EditPlotProgram(PlotProgramSettings& settings,
                         std::string (*commandLineOf)(const PlotProgramSettings&)) override;
    std::deque<std::optional<std::array<std::string, 4>>> diagramLimitReplies;
    struct View3DReply {
        std::array<std::string, 3> angles;
        bool withoutCoordinateSystem = false;
    };
    std::deque<std::optional<View3DReply>> view3DReplies;
    std::deque<std::optional<PlotProgramSettings>> plotProgramReplies;

    // The online dialog: recorded as "online" (title: the caption, text: one
    // line "name=text" per input and "name=text" per output); every form shown
    // is kept in `onlineForms`. Answered from `onlineReplies`: the edits typed
    // (row 1..12 and text), the row left on (0: the row shown), the last key
    // and OK or close; close when the queue is empty.
    struct OnlineReply {
        std::vector<std::pair<int, std::string>> edits;
        int row = 0;
        int lastKey = 0;
        bool ok = true;
    };
    bool ShowOnlineForm(OnlineForm& form) override;
    std::deque<OnlineReply> onlineReplies;
    std::vector<OnlineForm> onlineForms;
    // Each text entry's initial text and length limit, in order.
    struct TextEntry {
        std::string initial;
        int maxLength = 0;
    };
    std::vector<TextEntry> textEntries;
    // The two forms: recorded as "operating-data" and "material" (title: the
    // caption); each runs the next script of its queue, which plays the user
    // on the state and the handler and returns OK or cancel. Cancel when the
    // queue is empty.
    bool ShowOperatingDataForm(OperatingDataFormState& state,
                               OperatingDataFormHandler& handler) override;
    bool ShowMaterialForm(MaterialFormState& state, MaterialFormHandler& handler) override;
    std::deque<std::function<bool(OperatingDataFormState&, OperatingDataFormHandler&)>>
        operatingDataScripts;
    std::deque<std::function<bool(MaterialFormState&, MaterialFormHandler&)>> materialScripts;

    // Recorded calls of a kind, oldest first.
    std::vector<Call> CallsOf(const std::string& kind) const;
    // The texts of the recorded calls of a kind, oldest first.
    std::vector<std::string> TextsOf(const std::string& kind) const;

    std::deque<Reply> replies;
    std::vector<Call> calls;
    std::string clipboard;
    bool batch = false;

private:
    template <class T>
    std::optional<T> Next();
};

}  // namespace veldrim
