#pragma once
// The text viewer of reports and text files, and text printing by pages.

#include <QMainWindow>
#include <string>

class QPlainTextEdit;
class QPrinter;

namespace veldrim {

class TForm_showtextfile : public QMainWindow {
public:
    TForm_showtextfile(const std::string& path, const std::string& title,
                       QWidget* parent = nullptr);
    ~TForm_showtextfile() override;
    QPlainTextEdit* Memo1 = nullptr;
    const std::string& path() const { return path_; }

    void mi_dateiExportNotepadClick();
    void mi_DateiDruckenClick();
    void mi_dateiPdfClick();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    std::string path_;
};

// The font of text output (name, size and style index of the settings).
QFont TextOutputFont();

// Prints pages from..to of a text file; false when nothing could be printed.
bool PrintTextPages(QPrinter& printer, const std::string& path, int from, int to);
// The print dialog offering every page of the file, then the printing.
bool PrintTextFileWithDialog(const std::string& path, const std::string& title);
// Writes the whole text file as a PDF file.
bool PrintTextFileToPdf(const std::string& path, const std::string& pdfPath);

}  // namespace veldrim
