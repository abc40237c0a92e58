#include "foundation/ui_services.h"

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/text_conv.h"

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
    if (!title.empty()) line += Cp850ToUtf8Carried(title) + ": ";
    line += Cp850ToUtf8Carried(text);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

UiServices& Ui() { return current ? *current : DefaultUi(); }

void SetUi(UiServices* ui) { current = ui; }

bool SpawnProgram(const std::string& program, const std::vector<std::string>& args) {
    return SpawnProgramError(program, args) == 0;
}

std::string NoOpenerText(const std::string& path) {
    return std::string("Kein Programm zum Öffnen gefunden: "_cp850) + ShownFileName(path);
}

int SpawnChild(const std::string& program, const std::vector<std::string>& args, pid_t& pid) {
    pid = 0;
    if (program.empty()) return ENOENT;
    std::vector<std::string> argvStore;
    argvStore.reserve(args.size() + 1);
    argvStore.push_back(program);
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    // posix_spawnp searches PATH when the name has no '/'.
    return posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
}

int SpawnProgramError(const std::string& program, const std::vector<std::string>& args) {
    pid_t pid = 0;
    if (const int rc = SpawnChild(program, args, pid); rc != 0) return rc;
    // A program that cannot be executed ends at once with status 127; the
    // window-less callers want to know that, so give it a moment to fail.
    int status = 0;
    for (int i = 0; i < 5; ++i) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 127 ? ENOENT : 0;
        if (r < 0) return errno == ECHILD ? 0 : errno;
        usleep(2000);
    }
    return 0;
}

std::optional<bool> UiServices::AskYesNoDialog(const std::string& prompt, bool) {
    switch (Ask("Eingabe", prompt, AskButtons::YesNoCancel, MessageKind::Confirmation)) {
        case Answer::Yes: return true;
        case Answer::No: return false;
        default: return std::nullopt;
    }
}

void UiServices::ShowInfoScreen(const std::string& caption, const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    ShowMessage(caption, text, MessageKind::Information);
}

std::optional<MessageExplanation> UiServices::ShowMessageExplanation(
    const MessageExplanation& shown) {
    ShowMessage("Fehlermeldung",
                shown.message + "\n\nUrsache:\n" + shown.cause + "\n\nAbhilfe:\n" + shown.remedy,
                MessageKind::Information);
    return std::nullopt;
}

bool UiServices::ShowOnlineForm(OnlineForm&) { return false; }

bool UiServices::ShowOperatingDataForm(OperatingDataFormState&, OperatingDataFormHandler&) {
    return false;
}

bool UiServices::ShowMaterialForm(MaterialFormState&, MaterialFormHandler&) { return false; }

bool UiServices::EnterDiagramLimits(const std::string&, const std::string&, const std::string&,
                                    std::array<std::string, 4>&,
                                    const std::array<std::string, 4>&) {
    return false;
}

bool UiServices::Edit3DView(const std::string&, std::array<std::string, 3>&, bool&) {
    return false;
}

bool UiServices::EditPlotProgram(PlotProgramSettings&,
                                 std::string (*)(const PlotProgramSettings&)) {
    return false;
}

// ---- BatchUi ---------------------------------------------------------------

bool BatchUi::ShowOnlineForm(OnlineForm&) { return false; }

bool BatchUi::ShowOperatingDataForm(OperatingDataFormState&, OperatingDataFormHandler&) {
    return false;
}

bool BatchUi::ShowMaterialForm(MaterialFormState&, MaterialFormHandler&) { return false; }

bool BatchUi::EnterDiagramLimits(const std::string&, const std::string&, const std::string&,
                                 std::array<std::string, 4>&, const std::array<std::string, 4>&) {
    return false;
}

bool BatchUi::Edit3DView(const std::string&, std::array<std::string, 3>&, bool&) { return false; }

bool BatchUi::EditPlotProgram(PlotProgramSettings&, std::string (*)(const PlotProgramSettings&)) {
    return false;
}

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

std::optional<int> UiServices::PickTableRecord(const TableView& view) {
    std::vector<std::string> items;
    for (const auto& row : view.rows) {
        std::string line;
        for (const auto& cell : row) line += (line.empty() ? "" : " | ") + cell;
        items.push_back(line);
    }
    return ChooseFromList(view.title, items, view.current);
}

namespace {
std::string PickKey(const std::string& s) { return UpperAscii(TrimBoth(s)); }
}  // namespace

std::optional<int> BatchUi::PickTableRecord(const TableView& view) {
    if (!presetPick) {
        if (view.rows.empty() || !view.currentChosen) return std::nullopt;
        return std::clamp(view.current, 0, static_cast<int>(view.rows.size()) - 1);
    }
    const std::string key = PickKey(*presetPick);
    for (std::size_t r = 0; r < view.rows.size(); ++r)
        for (const auto& cell : view.rows[r])
            if (PickKey(cell) == key) return static_cast<int>(r);
    return std::nullopt;
}

std::optional<int> BatchUi::ChooseFromList(const std::string&, const std::vector<std::string>&,
                                           int) {
    return std::nullopt;
}

std::optional<std::string> BatchUi::EnterText(const std::string&, const std::string&,
                                              const std::string&, int) {
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

}  // namespace veldrim
