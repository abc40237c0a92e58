// The shipped message text file and help text file: every message that the
// worm gear calculation can add has a cause and a remedy, every help number
// that the program sets has an entry, and both files keep their format.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "foundation/codepage.h"
#include "foundation/help_texts.h"
#include "foundation/message_display.h"
#include "foundation/program_state.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

const std::string kDataDir = VELDRIM_DATA_DIR;

// One instance of every message (numbers and gear numbers filled in).
const char* const kCalculationMessages[] = {
    "Fatal  : z2 = 0 !", "Warnung: alpha !", "Fatal  : dm1/a >= 2 !", "Fatal  : m <= 0 !", "Fatal  : gamma-b (div)",
    "Error : Fatal  : gamma-b arccos(1,2)", "Error : Fatal  : Zahnweite ! arccos(1,2)",
    "Error : Fatal  : ArcCos(cos(alpha t)*d/da)>1 ! arccos(1,2)", "Fatal  : db (div)", "Fatal  : xz2 (sqrt)",
    "Fatal  : q (sqrt)", "Warnung: ZI: x < -0.5 !", "Warnung: ZI: x > 0.5 !", "Warnung: ZH: x < 0 !",
    "Warnung: ZH: x > 1 !", "Warnung: dm1/a < 0.25 !", "Warnung: dm1/a > 0.5 !", "Fehler : b2 > da1 !",
    "Fehler : da1-df2 Collision !", "Fehler : da2-df1 Collision !", "Fehler : db > da  (1)",
    "Fehler : db > da  (2) !", "Fehler : db > dFa1", "Fehler : db > dFa2", "Fehler : db2 > 2a-da1 ! (1)",
    "Fehler : dw cut (sqrt)", "Fehler : df < dBore ! (1)", "Fehler : df < dBore ! (2)", "Fatal  : E1 = 0 !",
    "Fatal  : E2 = 0 !", "Fehler : z1 <= 0 !", "Fehler : z2 <= 0 !", "Fatal  : u (div)", "Fatal  : n1 (div)",
    "Fatal  : n2 (div)", "Fatal  : vgm (div)", "Fatal  : Pv0 (pow)", "Fatal  : P0 = 0 !", "Fatal  : Pv > P !",
    "Fatal  : eta-z (div)", "Fatal  : Ftm (div)", "Fatal  : Ftm2 (div)", "Fatal  : Fnm (div)", "Fatal  : Frm (div)",
    "Fehler : ZE (sqrt)", "SigHlim2 ! (div)", "Fatal  : CHE (pow)", "Fatal  : Zn (pow)", "Fatal  : SH ! (div)",
    "Fatal  : SF (div)", "Fatal  : NL = 0 !", "Fehler : T2 = 0 !", "Fehler : T2 = 0 ! DIN 3996:1998",
    "Fehler : visko = 0 !", "Warnung: SH<1  (1)", "Warnung: SH<1  (2)", "Warnung: SF<1  (1)", "Warnung: SF<1  (2)",
    "Warnung: Zahnbreite !  (1)", "Warnung: Zahnbreite !  (2)", "Kn (pow)", "Ks (pow)", "Kv (pow)", "YNL (pow)",
    "Fatal  : a = 0 !", "Fatal  : gamma m = 0 !", "Fatal  : z = 0 !", "Fehler : DmMess (pow)",
    "Error : Fehler : DmMess arccos(1,2)", "Fatal  : Kugelmaß DmMess !", "Error : kmess arccos(1,2)",
    "Fehler : Dm ball !  (3.5mm)", "Warnung: Dm ball   (3.5mm)", "Fehler : dbk > dFa1 !", "Fehler : dbk > dFa2 !",
    "Fatal  : pm < 0 !", "Fehler : pm < 0 ! DIN 3996:1998", "Fehler : pm < 0 ! DIN 3996:2012",
    "Fehler : SW < 1.1 ! DIN 3996:1998", "Fehler : SW < 1.1 ! DIN 3996:2012", "Fehler : SH < 1.0 !  DIN 3996:2012",
    "Fehler : SF < 1.1 ! DIN 3996:2012", "Fehler : T1/Wt>Sig.Flim !", "YG (sqrt)", "zvdin (sqrt)", "Fatal  : alpha !",
    "Fatal  : alpha wt !", "Fatal  : beta > 45!", "Fatal  : mn <= 0!", "Fatal  : b <= 0!", "Fehler : z1 < 0 !",
    "Fehler : z2 < z1 !", "Achsabstand angepaßt !", "Warnung: q tol < Tsn/2  (1)", "Warnung: q tol < Tsn/2  (2)",
    "Fatal  : Unit0", "Fatal  : Unit1", "Fatal  : Unit2", "Fehler : Fp (pow)", "Fehler : Fr (pow)",
    "Fehler : Rs (pow)", "Fehler : FHß5 (pow)", "Fi' (pow)", "Fp2 (pow)", "Fpz (pow)", "Fr (pow)",
    "Warnung: Fr: (0.5<=mn<=70)", "Warnung: Fr: (5<=d<=15000)", "Warnung: Fr: (5<=z<=1000)",
    "Warnung: fis: (1<=mn<=50)", "Warnung: fis: (5<=d<=2500)", "Warnung: fis: (5<=z<=400)",
    "Warnung: Tsn < 2Rs !  (1)", "Warnung: Tsn < 2Rs !  (2)", "Fatal: Fhfbeta !", "Invalid Data !",
    "Fatal  : Zahnweite !", "Warnung: Spitzzahn ! (1)", "Warnung: Spitzzahn ! (2)", "Warnung: Unterschnitt ! (1)",
    "Warnung: Unterschnitt ! (2)", "Warnung: cffmin < 0 ! (-0.1mm)", "Fehler : Zahnspiel < 0 ! (1)",
    "Fehler : Zahnspiel < 0 ! (2)", "Warnung: Zahnspiel < 0.12mn ! (1)", "eps.alpha < 1 !", "eps.beta < 1 !",
    "eps.gamma < 1 !", "Warnung: x > 1.5   (1) !", "alfa prP0 > alfa !", "alfa kP0 < alfa !",
    "Warnung: k measure  W 1 !", "Warnung: b < b min. (1)", "Warnung: Asne < Aau !  (1)", "Warnung: jtmin < 0 !",
    "Warnung: Tsn DIN d<2 !", "Warnung: Tol. Asne,Asni!", "Warnung: ISO 6336 -> ISO 1328", "Fatal  : Asni > mn ! (1)",
    "Fatal  : Asni > mn ! (2)", "Fehler : xemin>xemax (1)", "Fehler : dw < df ! (1)", "Fehler : dw > da ! (1)",
    "Warnung: beff > b ! (1)", "Warnung: x2 > 0", "Fehler : confgraf", "Fatal  : da = 0 !",
    "Fehler : cos(alpha t)*d/da)>1", "Fehler : Eingr.stör. da1 !", "Fehler : Eingr.stör. da2 !",
    "Fehler : eps.alpha (sqrt)", "Fehler : g alpha (sqrt)", "Fatal  : epsilon alpha <=0 !", "Fehler : dnf1 (sqrt)",
    "Fehler : dnf2 (sqrt)", "Fehler : kmn < 0 !  (1)", "Fehler : kmn < 0 !  (2)",
    "Fatal  : ArcCos(cos(alpha t)*d/da)>1 !", "Error :  arccos(1,2)", "Error: ArcInv in unit math",
    "Fehler in GetArcCenter (dphi = 0)",
};

// Every help number the program sets, with the hints of the online dialogs.
const int kHelpNumbers[] = {
    1000, 1050, 1060, 1070, 1210, 1950, 1970, 2050, 2055, 2060, 2080, 2090, 2120, 2130, 2140, 2145, 2150, 2160,
    2280, 2450, 2900, 3055, 3210, 4000, 4010, 4030, 4500, 5040, 6000, 6010, 6020, 6030, 6040, 6050, 6060, 6070,
    6080, 6090, 6100, 6110, 6120, 6130, 6140, 6150, 6160, 6170, 6180, 6190, 6200, 6210, 6220, 7000, 7010, 7020,
    7030, 7040, 7050, 7060, 7070, 7080, 7090, 7100, 7110, 7120, 7520, 9260, 9500,
};

using testing::Slurp;

class ShippedTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetHelpTexts();
        helpDirectory = kDataDir;
    }
};

TEST_F(ShippedTextsTest, EveryCalculationMessageHasCauseAndRemedy) {
    const std::string file = MessageTextFileName();
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    std::vector<std::string> messages(std::begin(kCalculationMessages), std::end(kCalculationMessages));
    // The angle guards name the tenth of the angle range they check.
    for (char tenth : std::string("-123456789IN"))
        for (const char* f : {"Sin ", "Cos "}) messages.push_back(std::string("Error: Arc") + f + tenth + "5");
    for (const std::string& utf8 : messages) {
        const auto entry = FindMessageHelp(file, Utf8ToCp850(utf8));
        ASSERT_TRUE(entry.has_value()) << utf8;
        EXPECT_TRUE(entry->hasRemedy && !entry->cause.empty() && !entry->remedy.empty()) << utf8;
    }
}

TEST_F(ShippedTextsTest, MessageFileHasOneRecordPerKey) {
    const std::string bytes = Slurp(MessageTextFileName());
    ASSERT_FALSE(bytes.empty());
    // Records are key, cause, remedy and an empty line after two heading lines.
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = bytes.find("\r\n", start)) != std::string::npos; start = nl + 2)
        lines.push_back(bytes.substr(start, nl - start));
    EXPECT_EQ(start, bytes.size()) << "every line ends with CR LF";
    std::set<std::string> keys;
    for (std::size_t i = 3; i + 2 < lines.size(); i += 4) {
        EXPECT_TRUE(keys.insert(lines[i].substr(0, kMessageKeyLength)).second) << lines[i];
        if (i + 3 < lines.size()) EXPECT_EQ(lines[i + 3], "") << lines[i];
    }
    EXPECT_EQ(keys.size(), (lines.size() - 3) / 4);
}

TEST_F(ShippedTextsTest, EveryHelpNumberHasAnEntry) {
    for (int n : kHelpNumbers) {
        HelpEntry e = FindHelpEntry(n);
        ASSERT_EQ(e.status, HelpEntry::Status::Found) << n;
        EXPECT_FALSE(e.lines[0].empty()) << n;
        EXPECT_EQ(e.picture, "NULL") << n;
        std::string text;
        GetHelpText(n, text);
        EXPECT_EQ(text.find("keine Hilfe vorhanden"), std::string::npos) << n;
    }
}

TEST_F(ShippedTextsTest, FilesAreCodePage850) {
    for (const char* name : {"VELDRIM.err", "veldrim.hlp"}) {
        const std::string bytes = Slurp(kDataDir + "/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        // German umlauts appear as code page 850 bytes, never as UTF-8.
        EXPECT_NE(bytes.find("\x84"), std::string::npos) << name << ": no CP850 'ä'";
        EXPECT_EQ(bytes.find("\xC3\xA4"), std::string::npos) << name << ": UTF-8 'ä'";
    }
}

}  // namespace
}  // namespace veldrim
