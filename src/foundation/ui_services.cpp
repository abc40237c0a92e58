#include "foundation/ui_services.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/codepage.h"

extern char** environ;

namespace veldrim {

namespace {

BatchUi& DefaultUi() {
    static BatchUi ui;
    return ui;
}

UiServices* current = nullptr;

const char* KindWord(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information: return "info";
        case MessageKind::Warning: return "warning";
        case MessageKind::Error: return "error";
        case MessageKind::Confirmation: return "question";
    }
    return "info";
}

void ToStderr(const std::string& title, const std::string& text, MessageKind kind) {
    std::string line = std::string("veldrim: ") + KindWord(kind) + ": ";
    if (!title.empty()) line += Cp850ToUtf8(title) + ": ";
    line += Cp850ToUtf8(text);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

UiServices& Ui() { return current ? *current : DefaultUi(); }

void SetUi(UiServices* ui) { current = ui; }

bool SpawnProgram(const std::string& program, const std::vector<std::string>& args) {
    if (program.empty()) return false;
    std::vector<std::string> argvStore;
    argvStore.reserve(args.size() + 1);
    argvStore.push_back(program);
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    // posix_spawnp searches PATH when the name has no '/'.
    int rc = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) return false;
    // A program that cannot be executed ends at once with status 127; the
    // window-less callers want to know that, so give it a moment to fail.
    int status = 0;
    for (int i = 0; i < 5; ++i) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) != 127;
        if (r < 0) return errno == ECHILD;
        usleep(2000);
    }
    return true;
}

std::optional<MessageExplanation> UiServices::ShowMessageExplanation(
    const MessageExplanation& shown) {
    ShowMessage("Fehlermeldung", shown.message + "\n\nUrsache:\n" + shown.cause +
                                     "\n\nAbhilfe:\n" + shown.remedy,
                MessageKind::Information);
    return std::nullopt;
}

// ---- BatchUi ---------------------------------------------------------------

void BatchUi::ShowMessage(const std::string& title, const std::string& text, MessageKind kind) {
    shown.push_back(text);
    ToStderr(title, text, kind);
}

Answer BatchUi::Ask(const std::string& title, const std::string& text, AskButtons buttons,
                    MessageKind kind) {
    shown.push_back(text);
    ToStderr(title, text, kind);
    if (presetAnswer) return *presetAnswer;
    return buttons == AskButtons::YesNo ? Answer::No : Answer::Cancel;
}

std::optional<int> BatchUi::ChooseFromList(const std::string&, const std::vector<std::string>&,
                                           int) {
    return std::nullopt;
}

std::optional<std::string> BatchUi::EnterText(const std::string&, const std::string&,
                                              const std::string&) {
    return std::nullopt;
}

std::optional<std::string> BatchUi::OpenFileName(const std::string&, const std::string&,
                                                 const std::string&) {
    return std::nullopt;
}

std::optional<std::string> BatchUi::SaveFileName(const std::string&, const std::string&,
                                                 const std::string&) {
    return std::nullopt;
}

std::optional<std::string> BatchUi::FolderName(const std::string&, const std::string&) {
    return std::nullopt;
}

void BatchUi::ShowMessageWindow(const std::string& text) {
    if (!text.empty()) ToStderr("", text, MessageKind::Information);
}

void BatchUi::ShowTextFile(const std::string& path, const std::string&) {
    std::string line = path + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

bool BatchUi::PrintTextFile(const std::string&, const std::string&) { return false; }

bool BatchUi::StartProgram(const std::string&, const std::vector<std::string>&) { return false; }

bool BatchUi::OpenDocument(const std::string&) { return false; }

// ---- ScriptedUi ------------------------------------------------------------

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

std::optional<int> ScriptedUi::ChooseFromList(const std::string& title,
                                              const std::vector<std::string>& items, int) {
    std::string joined;
    for (const auto& i : items) joined += i + "\n";
    calls.push_back({"list", title, joined});
    auto c = Next<std::optional<int>>();
    return c ? *c : std::nullopt;
}

std::optional<std::string> ScriptedUi::EnterText(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string&) {
    calls.push_back({"text", title, prompt});
    auto t = Next<std::optional<std::string>>();
    return t ? *t : std::nullopt;
}

std::optional<std::string> ScriptedUi::OpenFileName(const std::string& title,
                                                    const std::string& folder,
                                                    const std::string&) {
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

std::vector<ScriptedUi::Call> ScriptedUi::CallsOf(const std::string& kind) const {
    std::vector<Call> out;
    for (const auto& c : calls)
        if (c.kind == kind) out.push_back(c);
    return out;
}

}  // namespace veldrim
