// The table editor's exports never replace a file the engine keeps open,
// whichever name reaches it: the index semaphore file beside the table, the
// editor's own sort index and the table's memo file through a linked folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "tables/datasets/table_access.h"
#include "tables/datasets/table_editor.h"
#include "tables/engine/navigation.h"
#include "tables/engine/open_files.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/ndx_index.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class ExportsOntoEngineFilesTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        userDirectory = dir + "/";
    }
    // NAME C 12, NOTE M: the editor's open table, two records, sorted by
    // NAME through the editor's own index.
    void OpenSorted() {
        path = Make("parts.dbf", {F("NAME", 'C', 12), F("NOTE", 'M')});
        form.tzdbf.SetDbfFileName(path);
        form.tzdbf.Open();
        for (const char* name : {"worm", "bronze"}) {
            form.tzdbf.Append();
            form.tzdbf.FieldByName("NAME").SetAsString(name);
            form.tzdbf.Post();
        }
        form.labelFilename = path;
        ASSERT_TRUE(commands.SortByField(1));
        // A second index open in the editor's area, beside the sort index.
        UseIn(5, path + " ALIAS OTHER");
        Index_On("NAME", Path("second"));
        CloseArea();
        second = FindFileNoCase(Path("second.ndx"));
        form.tzdbf.SetIndexToLFN(second, 2);
        index = FindFileNoCase(dir + "/$veltemp.ndx");
        semaphore = FindFileNoCase(Path("parts.@S@"));
        memo = FindFileNoCase(Path("parts.dbt"));
        ASSERT_TRUE(fs::exists(index));
        ASSERT_TRUE(fs::exists(semaphore)) << "the sort shares the index through its semaphore";
        ASSERT_TRUE(fs::exists(memo));
    }
    // Both exports onto each target, answered "Ja" were the replace question
    // asked: each is refused before the question, with one message naming
    // the file, and every file of the table keeps its bytes.
    void ExpectEveryExportRefused(const std::vector<std::string>& targets) {
        const std::string table = Slurp(path), indexBytes = Slurp(index),
                          semaphoreBytes = Slurp(semaphore), memoBytes = Slurp(memo);
        for (const ExportCommand& c : kExports) {
            for (const std::string& target : targets) {
                SCOPED_TRACE(std::string(c.name) + " onto " + target);
                ui.calls.clear();
                ui.replies.clear();
                ui.QueueText(target);
                ui.QueueAnswer(Answer::Yes);
                EXPECT_FALSE((commands.*c.run)());
                EXPECT_TRUE(ui.CallsOf("ask").empty()) << "refused before the question";
                const auto shown = ui.TextsOf("message");
                ASSERT_EQ(shown.size(), 1u);
                EXPECT_THAT(shown[0], ::testing::HasSubstr("Datei " + target +
                                                           " ist ge\x94"
                                                           "ffnet und kann nicht "
                                                           "\x81"
                                                           "berschrieben werden."));
                EXPECT_EQ(Slurp(semaphore), semaphoreBytes);
                EXPECT_EQ(Slurp(index), indexBytes);
                EXPECT_EQ(Slurp(memo), memoBytes);
                EXPECT_EQ(Slurp(path), table);
            }
        }
        ui.replies.clear();
    }
    // The editor still sorts and stores: a record added after the refusals
    // takes its place in the order and is in the file.
    void ExpectTheEditorStillWorks() {
        form.tzdbf.Append();
        form.tzdbf.FieldByName("NAME").SetAsString("alloy");
        form.tzdbf.Post();
        ASSERT_TRUE(commands.SortByField(1));
        form.tzdbf.First();
        EXPECT_EQ(TrimRightStr(form.tzdbf.FieldByName("NAME").AsString()), "alloy");
        form.tzdbf.Close();
        CloseAll();
        USE(path);
        EXPECT_EQ(RecCount(), 3);
    }

    struct ExportCommand {
        const char* name;
        bool (TableEditorCommands::*run)();
    };
    static constexpr ExportCommand kExports[] = {
        {"Save As Delimited", &TableEditorCommands::SaveAsDelimited},
        {"Export HTML", &TableEditorCommands::ExportHtml}};

    std::string path, index, second, semaphore, memo;
    Tdbf4 form;
    TableEditorCommands commands{form};
};

TEST_F(ExportsOntoEngineFilesTest, AnExportOntoTheIndexSemaphoreFileIsRefused) {
    OpenSorted();
    ExpectEveryExportRefused({semaphore});
    ExpectTheEditorStillWorks();
}

// The sort index, the second index and the memo file under the names a
// linked folder gives them (and the semaphore file so reached): the same
// files, refused alike.
TEST_F(ExportsOntoEngineFilesTest, ExportsOntoTheSortIndexAndMemoThroughALinkedFolderAreRefused) {
    OpenSorted();
    fs::create_directory_symlink(dir, Path("same"));
    ExpectEveryExportRefused({Path("same/" + LeafOf(index)), Path("same/" + LeafOf(second)),
                              Path("same/" + LeafOf(memo)), Path("same/" + LeafOf(semaphore))});
    ExpectTheEditorStillWorks();
}

// The engine's own list of the files it holds names the semaphore file as
// such, and a file beside it that the engine does not hold is not listed.
TEST_F(ExportsOntoEngineFilesTest, TheEngineListsItsSemaphoreFileAndNothingBesideIt) {
    OpenSorted();
    const auto held = EngineFilesAt(semaphore);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].kind, EngineFileKind::Semaphore);
    Spit(Path("parts.txt"), "an earlier export\r\n");
    EXPECT_FALSE(IsEngineOpenFile(Path("parts.txt")));
}

}  // namespace
}  // namespace veldrim::testing
