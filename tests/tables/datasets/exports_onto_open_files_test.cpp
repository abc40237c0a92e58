// The table editor's exports never replace a file the engine has open: the
// open table (by its own name or any other), its memo file, its index. And
// an export onto a symbolic link replaces the file the link leads to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "tables/datasets/table_access.h"
#include "tables/datasets/table_editor.h"
#include "tables/engine/navigation.h"
#include "tables/engine/win1252_text.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class ExportsOntoOpenFilesTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        userDirectory = dir + "/";
    }
    // NAME C 12, VALUE N 6.1: the editor's open table, one record.
    void Open() {
        path = Make("parts.dbf", {F("NAME", 'C', 12), F("VALUE", 'N', 6, 1)});
        form.tzdbf.SetDbfFileName(path);
        form.tzdbf.Open();
        form.tzdbf.Append();
        form.tzdbf.FieldByName("NAME").SetAsString("bronze");
        form.tzdbf.FieldByName("VALUE").SetAsFloat(1.5);
        form.tzdbf.Post();
        form.labelFilename = path;
    }
    std::vector<std::string> Messages() const { return ui.TextsOf("message"); }

    std::string path;
    Tdbf4 form;
    TableEditorCommands commands{form};
};

struct ExportCommand {
    const char* name;
    bool (TableEditorCommands::*run)();
};
const ExportCommand kExports[] = {{"Save As Delimited", &TableEditorCommands::SaveAsDelimited},
                                  {"Export HTML", &TableEditorCommands::ExportHtml}};

TEST_F(ExportsOntoOpenFilesTest, AnExportOntoAFileInUseIsRefusedAndTheTableStaysWhole) {
    Open();
    ASSERT_TRUE(commands.SortByField(1));  // the editor's own index, open
    const std::string index = FindFileNoCase(dir + "/$veltemp.ndx");
    ASSERT_TRUE(fs::exists(index));
    // The same table through a folder link and a hard link; a table with a
    // memo file open in another work area.
    fs::create_directory_symlink(dir, Path("same"));
    ASSERT_EQ(::link(path.c_str(), Path("twin.dbf").c_str()), 0);
    UseIn(9, Make("notes.dbf", {F("NAME", 'C', 10), F("NOTE", 'M')}));
    const std::string memo = FindFileNoCase(Path("notes.dbt"));
    ASSERT_TRUE(fs::exists(memo));
    const std::string table = Slurp(path), indexBytes = Slurp(index), memoBytes = Slurp(memo);
    for (const ExportCommand& c : kExports) {
        for (const std::string& target :
             {path, Path("same/parts.dbf"), Path("twin.dbf"), index, memo}) {
            SCOPED_TRACE(std::string(c.name) + " onto " + target);
            ui.calls.clear();
            ui.QueueText(target);
            ui.QueueAnswer(Answer::Yes);  // were the replace question asked
            EXPECT_FALSE((commands.*c.run)());
            EXPECT_TRUE(ui.CallsOf("ask").empty()) << "refused before the question";
            const auto shown = Messages();
            EXPECT_EQ(shown.size(), 1u);
            if (!shown.empty()) {
                EXPECT_THAT(shown[0], ::testing::HasSubstr(target));
            }
            EXPECT_EQ(Slurp(path), table);
            EXPECT_EQ(Slurp(index), indexBytes);
            EXPECT_EQ(Slurp(memo), memoBytes);
            ui.replies.clear();
        }
    }
    // The editor still works on its table: an edit lands in the file.
    form.tzdbf.First();
    form.tzdbf.Edit();
    form.tzdbf.FieldByName("NAME").SetAsString("worm");
    form.tzdbf.Post();
    form.tzdbf.Close();
    CloseAll();
    USE(path);
    EXPECT_EQ(RecCount(), 1);
    GO(1);
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "worm");
}

// The delimited export onto a symbolic link writes the file the link leads
// to; the link stays a link.
TEST_F(ExportsOntoOpenFilesTest, DelimitedExportOntoALinkReplacesItsTargetAndKeepsTheLink) {
    Open();
    fs::create_directory(Path("exports"));
    const std::string target = Path("exports/parts.txt"), link = Path("latest.txt");
    Spit(target, "old export\r\n");
    fs::create_symlink("exports/parts.txt", link);
    ui.QueueText(link);
    ui.QueueAnswer(Answer::Yes);
    EXPECT_TRUE(commands.SaveAsDelimited());
    EXPECT_EQ(Slurp(target), "\"bronze\",1.5\r\n\x1A");
    EXPECT_TRUE(fs::is_symlink(link)) << "the link itself was replaced";
    if (fs::is_symlink(link)) {
        EXPECT_EQ(fs::read_symlink(link), "exports/parts.txt");
    }
}

}  // namespace
}  // namespace veldrim::testing
