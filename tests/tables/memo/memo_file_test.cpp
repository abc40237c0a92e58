// The memo unit: file layouts, texts and lines, streams, rewrites, copies,
// pack with failures, and damaged memo files.
#include <dirent.h>

#include <algorithm>

#include <filesystem>
#include <set>

#include "foundation/codepage.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/engine_files.h"
#include "tables/memo/memo_test_util.h"

namespace veldrim::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// A literal with its zero bytes.
template <std::size_t N>
std::string B(const char (&s)[N]) {
    return std::string(s, N - 1);
}

std::string At(const Bytes& file, std::size_t from, std::size_t n) {
    if (from >= file.size()) return {};
    return std::string(file.begin() + static_cast<std::ptrdiff_t>(from),
                       file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), from + n)));
}

TEST_F(MemoTest, FirstValueOfEachStyleLandsAsTheLayoutSays) {
    struct Case {
        MemoStyleCase style;
        std::size_t newSize;
        int32_t block;
        std::size_t sizeAfter;
        std::string stored;  // the bytes at the value's block
        uint32_t nextFree;
    };
    const Case cases[] = {
        {kMemoStyles[0], 513, 1, 1024, std::string("hello\x1A\0", 7), 2},
        {kMemoStyles[1], 24, 1, 525, std::string("\xFF\xFF\x08\x00\x0D\x00\x00\x00hello", 13), 2},
        {kMemoStyles[2], 512, 8, 525, std::string("\x00\x00\x00\x01\x00\x00\x00\x05hello", 13), 9},
    };
    for (const Case& c : cases) {
        const std::string table = MemoTable("f" + std::to_string(c.style.version) + ".dbf",
                                            c.style.version, c.style.blockSize);
        const std::string memo = ForceExtension(table, c.style.memoExtension + 1);
        EXPECT_EQ(FileSizeOf(memo), c.newSize) << c.style.label;
        USE(table + " EXCLUSIVE");
        EXPECT_EQ(AddMemo("hello  \r\n"), c.block)
            << c.style.label << ": trailing blanks and line ends are dropped";
        CloseArea();
        const Bytes file = ReadBytes(memo);
        EXPECT_EQ(file.size(), c.sizeAfter) << c.style.label;
        EXPECT_EQ(At(file, c.block * c.style.blockSize, c.stored.size()), c.stored)
            << c.style.label;
        EXPECT_EQ(HeaderNextFree(file, c.style.version == 0xF5), c.nextFree) << c.style.label;
    }
}

TEST_F(MemoTest, NewFoxProFileCountsItsHeaderBlocks) {
    for (const auto& [blockSize, next] :
         {std::pair<uint16_t, uint32_t>{64, 8}, {512, 1}, {32, 16}}) {
        const std::string table =
            MemoTable("fox" + std::to_string(blockSize) + ".dbf", 0xF5, blockSize);
        EXPECT_EQ(HeaderNextFree(ReadBytes(ForceExtension(table, "fpt")), true), next) << blockSize;
    }
}

TEST_F(MemoTest, BlankTextsStoreNothingAndLongDbase3TextsFillWholeBlocks) {
    const std::string table = MemoTable("t3.dbf", 0x83, 512);
    USE(table + " EXCLUSIVE");
    const std::string memo = CurrentMemo()->fileName;
    EXPECT_EQ(AddMemo("   \t  "), 0);
    EXPECT_EQ(FileSizeOf(memo), 513u) << "a blank text leaves the file as it was";
    EXPECT_EQ(AddMemo(Letters(600)), 1);
    EXPECT_EQ(FileSizeOf(memo), 512u + 1024u)
        << "600 characters, 0x1A and zero bytes up to two blocks";
    EXPECT_EQ(AddMemo("next"), 3);
}

TEST_F(MemoTest, LinesAreCutAtLineEndsAndWrappedAt253) {
    struct Case {
        std::string value;
        uint8_t maxLines;
        std::vector<std::string> lines;
        std::vector<uint8_t> ends;
        std::vector<std::string> joined;  // as a text file reads them
    };
    const std::string x250(250, 'x');
    const Case cases[] = {
        {"AB\r\nCD", 0, {"AB", "CD"}, {13, 0}, {"AB", "CD"}},
        {std::string(300, 'z'),
         0,
         {std::string(253, 'z'), std::string(47, 'z')},
         {0, 0},
         {std::string(300, 'z')}},
        {x250 + "  yyyyyyyyyy", 0, {x250 + "  ", "yyyyyyyyyy"}, {0, 0}, {x250 + "  yyyyyyyyyy"}},
        {"ab\x8D\ncd\r\nef\rgh\nij",
         0,
         {"ab", "cd", "ef", "gh\nij"},
         {141, 13, 13, 0},
         {"abcd", "ef", "gh\nij"}},
        {"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8",
         5,
         {"1", "2", "3", "4", "5"},
         {13, 13, 13, 13, 13},
         {}},
    };
    USE(MemoTable("lines.dbf", 0x8B, 512) + " EXCLUSIVE");
    for (const Case& c : cases) {
        // Stored as they are: the soft line end 0x8D is a byte of the file.
        const int32_t ref = WriteStream(c.value);
        ASSERT_TRUE(GetMemo(ref, c.maxLines)) << c.value;
        std::vector<std::string> lines;
        std::vector<uint8_t> ends;
        for (const MemoLine& l : MemoLineTable) {
            lines.push_back(l.text);
            ends.push_back(l.end);
        }
        EXPECT_EQ(lines, c.lines) << c.value;
        EXPECT_EQ(ends, c.ends) << c.value;
        if (c.maxLines == 0) {
            EXPECT_EQ(ReadMemoLines(ref), c.joined) << c.value;
        }
    }
}

TEST_F(MemoTest, RewrittenLinesAllEndInCrLf) {
    for (const MemoStyleCase& s : kMemoStyles) {
        USE(MemoTable("w" + std::to_string(s.version) + ".dbf", s.version, s.blockSize) +
            " EXCLUSIVE");
        const int32_t ref = WriteMemoLines(0, {"one", "", "three"});
        EXPECT_EQ(ReadStream(ref), "one\r\n\r\nthree\r\n") << s.label;
        EXPECT_EQ(ReadMemoLines(ref), (std::vector<std::string>{"one", "", "three"})) << s.label;
        EXPECT_EQ(WriteMemoLines(ref, {}), 0) << s.label << ": no lines, no value";
        CloseArea();
    }
}

// A rewrite never writes into the old value, which its record still names
// until the new reference is stored: shorter or longer, the new value takes
// new blocks and the old one stays whole until the memo file is packed. The
// old value's blocks are counted as released.
TEST_F(MemoTest, Dbase4RewriteLeavesTheOldValueWholeAndCountsItsBlocksReleased) {
    const std::string table = MemoTable("r4.dbf", 0x8B, 512);
    USE(table + " EXCLUSIVE");
    const std::string memo = CurrentMemo()->fileName;
    ASSERT_EQ(AddMemo(Letters(1000)), 1) << "1008 bytes with the head: blocks 1 and 2";
    ASSERT_EQ(AddMemo("next value"), 3);
    EXPECT_EQ(WriteMemoLines(1, {"tiny"}), 4) << "shorter: the end of the file";
    EXPECT_EQ(WriteMemoLines(4, {Letters(600)}), 5) << "longer: the end of the file";
    EXPECT_EQ(ReadStream(1), Letters(1000)) << "the old value is whole";
    EXPECT_EQ(ReadStream(3), "next value");
    EXPECT_EQ(ReadStream(4), "tiny\r\n");
    EXPECT_EQ(ReadStream(5), Letters(600) + "\r\n");
    CloseArea();
    const Bytes file = ReadBytes(memo);
    EXPECT_EQ(file[32], 3) << "two blocks of the first value, one of the second";
}

TEST_F(MemoTest, Dbase4ValueFillingItsBlockExactlyIsNotGrownIntoTheNext) {
    // 504 + 8 bytes fill block 1 exactly; the next value starts at block 2.
    USE(MemoTable("exact.dbf", 0x8B, 512) + " EXCLUSIVE");
    ASSERT_EQ(AddMemo(Letters(504)), 1);
    ASSERT_EQ(AddMemo("next value"), 2);
    const int32_t block = WriteMemoLines(1, {Letters(508)});
    EXPECT_NE(block, 1);
    EXPECT_EQ(ReadStream(2), "next value");
    EXPECT_EQ(ReadStream(block), Letters(508) + "\r\n");
}

TEST_F(MemoTest, HeaderBlockSizes) {
    struct Case {
        const char* label;
        uint8_t version;
        std::string head;
        uint16_t opened;
        uint16_t copied;
    };
    auto dbase4 = [](const char* b18to21) {
        std::string h(24, '\0');
        h[0] = 1;
        h.replace(18, 4, b18to21, 4);
        return h;
    };
    std::string fox(512, '\0');
    fox[3] = 1;
    const Case cases[] = {
        {"dBase IV size 0", 0x8B, dbase4("\x02\x01\x00\x00"), 512, 0},
        {"dBase IV size 1024", 0x8B, dbase4("\x02\x01\x00\x04"), 1024, 1024},
        {"dBase IV without 02 01", 0x8B, dbase4("\x00\x00\x40\x00"), 64, 512},
        {"FoxPro size 0", 0xF5, fox, 512, 0},
    };
    for (const Case& c : cases) {
        const std::string table = Path("bs.dbf");
        WriteBytes(table, BuildDbf(c.version, {{"NOTE", 'M', 10, 0}}, {}));
        Spit(ForceExtension(table, c.version == 0xF5 ? "fpt" : "dbt"), c.head);
        USE(table);
        EXPECT_EQ(CurrentMemo()->blockSize, c.opened) << c.label;
        bool isFox = false;
        EXPECT_EQ(MemoBlockSize(CurrentMemo()->fd, c.version, isFox), c.copied) << c.label;
        CloseArea();
    }
}

TEST_F(MemoTest, ReleasedBlockCounterNeverWritesIntoValueBlocks) {
    // With 32-byte blocks, offset 32 is the start of block 1.
    const std::string table = MemoTable("small.dbf", 0x8B, 32);
    USE(table + " EXCLUSIVE");
    const int32_t first = AddMemo("first value");
    const int32_t second = AddMemo("second");
    ASSERT_EQ(first, 1);
    const int32_t grown = WriteMemoLines(second, {Letters(100)});
    EXPECT_NE(grown, second);
    EXPECT_EQ(ReadStream(first), "first value");
    EXPECT_EQ(ReadStream(grown), Letters(100) + "\r\n");
}

TEST_F(MemoTest, StreamsOfEachStyle) {
    for (const MemoStyleCase& s : kMemoStyles) {
        USE(MemoTable("s" + std::to_string(s.version) + ".dbf", s.version, s.blockSize) +
            " EXCLUSIVE");
        const std::string memo = CurrentMemo()->fileName;
        const int32_t text = AddMemo("abc");
        EXPECT_EQ(ReadStream(text), "abc") << s.label;
        ASSERT_NE(OpenBlob(false, text, 1), 0);
        EXPECT_EQ(SeekBlobStream(0, 2), 3) << s.label << ": the end of the value";
        EXPECT_EQ(SeekBlobStream(-5, 0), 0) << s.label;
        DestroyBlobDescriptor();

        const std::string bytes = BinaryBytes(700);
        const int32_t ref = WriteStream(bytes);
        EXPECT_EQ(ReadStream(ref), bytes) << s.label;
        if (s.version == 0x83) {
            ASSERT_LT(ref, 0) << "a stream value in a dBase III file is headered";
            const Bytes file = ReadBytes(memo);
            EXPECT_EQ(At(file, -ref * 512, 8), std::string("\xFF\xFF\x08\x00\xC4\x02\x00\x00", 8))
                << "length 700 + 8";
        } else {
            EXPECT_GT(ref, 0) << s.label;
        }
        CloseArea();
    }
}

TEST_F(MemoTest, StreamLengthIsTheFurthestByteWritten) {
    USE(MemoTable("hw.dbf", 0x8B, 512) + " EXCLUSIVE");
    const int32_t ref = OpenBlob(false, 0, 2);
    WriteBlobStream("0123456789", 10, 0);
    EXPECT_EQ(SeekBlobStream(2, 0), 2);
    WriteBlobStream("AB", 2, 0);
    DestroyBlobDescriptor();
    EXPECT_EQ(ReadStream(ref), "01AB456789") << "a seek back before closing keeps the tail";
}

TEST_F(MemoTest, StreamWrittenWithoutBytesGetsNoHeader) {
    USE(MemoTable("none.dbf", 0xF5, 64) + " EXCLUSIVE");
    const std::string memo = CurrentMemo()->fileName;
    ASSERT_NE(OpenBlob(false, 0, 2), 0);
    DestroyBlobDescriptor();
    EXPECT_EQ(FileSizeOf(memo), 512u);
}

TEST_F(MemoTest, TextOrBinaryIsDecidedOncePerValue) {
    // Windows-1252 0xC4 is the A umlaut, 0x8E in code page 850.
    struct Case {
        std::vector<std::string> pieces;
        std::string stored;
    };
    const Case cases[] = {
        {{"\xC4\r\n"}, "\x8E\r\n"},
        {{std::string("\xC4\x01", 2)}, std::string("\xC4\x01", 2)},
        {{"\xC4"
          "bc",
          std::string("\x01\xC4", 2)},
         std::string("\x8E"
                     "bc\x01\x8E",
                     5)},
        {{std::string("\x01", 1), "\xC4"}, std::string("\x01\xC4", 2)},
    };
    USE(MemoTable("tm.dbf", 0x8B, 512) + " EXCLUSIVE");
    for (const Case& c : cases) {
        const int32_t ref = OpenBlob(true, 0, 2);
        for (const std::string& p : c.pieces)
            WriteBlobStream(p.data(), static_cast<int32_t>(p.size()), 0);
        DestroyBlobDescriptor();
        EXPECT_EQ(Hex(ReadStream(ref)), Hex(c.stored)) << Hex(c.pieces[0]);
    }
}

TEST_F(MemoTest, MemoTextsAreStoredInTheTablesCharacterSet) {
    // "Größe µ" in Windows-1252 and in code page 850.
    const std::string ansi =
        "Gr\xF6\xDF"
        "e \xB5";
    const std::string oem =
        "Gr\x94\xE1"
        "e \xE6";
    for (const MemoStyleCase& s : kMemoStyles) {
        USE(MemoTable("cp" + std::to_string(s.version) + ".dbf", s.version, s.blockSize) +
            " EXCLUSIVE");
        const int32_t added = AddMemo(ansi);
        EXPECT_EQ(Hex(ReadStream(added)), Hex(oem)) << s.label << ": stored bytes";
        EXPECT_EQ(ReadMemoLines(added), std::vector<std::string>{ansi}) << s.label;
        ASSERT_TRUE(GetMemo(added, 0)) << s.label;
        ASSERT_EQ(MemoLineTable.size(), 1u) << s.label;
        EXPECT_EQ(Hex(MemoLineTable[0].text), Hex(ansi)) << s.label;
        // The text stream reads what AddMemo wrote, and AddMemo's reader
        // what the text stream wrote.
        ASSERT_NE(OpenBlob(true, added, 1), 0) << s.label;
        char buf[64] = {};
        const int32_t n = ReadBlobStream(buf, sizeof buf, 0);
        DestroyBlobDescriptor();
        EXPECT_EQ(Hex(std::string(buf, static_cast<std::size_t>(std::max(n, 0)))), Hex(ansi))
            << s.label;
        const int32_t streamed = OpenBlob(true, 0, 2);
        WriteBlobStream(ansi.data(), static_cast<int32_t>(ansi.size()), 0);
        DestroyBlobDescriptor();
        EXPECT_EQ(ReadMemoLines(streamed), std::vector<std::string>{ansi}) << s.label;
        // Edited lines go back in the table's character set.
        const int32_t rewritten = WriteMemoLines(added, {ansi, "Ma\xDF"});
        EXPECT_EQ(Hex(ReadStream(rewritten)), Hex(oem + "\r\nMa\xE1\r\n")) << s.label;
        CloseArea();
    }
    // A table of ANSI text keeps the bytes as they come.
    AnsiTables = true;
    USE(MemoTable("ansi.dbf", 0x83, 512) + " EXCLUSIVE");
    const int32_t ref = AddMemo(ansi);
    EXPECT_EQ(Hex(ReadStream(ref)), Hex(ansi));
    EXPECT_EQ(ReadMemoLines(ref), std::vector<std::string>{ansi});
}

TEST_F(MemoTest, RecordHooksApplyToMemoBytes) {
    auto rot = [](uint8_t* d, std::size_t n) { std::for_each(d, d + n, [](uint8_t& c) { ++c; }); };
    auto unrot = [](uint8_t* d, std::size_t n) {
        std::for_each(d, d + n, [](uint8_t& c) { --c; });
    };
    for (const MemoStyleCase& s : kMemoStyles) {
        const std::string table =
            MemoTable("hook" + std::to_string(s.version) + ".dbf", s.version, s.blockSize);
        UseWithHook(table + " EXCLUSIVE", nullptr, 0, unrot, rot);
        const std::string memo = CurrentMemo()->fileName;
        const int32_t text = AddMemo("abc");
        const std::size_t at =
            static_cast<std::size_t>(text) * s.blockSize + (s.version == 0x83 ? 0 : 8);
        EXPECT_EQ(At(ReadBytes(memo), at, 3), "bcd")
            << s.label << ": stored through the write hook";
        EXPECT_EQ(ReadMemoLines(text), std::vector<std::string>{"abc"}) << s.label;
        // A stream through the 512-byte window, with a seek back across it.
        const std::string bytes = BinaryBytes(1300);
        const int32_t ref = OpenBlob(false, 0, 2);
        WriteBlobStream(bytes.data(), 1300, 0);
        SeekBlobStream(10, 0);
        WriteBlobStream("XY", 2, 0);
        DestroyBlobDescriptor();
        std::string expected = bytes;
        expected.replace(10, 2, "XY");
        const std::string read = ReadStream(ref);
        EXPECT_EQ(read.size(), expected.size()) << s.label;
        EXPECT_EQ(std::mismatch(read.begin(), read.end(), expected.begin(), expected.end()).first -
                      read.begin(),
                  static_cast<std::ptrdiff_t>(read.size()))
            << s.label << ": the first byte that differs";
        CloseArea();
        // Copied into a table without hooks, the values read as written.
        USE(MemoTable("plain" + std::to_string(s.version) + ".dbf", s.version, s.blockSize) +
            " EXCLUSIVE");
        Select(2);
        UseWithHook(table + " ALIAS SRC", nullptr, 0, unrot, rot);
        Select(1);
        EXPECT_EQ(ReadStream(CopyMemo(2, text, false)), "abc") << s.label;
        const std::string copied = ReadStream(CopyMemo(2, ref, false));
        EXPECT_EQ(copied.size(), expected.size()) << s.label;
        EXPECT_EQ(copied, expected) << s.label << ": copied bytes differ";
        CloseAll();
    }
}

TEST_F(MemoTest, ReferenceBeyondTheFileIsRefused) {
    USE(MemoTable("far.dbf", 0x83, 512) + " EXCLUSIVE");
    EXPECT_THROW(GetMemo(7, 0), EDurazError);
    EXPECT_EQ(LastError(), 1003);
    EXPECT_THROW(OpenBlob(false, 7, 1), EDurazError);
    EXPECT_EQ(LastError(), 1003);
}

TEST_F(MemoTest, NegativeReferenceReadsAHeaderedValueOfADbase3File) {
    // Block 1 holds a dBase IV style value; the table refers to it as -1,
    // written as seven blanks and "-1" in the ten characters.
    const std::string table = Path("neg.dbf");
    WriteBytes(table, BuildDbf(0x83, {{"NOTE", 'M', 10, 0}}, {std::string(" ") + "        -1"}));
    std::string memo(512, '\0');
    memo[0] = 2;
    memo += std::string(
        "\xFF\xFF\x08\x00\x0B\x00\x00\x00"
        "a\0b",
        11);
    Spit(Path("neg.dbt"), memo);
    USE(table);
    EXPECT_EQ(BinaryMemoRef(1), -1);
    EXPECT_EQ(Hex(ReadStream(-1)), Hex(std::string("a\0b", 3)));
}

TEST_F(MemoTest, MemoFileIsFoundWhateverTheCaseOfItsName) {
    const std::string table = MemoTable("name.dbf", 0x8B, 512);
    USE(table + " EXCLUSIVE");
    AppendRef(1, AddMemo("found"));
    CloseArea();
    std::filesystem::rename(Path("name.dbt"), Path("NAME.DBT"));
    USE(table);
    EXPECT_EQ(ReadMemoLines(BinaryMemoRef(2)), std::vector<std::string>{"found"});
}

TEST_F(MemoTest, LocateSearchesMemoTexts) {
    USE(MemoTable("loc.dbf", 0xF5, 64) + " EXCLUSIVE");
    AppendRef(1, AddMemo("nothing here"));
    AppendRef(2, AddMemo("first line\r\nthe Worm gear"));
    EXPECT_TRUE(LocateValue("NOTE", std::string("worm"), true, 1, false));
    EXPECT_EQ(RecNo(), 2);
}

TEST_F(MemoTest, AppendFromCopiesValuesBetweenStyles) {
    // FoxPro source: a text and a binary value with zero bytes.
    const std::string source = MemoTable("src.dbf", 0xF5, 64);
    USE(source + " EXCLUSIVE");
    AppendRef(1, AddMemo("plain text"));
    AppendRef(2, WriteStream(BinaryBytes(600)));
    AppendRef(3, 0);
    CloseArea();
    struct Case {
        uint8_t version;
        bool binaryNegated;
    };
    for (const Case& c : {Case{0x83, true}, Case{0x8B, false}, Case{0xF5, false}}) {
        USE(MemoTable("dst" + std::to_string(c.version) + ".dbf", c.version, 512) + " EXCLUSIVE");
        AppendFrom(source);
        ASSERT_EQ(RecCount(), 3);
        GO(1);
        EXPECT_EQ(ReadStream(BinaryMemoRef(2)), "plain text") << int(c.version);
        GO(2);
        EXPECT_EQ(BinaryMemoRef(2) < 0, c.binaryNegated) << int(c.version);
        EXPECT_EQ(ReadStream(BinaryMemoRef(2)), BinaryBytes(600)) << int(c.version);
        GO(3);
        EXPECT_EQ(BinaryMemoRef(2), 0) << int(c.version);
        CloseArea();
    }
}

TEST_F(MemoTest, AppendFromStoresCharacterFieldsAsMemosInTheTablesCharacterSet) {
    // A character field "Größe µ" (code page 850 on the file) into a memo field.
    const std::string source = Path("chars.dbf");
    WriteBytes(source, BuildDbf(0x03, {{"ID", 'N', 4, 0}, {"NOTE", 'C', 12, 0}},
                                {std::string(" ") + "   1" +
                                 "Gr\x94\xE1"
                                 "e \xE6"}));
    USE(MemoTable("into.dbf", 0x83, 512) + " EXCLUSIVE");
    AppendFrom(source);
    ASSERT_EQ(RecCount(), 1);
    GO(1);
    EXPECT_EQ(Hex(ReadStream(BinaryMemoRef(2))), Hex("Gr\x94\xE1"
                                                     "e \xE6"));
}

TEST_F(MemoTest, AppendsOfTwoAreasTakeTurnsOnTheMemoFileLock) {
    const std::string table = MemoTable("shared.dbf", 0x8B, 512);
    UseIn(1, table);
    UseIn(2, table + " ALIAS OTHER");
    Select(1);
    ASSERT_TRUE(LockMemofile());
    Select(2);
    EXPECT_THROW(AddMemo("second"), EDurazError);
    EXPECT_EQ(LastError(), 1017);
    Select(1);
    EXPECT_EQ(AddMemo("first"), 1) << "the area holding the lock appends and releases it";
    Select(2);
    EXPECT_EQ(AddMemo("second"), 2);
}

TEST_F(MemoTest, ZapLeavesAnEmptyMemoFileOfTheTablesStyle) {
    for (const MemoStyleCase& s : kMemoStyles) {
        const std::string table =
            MemoTable("zap" + std::to_string(s.version) + ".dbf", s.version, s.blockSize);
        USE(table + " EXCLUSIVE");
        AddMemo(Letters(900));
        MemoProcTable.zapMemofile(table);
        const std::string memo = CurrentMemo()->fileName;
        EXPECT_EQ(FileSizeOf(memo), s.version == 0x83   ? 513u
                                    : s.version == 0xF5 ? 512u
                                                        : 24u)
            << s.label;
        EXPECT_EQ(memo.substr(memo.size() - 3), std::string(s.memoExtension + 1)) << s.label;
        CloseArea();
    }
}

std::set<std::string> FilesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

TEST_F(MemoTest, PackFailingAtAnyStepLeavesTheTableAndEveryValueAsTheyWere) {
    for (const MemoStyleCase& s : kMemoStyles) {
        bool completed = false;
        int steps = 0;
        for (int step = 1; step < 60 && !completed; ++step) {
            std::filesystem::remove_all(dir);
            std::filesystem::create_directories(dir);
            const std::string table = MemoTable("pack.dbf", s.version, s.blockSize);
            const std::string memo = ForceExtension(table, s.memoExtension + 1);
            USE(table + " EXCLUSIVE");
            AppendRef(1, AddMemo("alpha"));
            AppendRef(2, AddMemo(Letters(600)));
            AppendRef(3, WriteStream(BinaryBytes(300)));
            const int32_t old = AddMemo("old text");
            AppendRef(4, WriteMemoLines(old, {"rewritten", Letters(700)}));
            GO(2);
            DeleteRec();
            const uint64_t before = FileSizeOf(memo);
            const std::set<std::string> files = FilesIn(dir);
            PackMemoFailAtStep = step;
            try {
                Pack();
                completed = true;
                steps = step;
            } catch (const EDurazError&) {
            }
            PackMemoFailAtStep = 0;
            const std::string label =
                std::string(s.label) + " failing at step " + std::to_string(step);
            EXPECT_EQ(FilesIn(dir), files) << label << ": no scratch file stays";
            // A failed pack leaves the table as it was, deleted record and all.
            ASSERT_EQ(RecCount(), completed ? 3 : 4) << label;
            const int32_t shift = completed ? 0 : 1;
            GO(1);
            EXPECT_EQ(ReadStream(BinaryMemoRef(2)), "alpha") << label;
            if (!completed) {
                GO(2);
                EXPECT_EQ(ReadStream(BinaryMemoRef(2)), Letters(600)) << label;
            }
            GO(2 + shift);
            EXPECT_EQ(ReadStream(BinaryMemoRef(2)), BinaryBytes(300)) << label;
            GO(3 + shift);
            EXPECT_EQ(ReadStream(BinaryMemoRef(2)), "rewritten\r\n" + Letters(700) + "\r\n")
                << label;
            if (completed) {
                EXPECT_LT(FileSizeOf(memo), before) << label << ": unreferenced values are gone";
                CloseArea();
                USE(table);
                GO(1);
                EXPECT_EQ(ReadStream(BinaryMemoRef(2)), "alpha") << label << " after reopening";
            }
            CloseArea();
        }
        EXPECT_TRUE(completed) << s.label;
        EXPECT_GT(steps, 8) << s.label << ": the pack has steps for each value and reference";
    }
}

// The memo file of a table in a folder that is sticky and open to everyone,
// reached through a link. The user's own link is followed as a save follows
// it: the link stays and the file it points to is packed. A link of another
// user is not: PACK is refused with an error and nothing is replaced, and so
// is the memo file's own pack.
TEST_F(MemoTest, PackFollowsTheUsersOwnMemoLinkButNotOneAnotherUserPlanted) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link another owner needs root";
    namespace fs = std::filesystem;
    for (bool planted : {false, true}) {
        const std::string label = planted ? "another user's link" : "own link";
        const std::string shared = Path(planted ? "shared2" : "shared1");
        const std::string real = Path(planted ? "real2" : "real1");
        fs::create_directories(shared);
        fs::create_directories(real);
        ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
        const std::string table = shared + "/t.dbf";
        WriteBytes(table, BuildDbf(0x83, {{"ID", 'N', 4, 0}, {"NOTE", 'M', 10, 0}}, {}));
        CreateDbfMemoFile(table, 0x83, 512, "test");
        fs::rename(shared + "/t.dbt", real + "/t.dbt");
        fs::create_symlink(real + "/t.dbt", shared + "/t.dbt");
        USE(table + " EXCLUSIVE");
        AppendRef(1, AddMemo("first"));
        AppendRef(2, AddMemo(Letters(900)));
        AppendRef(3, AddMemo("third"));
        GO(2);
        DeleteRec();
        CloseArea();
        USE(table + " EXCLUSIVE");
        // The link changes hands once the table is open, as a link planted
        // between the open and the pack would.
        if (planted) {
            ASSERT_EQ(::lchown((shared + "/t.dbt").c_str(), 65534, 65534), 0);
        }
        const std::string tableBefore = Slurp(table);
        const std::string memoBefore = Slurp(real + "/t.dbt");
        ASSERT_EQ(memoBefore.size(), 512u * 5) << "header, first, two blocks of the second, third";
        if (planted) {
            // A refused name is no name: nothing in the current folder is
            // taken for a killed pack's leftover.
            const fs::path startFolder = fs::current_path();
            fs::create_directories(Path("current"));
            Spit(Path("current/.$$$old0"), "a user's file");
            fs::current_path(Path("current"));
            const std::string message = Raised([] { Pack(); });
            fs::current_path(startFolder);
            EXPECT_TRUE(fs::exists(Path("current/.$$$old0"))) << label;
            EXPECT_TRUE(Contains(message, "Fehler beim Packen von " + table)) << message;
            EXPECT_EQ(Slurp(table), tableBefore) << label;
            EXPECT_EQ(Slurp(real + "/t.dbt"), memoBefore) << label;
            const std::string memoPack = Raised([] { PackMemofile(); });
            EXPECT_TRUE(Contains(memoPack, "[PackMemofile]")) << memoPack;
            EXPECT_EQ(Slurp(real + "/t.dbt"), memoBefore) << label << ": the memo file's own pack";
            EXPECT_EQ(RecCount(), 3) << label;
        } else {
            EXPECT_TRUE(Pack()) << label;
            EXPECT_EQ(RecCount(), 2) << label;
            // Header, "first", "third": the 900 letters are gone from the target.
            EXPECT_EQ(Slurp(real + "/t.dbt").size(), 512u * 2 + 6) << label;
        }
        CloseArea();
        EXPECT_TRUE(fs::is_symlink(shared + "/t.dbt")) << label;
        EXPECT_EQ(FilesIn(shared), (std::set<std::string>{"t.dbf", "t.dbt"})) << label;
        EXPECT_EQ(FilesIn(real), (std::set<std::string>{"t.dbt"})) << label;
        USE(table);
        GO(1);
        EXPECT_EQ(ReadStream(BinaryMemoRef(2)), "first") << label;
        GoBottom();
        EXPECT_EQ(ReadStream(BinaryMemoRef(2)), "third") << label;
        CloseArea();
    }
}

TEST_F(MemoTest, PackDropsReferencesBeyondTheFile) {
    const std::string table = Path("beyond.dbf");
    WriteBytes(table, BuildDbf(0x83, {{"NOTE", 'M', 10, 0}}, {"         99", "          1"}));
    std::string memo(512, '\0');
    memo[0] = 2;
    memo += "kept\x1A";
    Spit(Path("beyond.dbt"), memo);
    USE(table + " EXCLUSIVE");
    EXPECT_THROW(Pack(), EDurazError);
    EXPECT_EQ(LastError(), 1003);
    GO(1);
    EXPECT_EQ(BinaryMemoRef(1), 0);
    GO(2);
    EXPECT_EQ(ReadStream(BinaryMemoRef(1)), "kept");
}

// Damaged memo files: every verb ends with an engine error or a value, never
// a crash.
TEST_F(MemoTest, DamagedMemoFilesAreSurvived) {
    auto le = [](uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    struct Case {
        const char* label;
        uint8_t version;
        std::string memo;
        const char* ref;
    };
    const std::string dbase4Head = le(1) + std::string(14, '\0') + B("\x02\x01\x00\x02\x00\x00");
    const Case cases[] = {
        {"empty dBase III file", 0x83, "", "1"},
        {"three bytes", 0x8B, "abc", "1"},
        {"FoxPro block size 0", 0xF5, std::string(512, '\0') + B("\0\0\0\1\0\0\0\3abc"), "1"},
        {"dBase IV length beyond the file", 0x8B,
         dbase4Head + std::string(512 - 24, '\0') + B("\xFF\xFF\x08\x00") + le(0xFFFFFFF0) + "abc",
         "1"},
        {"dBase IV length below its header", 0x8B,
         dbase4Head + std::string(512 - 24, '\0') + B("\xFF\xFF\x08\x00") + le(3), "1"},
        {"free chain in a loop", 0x8B,
         le(1) + dbase4Head.substr(4) + std::string(512 - 24, '\0') + le(1) + le(1) +
             std::string(504, '\0') + B("\xFF\xFF\x08\x00") + le(11) + "abc",
         "2"},
        {"FoxPro length beyond the file", 0xF5,
         B("\0\0\0\2\0\0\0\x40") + std::string(504, '\0') + B("\0\0\0\1\x7F\xFF\xFF\xFFx"), "8"},
        {"large negative reference", 0x83, std::string(1024, 'q'), "-999999999"},
        {"block size 1", 0x8B,
         le(30) + std::string(14, '\0') + B("\x02\x01\x01\x00") + std::string(10, 'z'), "25"},
    };
    for (const Case& c : cases) {
        const std::string table = Path("bad.dbf");
        std::string ref = c.ref;
        WriteBytes(table, BuildDbf(c.version, {{"NOTE", 'M', 10, 0}},
                                   {" " + std::string(10 - ref.size(), ' ') + ref}));
        Spit(ForceExtension(table, c.version == 0xF5 ? "fpt" : "dbt"), c.memo);
        try {
            USE(table + " EXCLUSIVE");
        } catch (const EDurazError&) {
            continue;
        }
        auto attempt = [&](auto&& f) {
            try {
                f();
            } catch (const EDurazError&) {
            }
        };
        const int32_t r = BinaryMemoRef(1);
        attempt([&] { ReadMemoLines(r); });
        attempt([&] { ReadStream(r); });
        attempt([&] { SetBinaryMemoRef(1, WriteMemoLines(r, {"new text", Letters(900)})); });
        attempt([&] { AddMemo(Letters(40)); });
        attempt([&] { WriteStream(BinaryBytes(70)); });
        attempt([&] { Replace(); });
        attempt([&] { Pack(); });
        attempt([&] { CloseArea(); });
        SUCCEED() << c.label;
    }
}

// A stored length that runs past the end of the file is damage: the value is
// refused, never filled up with the bytes of the values after it. A value
// that ends exactly at the file's end is whole.
TEST_F(MemoTest, AStoredLengthPastTheFileEndIsRefusedAsDamage) {
    auto le = [](uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    auto be = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    auto padded = [](std::string s, std::size_t n) {
        s.resize(n, '\0');
        return s;
    };
    const std::string dbase4Head =
        padded(le(3) + std::string(14, '\0') + B("\x02\x01\x00\x02\x00\x00"), 512);
    struct Case {
        const char* label;
        uint8_t version;
        std::string memo;
        const char* damaged;  // the reference whose length claims 2000 bytes
        const char* whole;    // "second", up to the file's last byte
    };
    const Case cases[] = {
        {"dBase IV", 0x8B,
         dbase4Head + padded(B("\xFF\xFF\x08\x00") + le(2008) + "first", 512) +
             B("\xFF\xFF\x08\x00") + le(14) + "second",
         "1", "2"},
        {"dBase III headered", 0x83,
         padded(le(3), 512) + padded(B("\xFF\xFF\x08\x00") + le(2008) + "first", 512) +
             B("\xFF\xFF\x08\x00") + le(14) + "second",
         "-1", "-2"},
        {"FoxPro", 0xF5,
         padded(be(10) + B("\0\0\0\x40"), 512) + padded(be(1) + be(2000) + "first", 64) + be(1) +
             be(6) + "second",
         "8", "9"},
    };
    for (const Case& c : cases) {
        const std::string table = Path("long.dbf");
        auto field = [](const std::string& ref) {
            return " " + std::string(10 - ref.size(), ' ') + ref;
        };
        WriteBytes(table,
                   BuildDbf(c.version, {{"NOTE", 'M', 10, 0}}, {field(c.damaged), field(c.whole)}));
        Spit(ForceExtension(table, c.version == 0xF5 ? "fpt" : "dbt"), c.memo);
        USE(table + " EXCLUSIVE");
        GO(1);
        const int32_t damaged = BinaryMemoRef(1);
        EXPECT_THROW(ReadMemoLines(damaged), EDurazError) << c.label;
        EXPECT_EQ(LastError(), 1003) << c.label << ": read as lines";
        EXPECT_THROW(OpenBlob(false, damaged, 1), EDurazError) << c.label;
        EXPECT_EQ(LastError(), 1003) << c.label << ": read as a stream";
        GO(2);
        const int32_t whole = BinaryMemoRef(1);
        EXPECT_EQ(ReadStream(whole), "second") << c.label;
        EXPECT_EQ(ReadMemoLines(whole), std::vector<std::string>{"second"}) << c.label;
        CloseArea();
    }
}

// A dBase IV style block must lie after the 24-byte header; a header naming
// a smaller block size (block 1 inside the header) is a damaged file.
TEST_F(MemoTest, ABlockSizeTheStyleDoesNotAllowIsRefusedAsDamage) {
    auto le = [](uint32_t v) {
        return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    };
    auto dbase4 = [&](uint16_t blockSize) {
        std::string h = le(1) + std::string(14, '\0') + B("\x02\x01");
        h += static_cast<char>(blockSize & 0xFF);
        h += static_cast<char>(blockSize >> 8);
        h.resize(512, '\0');
        // A value at offset 512, where a file of 512-byte blocks has block 1.
        return h + B("\xFF\xFF\x08\x00") + le(12) + "text";
    };
    for (const uint16_t blockSize : {1, 8, 23}) {
        const std::string table = Path("bs.dbf");
        WriteBytes(table, BuildDbf(0x8B, {{"NOTE", 'M', 10, 0}}, {"          1"}));
        Spit(Path("bs.dbt"), dbase4(blockSize));
        EXPECT_THROW(USE(table + " EXCLUSIVE"), EDurazError) << "block size " << blockSize;
        EXPECT_EQ(LastError(), 1003) << "block size " << blockSize;
        EXPECT_EQ(CurrentWorkArea(), nullptr)
            << "block size " << blockSize << ": no area stays open";
        CloseArea();
    }
    // The smallest block after the header holds values as any other.
    USE(MemoTable("b24.dbf", 0x8B, 24) + " EXCLUSIVE");
    const int32_t ref = AddMemo("twenty-four");
    EXPECT_EQ(ref, 1);
    EXPECT_EQ(ReadStream(ref), "twenty-four");
}

}  // namespace
}  // namespace veldrim::testing
