#include "foundation/message_display.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/help_texts.h"
#include "foundation/files.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"

namespace veldrim {

namespace {

constexpr std::string_view kNoDescription = "keine Beschreibung dieser Fehlermeldung vorhanden.";

std::string_view KeyOf(std::string_view text) {
    return text.substr(0, std::min(text.size(), kMessageKeyLength));
}

bool MessageIndexValid(int k) { return k >= 1 && k <= messageList.count && k <= kMaxMessages; }

// Cause and remedy are one line each in the file.
std::string OneLine(std::string_view s) {
    std::string t(s);
    for (char& c : t)
        if (c == '\r' || c == '\n') c = ' ';
    return t;
}

}  // namespace

std::string InstalledMessageTextFileName() {
    return FindFileNoCase(EnsureTrailingBackslash(helpDirectory) + programShortName + ".err");
}

std::string UserMessageTextFileName() {
    if (userDataDirectory.empty()) return {};
    return FindFileNoCase(EnsureTrailingBackslash(userDataDirectory) + programShortName + ".err");
}

std::string MessageTextFileName() {
    const std::string user = UserMessageTextFileName();
    return !user.empty() && FileExists(user) ? user : InstalledMessageTextFileName();
}

std::optional<MessageHelpEntry> FindMessageHelp(const std::string& fileName,
                                                std::string_view message) {
    TextFile f;
    f.Assign(fileName);
    if (f.Reset() != kIoOk) return std::nullopt;
    const std::string_view key = KeyOf(message);
    std::string line;
    std::optional<MessageHelpEntry> found;
    while (f.ReadLine(line) == kIoOk) {
        if (KeyOf(line) != key) continue;
        // The first key line decides; one without a following line is missing.
        MessageHelpEntry entry;
        if (f.ReadLine(entry.cause) == kIoOk) {
            entry.hasRemedy = f.ReadLine(entry.remedy) == kIoOk;
            found = entry;
        }
        break;
    }
    if (f.ReadFailed()) {
        MessageHelpEntry unreadable;
        unreadable.cause = ReadErrorText(f);
        unreadable.unreadable = true;
        return unreadable;
    }
    return found;
}

void ShowCalculationMessages() {
    if (HasParam("/NOGUI")) return;
    const int n = messageList.count;
    if (n == 0) {
        ShowInfo("Berechnung erfolgreich ohne Fehlermeldungen");
        return;
    }
    cancelFlag = false;
    for (int i = 1; i <= n; ++i) choiceBuffer[i] = messageList.slot[i];
    choiceBuffer[n + 1] = std::string("Weiter/zurück..."_cp850);
    int index = helpLevel < 2 ? n + 1 : 1;
    for (;;) {
        SetHelpNumber(1210);
        ChooseFromList("Berechnungsmodul meldet Warnungen oder Fehler, siehe Ursache und Abhilfe.",
                       n + 1, index);
        if (cancelFlag || index == n + 1) return;
        ShowMessageHelp(index);
        if (cancelFlag) return;
        ++index;
        if (index == n + 1) return;
    }
}

void ShowMessageHelp(int k) {
    if (!MessageIndexValid(k)) return;
    const std::string fileName = MessageTextFileName();
    CheckFileReadable(fileName);
    if (cancelFlag) return;
    const std::string& message = messageList.slot[k];
    auto entry = FindMessageHelp(fileName, message);
    if (!entry) {
        ShowMessageTitled("Meldung", kNoDescription);
        return;
    }
    if (entry->unreadable) {
        ShowErrorIfEnabled(entry->cause);
        cancelFlag = true;
        return;
    }
    ShowMessageHelpForm(message, entry->cause, entry->remedy);
}

void ShowMessageHelpForm(const std::string& message, const std::string& cause,
                         const std::string& remedy) {
    // Shown whole (an edit must not lose the end of a long cause), in plain
    // ASCII when the code-page option asks for it.
    auto forScreen = [](const std::string& t) {
        return codePageOption == 1 ? TransliterateOem(t) : t;
    };
    MessageExplanation shown{forScreen(message), forScreen(cause), forScreen(remedy)};
    auto edited = Ui().ShowMessageExplanation(shown);
    if (!edited) return;
    const bool causeEdited = edited->cause != shown.cause;
    const bool remedyEdited = edited->remedy != shown.remedy;
    if (!causeEdited && !remedyEdited) return;
    // A text the user left alone is written as it was read, not in the
    // plain-ASCII spelling the form showed it in.
    if (AskYesNoCancel("Save Changes ?"))
        SaveMessageHelp(message, causeEdited ? edited->cause : cause,
                        remedyEdited ? edited->remedy : remedy);
}

void GetMessageCause(int k, std::string& text) {
    text.clear();
    if (!MessageIndexValid(k)) return;
    const std::string fileName = MessageTextFileName();
    if (!FileExists(fileName)) return;
    // A message the file does not explain says so in place of its cause.
    const auto entry = FindMessageHelp(fileName, messageList.slot[k]);
    text = entry ? entry->cause : std::string(kNoDescription);
}

void GetMessageRemedy(int k, std::string& text) {
    text.clear();
    if (!MessageIndexValid(k)) return;
    if (auto entry = FindMessageHelp(MessageTextFileName(), messageList.slot[k]))
        text = entry->remedy;
}

void SaveMessageHelp(const std::string& message, const std::string& cause,
                     const std::string& remedy) {
    // Read from the file in force, written to the user's copy only: the
    // installed file belongs to the installation.
    const std::string fileName = MessageTextFileName();
    CheckFileReadable(fileName);
    if (cancelFlag) return;

    TextFile f;
    f.Assign(fileName);
    std::vector<std::string> lines;
    if (f.Reset() != kIoOk) {
        ReportFileFailure(f, WriteErrorText(kIoReadError));
        return;
    }
    for (std::string line; !f.Eof();) {
        if (f.ReadLine(line) != kIoOk) {
            ReportFileFailure(f, ReadErrorText(f));
            return;
        }
        lines.push_back(line);
    }
    f.Close();

    const std::string_view key = KeyOf(message);
    std::size_t at = 0;
    while (at < lines.size() && KeyOf(lines[at]) != key) ++at;
    if (at == lines.size()) {
        Ui().ShowMessage("", ShownText(message + " not found."), MessageKind::Information);
        return;
    }
    // The record gets its cause and remedy lines, also when the file ended
    // after the key line.
    if (lines.size() < at + 3) lines.resize(at + 3);
    lines[at + 1] = OneLine(cause);
    lines[at + 2] = OneLine(remedy);

    // Installed into the user's own folder, the help directory is the user
    // data folder and the two files are one: the edit goes into it there,
    // and only a folder or file that may not be written refuses it (at the
    // rewrite below).
    const std::string userCopy = UserMessageTextFileName();
    if (userCopy.empty()) {
        ShowErrorIfEnabled(NotWritableText(fileName));
        cancelFlag = true;
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(userDataDirectory, ec);  // a failure shows at the rewrite
    // Written through a temporary file that replaces the old one only when
    // everything was written.
    f.Assign(userCopy);
    RewriteChecked(f);
    if (cancelFlag) return;
    for (const auto& line : lines)
        if (int r = f.WriteLine(line); r != kIoOk) break;
    CloseChecked(f);
}

}  // namespace veldrim
