// The table editor's printout through the report channel.

#include "reports/table_print.h"

#include <gmock/gmock.h>

#include "report_test_support.h"
#include "reports/report_tables.h"
#include "tables/datasets/table_access.h"
#include "tables/datasets/table_editor.h"
#include "tables/datasets/tz_dbf.h"
#include "tables/engine/dbf_file.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace veldrim {
namespace {
using namespace testing_support;

class TablePrint : public ReportTest {
protected:
    // Eight fields F1..F8 of 4 characters; two records.
    void OpenTable() {
        std::vector<TFieldEntry> fields;
        for (int i = 1; i <= 8; ++i)
            fields.push_back(TFieldEntry{"F" + std::to_string(i), 'C', 4, 0});
        CreateDbf(In("eight.dbf"), fields);
        form.tzdbf.SetDbfFileName(In("eight.dbf"));
        form.tzdbf.Open();
        for (const char* first : {"a&b", "<c>"}) {
            form.tzdbf.Append();
            form.tzdbf.FieldByName("F1").SetAsString(first);
            form.tzdbf.FieldByName("F8").SetAsString("last");
            form.tzdbf.Post();
        }
        form.title1 = "Werkstoffe";
    }
    Tdbf4 form;
    TableEditorCommands commands{form};
};

TEST_F(TablePrint, TheFirstSevenFieldsOfEveryRecordPrintAsATable) {
    OpenTable();
    InstallTableEditorPrint();
    const std::string html = Produce(kReportHtmlFile, [&] { commands.Print("Caption"); });
    EXPECT_THAT(html, HasSubstr("<TD><CENTER>F7</CENTER></TD></TR>"));
    EXPECT_THAT(html, Not(HasSubstr("F8"))) << "at most seven fields print";
    EXPECT_THAT(html, Not(HasSubstr("last")));
    EXPECT_THAT(html, HasSubstr("<TD>a&amp;b </TD>"));
    EXPECT_THAT(html, HasSubstr("<TD>&lt;c&gt; </TD>"));

    const std::string txt = Produce(kReportOutDos, [&] { commands.Print("Caption"); });
    const auto lines = CrLfLines(txt);
    const auto heads = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("F1   F2") != std::string::npos;
    });
    ASSERT_NE(heads, lines.end()) << txt;
    EXPECT_THAT(*heads, ::testing::StartsWith("       F1   F2   F3   F4   F5   F6   F7   "))
        << "width: field length + 1";
    EXPECT_THAT(txt, HasSubstr("eight.dbf")) << "the table's file name in the header";
    EXPECT_THAT(txt, HasSubstr("Werkstoffe"));
}

TEST_F(TablePrint, WithoutThePrintCommandInstalledTheUserIsTold) {
    OpenTable();
    tableEditorPrintHook = nullptr;
    commands.Print("Caption");
    EXPECT_EQ(ui.CallsOf("message").size(), 1u);
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {
using namespace testing_support;

class TablePrintOfANamedTable : public ReportTest {};

// The report is code page 850: the table's path in its header carries Ö and
// ö as the bytes 0x99 and 0x94, not as their UTF-8 sequences.
TEST_F(TablePrintOfANamedTable, TheTablePathPrintsInCodePage850) {
    std::filesystem::create_directories(In("Ölsorten"));
    const std::string path = In("Ölsorten/öl.dbf");
    CreateDbf(path, {TFieldEntry{"SORTE", 'C', 6, 0}});
    Tdbf4 form;
    TableEditorCommands commands{form};
    form.tzdbf.SetDbfFileName(path);
    form.tzdbf.Open();
    InstallTableEditorPrint();
    const std::string txt = Produce(kReportOutDos, [&] { commands.Print("Caption"); });
    EXPECT_THAT(txt, HasSubstr("/\x99lsorten/\x94l.dbf"));
    EXPECT_THAT(txt, Not(HasSubstr("Ölsorten")));
}

}  // namespace
}  // namespace veldrim
