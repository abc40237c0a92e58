// Names taken apart at '/' only (a backslash and ':' are letters of a name on
// this system), the working set "aktuell", values that the data-file reader
// takes and the writer writes back alike, and folders where a file is read.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "foundation/files.h"
#include "foundation/text_pages.h"
#include "foundation_file_fixture.h"
#include "support/fault_calls.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::FileFixture;

class FileNameParts : public FileFixture {};

TEST_F(FileNameParts, BackslashAndColonAreLettersOfTheName) {
    struct Case {
        std::string got, want;
    } cases[] = {
        {BaseNameOf("a\\b.qb3"), "a\\b"},
        {BaseNameOf("/daten/x:y.qb3"), "x:y"},
        {BaseNameOf("/daten/Getriebe 12:1.qb3"), "Getriebe 12:1"},
        {BaseNameOf("C:\\daten\\G.qb3"), "C:\\daten\\G"},
        {DirPartOf("/daten/a\\b.qb3"), "/daten/"},
        {DirPartOf("Stand 12:00.qb3"), ""},
        {DirPartOf("/daten/Stand 12:00.qb3"), "/daten/"},
        {NameWithoutExt("/daten/x:y.qb3"), "x:y"},
        {PathWithoutExt("/daten/a\\b.qb3"), "/daten/a\\b"},
        {PathWithoutExt("Stand 12:00.qb3"), "Stand 12:00"},
        // A folder whose name ends in a backslash or ':' still gets its '/'.
        {EnsureTrailingBackslash("/daten/alt\\"), "/daten/alt\\/"},
        {EnsureTrailingBackslash("/daten/C:"), "/daten/C:/"},
        {StripTrailingBackslash("/daten/alt\\"), "/daten/alt\\"},
        {DriveOf("C:\\daten"), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

// The working set is "aktuell" with at most the data file's own extension,
// in any folder; "aktuell.alt" is a set of its own.
TEST_F(FileNameParts, OnlyTheSetNamedAktuellIsTheWorkingFile) {
    dataFileExtension = "qb3";
    const std::pair<const char*, bool> cases[] = {
        {"aktuell", true},
        {"aktuell.qb3", true},
        {"/daten/aktuell.qb3", true},
        {"/daten/aktuell.QB3", true},
        {"aktuell.alt", false},
        {"/daten/aktuell.alt.qb3", false},
        {"aktuell.qb9", false},
        {"Angebot_aktuell.qb3", false},
        {"/Projekte-aktuell/G.qb3", false},
        {"aktuell-2025", false},
        {"x\\aktuell.qb3", false},
    };
    for (const auto& [name, working] : cases) EXPECT_EQ(IsWorkingFile(name), working) << name;
}

// A file name with ':' is a new name like any other, not the folder "Stand 12"
// with the file "00.qb3" in it.
TEST_F(FileNameParts, ANewNameWithAColonIsAccepted) {
    dataFileExtension = "qb3";
    dataDirectory = dir;
    std::string path;
    ui.QueueText(Path("Stand 12:00.qb3"));
    AskSaveFileName("", path);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(path, Path("Stand 12:00.qb3"));
    EXPECT_EQ(currentFileName, "Stand 12:00");
    EXPECT_EQ(Shown(), std::vector<std::string>{});
}

class FoldersWhereFilesAreRead : public FileFixture {};

TEST_F(FoldersWhereFilesAreRead, AFolderOrAPipeReadsAsAMissingTextFile) {
    fs::create_directory(Path("bericht.txt"));
    ASSERT_EQ(::mkfifo(Path("pipe.txt").c_str(), 0600), 0);
    std::vector<std::string> lines{"vorher"};
    EXPECT_FALSE(ReadTextFileLines(Path("bericht.txt"), lines));
    EXPECT_FALSE(ReadTextFileLines(Path("pipe.txt"), lines));  // returns at once
    EXPECT_EQ(lines, std::vector<std::string>{"vorher"});
    std::string bytes = "x";
    EXPECT_FALSE(ReadWholeRegularFile(Path("bericht.txt"), bytes));
    EXPECT_EQ(bytes, "");

    // A read that fails part way (the second block of a 100 kB text) is a
    // failed read, never the part before it taken for the whole file.
    Spit(Path("lang.txt"), std::string(100000, 'x'));
    for (const bool asLines : {true, false}) {
        testing::FaultCalls disk(testing::FaultCalls::kFailRead, 2, EIO);
        bytes = "x";
        EXPECT_FALSE(asLines ? ReadTextFileLines(Path("lang.txt"), lines)
                             : ReadWholeRegularFile(Path("lang.txt"), bytes));
        EXPECT_TRUE(disk.Fired());
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 20), "vorher") << "the lines read before stay";
    EXPECT_EQ(bytes.size(), 0u);
}

// What the data-file reader takes from a line, the writer writes back so that
// the reader gives the same value: a lone CR inside a text stays, only the CR
// before the LF is the line end.
TEST_F(FoldersWhereFilesAreRead, TextsWithACarriageReturnReadBackAsTheyWereRead) {
    // Edited outside the program: CRs inside and at the end of the texts,
    // the last line with an LF alone.
    const std::string file = "CuSn12\rNi\r\nGG\r\r\n\rvorn\n";
    Spit(Path("in.txt"), file);
    sharedTextFile.Assign(Path("in.txt"));
    ASSERT_EQ(sharedTextFile.Reset(), kIoOk);
    sharedTextFile.SetLineLimit(kValueLineLimit);
    std::string a, b, c;
    ReadTextLine(a);
    ReadTextLine(b);
    ReadTextLine(c);
    sharedTextFile.Close();
    ASSERT_FALSE(cancelFlag);
    EXPECT_EQ(a, "CuSn12\rNi");
    EXPECT_EQ(b, "GG\r");
    EXPECT_EQ(c, "\rvorn");

    ASSERT_TRUE(WriteWholeFile(Path("out.txt"), [&] {
        WriteTextLine(a);
        WriteTextLine(b);
        WriteTextLine(c);
    }));
    EXPECT_EQ(Slurp(Path("out.txt")), "CuSn12\rNi\r\nGG\r\r\n\rvorn\r\n");
}

// A line of one byte more than the limit is refused by the reader whether it
// ends in CR LF or in LF alone: a value read is never longer than a value the
// writer may write.
TEST_F(FoldersWhereFilesAreRead, TheLineLimitHoldsForTheValueWithoutItsLineEnd) {
    const std::string limitLine(kValueLineLimit, 'x');
    for (const char* end : {"\r\n", "\n"}) {
        SCOPED_TRACE(end[0] == '\r' ? "CR LF" : "LF");
        Spit(Path("long.txt"), limitLine + end + limitLine + "y" + end);
        sharedTextFile.Assign(Path("long.txt"));
        ASSERT_EQ(sharedTextFile.Reset(), kIoOk);
        sharedTextFile.SetLineLimit(kValueLineLimit);
        std::string line;
        EXPECT_EQ(sharedTextFile.ReadLine(line), kIoOk);
        EXPECT_EQ(line.size(), kValueLineLimit);
        EXPECT_EQ(sharedTextFile.ReadLine(line), kIoLineTooLong);
        EXPECT_EQ(sharedTextFile.LinesRead(), 2);
        EXPECT_EQ(line.size(), 0u);
        sharedTextFile.Close();
    }
    // The last line of a file without a line end is held to the same limit.
    Spit(Path("last.txt"), limitLine + "y");
    sharedTextFile.Assign(Path("last.txt"));
    ASSERT_EQ(sharedTextFile.Reset(), kIoOk);
    sharedTextFile.SetLineLimit(kValueLineLimit);
    std::string line;
    EXPECT_EQ(sharedTextFile.ReadLine(line), kIoLineTooLong);
    sharedTextFile.Close();
}

}  // namespace
}  // namespace veldrim
