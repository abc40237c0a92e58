#pragma once
// The text viewer of reports and text files, and text printing by pages.

#include <QMainWindow>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPrinter;

namespace veldrim {

// `TForm_showtextfile`: the form (TForm_) that shows a text file.
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
    std::vector<std::string> lines_;  // the text shown, kept for printing
};

// The font of text output (name, size and style index of the settings).
QFont TextOutputFont();

// Prints pages from..to of a text (code page 850 lines); false when nothing
// could be printed.
bool PrintTextPages(QPrinter& printer, const std::vector<std::string>& lines, int from, int to);
// The print dialog offering every page of the text, then the printing.
bool PrintTextWithDialog(const std::vector<std::string>& lines, const std::string& title);
bool PrintTextFileWithDialog(const std::string& path, const std::string& title);
// Writes the whole text as a PDF file (A4) through a whole-file save; false
// when it was not completely written, and an old file then stays as it was.
bool PrintTextToPdf(const std::vector<std::string>& lines, const std::string& pdfPath);

}  // namespace veldrim
