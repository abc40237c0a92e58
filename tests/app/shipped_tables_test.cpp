// The tables installed with the program are read, never written: a change
// goes into the user's own copy in the user's data folder, which is read
// from then on.

#include <gmock/gmock.h>

#include <filesystem>
#include <functional>

#include "app/main_commands.h"
#include "app/print_layouts.h"
#include "app_test_support.h"
#include "foundation/files.h"
#include "foundation/program_state.h"
#include "support/fault_calls.h"
#include "foundation/text_conv.h"
#include "tables/datasets/table_access.h"
#include "tables/engine/work_areas.h"
#include "tables/index/ndx_index.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class ShippedTablesCore : public AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        fs::create_directories(share);
        fs::create_directories(dir + "/user");
        userDirectory = dir + "/user/";
        userDataDirectory = own;  // made by the first copy
        for (const char* f : {"veldrim.hlp", "vovuzi.dbf", "printout.dbf"})
            fs::copy_file(std::string(VELDRIM_DATA_DIR) + "/" + f, share + "/" + f);
        UseDataFolder(share);
    }
    std::string ReadByDbfread(const std::string& path) {
        return RunCapture({"/usr/bin/python3", "-c",
                           "import sys, dbfread\n"
                           "for r in dbfread.DBF(sys.argv[1], encoding='cp850'):\n"
                           "    print(r['NAME'])\n",
                           path});
    }
    const std::string share = dir + "/prefix/share/veldrim";
    const std::string own = dir + "/home/.local/share/veldrim";
};

TEST_F(ShippedTablesCore, ASavedPrintLayoutGoesToTheUsersCopyAndIsReadFromIt) {
    ASSERT_EQ(databaseDirectory, share);
    const std::string installed = Slurp(share + "/printout.dbf");
    ui.QueueText(std::string("Plotter A3"));
    EXPECT_TRUE(SavePrintLayout(PrintLayout{}));
    EXPECT_EQ(Slurp(share + "/printout.dbf"), installed) << "the installed table is unchanged";
    EXPECT_EQ(ReadByDbfread(own + "/printout.dbf"), "Standard\nPlotter A3\n");

    // The next open for a pick reads the user's copy.
    ASSERT_TRUE(OpenDbfTable("printout"));
    EXPECT_EQ(DbfRecCount(), 2);
    CloseDbfTable();
}

TEST_F(ShippedTablesCore, TheCopyTakesTheMemoAndIndexFilesOfItsTable) {
    Spit(share + "/notes.dbf", "table bytes");
    Spit(share + "/NOTES.DBT", "memo bytes");
    Spit(share + "/notes.ndx", "index bytes");
    Spit(share + "/other.dbt", "another table's memo");
    EXPECT_EQ(MakeUserTableCopy("notes"), own + "/notes.dbf");
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Slurp(own + "/notes.dbf"), "table bytes");
    EXPECT_EQ(Slurp(own + "/NOTES.DBT"), "memo bytes");
    EXPECT_EQ(Slurp(own + "/notes.ndx"), "index bytes");
    EXPECT_FALSE(fs::exists(own + "/other.dbt"));
    EXPECT_FALSE(fs::exists(own + "/notes.dbf.part"));

    // A copy the user has stays as it is.
    Spit(own + "/notes.dbf", "the user's table");
    EXPECT_EQ(MakeUserTableCopy("notes"), own + "/notes.dbf");
    EXPECT_EQ(Slurp(own + "/notes.dbf"), "the user's table");
}

// An install that cannot be written had the user's edits in a copy in the
// user directory: the user's own copy starts from that one, and a pick reads
// it while the user has no copy of their own. (The install folder is
// write-protected, whoever runs the tests.)
TEST_F(ShippedTablesCore, TheCopyOfAReadOnlyInstallStartsFromTheEarlierEditedCopy) {
    Spit(share + "/notes.dbf", "installed table");
    Spit(dir + "/user/notes.dbf", "edited before");
    const auto edited = BuildDbf(0x03, {{"NAME", 'C', 16, 0}}, {" 16MnCr5 edited"});
    Spit(dir + "/user/vovuzi.dbf", std::string(edited.begin(), edited.end()));
    std::string copy, picked;
    int32_t pickedRecords = 0;
    {
        FaultCalls writeProtected;
        writeProtected.WriteProtect(share);
        copy = MakeUserTableCopy("notes");
        if (OpenDbfTable("vovuzi")) {
            pickedRecords = DbfRecCount();
            picked = TrimBoth(GetDbfFieldStr(1));
        }
        CloseDbfTable();
    }
    EXPECT_EQ(pickedRecords, 1) << "the installed material table has nine";
    EXPECT_EQ(picked, "16MnCr5 edited");
    EXPECT_FALSE(fs::exists(own + "/vovuzi.dbf")) << "a pick makes no copy";
    EXPECT_EQ(copy, own + "/notes.dbf");
    EXPECT_EQ(Slurp(own + "/notes.dbf"), "edited before");
    EXPECT_EQ(Slurp(share + "/notes.dbf"), "installed table");
}

// The installed tables are never written, so nothing asks whether their
// folder could be: the first open of an installed table with a fresh home,
// for a pick (also in the order of two of its fields, as the material pick
// shows it), an edit, a change or an edit under the option "copy DBF ->
// TEMP", creates no file in the install folder, not even for a moment (a
// write-protected one, whoever runs the tests), and fails nowhere.
TEST_F(ShippedTablesCore, TheFirstOpenOfAnInstalledTableCreatesNothingInTheInstallFolder) {
    auto edit = [&](const char* table) {
        CreateTableEditorForm();
        ui.QueueChoice(0);  // OK on the first row
        TableEditorForm->EditDbfTable(table, 9500);
        return !cancelFlag;
    };
    const std::pair<const char*, std::function<bool()>> opens[] = {
        {"pick", [] { return OpenDbfTable("vovuzi"); }},
        {"pick in the order of kind and treatment",
         [] {
             if (!OpenDbfTable("vovuzi")) return false;
             BuildTempIndex(GetDbfFieldName(1) + "*100+" + GetDbfFieldName(2), "vovuzi");
             return !cancelFlag && LastError() == 0;
         }},
        {"edit", [&] { return edit("vovuzi"); }},
        {"change", [] { return OpenDbfTableForChange("printout"); }},
        {"edit with copy DBF -> TEMP", [&] {
             tablesFromUserDirectory = true;
             CopyTablesToUserDirectory();
             return edit("vovuzi");
         }}};
    for (const auto& [what, open] : opens) {
        SCOPED_TRACE(what);
        fs::remove_all(own);
        for (const char* table : {"vovuzi.dbf", "printout.dbf"}) fs::remove(dir + "/user/" + table);
        tablesFromUserDirectory = false;
        DbfWriteChecked = false;
        cancelFlag = false;
        std::vector<std::string> created;
        {
            FaultCalls calls;
            calls.WriteProtect(share);
            EXPECT_TRUE(open());
            CloseDbfTable();
            auto inShare = [&](const std::string& p) { return fs::path(p).parent_path() == share; };
            for (const FaultCalls::Call& c : FaultCalls::Log())
                if (c.call != "close" && (inShare(c.path) || inShare(c.to)))
                    created.push_back(c.call + " " + c.path + " " + c.to);
        }
        EXPECT_THAT(created, ::testing::IsEmpty());
    }
    EXPECT_EQ(FolderFiles(share).size(), 3u) << "the installed files alone";

    // The installed table's index semaphore and that of a working copy of
    // the same table in the private folder are two files: the users of the
    // two tables are counted apart.
    fs::copy_file(share + "/vovuzi.dbf", dir + "/user/vovuzi.dbf",
                  fs::copy_options::overwrite_existing);
    ASSERT_TRUE(OpenDbfFile(share + "/vovuzi.dbf", true));
    const std::string kind = GetDbfFieldName(1);
    BuildTempIndex(kind, "installed");
    Select(20);
    USE(dir + "/user/vovuzi.dbf ALIAS WORKCOPY");
    Index_On(kind, dir + "/user/workcopy.ndx");
    std::vector<std::string> semaphores;
    for (const auto& e : fs::directory_iterator(dir + "/user"))
        if (UpperAscii(e.path().extension().string()) == ".@S@")
            semaphores.push_back(e.path().filename().string());
    EXPECT_EQ(semaphores.size(), 2u) << ::testing::PrintToString(semaphores);
    CloseArea();
    CloseDbfTable();
}

TEST_F(ShippedTablesCore, WithoutADataFolderOfTheUsersTheInstalledTableIsNotChanged) {
    userDataDirectory.clear();
    const std::string installed = Slurp(share + "/printout.dbf");
    EXPECT_FALSE(SavePrintLayout(PrintLayout{}));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Slurp(share + "/printout.dbf"), installed);
    EXPECT_EQ(ui.CallsOf("message").size(), 1u);
}

TEST_F(ShippedTablesCore, InstalledIntoTheUsersDataFolderTheTablesAreTheUsersOwn) {
    userDataDirectory = share;
    EXPECT_FALSE(IsShippedTablesFolder(share));
    userDataDirectory = own;
    EXPECT_TRUE(IsShippedTablesFolder(share));
    EXPECT_FALSE(IsShippedTablesFolder(dir + "/user"));
}

// Started in the user's data folder (as the launcher starts it), a material
// table copied there by an edit does not make that folder the table folder:
// the other tables are still the installed ones.
TEST_F(ShippedTablesCore, TheUsersCopyInTheStartFolderLeavesTheInstalledTablesInUse) {
    fs::create_directories(own);
    Spit(own + "/vovuzi.dbf", Slurp(share + "/vovuzi.dbf"));
    const fs::path before = fs::current_path();
    fs::current_path(own);
    databaseDirectory.clear();
    UseDataFolder(share);
    fs::current_path(before);
    EXPECT_EQ(databaseDirectory, share);
}

}  // namespace
}  // namespace veldrim::testing
