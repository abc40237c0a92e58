#include "foundation/qt/text_viewer.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <filesystem>

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "foundation/qt/pdf_file.h"
#include "foundation/save_target.h"
#include "foundation/qt/qt_support.h"
#include "foundation/text_conv.h"
#include "foundation/text_pages.h"
#include "foundation/message_boxes.h"
#include "foundation/ui_services.h"

namespace veldrim {

namespace {
// The viewer's bounds, kept for the run.
QRect viewerBounds;

QAction* AddItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& keys = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setShortcut(keys);
    return a;
}
}  // namespace

QFont TextOutputFont() {
    QFont f(FromOem(printoutFont));
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    if (!QFontDatabase::families().contains(f.family())) f.setFamily("DejaVu Sans Mono");
    f.setPointSize(printoutFontSize > 0 ? printoutFontSize : 10);
    const FontStyles s = IndexToFontStyle(printoutTextStyle, 0);
    f.setBold(s & fsBold);
    f.setItalic(s & fsItalic);
    f.setUnderline(s & fsUnderline);
    f.setStrikeOut(s & fsStrikeOut);
    return f;
}

TForm_showtextfile::TForm_showtextfile(const std::string& path, const std::string& title,
                                       QWidget* parent)
    : QMainWindow(parent), path_(path) {
    setObjectName("TForm_showtextfile");
    setAttribute(Qt::WA_DeleteOnClose);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFont(TextOutputFont());
    setCentralWidget(Memo1);

    QMenu* file = menuBar()->addMenu("&Datei");
    file->setObjectName("mi_Datei");
    connect(AddItem(file, "mi_dateiExportNotepad", "Export &Notepad"), &QAction::triggered, this,
            [this] { mi_dateiExportNotepadClick(); });
    connect(AddItem(file, "mi_DateiDrucken", "&Drucken...", QKeySequence::Print),
            &QAction::triggered, this, [this] { mi_DateiDruckenClick(); });
    connect(AddItem(file, "mi_dateiPdf", "Als &PDF speichern...",
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)),
            &QAction::triggered, this, [this] { mi_dateiPdfClick(); });
    connect(AddItem(file, "mi_dateiBeenden", "&Beenden       ", QKeySequence::Close),
            &QAction::triggered, this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu("&Bearbeiten");
    edit->setObjectName("mi_Edit");
    connect(
        AddItem(edit, "mi_EditMarkAll", FromOem("Alles aus&w\x84hlen"), QKeySequence::SelectAll),
        &QAction::triggered, Memo1, &QPlainTextEdit::selectAll);
    connect(AddItem(edit, "mi_EditCopy", "Kopieren", QKeySequence::Copy), &QAction::triggered,
            Memo1, &QPlainTextEdit::copy);

    if (ReadTextFileLines(path, lines_)) {
        QStringList shown;
        for (const std::string& l : lines_) shown << FromOem(l).replace(QChar('\f'), QString());
        Memo1->setPlainText(shown.join('\n'));
    } else {
        Ui().ShowMessage("", ShownFileName(path) + " not found !", MessageKind::Information);
    }
    setWindowTitle(FromOem(productName + "    " + (title.empty() ? ShownFileName(path) : title)));
    if (viewerBounds.width() > 0 && viewerBounds.height() > 0)
        setGeometry(viewerBounds);
    else
        resize(std::max<int>(textWindowWidth, 300), std::max<int>(textWindowHeight, 200));
}

TForm_showtextfile::~TForm_showtextfile() = default;

void TForm_showtextfile::closeEvent(QCloseEvent* e) {
    viewerBounds = geometry();
    e->accept();
}

void TForm_showtextfile::mi_dateiExportNotepadClick() {
    // The screen copy of the report for other programs.
    std::string file = InPrivateFolder("outwin.txt");
    if (!FileExists(file)) file = path_;
    const std::string editor = textEditorPath;
    if ((editor.empty() || !SpawnProgram(editor, {file})) && !Ui().OpenDocument(file))
        Ui().ShowMessage("", NoOpenerText(file), MessageKind::Information);
}

void TForm_showtextfile::mi_DateiDruckenClick() { PrintTextWithDialog(lines_, currentFileName); }

void TForm_showtextfile::mi_dateiPdfClick() {
    // A report is proposed under the data file's name in its folder; another
    // text under its own name.
    std::string base = PathWithoutExt(path_);
    if (!currentFileName.empty())
        base = EnsureTrailingBackslash(dataDirectory) + currentFileName;
    else if (std::filesystem::path(base).filename().string().starts_with('$'))
        base = EnsureTrailingBackslash(dataDirectory) + "report";
    const auto chosen = AskPdfFileName(base + ".pdf");
    if (chosen && !PrintTextToPdf(lines_, *chosen)) ShowErrorBox(NotSavedText(*chosen));
}

bool PrintTextPages(QPrinter& printer, const std::vector<std::string>& lines, int from, int to) {
    const std::vector<TextPage> pages = TextPagesInRange(lines, from, to);
    if (pages.empty()) return false;
    QPainter p;
    if (!p.begin(&printer)) return false;
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const int perPage = linesPerPage > 0 ? linesPerPage : 66;
    const int lineHeight = std::max(1, area.height() / perPage);
    QFont f = TextOutputFont();
    f.setPixelSize(std::max(1, lineHeight * 85 / 100));
    p.setFont(f);
    bool first = true;
    for (const TextPage& page : pages) {
        if (!first) printer.newPage();
        first = false;
        int y = 0;
        for (const std::string& l : page.lines) {
            p.drawText(QRect(0, y, area.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       FromOem(l));
            y += lineHeight;
        }
    }
    return p.end();
}

bool PrintTextFileWithDialog(const std::string& path, const std::string& title) {
    std::vector<std::string> lines;
    if (!ReadTextFileLines(path, lines)) {
        Ui().ShowMessage("", ShownFileName(path) + " not found !", MessageKind::Information);
        return false;
    }
    return PrintTextWithDialog(lines, title);
}

bool PrintTextWithDialog(const std::vector<std::string>& lines, const std::string& title) {
    if (cancelFlag) return false;
    const int count = CountTextPages(lines);
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(FromOem(title));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFromTo(1, count);
    QPrintDialog dialog(&printer, DialogParent());
    dialog.setMinMax(1, count);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted) return false;
    int from = 1, to = count;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    }
    return PrintTextPages(printer, lines, from, to);
}

bool PrintTextToPdf(const std::vector<std::string>& lines, const std::string& pdfPath) {
    return PrintToPdfFile(pdfPath, [&](QPrinter& printer) {
        return PrintTextPages(printer, lines, 1, CountTextPages(lines));
    });
}

}  // namespace veldrim
