// Another program's key change inside a leaf, which leaves the anchor as it
// was, is told only by the semaphore's change counter: the first write phase
// this program begins after it, by a verb or through the write-phase hook,
// must read the tree again, and the walks after it follow the new keys.
#include <filesystem>

#include "tables/engine/locking.h"
#include "tables/engine/win1252_text.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

class NdxChangeCounter : public IndexTest {
protected:
    void OpenShared() {
        UseIn(1, table);
        Set_Index_To("s");
    }
    // The other program: 'u' opens the table and its index, 'r' renames
    // record 2 from bravo to delta, 'c' closes; it answers each with the
    // same letter.
    Peer Other() {
        return Peer([this](Peer& p) {
            for (char c; (c = p.Await()) != 0 && c != 'q';) {
                if (c == 'u') OpenShared();
                if (c == 'r') {
                    GO(2);
                    if (!RLock()) return 1;
                    SetBinaryText(1, "delta");
                    Replace();
                    Unlock();
                }
                if (c == 'c') CloseAll();
                p.Tell(c);
            }
            return 0;
        });
    }
};

// This program stands on alpha, the first key of its walk (alpha, bravo,
// charly: one leaf, which is the root), the other program renames bravo to
// delta in that leaf, and this program then begins a write phase: through
// the hook with nothing written, with a REPLACE of alpha that keeps its key,
// or with the APPEND of echo. Its walk then goes on from where it stands and
// meets the keys as the other program left them: alpha, charly, delta
// forwards, or back from echo; the index finds delta at record 2 and bravo
// nowhere, and its tree is whole.
TEST_F(NdxChangeCounter, AWritePhaseAfterAnotherProgramsChangeInALeafWalksOnAlongTheNewKeys) {
    for (const char* phase : {"hook", "replace", "append"}) {
        const std::string label = std::string("write phase by ") + phase;
        const bool append = std::string(phase) == "append";
        CloseAll();
        std::filesystem::remove(Path("s.@S@"));
        MakeSharedNameTable();
        Peer other = Other();
        ASSERT_TRUE(other.Started()) << label;
        ASSERT_EQ(other.Ask('u'), 'u') << label;
        OpenShared();
        GoTop();
        ASSERT_EQ(TrimRightStr(BinaryText(1)), "alpha") << label;
        const auto anchorBefore = ReadBytes(Path("s.NDX"));
        ASSERT_EQ(other.Ask('r'), 'r') << label;
        // The change stayed inside the leaf: root, next free block and
        // change mark are as they were.
        const auto anchorAfter = ReadBytes(Path("s.NDX"));
        ASSERT_EQ(U32(anchorAfter, 0), U32(anchorBefore, 0)) << label;
        ASSERT_EQ(U32(anchorAfter, 4), U32(anchorBefore, 4)) << label;
        ASSERT_EQ(anchorAfter.at(8), 0) << label;

        if (std::string(phase) == "hook") {
            SetLockSemaphoreProc(true);
            SetLockSemaphoreProc(false);
        } else if (std::string(phase) == "replace") {
            ASSERT_TRUE(RLock()) << label;
            Replace();
            Unlock();
        } else {
            ASSERT_TRUE(ALock()) << label;
            AddRecord([] { SetBinaryText(1, "echo"); });
            Unlock();
        }
        EXPECT_EQ(LastError(), 0) << label;
        std::vector<std::string> walked{TrimRightStr(BinaryText(1))};
        for (SKIP(append ? -1 : 1); !(append ? dBOF() : dEOF()); SKIP(append ? -1 : 1))
            walked.push_back(TrimRightStr(BinaryText(1)));
        const std::vector<std::string> expected =
            append ? std::vector<std::string>{"echo", "delta", "charly", "alpha"}
                   : std::vector<std::string>{"alpha", "charly", "delta"};
        EXPECT_EQ(walked, expected) << label;
        EXPECT_TRUE(FindExact("delta")) << label;
        EXPECT_EQ(RecNo(), 2) << label;
        EXPECT_FALSE(FindExact("bravo")) << label;
        const TIndexCheck check = CheckIndexTree(1);
        EXPECT_TRUE(check.ok) << label << ": " << check.problem;
        EXPECT_EQ(check.keys, static_cast<int>(expected.size())) << label;

        ASSERT_EQ(other.Ask('c'), 'c') << label;
        other.Send('q');
        EXPECT_EQ(other.Finish(), 0) << label;
    }
}

}  // namespace
}  // namespace veldrim::testing
