// Numbers read from text (APPEND DELIMITED, APPEND FROM a character field)
// that no field can hold: beyond the range of a double ("1e400"), not
// finite ("inf", "nan") or wider than the field. Each is stored as a number
// too wide for its field is, every byte of the field a "*", never as
// another number; twenty nines keep their digits in the field of twenty.
#include <gtest/gtest.h>

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

// The texts, and the fields they go into: N(8,2) with decimals, N(5,0) and
// N(12,0) whole numbers of the two binary forms, N(20,0) as wide as a
// numeric field gets.
const char* const kTexts[] = {
    "1e400", "-1e400", "inf", "-inf", "nan", "99999999999999999999", "1E999999999999999999999"};
const std::vector<TFieldEntry> kNumberFields = {F("DEC", 'N', 8, 2), F("SMALL", 'N', 5),
                                                F("WIDE", 'N', 12), F("MOST", 'N', 20)};
constexpr std::size_t kRecordLength = 1 + 8 + 5 + 12 + 20;

class ImportedNumbersTest : public TableTest {
protected:
    // The stored fields of record r (from 1) as the file holds them.
    std::vector<std::string> FieldsOnDisk(const std::string& table, int r) {
        const std::string bytes = Slurp(table);
        const std::size_t header = 32 + 32 * kNumberFields.size() + 1;
        const std::size_t at = header + (r - 1) * kRecordLength + 1;
        std::vector<std::string> out;
        std::size_t offset = at;
        for (const int width : {8, 5, 12, 20}) {
            out.push_back(bytes.size() >= offset + width ? bytes.substr(offset, width) : "");
            offset += width;
        }
        return out;
    }
    void ExpectAllStars(const std::string& table) {
        for (int r = 1; r <= static_cast<int>(std::size(kTexts)); ++r) {
            SCOPED_TRACE(kTexts[r - 1]);
            const auto fields = FieldsOnDisk(table, r);
            EXPECT_EQ(fields[0], "********");
            EXPECT_EQ(fields[1], "*****");
            EXPECT_EQ(fields[2], "************");
            EXPECT_EQ(fields[3], std::string(kTexts[r - 1]) == "99999999999999999999"
                                     ? kTexts[r - 1]
                                     : "********************");
        }
    }
};

TEST_F(ImportedNumbersTest, DelimitedTextsOutOfRangeFillTheFieldsWithStars) {
    std::string text;
    for (const char* t : kTexts) text += std::string(t) + "," + t + "," + t + "," + t + "\r\n";
    // Too small for a double is as good as zero, not the digits before the "e".
    text += "1e-400,-1e-400,0.5e-999,1e-400\r\n";
    Spit(Path("in.txt"), text);
    const std::string table = Path("numbers.dbf");
    CreateDbf(table, kNumberFields);
    USE(table + " EXCLUSIVE");
    EXPECT_EQ(AppendDelimited(Path("in.txt"), false), 8);
    CloseArea();
    ExpectAllStars(table);
    const auto tiny = FieldsOnDisk(table, 8);
    EXPECT_EQ(tiny[0], "    0.00");
    EXPECT_EQ(tiny[1], "    0");
    EXPECT_EQ(tiny[2], "           0");
    EXPECT_EQ(tiny[3], "                   0");
}

TEST_F(ImportedNumbersTest, CharacterFieldsOutOfRangeAppendedAsStars) {
    const std::vector<TFieldEntry> texts = {F("DEC", 'C', 30), F("SMALL", 'C', 30),
                                            F("WIDE", 'C', 30), F("MOST", 'C', 30)};
    CreateDbf(Path("texts.dbf"), texts);
    USE(Path("texts.dbf") + " EXCLUSIVE");
    for (const char* t : kTexts) {
        ClearRecord();
        for (int n = 1; n <= 4; ++n) SetBinaryText(n, t);
        Append();
    }
    CloseArea();
    const std::string table = Path("numbers.dbf");
    CreateDbf(table, kNumberFields);
    USE(table + " EXCLUSIVE");
    AppendFrom(Path("texts.dbf"));
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(RecCount(), static_cast<int32_t>(std::size(kTexts)));
    CloseArea();
    ExpectAllStars(table);
}

// A number field that holds stars lost its digits: appended into a number
// field of another layout, or into a character field, it stays too wide
// instead of becoming 0.
TEST_F(ImportedNumbersTest, OverWideNumbersAppendedFromAnotherTableStayStars) {
    const std::string source = Path("numbers.dbf");
    CreateDbf(source, kNumberFields);
    USE(source + " EXCLUSIVE");
    ClearRecord();
    SetBinaryNumber(1, 123456.78);  // "********" in N(8,2): eight places hold at most 99999.99
    SetBinaryInteger(2, 123456);    // six digits in N(5,0)
    SetBinaryInteger(3, 7);
    SetBinaryInteger(4, 8);
    Append();
    CloseArea();
    ASSERT_EQ(FieldsOnDisk(source, 1)[0], "********");
    ASSERT_EQ(FieldsOnDisk(source, 1)[1], "*****");

    // Other widths, so the record goes field by field: N(10,1), N(9,0),
    // C(6), C(12).
    const std::string target = Path("other.dbf");
    CreateDbf(target,
              {F("DEC", 'N', 10, 1), F("SMALL", 'N', 9), F("WIDE", 'C', 6), F("MOST", 'C', 12)});
    USE(target + " EXCLUSIVE");
    AppendFrom(source);
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(RecCount(), 1);
    CloseArea();
    const std::string bytes = Slurp(target);
    const std::size_t record = 32 + 32 * 4 + 1 + 1;
    ASSERT_GE(bytes.size(), record + 37);
    EXPECT_EQ(bytes.substr(record, 10), "**********");
    EXPECT_EQ(bytes.substr(record + 10, 9), "*********");
    EXPECT_EQ(bytes.substr(record + 19, 6), "     7");
    EXPECT_EQ(bytes.substr(record + 25, 12), "           8");
}

}  // namespace
}  // namespace veldrim::testing
