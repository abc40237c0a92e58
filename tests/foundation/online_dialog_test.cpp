#include "foundation/online_dialog.h"

#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

using testing::FileFixture;

const std::string kDataDir = VELDRIM_DATA_DIR;

class OnlineDialogTest : public FileFixture {
protected:
    void SetUp() override {
        FileFixture::SetUp();
        helpDirectory = kDataDir;
    }
    static void Inputs(int count) {
        for (int i = 1; i <= count; ++i) {
            onlineDialog.inputNames[i] = "in" + std::to_string(i);
            onlineDialog.inputTexts[i] = std::to_string(10 * i);
        }
    }
    ScriptedUi::OnlineReply Reply(int row, int key = 0, bool ok = true) {
        ScriptedUi::OnlineReply r;
        r.row = row, r.lastKey = key, r.ok = ok;
        return r;
    }
};

TEST_F(OnlineDialogTest, SetupClearsMessagesAndCodesButKeepsTheTexts) {
    onlineDialog.inputTexts[3] = "left by an earlier dialog";
    onlineDialog.outputTexts[12] = "old output";
    onlineDialog.highlight[5] = 3;
    AddMessage("Warnung: alt");
    errorDisplayFlag = true;
    SetupOnlineDialog("Tabelle", 11, 10);

    EXPECT_EQ(onlineDialog.caption, "Tabelle");
    EXPECT_EQ(onlineDialog.inputCount, 11);
    EXPECT_EQ(onlineDialog.outputCount, 10);
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(errorDisplayFlag);
    for (int i = 1; i <= kOnlineDialogSlots; ++i) {
        EXPECT_EQ(onlineDialog.fieldOrder[i], 12) << i;
        EXPECT_EQ(onlineDialog.highlight[i], 0) << i;
    }
    EXPECT_EQ(onlineDialog.inputTexts[3], "left by an earlier dialog");
    EXPECT_EQ(onlineDialog.outputTexts[12], "old output");
}

TEST_F(OnlineDialogTest, ShowsTheTablesAndTakesTheEditsBack) {
    SetupOnlineDialog("Tabelle", 3, 2);
    Inputs(3);
    onlineDialog.inputUnits[2] = "mm";
    onlineDialog.highlight[3] = 1;
    onlineDialog.outputNames[1] = "out1", onlineDialog.outputTexts[1] = "1.5";
    AddMessage("Warnung: x2 > 0");
    ScriptedUi::OnlineReply reply = Reply(2);
    reply.edits = {{2, "25"}};
    ui.onlineReplies.push_back(reply);

    int row = 1;
    bool done = false;
    ShowOnlineDialog(row, 6000, done);

    ASSERT_EQ(ui.onlineForms.size(), 1u);
    const OnlineForm& f = ui.onlineForms[0];
    EXPECT_EQ(f.caption, "Tabelle");
    EXPECT_EQ(f.inputCount, 3);
    EXPECT_EQ(f.inputUnits[1], "mm");
    EXPECT_EQ(f.highlight[2], 1);
    EXPECT_EQ(f.outputTexts[0], "1.5");
    EXPECT_EQ(f.row, 1);
    EXPECT_EQ(f.messages, std::vector<std::string>{"Warnung: x2 > 0"});
    // Hints are the help texts base + 10 * row.
    EXPECT_TRUE(f.inputHints[0].starts_with("Erzeugungswinkel alpha 0")) << f.inputHints[0];
    EXPECT_TRUE(f.inputHints[1].starts_with("Achsabstand a")) << f.inputHints[1];
    EXPECT_EQ(currentHelpNumber, 1000);

    EXPECT_EQ(onlineDialog.inputTexts[2], "25");
    EXPECT_EQ(onlineDialog.inputTexts[1], "10");
    EXPECT_EQ(row, 2);
    EXPECT_TRUE(done);
    EXPECT_FALSE(cancelFlag);
}

TEST_F(OnlineDialogTest, CloseButtonSetsTheCancelFlagAndStillStoresTheEdits) {
    SetupOnlineDialog("Tabelle", 2, 0);
    Inputs(2);
    ScriptedUi::OnlineReply reply = Reply(1, 0, false);
    reply.edits = {{1, "7"}};
    ui.onlineReplies.push_back(reply);
    int row = 2;
    bool done = false;
    ShowOnlineDialog(row, 6000, done);
    EXPECT_TRUE(cancelFlag);
    EXPECT_TRUE(done);
    EXPECT_EQ(onlineDialog.inputTexts[1], "7");
    EXPECT_EQ(row, 1);
}

// The up or down key the user leaves a row with: the pass uses the row typed
// in, the next showing has the focus one row further, within 1 .. input count.
TEST_F(OnlineDialogTest, ArrowKeyMovesTheFocusOnceOnTheNextShowing) {
    struct Case {
        int left, key, passRow, nextFocus;
    } cases[] = {
        {3, kOnlineLastKeyDown, 3, 4},
        {3, kOnlineLastKeyUp, 3, 2},
        {1, kOnlineLastKeyUp, 1, 1},
        {4, kOnlineLastKeyDown, 4, 4},
        {2, 0, 2, 2},
    };
    for (const auto& c : cases) {
        SetupOnlineDialog("Tabelle", 4, 0);
        ui.onlineForms.clear();
        ui.onlineReplies = {Reply(c.left, c.key), Reply(0)};
        int row = 1;
        bool done = false;
        ShowOnlineDialog(row, 6000, done);
        EXPECT_EQ(row, c.passRow) << c.left << " " << c.key;
        ShowOnlineDialog(row, 6000, done);
        ASSERT_EQ(ui.onlineForms.size(), 2u);
        EXPECT_EQ(ui.onlineForms[1].row, c.nextFocus) << c.left << " " << c.key;
        EXPECT_EQ(row, c.nextFocus) << c.left << " " << c.key;
    }
}

TEST_F(OnlineDialogTest, FinishShowsErrorsAgainAndClearsTheCancelFlag) {
    SetupOnlineDialog("Tabelle", 1, 1);
    cancelFlag = true;
    FinishOnlineDialog();
    EXPECT_TRUE(errorDisplayFlag);
    EXPECT_FALSE(cancelFlag);
}

TEST_F(OnlineDialogTest, BatchRunClosesTheDialogAtOnce) {
    BatchUi batch;
    ScopedUi scope(batch);
    SetupOnlineDialog("Tabelle", 2, 0);
    Inputs(2);
    int row = 2;
    bool done = false;
    ShowOnlineDialog(row, 6000, done);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(onlineDialog.inputTexts[2], "20");
    EXPECT_EQ(row, 2);
}

}  // namespace
}  // namespace veldrim
