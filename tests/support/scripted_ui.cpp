// The scripted UI of the tests: queued answers, recorded calls.

#include "support/scripted_ui.h"

namespace veldrim {

template <class T>
std::optional<T> ScriptedUi::Next() {
    if (replies.empty()) return std::nullopt;
    Reply r = replies.front();
    replies.pop_front();
    if (auto* v = std::get_if<T>(&r)) return *v;
    return std::nullopt;  // a reply of the wrong kind counts as cancel
}

void ScriptedUi::ShowMessage(const std::string& title, const std::string& text, MessageKind) {
    calls.push_back({"message", title, text});
}

Answer ScriptedUi::Ask(const std::string& title, const std::string& text, AskButtons buttons,
                       MessageKind) {
    calls.push_back({"ask", title, text});
    auto a = Next<Answer>();
    if (a) return *a;
    return buttons == AskButtons::YesNo ? Answer::No : Answer::Cancel;
}

std::optional<bool> ScriptedUi::AskYesNoDialog(const std::string& prompt, bool yesPreselected) {
    calls.push_back({"yes-no", yesPreselected ? "J" : "N", prompt});
    switch (Next<Answer>().value_or(Answer::Cancel)) {
        case Answer::Yes: return true;
        case Answer::No: return false;
        case Answer::Ok: return yesPreselected;
        case Answer::Cancel: break;
    }
    return std::nullopt;
}

void ScriptedUi::ShowInfoScreen(const std::string& caption, const std::vector<std::string>& lines) {
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) joined += (i > 0 ? "\n" : "") + lines[i];
    calls.push_back({"info-screen", caption, joined});
}

std::optional<int> ScriptedUi::ChooseFromList(const std::string& title,
                                              const std::vector<std::string>& items, int) {
    std::string joined;
    for (const auto& i : items) joined += i + "\n";
    calls.push_back({"list", title, joined});
    auto c = Next<std::optional<int>>();
    return c ? *c : std::nullopt;
}

std::optional<int> ScriptedUi::PickTableRecord(const TableView& view) {
    std::string joined;
    for (const auto& row : view.rows) joined += (row.empty() ? std::string() : row.front()) + "\n";
    calls.push_back({"pick", view.title, joined});
    pickStartRow = view.current;
    pickStartChosen = view.currentChosen;
    auto c = Next<std::optional<int>>();
    return c ? *c : std::nullopt;
}

std::optional<std::string> ScriptedUi::EnterText(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string& initial, int maxLength) {
    calls.push_back({"text", title, prompt});
    textEntries.push_back({initial, maxLength});
    auto t = Next<std::optional<std::string>>();
    return t ? *t : std::nullopt;
}

std::optional<std::string> ScriptedUi::OpenFileName(const std::string& title,
                                                    const std::string& folder, const std::string&) {
    calls.push_back({"open", title, folder});
    auto t = Next<std::optional<std::string>>();
    return t ? *t : std::nullopt;
}

std::optional<std::string> ScriptedUi::SaveFileName(const std::string& title,
                                                    const std::string& initialPath,
                                                    const std::string&) {
    calls.push_back({"save", title, initialPath});
    auto t = Next<std::optional<std::string>>();
    return t ? *t : std::nullopt;
}

std::optional<std::string> ScriptedUi::FolderName(const std::string& title,
                                                  const std::string& initial) {
    calls.push_back({"folder", title, initial});
    auto t = Next<std::optional<std::string>>();
    return t ? *t : std::nullopt;
}

void ScriptedUi::SetBusy(bool busy) { calls.push_back({"busy", "", busy ? "1" : "0"}); }

void ScriptedUi::ShowProgress(const std::string& text, int percent) {
    calls.push_back({"progress", text, std::to_string(percent)});
}

void ScriptedUi::HideProgress() { calls.push_back({"progress-hide", "", ""}); }

void ScriptedUi::ShowMessageWindow(const std::string& text) {
    calls.push_back({"message-window", "", text});
}

void ScriptedUi::ShowTextFile(const std::string& path, const std::string& title) {
    calls.push_back({"show-text", title, path});
}

bool ScriptedUi::PrintTextFile(const std::string& path, const std::string& title) {
    calls.push_back({"print-text", title, path});
    return Next<bool>().value_or(false);
}

bool ScriptedUi::StartProgram(const std::string& program, const std::vector<std::string>& args) {
    std::string joined = program;
    for (const auto& a : args) joined += "\n" + a;
    calls.push_back({"start", program, joined});
    return Next<bool>().value_or(false);
}

bool ScriptedUi::OpenDocument(const std::string& pathOrUrl) {
    calls.push_back({"open-document", "", pathOrUrl});
    return Next<bool>().value_or(false);
}

void ScriptedUi::SetClipboardText(const std::string& text) {
    clipboard = text;
    calls.push_back({"clipboard", "", text});
}

std::optional<MessageExplanation> ScriptedUi::ShowMessageExplanation(
    const MessageExplanation& shown) {
    calls.push_back({"explanation", shown.message, shown.cause + "\n" + shown.remedy});
    if (explanationReplies.empty()) return std::nullopt;
    auto reply = explanationReplies.front();
    explanationReplies.pop_front();
    return reply;
}

bool ScriptedUi::ShowOnlineForm(OnlineForm& form) {
    std::string rows;
    for (int i = 0; i < form.inputCount && i < kOnlineDialogSlots; ++i)
        rows += form.inputNames[i] + "=" + form.inputTexts[i] + "\n";
    for (int i = 0; i < form.outputCount && i < kOnlineDialogSlots; ++i)
        rows += form.outputNames[i] + "=" + form.outputTexts[i] + "\n";
    calls.push_back({"online", form.caption, rows});
    onlineForms.push_back(form);
    if (onlineReplies.empty()) return false;
    const OnlineReply reply = onlineReplies.front();
    onlineReplies.pop_front();
    for (const auto& [row, text] : reply.edits)
        if (row >= 1 && row <= kOnlineDialogSlots) form.inputTexts[row - 1] = text;
    if (reply.row != 0) form.row = reply.row;
    form.lastKey = reply.lastKey;
    return reply.ok;
}

namespace {

// Records a form and plays the next script of its queue on it; cancel when
// the queue is empty.
template <class Scripts, class State, class Handler>
bool PlayForm(std::vector<ScriptedUi::Call>& calls, const char* kind, Scripts& scripts,
              State& state, Handler& handler) {
    calls.push_back({kind, state.caption, ""});
    if (scripts.empty()) return false;
    auto script = std::move(scripts.front());
    scripts.pop_front();
    return script(state, handler);
}

// The front of a reply queue; an empty queue answers cancel.
template <class T>
std::optional<T> PopReply(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) return std::nullopt;
    std::optional<T> r = std::move(queue.front());
    queue.pop_front();
    return r;
}

}  // namespace

bool ScriptedUi::ShowOperatingDataForm(OperatingDataFormState& state,
                                       OperatingDataFormHandler& handler) {
    return PlayForm(calls, "operating-data", operatingDataScripts, state, handler);
}

bool ScriptedUi::ShowMaterialForm(MaterialFormState& state, MaterialFormHandler& handler) {
    return PlayForm(calls, "material", materialScripts, state, handler);
}

bool ScriptedUi::EnterDiagramLimits(const std::string& caption, const std::string& xLabel,
                                    const std::string& yLabel, std::array<std::string, 4>& limits,
                                    const std::array<std::string, 4>& calculated) {
    calls.push_back({"diagram-limits", caption,
                     xLabel + "\n" + yLabel + "\n" + limits[0] + " " + limits[1] + " " + limits[2] +
                         " " + limits[3] + "\n" + calculated[0] + " " + calculated[1] + " " +
                         calculated[2] + " " + calculated[3]});
    auto r = PopReply(diagramLimitReplies);
    if (r) limits = *r;
    return r.has_value();
}

bool ScriptedUi::Edit3DView(const std::string& caption, std::array<std::string, 3>& angles,
                            bool& withoutCoordinateSystem) {
    calls.push_back({"view3d", caption,
                     angles[0] + " " + angles[1] + " " + angles[2] + " " +
                         (withoutCoordinateSystem ? "1" : "0")});
    auto r = PopReply(view3DReplies);
    if (r) angles = r->angles, withoutCoordinateSystem = r->withoutCoordinateSystem;
    return r.has_value();
}

bool ScriptedUi::EditPlotProgram(PlotProgramSettings& settings,
                                 std::string (*commandLineOf)(const PlotProgramSettings&)) {
    calls.push_back({"plot-program", "", commandLineOf ? commandLineOf(settings) : ""});
    auto r = PopReply(plotProgramReplies);
    if (r) settings = *r;
    return r.has_value();
}

std::vector<ScriptedUi::Call> ScriptedUi::CallsOf(const std::string& kind) const {
    std::vector<Call> out;
    for (const auto& c : calls)
        if (c.kind == kind) out.push_back(c);
    return out;
}

std::vector<std::string> ScriptedUi::TextsOf(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.kind == kind) out.push_back(c.text);
    return out;
}

}  // namespace veldrim
