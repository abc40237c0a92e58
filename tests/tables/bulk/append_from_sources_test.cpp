// APPEND FROM and APPEND DELIMITED with the sources a user meets: a damaged
// source table, fractions for whole-number fields, a source in index order
// that grows during the append, and the source refused as the receiving
// table while other work areas are open.
#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/program_state.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/datasets/table_access.h"
#include "tables/datasets/table_editor.h"
#include "tables/datasets/tz_dbf.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/ndx_index.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

class AppendFromSourcesTest : public TableTest {
protected:
    // NAME C 10, QTY N 5: the layout of every source and receiver below.
    static constexpr int kRecordLength = 1 + 10 + 5;
    static constexpr int kHeaderLength = 32 + 2 * 32 + 1;
    static std::vector<RawField> Layout() { return {{"NAME", 'C', 10, 0}, {"QTY", 'N', 5, 0}}; }
    static std::string Record(const std::string& name, int qty) {
        std::string q = std::to_string(qty);
        return " " + name + std::string(10 - name.size(), ' ') + std::string(5 - q.size(), ' ') + q;
    }
    std::string Receiver() { return Make("dst.dbf", {F("NAME", 'C', 10), F("QTY", 'N', 5)}); }
    // A source whose header states more records than its file holds: cut off
    // in the middle of its third record (2.5 records for 4 stated), or
    // stating 2^31 - 1 for the 4 it holds.
    struct DamagedCase {
        const char* what;
        uint32_t stated;
        std::size_t bytes;  // of records kept in the file
        std::vector<std::string> whole;
    };
    static std::vector<DamagedCase> DamagedCases() {
        return {
            {"cut off", 4, 2 * kRecordLength + kRecordLength / 2, {"anna", "bert"}},
            {"2^31 - 1 stated", 0x7FFFFFFF, 4 * kRecordLength, {"anna", "bert", "carl", "dora"}},
        };
    }
    std::string DamagedSource(const DamagedCase& c) {
        std::vector<uint8_t> b =
            BuildDbf(0x03, Layout(),
                     {Record("anna", 1), Record("bert", 2), Record("carl", 3), Record("dora", 4)});
        Put32(b, 4, c.stated);
        b.resize(kHeaderLength + c.bytes);
        WriteBytes(Path("damaged.dbf"), b);
        return Path("damaged.dbf");
    }
    // The NAME fields of the current area's records in record order.
    static std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (int32_t r = 1; r <= RecCount(); ++r) {
            std::string n = Peek(1, r);
            n.erase(n.find_last_not_of(' ') + 1);
            out.push_back(n);
        }
        return out;
    }
};

// A damaged source: its whole records are appended and the user is told,
// with the source's name and the count of its whole records; the receiving
// table is sound (its count, its size and its records).
TEST_F(AppendFromSourcesTest, ADamagedSourceIsReportedAndOnlyItsWholeRecordsAreAppended) {
    for (const DamagedCase& c : DamagedCases()) {
        SCOPED_TRACE(c.what);
        DamagedSource(c);
        const std::string dst = Receiver();
        UseIn(1, dst + " EXCLUSIVE");
        const std::string raised = Raised([&] { AppendFrom(Path("damaged.dbf")); });
        EXPECT_EQ(LastError(), 210);
        EXPECT_TRUE(Contains(raised, "damaged.dbf")) << raised;
        EXPECT_TRUE(Contains(raised, "enth\x84lt " + std::to_string(c.whole.size()) + " ganze"))
            << raised;
        EXPECT_EQ(CurrentArea, 1);
        EXPECT_EQ(WorkAreas[kScratchArea], nullptr) << "no source left open";
        EXPECT_EQ(RecCount(), static_cast<int32_t>(c.whole.size()));
        CloseAll();
        EXPECT_EQ(std::filesystem::file_size(dst),
                  kHeaderLength + c.whole.size() * kRecordLength + 1)
            << "whole records and the end mark";
        UseIn(1, dst);
        EXPECT_EQ(Names(), c.whole);
        EXPECT_EQ(Peek(2, RecCount()), "    " + std::to_string(c.whole.size()));
        CloseAll();
        std::filesystem::remove(dst);
    }
}

// The dataset's APPEND FROM of a damaged source shows every record the table
// then holds, whether the engine raises its report or leaves it for the
// caller to collect: it stays on the record it was on, or, coming from an
// empty table, stands on the last record; the report still reaches the
// caller with its code.
TEST_F(AppendFromSourcesTest, TheDatasetShowsTheWholeRecordsOfADamagedSourceAfterItsReport) {
    const std::vector<std::string> held = {"ida", "jan", "kai"};
    for (const DamagedCase& c : DamagedCases()) {
        for (const bool collected : {false, true}) {
            for (const std::size_t before : {std::size_t{0}, held.size()}) {
                SCOPED_TRACE(std::string(c.what) + (collected ? ", collected" : ", raised") + ", " +
                             std::to_string(before) + " records before");
                const std::string source = DamagedSource(c);
                std::vector<std::string> names(held.begin(), held.begin() + before);
                std::vector<uint8_t> b;
                {
                    std::vector<std::string> records;
                    for (const std::string& n : names) records.push_back(Record(n, 9));
                    b = BuildDbf(0x03, Layout(), records);
                }
                WriteBytes(Path("dst.dbf"), b);
                names.insert(names.end(), c.whole.begin(), c.whole.end());

                TTzDbf ds("T");
                ds.SetDbfFileName(Path("dst.dbf"));
                ds.Open();
                if (before > 0) ds.SetRecNo(2);
                ASSERT_TRUE(ds.FLock());
                std::string raised;
                try {
                    if (collected) {
                        QuietEngineErrors quiet;
                        ds.AppendFrom(source);
                    } else {
                        raised = Raised([&] { ds.AppendFrom(source); });
                    }
                } catch (const EDatabaseError& e) {
                    ADD_FAILURE() << "the dataset failed after the append: " << e.what();
                }
                EXPECT_EQ(LastError(), 210);
                if (collected) {
                    EXPECT_TRUE(Contains(TakeErrorMessage(), "ganze")) << "pending for the caller";
                } else {
                    EXPECT_TRUE(Contains(raised, "ganze")) << raised;
                }
                ds.UnLock();
                EXPECT_EQ(ds.RecordCount(), static_cast<int32_t>(names.size()));
                const int32_t current = before > 0 ? 2 : static_cast<int32_t>(names.size());
                EXPECT_EQ(ds.RecNo(), current);
                EXPECT_EQ(ds.FieldByName("NAME").AsString(), names[current - 1]);
                std::vector<std::string> shown;
                for (ds.First(); !ds.Eof(); ds.Next())
                    shown.push_back(ds.FieldByName("NAME").AsString());
                EXPECT_EQ(shown, names);
                ds.Close();
            }
        }
    }
}

// "2.7" for a whole-number field N(5,0): APPEND DELIMITED (the engine's and
// the table editor's) rounds it to the nearest, halves to the even
// neighbour; APPEND FROM a character field cuts the fraction off, as a
// number read from a text for a whole number is. A field with places,
// PRICE N(6,2), takes the text rounded to its places on both roads: the cut
// is the whole-number field's alone.
TEST_F(AppendFromSourcesTest, FractionsForWholeNumberFieldsRoundFromTextAndAreCutFromAField) {
    const std::vector<std::string> texts = {"2.7", "-2.7", "2.5", "3.5", "0.4"};
    const std::vector<std::string> rounded = {"    3", "   -3", "    2", "    4", "    0"};
    const std::vector<std::string> cut = {"    2", "   -2", "    2", "    3", "    0"};
    const std::vector<std::string> prices = {"1.256", "-1.256", "1.255", "1.245", "0.004"};
    const std::vector<std::string> priced = {"  1.26", " -1.26", "  1.26", "  1.24", "  0.00"};
    std::string lines;
    for (std::size_t i = 0; i < texts.size(); ++i)
        lines += "\"x\"," + texts[i] + "," + prices[i] + "\r\n";
    Spit(Path("in.txt"), lines);
    const auto receiver = [this] {
        return Make("dst.dbf", {F("NAME", 'C', 10), F("QTY", 'N', 5), F("PRICE", 'N', 6, 2)});
    };

    const std::string dst = receiver();
    UseIn(1, dst + " EXCLUSIVE");
    ASSERT_EQ(AppendDelimited(Path("in.txt"), false), static_cast<int>(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(Peek(2, static_cast<int32_t>(i + 1)), rounded[i])
            << "APPEND DELIMITED " << texts[i];
        EXPECT_EQ(Peek(3, static_cast<int32_t>(i + 1)), priced[i])
            << "APPEND DELIMITED " << prices[i];
    }
    CloseAll();

    // The source's QTY and PRICE are character fields holding the same texts.
    const std::string src =
        Make("text.dbf", {F("NAME", 'C', 10), F("QTY", 'C', 8), F("PRICE", 'C', 8)});
    UseIn(2, src + " EXCLUSIVE");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ClearRecord();
        SetBinaryText(1, "y");
        SetBinaryText(2, texts[i]);
        SetBinaryText(3, prices[i]);
        Append();
    }
    CloseAll();
    std::filesystem::remove(dst);
    receiver();
    UseIn(1, dst + " EXCLUSIVE");
    AppendFrom(src);
    EXPECT_EQ(LastError(), 0);
    ASSERT_EQ(RecCount(), static_cast<int32_t>(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(Peek(2, static_cast<int32_t>(i + 1)), cut[i]) << "APPEND FROM " << texts[i];
        EXPECT_EQ(Peek(3, static_cast<int32_t>(i + 1)), priced[i]) << "APPEND FROM " << prices[i];
    }
    CloseAll();

    // The table editor's "Append Delimited" and "Append dbf" take the same roads.
    userDirectory = dir + "/";
    std::filesystem::remove(dst);
    receiver();
    Tdbf4 form;
    TableEditorCommands commands{form};
    form.tzdbf.SetDbfFileName(dst);
    form.tzdbf.Open();
    form.labelFilename = dst;
    ASSERT_TRUE(commands.AppendDelimitedFrom(Path("in.txt")));
    ASSERT_TRUE(commands.AppendDbfFrom(src));
    ASSERT_EQ(form.tzdbf.RecCount(), static_cast<int32_t>(2 * texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        form.tzdbf.SetRecNo(static_cast<int32_t>(i + 1));
        EXPECT_EQ(form.tzdbf.FieldByName("QTY").AsString(), AllTrim(rounded[i]))
            << "Append Delimited " << texts[i];
        EXPECT_EQ(form.tzdbf.FieldByName("PRICE").AsString(), AllTrim(priced[i]))
            << "Append Delimited " << prices[i];
        form.tzdbf.SetRecNo(static_cast<int32_t>(texts.size() + i + 1));
        EXPECT_EQ(form.tzdbf.FieldByName("QTY").AsString(), AllTrim(cut[i]))
            << "Append dbf " << texts[i];
        EXPECT_EQ(form.tzdbf.FieldByName("PRICE").AsString(), AllTrim(priced[i]))
            << "Append dbf " << prices[i];
    }
    form.tzdbf.Close();
}

// The source in the order of its index on NAME (anna, carl, emil), open in a
// work area of its own. While the first record is appended, records "bert"
// and "dirk" are added to the source, both sorting before emil: every record
// the source held at the start is appended, emil too, and none of the newer
// ones.
TEST_F(AppendFromSourcesTest, ASourceInIndexOrderThatGrowsGivesEveryRecordItHeldAtTheStart) {
    const std::string src = Make("src.dbf", {F("NAME", 'C', 10), F("QTY", 'N', 5)});
    const std::string dst = Receiver();
    UseIn(2, src + " EXCLUSIVE");
    for (const char* n : {"emil", "anna", "carl"}) {
        ClearRecord();
        SetBinaryText(1, n);
        Append();
    }
    Index_On("NAME", Path("src"));
    GoTop();
    UseIn(1, dst + " EXCLUSIVE");
    int calls = 0;
    AppendFrom(src, [&] {
        if (++calls > 20) return false;  // ends a runaway append all the same
        if (calls == 1) {
            // The condition runs in the source's area, on the record about
            // to be appended: the writer comes back to it afterwards.
            EXPECT_EQ(CurrentArea, 2);
            const int32_t here = RecNo();
            for (const char* n : {"bert", "dirk"}) {
                ClearRecord();
                SetBinaryText(1, n);
                Append();
            }
            GO(here);
        }
        return true;
    });
    EXPECT_EQ(LastError(), 0);
    Select(1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"anna", "carl", "emil"}));
    Select(2);
    EXPECT_EQ(RecCount(), 5) << "two added to the source during the append";
}

// Refused because the source is the receiving table (214), the append leaves
// the receiving work area current, with tables open in areas above it.
TEST_F(AppendFromSourcesTest, ARefusedAppendLeavesTheReceivingAreaCurrent) {
    const std::string dst = Receiver();
    const std::string other = Make("other.dbf", {F("NAME", 'C', 10)});
    UseIn(3, other);
    UseIn(5, other + " ALIAS OTHER2");
    UseIn(2, dst);
    // Reached through a folder link, the name matches no open area: every
    // area is looked at before the table is found to be the receiving one.
    std::filesystem::create_directory_symlink(dir, Path("same"));
    for (const std::string& source : {dst, Path("dst"), Path("same/dst.dbf")}) {
        const std::string raised = Raised([&] { AppendFrom(source); });
        EXPECT_EQ(LastError(), 214) << source;
        EXPECT_TRUE(Contains(raised, "an sich selbst")) << raised;
        EXPECT_EQ(CurrentArea, 2) << source;
        EXPECT_EQ(WorkAreas[kScratchArea], nullptr) << "no source left open";
    }
    // The second area on the same table is refused as well.
    UseIn(4, dst + " ALIAS SECOND");
    Select(4);
    Raised([&] { AppendFrom(dst); });
    EXPECT_EQ(LastError(), 214);
    EXPECT_EQ(CurrentArea, 4);
    EXPECT_EQ(RecCount(), 0);
}

}  // namespace
}  // namespace veldrim::testing
