#pragma once
// The table that the shared-table tests open from two programs: s.dbf with
// ID N(5) and NAME C(10), records 1..5, and what dbfread reads of it.
#include <string>

#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {

class SharedIdTableTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        CreateDbf(table, {F("ID", 'N', 5), F("NAME", 'C', 10)});
        USE(table + " EXCLUSIVE");
        for (int id = 1; id <= 5; ++id) AppendId(id);
        CloseArea();
    }

    static void AppendId(int id) {
        ClearRecord();
        SetBinaryInteger(1, id);
        SetBinaryText(2, "N" + std::to_string(id));
        Append();
    }

    // What dbfread reads of the table: the IDs of its records in order, a
    // blank, and the number of deleted records.
    static std::string Dbfread(const std::string& path) {
        static const char* script =
            "import sys\n"
            "from dbfread import DBF\n"
            "t = DBF(sys.argv[1], encoding='cp850', load=True)\n"
            "print(','.join(str(int(r['ID'])) for r in t.records), len(t.deleted))\n";
        return RunCapture({"/usr/bin/python3", "-c", script, path});
    }

    const std::string table = Path("s.dbf");
};

}  // namespace veldrim::testing
