// Virtual files: the five orders, the mode rules, pop, positioning, the
// field list, and key sets whose comparison is not a total order.
#include "tables/virtual/virtual_files.h"

#include <clocale>
#include <cstring>
#include <map>
#include <random>

#include "foundation/codepage.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"
#include "tables/engine/win1252_text.h"

namespace veldrim::testing {
namespace {

class VirtualFileTest : public TableTest {
protected:
    // KEY C(10), N N(5): 1 + 11 + 4 bytes.
    void Open(const std::string& order) {
        USE("list VIRTUAL FILE " + order, buf, sizeof buf);
        AddStru({F("key", 'c', 10), F("n", 'n', 5)});
    }
    static void Add(const std::string& key, int n = 0) {
        ClearRecord();
        SetBinaryText(1, key);
        SetBinaryInteger(2, n);
        Append();
    }
    static void KeyIsFirstField() {
        Set_VFileKey_To([] { return TrimRightStr(BinaryText(1)); });
    }
    // The keys (with the number when asked) from the first record on.
    static std::vector<std::string> Order(bool withNumber = false) {
        std::vector<std::string> out;
        for (GoTop(); !dEOF(); SKIP(1)) {
            std::string k = TrimRightStr(BinaryText(1));
            if (withNumber) k += std::to_string(BinaryInteger(2));
            out.push_back(k);
        }
        return out;
    }
    using Keys = std::vector<std::string>;

    uint8_t buf[16] = {};
};

TEST_F(VirtualFileTest, AppendsFollowTheOrder) {
    struct Case {
        const char* order;
        Keys added;
        Keys read;
    };
    const Case cases[] = {
        {"FIFO", {"A", "B", "C"}, {"A", "B", "C"}},
        {"LIFO", {"A", "B", "C"}, {"C", "B", "A"}},
        {"ASCENDING", {"2", "10", "1"}, {"1", "2", "10"}},
        {"ASCENDING", {"b", "a10", "a2"}, {"a10", "a2", "b"}},
        {"ASCENDING", {"a", "10"}, {"10", "a"}},
        {"ASCENDING", {"1.5", "-3", "1E1", "+2"}, {"-3", "1.5", "+2", "1E1"}},
        {"DESCENDING", {"2", "10", "1"}, {"10", "2", "1"}},
        {"DESCENDING", {"b", "a10", "a2"}, {"b", "a2", "a10"}},
    };
    for (const Case& c : cases) {
        Open(c.order);
        KeyIsFirstField();
        for (const auto& k : c.added) Add(k);
        EXPECT_EQ(Order(), c.read) << c.order << " " << c.added[0];
        CloseArea();
    }
}

TEST_F(VirtualFileTest, NumberKeysDoNotFollowTheLocale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale";
    Open("ASCENDING");
    KeyIsFirstField();
    for (const char* k : {"10", "1.5", "2"}) Add(k);
    const Keys read = Order();
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(read, (Keys{"1.5", "2", "10"}));
}

TEST_F(VirtualFileTest, EqualKeysKeepTheirArrival) {
    for (const char* order : {"ASCENDING", "DESCENDING"}) {
        Open(order);
        KeyIsFirstField();
        Add("k", 1);
        Add("a", 2);
        Add("k", 3);
        Add("z", 4);
        Add("k", 5);
        const Keys ascending{"a2", "k1", "k3", "k5", "z4"},
            descending{"z4", "k1", "k3", "k5", "a2"};
        EXPECT_EQ(Order(true), std::string(order) == "ASCENDING" ? ascending : descending) << order;
        CloseArea();
    }
}

TEST_F(VirtualFileTest, InsertionGoesBeforeTheCurrentRecord) {
    Open("FIFO");
    for (const char* k : {"A", "B", "C"}) Add(k);
    Set_VFileMode_To(INSERTION);
    GO(2);
    Add("X");
    EXPECT_EQ(RecNo(), 2) << "the new record is current";
    EXPECT_EQ(Order(), (Keys{"A", "X", "B", "C"}));
}

TEST_F(VirtualFileTest, SortedModeOnlyWhileAlmostEmpty) {
    Open("FIFO");
    KeyIsFirstField();
    Add("b");
    Set_VFileMode_To(ASCENDING);
    EXPECT_EQ(Get_VFileMode(), ASCENDING) << "one record";
    Add("a");
    Set_VFileMode_To(FIFO);
    Add("c");
    EXPECT_THROW(Set_VFileMode_To(DESCENDING), EDurazError);
    EXPECT_EQ(LastError(), 1100);
    EXPECT_EQ(Get_VFileMode(), FIFO);
    Set_VFileMode_To(LIFO);
    EXPECT_EQ(Get_VFileMode(), LIFO) << "the unsorted orders are always allowed";
}

TEST_F(VirtualFileTest, SortRebuildsTheOrderAndNeedsAKey) {
    Open("FIFO");
    for (const char* k : {"30", "4", "x", "100"}) Add(k);
    EXPECT_THROW(SortVFile(ASCENDING), EDurazError);
    EXPECT_EQ(LastError(), 1100) << "no key function";
    KeyIsFirstField();
    EXPECT_THROW(SortVFile(LIFO), EDurazError);
    EXPECT_EQ(LastError(), 220);
    SortVFile(ASCENDING);
    EXPECT_EQ(Get_VFileMode(), ASCENDING);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Order(), (Keys{"4", "30", "100", "x"}));
    Add("5");
    EXPECT_EQ(Order(), (Keys{"4", "5", "30", "100", "x"}));
}

TEST_F(VirtualFileTest, SortedReplaceMovesTheRecord) {
    Open("ASCENDING");
    KeyIsFirstField();
    for (const char* k : {"a", "b", "c"}) Add(k);
    GO(1);
    SetBinaryText(1, "d");
    Replace();
    EXPECT_EQ(VFileReplaceResult(), 2);
    EXPECT_EQ(Order(), (Keys{"b", "c", "d"}));
    GO(1);
    SetBinaryInteger(2, 7);
    Replace();
    EXPECT_EQ(VFileReplaceResult(), 1);
    EXPECT_EQ(Order(true), (Keys{"b7", "c0", "d0"}));
}

TEST_F(VirtualFileTest, SortedAppendWithoutKeyIsRefused) {
    Open("ASCENDING");
    EXPECT_THROW(Add("a"), EDurazError);
    EXPECT_EQ(LastError(), 1100);
    EXPECT_EQ(RecCount(), 0);
}

TEST_F(VirtualFileTest, PopTakesTheFirstRecordExceptInInsertionMode) {
    Open("FIFO");
    EXPECT_THROW(PopRec(), EDurazError);
    EXPECT_EQ(LastError(), 1100) << "empty file";
    Add("A");
    Add("B");
    Set_VFileMode_To(INSERTION);
    EXPECT_THROW(PopRec(), EDurazError);
    EXPECT_EQ(LastError(), 1100);
    EXPECT_EQ(RecCount(), 2) << "the file is unchanged";
    Set_VFileMode_To(FIFO);
    PopRec();
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "A");
    EXPECT_EQ(Order(), (Keys{"B"}));
}

// POP takes the first record away: the record that was current stays
// current under its new number, and the popped record is in the buffer.
TEST_F(VirtualFileTest, PopKeepsTheCurrentRecordCurrent) {
    Open("FIFO");
    for (const char* k : {"A", "B", "C", "D"}) Add(k);
    GO(3);
    PopRec();
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "A") << "the popped record";
    EXPECT_EQ(RecCount(), 3);
    EXPECT_EQ(RecNo(), 2) << "C moved from 3 to 2";
    GO(RecNo());
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "C");
    GO(3);  // D, the last one
    PopRec();
    EXPECT_EQ(RecNo(), 2) << "D moved from 3 to 2";
    GO(RecNo());
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "D");
    EXPECT_EQ(Order(), (Keys{"C", "D"}));
    PopRec();
    PopRec();
    EXPECT_EQ(RecCount(), 0);
    EXPECT_EQ(RecNo(), 0) << "nothing is current in an empty file";
    EXPECT_TRUE(dEOF());
}

// Records of variable length: the buffer starts with the record's length
// (16 bits, the deletion flag and the data), then the flag, then the data.
// A replace by a longer or a shorter record keeps its place among the others.
TEST_F(VirtualFileTest, VariableLengthRecordReplacedByAnotherLengthKeepsItsPlace) {
    uint8_t var[64] = {};
    USE("var LINKED LIST", var, 0);
    const auto put = [&var](const std::string& text) {
        const uint16_t n = static_cast<uint16_t>(1 + text.size());
        std::memcpy(var, &n, 2);
        var[2] = 0;
        std::memcpy(var + 3, text.data(), text.size());
    };
    const auto texts = [&var] {
        std::vector<std::string> out;
        for (GoTop(); !dEOF(); SKIP(1)) {
            uint16_t n = 0;
            std::memcpy(&n, var, 2);
            out.emplace_back(reinterpret_cast<const char*>(var + 3), n - 1u);
        }
        return out;
    };
    for (const char* t : {"one", "two", "three"}) {
        put(t);
        Append();
    }
    ASSERT_EQ(texts(), (Keys{"one", "two", "three"}));
    GO(2);
    put("second, and longer");
    Replace();
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(RecCount(), 3);
    EXPECT_EQ(texts(), (Keys{"one", "second, and longer", "three"}));
    GO(3);
    put("3");
    Replace();
    EXPECT_EQ(RecNo(), 3);
    EXPECT_EQ(texts(), (Keys{"one", "second, and longer", "3"}));
    GO(1);
    put("uno");  // the same length: replaced where it stands
    Replace();
    EXPECT_EQ(texts(), (Keys{"uno", "second, and longer", "3"}));
}

TEST_F(VirtualFileTest, PositioningOutsideTheFileIsRefused) {
    Open("FIFO");
    for (const char* k : {"A", "B", "C"}) Add(k);
    for (int32_t n : {0, 4}) {
        TWorkArea& a = *CurrentWorkArea();
        a.operationCode = 3;
        a.virtualRecNo = n;
        const std::string msg = Raised([&] { VirtualFileProc(a); });
        EXPECT_TRUE(
            Contains(msg, "positionieren " + std::to_string(n) + "  Anzahl Datens"_cp850.data()))
            << msg;
        EXPECT_EQ(LastError(), 212);
    }
    EXPECT_EQ(RecNo(), 3) << "the position is unchanged";
}

TEST_F(VirtualFileTest, DeletedRecordsGoWithPack) {
    Open("FIFO");
    for (const char* k : {"A", "B", "C"}) Add(k);
    GO(2);
    DeleteRec();
    EXPECT_TRUE(Deleted());
    EXPECT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 2);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Order(), (Keys{"A", "C"}));
    GO(2);
    SnipRec();
    EXPECT_EQ(Order(), (Keys{"A"}));
}

// LOCATE in a number field of a virtual file, which shows its numbers with
// the program's decimal separator: a value sought finds the record of its
// number, as text or as a double, with either separator.
TEST_F(VirtualFileTest, LocateFindsNumbersShownWithTheDecimalSeparator) {
    uint8_t record[1 + 11 + 8] = {};
    USE("prices VIRTUAL FILE", record, sizeof record);
    AddStru({F("key", 'c', 10), F("p", 'n', 8, 2)});
    for (const double p : {12.5, 1.25, 0.0, -7.75}) {
        ClearRecord();
        SetBinaryNumber(2, p);
        Append();
    }
    const struct {
        char separator;
        LocateVariant value;
        int32_t record;  // 0: none
    } cases[] = {
        {',', std::string("1.25"), 2},
        {',', std::string("1,25"), 2},
        {',', 12.5, 1},
        {',', std::string("0"), 3},
        {',', -7.75, 4},
        {',', 7.75, 0},
        {'.', std::string("1.25"), 2},
        {'.', 12.5, 1},
    };
    for (const auto& c : cases) {
        DecimalSeparator = c.separator;
        const std::string what =
            std::string(1, c.separator) + " " +
            (std::holds_alternative<double>(c.value) ? std::to_string(std::get<double>(c.value))
                                                     : std::get<std::string>(c.value));
        EXPECT_EQ(LocateValue("P", c.value, false, 1, true), c.record != 0) << what;
        if (c.record != 0) {
            EXPECT_EQ(RecNo(), c.record) << what;
        }
    }
}

TEST_F(VirtualFileTest, FieldListRules) {
    uint8_t big[32] = {};
    USE("f VIRTUAL FILE", big, sizeof big);
    AddStru({F("note", 'm'), F("d", 'D', 3)});
    ASSERT_EQ(FieldCount(), 2);
    EXPECT_EQ(FieldType(1), 'N');
    EXPECT_EQ(FieldLen(1), 10);
    EXPECT_EQ(FieldDec(1), 0);
    EXPECT_EQ(Field(1), "NOTE");
    struct Bad {
        TFieldEntry f;
        std::string text;
    };
    for (const Bad& b :
         {Bad{F("x", 'X', 5), std::string("Ungültiger Typ \"X\""_cp850)},
          Bad{F("c", 'C', 0), std::string("Ungültige Länge, Feldname: \"C\""_cp850)}}) {
        const std::string msg = Raised([&] { AddStru({b.f}); });
        EXPECT_TRUE(Contains(msg, b.text)) << msg;
        EXPECT_EQ(LastError(), 211);
        EXPECT_EQ(FieldCount(), 2) << "nothing installed";
    }
    EXPECT_THROW(AddStru({F("wide", 'C', 40)}), EDurazError)
        << "fields larger than the record buffer";
    EXPECT_EQ(LastError(), 266);
}

TEST_F(VirtualFileTest, KeysWithoutATotalOrderStillInsertEveryRecord) {
    // Numbers compare as numbers, texts as texts: 10 < "2a" < 3 < 10.
    std::mt19937 rng(7);
    const Keys cycle{"10", "2a", "3"};
    std::map<std::string, int> added;
    for (const char* order : {"ASCENDING", "DESCENDING"}) {
        Open(order);
        KeyIsFirstField();
        added.clear();
        for (int i = 0; i < 300; ++i) {
            const std::string k = cycle[rng() % 3];
            ++added[k];
            Add(k, i);
        }
        SortVFile(std::string(order) == "ASCENDING" ? DESCENDING : ASCENDING);
        std::map<std::string, int> read;
        for (const auto& k : Order()) ++read[k];
        EXPECT_EQ(read, added) << order;
        CloseArea();
    }
}

}  // namespace
}  // namespace veldrim::testing
