// The table access: where tables are opened from, positioning, field access.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "foundation/files.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "tables/datasets/table_access.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class TableAccessTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        fs::create_directories(dir + "/dbf");
        fs::create_directories(dir + "/user");
        databaseDirectory = dir + "/dbf/";
        userDirectory = dir + "/user/";
    }
    // A table of three names in the database directory.
    std::string Names(const std::string& name = "names.dbf") {
        const std::string path = dir + "/dbf/" + name;
        CreateDbf(path, {F("NAME", 'C', 12), F("NOTE", 'M'), F("LOCATIONNR", 'N', 3)});
        Select(1);
        USE(path + " EXCLUSIVE");
        for (const char* n : {"one", "two", "three"}) {
            ClearRecord();
            SetBinaryText(1, n);
            Append();
        }
        CloseArea();
        return path;
    }
};

TEST_F(TableAccessTest, ANameWithoutExtensionOpensTheDbfFile) {
    Names("lubri.dbf");
    ASSERT_TRUE(OpenDbfTable("lubri"));
    EXPECT_EQ(TableEditorForm->labelFilename, dir + "/dbf/lubri.dbf");
    EXPECT_EQ(DbfRecNo(), 1);
    EXPECT_EQ(GetDbfFieldName(1), "NAME");
    EXPECT_EQ(GetDbfFieldName(3), "LOCATIONNR");
    EXPECT_EQ(GetDbfFieldName(4), "") << "beyond the field count";
    EXPECT_EQ(GetDbfFieldStr(1), "one         ");
    CloseDbfTable();
}

TEST_F(TableAccessTest, GoDbfRecordOutsideTheTable) {
    Names();
    ASSERT_TRUE(OpenDbfTable("names.dbf"));
    GoDbfRecord(2);
    EXPECT_TRUE(TableEditorForm->startRowChosen) << "record 2 is in the table";
    GoDbfRecord(0);
    EXPECT_EQ(DbfRecNo(), 1);
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(TableEditorForm->startRowChosen) << "record 0 is not";
    // A number beyond the table opens on the first record, not the last.
    GoDbfRecord(4);
    EXPECT_EQ(DbfRecNo(), 1);
    EXPECT_FALSE(TableEditorForm->startRowChosen);
    ASSERT_EQ(messageList.count, 1);
    EXPECT_EQ(messageList.slot[1], "DBF #4 not found.");
    GoDbfRecordOrFirst(-2);
    EXPECT_EQ(DbfRecNo(), 1);
}

TEST_F(TableAccessTest, OpeningAnEmptyTableDoesNotGoToRecordOne) {
    CreateDbf(dir + "/dbf/empty.dbf", {F("NAME", 'C', 12)});
    ASSERT_TRUE(OpenDbfTable("empty.dbf"));
    EXPECT_EQ(DbfRecNo(), 0);
    EXPECT_FALSE(cancelFlag);
    GoDbfRecordOrFirst(1);
    EXPECT_EQ(DbfRecNo(), 0);
    EXPECT_EQ(messageList.count, 0);
    EXPECT_EQ(ui.CallsOf("message").size(), 0u);
}

TEST_F(TableAccessTest, TheUserCopyIsMadeOnceWithItsMemoFileAndNeverOverwritten) {
    Names();
    const std::string copy = CopyTableToUserDirectory("names.dbf");
    EXPECT_EQ(copy, dir + "/user/names.dbf");
    EXPECT_TRUE(fs::exists(dir + "/user/names.dbt")) << "the memo file travels with its table";
    // The user edits the copy; a second copy leaves the edit in place.
    Select(2);
    USE(copy + " EXCLUSIVE");
    GO(1);
    SetBinaryText(1, "edited");
    Replace();
    CloseArea();
    CopyTableToUserDirectory("names.dbf");
    Select(2);
    USE(copy);
    EXPECT_EQ(FieldAsText(1), "edited      ");
    CloseArea();
}

// Without a user directory the copy goes to the private per-user folder,
// never into the current folder.
TEST_F(TableAccessTest, WithoutUserDirectoryTheCopyGoesToThePrivateFolder) {
    Names();
    userDirectory.clear();
    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_CACHE_HOME", (dir + "/cache").c_str(), 1);
    fs::create_directories(dir + "/cache");
    const std::string copy = CopyTableToUserDirectory("names.dbf");
    if (before)
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(copy, dir + "/cache/veldrim/names.dbf");
    EXPECT_TRUE(fs::exists(dir + "/cache/veldrim/names.dbt"));
}

TEST_F(TableAccessTest, TablesFromTheUserDirectoryWithTheCopyOption) {
    Names();
    tablesFromUserDirectory = true;
    CopyTablesToUserDirectory();
    ASSERT_TRUE(OpenDbfTable("names"));
    EXPECT_EQ(TableEditorForm->labelFilename, dir + "/user/names.dbf");
    CloseDbfTable();
}

TEST_F(TableAccessTest, EditingInAWritableTableFolderNeedsNoWorkingCopy) {
    Names("lubri.dbf");
    const fs::path before = fs::current_path();
    fs::current_path(dir + "/dbf");
    const std::string notice =
        "Kein Schreibrecht f\x81r dbf-Ordner !  Bearbeitung im Tempor\x84r-Ordner.";
    CreateTableEditorForm();
    struct Case {
        const char* what;
        std::string tables, user;
        bool copyOption;
        std::string opened;  // the table the editor shows
        bool noticed;
    };
    const Case cases[] = {
        {"both unset: the current folder", "", "", false, "lubri.dbf", false},
        {"one folder, two spellings", dir + "/dbf/", dir + "/dbf", false, dir + "/dbf/lubri.dbf",
         false},
        // The option copies from a writable table folder: no want of a right.
        {"copy option, separate user folder", dir + "/dbf/", dir + "/user/", true,
         dir + "/user/lubri.dbf", false},
        // A table folder nobody may write in, root neither: the copy made
        // before stands, and the notice is true.
        {"copy option, table folder not writable", "/proc/", dir + "/user/", true,
         dir + "/user/lubri.dbf", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        databaseDirectory = c.tables;
        userDirectory = c.user;
        tablesFromUserDirectory = c.copyOption;
        if (c.copyOption && c.tables != "/proc/") CopyTablesToUserDirectory();
        ui.calls.clear();
        TableEditorForm->EditDbfTable("lubri", 9260);
        EXPECT_EQ(TableEditorForm->labelFilename, c.opened);
        bool noticed = false;
        for (const auto& call : ui.CallsOf("message")) noticed |= call.text == notice;
        EXPECT_EQ(noticed, c.noticed);
    }
    fs::current_path(before);
}

// The program's texts are code page 850 (a material's name taken into the
// gear data, a print layout's name typed for the save); the table holds
// them in code page 850. Read and written through the table access they
// keep their umlauts and ß, byte for byte (ä 84, Ö 99, ü 81, ß E1 in code
// page 850), and an outside reader finds the letters in the file.
TEST_F(TableAccessTest, TextsWithUmlautsPassInTheProgramsCodePage) {
    const std::string path = dir + "/dbf/lube.dbf";
    struct Case {
        const char* shown;   // as an outside reader shows it
        const char* stored;  // code page 850
    };
    const Case cases[] = {
        {"Grauguß", "Graugu\xe1"},
        {"Ölsäure Ü", "\x99ls\x84ure \x9a"},
        {"grün", "gr\x81n"},
        {"plain", "plain"},
    };
    std::vector<std::string> records;
    for (const Case& c : cases)
        records.push_back(" " + std::string(c.stored) + std::string(12 - strlen(c.stored), ' '));
    WriteBytes(path, BuildDbf(0x03, {{"NAME", 'C', 12, 0}}, records));
    ASSERT_TRUE(OpenDbfTable("lube.dbf"));
    for (int r = 1; r <= 4; ++r) {
        const Case& c = cases[r - 1];
        SCOPED_TRACE(c.shown);
        GoDbfRecord(r);
        EXPECT_EQ(TrimBoth(GetDbfFieldStr(1)), c.stored);
        EXPECT_TRUE(PutDbfFieldStr("name", c.stored));
        EXPECT_TRUE(AppendDbfRecord());
    }
    CloseDbfTable();
    std::string shown;
    for (const Case& c : cases) shown += std::string(c.shown) + "\n";
    EXPECT_EQ(RunCapture({"/usr/bin/python3", "-c",
                          "import sys, dbfread\n"
                          "for r in list(dbfread.DBF(sys.argv[1], encoding='cp850'))[4:]:\n"
                          "    print(r['NAME'])\n",
                          path}),
              shown)
        << "the records appended";
}

TEST_F(TableAccessTest, AMissingTableIsReportedAndNothingOpens) {
    EXPECT_FALSE(OpenDbfTable("nothing.dbf"));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(DbfRecNo(), 0);
}

TEST_F(TableAccessTest, PutsChangeTheFileOnlyThroughAnAppend) {
    Names();
    ASSERT_TRUE(OpenDbfTable("names.dbf"));
    GoDbfRecord(2);
    EXPECT_TRUE(PutDbfFieldStr("name", "four"));
    // A longer name addresses the field named by its first 10 characters.
    EXPECT_TRUE(PutDbfFieldInt("locationnr_of_part", 7));
    EXPECT_TRUE(AppendDbfRecord());
    EXPECT_EQ(DbfRecNo(), 4);
    CloseDbfTable();
    Select(3);
    USE(dir + "/dbf/names.dbf");
    EXPECT_EQ(RecCount(), 4);
    GO(2);
    EXPECT_EQ(FieldAsText(1), "two         ");
    EXPECT_EQ(FieldAsText(3), "  0");
    GO(4);
    EXPECT_EQ(FieldAsText(1), "four        ");
    EXPECT_EQ(FieldAsText(3), "  7");
    CloseArea();
}

TEST_F(TableAccessTest, TheTemporaryIndexOrdersTheTableUntilItIsClosed) {
    Names();
    ASSERT_TRUE(OpenDbfTable("names.dbf"));
    BuildTempIndex("NAME", "$veltemp");
    EXPECT_TRUE(fs::exists(FindFileNoCase(dir + "/user/$veltemp.ndx")));
    TTzDbf& t = TableEditorForm->tzdbf;
    std::vector<int32_t> order;
    for (t.First(); !t.Eof(); t.Next()) order.push_back(DbfRecNo());
    EXPECT_EQ(order, (std::vector<int32_t>{1, 3, 2})) << "one, three, two";
    CloseDbfTable();
    ASSERT_TRUE(OpenDbfTable("names.dbf"));
    order.clear();
    for (t.First(); !t.Eof(); t.Next()) order.push_back(DbfRecNo());
    EXPECT_EQ(order, (std::vector<int32_t>{1, 2, 3})) << "the next open is in record order";
}

TEST_F(TableAccessTest, TheEditorMenuTakesTheCaptionVocabulary) {
    CreateTableEditorForm();
    EXPECT_EQ(TableEditorForm->menuFile, "&Datei");
    EXPECT_EQ(TableEditorForm->menuExit, "&Beenden       ");
    EXPECT_EQ(TableEditorForm->menuCommon, "Datenban&k");
}

}  // namespace
}  // namespace veldrim::testing
