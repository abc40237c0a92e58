// The virtual-file dataset: loading, saving, orders.

#include <gtest/gtest.h>

#include <filesystem>

#include "tables/bulk_verbs.h"
#include "tables/datasets/vfile_dataset.h"
#include "tables/navigation.h"
#include "tables/table_test_util.h"
#include "tables/win1252_text.h"

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
    Define(v, path);
    v.PopulateFromDisk = true;
    v.Open();
    v.Append();
    v.FieldByName("NAME").SetAsString("b");
    v.Post();
    // The table's folder refuses new files: the save cannot write its copy.
    v.SetDbfFileName(dir + "/gone/src.dbf");
    EXPECT_FALSE(v.SaveToDiskNow());
    EXPECT_TRUE(v.VirtualModified());
    EXPECT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(OnDisk(path), (std::vector<std::string>{"a"}));
}

TEST_F(VFileDatasetTest, ATableOfAnotherStructureIsNotLoaded) {
    const std::string path = Make("other.dbf", {F("NAME", 'C', 12)});
    TTzVFile v("V");
    Define(v, path);
    v.PopulateFromDisk = true;
    EXPECT_TRUE(Contains(Raised([&] { v.Open(); }), "passt nicht"));
    EXPECT_FALSE(v.Active());
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
