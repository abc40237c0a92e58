// Work areas: selection, USE clauses, buffers, aliases, field accessors.
#include "tables/engine/work_areas.h"

#include "tables/table_test_util.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/win1252_text.h"

namespace veldrim::testing {
namespace {

class WorkAreasTest : public TableTest {
protected:
    // An empty table of every plain field type, made afresh for each test.
    const std::string p = Path("Stock.dbf");
    void SetUp() override {
        TableTest::SetUp();
        CreateDbf(p, {F("Item", 'C', 8), F("Qty", 'N', 5), F("Price", 'N', 8, 2), F("Since", 'D'),
                      F("Active", 'L')});
    }
};

TEST_F(WorkAreasTest, SelectZeroFailsWhenAllCallerAreasAreTaken) {
    for (int i = 1; i <= 33; ++i) {
        Select(i);
        USE(p + " ALIAS A" + std::to_string(i));
    }
    EXPECT_EQ(WorkAreas[34], nullptr);
    Select(5);
    EXPECT_TRUE(Contains(Raised([] { Select(0); }), "Kein Arbeitsbereich frei [Select(0)]"));
    EXPECT_EQ(SelectedArea(), 5);
    Select(7);
    CloseArea();
    Select(0);
    EXPECT_EQ(SelectedArea(), 7);
    EXPECT_THROW(Select(34), EDurazError);
    EXPECT_EQ(LastError(), 220);
    CloseAll();
    EXPECT_EQ(SelectedArea(), 1);
    for (int i = 1; i <= 33; ++i) EXPECT_EQ(WorkAreas[i], nullptr);
}

TEST_F(WorkAreasTest, AliasInUseLeavesTheAreaEmpty) {
    UseIn(1, p);
    EXPECT_EQ(AliasName(), "STOCK");
    Select(2);
    EXPECT_THROW(USE(p), EDurazError);
    EXPECT_EQ(LastError(), 220);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    USE(p + " alias Second");
    EXPECT_EQ(AliasName(), "SECOND");
}

TEST_F(WorkAreasTest, BufferRules) {
    USE(p);
    const uint16_t size = BinaryRecordSize(*CurrentWorkArea());
    EXPECT_EQ(size, 1 + 9 + 4 + 8 + 11 + 1);

    std::vector<uint8_t> mine(size + 1);
    EXPECT_TRUE(Contains(
        Raised([&] { USE(p, mine.data(), size + 1); }),
        "Record Size=" + std::to_string(size) + ", Buffer Size=" + std::to_string(size + 1)));
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    EXPECT_THROW(USE(p, nullptr, 5), EDurazError);
    EXPECT_EQ(LastError(), 220);
    USE(p, mine.data(), size);
    SetBinaryText(1, "bolt");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&mine[1]), 5), "\4bolt")
        << "the caller's buffer is used";
}

TEST_F(WorkAreasTest, UseClauses) {
    struct Case {
        std::string clause;
        bool locking;
        bool exclusive;
        std::string alias;
    };
    const Case cases[] = {
        {p, true, false, "STOCK"},
        {p + " exclusive", true, true, "STOCK"},
        {p + " alias Y2 Exclusive", true, true, "Y2"},
        {p, false, true, "STOCK"},
    };
    for (const auto& c : cases) {
        LockingOn = c.locking;
        USE(c.clause);
        ASSERT_NE(CurrentWorkArea(), nullptr) << c.clause;
        EXPECT_EQ(CurrentWorkArea()->exclusive, c.exclusive) << c.clause;
        EXPECT_EQ(AliasName(), c.alias) << c.clause;
        if (c.exclusive) {
            EXPECT_TRUE(dEOF()) << "an empty table opens at EOF and BOF";
            EXPECT_TRUE(dBOF()) << "an empty table opens at EOF and BOF";
            EXPECT_EQ(RecNo(), 0);
        }
        CloseArea();
    }
    // Not a whole word: it stays part of the file name.
    EXPECT_THROW(USE(p + " EXCLUSIVEX"), EDurazError);
    EXPECT_EQ(LastError(), 2);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    USE(p);
    USE("   ");
    EXPECT_EQ(CurrentWorkArea(), nullptr) << "a blank clause only closes";
    EXPECT_EQ(LastError(), 0);
}

// Words of a folder's name are no keywords: a table in a folder named
// "my exclusive" or "my alias x" opens under its own name, shared unless
// the clause says EXCLUSIVE after the name, with its alias from the file
// name unless the clause gives one after it.
TEST_F(WorkAreasTest, KeywordsInAFoldersNameBelongToTheFileName) {
    struct Case {
        std::string folder;
        std::string tail;
        bool exclusive;
        std::string alias;
    };
    const Case cases[] = {
        {"my exclusive", "", false, "T"},
        {"my exclusive", " EXCLUSIVE", true, "T"},
        {"my alias x", "", false, "T"},
        {"my alias x", " alias Q exclusive", true, "Q"},
        {"exclusive alias", " alias Q", false, "Q"},
    };
    for (const auto& c : cases) {
        const std::string folder = dir + "/" + c.folder;
        std::filesystem::create_directories(folder);
        CreateDbf(folder + "/t.dbf", {F("ID", 'N', 4)});
        const std::string clause = folder + "/t" + c.tail;
        USE(clause);
        ASSERT_NE(CurrentWorkArea(), nullptr) << clause;
        EXPECT_EQ(CurrentWorkArea()->fileName, folder + "/t.dbf") << clause;
        EXPECT_EQ(CurrentWorkArea()->exclusive, c.exclusive) << clause;
        EXPECT_EQ(AliasName(), c.alias) << clause;
        CloseArea();
    }
}

// The words that name an in-memory file belong to the file name when they
// stand in a folder's name: the table on disk opens, shared, under its own
// name, and a clause that names a virtual file after the path still does.
TEST_F(WorkAreasTest, VirtualFileWordsInAFoldersNameBelongToTheFileName) {
    for (const std::string folder :
         {"Virtual Files", "linked list", "old VIRTUAL FILE copies", "a linked list to ems"}) {
        const std::string path = dir + "/" + folder;
        std::filesystem::create_directories(path);
        CreateDbf(path + "/t.dbf", {F("ID", 'N', 4)});
        USE(path + "/t");
        ASSERT_NE(CurrentWorkArea(), nullptr) << folder;
        EXPECT_FALSE(CurrentWorkArea()->isVirtual) << folder;
        EXPECT_EQ(CurrentWorkArea()->fileName, path + "/t.dbf") << folder;
        EXPECT_EQ(AliasName(), "T") << folder;
        EXPECT_FALSE(CurrentWorkArea()->exclusive) << folder;
        CloseArea();
    }
    std::vector<uint8_t> buffer(8);
    USE(dir + "/linked list/v LIFO virtual file", buffer.data(), 8);
    ASSERT_NE(CurrentWorkArea(), nullptr);
    EXPECT_TRUE(CurrentWorkArea()->isVirtual);
    EXPECT_EQ(CurrentWorkArea()->insertionOrder, 1);
    EXPECT_EQ(CurrentWorkArea()->fileName, UpperWin1252(dir + "/linked list/v"));
}

TEST_F(WorkAreasTest, FieldAccessors) {
    USE(p);
    EXPECT_EQ(FieldNo("price   "), 3);
    EXPECT_EQ(FieldNo("nothing"), 0);
    SetCentury = true;
    EXPECT_EQ(FieldLen(4), 10);
    EXPECT_EQ(FieldAddress(2), CurrentWorkArea()->binaryRecord + 1 + 9);
    EXPECT_TRUE(Contains(Raised([] { FieldAddress(6); }), "[FieldAddress(6)]"));
    EXPECT_EQ(LastError(), 220);
    SetBinaryNumber(3, 1234.5);
    SetBinaryLogical(5, true);
    DecimalSeparator = ',';
    EXPECT_EQ(FieldAsText(3), " 1234,50");
    EXPECT_EQ(FieldAsText(5), "Y");
    ClearRecord();
    EXPECT_EQ(BinaryText(1), "        ");
    EXPECT_FALSE(BinaryLogical(5));
}

TEST_F(WorkAreasTest, VerbsWithoutTableAnswerNeutrally) {
    SetReportErrors(false);
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
    EXPECT_EQ(RecCount(), 0);
    EXPECT_FALSE(FLock());
    EXPECT_TRUE(UnlockRec(1));
    EXPECT_EQ(TakeErrorMessage().find("Fehler Nr. 215"), 0u);
}

TEST_F(WorkAreasTest, VirtualFileNeedsItsUnit) {
    uint8_t buf[16];
    VirtualFileProc = nullptr;  // a program built without the virtual-file unit
    EXPECT_THROW(USE("* VIRTUAL FILE", buf, sizeof buf), EDurazError);
    EXPECT_EQ(LastError(), 1101);
    static int calls = 0;
    VirtualFileProc = [](TWorkArea& a) { calls += a.operationCode == 4; };
    USE("list linked list to xms lifo alias Q", buf, sizeof buf);
    ASSERT_NE(CurrentWorkArea(), nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(CurrentWorkArea()->memoryKind, 3);
    EXPECT_EQ(AliasName(), "Q");
    EXPECT_THROW(FLock(), EDurazError);
    EXPECT_EQ(LastError(), 1100);
}

}  // namespace
}  // namespace veldrim::testing
