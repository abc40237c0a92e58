// Index files as bytes: the anchor and node layout, keys made from records,
// and the engine's files read back by Perl XBase's index_dump.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <sstream>

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

class NdxFile : public IndexTest {};

// An index file as an earlier build wrote it for a character expression:
// the anchor (root block 1, next free block 2, key length, keys a node,
// entry size, the expression) and an empty leaf in block 1.
std::vector<uint8_t> CharacterIndexFile(const std::string& expr, unsigned keyLength,
                                        unsigned perNode, unsigned entrySize) {
    std::vector<uint8_t> b(2 * 512, 0);
    Put32(b, 0, 1);
    Put32(b, 4, 2);
    b[9] = 'C';
    Put16(b, 12, keyLength);
    Put16(b, 14, perNode);
    Put16(b, 18, entrySize);
    std::copy(expr.begin(), expr.end(), b.begin() + 24);
    return b;
}

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

// Only "/" separates folders: an index named with a backslash or ":" is made
// beside its table under exactly that name, not in the working folder.
TEST_F(NdxFile, ABackslashOrColonIsALetterOfTheIndexName) {
    MakeTable("parts.dbf", {F("NAME", 'C', 10)});
    for (const std::string name : {"by\\name", "by:name"}) {
        MakeIndex("NAME", name);
        EXPECT_TRUE(std::filesystem::exists(Path(name + ".NDX"))) << name;
        EXPECT_FALSE(std::filesystem::exists(name + ".NDX")) << name;
    }
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
    // one of two fields at the length of both, 11.
    MakeTable("p.dbf", {F("NAME", 'C', 6), F("CITY", 'C', 5)});
    AddRecord([] {
        SetBinaryText(1, "M\xFCller");
        SetBinaryText(2, "Ulm");
    });
    MakeIndex("NAME", "n1");
    MakeIndex("UPPER(NAME)+CITY", "n2");
    TIndexInfo info;
    ASSERT_TRUE(IndexInfo("n1", info));
    EXPECT_EQ(info.keyLength, 6);
    ASSERT_TRUE(IndexInfo("n2", info));
    EXPECT_EQ(info.keyLength, 11);
    EXPECT_EQ(info.expression, "UPPER(NAME)+CITY");
    EXPECT_EQ(info.recordCount, 1);
    EXPECT_EQ(info.tableName, "p.dbf");
    Set_Index_To("n1 n2");
    EXPECT_EQ(IndexEntries(1)[0].key, "muelle");
    EXPECT_EQ(IndexEntries(2)[0].key, "muellerulm ");
}

// A character key whose length depends on the record (a trimmed field
// before another) would be cut to the blank record's length, so that no
// record is found by its whole key: such an index is refused with 266 when
// it is built, on records or on an empty table, and when a file of it is
// opened. Keys of one length stay allowed, folding umlauts included.
TEST_F(NdxFile, CharacterKeysOfVaryingLengthAreRefused) {
    // An expression's key is refused in the words of the expression.
    const std::string refused = "Ung\x81ltige Schl\x81ssell\x84nge: der Index-Ausdruck ";
    MakeTable("v.dbf", {F("NAME", 'C', 6), F("CITY", 'C', 5), F("QTY", 'N', 2)});
    for (const char* expr : {"TRIM(NAME)+CITY", "LTRIM(NAME)+CITY", "IIF(NAME=\" \",CITY,NAME)",
                             "CITY+SPACE(QTY)", "LEFT(NAME,QTY)+CITY"}) {
        const std::string message = Raised([&] { MakeIndex(expr, "empty"); });
        EXPECT_TRUE(Contains(message, refused)) << expr << ": " << message;
        EXPECT_EQ(LastError(), 266) << expr;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("empty.NDX"))) << "no file of a refused build";
    for (const char* expr : {"NAME+CITY", "SUBSTR(NAME,2,3)+CITY", "STR(QTY,4)+UPPER(NAME)"}) {
        MakeIndex(expr, "fixed");
        EXPECT_EQ(LastError(), 0) << expr;
    }

    AddRecord([] {
        SetBinaryText(1, "Smith");
        SetBinaryText(2, "Paris");
    });
    AddRecord([] {
        SetBinaryText(1, "M\xFCller");
        SetBinaryText(2, "Ulm");
    });
    const std::string message = Raised([] { Index_On("TRIM(NAME)+CITY", "v"); });
    EXPECT_TRUE(Contains(message, refused)) << message;
    EXPECT_TRUE(Contains(message, "Erwartete L\x84nge=   5")) << message;
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentOrder(), 0);
    Index_On("NAME+CITY", "whole");
    EXPECT_TRUE(FindExact("Smith Paris"));
    EXPECT_EQ(RecNo(), 1);
    EXPECT_TRUE(FindExact("M\xFCllerUlm"));
    EXPECT_EQ(RecNo(), 2);

    // The file an earlier build wrote for TRIM(NAME)+CITY: key length 5
    // (entry size 16, 31 keys a node), an empty leaf.
    const std::vector<uint8_t> b = CharacterIndexFile("TRIM(NAME)+CITY", 5, 31, 16);
    WriteBytes(Path("old.ndx"), b);
    const std::string opened = Raised([] { Set_Index_To("old"); });
    EXPECT_TRUE(Contains(opened, refused)) << opened;
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentOrder(), 0);
}

// A key maker whose texts differ in length is refused when its index is
// built or rebuilt, and a record whose key would have another length than
// the index's is neither appended nor written.
TEST_F(NdxFile, KeyMakerTextsOfVaryingLengthAreRefused) {
    const std::string refused =
        "Ung\x81ltige Schl\x81ssell\x84nge von anwender-definiertem KeyMaker geliefert.";
    MakeTable("m.dbf", {F("NAME", 'C', 6), F("CITY", 'C', 5)});
    // The trimmed name, then the city: 5 on the blank record.
    auto trimmedNameCity = [](int) {
        std::string v = BinaryText(1);
        while (!v.empty() && v.back() == ' ') v.pop_back();
        std::string city = BinaryText(2);
        city.resize(5, ' ');
        return v + city;
    };
    Index_OnCB("maker", trimmedNameCity);
    ASSERT_EQ(LastError(), 0) << "an empty table shows no other length";
    ClearRecord();
    SetBinaryText(1, "Smith");
    SetBinaryText(2, "Paris");
    EXPECT_TRUE(Contains(Raised([] { Append(); }), refused));
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(RecCount(), 0) << "the record is not appended";
    ClearRecord();
    SetBinaryText(2, "Rome");
    Append();
    ASSERT_EQ(LastError(), 0) << "a blank name keeps the length";
    EXPECT_EQ(RecCount(), 1);
    SetBinaryText(1, "Li");
    EXPECT_TRUE(Contains(Raised([] { Replace(); }), refused));
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(AllTrim(Peek(1, 1)), "") << "the record is not written";

    // A key maker whose texts came to differ in length is refused by the
    // rebuild of its index.
    CloseAllIndexes();
    GO(1);
    SetBinaryText(1, "Li");
    Replace();
    ASSERT_EQ(LastError(), 0);
    bool trim = false;
    auto nameCity = [&](int n) {
        if (trim) return trimmedNameCity(n);
        std::string name = BinaryText(1), city = BinaryText(2);
        name.resize(6, ' ');
        city.resize(5, ' ');
        return name + city;
    };
    Index_OnCB("switched", nameCity);
    ASSERT_EQ(LastError(), 0);
    trim = true;
    const std::string rebuilt = Raised([] { Reindex(); });
    EXPECT_TRUE(Contains(rebuilt, refused)) << rebuilt;
    EXPECT_TRUE(Contains(rebuilt, "[LiRome ]")) << rebuilt;
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentOrder(), 0);
    EXPECT_TRUE(Contains(Raised([&] { MakeIndexCB("again", trimmedNameCity); }), refused));
    EXPECT_EQ(LastError(), 266);
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

// --- keys of no length, longer search texts, inner entries

// An index whose key would have no bytes (an expression or a key maker
// that is empty on the blank record) is refused when it is built and when
// a file of it is opened; with such an index every search had matched.
TEST_F(NdxFile, KeysOfNoLengthAreRefusedAtBuildAndAtOpen) {
    MakeTable("k.dbf", {F("NAME", 'C', 8)});
    for (const char* v : {"Adams", "Baker"}) AddRecord([&] { SetBinaryText(1, v); });
    const std::string refused = "Ung\x81ltige Schl\x81ssell\x84nge: der Index-Ausdruck ";
    const std::string byMaker =
        "Ung\x81ltige Schl\x81ssell\x84nge von anwender-definiertem KeyMaker geliefert.";
    EXPECT_TRUE(Contains(Raised([] { Index_On("TRIM(NAME)", "trimmed"); }), refused));
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentOrder(), 0);
    auto trimmedName = [](int) {
        std::string v = BinaryText(1);
        while (!v.empty() && v.back() == ' ') v.pop_back();
        return v;
    };
    EXPECT_TRUE(Contains(Raised([&] { MakeIndexCB("maker", trimmedName); }), byMaker));
    EXPECT_EQ(LastError(), 266);

    // The file an earlier build wrote for TRIM(NAME): key length 0, entry
    // size 8, 63 entries a node, one leaf with both records.
    std::vector<uint8_t> b = CharacterIndexFile("TRIM(NAME)", 0, 63, 8);
    Put16(b, 512, 2);
    Put32(b, 512 + 8, 1);
    Put32(b, 512 + 16, 2);
    WriteBytes(Path("old.ndx"), b);
    const std::string message = Raised([] { Set_Index_To("old"); });
    EXPECT_TRUE(Contains(message, refused)) << message;
    EXPECT_TRUE(Contains(message, "Erwartete L\x84nge=   0")) << message;
    EXPECT_EQ(LastError(), 266);
    EXPECT_EQ(CurrentOrder(), 0);
}

// A search text longer than the key finds no record whose key is only its
// beginning; blanks beyond the key are the key's own padding.
TEST_F(NdxFile, ASearchTextLongerThanTheKeyFindsOnlyItsOwnKey) {
    MakeTable("s.dbf", {F("NAME", 'C', 5)});
    for (const char* v : {"Adams", "Smith"}) AddRecord([&] { SetBinaryText(1, v); });
    Index_On("NAME", "name");
    EXPECT_FALSE(FindExact("Adamsxyz"));
    EXPECT_FALSE(Find("Smithers"));
    EXPECT_TRUE(Find("Smith   "));
    EXPECT_EQ(RecNo(), 2);
    EXPECT_TRUE(FindExact("Adams"));
    EXPECT_EQ(RecNo(), 1);
    // A key maker that gives the first three letters: key length 3.
    Index_OnCB("three", [](int) { return BinaryText(1).substr(0, 3); });
    ASSERT_EQ(LastError(), 0);
    EXPECT_FALSE(Find("Smithers"));
    EXPECT_FALSE(FindExact("Adamsxyz"));
    EXPECT_TRUE(Find("Smi"));
    EXPECT_EQ(RecNo(), 2);
}

// Record numbers the inner entries of an index file hold, read from the
// file's bytes from the root down; *levels receives the tree's depth.
std::vector<uint32_t> InnerRecordNumbers(const std::vector<uint8_t>& b, int* levels) {
    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(b[at] | (b[at + 1] << 8)); };
    auto u32 = [&](std::size_t at) {
        return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) |
               (static_cast<uint32_t>(b[at + 3]) << 24);
    };
    const std::size_t es = u16(18);
    std::vector<uint32_t> out;
    std::vector<std::pair<uint32_t, int>> todo{{u32(0), 1}};
    *levels = 0;
    while (!todo.empty()) {
        const auto [node, depth] = todo.back();
        todo.pop_back();
        *levels = std::max(*levels, depth);
        const std::size_t at = static_cast<std::size_t>(node) * 512;
        if (at + 512 > b.size() || u32(at + 4) == 0) continue;
        const unsigned count = u16(at);
        for (unsigned i = 0; i < count; ++i) out.push_back(u32(at + 4 + i * es + 4));
        for (unsigned i = 0; i <= count; ++i) todo.push_back({u32(at + 4 + i * es), depth + 1});
    }
    return out;
}

// Inner entries carry record number 0, in built and in maintained trees of
// three levels, so that index_dump lists each key once; files whose inner
// entries hold record numbers (an earlier build's) still read and change.
TEST_F(NdxFile, InnerEntriesCarryNoRecordNumber) {
    // 40-byte keys: 10 a node, so 300 keys make three levels.
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) names.push_back("k" + std::to_string(1000 + (i * 173) % 300));
    std::vector<std::string> expected;
    {
        std::vector<std::pair<std::string, int>> sorted;
        for (std::size_t i = 0; i < names.size(); ++i)
            sorted.push_back({names[i], static_cast<int>(i) + 1});
        std::sort(sorted.begin(), sorted.end());
        for (auto& [name, rec] : sorted) {
            std::string key = name;
            key.resize(40, ' ');
            expected.push_back(key + " " + std::to_string(rec));
        }
    }
    for (bool maintained : {false, true}) {
        const std::string tag = maintained ? "maintained" : "built";
        MakeTable(tag + ".dbf", {F("NAME", 'C', 40)});
        if (maintained) Index_On("NAME", tag);
        for (const std::string& n : names) AddRecord([&] { SetBinaryText(1, n); });
        if (!maintained) Index_On("NAME", tag);
        CloseAllIndexes();
        const auto bytes = ReadBytes(Path(tag + ".NDX"));
        int levels = 0;
        const auto numbers = InnerRecordNumbers(bytes, &levels);
        EXPECT_EQ(levels, 3) << tag;
        EXPECT_GT(numbers.size(), 20u) << tag;
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 0u),
                  static_cast<std::ptrdiff_t>(numbers.size()))
            << tag;
        EXPECT_EQ(IndexDump(Path(tag + ".NDX")), expected) << tag;
        CloseArea();
    }

    // The built file with record numbers written into its inner entries.
    auto bytes = ReadBytes(Path("built.NDX"));
    const unsigned es = U16(bytes, 18);
    std::vector<uint32_t> inner{U32(bytes, 0)};
    for (std::size_t k = 0; k < inner.size(); ++k) {
        const std::size_t at = static_cast<std::size_t>(inner[k]) * 512;
        if (U32(bytes, at + 4) == 0) continue;
        for (unsigned i = 0; i < U16(bytes, at); ++i) {
            Put32(bytes, at + 4 + i * es + 4, 7000 + i);
            inner.push_back(U32(bytes, at + 4 + i * es));
        }
        inner.push_back(U32(bytes, at + 4 + U16(bytes, at) * es));
    }
    WriteBytes(Path("built.NDX"), bytes);
    UseIn(1, Path("built.dbf") + " EXCLUSIVE");
    Set_Index_To("built");
    ASSERT_EQ(LastError(), 0);
    for (int rec : {1, 77, 300}) {
        EXPECT_TRUE(FindExact(names[rec - 1])) << rec;
        EXPECT_EQ(RecNo(), rec);
    }
    AddRecord([] { SetBinaryText(1, "k1150b"); });
    const TIndexCheck check = CheckIndexTree(1);
    EXPECT_TRUE(check.ok) << check.problem;
    EXPECT_EQ(check.keys, 301);
}

}  // namespace
}  // namespace veldrim::testing
