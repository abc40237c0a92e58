#include "foundation/qt/pdf_file.h"

#include <QPrinter>
#include <cerrno>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "foundation/data_file_path.h"
#include "foundation/file_calls.h"
#include "foundation/message_boxes.h"
#include "foundation/save_target.h"
#include "foundation/ui_services.h"

namespace veldrim {

namespace {

// Copies everything that arrives on `from` into `to` through the file call
// table. After the first refused byte it goes on reading, so that the printer
// never waits on a full pipe, but writes nothing more. 0 or the errno value of
// the first failure.
int CopyPipeInto(int from, int to) {
    std::vector<char> chunk(1 << 16);
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(from, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 && err == 0 ? errno : err;
        if (err == 0 && !WriteWhole(to, chunk.data(), static_cast<std::size_t>(n)))
            err = errno != 0 ? errno : EIO;
    }
}

// The printer opens its output by name and never tells when a write of it
// failed (QPainter::end() says true after a full disk). So it writes into a
// pipe, and a thread copies the pipe into the save's file, seeing every
// refused byte.
class PrintPipe {
public:
    explicit PrintPipe(int fd) {
        if (::pipe2(ends_, O_CLOEXEC) != 0) return;
        copier_ = std::thread([this, fd] { err_ = CopyPipeInto(ends_[0], fd); });
    }
    ~PrintPipe() { Finish(); }
    PrintPipe(const PrintPipe&) = delete;
    PrintPipe& operator=(const PrintPipe&) = delete;

    bool Open() const { return copier_.joinable(); }
    // The name under which the printer opens the writing end.
    QString Name() const { return QStringLiteral("/proc/self/fd/%1").arg(ends_[1]); }
    // Closes the writing end (the printer's own is closed by then) and waits
    // until everything was copied: 0 or the errno value of the first failure.
    int Finish() {
        if (ends_[1] >= 0) ::close(std::exchange(ends_[1], -1));
        if (copier_.joinable()) copier_.join();
        if (ends_[0] >= 0) ::close(std::exchange(ends_[0], -1));
        return err_;
    }

private:
    int ends_[2] = {-1, -1};
    std::thread copier_;
    int err_ = 0;
};

}  // namespace

bool PrintToPdfFile(const std::string& path, const std::function<bool(QPrinter&)>& print) {
    std::string target, temp;
    const int fd = BeginSave(path, target, temp);
    if (fd < 0) return false;
    bool written = false;
    {
        PrintPipe pipe(fd);
        if (pipe.Open()) {
            bool printed = false;
            {
                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(pipe.Name());
                printer.setPageSize(QPageSize(QPageSize::A4));
                printed = print(printer);
            }  // the printer has closed its end of the pipe
            written = pipe.Finish() == 0 && printed;
        }
    }
    if (written) return CommitSaveTemp(fd, temp, target) == 0;
    FileCalls.close(fd);
    FileCalls.unlink(temp.c_str());
    return false;
}

std::optional<std::string> AskPdfFileName(const std::string& proposed) {
    const auto chosen = Ui().SaveFileName("PDF", proposed, "PDF|*.pdf");
    if (!chosen || chosen->empty()) return std::nullopt;
    const std::string path = WithExtensionIfNone(*chosen, "pdf");
    if (!ConfirmReplace(path)) return std::nullopt;
    return path;
}

}  // namespace veldrim
