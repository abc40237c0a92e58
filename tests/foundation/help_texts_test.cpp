#include "foundation/help_texts.h"

#include <gtest/gtest.h>

#include "foundation/codepage.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

using testing::FileFixture;

// Entries of the program's own help file: a picture, numbered line choices,
// an entry ending at the next header, one with five full lines, and one whose
// header and first line end the file.
const std::string kOwnHelp =
    "4500:SCHNECK\r\nZeile eins\r\nZeile zwei\r\n4502\r\nZeile drei gewaehlt\r\n4509\r\nuebersprungen\r\nZeile fuenf\r\n"
    "4010\r\nEins\r\nZwei\r\n"
    "4015\r\na\r\nb\r\nc\r\nd\r\ne\r\n"
    "4020\r\nnur eine Zeile\r\n";

class HelpTextsTest : public FileFixture {
protected:
    void SetUp() override {
        FileFixture::SetUp();
        helpDirectory = dir;
        Spit(Path("veldrim.hlp"), "3055\r\nDatei existiert.\r\nueberschreiben?\r\n4000\r\nx\r\n");
        programShortName = "WORMS";
        Spit(Path("Worms.Hlp"), kOwnHelp);  // spelled differently on disk
    }
    static void Capture(const std::string& path) { pictures.push_back(path); }
    static inline std::vector<std::string> pictures;
};

TEST_F(HelpTextsTest, HeaderParsingAndFileByNumber) {
    struct Case { const char* line; int number; const char* picture; } cases[] = {
        {"4500:SCHNECK", 4500, "SCHNECK"}, {"4500", 4500, "NULL"}, {"Text", -1, "NULL"},
        {"12ab:x", -1, "x"},               {"", -1, "NULL"},      {"4500: bild ", 4500, "bild"}};
    for (const auto& c : cases) {
        int n = 0;
        std::string pic;
        ParseHelpHeader(c.line, n, pic);
        EXPECT_EQ(n, c.number) << c.line;
        EXPECT_EQ(pic, c.picture) << c.line;
    }
    std::string name;
    HelpFileName(3055, name);
    EXPECT_EQ(name, Path("veldrim.hlp"));
    HelpFileName(4000, name);
    EXPECT_EQ(name, Path("worms.hlp"));
}

TEST_F(HelpTextsTest, EntryLinesByTheFormatRules) {
    HelpEntry e = FindHelpEntry(4500);
    ASSERT_EQ(e.status, HelpEntry::Status::Found);
    EXPECT_EQ(e.picture, "SCHNECK");
    EXPECT_EQ(e.lines, (HelpLines{"Zeile eins", "Zeile zwei", "Zeile drei gewaehlt", "", "Zeile fuenf"}));
    EXPECT_FALSE(e.endedAtNextHeader);
    e = FindHelpEntry(4010);
    EXPECT_EQ(e.lines, (HelpLines{"Eins", "Zwei", "", "", ""}));
    EXPECT_TRUE(e.endedAtNextHeader);
    EXPECT_EQ(FindHelpEntry(4020).status, HelpEntry::Status::EntryMissing);  // header ends the file
    EXPECT_EQ(FindHelpEntry(4025).status, HelpEntry::Status::EntryMissing);
}

TEST_F(HelpTextsTest, HintTexts) {
    const std::pair<int, std::string> cases[] = {
        {4010, "Eins Zwei    (4010)"},
        {4015, "a b c d e"},  // five full lines never get the number
        {4020, "Hilfetext Nr 4020: keine Hilfe vorhanden."}};
    helpLevel = 2;
    for (const auto& [n, want] : cases) {
        std::string text;
        GetHelpText(n, text);
        EXPECT_EQ(text, want) << n;
    }
    std::filesystem::remove(Path("Worms.Hlp"));
    cancelFlag = true;
    std::string text;
    GetHelpText(4500, text);
    EXPECT_EQ(text, "Datei " + Path("worms.hlp") + " nicht gefunden !");
    EXPECT_FALSE(cancelFlag);
}

TEST_F(HelpTextsTest, ShowModesPicturesAndTheCancelFlag) {
    pictures.clear();
    helpPictureHook = &HelpTextsTest::Capture;
    Spit(Path("schneck.plt"), "IN;");
    cancelFlag = true;
    ShowHelpText(4500, "", kHelpTextOnly);
    EXPECT_FALSE(cancelFlag);
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].title, "HILFETEXT Nr.4500");
    EXPECT_EQ(ui.calls[0].text, "Zeile eins Zeile zwei Zeile drei gewaehlt  Zeile fuenf ");
    EXPECT_TRUE(pictures.empty());
    ShowHelpText(4500, "", kHelpPictureOnly);
    EXPECT_EQ(ui.calls.size(), 1u);
    // An entry without picture still clears the window (empty path); a missing entry asks for "null.plt".
    cancelFlag = true;
    ShowHelpText(4010, "", kHelpTextAndPicture);
    EXPECT_TRUE(cancelFlag);  // ended at the next header
    ShowHelpText(4095, "", kHelpPictureOnly);
    EXPECT_EQ(pictures, (std::vector<std::string>{Path("schneck.plt"), "", Path("null.plt")}));
    SetHelpNumber(4095);
    ShowHelpText(0, "", kHelpTextOnly);
    EXPECT_EQ(ui.calls.back().text, "Hilfetext Nr 4095: keine Hilfe vorhanden.     ");
    EXPECT_FALSE(cancelFlag);
}

TEST_F(HelpTextsTest, PictureWithoutGraphicsGivesANotice) {
    ShowHelpText(4500, "", kHelpPictureOnly);
    ShowHelpText(4010, "", kHelpPictureOnly);  // an entry without picture needs no graphics
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, "Hilfebild SCHNECK kann nicht gezeigt werden: keine Grafikausgabe vorhanden.");
}

TEST_F(HelpTextsTest, MalformedFilesNeverCrash) {
    const std::string inputs[] = {"", "\n", "4500", "4500\r\n", "4500\r\n\r\n4501", "4500:\r\n4501\r\n",
                                  std::string(5000, '9'), "4500\r\nx\r\n4501\r\n",
                                  std::string("4500\r\n\0\0\0\r\n4502\r\n\xff\xfe", 19)};
    for (const auto& in : inputs) {
        Spit(Path("Worms.Hlp"), in);
        std::string text;
        GetHelpText(4500, text);
        HelpEntry e = FindHelpEntry(4500);
        for (const auto& l : e.lines) EXPECT_LE(l.size(), in.size());
    }
}

}  // namespace
}  // namespace veldrim
