#pragma once
// The port through which core code shows and asks things. Core code never
// talks to a window toolkit: it calls Ui(), which is the Qt window in the
// program, BatchUi in headless runs and the scripted test double of
// tests/support in tests.
//
// Every text that crosses this port is a code page 850 byte string, as the
// program stores its texts; the Qt realisation converts at its edge.

#include <cstdint>
#include <optional>
#include <string>
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

class UiServices {
public:
    virtual ~UiServices() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const std::string& title, const std::string& text,
                             MessageKind kind) = 0;
    // A message box that asks; the answer is one of the offered buttons.
    virtual Answer Ask(const std::string& title, const std::string& text,
                       AskButtons buttons, MessageKind kind) = 0;
    // The list choice: the index chosen (0-based), or nothing on cancel.
    virtual std::optional<int> ChooseFromList(const std::string& title,
                                              const std::vector<std::string>& items,
                                              int preselected) = 0;
    // A one-line text entry (numbers too: the caller validates and loops).
    virtual std::optional<std::string> EnterText(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string& initial) = 0;
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
    virtual bool StartProgram(const std::string& program,
                              const std::vector<std::string>& args) = 0;
    // Opens a document or address with the desktop's handler.
    virtual bool OpenDocument(const std::string& pathOrUrl) = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    // True when no window may ever appear (headless runs).
    virtual bool IsBatch() const = 0;

    // The explanation window of a calculation message. Returns the edited
    // texts when the user changed cause or remedy and closed with OK, nothing
    // otherwise. The default shows the three texts in a message box.
    virtual std::optional<MessageExplanation> ShowMessageExplanation(
        const MessageExplanation& shown);
};

// The realisation in force; BatchUi until the program sets another.
UiServices& Ui();
// Installs a realisation (not owned); nullptr restores the default BatchUi.
void SetUi(UiServices* ui);

// Starts a program through posix_spawn with an argument vector, looking it
// up on PATH when it has no folder. Returns false when it could not start.
bool SpawnProgram(const std::string& program, const std::vector<std::string>& args);

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
                                         const std::string& initial) override;
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

    // Answers that the batch caller chose for questions (default: cancel).
    std::optional<Answer> presetAnswer;
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
