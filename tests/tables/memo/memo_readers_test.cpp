// Memo files written by the engine, read by Perl's XBase and python3-dbfread,
// memo files written by python3-dbf, read by the engine, and memo files after
// an append that failed on a full disk.
#include <gmock/gmock.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include <map>
#include <sstream>

#include "support/fault_calls.h"
#include "tables/memo/memo_test_util.h"

using ::testing::AnyOf;
using ::testing::Eq;
using ::testing::IsEmpty;

namespace veldrim::testing {
namespace {

bool Have(const char* program) { return access(program, X_OK) == 0; }

// Sizes around the block boundaries of 512-byte blocks (a value's data plus
// the 8-byte group header of the headered styles).
const std::size_t kSizes[] = {0, 1, 503, 504, 505, 511, 512, 513, 600};

struct Written {
    int id;
    std::string value;  // empty: no value
};

class MemoReadersTest : public MemoTest {
protected:
    // Fills a table of the style with texts of every size and, outside the
    // dBase III style, binary values with zero bytes; checks the header's
    // next-free block after every append.
    std::vector<Written> Fill(const std::string& table, const MemoStyleCase& c) {
        std::vector<Written> rows;
        USE(table + " EXCLUSIVE");
        const std::string memo = CurrentMemo()->fileName;
        auto checkHeader = [&](const std::string& what) {
            const auto file = ReadBytes(memo);
            const uint64_t size = file.size();
            EXPECT_EQ(HeaderNextFree(file, c.version == 0xF5),
                      (size + c.blockSize - 1) / c.blockSize)
                << c.label << " after " << what << ", file size " << size;
        };
        int id = 1;
        for (std::size_t n : kSizes) {
            const std::string text = Letters(n);
            const int32_t ref = AddMemo(text);
            if (n == 0) {
                EXPECT_EQ(ref, 0) << c.label;
            }
            AppendRef(id, ref);
            rows.push_back({id++, text});
            if (n > 0) checkHeader("a text of " + std::to_string(n));
        }
        if (c.version != 0x83) {
            for (std::size_t n : {1, 504, 600}) {
                const std::string bytes = BinaryBytes(n);
                AppendRef(id, WriteStream(bytes));
                rows.push_back({id++, bytes});
                checkHeader("a binary value of " + std::to_string(n));
            }
        }
        CloseArea();
        return rows;
    }
};

// The lines "id|value" that the reader scripts print.
std::map<int, std::string> IdValues(const std::string& printed) {
    std::istringstream out(printed);
    std::map<int, std::string> values;
    for (std::string line; std::getline(out, line);) {
        const auto bar = line.find('|');
        if (bar != std::string::npos) values[std::stoi(line.substr(0, bar))] = line.substr(bar + 1);
    }
    return values;
}

// XBase prints id|hex of the memo, or id|NULL.
std::map<int, std::string> XBaseValues(const std::string& table) {
    const std::string script =
        "use XBase; my $t = XBase->new($ARGV[0]) or die XBase->errstr;"
        "for my $n (0 .. $t->last_record) { my ($del, $id, $m) = $t->get_record($n) or die "
        "$t->errstr;"
        " print $id, '|', defined $m ? unpack('H*', $m) : 'NULL', \"\\n\"; }";
    return IdValues(RunCapture({"/usr/bin/perl", "-e", script, table}));
}

std::map<int, std::string> DbfreadValues(const std::string& table) {
    const std::string script =
        "import sys\nfrom dbfread import DBF\n"
        "t = DBF(sys.argv[1], encoding='latin1', load=True)\n"
        "for r in t.records:\n"
        "    m = r['NOTE']\n"
        "    print('%d|%s' % (r['ID'], 'NULL' if m is None else "
        "(m if isinstance(m, bytes) else m.encode('latin1')).hex()))\n";
    return IdValues(RunCapture({"/usr/bin/python3", "-c", script, table}));
}

TEST_F(MemoReadersTest, XBaseReadsEveryStyleExactly) {
    if (!Have("/usr/bin/perl")) GTEST_SKIP() << "no Perl";
    for (const MemoStyleCase& c : kMemoStyles) {
        const std::string table = MemoTable(std::string("x") + std::to_string(c.version) + ".dbf",
                                            c.version, c.blockSize);
        const auto rows = Fill(table, c);
        const auto read = XBaseValues(table);
        ASSERT_EQ(read.size(), rows.size()) << c.label;
        for (const Written& w : rows) {
            // An empty memo field has no value: NULL, or an empty text.
            const std::string got = read.at(w.id);
            if (w.value.empty()) {
                EXPECT_THAT(got, AnyOf(Eq("NULL"), IsEmpty())) << c.label << " id " << w.id;
            } else {
                EXPECT_EQ(got, Hex(w.value))
                    << c.label << " id " << w.id << " of " << w.value.size() << " bytes";
            }
        }
    }
}

// A dBase IV memo file as a program leaves it after a value was released:
// blocks 2 and 3 form a free group, chained from the header (the header's
// first word names the first free group; a free group starts with the next
// group's block and its own size in blocks). A rewrite that needs exactly
// two blocks takes that group: the file does not grow, the values around it
// stay, and an independent reader finds every value.
TEST_F(MemoReadersTest, Dbase4FreeGroupOfExactlyTheNeededSizeIsReused) {
    const std::string table = MemoTable("chain.dbf", 0x8B, 512);
    USE(table + " EXCLUSIVE");
    const std::string memo = CurrentMemo()->fileName;
    ASSERT_EQ(AddMemo("first"), 1);
    ASSERT_EQ(AddMemo(Letters(600)), 2);  // 608 bytes: blocks 2 and 3
    ASSERT_EQ(AddMemo("fourth"), 4);
    ASSERT_EQ(AddMemo(Letters(520, 'A')), 5);  // blocks 5 and 6: the file has 7
    AppendRef(1, 1);
    AppendRef(2, 4);
    AppendRef(3, 5);
    CloseArea();
    std::vector<uint8_t> file = ReadBytes(memo);
    ASSERT_EQ(file.size(), 5u * 512 + 8 + 520);
    file.resize(7 * 512, 0);      // padded to whole blocks
    Put32(file, 0, 2);            // the first free group
    Put32(file, 2 * 512, 7);      // its successor: none (the end of the file)
    Put32(file, 2 * 512 + 4, 2);  // its size
    WriteBytes(memo, file);

    USE(table + " EXCLUSIVE");
    GO(2);
    // 600 + 2 + 8 bytes need two blocks: the free group of two, not the end.
    const int32_t block = WriteMemoLines(4, {std::string(600, 'k')});
    EXPECT_EQ(block, 2);
    SetBinaryMemoRef(2, block);
    Replace();
    CloseArea();
    EXPECT_EQ(FileSizeOf(memo), 7u * 512) << "the file did not grow";
    if (!Have("/usr/bin/perl")) GTEST_SKIP() << "no Perl";
    const auto read = XBaseValues(table);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read.at(1), Hex("first"));
    EXPECT_EQ(read.at(2), Hex(std::string(600, 'k') + "\r\n"));
    EXPECT_EQ(read.at(3), Hex(Letters(520, 'A')));
}

// A dBase IV value rewritten while the chain offers a free group of one
// block (block 2, between the values of blocks 1 and 3). A value of length L
// takes (L + 8) div 512 + 1 blocks: up to 503 bytes one block, so it goes
// into the group; from 504 bytes on two, so it goes to the end of the file
// (block 5). The lengths around the boundary, where the 8-byte head decides,
// never spill into the neighbour's block.
TEST_F(MemoReadersTest, Dbase4RewriteNearABlockBoundaryTakesAFreeGroupOnlyWhenItFits) {
    for (std::size_t length = 496; length <= 515; ++length) {
        const std::string label = "a value of " + std::to_string(length) + " bytes";
        const std::string table = MemoTable("near" + std::to_string(length) + ".dbf", 0x8B, 512);
        USE(table + " EXCLUSIVE");
        const std::string memo = CurrentMemo()->fileName;
        ASSERT_EQ(AddMemo("first value"), 1);
        ASSERT_EQ(AddMemo("spare"), 2);
        ASSERT_EQ(AddMemo("neighbour value"), 3);
        ASSERT_EQ(AddMemo("edited"), 4);
        AppendRef(1, 1);
        AppendRef(2, 3);
        AppendRef(3, 4);
        CloseArea();
        // Block 2 a free group of one block, the first of the chain; the
        // chain ends after it (block 100 lies past the file's end).
        std::vector<uint8_t> file = ReadBytes(memo);
        Put32(file, 0, 2);
        Put32(file, 2 * 512, 100);
        Put32(file, 2 * 512 + 4, 1);
        WriteBytes(memo, file);

        USE(table + " EXCLUSIVE");
        GO(3);
        const std::string value = Letters(length - 2, 'A') + "\r\n";
        const int32_t block = WriteMemoLines(4, {Letters(length - 2, 'A')});
        EXPECT_EQ(block, length <= 503 ? 2 : 5) << label;
        SetBinaryMemoRef(2, block);
        Replace();
        // A value after it: XBase reads a value that fills its last block
        // exactly only when the file goes on after that block.
        AddMemo("after");
        EXPECT_EQ(ReadStream(3), "neighbour value") << label;
        EXPECT_EQ(ReadStream(block), value) << label;
        CloseArea();
        if (!Have("/usr/bin/perl")) continue;
        const auto read = XBaseValues(table);
        ASSERT_EQ(read.size(), 3u) << label;
        EXPECT_EQ(read.at(1), Hex("first value")) << label;
        EXPECT_EQ(read.at(2), Hex("neighbour value")) << label;
        EXPECT_EQ(read.at(3), Hex(value)) << label;
    }
}

// Values whose append completed stay whole when a later memo operation of
// the same area fails: a read of a reference past the file's end, a rewrite
// and a new value that fail at each of their file calls. Nothing of the
// completed values is cut off, for the engine and for Perl XBase.
TEST_F(MemoReadersTest, CompletedValuesStayWholeWhenALaterMemoOperationFails) {
    for (const MemoStyleCase& c : kMemoStyles) {
        const std::string label = c.label;
        const std::string table = MemoTable(
            std::string("later") + std::to_string(c.version) + ".dbf", c.version, c.blockSize);
        USE(table + " EXCLUSIVE");
        const std::string first = "first value " + Letters(300);
        const std::string second = "second value " + Letters(700, 'A');
        const int32_t one = AddMemo(first);
        const int32_t two = AddMemo(second);
        AppendRef(1, one);
        AppendRef(2, two);
        EXPECT_THROW(GetMemo(two + 40, 0), EDurazError) << label;
        EXPECT_EQ(LastError(), 1003) << label;
        EXPECT_EQ(ReadStream(two), second) << label << ": after a failed read";
        auto failingAt = [&](long n, auto&& operation) {
            FaultCalls fail(FaultCalls::kFail, n, EIO);
            try {
                operation();
            } catch (const EDurazError&) {
            }
            return FaultCalls::Fired();
        };
        for (long n = 1; failingAt(n, [&] { AddMemo("third value " + Letters(900)); }); ++n) {
            EXPECT_EQ(ReadStream(one), first) << label << ": new value failed at call " << n;
            EXPECT_EQ(ReadStream(two), second) << label << ": new value failed at call " << n;
        }
        for (long n = 1; failingAt(n, [&] { WriteMemoLines(two, {Letters(40)}); }); ++n) {
            EXPECT_EQ(ReadStream(one), first) << label << ": rewrite failed at call " << n;
            EXPECT_EQ(ReadStream(two), second) << label << ": rewrite failed at call " << n;
        }
        CloseArea();
        if (!Have("/usr/bin/perl")) continue;
        const auto read = XBaseValues(table);
        ASSERT_EQ(read.size(), 2u) << label;
        EXPECT_EQ(read.at(1), Hex(first)) << label;
        EXPECT_EQ(read.at(2), Hex(second)) << label;
    }
}

TEST_F(MemoReadersTest, DbfreadReadsDbase3AndFoxProExactlyAndDbase4ByPrefix) {
    if (!Have("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    for (const MemoStyleCase& c : kMemoStyles) {
        const std::string table = MemoTable(std::string("d") + std::to_string(c.version) + ".dbf",
                                            c.version, c.blockSize);
        const auto rows = Fill(table, c);
        const auto read = DbfreadValues(table);
        ASSERT_EQ(read.size(), rows.size()) << c.label;
        for (const Written& w : rows) {
            const std::string got = read.at(w.id);
            if (w.value.empty()) {
                EXPECT_THAT(got, AnyOf(Eq("NULL"), IsEmpty())) << c.label << " id " << w.id;
            } else if (c.version == 0x8B) {
                // dbfread reads the stored length (data + 8) after the header
                // and cuts the value at its first 0x1F.
                const std::size_t cut = w.value.find('\x1F');
                const std::string prefix = w.value.substr(0, cut);
                EXPECT_EQ(got.substr(0, 2 * prefix.size()), Hex(prefix))
                    << c.label << " id " << w.id;
                if (cut == std::string::npos) {
                    EXPECT_EQ(got.size(), 2 * (w.value.size() + 8)) << c.label << " id " << w.id;
                }
            } else {
                EXPECT_EQ(got, Hex(w.value))
                    << c.label << " id " << w.id << " of " << w.value.size() << " bytes";
            }
        }
    }
}

// Memo texts with umlauts, written by AddMemo and as edited lines, read by
// both readers decoding code page 850; they print id|UTF-8 in hex.
class MemoUmlautsTest : public MemoTest {
protected:
    // The written texts by id, in UTF-8.
    std::map<int, std::string> Fill(const std::string& table) {
        USE(table + " EXCLUSIVE");
        AppendRef(1, AddMemo("Gr\xF6\xDF"
                             "e \xB5"));
        AppendRef(2, WriteMemoLines(0, {"Z\xE4hne", "\xC4\xD6\xDC 20\xB0"}));
        CloseArea();
        return {{1,
                 "Gr\xC3\xB6\xC3\x9F"
                 "e \xC2\xB5"},
                {2, "Z\xC3\xA4hne\r\n\xC3\x84\xC3\x96\xC3\x9C 20\xC2\xB0\r\n"}};
    }

    // A table of each style read by `reader` (the table's name goes last);
    // `dbase4Prefix` for a reader that returns more than a dBase IV value.
    void ExpectReaderSeesUmlauts(const std::string& tag, const std::vector<std::string>& reader,
                                 bool dbase4Prefix) {
        for (const MemoStyleCase& c : kMemoStyles) {
            const std::string name = tag + std::to_string(c.version) + ".dbf";
            const auto written = Fill(MemoTable(name, c.version, c.blockSize));
            std::vector<std::string> argv = reader;
            argv.push_back(Path(name));
            const auto read = IdValues(RunCapture(argv));
            for (const auto& [id, text] : written) {
                ASSERT_EQ(read.count(id), 1u) << c.label << " id " << id;
                const std::string got = dbase4Prefix && c.version == 0x8B
                                            ? read.at(id).substr(0, 2 * text.size())
                                            : read.at(id);
                EXPECT_EQ(got, Hex(text)) << c.label << " id " << id;
            }
        }
    }
};

TEST_F(MemoUmlautsTest, XBaseReadsTheUmlautsInCodePage850) {
    if (!Have("/usr/bin/perl")) GTEST_SKIP() << "no Perl";
    const std::string script =
        "use XBase; use Encode; my $t = XBase->new($ARGV[0]) or die XBase->errstr;"
        "for my $n (0 .. $t->last_record) { my ($del, $id, $m) = $t->get_record($n) or die "
        "$t->errstr;"
        " print $id, '|', defined $m ? unpack('H*', encode('UTF-8', decode('cp850', $m))) : "
        "'NULL', \"\\n\"; }";
    ExpectReaderSeesUmlauts("u", {"/usr/bin/perl", "-e", script}, false);
}

TEST_F(MemoUmlautsTest, DbfreadReadsTheUmlautsInCodePage850) {
    if (!Have("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    const std::string script =
        "import sys\nfrom dbfread import DBF\n"
        "t = DBF(sys.argv[1], encoding='cp850', load=True)\n"
        "for r in t.records:\n"
        "    m = r['NOTE']\n"
        "    print('%d|%s' % (r['ID'], 'NULL' if m is None else m.encode('utf-8').hex()))\n";
    // dBase IV: dbfread reads the 8 bytes behind the value too.
    ExpectReaderSeesUmlauts("r", {"/usr/bin/python3", "-c", script}, true);
}

TEST_F(MemoReadersTest, EngineReadsMemoFilesOfPythonDbf) {
    if (!Have("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    struct Case {
        const char* type;
        uint8_t version;
    };
    for (const Case& c : {Case{"db3", 0x83}, Case{"fp", 0xF5}}) {
        const std::string p = Path(std::string("py_") + c.type + ".dbf");
        std::string values = "[";
        for (std::size_t n : kSizes) values += "'" + Letters(n, 'A') + "',";
        values += "]";
        const std::string script =
            "import sys, dbf\n"
            "t = dbf.Table(sys.argv[1], 'ID N(5,0); NOTE M', dbf_type=sys.argv[2], "
            "codepage='cp1252')\n"
            "t.open(mode=dbf.READ_WRITE)\n"
            "for i, v in enumerate(" +
            values +
            "): t.append((i + 1, v))\n"
            "t.close()\n";
        int rc = 0;
        const std::string out = RunCapture({"/usr/bin/python3", "-c", script, p, c.type}, &rc);
        ASSERT_EQ(rc, 0) << c.type << out;
        USE(p);
        EXPECT_EQ(CurrentWorkArea()->header[0], c.version) << c.type;
        ASSERT_EQ(RecCount(), static_cast<int32_t>(std::size(kSizes))) << c.type;
        for (std::size_t n : kSizes) {
            EXPECT_EQ(ReadStream(BinaryMemoRef(2)), Letters(n, 'A')) << c.type << " value of " << n;
            const auto lines = MemoProcTable.assignMemo(BinaryMemoRef(2));
            // Lines wrapped at 253 characters join again when read line by line.
            EXPECT_EQ(lines.empty() ? std::string() : lines[0], Letters(n, 'A'))
                << c.type << " line of " << n;
            SKIP(1);
        }
        CloseArea();
    }
}

// Runs `append` in a child process whose files cannot grow past `limit`
// bytes: a write beyond it fails with EFBIG, as on a full disk. True when the
// append ended with an engine error.
bool FailsAtFileLimit(uint64_t limit, const std::function<void()>& append) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        int status = 1;
        try {
            append();
            if (LastError() != 0) status = 0;
        } catch (const EDurazError&) {
            status = 0;
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The offset of the first byte where two files differ; -1 when they are equal.
long FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a == b) return -1;
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return static_cast<long>(at.first - a.begin());
}

// An append that fails on a full disk leaves no padding and no piece of the
// value behind: the memo file holds exactly its old bytes, and the engine
// and dbfread read the old values.
TEST_F(MemoReadersTest, AnAppendFailingOnAFullDiskLeavesTheMemoFileAsItWas) {
    const bool dbfread = Have("/usr/bin/python3");
    const std::vector<std::string> kept = {"first value", Letters(700, 'A')};
    // A value of another table for the copy (APPEND FROM with memo fields).
    const std::string source = MemoTable("source.dbf", 0x83, 512);
    USE(source + " EXCLUSIVE");
    const int32_t sourceRef = AddMemo(Letters(3000, 'K'));
    CloseArea();
    struct Append {
        const char* label;
        std::function<void()> run;
    };
    const Append appends[] = {
        {"a new text", [] { AddMemo(Letters(3000)); }},
        {"an edited text", [] { WriteMemoLines(0, {Letters(3000)}); }},
        {"a value stream", [] { WriteStream(BinaryBytes(3000)); }},
        {"a copied value",
         [&] {
             UseIn(2, source);
             Select(1);
             CopyMemo(2, sourceRef, false);
         }},
    };
    for (const MemoStyleCase& c : kMemoStyles) {
        for (const bool empty : {true, false}) {
            for (const Append& op : appends) {
                const std::string what =
                    std::string(c.label) + (empty ? ", new file, " : ", two values, ") + op.label;
                const std::string table = MemoTable("full.dbf", c.version, c.blockSize);
                USE(table + " EXCLUSIVE");
                const std::string memo = CurrentMemo()->fileName;
                int id = 1;
                if (!empty)
                    for (const std::string& v : kept) AppendRef(id++, AddMemo(v));
                CloseArea();
                const std::vector<uint8_t> before = ReadBytes(memo);
                // Room for the padding to the next block and 100 bytes of
                // the value: the append fails within the value.
                const uint64_t padded =
                    (before.size() + c.blockSize - 1) / c.blockSize * c.blockSize;
                EXPECT_TRUE(FailsAtFileLimit(padded + 100, [&] {
                    UseIn(1, table + " EXCLUSIVE");
                    op.run();
                })) << what;
                const std::vector<uint8_t> after = ReadBytes(memo);
                EXPECT_EQ(after.size(), before.size()) << what;
                EXPECT_EQ(FirstDifference(after, before), -1) << what;

                USE(table);
                for (std::size_t i = 0; i < (empty ? 0 : kept.size()); ++i) {
                    GO(static_cast<int32_t>(i + 1));
                    EXPECT_EQ(ReadStream(BinaryMemoRef(2)), kept[i]) << what << ", the engine";
                }
                CloseArea();
                if (empty || !dbfread) continue;
                const auto read = DbfreadValues(table);
                ASSERT_EQ(read.size(), kept.size()) << what;
                for (std::size_t i = 0; i < kept.size(); ++i) {
                    const std::string got = read.at(static_cast<int>(i + 1));
                    // dBase IV: dbfread adds the 8 bytes after the value.
                    const std::string want = Hex(kept[i]);
                    EXPECT_EQ(c.version == 0x8B ? got.substr(0, want.size()) : got, want)
                        << what << ", dbfread";
                }
            }
        }
    }
}

}  // namespace
}  // namespace veldrim::testing
