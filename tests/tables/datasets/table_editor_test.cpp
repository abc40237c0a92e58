// The table editor's commands: sorting by a column, searching, packing,
// appending under the lock, the delimited export and the HTML page.

#include "tables/datasets/table_editor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "foundation/files.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "support/fault_calls.h"
#include "support/fifo_watch.h"
#include "support/socket_file.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/datasets/table_access.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {
namespace {

struct Row {
    const char* name;
    double value;
    bool ok;
};

// Puts a pipe or a link to /dev/zero at a name the moment a reader opens it,
// after everything the reader looked at before found a plain file there.
struct SwapAtOpen {
    static inline std::string name;
    static inline bool pipe = false;
    static inline bool swapped = false;
    static inline int (*next)(const char*, int, mode_t) = nullptr;
    static int Open(const char* path, int flags, mode_t mode) {
        if (!swapped && path == name) {
            swapped = true;
            ::unlink(path);
            if (pipe)
                ::mkfifo(path, 0600);
            else
                ::symlink("/dev/zero", path);
        }
        return next(path, flags, mode);
    }
};

class TableEditorTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        userDirectory = dir + "/";
    }
    // NAME C 12, VALUE N 6.1, OK L: the rows in file order.
    void Open(const std::vector<Row>& rows) {
        path = Make("parts.dbf", {F("NAME", 'C', 12), F("VALUE", 'N', 6, 1), F("OK", 'L', 1)});
        form.tzdbf.SetDbfFileName(path);
        form.tzdbf.Open();
        for (const Row& r : rows) {
            form.tzdbf.Append();
            form.tzdbf.FieldByName("NAME").SetAsString(r.name);
            form.tzdbf.FieldByName("VALUE").SetAsFloat(r.value);
            form.tzdbf.FieldByName("OK").SetAsBoolean(r.ok);
            form.tzdbf.Post();
        }
        form.labelFilename = path;
    }
    // The record numbers in the order the table shows them.
    std::vector<int32_t> Order() {
        std::vector<int32_t> out;
        const TBookmark here = form.tzdbf.GetBookmark();
        for (form.tzdbf.First(); !form.tzdbf.Eof(); form.tzdbf.Next())
            out.push_back(form.tzdbf.RecNo());
        form.tzdbf.GotoBookmark(here);
        return out;
    }
    std::vector<std::string> Messages() const { return ui.TextsOf("message"); }

    std::string path;
    Tdbf4 form;
    TableEditorCommands commands{form};
};

TEST_F(TableEditorTest, SortByColumnOrdersByTheFieldAndReturnsToTheRememberedRecord) {
    Open({{"worm", 3.0, true}, {"bronze", 1.5, false}, {"cast iron", 2.0, true}});
    form.tzdbf.SetRecNo(3);
    ASSERT_TRUE(commands.SortByField(1));
    EXPECT_EQ(ChosenDbfRecord, 3);
    EXPECT_EQ(form.tzdbf.RecNo(), 3) << "the record that was current stays current";
    EXPECT_EQ(Order(), (std::vector<int32_t>{2, 3, 1})) << "bronze, cast iron, worm";
    EXPECT_TRUE(std::filesystem::exists(FindFileNoCase(dir + "/$veltemp.ndx")));

    ASSERT_TRUE(commands.SortByField(2));
    EXPECT_EQ(Order(), (std::vector<int32_t>{2, 3, 1})) << "1.5, 2.0, 3.0";

    // Closed and opened again, the table is in its natural order.
    form.tzdbf.Close();
    form.tzdbf.Open();
    EXPECT_EQ(Order(), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(TableEditorTest, SortByLogicalOrMemoColumnIsRefusedWithAMessage) {
    Open({{"worm", 3.0, true}, {"bronze", 1.5, false}});
    form.tzdbf.SetRecNo(2);
    EXPECT_FALSE(commands.SortByField(3));
    EXPECT_EQ(Messages(), std::vector<std::string>{SortRefusedText("OK")});
    EXPECT_FALSE(std::filesystem::exists(FindFileNoCase(dir + "/$veltemp.ndx")));
    EXPECT_EQ(Order(), (std::vector<int32_t>{1, 2})) << "the order stays natural";
    EXPECT_EQ(form.tzdbf.RecNo(), 2);
    EXPECT_FALSE(commands.SortByField(4)) << "no such field";
}

TEST_F(TableEditorTest, SearchRetriesWithPointsAndReportsAMiss) {
    Open({{"worm", 3.0, true}, {"bronze", 1.5, false}, {"bronze B", 1.5, true}});
    form.tzdbf.SetRecNo(1);
    ui.QueueText(std::string("1,5"));
    EXPECT_TRUE(commands.Search()) << "1,5 finds 1.5 on the second attempt";
    EXPECT_EQ(form.tzdbf.RecNo(), 2);
    EXPECT_EQ(commands.searchText, "1,5");
    EXPECT_TRUE(commands.SearchNext());
    EXPECT_EQ(form.tzdbf.RecNo(), 3);

    EXPECT_FALSE(commands.SearchFor("steel", true));
    EXPECT_EQ(Messages(), std::vector<std::string>{"steel nicht gefunden"});
    EXPECT_EQ(form.tzdbf.RecNo(), 3) << "a miss leaves the record where it was";

    ui.QueueText(std::nullopt);
    cancelFlag = false;
    EXPECT_FALSE(commands.Search());
    EXPECT_FALSE(cancelFlag) << "a cancelled question only clears the cancel flag";
    EXPECT_EQ(commands.searchText, "1,5");
}

// The search text is typed in the program's code page 850; the table holds
// its texts in code page 850 (OEM) or Windows-1252 (ANSI). Either way a
// word with umlauts or ß is found, in any mix of upper and lower case; a
// word that differs by its umlaut is not. Bytes as the two code pages'
// tables give them: ä 84/E4, Ä 8E/C4, ö 94/F6, Ö 99/D6, ü 81/FC, Ü 9A/DC,
// ß E1/DF (code page 850 / Windows-1252).
TEST_F(TableEditorTest, SearchFindsWordsWithUmlautsAndSharpSInOemAndAnsiTables) {
    struct Table {
        const char* what;
        TTzTableLanguage language;
        std::vector<std::string> names;  // the stored bytes of NAME, records 1..3
    };
    const Table tables[] = {
        {"OEM table",
         tlOem,
         {"Getriebe\x94l", "\x99ls\x84ure \x9a", "Mineral\x94l Gr\x94\xe1\x65"}},
        {"ANSI table",
         tlAnsi,
         {"Getriebe\xf6l", "\xd6ls\xe4ure \xdc", "Mineral\xf6l Gr\xf6\xdf\x65"}},
    };
    struct Case {
        const char* shown;  // for the trace
        const char* typed;  // code page 850
        int32_t found;      // record number; 0: nicht gefunden
    };
    const Case cases[] = {
        {"säure", "s\x84ure", 2},
        {"größe", "gr\x94\xe1\x65", 3},
        {"GRÖßE", "GR\x99\xe1\x45", 3},
        {"ölSÄURE ü", "\x94lS\x8eURE \x81", 2},
        {"ß", "\xe1", 3},
        {"TRIEBEÖL", "TRIEBE\x99L", 1},
        {"plain ASCII", "mineral", 3},
        {"plain ASCII", "ure", 2},
        {"the umlaut is a letter of its own", "saure", 0},
        {"große", "gro\xe1\x65", 0},
    };
    for (const Table& table : tables) {
        SCOPED_TRACE(table.what);
        path = Path("lube.dbf");
        std::vector<std::string> records;
        for (const std::string& n : table.names)
            records.push_back(" " + n + std::string(20 - n.size(), ' '));
        WriteBytes(path, BuildDbf(0x03, {{"NAME", 'C', 20, 0}}, records));
        form.tzdbf.TableLanguage = table.language;
        form.tzdbf.SetDbfFileName(path);
        form.tzdbf.Open();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.shown);
            form.tzdbf.SetRecNo(1);
            ui.calls.clear();
            EXPECT_EQ(commands.SearchFor(c.typed, true), c.found != 0);
            EXPECT_EQ(form.tzdbf.RecNo(), c.found != 0 ? c.found : 1);
            // A miss names the text as it was typed.
            EXPECT_EQ(Messages(), c.found != 0 ? std::vector<std::string>{}
                                               : std::vector<std::string>{std::string(c.typed) +
                                                                          " nicht gefunden"});
        }
        form.tzdbf.Close();
    }
}

TEST_F(TableEditorTest, PackAsksAndRemovesTheDeletedRecords) {
    Open({{"a", 1, true}, {"b", 2, true}, {"c", 3, true}});
    form.tzdbf.SetRecNo(2);
    form.tzdbf.Delete();
    ui.QueueAnswer(Answer::No);
    EXPECT_FALSE(commands.Pack());
    EXPECT_EQ(form.tzdbf.RecCount(), 3);
    ui.QueueAnswer(Answer::Yes);
    EXPECT_TRUE(commands.Pack());
    EXPECT_EQ(form.tzdbf.RecCount(), 2);
    EXPECT_EQ(ui.CallsOf("ask").back().text, "Pack ?");
    form.tzdbf.Close();

    int rc = 0;
    const std::string names =
        RunCapture({"/usr/bin/python3", "-c",
                    "import sys, dbfread\n"
                    "t = dbfread.DBF(sys.argv[1], load=True)\n"
                    "print(len(t.records), len(t.deleted), ','.join(r['NAME'] for r in t.records))",
                    path},
                   &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(names, "2 0 a,c\n");
}

// A pack that reports an error after it removed the deleted records (a memo
// reference beyond the memo file is dropped and reported): the editor
// stands on a record the table still holds and answers that the table
// changed, so the window shows it again.
TEST_F(TableEditorTest, APackThatReportsADroppedMemoReferenceShowsThePackedTable) {
    path = Path("notes.dbf");
    WriteBytes(
        path, BuildDbf(0x83, {{"NAME", 'C', 10, 0}, {"NOTE", 'M', 10, 0}},
                       {" worm              99", "*bronze             ", " cast               1"}));
    std::string memo(512, '\0');
    memo[0] = 2;
    Spit(Path("notes.dbt"), memo + "kept\x1A");
    form.tzdbf.SetDbfFileName(path);
    form.tzdbf.Open();
    form.tzdbf.SetRecNo(3);
    ui.QueueAnswer(Answer::Yes);
    EXPECT_TRUE(commands.Pack());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_THAT(Messages()[0], ::testing::HasSubstr("1003"));
    EXPECT_EQ(form.tzdbf.RecordCount(), 2);
    EXPECT_EQ(form.tzdbf.RecNo(), 1);
    EXPECT_EQ(form.tzdbf.FieldByName("NAME").AsString(), "worm");
    std::vector<std::string> names;
    for (form.tzdbf.First(); !form.tzdbf.Eof(); form.tzdbf.Next())
        names.push_back(form.tzdbf.FieldByName("NAME").AsString());
    EXPECT_EQ(names, (std::vector<std::string>{"worm", "cast"}));
}

TEST_F(TableEditorTest, AppendCommandsDoNothingWhileTheTableIsLockedElsewhere) {
    Open({{"a", 1, true}});
    LockRetries = 1;
    LockWaitMs = 1;
    const uint8_t back = SelectedArea();
    UseIn(10, path + " ALIAS OTHER");
    ASSERT_TRUE(FLock());
    Select(back);

    EXPECT_FALSE(commands.AppendCopy());
    EXPECT_FALSE(commands.AppendDelimitedFrom(Path("none.txt")));
    EXPECT_EQ(form.tzdbf.RecCount(), 1);
    EXPECT_EQ(Messages().size(), 2u);

    Select(10);
    Unlock();
    Select(back);
    EXPECT_TRUE(commands.AppendCopy());
    EXPECT_EQ(form.tzdbf.RecCount(), 2);
}

// Every reader of a name the user gives (the two imports, a table opened by
// name, the memo file of a table opened by name, an index file opened with
// a table) reads plain files only. A
// pipe, a socket, a link to a device or a folder at the name is refused at
// once with a message naming it, nothing is appended, and another program
// can lock the table right after; so is a pipe or a link to /dev/zero put
// at the name after it was looked at, just as it is opened. A reader that
// waits on the pipe is let go by the watch, one that reads the device
// without end is stopped at its thousandth read, and the test names either.
TEST_F(TableEditorTest, NamesThatAreNoPlainFilesAreRefusedAtOnceAndLeaveTheTableFree) {
    Open({{"a", 1, true}});
    const std::string source = Path("source.dbf");
    const std::string notes = Make("notes.dbf", {F("NAME", 'C', 8), F("NOTE", 'M')});
    const std::string memo = FindFileNoCase(ForceExtension(notes, "DBT"));
    ASSERT_TRUE(std::filesystem::remove(memo));
    const std::string indexed = Make("indexed.dbf", {F("NAME", 'C', 8)});
    const std::string index = Path("indexed.ndx");
    const struct {
        const char* reader;
        std::string name;  // where the pipe, socket, link or folder stands
        std::function<void()> read;
    } readers[] = {
        {"Append Delimited", source, [&] { commands.AppendDelimitedFrom(source); }},
        {"Append dbf", source, [&] { commands.AppendDbfFrom(source); }},
        {"a table opened by name", source, [&] { OpenDbfFile(source); }},
        {"the memo file of a table opened by name", memo,
         [&] {
             // A table of its own beside the editor's (alias NOTES).
             TTzDbf table("NOTES");
             table.SetDbfFileName(notes);
             try {
                 table.Open();
             } catch (const EDurazError& e) {
                 ShowDurazError(e);
             }
         }},
        {"the index file of a table opened with its index list", index,
         [&] {
             TTzDbf table("INDEXED");
             table.SetDbfFileName(indexed);
             table.IndexList = {"1," + index + ",NAME"};
             try {
                 table.Open();
             } catch (const EDurazError& e) {
                 ShowDurazError(e);
             }
         }},
    };
    for (const char* kind :
         {"pipe", "socket", "link to /dev/zero", "folder", "pipe swapped in at the open",
          "link to /dev/zero swapped in at the open"}) {
        for (const auto& [reader, name, read] : readers) {
            SCOPED_TRACE(std::string(reader) + " of a " + kind);
            std::optional<FifoWatch> watch;
            const std::string k = kind;
            const bool swap = k.ends_with("swapped in at the open");
            if (k == "pipe") watch.emplace(name);
            if (k == "socket") {
                ASSERT_TRUE(MakeSocket(name));
            }
            if (k == "link to /dev/zero") std::filesystem::create_symlink("/dev/zero", name);
            if (k == "folder") std::filesystem::create_directory(name);
            if (swap) Spit(name, "a plain file until it is opened");
            ui.calls.clear();
            {
                FaultCalls endless(FaultCalls::kFailRead, 1000, EIO);
                SwapAtOpen::name = swap ? name : std::string();
                SwapAtOpen::pipe = k.starts_with("pipe");
                SwapAtOpen::swapped = false;
                SwapAtOpen::next = FileCalls.open;
                FileCalls.open = SwapAtOpen::Open;
                read();
                EXPECT_FALSE(endless.Fired()) << "the device was read";
            }
            EXPECT_EQ(SwapAtOpen::swapped, swap);
            if (watch) {
                EXPECT_TRUE(watch->Stop()) << "the reader waited on the pipe";
            }
            EXPECT_THAT(
                Messages(),
                ::testing::ElementsAre(::testing::HasSubstr(
                    "Datei " + name + " ist keine gew\x94hnliche Datei und wird nicht gelesen !")));
            EXPECT_EQ(form.tzdbf.RecCount(), 1);
            Peer other([&](Peer& p) {
                LockRetries = 1;
                UseIn(20, path + " ALIAS OTHER");
                p.Tell(FLock() ? 'y' : 'n');
                return 0;
            });
            EXPECT_EQ(other.Receive(), 'y') << "the table is free for another program";
            EXPECT_EQ(other.Finish(), 0);
            watch.reset();
            std::filesystem::remove(name);
        }
    }
}

TEST_F(TableEditorTest, DelimitedExportAndImportRoundTrip) {
    Open({{"a", 1, true}, {"b", 2.5, false}});
    const std::string txt = Path("parts.txt");
    ASSERT_TRUE(commands.SaveDelimitedTo(txt));
    ASSERT_TRUE(commands.AppendDelimitedFrom(txt));
    EXPECT_EQ(form.tzdbf.RecCount(), 4);
    form.tzdbf.SetRecNo(4);
    EXPECT_EQ(form.tzdbf.FieldByName("NAME").AsString(), "b");
    EXPECT_DOUBLE_EQ(form.tzdbf.FieldByName("VALUE").AsFloat(), 2.5);
}

// The page declares the character set its bytes are in (Windows-1252):
// xmllint, reading by that declaration, gets the table's "Grauguß ƒ" (the
// f with hook is where Windows-1252 and Latin-1 differ) and the file's UTF-8
// name "Größe out" back.
TEST_F(TableEditorTest, HtmlExportEscapesValuesAndStartsTheViewerWithTheFileAsOneArgument) {
    Open({{"R&D <b>x</b>", 1, true}, {"Graugu\xDF \x83", 2, false}});
    form.tzdbf.SetRecNo(2);
    form.tzdbf.Delete();
    htmlBrowserPath = "/opt/my viewer/browse";
    const std::string out = Path("Größe out.htm");
    ui.QueueText(Path("Größe out"));
    ui.QueueBool(true);
    ASSERT_TRUE(commands.ExportHtml());
    const auto starts = ui.CallsOf("start");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].text, "/opt/my viewer/browse\n" + out);

    const std::vector<std::string> lines = CrLfLines(Slurp(out));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "<HTML>");
    EXPECT_EQ(lines[1],
              "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
              "<title>Gr\xF6\xDF"
              "e out</title></head>");
    EXPECT_EQ(lines[4], "<P>" + UpperAscii(Path("")) +
                            "GR\xF6\xDF"
                            "E OUT.HTM</P>");
    EXPECT_EQ(lines[8],
              "<TR><TD><CENTER>NAME</CENTER></TD><TD><CENTER>VALUE</CENTER></TD>"
              "<TD><CENTER>OK</CENTER></TD></TR>");
    EXPECT_EQ(lines[9], "<TR><TD>R&amp;D &lt;b&gt;x&lt;/b&gt;</TD><TD>   1.0</TD><TD>T</TD></TR>");
    EXPECT_EQ(lines[10], "<TR><TD>Graugu\xDF \x83   </TD><TD>   2.0</TD><TD>F</TD></TR>")
        << "the deleted record is listed, its text in Windows-1252";

    int rc = 0;
    const std::string cells = RunCapture(
        {"/bin/sh", "-c",
         "xmllint --html --noout \"$1\" 2>&1; xmllint --html --xpath 'count(//td)' \"$1\"", "sh",
         out},
        &rc);
    EXPECT_EQ(cells, "9\n") << "no parser complaint, and 3 x 3 cells";
    EXPECT_EQ(RunCapture({"xmllint", "--html", "--xpath", "string(//title)", out}, &rc),
              "Größe out\n");
    EXPECT_EQ(RunCapture({"xmllint", "--html", "--xpath", "string((//tr)[3]/td[1])", out}, &rc),
              "Grauguß ƒ   \n");
}

// The two exports of the editor, run from their menu commands.
struct ExportCommand {
    const char* name;
    bool (TableEditorCommands::*run)();
    const char* extension;  // given to a name chosen without one
    const char* firstLine;  // of the rows a, 1.0, true and b, 2.5, false
};
const ExportCommand kExports[] = {
    {"Save As Delimited", &TableEditorCommands::SaveAsDelimited, ".TXT", "\"a\",1.0,T"},
    {"Export HTML", &TableEditorCommands::ExportHtml, ".htm", "<HTML>"}};

// An export onto an existing file asks the data-file saves' question about
// the file it writes (the chosen name with its default extension); No
// leaves the old file byte for byte, Yes replaces it.
TEST_F(TableEditorTest, ExportsAskBeforeReplacingAnExistingFile) {
    Open({{"a", 1, true}, {"b", 2.5, false}});
    for (const ExportCommand& c : kExports) {
        SCOPED_TRACE(c.name);
        const std::string chosen = Path("out"), written = chosen + c.extension;
        Spit(written, "old export\r\n");
        ui.calls.clear();
        ui.QueueText(chosen);
        ui.QueueAnswer(Answer::No);
        EXPECT_FALSE((commands.*c.run)());
        const auto asked = ui.CallsOf("ask");
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, written +
                                     " existiert bereits.   \x81"
                                     "berschreiben ?");
        EXPECT_EQ(Slurp(written), "old export\r\n");
        EXPECT_FALSE(cancelFlag) << "a refused export is a cancelled dialog";

        ui.QueueText(chosen);
        ui.QueueAnswer(Answer::Yes);
        EXPECT_TRUE((commands.*c.run)());
        EXPECT_EQ(ui.CallsOf("ask").size(), 2u);
        EXPECT_EQ(CrLfLines(Slurp(written))[0], c.firstLine);
    }
    EXPECT_EQ(Slurp(Path("out.TXT")), "\"a\",1.0,T\r\n\"b\",2.5,F\r\n\x1A");
}

// An export is no data file: a name with several dots (a date in it) is
// written, not refused as the data-file saves refuse it.
TEST_F(TableEditorTest, ExportNamedWithSeveralDotsIsWritten) {
    Open({{"a", 1, true}});
    for (const ExportCommand& c : kExports) {
        SCOPED_TRACE(c.name);
        const std::string written = Path("oils.2026.12") + c.extension;
        ui.calls.clear();
        ui.QueueText(written);
        EXPECT_TRUE((commands.*c.run)());
        EXPECT_TRUE(ui.CallsOf("message").empty());
        EXPECT_EQ(CrLfLines(Slurp(written))[0], c.firstLine);
    }
}

// A disk that fills up in the middle of an export leaves the old export as
// it was (no partial file in its place, no temporary file beside it), and
// the failure is shown naming the file.
TEST_F(TableEditorTest, FailedExportLeavesTheOldFileAsItWasAndSaysSo) {
    std::vector<Row> rows;
    for (int i = 0; i < 60; ++i) rows.push_back({"bronze", 1.5 + i, true});
    Open(rows);
    const std::string old = "old export of the parts table\r\n";
    for (const ExportCommand& c : kExports) {
        SCOPED_TRACE(c.name);
        const std::string file = Path(std::string("old") + c.extension);
        Spit(file, old);
        const auto before = std::distance(std::filesystem::directory_iterator(dir), {});
        ui.calls.clear();
        ui.QueueText(file);
        ui.QueueAnswer(Answer::Yes);
        {
            FileSizeLimit limit(700);  // the export needs more than 1,000 bytes
            EXPECT_FALSE((commands.*c.run)());
        }
        EXPECT_EQ(Slurp(file), old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), before);
        const auto shown = Messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_THAT(shown[0], ::testing::HasSubstr(file));
    }
}

TEST_F(TableEditorTest, TypedRecordNumberMovesOnlyWithinTheTable) {
    Open({{"a", 1, true}, {"b", 2, true}, {"c", 3, true}});
    form.tzdbf.SetRecNo(1);
    EXPECT_TRUE(commands.GoTyped("3"));
    EXPECT_EQ(form.tzdbf.RecNo(), 3);
    for (const char* text : {"4", "0", "-1", "x", ""}) {
        EXPECT_FALSE(commands.GoTyped(text)) << text;
        EXPECT_EQ(form.tzdbf.RecNo(), 3) << text;
    }
}

}  // namespace
}  // namespace veldrim::testing
