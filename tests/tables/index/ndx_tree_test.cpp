// The tree under change: random runs of appends, replaces and key removals
// at the sizes where nodes fill and split, checked for the tree's
// invariants and against a fresh build of the same table.
#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "tables/index/index_fixture.h"
#include "tables/engine/locking.h"

namespace veldrim::testing {
namespace {

struct Shape {
    const char* label;
    TFieldEntry field;
    int keysPerNode;  // 504 div (8 + key length rounded up to 4)
};

const Shape kShapes[] = {
    {"N8", F("K", 'N', 10, 0), 31},
    {"C10", F("K", 'C', 10), 25},
    {"C100", F("K", 'C', 100), 4},
};

class NdxTree : public IndexTest {
protected:
    void SetKey(const Shape& s, int v) {
        if (s.field.type == 'N')
            SetBinaryInteger(1, v);
        else
            SetBinaryText(1, "k" + std::to_string(v));
    }
    std::string KeyBytes(const Shape& s, int v) {
        if (s.field.type == 'N') return DoubleKey(v);
        std::string k = "k" + std::to_string(v);
        k.resize(s.field.length, ' ');
        return k;
    }
    // Appends a record with key v; returns its number.
    int32_t AppendKey(const Shape& s, int v) {
        AddRecord([&] { SetKey(s, v); });
        return RecNo();
    }
    void ReplaceKey(const Shape& s, int32_t rec, int v) {
        GO(rec);
        SetKey(s, v);
        Replace();
    }
    // The tree holds, and its walk equals a fresh build restricted to the
    // records still indexed: the same key sequence and the same pairs.
    void ExpectMatchesRebuild(const std::string& what, const std::set<int32_t>& removed) {
        const TIndexCheck check = CheckIndexTree(1);
        EXPECT_TRUE(check.ok) << what << ": " << check.problem;
        auto walk = IndexEntries(1);
        MakeIndex("K", "fresh");
        OpenIndex("fresh", 2);
        std::vector<TIndexEntry> fresh;
        for (auto& e : IndexEntries(2))
            if (!removed.count(e.record)) fresh.push_back(e);
        CloseIndex(2);
        ASSERT_EQ(walk.size(), fresh.size()) << what;
        for (std::size_t i = 0; i < walk.size(); ++i)
            ASSERT_EQ(walk[i].key, fresh[i].key) << what << " at " << i;
        auto byPair = [](const TIndexEntry& a, const TIndexEntry& b) {
            return a.key != b.key ? a.key < b.key : a.record < b.record;
        };
        std::sort(walk.begin(), walk.end(), byPair);
        std::sort(fresh.begin(), fresh.end(), byPair);
        for (std::size_t i = 0; i < walk.size(); ++i)
            ASSERT_EQ(walk[i].record, fresh[i].record) << what << " at " << i;
    }
};

TEST_F(NdxTree, RandomRunsKeepTheTreeEqualToARebuild) {
    // With locking off the controlling index reads through its node cache.
    for (bool cached : {false, true})
        for (const Shape& s : kShapes) {
            const int m = s.keysPerNode;
            for (int size : {m, m + 1, m * (m + 1), m * (m + 1) + 1}) {
                const std::string what = std::string(s.label) + " size " + std::to_string(size) +
                                         (cached ? " cached" : "");
                ResetTableEngine();
                LockingOn = !cached;
                MakeTable(std::string(s.label) + "_" + std::to_string(size) + ".dbf", {s.field});
                Index_On("K", "k");
                std::mt19937 rng(static_cast<unsigned>(size * 7 + m));
                const int range = std::max(4, size / 2);  // duplicates on purpose
                std::vector<int32_t> live;
                for (int i = 0; i < size; ++i)
                    live.push_back(AppendKey(s, static_cast<int>(rng() % range)));
                EXPECT_EQ(CheckIndexTree(1).keys, size) << what;
                ExpectMatchesRebuild(what + " after appends", {});

                std::set<int32_t> removed;
                const int ops = std::min(3 * size, 1500);
                for (int i = 0; i < ops && !live.empty(); ++i) {
                    const unsigned pick = rng() % 10;
                    const std::size_t at = rng() % live.size();
                    if (pick < 3) {
                        live.push_back(AppendKey(s, static_cast<int>(rng() % range)));
                    } else if (pick < 7) {
                        ReplaceKey(s, live[at], static_cast<int>(rng() % range));
                    } else {
                        GO(live[at]);
                        ASSERT_EQ(DeleteCurrentKey(1), 0) << what;
                        removed.insert(live[at]);
                        live.erase(live.begin() + static_cast<std::ptrdiff_t>(at));
                    }
                }
                ExpectMatchesRebuild(what + " after random changes", removed);

                // Taking every key out leaves the empty index of a fresh file.
                for (int32_t rec : live) {
                    GO(rec);
                    ASSERT_EQ(DeleteCurrentKey(1), 0) << what;
                    const TIndexCheck c = CheckIndexTree(1);
                    ASSERT_TRUE(c.ok) << what << " removing " << rec << ": " << c.problem;
                }
                CloseAllIndexes();
                const auto b = ReadBytes(Path("k.NDX"));
                EXPECT_EQ(U32(b, 0), 1u) << what;
                EXPECT_EQ(U32(b, 4), 2u) << what;
                EXPECT_EQ(U16(b, 512), 0u) << what;
                CloseArea();
            }
        }
}

TEST_F(NdxTree, BuildsFillWholeNodesWithoutEmptyOnes) {
    // At a multiple of a node's keys the last leaf is full, not followed by
    // an empty one; keys that fit one node give a single leaf, node 1.
    for (const Shape& s : kShapes) {
        const int m = s.keysPerNode;
        for (int size : {m, m + 1, m * (m + 1), m * (m + 1) + 1}) {
            const std::string what = std::string(s.label) + " size " + std::to_string(size);
            ResetTableEngine();
            MakeTable(std::string(s.label) + "_b" + std::to_string(size) + ".dbf", {s.field});
            for (int i = 0; i < size; ++i) AddRecord([&] { SetKey(s, (i * 37) % size); });
            Index_On("K", "b");
            const TIndexCheck c = CheckIndexTree(1);
            EXPECT_TRUE(c.ok) << what << ": " << c.problem;
            EXPECT_EQ(c.keys, size) << what;
            const auto b = ReadBytes(Path("b.NDX"));
            const uint32_t root = U32(b, 0);
            EXPECT_EQ(U32(b, 4), root + 1) << what;
            EXPECT_EQ(b.size(), (root + 1) * 512u) << what;
            const int depth = size == m             ? 1
                              : size <= m * (m + 1) ? 2
                                                    : 3;  // m + 1 full leaves fit under one root
            EXPECT_EQ(c.depth, depth) << what;
            if (size == m) {
                EXPECT_EQ(root, 1u) << what;
            }
            CloseArea();
        }
    }
}

TEST_F(NdxTree, UniqueIndexKeepsTheFirstRecordOfEachKey) {
    // Model of a unique index under change: a key goes in only when absent,
    // and leaves with the record that holds it.
    const Shape& s = kShapes[1];
    MakeTable("u.dbf", {s.field});
    Index_On("K", "u UNIQUE");
    std::mt19937 rng(99);
    std::map<std::string, int32_t> model;
    std::map<int32_t, int> value;
    for (int i = 0; i < 700; ++i) {
        const int v = static_cast<int>(rng() % 120);
        if (value.empty() || rng() % 3 == 0) {
            const int32_t rec = AppendKey(s, v);
            value[rec] = v;
            model.emplace(KeyBytes(s, v), rec);
        } else {
            auto it = std::next(value.begin(), static_cast<std::ptrdiff_t>(rng() % value.size()));
            const std::string old = KeyBytes(s, it->second);
            ReplaceKey(s, it->first, v);
            if (it->second != v) {
                if (model.count(old) && model[old] == it->first) model.erase(old);
                model.emplace(KeyBytes(s, v), it->first);
            }
            it->second = v;
        }
    }
    const TIndexCheck check = CheckIndexTree(1);
    EXPECT_TRUE(check.ok) << check.problem;
    const auto walk = IndexEntries(1);
    ASSERT_EQ(walk.size(), model.size());
    auto m = model.begin();
    for (std::size_t i = 0; i < walk.size(); ++i, ++m) {
        EXPECT_EQ(walk[i].key, m->first) << i;
        EXPECT_EQ(walk[i].record, m->second) << i;
    }
}

TEST_F(NdxTree, RootSplitAndRootCollapseMoveTheAnchor) {
    // Four 100-byte keys fill the root leaf; the fifth splits it into node 2
    // and a new root 3. Removing keys down to one leaf gives the root back
    // to a leaf.
    MakeTable("r.dbf", {F("K", 'C', 100)});
    Index_On("K", "r");
    for (int v : {5, 1, 4, 2}) AddRecord([&] { SetBinaryText(1, "k" + std::to_string(v)); });
    auto anchor = [&] {
        const auto b = ReadBytes(Path("r.NDX"));
        return std::pair<uint32_t, uint32_t>(U32(b, 0), U32(b, 4));
    };
    EXPECT_EQ(anchor(), std::make_pair(1u, 2u));
    AddRecord([] { SetBinaryText(1, "k3"); });
    EXPECT_EQ(anchor(), std::make_pair(3u, 4u));
    EXPECT_EQ(CheckIndexTree(1).depth, 2);
    for (int32_t rec : {1, 3}) {  // k5 and k4: the right leaf empties
        GO(rec);
        ASSERT_EQ(DeleteCurrentKey(1), 0);
    }
    const TIndexCheck c = CheckIndexTree(1);
    EXPECT_TRUE(c.ok) << c.problem;
    EXPECT_EQ(c.depth, 1);
    EXPECT_EQ(c.keys, 3);
}

TEST_F(NdxTree, SkipFollowsTheKeyOrderBothWays) {
    MakeTable("s.dbf", {F("K", 'C', 6)});
    for (const char* v : {"delta", "alpha", "echo", "charly", "bravo"})
        AddRecord([&] { SetBinaryText(1, v); });
    Index_On("K", "s");
    const std::vector<int32_t> forward = {2, 5, 4, 1, 3};
    EXPECT_EQ(WalkRecords(), forward);
    std::vector<int32_t> back;
    for (GoBottom(); !dBOF(); SKIP(-1)) back.push_back(RecNo());
    EXPECT_EQ(back, std::vector<int32_t>(forward.rbegin(), forward.rend()));
    GO(4);
    SKIP(1);
    EXPECT_EQ(RecNo(), 1);
    SKIP(-2);
    EXPECT_EQ(RecNo(), 5);
}

}  // namespace
}  // namespace veldrim::testing
