// Runtime base: error texts, the three reporting modes, OEM/ANSI conversion,
// file name and disk helpers.
#include "tables/engine_base.h"
#include "tables/engine_files.h"

#include "foundation/codepage.h"
#include "table_test_util.h"

namespace veldrim::testing {
namespace {

class EngineBaseTest : public TableTest {};

TEST_F(EngineBaseTest, ErrorTexts) {
    struct Case { uint16_t code; std::string text; };
    const Case cases[] = {
        {0, ""}, {7, "Fehler Nr. 7 (Unbekannter Fehler)"}, {351, "Fehler Nr. 351 (Unbekannter Fehler)"},
        {1300, "Fehler Nr. 1300 (File format not supported)"},
        {12, std::string("Fehler Nr. 12 (Unzulässiger Dateizugriff )"_cp850)},
        {212, std::string("Fehler Nr. 212 (Anfrage außerhalb Bereich)"_cp850)},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorText(c.code), c.text) << c.code;
    const std::pair<uint16_t, uint16_t> twins[] = {{4, 18}, {14, 20}, {19, 150}, {32, 162}, {30, 161}};
    for (auto [a, b] : twins) EXPECT_EQ(DurazErrorText(a), DurazErrorText(b)) << a << " " << b;
}

// Engine errors raise by default; nothing ends the process.
TEST_F(EngineBaseTest, RaisingIsTheDefault) {
    try {
        SetError(212, "somewhere [GO]");
    } catch (const EDurazError& e) {
        ShowDurazError(e);
    }
    EXPECT_EQ(Raised([] { SetError(212, "somewhere [GO]"); }), ErrorText(212) + "\r\nsomewhere [GO]");
    EXPECT_EQ(LastError(), 212);
    ASSERT_EQ(ui.CallsOf("message").size(), 1u) << "shown only through the UI port";
    SetError(0, "fine");
    {
        QuietEngineErrors quiet;
        SetError(100, "x");
    }
    EXPECT_THROW(SetError(100, "x"), EDurazError) << "the quiet scope restores the switch";
}

TEST_F(EngineBaseTest, MessageBoxModeShowsAndGoesOn) {
    EXPECT_TRUE(SetRaiseOnError(false));
    SetError(2, "Fehler beim Öffnen von x.dbf [USE/OpenDbf]"_cp850.data());
    SetError(5, "second");
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 2u) << "the engine does not halt after the first report";
    EXPECT_EQ(shown[0].title, "Programm angehalten.");
    EXPECT_EQ(shown[0].text, ErrorText(2) + "\r\n" + std::string("Fehler beim Öffnen von x.dbf [USE/OpenDbf]"_cp850));
    EXPECT_EQ(LastError(), 5);
}

TEST_F(EngineBaseTest, QuietModeIsCollectedByTheCaller) {
    EXPECT_TRUE(SetReportErrors(false));
    SetError(220, "[UnlockRec(0)]");
    EXPECT_EQ(LastError(), 220);
    EXPECT_EQ(TakeErrorMessage(), ErrorText(220) + "\r\n[UnlockRec(0)]");
    EXPECT_EQ(TakeErrorMessage(), "");
    SetError(5, "ctx");
    EXPECT_EQ(TakeErrorContext(), "ctx");
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(EngineBaseTest, OemAnsiRoundTrip) {
    const std::string oem(reinterpret_cast<const char*>("Stra\xE1" "e \x84\x94\x81"));
    const std::string ansi = OemToAnsiStr(oem);
    EXPECT_EQ(ansi, "Stra\xDF" "e \xE4\xF6\xFC");
    EXPECT_EQ(AnsiToOemStr(ansi), oem);
    std::vector<uint8_t> buf(oem.begin(), oem.end());
    OemToAnsiBuff(buf.data(), buf.size());
    EXPECT_EQ(std::string(buf.begin(), buf.end()), ansi);
}

class EngineFilesTest : public TableTest {};

TEST_F(EngineFilesTest, NameParts) {
    EXPECT_EQ(DefaultExtension("ADDR", "DBF"), "ADDR.DBF");
    EXPECT_EQ(DefaultExtension("ADDR.TXT", "DBF"), "ADDR.TXT");
    EXPECT_EQ(DefaultExtension("dir.v2/ADDR", "DBF"), "dir.v2/ADDR.DBF") << "a dot in a folder is no extension";
    EXPECT_EQ(ForceExtension("ADDR.DBF", "DBT"), "ADDR.DBT");
    std::string d, n, e;
    SplitFileName("/data/ADDR.DBF", d, n, e);
    EXPECT_EQ(d + "|" + n + "|" + e, "/data/|ADDR|.DBF");
    SplitFileName("ADDR", d, n, e);
    EXPECT_EQ(d + "|" + n + "|" + e, "|ADDR|");
    EXPECT_EQ(StripExtension("/x/y/Mat.dbf"), "/x/y/Mat");
}

TEST_F(EngineFilesTest, FindDeleteAndUniqueNames) {
    EXPECT_EQ(DiskFreeKB("/nonexistent/folder"), -1);
    for (const char* f : {"Lubri.DBF", "a1.tmp", "a2.tmp", "keep.txt"}) WriteBytes(Path(f), {1});
    EXPECT_EQ(FindFileNoCase(Path("lubri.dbf")), Path("Lubri.DBF"));
    EXPECT_FALSE(FileExist(dir)) << "a folder is no file";
    DeleteFilesLike(Path("a?.tmp"));
    EXPECT_FALSE(FileExist(Path("a1.tmp")) || FileExist(Path("a2.tmp")));
    EXPECT_TRUE(FileExist(Path("keep.txt")));
    EXPECT_THROW(DeleteFilesLike(Path("gone.tmp")), EDurazError);
    EXPECT_EQ(LastError(), 2);
    std::string a, b;
    UniqueFilename(a);
    UniqueFilename(b);
    EXPECT_TRUE(a != b && FileExist(a));
    std::filesystem::remove(a);
    std::filesystem::remove(b);
}

TEST_F(EngineFilesTest, AFileHeldOpenIsNotDeleted) {
    CreateDbf(Path("held.dbf"), {F("A", 'C', 1)});
    USE(Path("held.dbf"));
    EXPECT_EQ(DeleteFileChecked(Path("held.dbf")), 32);
    EXPECT_TRUE(FileExist(Path("held.dbf")));
    CloseArea();
    EXPECT_EQ(DeleteFileChecked(Path("held.dbf")), 0);
    EXPECT_FALSE(FileExist(Path("held.dbf")));
}

}  // namespace
}  // namespace veldrim::testing
