#include "reports/edi_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "calc/records.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "app/app_test_support.h"
#include "support/demo_data_set.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

using testing::Slurp;

std::vector<std::string> ItemLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start + 1);
        if (line[0] != '<') out.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

class Edi : public testing::AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        ediDirectory = dir;
    }
};

TEST_F(Edi, LineFormAndKeyOrder) {
    gearPair.z[1] = 2;
    wormGear.drawingNumber[1] = "";
    decimalsSetting = 0;  // display settings must not reach the file
    decimalSeparatorOption = 2;
    const std::string path = dir + "/a.edi";
    WriteEdiFile(path);
    ASSERT_FALSE(cancelFlag);
    const std::string text = Slurp(path);
    EXPECT_EQ(text.substr(0, 4 + 37 + 2), "<   " + std::string(37, '*') + "\r\n");
    EXPECT_NE(text.find("<   *  Extended Data Interface File     *\r\n"), std::string::npos);
    const auto items = ItemLines(text);
    ASSERT_EQ(items.size(), 63u);
    const std::regex form(R"(^\d{4}  .*\r\n$)");
    int previous = 0;
    for (const std::string& line : items) {
        EXPECT_TRUE(std::regex_match(line, form)) << line;
        const int key = std::stoi(line.substr(0, 4));
        EXPECT_GT(key, previous) << line;
        previous = key;
    }
    EXPECT_NE(text.find("\r\n3092    2\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n3042  \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n3070    80.0000\r\n"), std::string::npos);
}

TEST_F(Edi, RoundTripOfEveryKey) {
    wormGear.a = -12345.6789L;          // negative
    wormGear.u = 98765.4321L;           // large
    gearPair.T[1] = 0.00001L;           // small: 4 decimals
    wormGear.partName[1] = "";          // empty
    wormGear.drawingNumber[2] = "   ";  // blanks only
    gearPair.materialName[1] = "GG-25 Graugu\xE1";
    gearPair.z[2] = 1234;
    wormGear.flankForm = 5;
    wormGear.Fn = -0.5L;
    reportHeaderLines[2] = "Info 2";
    const GearPairRecord pair = gearPair;
    const WormGearRecord gear = wormGear;
    const std::string path = dir + "/b.edi";
    WriteEdiFile(path);
    ASSERT_FALSE(cancelFlag);

    ResetGearData();
    reportHeaderLines[2] = "";
    ASSERT_TRUE(ReadEdiFile(path));
    EXPECT_TRUE(EdiReadProblems().empty());
    EXPECT_NEAR(wormGear.a, gear.a, 5E-5L);
    EXPECT_NEAR(wormGear.u, gear.u, 5E-5L);
    EXPECT_EQ(gearPair.T[1], 0);  // below the file's 4 decimals
    EXPECT_EQ(wormGear.partName[1], "");
    EXPECT_EQ(wormGear.drawingNumber[2], "   ");
    EXPECT_EQ(gearPair.materialName[1], pair.materialName[1]);
    EXPECT_EQ(gearPair.z[2], 1234);
    EXPECT_EQ(wormGear.flankForm, 5);
    EXPECT_NEAR(wormGear.Fn, -0.5L, 1E-9L);
    EXPECT_EQ(reportHeaderLines[2], "Info 2");

    // Writing what was read gives the same file, but for date and time.
    const std::string first = Slurp(path);
    WriteEdiFile(dir + "/c.edi");
    auto strip = [](std::string s) {
        s = std::regex_replace(s, std::regex("3012  [^\r]*"), "3012");
        return std::regex_replace(s, std::regex("3014  [^\r]*"), "3014");
    };
    EXPECT_EQ(strip(first), strip(Slurp(dir + "/c.edi")));
}

// A text the data file reader takes in with a lone CR (edited outside the
// program) goes through the exchange file and comes back as it was.
TEST_F(Edi, ATextWithALoneCrComesBackAsItWas) {
    gearPair.materialName[1] = "16Mn\rCr5";
    gearPair.materialName[2] = "CuSn12\r";
    const std::string path = dir + "/cr.edi";
    WriteEdiFile(path);
    ASSERT_FALSE(cancelFlag);
    ResetGearData();
    ASSERT_TRUE(ReadEdiFile(path));
    EXPECT_TRUE(EdiReadProblems().empty());
    EXPECT_EQ(gearPair.materialName[1], "16Mn\rCr5");
    EXPECT_EQ(gearPair.materialName[2], "CuSn12\r");
}

// After the calculation every result key carries its record field: the demo
// set's values (reference/worm_reference.py, to the file's 4 decimals).
TEST_F(Edi, ResultKeysCarryTheCalculatedRecord) {
    testing::LoadDemoDataSet();
    ASSERT_FALSE(fatalFlag);
    const std::string path = dir + "/r.edi";
    WriteEdiFile(path);
    ASSERT_FALSE(cancelFlag);
    std::map<int, std::string> values;
    for (const std::string& line : ItemLines(Slurp(path))) {
        std::string value = line.substr(6, line.size() - 8);
        value.erase(0, value.find_first_not_of(' '));
        values[std::stoi(line.substr(0, 4))] = value;
    }
    const struct {
        int key;
        const char* field;
        const char* value;
    } results[] = {
        {3072, "u", "20.5000"},       {3080, "T[1]", "24.1122"},    {3084, "P[1]", "3.6613"},
        {3086, "T[2]", "405.0219"},   {3088, "n[2]", "70.7317"},    {3090, "P", "3.0000"},
        {3170, "dm[1]", "36.0000"},   {3172, "d[2]", "164.0000"},   {3174, "da[1]", "44.0000"},
        {3176, "da[2]", "172.0000"},  {3178, "df[1]", "26.4000"},   {3180, "df[2]", "154.4000"},
        {3182, "de2", "180.0000"},    {3200, "Ft[1]", "1674.4606"}, {3202, "Ft[2]", "6174.1142"},
        {3204, "Fx[1]", "6174.1142"}, {3206, "Fx[2]", "1674.4606"}, {3208, "Fr", "2476.3941"},
        {3212, "Fn", "7237.2359"},
    };
    for (const auto& r : results) EXPECT_EQ(values[r.key], r.value) << r.key << " " << r.field;
}

TEST_F(Edi, ReaderSkipsIdentityAndKeepsFieldsOfBadValues) {
    const std::string path = dir + "/d.edi";
    std::ofstream(path, std::ios::binary)
        << "<   comment\r\n3010  /somewhere/else\r\n3016  other\r\n3070  abc\r\n"
           "3072    12.5000\n9999  ignored\r\n3092  -7\r\n3104  70000\r\n";
    dataDirectory = "TRAIN";
    currentFileName = "demo";
    const Real a = wormGear.a;
    ASSERT_TRUE(ReadEdiFile(path));
    EXPECT_EQ(dataDirectory, "TRAIN");  // the identity keys move nothing
    EXPECT_EQ(currentFileName, "demo");
    EXPECT_EQ(wormGear.a, a);      // "abc" does not convert
    EXPECT_EQ(wormGear.u, 12.5L);  // LF line ends read too
    EXPECT_EQ(gearPair.z[1], -7);
    EXPECT_NE(wormGear.flankForm, 70000 % 65536);  // out of range for the code
    EXPECT_EQ(EdiReadProblems().size(), 2u);
    EXPECT_FALSE(ReadEdiFile(dir + "/missing.edi"));
    EXPECT_TRUE(cancelFlag);
}

// Before /E replaces a file it checks that the file is an exchange file.
TEST_F(Edi, OnlyExchangeFilesPassTheCheck) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;  // empty: the file passes
    };
    const Case cases[] = {
        {"shipped", Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.edi"), ""},
        {"one key, LF ends, a blank line", "<   c\n\n3070    80.0000\n", ""},
        {"an unknown key beside a known one", "9999  x\r\n3092    2\r\n", ""},
        {"gear data file", Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3"), "line 1 is neither"},
        {"empty", "", "is empty"},
        {"comments only", "<   a\r\n<   b\r\n", "no key line"},
        {"keys outside the table only", "2998  1\r\n3214  2\r\n", "no key line"},
        {"one blank between key and value", "3070 80\r\n", "line 1 is neither"},
        {"five-digit key", "30700  80\r\n", "line 1 is neither"},
        {"text after the keys", "3070  80\r\n# notes\r\n", "line 2 is neither"},
        {"binary", std::string("\x00\xff\x10\n3070  80\n", 11), "line 1 is neither"},
        {"over-long value", "3070  80\r\n3072  " + std::string(70000, '9') + "\r\n",
         "line 2 is too long"},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/check.edi";
        testing::Spit(path, c.bytes);
        std::string reason;
        EXPECT_EQ(CheckEdiFile(path, reason), std::string(c.reason).empty())
            << c.what << ": " << reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
        EXPECT_EQ(Slurp(path), c.bytes) << c.what;
    }
}

// A value line beyond the reading limit fails the read with its line number
// and leaves the data set as it was.
TEST_F(Edi, AnOverLongLineFailsTheReadAndChangesNothing) {
    const std::string path = dir + "/long.edi";
    testing::Spit(path, "3070    99.0000\r\n3072  " + std::string(70000, '9') + "\r\n");
    const Real a = wormGear.a;
    EXPECT_FALSE(ReadEdiFile(path));
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(wormGear.a, a);
    ASSERT_FALSE(ui.CallsOf("message").empty());
    EXPECT_NE(ui.CallsOf("message").back().text.find("Zeile 2"), std::string::npos);
}

// The shipped exchange file is the writer's output for the calculated demo
// data set (its date and time aside). VELDRIM_REGENERATE_DEMO=1 writes it anew.
TEST_F(Edi, ShippedDemoMatchesTheWriter) {
    ResetProgramState();
    ediDirectory = dir;
    currentFileName = "demo";
    testing::LoadDemoDataSet();
    WriteEdiFile(dir + "/demo.edi");
    ASSERT_FALSE(cancelFlag);
    const std::string shipped = std::string(VELDRIM_DATA_DIR) + "/demo.edi";
    if (std::getenv("VELDRIM_REGENERATE_DEMO"))
        fs::copy_file(dir + "/demo.edi", shipped, fs::copy_options::overwrite_existing);
    auto strip = [](std::string s) {
        s = std::regex_replace(s, std::regex("(30(1[024]|16))  [^\r]*"), "$1");
        return s;
    };
    EXPECT_EQ(strip(Slurp(dir + "/demo.edi")), strip(Slurp(shipped)));
}

TEST_F(Edi, NamesAndDialogs) {
    EXPECT_EQ(EdiFileName("gear"), dir + "/gear.EDI");
    ui.QueueText(std::string("abc"));  // the name entry of WriteEdiFile
    WriteEdiFile("");
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(fs::exists(dir + "/abc.EDI"));

    ui.QueueText(std::nullopt);  // cancelled save dialog
    std::string name = "x";
    ChooseEdiFileName(name);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(name, "");

    WriteEdiFile("/proc/veldrim.edi");  // a folder nobody can write
    EXPECT_TRUE(cancelFlag);
}

// The current name has no extension left to cut: a set named "aktuell.alt"
// is proposed under its own name, not as the working set "aktuell", whose
// files are replaced without a question.
TEST_F(Edi, ASetNamedWithADotIsProposedUnderItsWholeName) {
    currentFileName = "aktuell.alt";
    ui.QueueText(std::nullopt);
    std::string name;
    ChooseEdiFileName(name);
    const auto saves = ui.CallsOf("save");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_THAT(saves[0].text, ::testing::EndsWith("/aktuell.alt"));
}

// The proposal taken as it stands, in its folder or put into another, gets
// ".edi": its dot is the set's own, not an extension typed, and "aktuell.alt"
// (a file of the working set's name, replaced without a question) is left
// alone.
TEST_F(Edi, TheProposalTakenAsItStandsGetsItsExtension) {
    for (const std::string& folder : {dir, dir + "/anderer"}) {
        SCOPED_TRACE(folder);
        std::filesystem::create_directories(folder);
        testing::Spit(folder + "/aktuell.alt", "fremde Datei\n");
        currentFileName = "aktuell.alt";
        ui.QueueText(folder + "/aktuell.alt");
        ExportEdi();
        EXPECT_FALSE(cancelFlag);
        EXPECT_EQ(Slurp(folder + "/aktuell.alt"), "fremde Datei\n");
        EXPECT_TRUE(std::filesystem::exists(folder + "/aktuell.alt.edi"));
    }
}

}  // namespace
}  // namespace veldrim
