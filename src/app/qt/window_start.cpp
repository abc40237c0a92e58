#include "app/qt/window_start.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <clocale>
#include <filesystem>

#include "foundation/program_state.h"
#include "app/config_file.h"
#include "app/main_commands.h"
#include "app/qt/main_window.h"
#include "app/startup.h"
#include "calc/design.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/qt/qt_support.h"
#include "foundation/qt/qt_translations.h"
#include "foundation/qt/qt_ui.h"
#include "graphics/display_list.h"
#include "tables/qt/table_editor_form.h"

namespace veldrim {

namespace {

int storedArgc = 0;
char** storedArgv = nullptr;

int RunWindow(const CommandLine& cl, const std::string& notice) {
    QApplication app(storedArgc, storedArgv);
    // Qt takes the user's locale; number texts of the program never follow it.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("veldrim");
    QApplication::setWindowIcon(QIcon::fromTheme("veldrim"));
    UseQtTranslations(languageNumber);
    QtUi ui;
    SetUi(&ui);
    InstallQtTableEditor();
    int status = 0;
    {
        Thh window;
        ShowStartedWindow(window, cl, notice);
        status = app.exec();
        SetGraphicsWindow(nullptr);
        SetMainWidget(nullptr);
    }
    WriteSessionFile();
    SetUi(nullptr);
    return status;
}

}  // namespace

void ShowStartedWindow(Thh& window, const CommandLine& cl, const std::string& notice) {
    SetMainWidget(&window);
    // The form scaling takes the pixels per inch of the window's screen.
    ProbeScreenDpi(ScreenDpiOf(window));
    SetGraphicsWindow(&window);
    // A design step ends with the result view of the window.
    InstallDefaultResultView();
    TakeStartDataFile(cl);
    window.UpdateRecentFiles();
    window.show();
    DrawCurrentView();
    // Without a data file the start picture, when there is one, greets
    // the user over the view of the default set.
    if (cl.file.empty()) PlayStartPicture();
    window.AfterCommand();
    if (!notice.empty()) ShowErrorBox(notice);
}

void TakeStartDataFile(const CommandLine& cl) {
    if (!cl.file.empty()) {
        // As a file opened in the window: Speichern writes it.
        TakeAsCurrentDataFile(cl.file);
        return;
    }
    // No data file is open: saving asks for a name.
    currentFileName.clear();
    currentDataFile.clear();
    UseDocumentsFolderWithoutDataFolder();
    modifiedFlag = false;
}

void UseDocumentsFolderWithoutDataFolder() {
    std::error_code ec;
    if (std::filesystem::is_directory(dataDirectory, ec)) return;
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty() || !QFileInfo(docs).isDir()) docs = QDir::homePath();
    dataDirectory = ToFileName(docs);
}

void InstallWindowRunner(int argc, char** argv) {
    storedArgc = argc;
    storedArgv = argv;
    windowRunner = &RunWindow;
}

}  // namespace veldrim
