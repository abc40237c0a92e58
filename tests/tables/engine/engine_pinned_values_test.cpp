// Values of the table engine that the other tests run through without
// checking: the header date an update writes, field names of the full ten
// characters, the byte range of a record lock as a second open file sees it,
// which lock UnlockRec(-1) and (-2) release, and character comparisons with
// <= and >=.

#include <fcntl.h>
#include <unistd.h>

#include "tables/table_test_util.h"
#include "tables/expr/expr_compiler.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"

namespace veldrim::testing {
namespace {

class EnginePinnedValues : public TableTest {};

// A table updated today carries today's date in its header, as Debian's
// python3-dbfread reads it (the table was written dated 2026-12-06 before).
TEST_F(EnginePinnedValues, AnUpdatedTableIsDatedToday) {
    if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/python3";
    const std::string p = Path("dated.dbf");
    WriteBytes(p, BuildDbf(0x03, {{"V", 'N', 3, 0}}, {"   1"}));
    USE(p + " EXCLUSIVE");
    ClearRecord();
    SetBinaryInteger(1, 7);
    Append();
    CloseArea();
    const std::string script =
        "import sys, datetime, dbfread\n"
        "t = dbfread.DBF(sys.argv[1])\n"
        "print(t.date.isoformat(), datetime.date.today().isoformat(), len(t))\n";
    int rc = 0;
    const std::string out = RunCapture({"/usr/bin/python3", "-c", script, p}, &rc);
    ASSERT_EQ(rc, 0) << out;
    const std::string today = out.substr(11, 10);
    EXPECT_EQ(out, today + " " + today + " 2\n");
}

// A field name may use all ten characters of its descriptor; the eleventh
// byte stays the terminating 0.
TEST_F(EnginePinnedValues, FieldNamesOfTenCharacters) {
    const std::string p = Make("names.dbf", {F("ABCDEFGHIJ", 'C', 4), F("K", 'N', 3)});
    const std::vector<uint8_t> b = ReadBytes(p);
    EXPECT_EQ(std::string(b.begin() + 32, b.begin() + 43), std::string("ABCDEFGHIJ") + '\0');
    EXPECT_EQ(std::string(b.begin() + 64, b.begin() + 66), std::string("K") + '\0');
    USE(p);
    EXPECT_EQ(Field(1), "ABCDEFGHIJ");
    EXPECT_EQ(FieldNo("ABCDEFGHIJ"), 1);
    EXPECT_EQ(Field(2), "K");
}

// Record locks seen from a second open file of the table: record n of a table
// with a 65-byte header (one 32-byte descriptor, 32-byte header, end mark)
// and 4-byte records is locked at 0x40000000 + 65 + (n - 1) * 4, 4 bytes long.
class RecordLockRanges : public TableTest {
protected:
    const std::string p = Path("shared.dbf");
    int other = -1;
    void SetUp() override {
        TableTest::SetUp();
        WriteBytes(p, BuildDbf(0x03, {{"V", 'N', 3, 0}}, {"   1", "   2", "   3", "   4"}));
        other = ::open(p.c_str(), O_RDWR);
        ASSERT_GE(other, 0);
    }
    void TearDown() override {
        if (other >= 0) ::close(other);
        TableTest::TearDown();
    }
    // The lock that a write lock of [start, start + length) from the second
    // file would meet: its type, start and length.
    struct Seen {
        short type;
        off_t start, length;
        bool operator==(const Seen&) const = default;
    };
    Seen Probe(off_t start, off_t length) const {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = start;
        fl.l_len = length;
        EXPECT_EQ(::fcntl(other, F_OFD_GETLK, &fl), 0);
        return fl.l_type == F_UNLCK ? Seen{F_UNLCK, 0, 0} : Seen{fl.l_type, fl.l_start, fl.l_len};
    }
    static constexpr off_t Record(int n) { return 0x40000000 + 65 + (n - 1) * 4; }
    static bool LockAt(int32_t record) {
        GO(record);
        return RLock();
    }
};

TEST_F(RecordLockRanges, ARecordLockCoversExactlyItsRecord) {
    USE(p);
    ASSERT_TRUE(LockAt(2));
    EXPECT_EQ(Probe(Record(2), 4), (Seen{F_WRLCK, 1073741893, 4}));
    EXPECT_EQ(Probe(Record(2) - 1, 1), (Seen{F_UNLCK, 0, 0})) << "the last byte of record 1";
    EXPECT_EQ(Probe(Record(3), 1), (Seen{F_UNLCK, 0, 0})) << "the first byte of record 3";
    EXPECT_EQ(Probe(0, 0x40000000), (Seen{F_UNLCK, 0, 0})) << "the data stay free";
}

// -2 releases the newest lock, -1 the oldest, in the file as in the list.
TEST_F(RecordLockRanges, UnlockRecMinusTwoAndMinusOneReleaseNewestAndOldest) {
    USE(p);
    for (int n : {1, 2, 3}) ASSERT_TRUE(LockAt(n)) << n;
    ASSERT_TRUE(UnlockRec(-2));
    EXPECT_EQ(Probe(Record(3), 4).type, F_UNLCK) << "record 3, the newest";
    EXPECT_EQ(Probe(Record(1), 4).type, F_WRLCK);
    EXPECT_EQ(Probe(Record(2), 4).type, F_WRLCK);
    ASSERT_TRUE(UnlockRec(-1));
    EXPECT_EQ(Probe(Record(1), 4).type, F_UNLCK) << "record 1, the oldest";
    EXPECT_EQ(Probe(Record(2), 4), (Seen{F_WRLCK, Record(2), 4}));
    EXPECT_TRUE(IsLocked(2));
    EXPECT_FALSE(IsLocked(1));
    EXPECT_FALSE(IsLocked(3));
}

// Character operands compare byte by byte over their whole length: a prefix
// is smaller, trailing blanks count, no case folding ("A" 0x41 < "a" 0x61),
// bytes unsigned (0xE4 > "z").
TEST_F(EnginePinnedValues, CharacterComparisonsWithLessOrEqualAndGreaterOrEqual) {
    const std::pair<const char*, bool> cases[] = {
        {"'ab' <= 'ab'", true},   {"'ab' <= 'abc'", true},  {"'abc' <= 'ab'", false},
        {"'ab ' <= 'ab'", false}, {"'A' <= 'a'", true},     {"'\xe4' <= 'z'", false},
        {"'ab' >= 'ab'", true},   {"'ab' >= 'abc'", false}, {"'b' >= 'abc'", true},
        {"'a' >= 'A'", true},     {"'' <= ''", true},       {"'' >= 'a'", false},
    };
    for (const auto& [text, want] : cases) {
        CompiledExpr* e = AssignExpr(text);
        ASSERT_NE(e, nullptr) << text;
        EXPECT_EQ(e->resultType, 'L') << text;
        Evaluate(e);
        EXPECT_EQ(ExprResultLogical(e), want) << text;
        FreeExpr(e);
    }
}

}  // namespace
}  // namespace veldrim::testing
