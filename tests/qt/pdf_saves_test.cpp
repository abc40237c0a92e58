// The PDF files of the report viewer and the graphics window are whole-file
// saves: an old file is replaced only by a completely written PDF, and a
// failed print leaves it byte for byte as it was.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>

#include "foundation/file_calls.h"
#include "foundation/program_state.h"
#include "foundation/qt/text_viewer.h"
#include "graphics/qt/graphics_view.h"
#include "qt/qt_test_support.h"
#include "support/fault_calls.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::FaultCalls;
using testing::Slurp;
using testing::Spit;

const std::string kOldBytes = "%PDF-1.4 the drawing the user kept\r\n";

// One of the two PDF writers and a text its PDF shows.
struct PdfWriter {
    const char* name;
    std::function<bool(const std::string&)> write;
    QString shown;
};

class PdfSavesTest : public test::QtFixture {
protected:
    void SetUp() override {
        QtFixture::SetUp();
        SetGraphicsWindow(&window);
        window.SetWindow(0, 0, 0, 0, 1, 1, 0, 0, 640, 480);
        window.SetColor(1);
        window.SetTextStyle(0, 0, 20, 20);
        window.OutTextXY(100, 200, "Zahnrad 40,5");
    }
    void TearDown() override {
        SetGraphicsWindow(nullptr);
        QtFixture::TearDown();
    }
    std::vector<PdfWriter> Writers() {
        return {
            {"report viewer",
             [](const std::string& path) {
                 return PrintTextToPdf({"Seite eins", "\f", "Seite zwei"}, path);
             },
             "Seite zwei"},
            {"graphics window",
             [this](const std::string& path) { return PrintGraphicsWindowToPdf(window, path); },
             "Zahnrad 40,5"},
        };
    }
    // The names in a folder.
    static std::set<std::string> Names(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename());
        return names;
    }
    static QString PdfText(const std::string& path) {
        return test::OutsideOutput("pdftotext", {QString::fromStdString(path), "-"});
    }
    QtGraphicsWindow window;
    GraphicsView view{window};
};

TEST_F(PdfSavesTest, PdfReplacesTheOldFileAndKeepsItsMode) {
    for (const PdfWriter& w : Writers()) {
        testing::TempDir dir;
        const std::string pdf = dir / "gear.pdf";
        Spit(pdf, kOldBytes);
        ::chmod(pdf.c_str(), 0640);
        EXPECT_TRUE(w.write(pdf)) << w.name;
        EXPECT_TRUE(PdfText(pdf).contains(w.shown)) << w.name;
        struct stat st {};
        ::stat(pdf.c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << w.name;
        EXPECT_EQ(Names(dir.path()), std::set<std::string>{"gear.pdf"}) << w.name;
    }
}

TEST_F(PdfSavesTest, PdfThroughASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
    for (const PdfWriter& w : Writers()) {
        testing::TempDir dir;
        fs::create_directory(dir / "real");
        Spit(dir / "real/gear.pdf", kOldBytes);
        fs::create_symlink("real/gear.pdf", dir / "shown.pdf");
        EXPECT_TRUE(w.write(dir / "shown.pdf")) << w.name;
        EXPECT_TRUE(fs::is_symlink(dir / "shown.pdf")) << w.name;
        std::error_code noLink;
        EXPECT_EQ(fs::read_symlink(dir / "shown.pdf", noLink), "real/gear.pdf") << w.name;
        EXPECT_TRUE(PdfText(dir / "real/gear.pdf").contains(w.shown)) << w.name;
    }
}

// A print that fails part-way, or whose file cannot take the old one's
// place, is reported as failed and leaves the old file and nothing else.
TEST_F(PdfSavesTest, FailedPdfLeavesTheOldFileByteForByte) {
    const std::pair<const char*, std::function<bool(const PdfWriter&, const std::string&)>>
        faults[] = {
            {"file size limit of 2000 bytes",
             [](const PdfWriter& w, const std::string& pdf) {
                 const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
                 rlimit old{};
                 ::getrlimit(RLIMIT_FSIZE, &old);
                 const rlimit small{2000, old.rlim_max};
                 ::setrlimit(RLIMIT_FSIZE, &small);
                 const bool written = w.write(pdf);
                 ::setrlimit(RLIMIT_FSIZE, &old);
                 std::signal(SIGXFSZ, oldHandler);
                 return written;
             }},
            {"disk full from the first write",
             [](const PdfWriter& w, const std::string& pdf) {
                 FaultCalls full(FaultCalls::kFullDisk, 1);
                 return w.write(pdf);
             }},
            {"rename refused",
             [](const PdfWriter& w, const std::string& pdf) {
                 FileCallTable calls = SystemFileCalls();
                 calls.rename = [](const char*, const char*) {
                     errno = EIO;
                     return -1;
                 };
                 FileCalls = calls;
                 const bool written = w.write(pdf);
                 ResetFileCalls();
                 return written;
             }},
        };
    for (const PdfWriter& w : Writers()) {
        for (const auto& [fault, print] : faults) {
            testing::TempDir dir;
            const std::string pdf = dir / "gear.pdf";
            Spit(pdf, kOldBytes);
            EXPECT_FALSE(print(w, pdf)) << w.name << ", " << fault;
            // The whole file, shown no longer than the old one.
            EXPECT_EQ(Slurp(pdf).substr(0, kOldBytes.size() + 1), kOldBytes)
                << w.name << ", " << fault;
            EXPECT_EQ(Names(dir.path()), std::set<std::string>{"gear.pdf"})
                << w.name << ", " << fault;
        }
    }
}

}  // namespace
}  // namespace veldrim
