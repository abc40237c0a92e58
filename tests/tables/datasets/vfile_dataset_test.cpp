// The virtual-file dataset: loading, saving, orders.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tables/bulk/bulk_verbs.h"
#include "tables/datasets/vfile_dataset.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"
#include "tables/engine/win1252_text.h"

namespace veldrim::testing {
namespace {

class VFileDatasetTest : public TableTest {
protected:
    // A table "src.dbf" with the names given; the deleted ones marked.
    std::string Source(const std::vector<std::string>& names,
                       const std::vector<int>& deleted = {}) {
        const std::string path = Make("src.dbf", {F("NAME", 'C', 8), F("N", 'N', 4)});
        Select(1);
        USE(path + " EXCLUSIVE");
        int i = 0;
        for (const std::string& n : names) {
            ClearRecord();
            SetBinaryText(1, n);
            SetBinaryInteger(2, ++i);
            Append();
        }
        for (int d : deleted) {
            GO(d);
            DeleteRec();
        }
        CloseArea();
        return path;
    }
    static void Define(TTzVFile& v, const std::string& file) {
        v.DbfFields = {"NAME,C,8,0", "N,N,4,0"};
        if (!file.empty()) v.SetDbfFileName(file);
    }
    // Opens v loaded from `file` and appends a record of that name.
    static void LoadAndAdd(TTzVFile& v, const std::string& file, const std::string& name) {
        Define(v, file);
        v.PopulateFromDisk = true;
        v.Open();
        v.Append();
        v.FieldByName("NAME").SetAsString(name);
        v.Post();
    }
    static std::vector<std::string> Names(TTzVFile& v) {
        std::vector<std::string> out;
        v.First();
        while (v.RecNo() > 0) {
            out.push_back(v.FieldByName("NAME").AsString());
            const int32_t before = v.RecNo();
            v.Next();
            if (v.Eof() || v.RecNo() == before) break;
        }
        return out;
    }
    std::vector<std::string> OnDisk(const std::string& path) {
        std::vector<std::string> out;
        Select(30);
        USE(path + " ALIAS DISK");
        for (int r = 1; r <= RecCount(); ++r) out.push_back(TrimRightStr(Peek(1, r)));
        CloseArea();
        return out;
    }
};

TEST_F(VFileDatasetTest, TwoQuickOpensGiveTwoVirtualFiles) {
    TTzVFile a("A"), b("B");
    Define(a, "");
    Define(b, "");
    a.Open();
    b.Open();
    EXPECT_NE(a.WorkArea(), b.WorkArea());
    Select(a.WorkArea());
    const std::string first = DbfName();
    Select(b.WorkArea());
    EXPECT_NE(DbfName(), first);
}

TEST_F(VFileDatasetTest, LoadingSkipsDeletedRecordsWhenTheyAreHidden) {
    const std::string path = Source({"a", "b", "c", "d"}, {2});
    TTzVFile v("V");
    Define(v, path);
    v.PopulateFromDisk = true;
    v.SetHideDeletedRecs(true);
    v.Open();
    EXPECT_EQ(Names(v), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_FALSE(v.VirtualModified());
}

TEST_F(VFileDatasetTest, LifoKeepsTheLoadedOrderAndPutsNewRecordsInFront) {
    const std::string path = Source({"a", "b", "c"});
    TTzVFile v("V");
    Define(v, path);
    v.PopulateFromDisk = true;
    v.SetAppendMode(LIFO);
    v.Open();
    EXPECT_EQ(Names(v), (std::vector<std::string>{"a", "b", "c"}));
    v.Append();
    v.FieldByName("NAME").SetAsString("new");
    v.Post();
    EXPECT_EQ(Names(v), (std::vector<std::string>{"new", "a", "b", "c"}));
    EXPECT_TRUE(v.VirtualModified());
}

TEST_F(VFileDatasetTest, ClosingWithoutAChangeWritesNothing) {
    const std::string path = Source({"a", "b"});
    const auto stamp = std::filesystem::last_write_time(path);
    const std::vector<uint8_t> bytes = ReadBytes(path);
    {
        TTzVFile v("V");
        Define(v, path);
        v.PopulateFromDisk = true;
        v.SaveToDisk = true;
        v.Open();
        v.Close();
    }
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(path), stamp);
}

TEST_F(VFileDatasetTest, ClosingAfterAChangeWritesTheTableAnew) {
    const std::string path = Source({"a", "b"});
    {
        TTzVFile v("V");
        Define(v, path);
        v.PopulateFromDisk = true;
        v.SaveToDisk = true;
        v.Open();
        v.Last();
        v.Edit();
        v.FieldByName("NAME").SetAsString("B2");
        v.Post();
        v.Append();
        v.FieldByName("NAME").SetAsString("c");
        v.Post();
        v.Close();
    }
    EXPECT_EQ(OnDisk(path), (std::vector<std::string>{"a", "B2", "c"}));
    for (const auto& e : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(e.path().extension(), ".dbf") << "no temporary file stays: " << e.path();
}

TEST_F(VFileDatasetTest, AFailedSaveKeepsTheTargetAndTheChangedMark) {
    const std::string path = Source({"a"});
    TTzVFile v("V");
    LoadAndAdd(v, path, "b");
    // The table's folder refuses new files: the save cannot write its copy.
    v.SetDbfFileName(dir + "/gone/src.dbf");
    EXPECT_FALSE(v.SaveToDiskNow());
    EXPECT_TRUE(v.VirtualModified());
    EXPECT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(OnDisk(path), (std::vector<std::string>{"a"}));
}

// The save builds the table in a temporary file that it creates itself under
// a name nobody can foresee: a link planted at the name an earlier save used
// ("~NAME.<process id>.tmp") leads nowhere, and the table keeps its mode.
TEST_F(VFileDatasetTest, ASaveIgnoresALinkPlantedAtATemporaryNameAndKeepsTheTablesMode) {
    namespace fs = std::filesystem;
    const std::string path = Source({"a"});
    ::chmod(path.c_str(), 0600);
    Spit(Path("victim"), "precious");
    const std::string planted = Path("~src.dbf." + std::to_string(::getpid()) + ".tmp");
    fs::create_symlink(Path("victim"), planted);
    TTzVFile v("V");
    LoadAndAdd(v, path, "b");
    EXPECT_TRUE(v.SaveToDiskNow());
    EXPECT_EQ(Slurp(Path("victim")), "precious");
    EXPECT_TRUE(fs::is_symlink(planted));
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(OnDisk(path), (std::vector<std::string>{"a", "b"}));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "the table's mode, octal " << std::oct << st.st_mode;
    std::vector<std::string> entries;
    for (const auto& e : fs::directory_iterator(dir)) entries.push_back(e.path().filename());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries,
              (std::vector<std::string>{"src.dbf", "victim", planted.substr(dir.size() + 1)}))
        << "no temporary file stays";
}

TEST_F(VFileDatasetTest, ATableOfAnotherStructureIsNotLoaded) {
    const std::string path = Make("other.dbf", {F("NAME", 'C', 12)});
    TTzVFile v("V");
    Define(v, path);
    v.PopulateFromDisk = true;
    EXPECT_TRUE(Contains(Raised([&] { v.Open(); }), "passt nicht"));
    EXPECT_FALSE(v.Active());
}

// Loading and saving 200 records show a progress window titled with what
// is done, stepped once per hundredth of the records.
TEST_F(VFileDatasetTest, ProgressWindowsSayWhatIsDone) {
    const std::string path = Source(std::vector<std::string>(200, "r"));
    TTzVFile v("V");
    Define(v, path);
    v.PopulateFromDisk = true;
    v.SaveToDisk = true;
    v.Open();
    auto titles = [&] {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("progress"))
            if (out.empty() || out.back() != c.title) out.push_back(c.title);
        return out;
    };
    EXPECT_EQ(titles(), std::vector<std::string>{"Reading from disk..."});
    EXPECT_GE(ui.CallsOf("progress").size(), 100u);
    v.First();
    v.Edit();
    v.FieldByName("NAME").SetAsString("s");
    v.Post();
    ui.calls.clear();
    v.Close();
    EXPECT_EQ(titles(), std::vector<std::string>{"Writing to disk..."});
    EXPECT_EQ(ui.CallsOf("progress-hide").size(), 1u);
}

TEST_F(VFileDatasetTest, InsertionAtTheEndAppendsAfterTheLastRecord) {
    TTzVFile v("V");
    Define(v, "");
    v.SetAppendMode(INSERTION);
    v.Open();
    for (const char* n : {"a", "b"}) {
        v.Append();
        v.FieldByName("NAME").SetAsString(n);
        v.Post();
        v.Last();
        v.Next();
    }
    EXPECT_EQ(Names(v), (std::vector<std::string>{"a", "b"}));
}

// A table whose fields have the dataset's names and types but another
// length or other decimals is refused like one of another field count, and
// the table stays as it was.
TEST_F(VFileDatasetTest, ATableWhoseFieldLengthsDifferIsNotLoaded) {
    const struct {
        const char* label;
        std::vector<TFieldEntry> fields;
    } cases[] = {
        {"longer text", {F("NAME", 'C', 10), F("N", 'N', 4)}},
        {"shorter text", {F("NAME", 'C', 7), F("N", 'N', 4)}},
        {"wider number", {F("NAME", 'C', 8), F("N", 'N', 5)}},
        {"decimals", {F("NAME", 'C', 8), F("N", 'N', 4, 1)}},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string path = Make("len" + std::to_string(i++) + ".dbf", c.fields);
        const std::vector<uint8_t> before = ReadBytes(path);
        TTzVFile v("V");
        Define(v, path);
        v.PopulateFromDisk = true;
        const std::string msg = Raised([&] { v.Open(); });
        EXPECT_TRUE(Contains(msg, "passt nicht")) << c.label << ": " << msg;
        EXPECT_FALSE(v.Active()) << c.label;
        EXPECT_EQ(ReadBytes(path), before) << c.label;
    }
}

// Deleting a record is a change: it is marked, and closing writes the table
// without the deleted record.
TEST_F(VFileDatasetTest, DeletingMarksTheChangeAndClosingSavesIt) {
    const std::string path = Source({"a", "b", "c"});
    {
        TTzVFile v("V");
        Define(v, path);
        v.PopulateFromDisk = true;
        v.SaveToDisk = true;
        v.SetHideDeletedRecs(true);
        v.Open();
        ASSERT_FALSE(v.VirtualModified());
        v.First();
        v.Next();
        ASSERT_EQ(v.FieldByName("NAME").AsString(), "b");
        v.Delete();
        EXPECT_TRUE(v.VirtualModified());
        v.Close();
    }
    EXPECT_EQ(OnDisk(path), (std::vector<std::string>{"a", "c"}));
}

}  // namespace
}  // namespace veldrim::testing
