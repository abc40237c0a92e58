// Index files of dBase III-era programs: no key type letter in the anchor,
// character keys as the plain field value. The files are built here byte by
// byte after the published dBase III index layout, not by the engine's
// writer, and Perl's XBase reads them as a second opinion.
#include <gmock/gmock.h>
#include <unistd.h>

#include <sstream>

#include "tables/engine/engine_dates.h"
#include "tables/index/index_fixture.h"
#include "tables/engine/proc_tables.h"

namespace veldrim::testing {
namespace {

// One key of a hand-built index: the key bytes and the record it points to.
struct KeyEntry {
    std::string key;
    uint32_t record;
};

// A dBase III index file. Block 0, the anchor: u32 root block, u32 next free
// block, four zero bytes (byte 9 among them: there is no type letter), u16
// key length, u16 keys per block, u16 key class (0 character, 1 number or
// date), u16 entry size (key length + 8, rounded up to 4), three zero bytes,
// u8 unique, the key expression from byte 24. Every other block: u16 key
// count, two zero bytes, the entries (u32 left child, u32 record, the key,
// padding). An inner block has the child of its rightmost subtree in the
// child field behind its last entry, and each of its keys is the greatest
// key under the child left of it.
//
// `keys` stand in index order; leaves take `perLeaf` keys, inner blocks
// `perInner` children, so a few keys already give a tree of several levels.
std::vector<uint8_t> Dbase3Index(const std::string& expression, int keyClass, int keyLength,
                                 const std::vector<KeyEntry>& keys, std::size_t perLeaf,
                                 std::size_t perInner) {
    const int entrySize = (keyLength + 8 + 3) / 4 * 4;
    std::vector<std::vector<uint8_t>> blocks(1, std::vector<uint8_t>(512, 0));
    struct Node {
        uint32_t block;
        std::string greatest;
    };
    auto putEntry = [&](std::vector<uint8_t>& b, std::size_t i, uint32_t child, uint32_t record,
                        const std::string& key) {
        const std::size_t at = 4 + i * entrySize;
        Put32(b, at, child);
        Put32(b, at + 4, record);
        std::copy(key.begin(), key.end(), b.begin() + static_cast<long>(at + 8));
    };
    std::vector<Node> level;
    for (std::size_t first = 0; first < keys.size(); first += perLeaf) {
        std::vector<uint8_t> b(512, 0);
        const std::size_t n = std::min(perLeaf, keys.size() - first);
        Put16(b, 0, static_cast<unsigned>(n));
        for (std::size_t i = 0; i < n; ++i)
            putEntry(b, i, 0, keys[first + i].record, keys[first + i].key);
        blocks.push_back(b);
        level.push_back({static_cast<uint32_t>(blocks.size() - 1), keys[first + n - 1].key});
    }
    while (level.size() > 1) {
        std::vector<Node> up;
        for (std::size_t first = 0; first < level.size(); first += perInner) {
            std::vector<uint8_t> b(512, 0);
            const std::size_t n = std::min(perInner, level.size() - first);
            Put16(b, 0, static_cast<unsigned>(n - 1));
            for (std::size_t i = 0; i + 1 < n; ++i)
                putEntry(b, i, level[first + i].block, 0, level[first + i].greatest);
            Put32(b, 4 + (n - 1) * entrySize, level[first + n - 1].block);
            blocks.push_back(b);
            up.push_back({static_cast<uint32_t>(blocks.size() - 1), level[first + n - 1].greatest});
        }
        level = up;
    }
    std::vector<uint8_t>& anchor = blocks[0];
    Put32(anchor, 0, level[0].block);
    Put32(anchor, 4, static_cast<uint32_t>(blocks.size()));
    Put16(anchor, 12, static_cast<unsigned>(keyLength));
    Put16(anchor, 14, static_cast<unsigned>(508 / entrySize));
    Put16(anchor, 16, static_cast<unsigned>(keyClass));
    Put16(anchor, 18, static_cast<unsigned>(entrySize));
    std::copy(expression.begin(), expression.end(), anchor.begin() + 24);
    std::vector<uint8_t> file;
    for (const auto& b : blocks) file.insert(file.end(), b.begin(), b.end());
    return file;
}

std::string Double(double v) { return DoubleKey(v); }

// Twelve parts: NAME C(10), QTY N(6,1), DAY D. The keys below stand in
// index order (bytewise for the names: capitals before small letters).
const struct {
    const char* name;
    const char* qty;
    const char* day;
} kParts[] = {
    {"Bolt", "40.0", "19991231"}, {"axle", "10.0", "20000101"},    {"Cam", "30.0", "19700101"},
    {"Belt", "20.0", "20240229"}, {"Anvil", "50.0", "18991231"},   {"gear", "-5.0", "20000301"},
    {"Nut", "7.5", "20000229"},   {"Shaft", "1000.0", "19991230"}, {"Worm", "0.0", "21000101"},
    {"Key", "12.5", "19000301"},  {"Pin", "99.0", "19691231"},     {"Ring", "3.0", "20000102"},
};

std::string Name(const char* n) {
    std::string k = n;
    k.resize(10, ' ');
    return k;
}

// Julian day numbers of the dates (day 2451545 is 1 January 2000).
const std::vector<KeyEntry> kDayKeys = {
    {Double(2415020), 5},   // 1899-12-31
    {Double(2415080), 10},  // 1900-03-01
    {Double(2440587), 11},  // 1969-12-31
    {Double(2440588), 3},   // 1970-01-01
    {Double(2451543), 8},   // 1999-12-30
    {Double(2451544), 1},   // 1999-12-31
    {Double(2451545), 2},   // 2000-01-01
    {Double(2451546), 12},  // 2000-01-02
    {Double(2451604), 7},   // 2000-02-29
    {Double(2451605), 6},   // 2000-03-01
    {Double(2460370), 4},   // 2024-02-29
    {Double(2488070), 9},   // 2100-01-01
};

class NdxDbase3 : public IndexTest {
protected:
    void SetUp() override {
        IndexTest::SetUp();
        std::vector<std::string> records;
        for (const auto& p : kParts) {
            const std::string qty = p.qty;
            records.push_back(" " + Name(p.name) + std::string(6 - qty.size(), ' ') + qty + p.day);
        }
        WriteBytes(Path("parts.dbf"),
                   BuildDbf(0x03, {{"NAME", 'C', 10, 0}, {"QTY", 'N', 6, 1}, {"DAY", 'D', 8, 0}},
                            records));
        WriteBytes(Path("name.ndx"), NameIndex());
        WriteBytes(Path("qty.ndx"), Dbase3Index("qty", 1, 8, QtyKeys(), 3, 2));
        WriteBytes(Path("day.ndx"), Dbase3Index("day", 1, 8, kDayKeys, 3, 2));
        UseIn(1, Path("parts.dbf") + " EXCLUSIVE");
    }

    static std::vector<uint8_t> NameIndex() { return Dbase3Index("name", 0, 10, NameKeys(), 3, 2); }

    static std::vector<KeyEntry> NameKeys() {
        return {{Name("Anvil"), 5}, {Name("Belt"), 4}, {Name("Bolt"), 1}, {Name("Cam"), 3},
                {Name("Key"), 10},  {Name("Nut"), 7},  {Name("Pin"), 11}, {Name("Ring"), 12},
                {Name("Shaft"), 8}, {Name("Worm"), 9}, {Name("axle"), 2}, {Name("gear"), 6}};
    }

    static std::vector<KeyEntry> QtyKeys() {
        return {{Double(-5), 6}, {Double(0), 9},     {Double(3), 12},  {Double(7.5), 7},
                {Double(10), 2}, {Double(12.5), 10}, {Double(20), 4},  {Double(30), 3},
                {Double(40), 1}, {Double(50), 5},    {Double(99), 11}, {Double(1000), 8}};
    }

    static std::vector<int32_t> Records(const std::vector<KeyEntry>& keys) {
        std::vector<int32_t> out;
        for (const KeyEntry& k : keys) out.push_back(static_cast<int32_t>(k.record));
        return out;
    }

    // Record numbers in the order SKIP -1 walks them from the bottom.
    static std::vector<int32_t> WalkBackwards() {
        std::vector<int32_t> out;
        for (GoBottom(); !dBOF(); SKIP(-1)) out.insert(out.begin(), RecNo());
        return out;
    }
};

TEST_F(NdxDbase3, AnchorsWithoutTypeLetterOpenAndWalkTheirTreesBothWays) {
    for (const char* file : {"name.ndx", "qty.ndx", "day.ndx"}) {
        const auto bytes = ReadBytes(Path(file));
        ASSERT_EQ(bytes[9], 0) << file;
        ASSERT_EQ(U32(bytes, 0), 7u) << file << ": the root above two inner blocks";
    }
    Set_Index_To("name");
    EXPECT_EQ(CurrentOrder(), 1);
    EXPECT_EQ(WalkRecords(), Records(NameKeys()));
    EXPECT_EQ(WalkBackwards(), Records(NameKeys()));
    Set_Index_To("qty.ndx");
    EXPECT_EQ(WalkRecords(), Records(QtyKeys()));
    EXPECT_EQ(WalkBackwards(), Records(QtyKeys()));
    Set_Index_To("DAY");
    EXPECT_EQ(WalkRecords(), Records(kDayKeys));
    EXPECT_EQ(WalkBackwards(), Records(kDayKeys));
    EXPECT_TRUE(CheckIndexTree(1).ok);
}

TEST_F(NdxDbase3, FindSeeksThePlainCharacterKeysNumbersAndDates) {
    Set_Index_To("name qty day");
    DateFormat = 0;  // month/day/year
    const struct {
        int order;
        const char* text;
        bool exact;
        bool found;
        int32_t record;
    } cases[] = {
        {1, "Shaft", false, true, 8},
        {1, "axle", false, true, 2},
        {1, "Axle", false, false, 13},  // the keys are not folded: case counts
        {1, "B", false, true, 4},       // the first key beginning with B
        {1, "Bo", true, false, 13},
        {1, "gear", true, true, 6},
        {1, "zz", false, false, 13},
        {2, "-5", false, true, 6},
        {2, "12.5", false, true, 10},
        {2, "1000", false, true, 8},
        {2, "11", false, false, 13},
        {3, "12/31/1999", false, true, 1},
        {3, "02/29/2024", false, true, 4},
        {3, "03/01/2000", false, true, 6},
        {3, "01/03/2000", false, false, 13},
    };
    for (const auto& c : cases) {
        Set_Order_To(c.order);
        const bool found = c.exact ? FindExact(c.text) : Find(c.text);
        EXPECT_EQ(found, c.found) << c.text;
        EXPECT_EQ(RecNo(), c.record) << c.text;
    }
}

TEST_F(NdxDbase3, IndexInfoNamesTheKeyTypeFromTheExpression) {
    const struct {
        const char* file;
        char type;
        int length;
    } cases[] = {{"name.ndx", 'C', 10}, {"qty.ndx", 'N', 8}, {"day.ndx", 'D', 8}};
    for (const auto& c : cases) {
        TIndexInfo info;
        ASSERT_TRUE(IndexInfo(c.file, info)) << c.file;
        EXPECT_EQ(info.keyType, c.type) << c.file;
        EXPECT_EQ(info.keyLength, c.length) << c.file;
    }
}

// index_dump of Perl's XBase: "key record" lines in index order.
std::vector<std::string> XBaseIndexLines(const std::string& file) {
    std::istringstream out(RunCapture({"/usr/bin/index_dump", file, ""}));
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) {
        std::istringstream words(line);
        std::string key, record;
        if (words >> key >> record) lines.push_back(key + " " + record);
    }
    return lines;
}

TEST_F(NdxDbase3, AppendAndReindexKeepTheFileAsOtherProgramsReadIt) {
    if (access("/usr/bin/index_dump", X_OK) != 0) GTEST_SKIP() << "no Perl XBase";
    // The hand-built file reads the same in XBase: the builder follows the layout.
    const std::vector<std::string> before = {"Anvil 5", "Belt 4", "Bolt 1", "Cam 3",
                                             "Key 10",  "Nut 7",  "Pin 11", "Ring 12",
                                             "Shaft 8", "Worm 9", "axle 2", "gear 6"};
    EXPECT_EQ(XBaseIndexLines(Path("name.ndx")), before);
    Set_Index_To("name");
    AddRecord([] { SetBinaryText(1, "Crank"); });
    AddRecord([] { SetBinaryText(1, "bush"); });
    const std::vector<std::string> after = {"Anvil 5", "Belt 4", "Bolt 1",  "Cam 3",   "Crank 13",
                                            "Key 10",  "Nut 7",  "Pin 11",  "Ring 12", "Shaft 8",
                                            "Worm 9",  "axle 2", "bush 14", "gear 6"};
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{5, 4, 1, 3, 13, 10, 7, 11, 12, 8, 9, 2, 14, 6}));
    CloseAllIndexes();
    EXPECT_EQ(ReadBytes(Path("name.ndx"))[9], 0);
    EXPECT_EQ(XBaseIndexLines(Path("name.ndx")), after);
    Set_Index_To("name");
    Reindex();
    CloseAllIndexes();
    EXPECT_EQ(ReadBytes(Path("name.ndx"))[9], 0);
    EXPECT_EQ(XBaseIndexLines(Path("name.ndx")), after);
}

TEST_F(NdxDbase3, DamagedAnchorsWithoutTypeLetterAreStillRefused) {
    const auto name = NameIndex();
    const auto qty = ReadBytes(Path("qty.ndx"));
    const DamagedFile cases[] = {
        {"key class 2", Changed(name, [](auto& b) { Put16(b, 16, 2); })},
        {"number key of 10 bytes", Changed(name, [](auto& b) { Put16(b, 16, 1); })},
        {"character class over a number expression",
         Changed(qty, [](auto& b) { Put16(b, 16, 0); })},
        {"number class over a character expression",
         Changed(qty, [](auto& b) { std::memcpy(&b[24], "name", 4); })},
        {"key length 8, entry size 20", Changed(qty, [](auto& b) { Put16(b, 18, 20); })},
    };
    for (const auto& c : cases) ExpectRefusedAsDamaged(c.what, c.bytes);
}

}  // namespace
}  // namespace veldrim::testing
