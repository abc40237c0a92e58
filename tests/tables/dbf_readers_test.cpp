// Tables written by the engine, checked by independent readers (Debian's
// python3-dbfread and Perl's XBase), and tables written by other tools
// (shapelib's dbfcreate/dbfadd, python3-dbf) read by the engine.
#include <unistd.h>

#include "foundation/codepage.h"
#include "table_test_util.h"
#include "tables/engine_dates.h"
#include "tables/navigation.h"

namespace veldrim::testing {
namespace {

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
        struct Row { std::string name; int qty; double price; const char* born; bool ok; int64_t big; bool del; };
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
                       "|3|1.25|19991231|1|3000000000|\n1|gone|-4|-0.5|20000229|0|0|\n0|plain|0|1234.567||0|-42|\n");
}

TEST_F(DbfReadersTest, ShapelibTablesOpen) {
    if (!Have("/usr/bin/dbfcreate") || !Have("/usr/bin/dbfadd")) GTEST_SKIP() << "no shapelib tools";
    const std::string p = Path("shape.dbf");
    int rc = 0;
    RunCapture({"/usr/bin/dbfcreate", p, "-s", "CITY", "16", "-n", "POP", "9", "0", "-n", "AREA", "10", "2"}, &rc);
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
    struct Case { const char* type; uint8_t version; const char* memoFile; };
    for (const Case& c : {Case{"db3", 0x83, "db3.dbt"}, Case{"fp", 0xF5, "fp.fpt"}}) {
        const std::string p = Path(std::string(c.type) + ".dbf");
        const std::string script =
            "import sys, dbf\n"
            "t = dbf.Table(sys.argv[1], 'name C(10); qty N(5,0); price N(8,2); note M; born D; ok L',"
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
