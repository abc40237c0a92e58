// The report and data files as spreadsheet workbooks, read back with openpyxl.
#include "reports/spreadsheet.h"

#include <cstdio>

#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "reports/report_channel.h"
#include "support/fifo_watch.h"
#include "reports/report_test_support.h"

namespace veldrim {
namespace {

using testing_support::ReportTest;

// The cells of the first sheet as "row,col,type,value" lines, read by
// openpyxl: type is "n" for numbers and "s" for texts.
std::vector<std::string> CellsOf(const std::string& xlsx) {
    const std::string script =
        "import openpyxl,sys\n"
        "ws=openpyxl.load_workbook(sys.argv[1]).active\n"
        "for row in ws.iter_rows():\n"
        "  for c in row:\n"
        "    if c.value is not None: print('%d,%d,%s,%s' % (c.row, c.column, 'n' if "
        "isinstance(c.value,(int,float)) else 's', c.value))";
    std::vector<std::string> out;
    {
        const std::string all = testing::RunOutside({"/usr/bin/python3", "-c", script, xlsx});
        std::size_t start = 0;
        while (start < all.size()) {
            auto end = all.find('\n', start);
            out.push_back(all.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return out;
}

bool Has(const std::vector<std::string>& cells, const std::string& cell) {
    return std::find(cells.begin(), cells.end(), cell) != cells.end();
}

class SpreadsheetTest : public ReportTest {};

TEST_F(SpreadsheetTest, ReportCellsHoldLabelsSymbolsUnitsAndNumbers) {
    RunCalculation();
    currentFileName = "demo";
    ui.QueueText(In("chosen.xlsx"));
    const std::string xlsx = ReportToSpreadsheet(3);
    ASSERT_EQ(xlsx, In("chosen.xlsx"));
    // The user is asked where it goes, beside the data file under its name.
    const auto asked = ui.CallsOf("save");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, In("demo.xlsx"));
    const auto opened = ui.CallsOf("open-document");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, xlsx);
    const auto cells = CellsOf(xlsx);
    ASSERT_GT(cells.size(), 100u);
    // The row of a label: its symbol, unit and values in the next columns.
    auto rowOf = [&](const std::string& label) {
        for (const std::string& c : cells)
            if (c.find(",1,s," + label) != std::string::npos &&
                c.size() == c.find(",1,s,") + 5 + label.size())
                return c.substr(0, c.find(','));
        return std::string("?");
    };
    // The start-up data set: a = 80 mm and dm1/a = 0.33, so dm1 = 26.4 mm.
    const std::string a = rowOf("Achsabstand");
    EXPECT_TRUE(Has(cells, a + ",2,s,a")) << a;
    EXPECT_TRUE(Has(cells, a + ",3,s,mm")) << a;
    EXPECT_TRUE(Has(cells, a + ",4,n,80")) << a;
    const std::string dm = rowOf("Mittenkreisdurchmesser");
    EXPECT_TRUE(Has(cells, dm + ",2,s,dm")) << dm;
    EXPECT_TRUE(Has(cells, dm + ",4,n,26.4")) << dm;
    // An angle with its degree sign stays a text.
    EXPECT_TRUE(Has(cells, rowOf("Getriebe-Achswinkel") + ",4,s,90°"));
    // Umlauts arrive as such.
    EXPECT_TRUE(std::any_of(cells.begin(), cells.end(), [](const std::string& c) {
        return c.find("Übersetzung") != std::string::npos;
    }));
}

TEST_F(SpreadsheetTest, CancelledReportWorkbookWritesNothing) {
    RunCalculation();
    currentFileName = "demo";
    EXPECT_EQ(ReportToSpreadsheet(3), "");
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(ui.CallsOf("open-document").empty());
    EXPECT_FALSE(std::filesystem::exists(In("demo.xlsx")));
}

TEST_F(SpreadsheetTest, DataFileLinesGoToColumnOne) {
    testing::Spit(In("gear.qb3"),
                  "Zeile 1\r\n2.5\r\nGr\x94\xe1"
                  "e\r\n");
    dataFileExtension = "qb3";
    const std::string xlsx = FileToSpreadsheet("gear");
    ASSERT_FALSE(xlsx.empty());
    EXPECT_EQ(CellsOf(xlsx),
              (std::vector<std::string>{"1,1,s,Zeile 1", "2,1,s,2.5", "3,1,s,Größe"}));
}

// Without a program that opens workbooks the workbook is written all the
// same, and the user learns that nothing opened it and where it lies.
TEST_F(SpreadsheetTest, AWorkbookThatNoProgramOpensIsReportedWithItsPlace) {
    testing::Spit(In("gear.qb3"), "Zeile 1\r\n");
    dataFileExtension = "qb3";
    const std::string xlsx = FileToSpreadsheet("gear");  // the opener answers false
    ASSERT_FALSE(xlsx.empty());
    EXPECT_TRUE(std::filesystem::exists(xlsx));
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("Kein Programm"), std::string::npos) << shown[0].text;
    EXPECT_NE(shown[0].text.find(xlsx), std::string::npos) << shown[0].text;

    ui.calls.clear();
    ui.QueueBool(true);  // opened
    ASSERT_FALSE(FileToSpreadsheet("gear").empty());
    EXPECT_TRUE(ui.CallsOf("message").empty());
}

// The report reaches the workbook through a scratch TXT file; the header row
// under the title names the data file the report is about.
TEST_F(SpreadsheetTest, TheReportWorkbooksHeaderNamesTheDataFile) {
    RunCalculation();
    currentFileName = "demo";
    dataFileExtension = "qb3";
    ui.QueueText(In("chosen.xlsx"));
    ui.QueueBool(true);
    const std::string xlsx = ReportToSpreadsheet(3);
    ASSERT_EQ(xlsx, In("chosen.xlsx"));
    const auto cells = CellsOf(xlsx);
    EXPECT_TRUE(Has(cells, "2,1,s," + In("demo.qb3"))) << (cells.size() > 1 ? cells[1] : "");
    for (const std::string& c : cells) EXPECT_EQ(c.find("$$$"), std::string::npos) << c;
}

TEST_F(SpreadsheetTest, EmptyNameAsksToSaveFirst) {
    EXPECT_EQ(FileToSpreadsheet(""), "");
    EXPECT_TRUE(cancelFlag);
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "File not found. Use \"File->Save\"");
    EXPECT_TRUE(ui.CallsOf("open-document").empty());
}

// "Datei nach Tabellenkalkulation" fills the workbook from the current set's
// own data file: the file it was read from ("G.QB3", "gear.bak", "teil" or
// ".qb3" in daten/), or daten/G.qb3 for a set named G that has none yet;
// never from the "G.qb3" or "gear.qb3" of another set beside it, nor from a
// file "G" (or "G.qb3") that lies in the working folder.
TEST_F(SpreadsheetTest, TheWorkbookIsFilledFromTheCurrentSetsOwnDataFile) {
    struct Case {
        const char* name;  // the set's name
        const char* file;  // the file in daten/ it was read from, "" none
        const char* read;  // the file in daten/ the workbook holds
    };
    const Case cases[] = {
        {"G", "", "G.qb3"},       {"G", "G.QB3", "G.QB3"}, {"gear", "gear.bak", "gear.bak"},
        {"teil", "teil", "teil"}, {"", ".qb3", ".qb3"},
    };
    std::filesystem::create_directory(In("daten"));
    for (const char* file : {"G.qb3", "G.QB3", "gear.bak", "gear.qb3", "teil", ".qb3"})
        testing::Spit(In("daten/") + file, std::string("aus daten/") + file + "\r\n");
    testing::Spit(In("G"), "fremde Datei G\r\n");
    testing::Spit(In("G.qb3"), "fremde Datei G.qb3\r\n");
    dataDirectory = In("daten");
    dataFileExtension = "qb3";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.file);
        currentFileName = c.name;
        currentDataFile = *c.file ? In("daten/") + c.file : "";
        const std::string xlsx = FileToSpreadsheet(currentFileName);  // as the window asks
        ASSERT_FALSE(xlsx.empty());
        EXPECT_EQ(CellsOf(xlsx),
                  std::vector<std::string>{std::string("1,1,s,aus daten/") + c.read});
    }
}

// A workbook is saved as every file is. The report's workbook onto a pipe at
// the chosen name ("Ja" at the replace question) is refused at once with the
// message that names it, and the pipe stays; a workbook whose name is as long
// as the folder takes (255 bytes) is written, leaving nothing else in the
// folder.
TEST_F(SpreadsheetTest, TheWorkbookIsSavedAsEveryFileIs) {
    RunCalculation();
    currentFileName = "demo";
    {
        const std::string pipe = In("pipe.xlsx");
        testing::FifoWatch watch(pipe);
        ASSERT_TRUE(watch.Made());
        ui.QueueText(pipe);
        ui.QueueAnswer(Answer::Yes);  // replace the existing file
        EXPECT_EQ(ReportToSpreadsheet(3), "");
        EXPECT_TRUE(watch.Stop()) << "the workbook waited on the pipe";
        EXPECT_TRUE(cancelFlag);
        const auto messages = ui.CallsOf("message");
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(Cp850ToUtf8Carried(messages.back().text),
                  "Datei " + pipe +
                      " ist keine gew\xC3\xB6hnliche Datei und wird nicht \xC3\xBC"
                      "berschrieben !");
        EXPECT_TRUE(watch.StillAPipe());
        std::filesystem::remove(pipe);
    }
    const std::filesystem::path folder = In("long");
    std::filesystem::create_directory(folder);
    testing::Spit(In("lines.txt"), "Zeile 1\r\n");
    const std::string leaf = std::string(250, 'W') + ".xlsx";
    ASSERT_EQ(leaf.size(), 255u);
    const std::string xlsx = (folder / leaf).string();
    ASSERT_TRUE(TextFileToWorkbook(In("lines.txt"), xlsx, false));
    EXPECT_EQ(CellsOf(xlsx), std::vector<std::string>{"1,1,s,Zeile 1"});
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{leaf});
}

}  // namespace
}  // namespace veldrim
