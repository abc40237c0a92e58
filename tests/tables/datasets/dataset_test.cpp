// The work-area dataset: moves, edits, bookmarks and record numbers under a
// filter, locks refused, field definitions and dates.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "tables/datasets/dataset_unit.h"
#include "tables/datasets/index_item.h"
#include "tables/datasets/tz_blob_stream.h"
#include "tables/datasets/tz_dbf.h"
#include "tables/datasets/tz_file_dataset.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"
#include "tables/datasets/dataset_fixture.h"

namespace veldrim::testing {
namespace {

using DatasetTest = DatasetFixture;

TEST_F(DatasetTest, EditPostCancelDeleteRecallKeepRecordNumbersUnderAFilter) {
    const std::string path = SixRecords();
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    ds.SetFilterText("N > 2");
    ds.First();
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Next();
    const TBookmark fourth = ds.GetBookmark();
    EXPECT_EQ(fourth, 4);

    ds.Edit();
    ds.FieldByName("NAME").SetAsString("dd");
    ds.Cancel();
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "d");
    EXPECT_EQ(OnDisk(path, 1, 4), "d         ");

    ds.Edit();
    ds.FieldByName("NAME").SetAsString("DD");
    ds.Post();
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(OnDisk(path, 1, 4), "DD        ");
    EXPECT_EQ(OnDisk(path, 1, 3), "c         ");

    ds.Next();
    EXPECT_EQ(ds.RecNo(), 5);
    ds.Delete();
    EXPECT_EQ(ds.RecNo(), 5) << "a deleted record stays while deleted records are shown";
    EXPECT_TRUE(ds.IsDeleted());
    ds.SetDeleted(false);
    EXPECT_FALSE(ds.IsDeleted());
    EXPECT_EQ(ds.RecNo(), 5);

    ds.SetHideDeletedRecs(true);
    ds.Delete();
    EXPECT_EQ(ds.RecNo(), 6) << "the cursor leaves the hidden record";
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 4);
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecNo(), 3) << "records 1 and 2 are filtered";

    ds.GotoBookmark(fourth);
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(ds.CompareBookmarks(fourth, 6), -1);
    EXPECT_EQ(ds.CompareBookmarks(0, 6), 1);
    EXPECT_EQ(ds.CompareBookmarks(6, 0), -1);
    EXPECT_FALSE(ds.BookmarkValid(99));
    EXPECT_TRUE(ds.BookmarkValid(6));
    EXPECT_EQ(ds.RecNo(), 4) << "a bookmark check does not move";

    ds.Append();
    ds.FieldByName("NAME").SetAsString("g");
    ds.FieldByName("N").SetAsInteger(7);
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 7);
    EXPECT_EQ(ds.RecordCount(), 7);
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 7);
    ds.Close();
}

// Names in the order d b f a e c: by name a(4) b(2) c(6) d(1) e(5) f(3).
TEST_F(DatasetTest, EditPostCancelDeleteRecallKeepRecordNumbersInIndexOrder) {
    const std::string path = Make("ord.dbf", {F("NAME", 'C', 10), F("N", 'N', 5)});
    UseIn(1, path + " EXCLUSIVE");
    int n = 0;
    for (const char* name : {"d", "b", "f", "a", "e", "c"}) {
        ClearRecord();
        SetBinaryText(1, name);
        SetBinaryInteger(2, ++n);
        Append();
    }
    CloseArea();
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    ds.IndexOn("NAME", Path("ord_name"));
    auto order = [&] {
        std::vector<int32_t> recs;
        ds.First();
        while (ds.RecNo() > 0 && !ds.Eof()) {
            recs.push_back(ds.RecNo());
            ds.Next();
        }
        return recs;
    };
    EXPECT_EQ(order(), (std::vector<int32_t>{4, 2, 6, 1, 5, 3}));

    ds.First();
    ds.Next();
    const TBookmark b = ds.GetBookmark();
    EXPECT_EQ(b, 2);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("x");
    ds.Cancel();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "b");

    // The changed key moves record 2 to the end of the order; the cursor
    // stays on it.
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("z");
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(order(), (std::vector<int32_t>{4, 6, 1, 5, 3, 2}));

    ds.GotoBookmark(5);
    ds.Delete();
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_TRUE(ds.IsDeleted());
    ds.SetDeleted(false);
    EXPECT_FALSE(ds.IsDeleted());
    ds.SetHideDeletedRecs(true);
    ds.Delete();
    EXPECT_EQ(ds.RecNo(), 3) << "the next record in index order";
    EXPECT_EQ(order(), (std::vector<int32_t>{4, 6, 1, 3, 2}));

    ds.Append();
    ds.FieldByName("NAME").SetAsString("c2");
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 7);
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 6);
    EXPECT_EQ(ds.CompareBookmarks(b, 7), -1);
    ds.GotoBookmark(b);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "z");
}

// Visits of other records while a record is edited or inserted (a grid
// colouring its rows) leave the edit as it was: the engine's copy of it, and
// what the Post writes and indexes.
TEST_F(DatasetTest, VisitsOfOtherRecordsDuringAnEditKeepTheEdit) {
    const std::string path = SixRecords();
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    ds.IndexOn("NAME", Path("six_name"));
    auto visitAll = [&] {
        std::string seen;
        for (int32_t rec = 1; rec <= 6; ++rec)
            ds.WithActiveRecord(rec, [&] { seen += ds.FieldByName("NAME").AsString() + " "; });
        return seen;
    };
    ds.GotoBookmark(2);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("zz");
    EXPECT_EQ(visitAll(), "a zz c d e f ");
    EXPECT_TRUE(ds.Modified());
    Select(ds.WorkArea());
    EXPECT_EQ(veldrim::RecNo(), 2) << "the engine stands on the edited record";
    EXPECT_EQ(BinaryText(1), "zz") << "the engine's copy of the edit";
    ds.Post();
    EXPECT_EQ(OnDisk(path, 1, 2), "zz        ");
    EXPECT_EQ(OnDisk(path, 1, 3), "c         ");

    ds.Append();
    ds.FieldByName("NAME").SetAsString("b2");
    EXPECT_EQ(visitAll(), "a zz c d e f ");
    EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
    ds.Post();
    EXPECT_EQ(OnDisk(path, 1, 7), "b2        ");
    std::vector<int32_t> order;
    for (ds.First(); !ds.Eof(); ds.Next()) order.push_back(ds.RecNo());
    EXPECT_EQ(order, (std::vector<int32_t>{1, 7, 3, 4, 5, 6, 2}));
    ds.Close();
}

TEST_F(DatasetTest, IndexedLocateSeeksOnlyWhenTheFieldsAreTheIndexKey) {
    const std::string path = SixRecords();
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.IndexList = {"1," + Path("six_name.ndx") + ",NAME"};
    ds.Open();
    EXPECT_TRUE(std::filesystem::exists(Path("six_name.ndx"))) << "built at open";
    const auto progress = ui.CallsOf("progress");
    ASSERT_FALSE(progress.empty()) << "the index is built under a progress window";
    for (const auto& c : progress) EXPECT_EQ(c.title, "Indexing " + Path("six_name.ndx") + "...");
    EXPECT_TRUE(ds.Locate("NAME", {std::string("e")}, {}));
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_FALSE(ds.Locate("NAME", {std::string("x")}, {}));
    // N is no index key: the records are scanned.
    EXPECT_TRUE(ds.Locate("N", {3.0}, {}));
    EXPECT_EQ(ds.RecNo(), 3);
    // A prefix is found only as a partial key.
    ds.Close();
    UseIn(1, path + " EXCLUSIVE");
    GO(2);
    SetBinaryText(1, "bravo");
    Replace();
    CloseArea();
    ds.CreateIndex = ciAlways;
    ds.Open();
    EXPECT_FALSE(ds.Locate("NAME", {std::string("bra")}, {}));
    TLocateOptions partial;
    partial.partialKey = true;
    EXPECT_TRUE(ds.Locate("NAME", {std::string("bra")}, partial));
    EXPECT_EQ(ds.RecNo(), 2);
}

TEST_F(DatasetTest, SetRecNoBeyondTheTableGoesToTheLastRecord) {
    const std::string path = SixRecords();
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    ds.SetRecNo(3);
    EXPECT_EQ(ds.RecNo(), 3);
    ds.SetRecNo(40);
    EXPECT_EQ(ds.RecNo(), 6);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 6);
    Select(ds.WorkArea());
    EXPECT_EQ(RecNo(), 6) << "the engine stays on the last record, not past it";
}

TEST_F(DatasetTest, OpeningAnEmptyTableDoesNotMove) {
    const std::string path = Make("empty.dbf", {F("NAME", 'C', 10)});
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "");
    ds.Append();
    ds.FieldByName("NAME").SetAsString("first");
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_FALSE(ds.IsEmpty());
}

TEST_F(DatasetTest, LockRefusedDuringPostIsAFailureAndTheRecordStaysUnchanged) {
    const std::string path = SixRecords();
    LockRetries = 1;
    LockWaitMs = 1;
    UseIn(10, path + " ALIAS OTHER");
    GO(2);
    ASSERT_TRUE(RLock());
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    ds.SetRecNo(2);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("changed");
    EXPECT_THROW(ds.Post(), EDatabaseError);
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
    ds.Cancel();
    EXPECT_EQ(OnDisk(path, 1, 2), "b         ");

    // A refused delete and a refused append report failure as well.
    EXPECT_THROW(ds.Delete(), EDatabaseError);
    EXPECT_FALSE(ds.IsDeleted());
    Select(10);
    Unlock();
    ASSERT_TRUE(FLock());
    ds.Append();
    ds.FieldByName("NAME").SetAsString("h");
    EXPECT_THROW(ds.Post(), EDatabaseError);
    EXPECT_EQ(ds.RecordCount(), 6);
}

// Another program holds the table's file lock: each of the four record
// changes raises one failure that begins with the notice "Sperren
// fehlgeschlagen [...]" and says the table is locked, changes nothing on
// disk and leaves the dataset as it was (a refused post keeps its edit).
// Once the other program lets go, the same change goes through.
TEST_F(DatasetTest, ARecordChangeRefusedByAnotherProgramsLockSaysSoAndChangesNothing) {
    const std::string locked = "Die Tabelle ist von einem anderen Programm gesperrt. ";
    const std::string kept =
        " ist nicht gespeichert und bleibt erhalten: bitte erneut speichern, sobald das andere "
        "Programm die Tabelle freigegeben hat.";
    struct Case {
        const char* operation;
        std::string message;
        std::function<void(TTzDbf&)> start;   // before the change, without the lock
        std::function<void(TTzDbf&)> change;  // the change that needs the lock
        TDataSetState stateAfterRefusal;
        const char* nameShown;   // the active record's NAME after the refusal
        const char* flagOnDisk;  // record 2's deletion flag after the refusal
        // Record 2's name and deletion flag and the record count once the
        // change went through.
        const char* nameAfter;
        const char* flagAfter;
        int32_t countAfter;
    };
    const Case cases[] = {
        {"Post",
         "Sperren fehlgeschlagen [Post]\r\n" + locked + std::string("Die Änderung"_cp850) + kept,
         [](TTzDbf& ds) {
             ds.SetRecNo(2);
             ds.Edit();
             ds.FieldByName("NAME").SetAsString("changed");
         },
         [](TTzDbf& ds) { ds.Post(); }, TDataSetState::dsEdit, "changed", " ", "changed   ", " ",
         6},
        {"Insert", "Sperren fehlgeschlagen [Insert]\r\n" + locked + "Der neue Datensatz" + kept,
         [](TTzDbf& ds) {
             ds.Append();
             ds.FieldByName("NAME").SetAsString("g");
         },
         [](TTzDbf& ds) { ds.Post(); }, TDataSetState::dsInsert, "g", " ", "b         ", " ", 7},
        {"Delete",
         "Sperren fehlgeschlagen [Delete]\r\n" + locked +
             std::string("Der Datensatz ist nicht gelöscht."_cp850),
         [](TTzDbf& ds) { ds.SetRecNo(2); }, [](TTzDbf& ds) { ds.Delete(); },
         TDataSetState::dsBrowse, "b", " ", "b         ", "*", 6},
        {"Restore",
         "Sperren fehlgeschlagen [Restore]\r\n" + locked + "Der Datensatz ist nicht restauriert.",
         [](TTzDbf& ds) {
             ds.SetRecNo(2);
             ds.Delete();
         },
         [](TTzDbf& ds) { ds.SetDeleted(false); }, TDataSetState::dsBrowse, "b", "*", "b         ",
         " ", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        const std::string path = SixRecords();
        TTzDbf ds("T");
        ds.SetDbfFileName(path);
        ds.Open();
        c.start(ds);
        Peer other = FileLockHolder(path);
        ASSERT_EQ(other.Receive(), 'y') << "the other program holds the file lock";
        std::string raised = "<nothing raised>";
        try {
            c.change(ds);
        } catch (const EDatabaseError& e) {
            raised = e.what();
        }
        EXPECT_EQ(raised, c.message);
        EXPECT_EQ(ds.State(), c.stateAfterRefusal);
        EXPECT_EQ(ds.FieldByName("NAME").AsString(), c.nameShown);
        EXPECT_EQ(OnDisk(path, 1, 2), "b         ");
        EXPECT_EQ(OnDisk(path, 0, 2), c.flagOnDisk);
        EXPECT_EQ(CountOnDisk(path), 6);
        EXPECT_EQ(ui.calls.size(), 0u) << "the dataset shows nothing itself";

        EXPECT_EQ(other.Finish(), 0);
        EXPECT_NO_THROW(c.change(ds));
        EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
        EXPECT_EQ(OnDisk(path, 1, 2), c.nameAfter);
        EXPECT_EQ(OnDisk(path, 0, 2), c.flagAfter);
        EXPECT_EQ(CountOnDisk(path), c.countAfter);
        ds.Close();
        std::filesystem::remove(path);
    }
}

TEST_F(DatasetTest, WideIntegersAndDatesRoundTrip) {
    const std::string path = Make("w.dbf", {F("BIG", 'N', 12), F("SMALL", 'N', 9), F("DAY", 'D')});
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    EXPECT_EQ(ds.FieldByName("BIG").DataType(), TFieldType::ftLargeint);
    EXPECT_EQ(ds.FieldByName("SMALL").DataType(), TFieldType::ftInteger);
    ds.Append();
    ds.FieldByName("BIG").SetAsInteger(9876543210LL);
    ds.FieldByName("SMALL").SetAsInteger(123456789);
    ds.Post();
    ds.Append();
    ds.FieldByName("BIG").SetAsInteger(1);
    ds.FieldByName("DAY").SetAsDateTime(DaysFromDigits("20261207"));
    ds.Post();
    ds.Close();
    ds.Open();
    EXPECT_EQ(ds.FieldByName("BIG").AsInteger(), 9876543210LL);
    EXPECT_EQ(ds.FieldByName("SMALL").AsInteger(), 123456789);
    EXPECT_TRUE(ds.FieldByName("DAY").IsNull()) << "a blank date reads as null";
    ds.Next();
    EXPECT_EQ(DigitsFromDays(ds.FieldByName("DAY").AsDateTime()), "20261207");
}

TEST_F(DatasetTest, TheProgramStartsTheEngineWithItsDateCode) {
    dateFormat = 1;  // dd.mm.yyyy
    StartTableEngine();
    EXPECT_EQ(DateFormat, 5);
    EXPECT_TRUE(SetCentury);
    dateFormat = 3;  // yyyy-mm-dd
    StartTableEngine();
    EXPECT_EQ(DateFormat, 1);
}

TEST_F(DatasetTest, MemoStreamsReadWriteAndEmptyTheMemoOfTheActiveRecord) {
    const std::string path = Make("memo.dbf", {F("NAME", 'C', 10), F("NOTE", 'M')});
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.Open();
    ds.Append();
    ds.FieldByName("NAME").SetAsString("one");
    ds.Post();
    {
        TTzBlobStream w(ds.FieldByName("NOTE"), TTzBlobStream::bmWrite);
        const std::string text = "Zahnrad aus Bronze";
        EXPECT_EQ(w.Write(text.data(), static_cast<int32_t>(text.size())), 18);
    }
    ds.Post();
    EXPECT_NE(ds.FieldByName("NOTE").AsInteger(), 0);
    {
        TTzBlobStream r(ds.FieldByName("NOTE"), TTzBlobStream::bmRead);
        char buf[64] = {};
        EXPECT_EQ(std::string(buf, static_cast<std::size_t>(r.Read(buf, sizeof buf))),
                  "Zahnrad aus Bronze");
    }
    {
        // Closed without writing: the memo becomes empty.
        TTzBlobStream w(ds.FieldByName("NOTE"), TTzBlobStream::bmWrite);
    }
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NOTE").AsInteger(), 0);
}

TEST(DateScale, DayNumbersCountFromTheThirtiethOfDecember1899) {
    // The serial day numbers of the common date-time scale: 1 January 1900
    // is day 2, 1 January 2000 day 36526, 29 February 2000 day 36585.
    EXPECT_EQ(DaysFromDigits("19000101"), 2);
    EXPECT_EQ(DaysFromDigits("20000101"), 36526);
    EXPECT_EQ(DaysFromDigits("20000229"), 36585);
    EXPECT_EQ(DigitsFromDays(36585), "20000229");
    EXPECT_EQ(DigitsFromDays(0), "");
}

TEST(DateScale, EngineDateFormatFollowsTheShortDateFormat) {
    struct Case {
        const char* format;
        int engine;
        bool century;
    };
    for (const Case& c :
         {Case{"dd.MM.yyyy", 5, true}, Case{"yyyy-MM-dd", 1, true}, Case{"MM/dd/yy", 0, false},
          Case{"dd-MM-yy", 3, false}, Case{"dd/MM/yyyy", 2, true}}) {
        SetEngineDateFormatFromPlatform(c.format);
        EXPECT_EQ(DateFormat, c.engine) << c.format;
        EXPECT_EQ(SetCentury, c.century) << c.format;
    }
    ResetTableEngine();
}

TEST(FieldDefinitionCheck, KeepsDecimalsWithinTheLengthForNAndFFields) {
    struct Case {
        char type;
        int length, decimals;
        char wantType;
        int wantLength, wantDecimals;
    };
    for (const Case& c :
         {Case{'N', 25, 20, 'N', 20, 18}, Case{'N', 25, 24, 'N', 20, 18},
          Case{'N', 5, 4, 'N', 5, 3}, Case{'F', 4, 3, 'F', 4, 2}, Case{'F', 30, 2, 'F', 20, 2},
          Case{'N', 1, 1, 'N', 1, 0}, Case{'C', 300, 0, 'C', 254, 0}, Case{'G', 10, 0, 'M', 10, 0},
          Case{'Q', 8, 0, 'C', 8, 0}, Case{'N', 10, 2, 'N', 10, 2}}) {
        TFieldEntry f{"X", c.type, static_cast<uint16_t>(c.length),
                      static_cast<uint8_t>(c.decimals)};
        std::string msg;
        const bool changed = CheckFieldDefinition(f, "T", &msg);
        EXPECT_EQ(f.type, c.wantType) << c.type << c.length << "," << c.decimals;
        EXPECT_EQ(f.length, c.wantLength) << c.type << c.length << "," << c.decimals;
        EXPECT_EQ(f.decimals, c.wantDecimals) << c.type << c.length << "," << c.decimals;
        EXPECT_EQ(changed, !msg.empty());
    }
    TFieldEntry f{"AMOUNT", 'N', 25, 20};
    std::string msg;
    CheckFieldDefinition(f, "tzdbf", &msg);
    EXPECT_EQ(msg,
              "Invalid field definition for tzdbf: AMOUNT,N,25,20. Will use corrected definition: "
              "AMOUNT,N,20,18");
}

TEST(IndexListLines, NumberFileAndExpression) {
    TIndexItem item;
    ASSERT_TRUE(ParseIndexItem("2,NAMES.NDX,UPPER(NAME)", item));
    EXPECT_EQ(item.number, 2);
    EXPECT_EQ(item.fileName, "NAMES.NDX");
    EXPECT_EQ(item.expression, "UPPER(NAME)");
    ASSERT_TRUE(ParseIndexItem(",UPPER(NAME),X", item));
    EXPECT_EQ(item.number, 0);
    EXPECT_EQ(item.fileName, "");
    EXPECT_EQ(item.expression, "UPPER(NAME),X");
    EXPECT_FALSE(ParseIndexItem("two,A.NDX,A", item));
}

}  // namespace
}  // namespace veldrim::testing
