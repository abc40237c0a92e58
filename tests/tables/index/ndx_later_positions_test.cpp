// Indexes opened into positions after the first while position 1 stays
// empty: the table keeps its natural order until one of them is chosen as
// the order, which then controls the walk and FIND.
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

class NdxLaterPositions : public IndexTest {};

TEST_F(NdxLaterPositions, AnOrderChosenAmongIndexesOutsidePositionOneControlsTheWalk) {
    MakeTable("x.dbf", {F("NAME", 'C', 8)});
    for (const char* v : {"charly", "alpha", "bravo"}) AddRecord([&] { SetBinaryText(1, v); });
    MakeIndex("NAME", "n");
    CloseAllIndexes();
    OpenIndex("n", 16);
    EXPECT_EQ(CurrentOrder(), 0);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{1, 2, 3}));
    Set_Order_To(16);
    EXPECT_EQ(LastError(), 0);
    EXPECT_EQ(CurrentOrder(), 16);
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{2, 3, 1}));
    EXPECT_TRUE(FindExact("bravo"));
    EXPECT_EQ(RecNo(), 3);
    // A record appended now gets its key in the index.
    AddRecord([] { SetBinaryText(1, "able"); });
    EXPECT_EQ(WalkRecords(), (std::vector<int32_t>{4, 2, 3, 1}));
}

}  // namespace
}  // namespace veldrim::testing
