#pragma once
// The window's realisation of the UI port: every call of UiServices as a Qt
// dialog or window. A new call of the port is one more method here.

#include <memory>

#include "foundation/ui_services.h"

namespace veldrim {

class MessageWindow;

class QtUi : public UiServices {
public:
    QtUi();
    ~QtUi() override;

    void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override;
    Answer Ask(const std::string& title, const std::string& text, AskButtons buttons,
               MessageKind kind) override;
    std::optional<int> ChooseFromList(const std::string& title,
                                      const std::vector<std::string>& items,
                                      int preselected) override;
    std::optional<std::string> EnterText(const std::string& title, const std::string& prompt,
                                         const std::string& initial, int maxLength = 0) override;
    void Beep() override;
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
    void ProcessEvents() override;
    void ShowTextFile(const std::string& path, const std::string& title) override;
    bool PrintTextFile(const std::string& path, const std::string& title) override;
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;
    bool OpenDocument(const std::string& pathOrUrl) override;
    void SetClipboardText(const std::string& text) override;
    bool IsBatch() const override { return false; }
    std::optional<bool> AskYesNoDialog(const std::string& prompt, bool yesPreselected) override;
    void ShowInfoScreen(const std::string& caption, const std::vector<std::string>& lines) override;
    std::optional<MessageExplanation> ShowMessageExplanation(
        const MessageExplanation& shown) override;
    bool ShowOnlineForm(OnlineForm& form) override;
    bool ShowOperatingDataForm(OperatingDataFormState& state,
                               OperatingDataFormHandler& handler) override;
    bool ShowMaterialForm(MaterialFormState& state, MaterialFormHandler& handler) override;
    // A plain table of the records until the table editor form takes over.
    std::optional<int> PickTableRecord(const TableView& view) override;

    bool EnterDiagramLimits(const std::string& caption, const std::string& xLabel,
                            const std::string& yLabel, std::array<std::string, 4>& limits,
                            const std::array<std::string, 4>& calculated) override;
    bool Edit3DView(const std::string& caption, std::array<std::string, 3>& angles,
                    bool& withoutCoordinateSystem) override;
    bool EditPlotProgram(PlotProgramSettings& settings,
                         std::string (*commandLineOf)(const PlotProgramSettings&)) override;

    // The engine's message window and progress bar window (nullptr while hidden).
    MessageWindow* messageWindow() const { return message_.get(); }
    MessageWindow* progressWindow() const { return progress_.get(); }

private:
    std::unique_ptr<MessageWindow> message_;
    std::unique_ptr<MessageWindow> progress_;
    bool busy_ = false;
};

}  // namespace veldrim
