// File datasets and the engine settings they change around their open: a
// writable dataset opened after a read-only one (whose open went through
// or failed) opens its table and index for writing; and an index made by a
// key procedure opened into the last index position (16) keeps making the
// keys of new and changed records.

#include <gtest/gtest.h>

#include <fcntl.h>

#include <string>
#include <vector>

#include "foundation/file_calls.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/datasets/dataset_fixture.h"
#include "tables/datasets/tz_dbf.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/index/ndx_index.h"

namespace veldrim::testing {
namespace {

// The access modes of the opens of files whose name begins with `watched`
// (a path without extension and its dot).
std::string watched;
std::vector<int> writableOpens;
int RecordOpens(const char* path, int flags, mode_t mode) {
    if (std::string(path).starts_with(watched)) writableOpens.push_back(flags & O_ACCMODE);
    return SystemFileCalls().open(path, flags, mode);
}

class DatasetOpenSettings : public DatasetFixture {};

TEST_F(DatasetOpenSettings, AWritableDatasetOpenedAfterAReadOnlyOneWritesItsTableAndIndex) {
    const std::string six = SixRecords();
    const std::string notATable = Path("bad.dbf");
    Spit(notATable, "this is no table");
    for (const bool readOnlyOpenFails : {false, true}) {
        const std::string label =
            readOnlyOpenFails ? "after a failed read-only open" : "after a read-only open";
        const std::string stem = readOnlyOpenFails ? "w2" : "w1";
        const std::string w = Path(stem + ".dbf");
        TTzDbf readOnly("R");
        readOnly.SetDbfFileName(readOnlyOpenFails ? notATable : six);
        readOnly.ReadOnly = true;
        if (readOnlyOpenFails) {
            EXPECT_ANY_THROW(readOnly.Open()) << label;
            ErrorState.pendingErrorCode = 0;
        } else {
            readOnly.Open();
        }

        TTzDbf writable("W");
        writable.SetDbfFileName(w);
        writable.DbfFields = {"NAME,C,10,0"};
        writable.IndexList = {"1," + stem + ".ndx,NAME"};
        watched = Path(stem + ".");
        writableOpens.clear();
        FileCalls.open = RecordOpens;
        writable.Open();
        ResetFileCalls();
        ASSERT_FALSE(writableOpens.empty()) << label;
        for (std::size_t i = 0; i < writableOpens.size(); ++i)
            EXPECT_EQ(writableOpens[i], O_RDWR) << label << ", open " << i;
        writable.Append();
        writable.FieldByName("NAME").SetAsString("worm");
        writable.Post();
        EXPECT_EQ(CountOnDisk(w), 1) << label;
        EXPECT_EQ(OnDisk(w, 1, 1), "worm      ") << label;
        EXPECT_TRUE(writable.FindExact("worm")) << label;
        EXPECT_EQ(writable.RecNo(), 1) << label;
        writable.Close();
        if (!readOnlyOpenFails) {
            readOnly.Last();
            EXPECT_EQ(readOnly.FieldByName("NAME").AsString(), "f") << label;
            readOnly.Close();
        }
    }
}

// The key procedure's index in position 16 beside a plain index on NAME in
// position 1: both are kept up to date, and each finds the records by its
// keys once it controls the order.
TEST_F(DatasetOpenSettings, AKeyProcedureIndexInTheLastPositionMakesTheKeys) {
    const std::string path = SixRecords();
    const std::string names = Path("names.ndx");
    const std::string ndx = Path("desc.ndx");
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    // The key runs the numbers backwards: 7 - N as one digit (a..f: 6..1).
    const auto key = [&ds] { return std::to_string(7 - ds.FieldByName("N").AsInteger()); };
    ds.Open();
    ds.IndexOn("NAME", names);
    ds.IndexOnCB(ndx, key);
    ds.Close();

    ds.Open();
    ds.SetIndexToLFN(names, 1);
    ds.SetIndexToCB(ndx, kMaxIndexes, key);
    EXPECT_EQ(LastError(), 0);
    // A new record g with N = 0 (key 7), and record a changed to z with
    // N = -1 (key 8).
    ds.Append();
    ds.FieldByName("NAME").SetAsString("g");
    ds.FieldByName("N").SetAsInteger(0);
    ds.Post();
    ASSERT_TRUE(ds.FindExact("a"));
    ASSERT_EQ(ds.RecNo(), 1);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("z");
    ds.FieldByName("N").SetAsInteger(-1);
    ds.Post();

    ASSERT_TRUE(ds.SelectForOperation("order"));
    Set_Order_To(kMaxIndexes);
    const TIndexCheck check = CheckIndexTree(1);
    EXPECT_TRUE(check.ok) << check.problem;
    EXPECT_EQ(check.keys, 7);
    const struct {
        const char* key;
        int32_t record;
        const char* name;
    } byProcedure[] = {{"7", 7, "g"}, {"8", 1, "z"}, {"3", 4, "d"}, {"1", 6, "f"}};
    for (const auto& e : byProcedure) {
        EXPECT_TRUE(ds.FindExact(e.key)) << e.key;
        EXPECT_EQ(ds.RecNo(), e.record) << e.key;
        EXPECT_EQ(ds.FieldByName("NAME").AsString(), e.name) << e.key;
    }
    EXPECT_FALSE(ds.FindExact("6")) << "record a's old key";

    ASSERT_TRUE(ds.SelectForOperation("order"));
    Set_Order_To(1);
    EXPECT_TRUE(ds.FindExact("g"));
    EXPECT_EQ(ds.RecNo(), 7);
    EXPECT_TRUE(ds.FindExact("z"));
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_FALSE(ds.FindExact("a"));
    ds.Close();

    // One past the last position is the engine's error.
    ds.Open();
    EXPECT_ANY_THROW(ds.SetIndexToCB(ndx, kMaxIndexes + 1, key));
    EXPECT_EQ(LastError(), 220);
}

}  // namespace
}  // namespace veldrim::testing
