// The record-buffer dataset and the file dataset: finding records under a
// filter, calculated and lookup fields, sequenced order, indexes kept by a
// key procedure, record conversion at open, the position notifications, the
// creation of a missing table without fields, and read-only opening.

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <string>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/formatting.h"
#include "tables/datasets/tz_dbf.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/datasets/dataset_fixture.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

class DatasetRecordsTest : public DatasetFixture {
protected:
    // CODE N 3, TEXT C 10: 2 two, 3 three, 5 five.
    std::string Kinds() {
        const std::string path = Path("kinds.dbf");
        WriteBytes(path, BuildDbf(0x03, {{"CODE", 'N', 3, 0}, {"TEXT", 'C', 10, 0}},
                                  {"   2two", "   3three", "   5five"}));
        return path;
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> out;
        for (const auto& c : ui.calls)
            if (c.kind == "message") out.push_back(c.text);
        return out;
    }
};

// A field's values over the records in order, "-" where it is empty.
std::vector<std::string> ColumnOf(TTzPrimDataset& ds, const std::string& field) {
    std::vector<std::string> shown;
    for (ds.First(); !ds.Eof(); ds.Next())
        shown.push_back(ds.FieldByName(field).IsNull() ? "-" : ds.FieldByName(field).AsString());
    return shown;
}

TEST_F(DatasetRecordsTest, FindFirstNextPriorLastVisitOnlyTheRecordsTheFilterShows) {
    TTzDbf ds("T");
    ds.SetDbfFileName(SixRecords());
    ds.Open();
    ds.SetFilterText("N > 2 .AND. N < 6");
    int before = 0, after = 0;
    ds.BeforeScroll = [&](TTzPrimDataset&) { ++before; };
    ds.AfterScroll = [&](TTzPrimDataset&) { ++after; };

    EXPECT_TRUE(ds.FindFirst());
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_TRUE(ds.FindNext());
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_TRUE(ds.FindNext());
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_TRUE(ds.Found());
    // Record 6 is filtered out: nothing further, the dataset stays.
    EXPECT_FALSE(ds.FindNext());
    EXPECT_FALSE(ds.Found());
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "e");
    EXPECT_EQ(before, 4);
    EXPECT_EQ(after, 3) << "after-scroll only when a record was found";

    ds.First();
    EXPECT_TRUE(ds.FindLast());
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_TRUE(ds.FindPrior());
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_TRUE(ds.FindPrior());
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_FALSE(ds.FindPrior());
    EXPECT_EQ(ds.RecNo(), 3);
    // The engine stands on the dataset's record after a find that failed.
    EXPECT_EQ(ds.SField(1), "c         ");
}

TEST_F(DatasetRecordsTest, IsSequencedOnlyWithoutFilterAndControllingIndex) {
    TTzDbf ds("T");
    const std::string path = SixRecords();
    ds.SetDbfFileName(path);
    ds.Open();
    EXPECT_TRUE(ds.IsSequenced());
    EXPECT_TRUE(ds.TTzPrimDataset::IsSequenced());
    ds.SetFilterText("N > 2");
    EXPECT_FALSE(ds.IsSequenced());
    EXPECT_FALSE(ds.TTzPrimDataset::IsSequenced());
    ds.SetFilterText("");
    EXPECT_TRUE(ds.IsSequenced());
    ds.IndexOn("NAME", Path("byname.ndx"));
    EXPECT_FALSE(ds.IsSequenced()) << "an index controls the order";
    EXPECT_TRUE(ds.TTzPrimDataset::IsSequenced()) << "the base knows only the filter";
}

TEST_F(DatasetRecordsTest, CalculatedFieldsAreComputedWhenARecordIsFetched) {
    TTzDbf ds("T");
    const std::string path = SixRecords();
    ds.SetDbfFileName(path);
    ds.AddCalcField("TWICE", TFieldType::ftInteger);
    ds.AddCalcField("LABEL", TFieldType::ftString, 12);
    std::string refused;
    ds.OnCalcFields = [&](TTzPrimDataset& d) {
        EXPECT_EQ(d.State(), TDataSetState::dsCalcFields);
        const int64_t n = d.FieldByName("N").AsInteger();
        EXPECT_EQ(d.RecNo(), d.FieldByName("NAME").AsString()[0] - 'a' + 1)
            << "the record being calculated";
        d.FieldByName("TWICE").SetAsInteger(2 * n);
        // LABEL only for even numbers: odd records leave it without value.
        if (n % 2 == 0) d.FieldByName("LABEL").SetAsString(d.FieldByName("NAME").AsString() + "!");
        // A record being calculated is read, never written.
        try {
            d.FieldByName("NAME").SetAsString("x");
        } catch (const EDatabaseError& e) {
            refused = e.what();
        }
    };
    ds.Open();
    EXPECT_EQ(refused, std::string("Datenmenge weder im Editier- noch im Einfügemodus"_cp850));
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.FieldByName("TWICE").AsInteger(), 2);
    EXPECT_TRUE(ds.FieldByName("LABEL").IsNull());
    ds.Next();
    EXPECT_EQ(ds.FieldByName("TWICE").AsInteger(), 4);
    EXPECT_EQ(ds.FieldByName("LABEL").AsString(), "b!");
    ds.Next();
    EXPECT_EQ(ds.FieldByName("TWICE").AsInteger(), 6);
    EXPECT_TRUE(ds.FieldByName("LABEL").IsNull()) << "cleared before each calculation";
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "c");

    // Posting writes the table record only, and the record is computed again.
    ds.Edit();
    ds.FieldByName("N").SetAsInteger(10);
    ds.Post();
    EXPECT_EQ(ds.FieldByName("TWICE").AsInteger(), 20);
    EXPECT_EQ(ds.FieldByName("LABEL").AsString(), "c!");
    EXPECT_EQ(OnDisk(path, 2, 3), "   10");
    EXPECT_EQ(OnDisk(path, 1, 3), "c         ");
    EXPECT_EQ(OnDisk(path, 1, 4), "d         ");
    EXPECT_EQ(CountOnDisk(path), 6);
}

TEST_F(DatasetRecordsTest, LookupReadsResultFieldsOfTheMatchingRecordCalculatedOnesToo) {
    const std::string sixPath = SixRecords();
    TTzDbf kinds("KINDS");
    kinds.SetDbfFileName(Kinds());
    kinds.AddCalcField("SHOUT", TFieldType::ftString, 10);
    kinds.OnCalcFields = [](TTzPrimDataset& d) {
        std::string t = d.FieldByName("TEXT").AsString();
        for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        d.FieldByName("SHOUT").SetAsString(t);
    };
    kinds.Open();
    kinds.Next();  // on record 2
    bool found = false;
    EXPECT_EQ(kinds.Lookup("CODE", {5.0}, "TEXT;SHOUT", &found),
              (std::vector<std::string>{"five", "FIVE"}));
    EXPECT_TRUE(found);
    EXPECT_EQ(kinds.RecNo(), 2) << "the cursor stays";
    EXPECT_EQ(kinds.FieldByName("SHOUT").AsString(), "THREE");
    EXPECT_TRUE(kinds.Lookup("CODE", {4.0}, "TEXT", &found).empty());
    EXPECT_FALSE(found);

    // A lookup field of another dataset: the kind of each record's number.
    TTzDbf six("SIX");
    six.SetDbfFileName(sixPath);
    six.AddLookupField("KIND", TFieldType::ftString, 10, "N", kinds, "CODE", "TEXT");
    six.Open();
    EXPECT_EQ(ColumnOf(six, "KIND"),
              (std::vector<std::string>{"-", "two", "three", "-", "five", "-"}));
    EXPECT_EQ(kinds.RecNo(), 2) << "the lookups leave the lookup dataset where it was";
}

// What declaring a field gives: the message of its refusal, or "(accepted)".
std::string RefusalOf(const std::function<void()>& declare) {
    try {
        declare();
    } catch (const EDatabaseError& e) {
        return std::string(e.what());
    }
    return "(accepted)";
}

// A lookup field whose lookups lead back to its own dataset, at once or
// through other datasets, would look itself up without end: it is refused
// when it is declared, naming the circle, and the datasets open and read as
// they were.
TEST_F(DatasetRecordsTest, ALookupFieldThatLooksItsOwnDatasetUpIsRefused) {
    const std::string sixPath = SixRecords();
    const std::string kindsPath = Kinds();
    const auto refusal = RefusalOf;
    TTzDbf six("SIX");
    six.SetDbfFileName(sixPath);
    EXPECT_EQ(
        refusal([&] { six.AddLookupField("L", TFieldType::ftString, 10, "N", six, "N", "NAME"); }),
        "SIX.L: circular lookup SIX -> SIX");
    six.Open();
    EXPECT_EQ(six.FindField("L"), nullptr) << "the refused field is not declared";
    six.Last();
    EXPECT_EQ(six.FieldByName("NAME").AsString(), "f");
    six.Close();

    // SIX looks KINDS up, KINDS looks THIRD up: THIRD looking SIX up closes a circle.
    TTzDbf kinds("KINDS"), third("THIRD");
    kinds.SetDbfFileName(kindsPath);
    third.SetDbfFileName(sixPath);
    six.AddLookupField("KIND", TFieldType::ftString, 10, "N", kinds, "CODE", "TEXT");
    kinds.AddLookupField("NAME", TFieldType::ftString, 10, "CODE", third, "N", "NAME");
    EXPECT_EQ(refusal([&] {
                  third.AddLookupField("BACK", TFieldType::ftString, 10, "N", six, "N", "KIND");
              }),
              "THIRD.BACK: circular lookup THIRD -> SIX -> KINDS -> THIRD");
    EXPECT_EQ(refusal([&] {
                  kinds.AddLookupField("AGAIN", TFieldType::ftString, 10, "CODE", six, "N", "NAME");
              }),
              "KINDS.AGAIN: circular lookup KINDS -> SIX -> KINDS");
    third.Open();
    kinds.Open();
    six.Open();
    EXPECT_EQ(ColumnOf(six, "KIND"),
              (std::vector<std::string>{"-", "two", "three", "-", "five", "-"}));
    kinds.Last();
    EXPECT_EQ(kinds.FieldByName("NAME").AsString(), "e") << "code 5 is the fifth record's name";
}

// The refusal of a lookup circle names the datasets of the circle and no
// other: not the branches without a way back met before it (DEAD and LEAF
// looked up by A before B, STUB by B before NEW), and not the datasets where
// two ways meet again without a circle (P looks up Q and R, both look up S,
// which is no circle and is declared).
TEST_F(DatasetRecordsTest, ALookupCircleIsNamedWithoutTheDeadEndsMetOnTheWay) {
    TTzDbf fresh("NEW"), a("A"), b("B"), dead("DEAD"), leaf("LEAF"), stub("STUB");
    auto lookUp = [](TTzDbf& from, const std::string& field, TTzDbf& to) {
        return RefusalOf(
            [&] { from.AddLookupField(field, TFieldType::ftString, 10, "N", to, "N", "NAME"); });
    };
    EXPECT_EQ(lookUp(dead, "L", leaf), "(accepted)");
    EXPECT_EQ(lookUp(a, "D", dead), "(accepted)");
    EXPECT_EQ(lookUp(b, "S", stub), "(accepted)");
    EXPECT_EQ(lookUp(b, "N", fresh), "(accepted)");
    EXPECT_EQ(lookUp(a, "B", b), "(accepted)");
    EXPECT_EQ(lookUp(fresh, "X", a), "NEW.X: circular lookup NEW -> A -> B -> NEW");
    EXPECT_EQ(lookUp(b, "A", a), "B.A: circular lookup B -> A -> B");
    EXPECT_EQ(lookUp(fresh, "L", leaf), "(accepted)") << "a lookup without a way back";

    TTzDbf p("P"), q("Q"), r("R"), s("S"), top("TOP");
    EXPECT_EQ(lookUp(q, "S", s), "(accepted)");
    EXPECT_EQ(lookUp(r, "S", s), "(accepted)");
    EXPECT_EQ(lookUp(p, "Q", q), "(accepted)");
    EXPECT_EQ(lookUp(p, "R", r), "(accepted)");
    EXPECT_EQ(lookUp(top, "P", p), "(accepted)") << "two ways to S make no circle";
    EXPECT_EQ(lookUp(s, "T", top), "S.T: circular lookup S -> TOP -> P -> Q -> S");
    EXPECT_EQ(lookUp(s, "R", r), "S.R: circular lookup S -> R -> S");
}

TEST_F(DatasetRecordsTest, AnIndexOfAKeyProcedureIsReopenedSoughtAndKeptUpToDate) {
    const std::string path = SixRecords();
    const std::string ndx = Path("desc.ndx");
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    // The key runs the numbers backwards: 7 - N as one digit.
    const auto key = [&ds] { return std::to_string(7 - ds.FieldByName("N").AsInteger()); };
    ds.Open();
    ds.IndexOnCB(ndx, key);
    ds.Close();

    ds.Open();
    ds.SetIndexToCB(ndx, 1, key);
    EXPECT_FALSE(ds.IsSequenced());
    ds.First();
    EXPECT_EQ(ds.RecNo(), 6);
    EXPECT_TRUE(ds.Find("3"));
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "d");
    // A new record gets its key from the procedure: N = 0 sorts last.
    ds.Append();
    ds.FieldByName("NAME").SetAsString("g");
    ds.FieldByName("N").SetAsInteger(0);
    ds.Post();
    ds.Last();
    EXPECT_EQ(ds.RecNo(), 7);
    EXPECT_TRUE(ds.Find("7"));
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "g");
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 1);
}

// The stored text is upper case; the program sees it in lower case.
void LowerOnRead(uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        data[i] = static_cast<uint8_t>(std::tolower(static_cast<unsigned char>(data[i])));
}
void UpperOnWrite(uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        data[i] = static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(data[i])));
}

TEST_F(DatasetRecordsTest, ARecordHookConvertsTheRecordsItsTableIsOpenedWith) {
    const std::string path = Path("hooked.dbf");
    WriteBytes(path, BuildDbf(0x03, {{"NAME", 'C', 8, 0}}, {" GEAR", " WORM"}));
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.SetRecordHook(LowerOnRead, UpperOnWrite);
    ds.Open();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "gear");
    ds.Next();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "worm");
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("wheel");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "wheel");
    ds.Close();
    EXPECT_EQ(OnDisk(path, 1, 2), "WHEEL   ");
    EXPECT_EQ(OnDisk(path, 1, 1), "GEAR    ");

    // Without the hook the stored form shows.
    ds.SetRecordHook(nullptr, nullptr);
    ds.Open();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "GEAR");
}

TEST_F(DatasetRecordsTest, TheFirstNotificationComesBeforeTheScrollAndCancelHandlers) {
    TTzDbf ds("T");
    ds.SetDbfFileName(SixRecords());
    ds.Open();
    std::vector<std::string> order;
    ds.Notifications[0] = [&](TTzCDataSet& d) { order.push_back("notify " + IntText(d.RecNo())); };
    ds.Notifications[1] = [&](TTzCDataSet&) { order.push_back("second"); };
    ds.AfterScroll = [&](TTzPrimDataset& d) { order.push_back("scroll " + IntText(d.RecNo())); };
    ds.AfterCancel = [&](TTzPrimDataset&) { order.push_back("cancel"); };
    ds.Next();
    ds.Edit();
    ds.Cancel();
    ds.Go(5);
    EXPECT_EQ(order, (std::vector<std::string>{"notify 2", "scroll 2", "notify 2", "cancel",
                                               "notify 5", "scroll 5"}));

    // Closing clears the notifications.
    ds.Close();
    ds.Open();
    order.clear();
    ds.Next();
    EXPECT_EQ(order, (std::vector<std::string>{"scroll 2"}));
}

TEST_F(DatasetRecordsTest, WithEngineSyncTheVerbsReadTheEnginesRecordWithoutMovingIt) {
    TTzDbf ds("T");
    ds.SetDbfFileName(SixRecords());
    ds.Open();
    ds.Next();
    ds.Next();  // on record 3
    ASSERT_TRUE(ds.SelectForOperation("test"));
    GO(6);
    EXPECT_EQ(ds.SField(1), "c         ") << "off: the engine is moved to the dataset first";
    ds.EngineSync = true;
    ds.Next();  // record 4, the engine kept in step by the scroll
    EXPECT_EQ(ds.SField(1), "d         ");
    ASSERT_TRUE(ds.SelectForOperation("test"));
    GO(6);
    EXPECT_EQ(ds.SField(1), "f         ") << "on: the engine's own record";
}

TEST_F(DatasetRecordsTest, AMissingTableWithoutFieldsIsReportedBeforeTheOpenFails) {
    const std::string path = Path("none.dbf");
    SetRaiseOnError(false);  // message mode: the engine shows its errors
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    EXPECT_THROW(ds.Open(), EDatabaseError);
    EXPECT_FALSE(ds.Active());
    const std::vector<std::string> texts = Texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], "FieldList.Count ist <= 0 beim Versuch, eine Datenbank zu erzeugen");
    EXPECT_EQ(texts[1], "Konnte \"" + path + "\" nicht erzeugen");
    EXPECT_EQ(ui.calls.back().title, "Programm angehalten.") << "then USE fails";
    EXPECT_FALSE(std::filesystem::exists(path));

    // With errors raised the notices stay unshown; the open fails all the same.
    SetRaiseOnError(true);
    ui.calls.clear();
    EXPECT_ANY_THROW(ds.Open());
    EXPECT_TRUE(Texts().empty());
}

// The table file cannot be opened for writing, as for a file without write
// permission (whatever the test's user may do); the access asked is kept.
std::string deniedPath;
std::vector<int> tableOpenModes;
int DenyWriting(const char* path, int flags, mode_t mode) {
    if (path == deniedPath) {
        tableOpenModes.push_back(flags & O_ACCMODE);
        if ((flags & O_ACCMODE) != O_RDONLY) {
            errno = EACCES;
            return -1;
        }
    }
    return SystemFileCalls().open(path, flags, mode);
}

TEST_F(DatasetRecordsTest, AReadOnlyDatasetOpensItsTableForReadingAndRefusesWrites) {
    const std::string path = SixRecords();
    {
        // A writable file: still never opened for writing.
        TTzDbf ds("T");
        ds.SetDbfFileName(path);
        ds.ReadOnly = true;
        deniedPath = "<none>";
        tableOpenModes.clear();
        FileCalls.open = [](const char* p, int flags, mode_t mode) {
            if (std::string(p).ends_with("six.dbf")) tableOpenModes.push_back(flags & O_ACCMODE);
            return SystemFileCalls().open(p, flags, mode);
        };
        ds.Open();
        ResetFileCalls();
        EXPECT_EQ(tableOpenModes, std::vector<int>{O_RDONLY});
        // A verb that writes straight through the engine fails on the file.
        EXPECT_ANY_THROW(ds.AppendRec());
        EXPECT_EQ(CountOnDisk(path), 6);
        ds.Close();
    }
    ErrorState.pendingErrorCode = 0;
    ui.calls.clear();

    deniedPath = path;
    tableOpenModes.clear();
    FileCalls.open = DenyWriting;
    TTzDbf ds("T");
    ds.SetDbfFileName(path);
    ds.ReadOnly = true;
    ds.Open();
    EXPECT_EQ(tableOpenModes, std::vector<int>{O_RDONLY});
    ds.Last();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "f");
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("z");
    EXPECT_THROW(ds.Post(), EDatabaseError);
    ResetFileCalls();
    EXPECT_EQ(OnDisk(path, 1, 6), "f         ");
    EXPECT_EQ(CountOnDisk(path), 6);
}

}  // namespace
}  // namespace veldrim::testing
