// Numbers a table holds that their value cannot give back: a field filled
// with "*" (too wide for its field, as this or another program stored it)
// and whole numbers beyond 64 bits in an N(20,0) field. A write that does not
// change such a field keeps its bytes: REPLACE of another field, a dataset
// edit and Post of another field, APPEND FROM a table of the same or of
// another layout. dbfread, an independent reader, reads the stars as None.
#include <gtest/gtest.h>

#include <map>

#include "tables/bulk/bulk_verbs.h"
#include "tables/datasets/tz_dbf.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/engine/number_digits.h"
#include "tables/index/ndx_index.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

// NAME C(8), SMALL N(5,0), DEC N(8,2), BIG N(20,0).
const std::vector<RawField> kLayout = {
    {"NAME", 'C', 8, 0}, {"SMALL", 'N', 5, 0}, {"DEC", 'N', 8, 2}, {"BIG", 'N', 20, 0}};
constexpr std::size_t kRecordLength = 1 + 8 + 5 + 8 + 20;
constexpr std::size_t kHeaderLength = 32 + 32 * 4 + 1;

// The stored records, as another program wrote them.
const std::vector<std::string> kRecords = {
    " alpha   *****"
    "********"
    "19999999999999999999",
    " bravo   *****"
    "********"
    "-9223372036854775808",
    " charlie    12"
    "   34.50"
    "10000000000000000000",
    " delta   "
    "     "
    "        "
    "                   7",
};

class OverWideNumbersTest : public TableTest {
protected:
    std::string Source(const std::string& name = "stars.dbf") {
        const std::string p = Path(name);
        WriteBytes(p, BuildDbf(0x03, kLayout, kRecords));
        return p;
    }
    // A new table of the layout that took APPEND FROM the source's four
    // records, closed again.
    std::string AppendedInto(const std::string& name, const std::vector<RawField>& layout) {
        const std::string source = Source();
        const std::string target = Path(name);
        WriteBytes(target, BuildDbf(0x03, layout, {}));
        USE(target + " EXCLUSIVE");
        AppendFrom(source);
        EXPECT_EQ(LastError(), 0);
        EXPECT_EQ(RecCount(), 4);
        CloseArea();
        return target;
    }
    // Record r (from 1) as stored, without its delete flag.
    static std::string StoredRecord(const std::string& table, int r, std::size_t header,
                                    std::size_t length) {
        const std::string bytes = Slurp(table);
        const std::size_t at = header + (r - 1) * length + 1;
        return bytes.size() >= at + length - 1 ? bytes.substr(at, length - 1) : "<missing>";
    }
    static std::string Stored(const std::string& table, int r) {
        return StoredRecord(table, r, kHeaderLength, kRecordLength);
    }
    // The number fields as stored (SMALL, DEC, BIG), for messages that name them.
    static std::string Numbers(const std::string& table, int r) {
        return Stored(table, r).substr(8);
    }
    // dbfread's value of each number field of each record: "None", or the digits.
    static std::vector<std::map<std::string, std::string>> Dbfread(const std::string& table) {
        const std::string script =
            "import sys\nfrom dbfread import DBF\n"
            "t = DBF(sys.argv[1], encoding='cp850', load=True)\n"
            "for r in t.records:\n"
            "    print('|'.join('%s=%s' % (k, r[k]) for k in ('SMALL', 'DEC', 'BIG') if k in "
            "r))\n";
        std::vector<std::map<std::string, std::string>> rows;
        const std::string out = RunCapture({"/usr/bin/python3", "-c", script, table});
        std::size_t start = 0;
        while (start < out.size()) {
            const std::size_t end = out.find('\n', start);
            const std::string line = out.substr(start, end - start);
            std::map<std::string, std::string> row;
            std::size_t p = 0;
            while (p < line.size()) {
                const std::size_t bar = line.find('|', p);
                const std::string item = line.substr(p, bar - p);
                const std::size_t eq = item.find('=');
                if (eq != std::string::npos) row[item.substr(0, eq)] = item.substr(eq + 1);
                if (bar == std::string::npos) break;
                p = bar + 1;
            }
            rows.push_back(row);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return rows;
    }
    // The first two records as an independent reader sees them after a write.
    static void ExpectReadAsStored(const std::string& table) {
        const auto rows = Dbfread(table);
        ASSERT_GE(rows.size(), 2u) << "dbfread read " << rows.size() << " records";
        EXPECT_EQ(rows[0].at("SMALL"), "None");
        EXPECT_EQ(rows[0].at("DEC"), "None");
        EXPECT_EQ(rows[0].at("BIG"), "19999999999999999999");
        EXPECT_EQ(rows[1].at("SMALL"), "None");
        EXPECT_EQ(rows[1].at("DEC"), "None");
        EXPECT_EQ(rows[1].at("BIG"), "-9223372036854775808");
    }
};

TEST_F(OverWideNumbersTest, ReplaceOfAnotherFieldKeepsStarsAndLongWholeNumbers) {
    const std::string table = Source();
    USE(table + " EXCLUSIVE");
    for (int r = 1; r <= 4; ++r) {
        GO(r);
        SetBinaryText(1, "NEW" + std::to_string(r));
        Replace();
        ASSERT_EQ(LastError(), 0);
    }
    // Read as 0 for a calculation, as before.
    GO(1);
    EXPECT_EQ(BinaryInteger(2), 0);
    EXPECT_EQ(BinaryNumber(3), 0.0);
    CloseArea();
    for (int r = 1; r <= 4; ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        EXPECT_EQ(Numbers(table, r), kRecords[r - 1].substr(9));
        EXPECT_EQ(Stored(table, r).substr(0, 8), ("NEW" + std::to_string(r) + "    ").substr(0, 8));
    }
    ExpectReadAsStored(table);
}

// A value given to such a field is written, also the 0 the stars read as and
// the lowest whole number, which is no longer the mark of "*".
TEST_F(OverWideNumbersTest, ValuesGivenToTheFieldsAreWritten) {
    const std::string table = Source();
    USE(table + " EXCLUSIVE");
    GO(1);
    SetBinaryInteger(2, 0);
    SetBinaryNumber(3, 0.0);
    SetBinaryInteger(4, INT64_MIN);
    Replace();
    GO(3);
    SetBinaryNumber(4, 1e19);  // beyond 64 bits: its digits, never another number
    Replace();
    GO(4);
    SetBinaryNumber(4, 1e20);  // 21 digits: over-wide
    Replace();
    CloseArea();
    EXPECT_EQ(Numbers(table, 1), "    0    0.00-9223372036854775808");
    EXPECT_EQ(Numbers(table, 3), "   12   34.5010000000000000000000");
    EXPECT_EQ(Numbers(table, 4), "             ********************");
}

// REPLACE with an index open reads the stored record again for its old
// keys: a number too wide for its field is still written as "*", never the
// value the field held before, and the untouched fields keep their bytes.
TEST_F(OverWideNumbersTest, ReplaceWithAnIndexOpenWritesTheOverWideValue) {
    const std::string table = Source();
    USE(table + " EXCLUSIVE");
    Index_On("NAME", Path("names.ndx"));
    ASSERT_EQ(LastError(), 0);
    GO(3);
    SetBinaryNumber(2, 3e9);   // beyond a 5-digit field and its 32-bit form
    SetBinaryNumber(4, 2e20);  // beyond 64 bits and the field's 20 digits
    Replace();
    EXPECT_EQ(LastError(), 0);
    GO(1);
    SetBinaryText(1, "ALPHA");
    Replace();
    EXPECT_EQ(LastError(), 0);
    CloseArea();
    EXPECT_EQ(Numbers(table, 3), "*****   34.50********************");
    EXPECT_EQ(Numbers(table, 1), kRecords[0].substr(9));
}

TEST_F(OverWideNumbersTest, DatasetEditAndPostOfAnotherFieldKeepStars) {
    const std::string table = Source();
    TTzDbf ds("T");
    ds.SetDbfFileName(table);
    ds.Open();
    ds.First();
    // The current row shows what the file holds; a calculation reads 0.
    EXPECT_EQ(ds.FieldByName("SMALL").AsString(), "*****");
    EXPECT_EQ(ds.FieldByName("DEC").AsString(), "********");
    EXPECT_EQ(ds.FieldByName("SMALL").AsFloat(), 0.0);
    for (int r = 1; r <= 4; ++r) {
        ds.Edit();
        ds.FieldByName("NAME").SetAsString("POST" + std::to_string(r));
        // The text a cell shows given back unchanged, as a Tab through it
        // does: stars stay stars, digits stay digits, blanks stay blank.
        for (const char* name : {"SMALL", "DEC", "BIG"})
            ds.FieldByName(name).SetAsString(ds.FieldByName(name).AsString());
        ds.Post();
        if (r == 1) {
            EXPECT_EQ(ds.FieldByName("SMALL").AsString(), "*****");
            EXPECT_EQ(ds.FieldByName("DEC").AsString(), "********");
        }
        ds.Next();
    }
    ds.Close();
    for (int r = 1; r <= 4; ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        EXPECT_EQ(Numbers(table, r), kRecords[r - 1].substr(9));
        EXPECT_EQ(Stored(table, r).substr(0, 5), "POST" + std::to_string(r));
    }
    ExpectReadAsStored(table);
}

// A number typed into a field of stars is written, also 0.
TEST_F(OverWideNumbersTest, DatasetValueTypedIntoStarsIsWritten) {
    const std::string table = Source();
    TTzDbf ds("T");
    ds.SetDbfFileName(table);
    ds.Open();
    ds.First();
    ds.Edit();
    ds.FieldByName("SMALL").SetAsString("0");
    ds.FieldByName("DEC").SetAsString("1.25");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("SMALL").AsString(), "0");
    ds.Close();
    EXPECT_EQ(Numbers(table, 1), "    0    1.2519999999999999999999");
}

TEST_F(OverWideNumbersTest, AppendFromTheSameLayoutKeepsEveryByte) {
    const std::string target = AppendedInto("copy.dbf", kLayout);
    for (int r = 1; r <= 4; ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        EXPECT_EQ(Stored(target, r), kRecords[r - 1].substr(1));
    }
    ExpectReadAsStored(target);
}

// Another layout (a field more): the record goes field by field. The stars
// stay stars, long whole numbers keep their digits, a blank number stays
// blank.
TEST_F(OverWideNumbersTest, AppendFromAnotherLayoutKeepsStarsDigitsAndBlanks) {
    std::vector<RawField> layout = kLayout;
    layout.push_back({"FLAG", 'L', 1, 0});
    const std::string target = AppendedInto("other.dbf", layout);
    for (int r = 1; r <= 4; ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        EXPECT_EQ(StoredRecord(target, r, 32 + 32 * 5 + 1, kRecordLength + 1).substr(8, 33),
                  kRecords[r - 1].substr(9));
    }
    ExpectReadAsStored(target);
}

// Other places and types: a blank number into a field with other decimals
// stays blank (not "*", not 0); stars into a character field stay stars.
TEST_F(OverWideNumbersTest, AppendFromIntoOtherPlacesAndCharacterFields) {
    const std::string source = Source();
    const std::string target = Path("texts.dbf");
    WriteBytes(
        target,
        BuildDbf(
            0x03,
            {{"NAME", 'C', 8, 0}, {"SMALL", 'C', 5, 0}, {"DEC", 'N', 9, 3}, {"BIG", 'C', 20, 0}},
            {}));
    USE(target + " EXCLUSIVE");
    AppendFrom(source);
    EXPECT_EQ(LastError(), 0);
    CloseArea();
    const std::size_t header = 32 + 32 * 4 + 1, length = 1 + 8 + 5 + 9 + 20;
    EXPECT_EQ(StoredRecord(target, 1, header, length).substr(8, 5), "*****");
    EXPECT_EQ(StoredRecord(target, 1, header, length).substr(13, 9), "*********");
    EXPECT_EQ(StoredRecord(target, 1, header, length).substr(22), "19999999999999999999");
    EXPECT_EQ(StoredRecord(target, 3, header, length).substr(13, 9), "   34.500");
    EXPECT_EQ(StoredRecord(target, 4, header, length).substr(8, 14), std::string(14, ' '));

    // The number with places into a character field: stars, not "0.00".
    const std::string texts = Path("places.dbf");
    WriteBytes(texts, BuildDbf(0x03, {{"DEC", 'C', 8, 0}}, {}));
    USE(texts + " EXCLUSIVE");
    AppendFrom(source);
    EXPECT_EQ(LastError(), 0);
    CloseArea();
    EXPECT_EQ(StoredRecord(texts, 1, 32 + 32 + 1, 9), "********");
    EXPECT_EQ(StoredRecord(texts, 3, 32 + 32 + 1, 9), "   34.50");
}

// LOCATE in number fields beyond 64 bits and of stars, through the engine's
// LocateByFields and the dataset's Locate and Lookup: the value sought, a
// text or a double, is compared with the digits the field stores, never
// with a 64-bit or double reading of them (under which 10000000000000000000
// and -9999999999999999999 fall on the first record, a field of "*" on 0,
// and two fractions of the same double on one record). A field of "*"
// holds no number and matches none, and neither does a value too wide for
// the field.
TEST_F(OverWideNumbersTest, LocateComparesTheDigitsTheFieldStores) {
    const std::string table = Path("locate.dbf");
    WriteBytes(
        table,
        BuildDbf(0x03,
                 {{"NAME", 'C', 2, 0}, {"BIG", 'N', 20, 0}, {"S", 'N', 5, 0}, {"P", 'N', 25, 2}},
                 {" R1"
                  "19999999999999999999"
                  "*****"
                  "  10000000000000000000.50",
                  " R2"
                  "10000000000000000000"
                  "    0"
                  "  10000000000000000000.25",
                  " R3"
                  "-9999999999999999999"
                  "    7"
                  "  -9999999999999999999.75",
                  " R4"
                  "                  12"
                  "    8"
                  "                    12.50",
                  " R5"
                  "                   0"
                  "    9"
                  "                     0.00"}));
    struct Case {
        std::string fields;
        std::vector<LocateVariant> values;
        int32_t record;  // 0: none
    };
    const std::vector<Case> cases = {
        {"BIG", {std::string("10000000000000000000")}, 2},
        {"BIG", {1e19}, 2},
        {"BIG", {std::string("-9999999999999999999")}, 3},
        {"BIG", {std::string("19999999999999999999")}, 1},
        {"BIG", {std::string("1e19")}, 2},
        {"BIG", {-1e19}, 0},  // 21 characters: no N(20,0) field holds it
        {"BIG", {std::string("9223372036854775807")}, 0},
        {"BIG", {std::string("-9223372036854775808")}, 0},
        {"BIG", {std::string("12")}, 4},
        {"BIG", {12.0}, 4},
        {"BIG", {std::string("0")}, 5},
        {"S", {0.0}, 2},
        {"S", {std::string("0")}, 2},
        {"S", {7.0}, 3},
        {"S", {std::string("*****")}, 0},
        {"S", {123456.0}, 0},
        {"P", {std::string("10000000000000000000.25")}, 2},
        {"P", {std::string("10000000000000000000.5")}, 1},
        {"P", {std::string("-9999999999999999999.75")}, 3},
        {"P", {12.5}, 4},
        {"P", {0.0}, 5},
        {"BIG;S", {std::string("12"), 8.0}, 4},
        {"S;BIG", {0.0, std::string("10000000000000000000")}, 2},
        {"S;BIG", {0.0, std::string("19999999999999999999")}, 0},
    };
    const auto described = [](const Case& c) {
        std::string s = c.fields + " =";
        for (const LocateVariant& v : c.values)
            s += " " + (std::holds_alternative<double>(v) ? std::to_string(std::get<double>(v))
                                                          : std::get<std::string>(v));
        return s;
    };
    USE(table + " EXCLUSIVE");
    for (const Case& c : cases) {
        SCOPED_TRACE("engine: " + described(c));
        GO(5);
        EXPECT_EQ(LocateByFields(c.fields, c.values, false, true, true), c.record != 0);
        EXPECT_EQ(RecNo(), c.record != 0 ? c.record : 5);
    }
    CloseArea();

    TTzDbf ds("T");
    ds.SetDbfFileName(table);
    ds.Open();
    for (const Case& c : cases) {
        SCOPED_TRACE("dataset: " + described(c));
        ds.Last();
        EXPECT_EQ(ds.Locate(c.fields, c.values, {}), c.record != 0);
        EXPECT_EQ(ds.FieldByName("NAME").AsString(),
                  "R" + std::to_string(c.record != 0 ? c.record : 5));
        ds.First();
        bool found = false;
        EXPECT_EQ(ds.Lookup(c.fields, c.values, "NAME", &found),
                  c.record != 0 ? std::vector<std::string>{"R" + std::to_string(c.record)}
                                : std::vector<std::string>{});
        EXPECT_EQ(found, c.record != 0);
    }

    // With an index on the field sought, the index order and the same
    // comparison.
    for (const char* field : {"BIG", "S", "P"}) {
        ds.IndexOn(field, Path(std::string("by_") + field + ".ndx"));
        for (const Case& c : cases) {
            if (c.fields != field) continue;
            SCOPED_TRACE(std::string("dataset indexed on ") + field + ": " + described(c));
            ds.Last();
            const std::string last = ds.FieldByName("NAME").AsString();
            EXPECT_EQ(ds.Locate(c.fields, c.values, {}), c.record != 0);
            EXPECT_EQ(ds.FieldByName("NAME").AsString(),
                      c.record != 0 ? "R" + std::to_string(c.record) : last);
        }
        ds.SetIndexTo("");
    }

    // A lookup field keyed by such a number: the record of its digits; a
    // key of "*" finds none.
    const std::string keys = Path("keys.dbf");
    WriteBytes(keys, BuildDbf(0x03, {{"K", 'N', 20, 0}},
                              {" 10000000000000000000", " ********************",
                               " -9999999999999999999"}));
    TTzDbf keyed("K");
    keyed.SetDbfFileName(keys);
    keyed.AddLookupField("NAME", TFieldType::ftString, 2, "K", ds, "BIG", "NAME");
    keyed.Open();
    std::vector<std::string> names;
    for (keyed.First(); !keyed.Eof(); keyed.Next())
        names.push_back(keyed.FieldByName("NAME").AsString());
    EXPECT_EQ(names, (std::vector<std::string>{"R2", "", "R3"}));
    keyed.Close();
    ds.Close();
}

// A number text of more than 309 digits without an exponent is beyond a
// double: over-wide, never 0.
TEST_F(OverWideNumbersTest, AppendFromAThreeHundredTenDigitTextIsOverWide) {
    const std::string digits = "1" + std::string(309, '0');
    const std::string source = Path("long.dbf");
    // A character field of 255 + 256 x 1 = 511 bytes (its decimals byte is
    // the high byte of the length).
    std::vector<uint8_t> bytes = BuildDbf(0x03, {{"DEC", 'C', 255, 1}}, {});
    bytes.pop_back();
    Put16(bytes, 10, 512);
    Put32(bytes, 4, 1);
    std::string record = " " + digits;
    record.resize(512, ' ');
    bytes.insert(bytes.end(), record.begin(), record.end());
    bytes.push_back(0x1A);
    WriteBytes(source, bytes);
    USE(source + " EXCLUSIVE");
    ASSERT_EQ(FieldLen(1), 511);
    CloseArea();
    const std::string target = Path("num.dbf");
    WriteBytes(target, BuildDbf(0x03, {{"DEC", 'N', 8, 2}}, {}));
    USE(target + " EXCLUSIVE");
    AppendFrom(source);
    EXPECT_EQ(LastError(), 0);
    ASSERT_EQ(RecCount(), 1);
    CloseArea();
    EXPECT_EQ(StoredRecord(target, 1, 32 + 32 + 1, 9), "********");
}

// Numbers of 19 and 20 digits, and numbers with places, on each road a
// number takes into a field: APPEND FROM another number field, a stored
// number as the dataset shows it (the grid's current row), a number typed
// into the dataset (the grid's cell; the width check asks the same
// routine), and a whole number given to the dataset's field over the digits
// it holds. A number keeps its digits, rounded to the receiving field's
// places with a half to the even neighbour, or the field shows "*"; never
// another number (a double has 15 to 17 digits, a 64-bit integer ends at
// 9223372036854775807). A blank field is shown blank, and a blank typed
// stores one; a text that is no number is refused and the field keeps its
// value. dbfread reads each field back as the number shown, None for a blank.
TEST_F(OverWideNumbersTest, NumbersKeepTheirDigitsOnEveryRoadIntoAField) {
    enum Road { kAppendFrom, kShown, kTyped, kInteger };
    struct Case {
        Road road;
        RawField from;         // APPEND FROM: the source's field
        RawField to;           // the field that takes or holds the number
        std::string value;     // the source's digits, the stored digits, or the text typed
        std::string digits;    // the field's bytes afterwards without leading blanks, as shown
        bool refused = false;  // typed: the text is no number; the field keeps its digits
        int64_t given = 0;     // the whole number given over the stored digits
    };
    const RawField n20{"V", 'N', 20, 0}, n19{"V", 'N', 19, 0}, n20p2{"V", 'N', 20, 2},
        n20p1{"V", 'N', 20, 1}, n25p2{"V", 'N', 25, 2}, n30p5{"V", 'N', 30, 5},
        f22p1{"V", 'F', 22, 1}, n6p1{"V", 'N', 6, 1}, n6p2{"V", 'N', 6, 2}, n6p3{"V", 'N', 6, 3},
        n3p1{"V", 'N', 3, 1}, n3{"V", 'N', 3, 0}, n5p1{"V", 'N', 5, 1};
    const std::string stars19(19, '*');
    const std::vector<Case> cases = {
        {kAppendFrom, n20, n25p2, "19999999999999999999", "19999999999999999999.00"},
        {kAppendFrom, n20, n30p5, "10000000000000000000", "10000000000000000000.00000"},
        {kAppendFrom, n20, f22p1, "-9999999999999999999", "-9999999999999999999.0"},
        {kAppendFrom, n6p2, n6p1, "1.25", "1.2"},
        {kAppendFrom, n6p3, n6p2, "2.675", "2.68"},
        {kAppendFrom, n20p2, n20p1, "12345678901234567.25", "12345678901234567.2"},
        {kAppendFrom, n20, n19, "99999999999999999999", stars19},
        {kShown, {}, n20, "99999999999999999999", "99999999999999999999"},
        {kShown, {}, n20, "-9223372036854775809", "-9223372036854775809"},
        {kShown, {}, n20p2, "12345678901234567.25", "12345678901234567.25"},
        {kTyped, {}, n20, "99999999999999999999", "99999999999999999999"},
        {kTyped, {}, n20, "12345678901234567890", "12345678901234567890"},
        {kTyped, {}, n19, "1234567890123456789", "1234567890123456789"},
        {kTyped, {}, n19, "9999999999999999999", "9999999999999999999"},
        {kTyped, {}, n19, "12345678901234567890", stars19},
        {kTyped, {}, n20p2, "12345678901234567.25", "12345678901234567.25"},
        {kTyped, {}, n6p1, "1,25", "1.2"},
        {kTyped, {}, n3p1, "-0.04", "0.0"},
        {kTyped, {}, n3, "0.6", "1"},
        {kTyped, {}, n3, "0.51", "1"},
        {kTyped, {}, n3, "0.49", "0"},
        {kTyped, {}, n5p1, "0.06", "0.1"},
        {kTyped, {}, n5p1, "9.96", "10.0"},
        {kShown, {}, n6p1, "", ""},
        {kTyped, {}, n6p1, "", ""},
        {kTyped, {}, n6p1, "abc", "7.0", true},
        {kTyped, {}, n19, "12x", "7", true},
        {kTyped, {}, n6p2, "1.2.3", "7.00", true},
        {kTyped, {}, n6p1, "-", "7.0", true},
        {kTyped, {}, n6p1, "******", "7.0", true},
        {kTyped, {}, n6p1, "1e", "7.0", true},
        {kTyped, {}, n6p1, "2E+", "7.0", true},
        {kTyped, {}, n6p1, "1e-", "7.0", true},
        {kInteger, {}, n20, "99999999999999999999", "9223372036854775807", false, INT64_MAX},
        {kInteger, {}, n19, "9999999999999999999", "9223372036854775807", false, INT64_MAX},
        {kInteger, {}, n20, "-9999999999999999999", "-9223372036854775808", false, INT64_MIN},
        {kInteger, {}, n19, "1", stars19, false, INT64_MIN},
        {kInteger, {}, n20, "12345678901234567890", "-1", false, -1},
        // 10^16 + 0.25 reads as the double 10^16, which the field no longer holds.
        {kInteger,
         {},
         n20p2,
         "10000000000000000.25",
         "10000000000000000.00",
         false,
         10000000000000000},
    };
    const auto field = [](const std::string& digits, int width) {
        return std::string(width - std::min<std::size_t>(digits.size(), width), ' ') + digits;
    };
    std::vector<std::string> tables;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i) + ": " + c.value + " into " + c.to.type +
                     std::to_string(c.to.length) + "," + std::to_string(c.to.decimals));
        const std::string table = Path("t" + std::to_string(i) + ".dbf");
        tables.push_back(table);
        switch (c.road) {
            case kAppendFrom: {
                const std::string source = Path("s" + std::to_string(i) + ".dbf");
                WriteBytes(source, BuildDbf(0x03, {c.from}, {" " + field(c.value, c.from.length)}));
                WriteBytes(table, BuildDbf(0x03, {c.to}, {}));
                USE(table + " EXCLUSIVE");
                AppendFrom(source);
                EXPECT_EQ(LastError(), 0);
                CloseArea();
                break;
            }
            case kShown:
                WriteBytes(table, BuildDbf(0x03, {c.to}, {" " + field(c.value, c.to.length)}));
                break;
            case kTyped: {
                WriteBytes(table, BuildDbf(0x03, {c.to},
                                           {" " + field(c.refused ? c.digits : "7", c.to.length)}));
                // The table editor refuses what would be stored as "*"; a
                // blank clears the field.
                const auto kind = TypedDigitsForField(c.value, c.to.length, c.to.decimals).kind;
                if (!c.value.empty()) {
                    EXPECT_EQ(kind == FieldNumberDigits::fits      ? "fits"
                              : kind == FieldNumberDigits::tooWide ? "too wide"
                                                                   : "no number",
                              std::string(c.refused             ? "no number"
                                          : c.digits == stars19 ? "too wide"
                                                                : "fits"));
                }
                TTzDbf ds("T");
                ds.SetDbfFileName(table);
                ds.Open();
                ds.First();
                ds.Edit();
                // The field refuses a text that is no number: nothing of
                // it is stored.
                if (c.refused)
                    EXPECT_THROW(ds.FieldByName("V").SetAsString(c.value), EDatabaseError);
                else
                    ds.FieldByName("V").SetAsString(c.value);
                ds.Post();
                ds.Close();
                break;
            }
            case kInteger: {
                WriteBytes(table, BuildDbf(0x03, {c.to}, {" " + field(c.value, c.to.length)}));
                TTzDbf ds("T");
                ds.SetDbfFileName(table);
                ds.Open();
                ds.First();
                ds.Edit();
                ds.FieldByName("V").SetAsInteger(c.given);
                ds.Post();
                ds.Close();
                break;
            }
        }
        EXPECT_EQ(StoredRecord(table, 1, 32 + 32 + 1, 1 + c.to.length),
                  field(c.digits, c.to.length));
        TTzDbf ds("T");
        ds.SetDbfFileName(table);
        ds.Open();
        ds.First();
        EXPECT_EQ(ds.FieldByName("V").AsString(), c.digits);
        ds.Close();
    }
    // Each number as an independent reader takes it: the field's text as a
    // decimal number, None for stars.
    const std::string script =
        "import sys\nfrom decimal import Decimal\nfrom dbfread import DBF, FieldParser\n"
        "class Exact(FieldParser):\n"
        "    def parseN(self, field, data):\n"
        "        t = data.strip()\n"
        "        return None if not t.strip(b'*') else Decimal(t.decode())\n"
        "    parseF = parseN\n"
        "for p in sys.argv[1:]:\n"
        "    print([str(r['V']) for r in DBF(p, parserclass=Exact).records])\n";
    std::vector<std::string> argv = {"/usr/bin/python3", "-c", script};
    argv.insert(argv.end(), tables.begin(), tables.end());
    std::string expected;
    for (const Case& c : cases)
        expected += "['" +
                    (c.digits == stars19 || c.digits.empty() ? std::string("None") : c.digits) +
                    "']\n";
    EXPECT_EQ(RunCapture(argv), expected);
}

}  // namespace
}  // namespace veldrim::testing
