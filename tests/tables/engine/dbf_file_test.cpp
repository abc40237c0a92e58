// Table file layer: creation, header checks, record input/output, header
// write-back, code page translation and the binary record; independent
// readers of the engine's tables and the engine reading other tools' tables.
#include "tables/engine/dbf_file.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>

#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "tables/table_test_util.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/win1252_text.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"

namespace veldrim::testing {
namespace {

class DbfFileTest : public TableTest {};

std::string Bytes(const std::vector<uint8_t>& b, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(&b[at]), n);
}

TEST_F(DbfFileTest, CreateWritesHeaderDescriptorsAndEmptyMemoFile) {
    const std::string p = Make("ADDR.DBF", {F("name", 'C', 20), F("born", 'D', 5), F("ok", 'L'),
                                            F("price", 'N', 8, 2), F("note", 'M')});
    const auto b = ReadBytes(p);
    ASSERT_EQ(b.size(), 194u);
    EXPECT_EQ(b[0], 0x8B);
    EXPECT_EQ(b[8] | (b[9] << 8), 193);
    EXPECT_EQ(b[10] | (b[11] << 8), 48);
    EXPECT_EQ(b[192], 0x0D);
    EXPECT_EQ(b[193], 0x1A);
    EXPECT_EQ(Bytes(b, 32, 4), "NAME");
    EXPECT_EQ(b[32 + 32 + 16], 8) << "a D field is always 8 long";
    const auto memo = ReadBytes(Path("ADDR.DBT"));
    ASSERT_EQ(memo.size(), 24u);
    EXPECT_EQ(memo[0], 1);
    EXPECT_EQ(Bytes(memo, 8, 4), "ADDR");
    EXPECT_EQ(memo[20] | (memo[21] << 8), 512);
    Make("PLAIN.DBF", {F("A", 'C', 3)});
    EXPECT_EQ(ReadBytes(Path("PLAIN.DBF"))[0], 0x03);
    EXPECT_FALSE(std::filesystem::exists(Path("PLAIN.DBT")));
    struct Case {
        const char* what;
        std::vector<TFieldEntry> fields;
    };
    const Case bad[] = {{"C of length 0", {F("A", 'C', 0)}},
                        {"unknown type", {F("A", 'X', 4)}},
                        {"blank name", {F("  ", 'C', 4)}},
                        {"no fields", {}}};
    for (const auto& c : bad) {
        EXPECT_THROW(CreateDbf(Path("BAD.DBF"), c.fields), EDurazError) << c.what;
        EXPECT_EQ(LastError(), 211) << c.what;
        EXPECT_FALSE(std::filesystem::exists(Path("BAD.DBF"))) << c.what;
    }
}

// A new table goes through the same save as every file the user names: a
// pipe at the name is refused before anything opens it, and stays a pipe.
TEST_F(DbfFileTest, CreateOntoAPipeIsRefusedAndLeavesThePipe) {
    const std::string p = Path("PIPE.DBF");
    ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
    EXPECT_THROW(CreateDbf(p, {F("A", 'C', 3)}), EDurazError);
    EXPECT_NE(LastError(), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(p.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << std::oct << st.st_mode;
}

// A damaged table, the error code it must give and a part of the message.
struct CorruptCase {
    const char* what;
    std::vector<uint8_t> bytes;
    uint16_t code;
    const char* contextPart;
};

std::vector<CorruptCase> CorruptCases() {
    const auto one = BuildDbf(0x03, {{"A", 'C', 4, 0}}, {" abcd"});
    const auto empty = BuildDbf(0x03, {{"A", 'C', 4, 0}}, {});
    auto with16 = [](std::vector<uint8_t> b, std::size_t at, unsigned v) {
        Put16(b, at, v);
        return b;
    };
    auto noField = one;
    noField[32] = 0x0D;
    std::vector<uint8_t> dbase2(520, 0);
    dbase2[0] = 0x02;
    return {
        {"10-byte file", std::vector<uint8_t>(10, 0x03), 210, "Prolog ist kleiner als 32 Bytes"},
        {"version 0x30", BuildDbf(0x30, {{"A", 'C', 4, 0}}, {" abcd"}), 210, "Versions-Byte"},
        {"record length 0", with16(one, 10, 0), 210, "Datensatzl"},
        {"record length below the fields",
         with16(BuildDbf(0x03, {{"A", 'C', 4, 0}, {"B", 'C', 4, 0}}, {" abcdefgh"}), 10, 5), 210,
         "Datensatzl"},
        {"first descriptor ends the list", noField, 222, "Fehler beim Lesen"},
        {"type X", BuildDbf(0x03, {{"WEIRD", 'X', 4, 0}}, {}), 211, "WEIRD [X]"},
        {"field table past the file", with16(empty, 8, 32 + 32 * 40 + 1), 100, "Fehler beim Lesen"},
        {"header too short for one field", with16(empty, 8, 40), 210, "Zu viele Datenfelder"},
        {"dBase II of 520 bytes", dbase2, 210, "521 Bytes"},
    };
}

TEST_F(DbfFileTest, CorruptHeadersAreRefusedWithoutLeaks) {
    for (const auto& c : CorruptCases()) {
        const std::string p = Path("CORRUPT.DBF");
        WriteBytes(p, c.bytes);
        const int before = OpenDescriptorCount();
        const std::string message = Raised([&] { USE(p); });
        EXPECT_TRUE(Contains(message, c.contextPart)) << c.what << ": " << message;
        EXPECT_EQ(LastError(), c.code) << c.what;
        EXPECT_EQ(CurrentWorkArea(), nullptr) << c.what;
        EXPECT_EQ(OpenDescriptorCount(), before) << c.what << ": leaked a handle";
    }
}

TEST_F(DbfFileTest, FuzzFoundOddDateAndLogicalLengthsStayInTheirBuffers) {
    // Other tools' D fields need not be 8 long, nor L fields 1.
    WriteBytes(Path("ODD.DBF"),
               BuildDbf(0x03, {{"D", 'D', 3, 0}, {"L", 'L', 0, 0}, {"E", 'D', 12, 0}},
                        {" 20119991231    "}));
    USE(Path("ODD.DBF") + " EXCLUSIVE");
    EXPECT_EQ(BinaryRecordSize(*CurrentWorkArea()), 1 + 11 + 1 + 11);
    EXPECT_FALSE(BinaryLogical(2));
    SetBinaryLogical(2, true);
    Replace();
    EXPECT_EQ(RecCount(), 1);
}

// New tables and memo files take 0666 less the umask, as every new file
// does; a table created again over an existing one keeps its permissions.
TEST_F(DbfFileTest, NewTablesFollowTheUmaskAndRecreatedOnesKeepTheirMode) {
    auto mode = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
    };
    const std::vector<TFieldEntry> fields = {F("NAME", 'C', 8), F("NOTE", 'M')};
    struct Case {
        unsigned umask;
        unsigned created;
    };
    const mode_t saved = ::umask(022);
    for (const Case& c : {Case{027, 0640}, Case{002, 0664}}) {
        ::umask(c.umask);
        const std::string name = "U" + std::to_string(c.umask) + ".DBF";
        const std::string table = Make(name, fields);
        EXPECT_EQ(mode(table), c.created) << "table, umask 0" << std::oct << c.umask;
        EXPECT_EQ(mode(ForceExtension(table, "DBT")), c.created)
            << "memo file, umask 0" << std::oct << c.umask;
        // The table and its memo file made private stay private when the
        // table is created anew.
        ::chmod(table.c_str(), 0600);
        ::chmod(ForceExtension(table, "DBT").c_str(), 0600);
        Make(name, fields);
        EXPECT_EQ(mode(table), 0600u) << "table created again, umask 0" << std::oct << c.umask;
        EXPECT_EQ(mode(ForceExtension(table, "DBT")), 0600u)
            << "memo file created again, umask 0" << std::oct << c.umask;
    }
    ::umask(saved);
}

// Every open of "RO.DBF" for writing is refused with this errno value.
int writingRefusedWith = 0;
int RefuseWriting(const char* path, int flags, mode_t mode) {
    if ((flags & O_ACCMODE) != O_RDONLY && std::string(path).ends_with("RO.DBF")) {
        errno = writingRefusedWith;
        return -1;
    }
    return SystemFileCalls().open(path, flags, mode);
}

// A table that may not be written, whatever keeps it so (no write
// permission, a read-only medium, a file marked immutable), still opens: it
// is read, and a write to it fails with code 5 and leaves the file as it was.
TEST_F(DbfFileTest, ATableThatMayNotBeWrittenOpensForReading) {
    const std::string table = Make("RO.DBF", {F("A", 'C', 3)});
    USE(table + " EXCLUSIVE");
    ClearRecord();
    SetBinaryText(1, "abc");
    Append();
    CloseArea();
    const std::string bytes = Slurp(table);
    for (const int err : {EACCES, EROFS, EPERM}) {
        SCOPED_TRACE(std::strerror(err));
        writingRefusedWith = err;
        FileCalls.open = RefuseWriting;
        EXPECT_EQ(Raised([&] { USE(table + " EXCLUSIVE"); }), "<nothing raised>");
        EXPECT_EQ(RecCount(), 1);
        EXPECT_EQ(TrimRightStr(BinaryText(1)), "abc");
        ClearRecord();
        SetBinaryText(1, "xyz");
        Raised([] { Append(); });
        EXPECT_EQ(LastError(), 5);
        Raised([] { CloseArea(); });
        ResetFileCalls();
        EXPECT_EQ(Slurp(table), bytes);
    }
}

TEST_F(DbfFileTest, GeneralFieldOfDbase4OpensAsMemo) {
    WriteBytes(Path("G.DBF"),
               BuildDbf(0x8B, {{"PIC", 'G', 10, 0}}, {" " + std::string(9, ' ') + "7"}));
    CreateDbfMemoFile(Path("G.DBF"), 0x8B, 512, "test");
    USE(Path("G.DBF"));
    EXPECT_EQ(FieldType(1), 'M');
    EXPECT_EQ(BinaryMemoRef(1), 7);
    EXPECT_EQ(FieldAsText(1), "MEMO");
}

// Other programs keep the high byte of a long C field's length in the
// decimals byte: C(44,1) is 44 + 256 = 300 bytes.
TEST_F(DbfFileTest, LongCharacterFieldsOfOtherProgramsOpenWithTheirWholeWidth) {
    const std::string wide = std::string(299, 'w') + "!";
    WriteBytes(Path("WIDE.DBF"),
               BuildDbf(0x83, {{"TEXT", 'C', 300, 1}, {"QTY", 'N', 5, 0}, {"NOTE", 'M', 10, 0}},
                        {" " + wide + "   42" + "         1"}));
    Spit(Path("WIDE.DBT"),
         std::string("\x02", 1) + std::string(511, '\0') + "after the wide field\x1A");
    USE(Path("WIDE.DBF") + " EXCLUSIVE");
    EXPECT_EQ(FieldLen(1), 300);
    EXPECT_EQ(FieldDec(1), 0);
    EXPECT_EQ(BinaryText(1), wide);
    EXPECT_EQ(BinaryInteger(2), 42);
    EXPECT_EQ(MemoProcTable.assignMemo(BinaryMemoRef(3)),
              std::vector<std::string>{"after the wide field"});
    const std::string changed = std::string(300, 'c');
    SetBinaryText(1, changed);
    Replace();
    CloseArea();
    USE(Path("WIDE.DBF"));
    EXPECT_EQ(BinaryText(1), changed) << "all 300 characters written back";
    EXPECT_EQ(BinaryInteger(2), 42);
}

TEST_F(DbfFileTest, CharacterWidthsThatAddUpStayAsDeclared) {
    // A C(8,2) from a spreadsheet program: the widths add up as declared.
    WriteBytes(Path("SHEET.DBF"),
               BuildDbf(0x03, {{"CODE", 'C', 8, 2}, {"QTY", 'N', 3, 0}}, {" abcdefgh 12"}));
    USE(Path("SHEET.DBF"));
    EXPECT_EQ(FieldLen(1), 8);
    EXPECT_EQ(BinaryText(1), "abcdefgh");
    EXPECT_EQ(BinaryInteger(2), 12);
    CloseArea();
    // Widths that add up neither way are refused.
    auto bytes = BuildDbf(0x03, {{"CODE", 'C', 8, 1}, {"QTY", 'N', 3, 0}}, {" abcdefgh 12"});
    Put16(bytes, 10, 40);
    WriteBytes(Path("ODD.DBF"), bytes);
    EXPECT_THROW(USE(Path("ODD.DBF")), EDurazError);
    EXPECT_EQ(LastError(), 210);
}

TEST_F(DbfFileTest, Level7TableOpens) {
    WriteBytes(Path("L7.DBF"), BuildDbf(0x04, {{"LONGNAME", 'C', 6, 0}, {"QTY", 'N', 4, 0}},
                                        {" widget  12", "*gadget   3"}, true));
    USE(Path("L7.DBF"));
    EXPECT_EQ(Field(1), "LONGNAME");
    EXPECT_EQ(BinaryText(1), "widget");
    EXPECT_EQ(BinaryInteger(2), 12);
    SKIP(1);
    EXPECT_TRUE(Deleted());
    EXPECT_EQ(BinaryInteger(2), 3);
}

TEST_F(DbfFileTest, DbaseTwoTableOpensAndWritesItsOwnHeader) {
    std::vector<uint8_t> b(521, 0);
    b[0] = 0x02;
    Put16(b, 1, 2);
    b[3] = 5;
    b[4] = 17;
    b[5] = 88;
    Put16(b, 6, 1 + 5 + 3);
    // 16-byte descriptors: name, type at 11, length at 12.
    std::memcpy(&b[8], "CITY\0\0\0\0\0\0\0C\5", 13);
    std::memcpy(&b[24], "NUM\0\0\0\0\0\0\0\0N\3", 13);
    b[8 + 32] = 0x0D;
    b[520] = 0x0D;
    for (std::string r : {" Paris 42", " Rome   7"}) b.insert(b.end(), r.begin(), r.end());
    WriteBytes(Path("D2.DBF"), b);
    USE(Path("D2.DBF") + " EXCLUSIVE");
    EXPECT_EQ(RecCount(), 2);
    EXPECT_EQ(CurrentWorkArea()->lastUpdate, "19880517");
    EXPECT_EQ(BinaryText(1), "Paris");
    ClearRecord();
    SetBinaryText(1, "Oslo");
    SetBinaryInteger(2, 100);
    Append();
    CloseArea();
    const auto after = ReadBytes(Path("D2.DBF"));
    EXPECT_EQ(after[1] | (after[2] << 8), 3);
    EXPECT_EQ(Bytes(after, 521 + 18, 9), " Oslo 100");
    EXPECT_EQ(after[521 + 27], 0x1A);
}

TEST_F(DbfFileTest, AppendWritesCountAndEndMarkOnClose) {
    const std::string p = Make("FIVE.DBF", {F("N", 'N', 3)});
    for (int i = 1; i <= 6; ++i) {
        USE(p + " EXCLUSIVE");
        SetBinaryInteger(1, i);
        Append();
        CloseArea();
    }
    USE(p + " EXCLUSIVE");
    GO(2);
    SetBinaryInteger(1, 22);
    Replace();
    CloseArea();
    auto b = ReadBytes(p);
    const int hl = 32 + 32 + 1, rl = 4;
    ASSERT_EQ(b.size(), static_cast<std::size_t>(hl + 6 * rl + 1));
    EXPECT_EQ(b[4], 6);
    EXPECT_EQ(b.back(), 0x1A);
    EXPECT_EQ(Bytes(b, hl + rl, 4), "  22");
    EXPECT_EQ(Bytes(b, hl + 5 * rl, 4), "   6");
}

TEST_F(DbfFileTest, RecordNumbersOutsideTheTableAreRefused) {
    const std::string p = Make("R.DBF", {F("A", 'C', 2)});
    USE(p + " EXCLUSIVE");
    SetBinaryText(1, "xy");
    Append();
    TWorkArea& a = *CurrentWorkArea();
    const auto before = a.recordBuffer;
    QuietEngineErrors quiet;
    for (int32_t n : {0, 2, -1}) {
        GetDbfRecord(a, n);
        EXPECT_EQ(LastError(), 212) << n;
        EXPECT_EQ(a.recordBuffer, before) << n;
    }
    for (int32_t n : {0, -5, 3}) {
        ErrorState.lastErrorCode = 0;
        PutDbfRecord(a, n);
        EXPECT_EQ(LastError(), 212) << n;
        EXPECT_EQ(a.recordCount, 1) << n;
    }
    ErrorState.lastErrorCode = 0;
    SetRecDeleteFlag(a, 0);
    EXPECT_EQ(LastError(), 212);
}

TEST_F(DbfFileTest, FailedAppendLeavesTheCountAlone) {
    // The file may not grow: the record cannot be written.
    const std::string p = Make("FULL.DBF", {F("A", 'C', 2)});
    USE(p + " EXCLUSIVE");
    SetBinaryText(1, "xy");
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit lim = old;
    lim.rlim_cur = std::filesystem::file_size(p);
    setrlimit(RLIMIT_FSIZE, &lim);
    EXPECT_THROW(Append(), EDurazError);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_NE(LastError(), 0);
    EXPECT_EQ(CurrentWorkArea()->recordCount, 0);
    EXPECT_EQ(CurrentWorkArea()->openState, kDbfClean);
    CloseArea();
    EXPECT_EQ(ReadBytes(p)[4], 0);
}

TEST_F(DbfFileTest, OemTableStoresCodePage850AndAnsiTableIsUnchanged) {
    const std::string p = Make("OEM.DBF", {F("TXT", 'C', 6)});
    USE(p + " EXCLUSIVE");
    const std::string ansi = Cp850ToWin1252("Maß ÄÖ"_cp850);
    SetBinaryText(1, ansi);
    Append();
    CloseArea();
    AnsiTables = true;
    USE(p + " EXCLUSIVE");
    SetBinaryText(1, "\xE4\xF6\xFC");
    Append();
    CloseArea();
    const auto b = ReadBytes(p);
    EXPECT_EQ(Bytes(b, 32 + 32 + 1 + 1, 6), std::string("Maß ÄÖ"_cp850));
    EXPECT_EQ(Bytes(b, 32 + 32 + 1 + 1 + 7, 3), "\xE4\xF6\xFC");
}

TEST_F(DbfFileTest, WideIntegersAreNotWrapped) {
    const std::string p =
        Make("WIDE.DBF", {F("SMALL", 'N', 9), F("BIG", 'N', 12), F("HUGE", 'N', 20)});
    USE(p + " EXCLUSIVE");
    EXPECT_EQ(BinaryRecordSize(*CurrentWorkArea()), 1 + 4 + 8 + 8);
    SetBinaryInteger(1, 999999999);
    SetBinaryInteger(2, 3000000000LL);
    SetBinaryInteger(3, 1234567890123456789LL);
    Append();
    CloseArea();
    USE(p);
    EXPECT_EQ(BinaryInteger(1), 999999999);
    EXPECT_EQ(BinaryInteger(2), 3000000000LL);
    EXPECT_EQ(BinaryInteger(3), 1234567890123456789LL);
    EXPECT_EQ(FieldAsText(2), "  3000000000");
}

// Field texts beyond the range of the binary integer (a damaged or foreign
// table) take the nearest end of the range, for every width of field.
TEST_F(DbfFileTest, OutOfRangeNumberTextsSaturateTheBinaryInteger) {
    const std::string p = Path("RANGE.DBF");
    WriteBytes(
        p,
        BuildDbf(0x03, {{"A", 'N', 7, 0}, {"B", 'N', 3, 0}, {"C", 'N', 12, 0}, {"D", 'N', 20, 0}},
                 {" 9.9e124"
                  "9e9"
                  "-9.9e124    "
                  "               1e300",
                  " -9.9e99"
                  "-99"
                  "      -12345"
                  "-1234567890123456789"}));
    USE(p);
    EXPECT_EQ(BinaryInteger(1), 2147483647);
    EXPECT_EQ(BinaryInteger(2), 2147483647);
    EXPECT_EQ(BinaryInteger(3), INT64_MIN);
    EXPECT_EQ(BinaryInteger(4), INT64_MAX);
    GO(2);
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(BinaryInteger(1), -2147483647 - 1);
    EXPECT_EQ(BinaryInteger(2), -99);
    EXPECT_EQ(BinaryInteger(3), -12345);
    EXPECT_EQ(BinaryInteger(4), -1234567890123456789LL);
    // Set from a number beyond the range, the field takes the range's end.
    SetBinaryNumber(1, 1e300);
    EXPECT_EQ(BinaryInteger(1), 2147483647);
    SetBinaryNumber(3, -1e300);
    EXPECT_EQ(BinaryInteger(3), INT64_MIN);
    CloseArea();
    // A field with decimals holds the value itself; as a whole number it
    // saturates as well.
    const std::string q = Path("DECIMALS.DBF");
    WriteBytes(q, BuildDbf(0x03, {{"P", 'N', 10, 2}}, {"   9.0e123", "  -9.0e123"}));
    USE(q);
    EXPECT_EQ(BinaryInteger(1), INT64_MAX);
    GO(2);
    EXPECT_EQ(BinaryInteger(1), INT64_MIN);
}

TEST_F(DbfFileTest, NumbersThatDoNotFitBecomeStarsAndDatesPassTheFormat) {
    const std::string p = Make("STAR.DBF", {F("A", 'N', 4, 1), F("B", 'N', 3), F("D", 'D')});
    SetDateFormat(5);
    USE(p + " EXCLUSIVE");
    const auto& rec = CurrentWorkArea()->recordBuffer;
    struct Case {
        double a;
        int b;
        const char* shown;
        const char* stored;
    };
    const Case cases[] = {{123.4, -100, "31.12.99", "*******19991231"},
                          {-9.94, -10, "01.02.03", "-9.9-1020030201"},
                          {0, 0, "31.02.20", " 0.0  0        "}};
    for (const auto& c : cases) {
        SetBinaryNumber(1, c.a);
        SetBinaryInteger(2, c.b);
        SetBinaryText(3, c.shown);
        Append();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&rec[1]), std::strlen(c.stored)),
                  c.stored)
            << c.shown;
    }
    GO(1);
    SetCentury = true;
    SKIP(0);
    EXPECT_EQ(BinaryText(3), "31.12.1999");
}

TEST_F(DbfFileTest, SharedCloseKeepsAnotherAreasFreshAppend) {
    const std::string p = Path("SHARE.DBF");
    WriteBytes(p, BuildDbf(0x03, {{"A", 'C', 2, 0}}, {" a1", " a2"}));
    UseIn(1, p + " ALIAS ONE");
    ASSERT_TRUE(RLock());
    SetBinaryText(1, "zz");
    Replace();  // area 1 now has a changed header to write
    UseIn(2, p + " ALIAS TWO");
    ASSERT_TRUE(ALock());
    SetBinaryText(1, "b3");
    Append();
    CloseArea();
    Select(1);
    CloseArea();
    const auto b = ReadBytes(p);
    EXPECT_EQ(b[4], 3) << "the close of area 1 cut off area 2's record";
    EXPECT_EQ(b.size(), static_cast<std::size_t>(32 + 32 + 1 + 3 * 3 + 1));
}

TEST_F(DbfFileTest, RecordHooksRunOverTheDataBytes) {
    const std::string p = Make("HOOK.DBF", {F("A", 'C', 3)});
    auto rot = [](uint8_t* d, std::size_t n) { std::for_each(d, d + n, [](uint8_t& c) { ++c; }); };
    auto unrot = [](uint8_t* d, std::size_t n) {
        std::for_each(d, d + n, [](uint8_t& c) { --c; });
    };
    AnsiTables = true;
    UseWithHook(p + " EXCLUSIVE", nullptr, 0, unrot, rot);
    SetBinaryText(1, "abc");
    Append();
    EXPECT_EQ(BinaryText(1), "abc");
    CloseArea();
    EXPECT_EQ(Bytes(ReadBytes(p), 32 + 32 + 1 + 1, 3), "bcd");
}

// Tables written by the engine, checked by independent readers (Debian's
// python3-dbfread and Perl's XBase), and tables written by other tools
// (shapelib's dbfcreate/dbfadd, python3-dbf) read by the engine.
class DbfReadersTest : public TableTest {
protected:
    static bool Have(const char* program) { return access(program, X_OK) == 0; }

    // A table with every field type, a deleted record, code page 850 text
    // and an empty memo file.
    std::string EngineTable() {
        const std::string p = Path("written.dbf");
        CreateDbf(p, {F("NAME", 'C', 12), F("QTY", 'N', 5), F("PRICE", 'N', 9, 3), F("BORN", 'D'),
                      F("OK", 'L'), F("BIG", 'N', 12), F("NOTE", 'M')});
        SetDateFormat(0);
        USE(p + " EXCLUSIVE");
        struct Row {
            std::string name;
            int qty;
            double price;
            const char* born;
            bool ok;
            int64_t big;
            bool del;
        };
        const Row rows[] = {
            {Cp850ToWin1252("Maß Öl"_cp850), 3, 1.25, "12/31/99", true, 3000000000LL, false},
            {"gone", -4, -0.5, "02/29/00", false, 0, true},
            {"plain", 0, 1234.567, "", false, -42, false},
        };
        for (const auto& r : rows) {
            ClearRecord();
            SetBinaryText(1, r.name);
            SetBinaryInteger(2, r.qty);
            SetBinaryNumber(3, r.price);
            SetBinaryText(4, r.born);
            SetBinaryLogical(5, r.ok);
            SetBinaryInteger(6, r.big);
            SetBinaryDeleted(r.del);
            Append();
        }
        CloseArea();
        return p;
    }
};

TEST_F(DbfReadersTest, DbfreadAgreesWithTheEngine) {
    if (!Have("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    const std::string p = EngineTable();
    const std::string script =
        "import sys, dbfread\n"
        "t = dbfread.DBF(sys.argv[1], encoding='cp850')\n"
        "print(t.dbversion, [(f.name, f.type, f.length, f.decimal_count) for f in t.fields])\n"
        "for r in t.records: print('L', list(r.values()))\n"
        "for r in t.deleted: print('D', list(r.values()))\n";
    int rc = 0;
    const std::string out = RunCapture({"/usr/bin/python3", "-c", script, p}, &rc);
    ASSERT_EQ(rc, 0) << out;
    EXPECT_EQ(out,
              "dBASE IV with memo [('NAME', 'C', 12, 0), ('QTY', 'N', 5, 0), ('PRICE', 'N', 9, 3), "
              "('BORN', 'D', 8, 0), ('OK', 'L', 1, 0), ('BIG', 'N', 12, 0), ('NOTE', 'M', 10, 0)]\n"
              "L ['Maß Öl', 3, 1.25, datetime.date(1999, 12, 31), True, 3000000000, None]\n"
              "L ['plain', 0, 1234.567, None, False, -42, None]\n"
              "D ['gone', -4, -0.5, datetime.date(2000, 2, 29), False, 0, None]\n");
}

TEST_F(DbfReadersTest, PerlXBaseAgreesWithTheEngine) {
    if (!Have("/usr/bin/perl")) GTEST_SKIP() << "no Perl XBase";
    const std::string p = EngineTable();
    const std::string script =
        "use XBase; my $t = new XBase $ARGV[0] or die XBase->errstr;"
        "for my $i (0 .. $t->last_record) { print join('|', $t->get_record($i)), \"\\n\"; }";
    int rc = 0;
    const std::string all = RunCapture({"/usr/bin/perl", "-e", script, p}, &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(all, std::string("0|") + std::string("Maß Öl"_cp850) +
                       "|3|1.25|19991231|1|3000000000|\n1|gone|-4|-0.5|20000229|0|0|\n0|plain|0|"
                       "1234.567||0|-42|\n");
}

TEST_F(DbfReadersTest, ShapelibTablesOpen) {
    if (!Have("/usr/bin/dbfcreate") || !Have("/usr/bin/dbfadd"))
        GTEST_SKIP() << "no shapelib tools";
    const std::string p = Path("shape.dbf");
    int rc = 0;
    RunCapture({"/usr/bin/dbfcreate", p, "-s", "CITY", "16", "-n", "POP", "9", "0", "-n", "AREA",
                "10", "2"},
               &rc);
    ASSERT_EQ(rc, 0);
    RunCapture({"/usr/bin/dbfadd", p, "Lyon", "522969", "47.87"}, &rc);
    RunCapture({"/usr/bin/dbfadd", p, "Wien", "1982097", "414.6"}, &rc);
    ASSERT_EQ(rc, 0);
    USE(p);
    EXPECT_EQ(CurrentWorkArea()->header[0], 0x03);
    EXPECT_EQ(RecCount(), 2);
    EXPECT_EQ(Field(1), "CITY");
    EXPECT_EQ(TrimRightStr(BinaryText(1)), "Lyon");
    EXPECT_EQ(BinaryInteger(2), 522969);
    SKIP(1);
    EXPECT_DOUBLE_EQ(BinaryNumber(3), 414.6);
}

TEST_F(DbfReadersTest, PythonDbfTablesWithMemoFilesOpen) {
    if (!Have("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
    struct Case {
        const char* type;
        uint8_t version;
        const char* memoFile;
    };
    for (const Case& c : {Case{"db3", 0x83, "db3.dbt"}, Case{"fp", 0xF5, "fp.fpt"}}) {
        const std::string p = Path(std::string(c.type) + ".dbf");
        const std::string script =
            "import sys, dbf\n"
            "t = dbf.Table(sys.argv[1], 'name C(10); qty N(5,0); price N(8,2); note M; born D; ok "
            "L',"
            " dbf_type=sys.argv[2], codepage='cp850')\n"
            "t.open(dbf.READ_WRITE)\n"
            "t.append(('Maß', 3, 1.25, 'first memo', dbf.Date(1999, 12, 31), True))\n"
            "t.append(('b', 4, 2.5, 'second memo', None, False))\n"
            "dbf.delete(t[1])\n"
            "t.close()\n";
        int rc = 0;
        const std::string out = RunCapture({"/usr/bin/python3", "-c", script, p, c.type}, &rc);
        ASSERT_EQ(rc, 0) << c.type << out;
        ASSERT_TRUE(std::filesystem::exists(Path(c.memoFile))) << c.type;
        SetDateFormat(5);
        USE(p);
        EXPECT_EQ(CurrentWorkArea()->header[0], c.version) << c.type;
        EXPECT_EQ(RecCount(), 2) << c.type;
        EXPECT_EQ(TrimRightStr(BinaryText(1)), Cp850ToWin1252("Maß"_cp850)) << c.type;
        EXPECT_DOUBLE_EQ(BinaryNumber(3), 1.25) << c.type;
        EXPECT_GT(BinaryMemoRef(4), 0) << c.type;
        EXPECT_EQ(BinaryText(5), "31.12.99") << c.type;
        EXPECT_TRUE(BinaryLogical(6)) << c.type;
        SKIP(1);
        EXPECT_TRUE(Deleted()) << c.type;
        EXPECT_EQ(BinaryText(5), "  .  .  ") << c.type;
    }
}

}  // namespace
}  // namespace veldrim::testing
