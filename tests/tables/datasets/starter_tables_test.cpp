// The shipped starter tables are what the engine writes from their source
// lists (set VELDRIM_REGENERATE_TABLES=1 to rewrite them after a change).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tables/datasets/starter_tables.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"
#include "tables/engine/win1252_text.h"

namespace veldrim::testing {
namespace {

class StarterTablesTest : public TableTest {};

TEST_F(StarterTablesTest, ShippedTablesAreWrittenFromTheirSourceLists) {
    const std::string data = VELDRIM_DATA_DIR;
    const bool regenerate = std::getenv("VELDRIM_REGENERATE_TABLES") != nullptr;
    for (const StarterTable& t : StarterTables()) {
        const std::string fresh = Path(t.table);
        std::string reason;
        ASSERT_TRUE(WriteStarterTable(t, data + "/tables/" + t.source, fresh, &reason)) << reason;
        const std::string shipped = data + "/" + t.table;
        if (regenerate)
            std::filesystem::copy_file(fresh, shipped,
                                       std::filesystem::copy_options::overwrite_existing);
        std::vector<uint8_t> a = ReadBytes(fresh), b = ReadBytes(shipped);
        ASSERT_EQ(a.size(), b.size()) << t.table;
        // The header's date of the last update (bytes 1..3) differs by day.
        for (int i = 1; i <= 3; ++i) a[i] = b[i] = 0;
        EXPECT_EQ(a, b) << t.table << " differs from what " << t.source << " gives";
    }
}

TEST_F(StarterTablesTest, RowsTooEmptyToCalculateWithAreLeftOut) {
    const std::string data = VELDRIM_DATA_DIR;
    const StarterTable& materials = StarterTables().front();
    std::string reason;
    ASSERT_TRUE(
        WriteStarterTable(materials, data + "/tables/" + materials.source, Path("m.dbf"), &reason));
    UseIn(1, Path("m.dbf"));
    std::vector<std::string> names;
    for (int r = 1; r <= RecCount(); ++r) names.push_back(TrimRightStr(Peek(3, r)));
    // 42CrMo4 and C45 have no Sig.Hlim, the brass wheel no E and nue.
    EXPECT_EQ(names, (std::vector<std::string>{
                         "16MnCr5", "20MnCr5", "34CrNiMo6", "CuSn12-C-GZ", "CuSn12Ni2-C-GZ",
                         "CuSn12Ni2-C-GC", "CuAl10Fe5Ni5-C-GZ", "EN-GJS-400-15", "EN-GJL-250"}));
}

}  // namespace
}  // namespace veldrim::testing
