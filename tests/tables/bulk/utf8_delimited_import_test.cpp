// APPEND DELIMITED of a text saved as UTF-8: its letters are stored in the
// table's code page (code page 850 for an OEM table, Windows-1252 for an
// ANSI one); a letter the code page lacks is stored as "?" and the user is
// told once, after the import, how many there were. A text in the table's
// own character set imports as it always did.
#include <gtest/gtest.h>

#include "support/scripted_ui.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

// NAME C 12, QTY N 3.
const std::vector<TFieldEntry> kFields = {F("NAME", 'C', 12), F("QTY", 'N', 3)};
constexpr std::size_t kHeader = 32 + 32 * 2 + 1;
constexpr std::size_t kRecordLength = 1 + 12 + 3;

class Utf8DelimitedImportTest : public TableTest {
protected:
    // Imports the text into a new table; the NAME fields as the file holds
    // them, right-trimmed.
    std::vector<std::string> Import(const std::string& text, bool ansiTable) {
        AnsiTables = ansiTable;
        const std::string table = Path("oils.dbf");
        CreateDbf(table, kFields);
        Spit(Path("oils.txt"), text);
        USE(table + " EXCLUSIVE");
        appended = AppendDelimited(Path("oils.txt"), false);
        EXPECT_EQ(LastError(), 0);
        CloseArea();
        const std::string bytes = Slurp(table);
        std::vector<std::string> names;
        for (std::size_t at = kHeader; at + kRecordLength <= bytes.size(); at += kRecordLength) {
            std::string name = bytes.substr(at + 1, 12);
            while (!name.empty() && name.back() == ' ') name.pop_back();
            names.push_back(name);
        }
        return names;
    }
    std::vector<std::string> Messages() const { return ui.TextsOf("message"); }
    int appended = 0;
};

TEST_F(Utf8DelimitedImportTest, Utf8LettersAreStoredInTheTablesCodePage) {
    // "ö" is 0x94 in code page 850 and 0xF6 in Windows-1252; "ß" 0xE1 and
    // 0xDF; "é" 0x82 and 0xE9.
    const std::string text = "\"Mineral\xC3\xB6l\",5\r\n\"Gro\xC3\x9F\",7\r\n\"Caf\xC3\xA9\",1\r\n";
    EXPECT_EQ(Import(text, false),
              (std::vector<std::string>{"Mineral\x94l", "Gro\xE1", "Caf\x82"}));
    EXPECT_EQ(appended, 3);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Import(text, true), (std::vector<std::string>{"Mineral\xF6l", "Gro\xDF", "Caf\xE9"}));
    EXPECT_TRUE(Messages().empty());
}

// A UTF-8 text that begins with the byte order mark, as editors often save
// it: the mark is no letter of the first field.
TEST_F(Utf8DelimitedImportTest, TheByteOrderMarkIsNoLetterOfTheFirstField) {
    const std::string text = "\xEF\xBB\xBF\"Mineral\xC3\xB6l\",5\r\n\"Oil\",7\r\n";
    EXPECT_EQ(Import(text, false), (std::vector<std::string>{"Mineral\x94l", "Oil"}));
    EXPECT_EQ(appended, 2);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Import("\xEF\xBB\xBF\"Oil\",7\r\n", true), (std::vector<std::string>{"Oil"}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(Utf8DelimitedImportTest, DbfreadReadsTheImportedLettersInTheTablesCodePage) {
    Import("\"Mineral\xC3\xB6l\",5\r\n", false);
    int rc = 0;
    const std::string out =
        RunCapture({"/usr/bin/python3", "-c",
                    "import sys, dbfread\n"
                    "t = dbfread.DBF(sys.argv[1], encoding='cp850', load=True)\n"
                    "sys.stdout.buffer.write(t.records[0]['NAME'].encode('utf-8'))",
                    Path("oils.dbf")},
                   &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out, "Mineral\xC3\xB6l");
}

TEST_F(Utf8DelimitedImportTest, LettersTheCodePageLacksAreCountedInOneMessage) {
    // "€" (U+20AC) is in Windows-1252 (0x80) but not in code page 850; the
    // CJK letters U+9F7F U+8F6E are in neither.
    const std::string text = "\"Preis \xE2\x82\xAC\",1\r\n\"Rad \xE9\xBD\xBF\xE8\xBD\xAE\",2\r\n";
    EXPECT_EQ(Import(text, false), (std::vector<std::string>{"Preis ?", "Rad ??"}));
    EXPECT_EQ(appended, 2);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Contains(Messages()[0], ": 3 Zeichen, die die Codeseite der Tabelle nicht"))
        << Messages()[0];
    EXPECT_TRUE(Contains(Messages()[0], "oils.txt")) << Messages()[0];

    ui.calls.clear();
    EXPECT_EQ(Import(text, true), (std::vector<std::string>{"Preis \x80", "Rad ??"}));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Contains(Messages()[0], ": 2 Zeichen, die")) << Messages()[0];
}

TEST_F(Utf8DelimitedImportTest, AFieldTakesAsManyLettersAsItHoldsNotBytes) {
    // Twelve letters, eighteen bytes in UTF-8: all twelve stored.
    EXPECT_EQ(Import("\"\xC3\xB6\xC3\xB6\xC3\xB6\xC3\xB6\xC3\xB6\xC3\xB6xxxxxx\",1\r\n", false),
              (std::vector<std::string>{"\x94\x94\x94\x94\x94\x94xxxxxx"}));
    // Letters cut off at the field's end are not stored, so not counted.
    EXPECT_EQ(Import("\"abcdefghijkl\xE2\x82\xAC\",1\r\n", false),
              (std::vector<std::string>{"abcdefghijkl"}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(Utf8DelimitedImportTest, ATextInTheTablesOwnCharacterSetImportsAsBefore) {
    // Windows-1252 bytes (the engine's own text): "Mineralöl" with 0xF6 is
    // no UTF-8, and is stored as it always was.
    EXPECT_EQ(Import("\"Mineral\xF6l\",5\r\n\"Gro\xDF\",7\r\n", false),
              (std::vector<std::string>{"Mineral\x94l", "Gro\xE1"}));
    EXPECT_EQ(Import("\"Mineral\xF6l\",5\r\n", true), (std::vector<std::string>{"Mineral\xF6l"}));
    // A pure ASCII text is the same either way.
    EXPECT_EQ(Import("\"Gear oil\",5\r\n", false), (std::vector<std::string>{"Gear oil"}));
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace veldrim::testing
