// Index files as bytes: the anchor and node layout, keys made from records,
// and the engine's files read back by Perl XBase's index_dump.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <sstream>

#include "tables/engine/engine_dates.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

class NdxFile : public IndexTest {};

TEST_F(NdxFile, EmptyTableGivesAnchorAndOneEmptyLeaf) {
    MakeTable("parts.dbf", {F("NAME", 'C', 10)});
    MakeIndex("name", "byname");
    const auto b = ReadBytes(Path("byname.NDX"));
    ASSERT_EQ(b.size(), 1024u);
    EXPECT_EQ(U32(b, 0), 1u);  // root
    EXPECT_EQ(U32(b, 4), 2u);  // next free
    EXPECT_EQ(b[9], 'C');
    EXPECT_EQ(U16(b, 12), 10u);  // key length
    EXPECT_EQ(U16(b, 14), 25u);  // keys per node: 504 div 20
    EXPECT_EQ(U16(b, 16), 0u);   // key class
    EXPECT_EQ(U16(b, 18), 20u);  // entry size
    EXPECT_EQ(b[23], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[24])), "NAME");
    EXPECT_EQ(U32(b, 488), 0xFFFFFFFFu);  // complement of 0 records
    EXPECT_EQ(U32(b, 492), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[496])), "parts.dbf");
    EXPECT_EQ(U16(b, 512), 0u);  // node 1: no keys
}

TEST_F(NdxFile, EntrySizeAndKeysPerNodeFollowTheKeyLength) {
    struct Case {
        TFieldEntry field;
        char type;
        unsigned keyLength, entrySize, keysPerNode;
    } cases[] = {
        {F("K", 'C', 100), 'C', 100, 108, 4}, {F("K", 'C', 10), 'C', 10, 20, 25},
        {F("K", 'C', 7), 'C', 7, 16, 31},     {F("K", 'N', 8, 2), 'N', 8, 16, 31},
        {F("K", 'D'), 'D', 8, 16, 31},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "t" + std::to_string(++n) + ".dbf";
        MakeTable(name, {c.field});
        MakeIndex("K", "x" + std::to_string(n));
        const auto b = ReadBytes(Path("x" + std::to_string(n) + ".NDX"));
        ASSERT_GE(b.size(), 1024u) << name;
        EXPECT_EQ(b[9], c.type) << name;
        EXPECT_EQ(U16(b, 12), c.keyLength) << name;
        EXPECT_EQ(U16(b, 18), c.entrySize) << name;
        EXPECT_EQ(U16(b, 14), c.keysPerNode) << name;
        EXPECT_EQ(U16(b, 16), c.type == 'C' ? 0u : 1u) << name;
        CloseArea();
    }
}

// Keys of a character index after folding, as stored in the file.
std::vector<std::string> StoredKeys() {
    std::vector<std::string> keys;
    for (const auto& e : IndexEntries(1)) keys.push_back(e.key);
    return keys;
}

TEST_F(NdxFile, UmlautsFoldToTheSameKeyBeforeTheCodePage) {
    // "Müller", "MÜLLER" and "Mueller" are one key; in an OEM table the
    // folding happens on the ANSI text, so "Äpfel" becomes "aepfel" and
    // not the OEM byte of "Ä"; other accents are stored in code page 850.
    for (bool ansi : {true, false}) {
        AnsiTables = ansi;
        MakeTable(ansi ? "ansi.dbf" : "oem.dbf", {F("NAME", 'C', 8)});
        for (const char* v : {"M\xFCller", "M\xDCLLER", "Mueller", "\xC4pfel", "Caf\xE9",
                              "Stra\xDF"
                              "e"})
            AddRecord([&] { SetBinaryText(1, v); });
        Index_On("NAME", ansi ? "ansi" : "oem");
        const std::string cafe = ansi ? "caf\xE9    " : "caf\x82    ";
        const std::vector<std::string> expected = {"aepfel  ", cafe,       "mueller ",
                                                   "mueller ", "mueller ", "strasse "};
        EXPECT_EQ(StoredKeys(), expected) << (ansi ? "ANSI" : "OEM");
        EXPECT_TRUE(FindExact("m\xFCLLER")) << (ansi ? "ANSI" : "OEM");
        EXPECT_EQ(RecNo(), 1);
        CloseArea();
    }
}

TEST_F(NdxFile, CharacterKeyLengthComesFromTheBlankRecord) {
    // "Müller" folds to 7 characters; the key stays at the field's 6, and
    // a TRIM expression on a blank record gives the length of the rest.
    MakeTable("p.dbf", {F("NAME", 'C', 6), F("CITY", 'C', 5)});
    AddRecord([] {
        SetBinaryText(1, "M\xFCller");
        SetBinaryText(2, "Ulm");
    });
    MakeIndex("NAME", "n1");
    MakeIndex("TRIM(NAME)+CITY", "n2");
    TIndexInfo info;
    ASSERT_TRUE(IndexInfo("n1", info));
    EXPECT_EQ(info.keyLength, 6);
    ASSERT_TRUE(IndexInfo("n2", info));
    EXPECT_EQ(info.keyLength, 5);
    EXPECT_EQ(info.expression, "TRIM(NAME)+CITY");
    EXPECT_EQ(info.recordCount, 1);
    EXPECT_EQ(info.tableName, "p.dbf");
    Set_Index_To("n1 n2");
    EXPECT_EQ(IndexEntries(1)[0].key, "muelle");
    EXPECT_EQ(IndexEntries(2)[0].key, "muell");
}

TEST_F(NdxFile, ExpressionIsStoredNormalised) {
    MakeTable("p.dbf", {F("NAME", 'C', 6), F("CITY", 'C', 5)});
    MakeIndex("upper( name ) + 'a b' + \"c'd\"", "n");
    TIndexInfo info;
    ASSERT_TRUE(IndexInfo("n", info));
    EXPECT_EQ(info.expression, "UPPER(NAME)+\"a b\"+\"c'd\"");
}

TEST_F(NdxFile, RefusedBuilds) {
    MakeTable("p.dbf", {F("NAME", 'C', 120), F("OK", 'L')});
    const std::string longExpr = "NAME+" + std::string(94, ' ') + "+NAME";  // 104 bytes
    EXPECT_TRUE(Contains(Raised([&] { MakeIndex(longExpr, "x"); }), "Index-Ausdruck l"));
    EXPECT_EQ(LastError(), 300);
    // Folded keys are cut to 100 characters.
    MakeIndex("NAME", "long");
    TIndexInfo info;
    ASSERT_TRUE(IndexInfo("long", info));
    EXPECT_EQ(info.keyLength, 100);
    EXPECT_TRUE(Contains(Raised([] { MakeIndex("OK", "x"); }), "Parser-Return-Typ"));
    EXPECT_TRUE(Contains(Raised([] { MakeIndex("NAME", ""); }), "Index-Dateiname nicht angegeben"));
}

// --- independent reader

// Lines of `index_dump file ''`, the (key, record) pairs in index order.
std::vector<std::string> IndexDump(const std::string& path) {
    int rc = 0;
    const std::string out = RunCapture({"index_dump", path, ""}, &rc);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    EXPECT_EQ(rc, 0) << out;
    return lines;
}

// Julian day number of a date, counted independently from 1 January 2000.
long Julian(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    const auto days = sys_days(year(y) / month(m) / day(d)) - sys_days(year(2000) / January / 1);
    return 2451545L + days.count();
}

std::string Shortest(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

struct Row {
    std::string name;
    double qty;
    int y, m, d;
};

// Distinct names, quantities and dates from a fixed pseudo-random sequence.
std::vector<Row> Rows(int n) {
    std::vector<Row> rows;
    uint32_t s = 12345;
    auto next = [&] { return s = s * 1103515245u + 12345u; };
    for (int i = 0; i < n; ++i) {
        Row r;
        r.name =
            std::string(1, static_cast<char>('A' + next() % 26)) + std::to_string(1000 + i * 7 % n);
        r.qty = static_cast<double>(static_cast<int>(next() % 4000) - 2000) / 4 + i * 1000.0;
        r.y = 1990 + i % 40;
        r.m = 1 + (i / 40) % 12;
        r.d = 1 + i % 28;
        rows.push_back(r);
    }
    return rows;
}

TEST_F(NdxFile, PerlXBaseReadsCharacterNumericAndDateIndexes) {
    // Built indexes (bottom-up) and maintained ones (appended record by
    // record) are both read by index_dump; the key sequence must be the
    // independently sorted list.
    const auto rows = Rows(400);
    std::vector<std::pair<std::string, int>> names, qtys, days;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int rec = static_cast<int>(i) + 1;
        std::string key = rows[i].name;
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        key.resize(10, ' ');
        names.push_back({key + " " + std::to_string(rec), rec});
        qtys.push_back({Shortest(rows[i].qty) + " " + std::to_string(rec), rec});
        days.push_back(
            {std::to_string(Julian(rows[i].y, rows[i].m, rows[i].d)) + " " + std::to_string(rec),
             rec});
    }
    auto sorted = [&](auto& v, auto less) {
        std::stable_sort(v.begin(), v.end(), [&](const auto& a, const auto& b) {
            return less(a.second - 1, b.second - 1);
        });
        std::vector<std::string> out;
        for (auto& p : v) out.push_back(p.first);
        return out;
    };
    auto lower = [](std::string t) {
        for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return t;
    };
    const auto byName =
        sorted(names, [&](int a, int b) { return lower(rows[a].name) < lower(rows[b].name); });
    const auto byQty = sorted(qtys, [&](int a, int b) { return rows[a].qty < rows[b].qty; });
    const auto byDay = sorted(days, [&](int a, int b) {
        return Julian(rows[a].y, rows[a].m, rows[a].d) < Julian(rows[b].y, rows[b].m, rows[b].d);
    });

    DateFormat = 0;
    SetCentury = true;
    for (bool maintained : {false, true}) {
        const std::string tag = maintained ? "m" : "b";
        MakeTable(tag + ".dbf", {F("NAME", 'C', 10), F("QTY", 'N', 12, 2), F("DAY", 'D')});
        auto fill = [&] {
            for (const Row& r : rows)
                AddRecord([&] {
                    SetBinaryText(1, r.name);
                    SetBinaryNumber(2, r.qty);
                    char date[11];
                    std::snprintf(date, sizeof date, "%02d/%02d/%04d", r.m, r.d, r.y);
                    SetBinaryText(3, date);
                });
        };
        if (!maintained) fill();
        for (const char* f : {"NAME", "QTY", "DAY"}) MakeIndex(f, tag + f);
        if (maintained) {
            Set_Index_To(tag + "NAME " + tag + "QTY " + tag + "DAY");
            fill();
            CloseAllIndexes();
        }
        EXPECT_EQ(IndexDump(Path(tag + "NAME.NDX")), byName) << tag;
        EXPECT_EQ(IndexDump(Path(tag + "QTY.NDX")), byQty) << tag;
        EXPECT_EQ(IndexDump(Path(tag + "DAY.NDX")), byDay) << tag;
        CloseArea();
    }
}

TEST_F(NdxFile, UniqueBuildKeepsTheLowestRecordOfEachKey) {
    MakeTable("u.dbf", {F("NAME", 'C', 4)});
    for (const char* v : {"b", "a", "b", "a", "c", "b"}) AddRecord([&] { SetBinaryText(1, v); });
    MakeIndex("NAME", "u UNIQUE");
    const std::vector<std::string> expected = {"a    2", "b    1", "c    5"};
    EXPECT_EQ(IndexDump(Path("u.NDX")), expected);
    MakeIndex("NAME", "d");
    const std::vector<std::string> all = {"a    2", "a    4", "b    1",
                                          "b    3", "b    6", "c    5"};
    EXPECT_EQ(IndexDump(Path("d.NDX")), all);
}

// REINDEX rebuilds a unique index as a unique one: the file keeps its
// unique flag, holds each key once with its lowest record (read back by
// index_dump), and later appends of a key it holds add nothing to it.
TEST_F(NdxFile, ReindexOfAUniqueIndexStaysUnique) {
    MakeTable("r.dbf", {F("NAME", 'C', 4), F("QTY", 'N', 5)});
    const std::pair<const char*, int> first[] = {{"b", 3}, {"a", 1}, {"b", 3}};
    for (const auto& [name, qty] : first)
        AddRecord([&] {
            SetBinaryText(1, name);
            SetBinaryInteger(2, qty);
        });
    MakeIndex("NAME", "rn UNIQUE");
    MakeIndex("QTY", "rq UNIQUE");
    Set_Index_To("rn rq");
    const std::pair<const char*, int> later[] = {{"a", 2}, {"c", 1}, {"b", 2}, {"c", 5}};
    for (const auto& [name, qty] : later)
        AddRecord([&] {
            SetBinaryText(1, name);
            SetBinaryInteger(2, qty);
        });
    Reindex();
    ASSERT_EQ(LastError(), 0);
    // Records: 1 b 3, 2 a 1, 3 b 3, 4 a 2, 5 c 1, 6 b 2, 7 c 5.
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{2, 1, 5})) << "in NAME order";
    AddRecord([] {
        SetBinaryText(1, "a");
        SetBinaryInteger(2, 3);
    });
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{2, 1, 5})) << "record 8 has a key held";
    CloseAllIndexes();
    for (const char* file : {"rn.NDX", "rq.NDX"}) EXPECT_EQ(ReadBytes(Path(file))[23], 1) << file;
    EXPECT_EQ(IndexDump(Path("rn.NDX")), (std::vector<std::string>{"a    2", "b    1", "c    5"}));
    EXPECT_EQ(IndexDump(Path("rq.NDX")), (std::vector<std::string>{"1 2", "2 4", "3 1", "5 7"}));
}

}  // namespace
}  // namespace veldrim::testing
