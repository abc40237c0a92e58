// The engine's messages are code page 850: its own letters (ä 0x84, ü 0x81)
// and the file names it names (carried where code page 850 lacks a letter).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/codepage.h"
#include "tables/table_test_util.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/datasets/field_lines.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"
#include "tables/index/ndx_index.h"

namespace veldrim::testing {
namespace {

class EngineTexts : public TableTest {};

TEST_F(EngineTexts, AppendingATableToItselfNamesItInCodePage850) {
    const std::string table = Path("Größe-Ł.dbf");
    CreateDbf(table, {F("NAME", 'C', 10)});
    USE(table + " EXCLUSIVE");
    const std::string shown = Raised([&] { AppendFrom(table); });
    ASSERT_EQ(LastError(), 214);
    const std::string context = "Datei kann nicht an sich selbst angeh\x84ngt werden. [AppendFrom(";
    EXPECT_NE(shown.find(context), std::string::npos) << shown;
    EXPECT_NE(Cp850ToUtf8Carried(shown).find(table + ")]"), std::string::npos)
        << Cp850ToUtf8Carried(shown);
}

TEST_F(EngineTexts, APackThatCannotHoldTheTableAloneNamesItInCodePage850) {
    const std::string table = Path("Größe-Ł.dbf");
    CreateDbf(table, {F("NAME", 'C', 10)});
    USE(table + " EXCLUSIVE");
    ClearRecord();
    SetBinaryText(1, "a");
    Append();
    CloseArea();
    // The same table open shared in a second area keeps the first from
    // holding it alone.
    Select(2);
    USE(table + " ALIAS OTHER");
    Select(1);
    USE(table);
    const std::string shown = Raised([&] { Pack(); });
    EXPECT_NE(LastError(), 0);
    const std::string context =
        "Datenbank kann nicht exklusiv ge\x94"
        "ffnet werden. ";
    EXPECT_NE(shown.find(context), std::string::npos) << shown;
    EXPECT_NE(Cp850ToUtf8Carried(shown).find(table + " [Pack]"), std::string::npos)
        << Cp850ToUtf8Carried(shown);
    CloseArea();
    Select(2);
    CloseArea();
    Select(1);
}

// A table whose memo file is missing is named by its whole path, folder
// and all, with the letters it has.
TEST_F(EngineTexts, AMemoFileThatCannotBeOpenedNamesTheTableInCodePage850) {
    std::filesystem::create_directories(Path("Ölsorten"));
    const std::string table = Path("Ölsorten/Größe-Ł.dbf");
    WriteBytes(table, BuildDbf(0x83, {{"ID", 'N', 4, 0}, {"NOTE", 'M', 10, 0}}, {}));
    const std::string shown = Raised([&] { USE(table); });
    EXPECT_NE(LastError(), 0);
    EXPECT_EQ(CurrentWorkArea(), nullptr) << "no half-open area";
    const std::string context =
        "Problem beim \x99"
        "ffnen der Memo-Datei [USE(";
    EXPECT_NE(shown.find(context), std::string::npos) << shown;
    EXPECT_NE(Cp850ToUtf8Carried(shown).find("[USE(" + table + ",<@Buffer>,0)]"), std::string::npos)
        << Cp850ToUtf8Carried(shown);
}

TEST_F(EngineTexts, AnIndexThatCannotBeReadIsNamedInCodePage850) {
    const std::string index = Path("Größe-Ł.ndx");  // not there
    TIndexInfo info;
    const std::string shown = Raised([&] { IndexInfo(index, info); });
    EXPECT_NE(Cp850ToUtf8Carried(shown).find("[IndexInfo(<>," + index + ")]"), std::string::npos)
        << Cp850ToUtf8Carried(shown);
}

TEST_F(EngineTexts, ABadFieldLineIsRefusedInCodePage850) {
    std::string reason;
    EXPECT_TRUE(FieldsFromLines({"NAME"}, false, "Sorten", &reason).empty());
    EXPECT_EQ(reason, "Ung\x81ltige Feldbeschreibung: NAME");
}

}  // namespace
}  // namespace veldrim::testing
