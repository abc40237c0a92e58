// The tree of an index file: reading and writing nodes, the descent path,
// stepping between keys, inserting and deleting keys.
//
// Every change writes the changed nodes and the anchor before it returns,
// so the file is whole after each operation. Insertion splits full nodes
// upward; deletion removes an emptied leaf from its parent, and an inner
// node left with a single child is merged with a sibling or borrows one, so
// that every inner node keeps at least one key (readers of the format walk
// `count` keys and take the trailing child only behind them) and all leaves
// stay at one depth. A root left with a single child gives way to it.
#include <unistd.h>

#include <array>
#include <cstring>
#include <set>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "foundation/file_calls.h"
#include "tables/index/ndx_internal.h"

namespace veldrim::ndx {

namespace {

int Es(const TIndex& ix) { return ix.anchor.entrySize; }

// Zeroes what lies behind the node's entries and the modified mark. An
// inner entry's record number is written as 0, as other programs expect
// (they tell an inner key from a leaf key by it); its key alone guides a
// descent, so numbers that older files hold there are never read.
void ClearTail(const TIndex& ix, uint8_t* b) {
    const int es = Es(ix);
    const int c = Count(b);
    const bool leaf = IsLeaf(b, es);
    const int used = 4 + c * es + (leaf ? 0 : 4);
    b[2] = b[3] = 0;
    if (used < kNdxBlock) std::memset(b + used, 0, static_cast<std::size_t>(kNdxBlock - used));
    if (!leaf)
        for (int i = 0; i < c; ++i) PutU32(EntryAt(b, i, es) + 4, 0);
}

void SetEntry(const TIndex& ix, uint8_t* b, int i, uint32_t child, uint32_t record,
              const uint8_t* key) {
    uint8_t* e = EntryAt(b, i, Es(ix));
    std::memset(e, 0, static_cast<std::size_t>(Es(ix)));
    PutU32(e, child);
    PutU32(e + 4, record);
    std::memcpy(e + 8, key, ix.anchor.keyLength);
}

// Opens a gap at i in a node of c entries and fills it.
void InsertEntry(const TIndex& ix, uint8_t* b, int c, int i, uint32_t child, uint32_t record,
                 const uint8_t* key, bool leaf) {
    const int es = Es(ix);
    const std::size_t moved = static_cast<std::size_t>((c - i) * es + (leaf ? 0 : 4));
    std::memmove(EntryAt(b, i + 1, es), EntryAt(b, i, es), moved);
    uint8_t* e = EntryAt(b, i, es);
    std::memset(e, 0, static_cast<std::size_t>(es));
    PutU32(e, child);
    PutU32(e + 4, record);
    std::memcpy(e + 8, key, ix.anchor.keyLength);
    SetCount(b, c + 1);
}

// Closes the gap of entry i in a node of c entries (inner: with its child).
void RemoveEntry(const TIndex& ix, uint8_t* b, int c, int i, bool leaf) {
    const int es = Es(ix);
    const std::size_t moved = static_cast<std::size_t>((c - i - 1) * es + (leaf ? 0 : 4));
    std::memmove(EntryAt(b, i, es), EntryAt(b, i + 1, es), moved);
    SetCount(b, c - 1);
}

bool ReadError(const TIndex& ix, int code) {
    SetError(code ? code : 222,
             "Fehler beim Lesen der Index-Datei: " + ShownFileName(ix.fileName) + " [SeekAndRead]");
    return false;
}

// Reads the next level of a descent; a tree deeper than any sound file, or
// a read error, drops the path.
bool ReadLevel(TIndex& ix, uint32_t node, TPathLevel& lv) {
    lv.node = node;
    if (ix.path.size() >= static_cast<std::size_t>(kMaxDepth)) {
        ix.path.clear();
        Damaged(ix, "GetNode");
        return false;
    }
    if (ReadNode(ix, node, lv.buf.data())) return true;
    ix.path.clear();
    return false;
}

// Walks down from `node` along the first or last children; the empty leaf
// is accepted only as the root.
bool DescendEdge(TIndex& ix, uint32_t node, bool rightmost) {
    const int es = Es(ix);
    for (;;) {
        TPathLevel lv;
        if (!ReadLevel(ix, node, lv)) return false;
        const int c = Count(lv.buf.data());
        if (IsLeaf(lv.buf.data(), es)) {
            if (c == 0 && !ix.path.empty()) {
                ix.path.clear();
                Damaged(ix, "GetNode");
                return false;
            }
            lv.pos = rightmost ? c - 1 : 0;
            if (lv.pos < 0) lv.pos = 0;
            ix.path.push_back(lv);
            return true;
        }
        lv.pos = rightmost ? c : 0;
        node = ChildOf(lv.buf.data(), lv.pos, es);
        ix.path.push_back(lv);
    }
}

bool WriteLevel(TIndex& ix, int l) { return WriteNode(ix, ix.path[l].node, ix.path[l].buf.data()); }

// The parent separators that ended with the subtree below level L take `key`.
bool PropagateMax(TIndex& ix, int L, const uint8_t* key, uint32_t record) {
    const int es = Es(ix);
    for (int l = L - 1; l >= 0; --l) {
        TPathLevel& p = ix.path[l];
        if (p.pos < Count(p.buf.data())) {
            uint8_t* e = EntryAt(p.buf.data(), p.pos, es);
            PutU32(e + 4, record);
            std::memcpy(e + 8, key, ix.anchor.keyLength);
            return WriteLevel(ix, l);
        }
    }
    return true;
}

bool RemoveChild(TIndex& ix, int L);

// An inner node at level L (not the root) holds no key and one child.
bool FixUnderflow(TIndex& ix, int L) {
    const int es = Es(ix);
    const int M = ix.anchor.maxKeys;
    TPathLevel& n = ix.path[L];
    TPathLevel& p = ix.path[L - 1];
    const uint32_t only = ChildOf(n.buf.data(), 0, es);
    const int j = p.pos;
    const int pc = Count(p.buf.data());
    std::array<uint8_t, kNdxBlock> sb{};
    std::string sep(reinterpret_cast<const char*>(KeyOf(p.buf.data(), j > 0 ? j - 1 : 0, es)),
                    ix.anchor.keyLength);
    const uint32_t sepRec = RecordOf(p.buf.data(), j > 0 ? j - 1 : 0, es);
    const auto* sepKey = reinterpret_cast<const uint8_t*>(sep.data());
    if (j > 0) {
        const uint32_t left = ChildOf(p.buf.data(), j - 1, es);
        if (!ReadNode(ix, left, sb.data())) return false;
        const int m = Count(sb.data());
        if (IsLeaf(sb.data(), es) || m == 0) {
            Damaged(ix, "DeleteKey");
            return false;
        }
        if (m < M) {
            // Merge into the left sibling: its trailing child gets the old
            // separator as key, the single child becomes its trailing child.
            uint8_t* e = EntryAt(sb.data(), m, es);
            PutU32(e + 4, sepRec);
            std::memcpy(e + 8, sepKey, ix.anchor.keyLength);
            SetCount(sb.data(), m + 1);
            PutU32(EntryAt(sb.data(), m + 1, es), only);
            if (!WriteNode(ix, left, sb.data())) return false;
            PutU32(EntryAt(p.buf.data(), j, es), left);
            p.pos = j - 1;
            return RemoveChild(ix, L - 1);
        }
        // Borrow the left sibling's last child.
        const uint32_t moved = ChildOf(sb.data(), m, es);
        std::string newSep(reinterpret_cast<const char*>(KeyOf(sb.data(), m - 1, es)),
                           ix.anchor.keyLength);
        const uint32_t newSepRec = RecordOf(sb.data(), m - 1, es);
        SetCount(sb.data(), m - 1);
        std::memset(n.buf.data(), 0, kNdxBlock);
        SetEntry(ix, n.buf.data(), 0, moved, sepRec, sepKey);
        PutU32(EntryAt(n.buf.data(), 1, es), only);
        SetCount(n.buf.data(), 1);
        uint8_t* pe = EntryAt(p.buf.data(), j - 1, es);
        PutU32(pe + 4, newSepRec);
        std::memcpy(pe + 8, newSep.data(), ix.anchor.keyLength);
        return WriteNode(ix, left, sb.data()) && WriteLevel(ix, L) && WriteLevel(ix, L - 1);
    }
    if (pc < 1) {
        Damaged(ix, "DeleteKey");
        return false;
    }
    const uint32_t right = ChildOf(p.buf.data(), 1, es);
    if (!ReadNode(ix, right, sb.data())) return false;
    const int q = Count(sb.data());
    if (IsLeaf(sb.data(), es) || q == 0) {
        Damaged(ix, "DeleteKey");
        return false;
    }
    if (q < M) {
        // Merge into the right sibling as its first child.
        InsertEntry(ix, sb.data(), q, 0, only, sepRec, sepKey, false);
        if (!WriteNode(ix, right, sb.data())) return false;
        p.pos = 0;
        return RemoveChild(ix, L - 1);
    }
    // Borrow the right sibling's first child.
    const uint32_t moved = ChildOf(sb.data(), 0, es);
    std::string newSep(reinterpret_cast<const char*>(KeyOf(sb.data(), 0, es)), ix.anchor.keyLength);
    const uint32_t newSepRec = RecordOf(sb.data(), 0, es);
    RemoveEntry(ix, sb.data(), q, 0, false);
    std::memset(n.buf.data(), 0, kNdxBlock);
    SetEntry(ix, n.buf.data(), 0, only, sepRec, sepKey);
    PutU32(EntryAt(n.buf.data(), 1, es), moved);
    SetCount(n.buf.data(), 1);
    uint8_t* pe = EntryAt(p.buf.data(), 0, es);
    PutU32(pe + 4, newSepRec);
    std::memcpy(pe + 8, newSep.data(), ix.anchor.keyLength);
    return WriteNode(ix, right, sb.data()) && WriteLevel(ix, L) && WriteLevel(ix, L - 1);
}

// Removes the child at path[L].pos from the inner node at level L.
bool RemoveChild(TIndex& ix, int L) {
    const int es = Es(ix);
    TPathLevel& lv = ix.path[L];
    uint8_t* b = lv.buf.data();
    const int c = Count(b);
    const int i = lv.pos;
    if (c < 1 || i > c) {
        Damaged(ix, "DeleteKey");
        return false;
    }
    std::string newMax;
    uint32_t newMaxRec = 0;
    bool maxChanged = false;
    if (i < c) {
        RemoveEntry(ix, b, c, i, false);
    } else {
        // The trailing child goes: the last keyed child takes its place.
        newMax.assign(reinterpret_cast<const char*>(KeyOf(b, c - 1, es)), ix.anchor.keyLength);
        newMaxRec = RecordOf(b, c - 1, es);
        SetCount(b, c - 1);
        maxChanged = true;
    }
    if (maxChanged) {
        if (!PropagateMax(ix, L, reinterpret_cast<const uint8_t*>(newMax.data()), newMaxRec))
            return false;
    }
    if (c - 1 >= 1) return WriteLevel(ix, L);
    if (L == 0) {
        // A root with one child gives way to it.
        ix.anchor.root = ChildOf(b, 0, es);
        ix.anchorModified = true;
        return true;
    }
    return FixUnderflow(ix, L);
}

bool MakeEmpty(TIndex& ix) {
    std::array<uint8_t, kNdxBlock> b{};
    ix.anchor.root = 1;
    ix.anchor.nextFree = 2;
    ix.anchorModified = true;
    ix.cache.slots.clear();
    if (!WriteNode(ix, 1, b.data())) return false;
    if (FileCalls.ftruncate(ix.fd, 2 * kNdxBlock) != 0) {
        // The blocks behind stay unused until the next build.
    }
    return true;
}

}  // namespace

bool ReadNode(TIndex& ix, uint32_t node, uint8_t* buf) {
    if (node == 0) {
        SetError(254, std::string("Ungültige Knotennummer (0) in DBF-Bereich "_cp850) +
                          std::to_string(ix.area) + ", Ordnung " + std::to_string(ix.order) +
                          " [GetNode]");
        return false;
    }
    if (node >= ix.anchor.nextFree) {
        Damaged(ix, "GetNode");
        return false;
    }
    TNodeCache& cache = ix.cache;
    if (cache.on) {
        // A hit moves one slot forward; a miss takes the first empty slot or
        // the last one. Writes go through, so no slot is ever newer than the file.
        for (std::size_t k = 0; k < cache.slots.size(); ++k) {
            if (cache.slots[k].node != node) continue;
            std::memcpy(buf, cache.slots[k].buf.data(), kNdxBlock);
            if (k > 0) std::swap(cache.slots[k], cache.slots[k - 1]);
            return true;
        }
    }
    const ssize_t got =
        FileCalls.pread(ix.fd, buf, kNdxBlock, static_cast<off_t>(node) * kNdxBlock);
    if (got != kNdxBlock) return ReadError(ix, got < 0 ? IoCodeOf(errno) : 0);
    if (Count(buf) > ix.anchor.maxKeys) {
        Damaged(ix, "GetNode");
        return false;
    }
    if (cache.on) {
        if (cache.slots.size() < TNodeCache::kSlots) cache.slots.emplace_back();
        TNodeCache::Slot& slot = cache.slots.back();
        slot.node = node;
        std::memcpy(slot.buf.data(), buf, kNdxBlock);
    }
    return true;
}

bool WriteNode(TIndex& ix, uint32_t node, uint8_t* buf) {
    ClearTail(ix, buf);
    const ssize_t put =
        ix.readOnly ? -1
                    : FileCalls.pwrite(ix.fd, buf, kNdxBlock, static_cast<off_t>(node) * kNdxBlock);
    if (put != kNdxBlock) {
        ix.cache.slots.clear();
        SetError(put < 0 && !ix.readOnly ? IoCodeOf(errno) : 5,
                 "Fehler beim Schreiben der Index-Datei: " + ShownFileName(ix.fileName) +
                     " [SeekAndWrite]");
        return false;
    }
    for (auto& slot : ix.cache.slots)
        if (slot.node == node) std::memcpy(slot.buf.data(), buf, kNdxBlock);
    return true;
}

bool WriteAnchor(TIndex& ix) {
    const TWorkArea* a = WorkAreas[ix.area];
    const bool oem = a && a->oemText;
    const std::string expr = oem ? AnsiToOemStr(ix.expression) : ix.expression;
    const std::string table = a ? (oem ? AnsiToOemStr(a->shortName) : a->shortName) : std::string();
    const auto block = AnchorBlock(ix.anchor, expr, ix.keyedCount, table);
    const ssize_t put = ix.readOnly ? -1 : FileCalls.pwrite(ix.fd, block.data(), block.size(), 0);
    if (put != kNdxBlock) {
        SetError(put < 0 && !ix.readOnly ? IoCodeOf(errno) : 5,
                 "Fehler beim Schreiben der Index-Datei:  " + ShownFileName(ix.fileName) +
                     " [WriteAnchorNode]");
        return false;
    }
    ix.anchorModified = false;
    return true;
}

bool Seek(TIndex& ix, const uint8_t* key, bool insertMode) {
    const int es = Es(ix);
    ix.path.clear();
    ix.bof = ix.eof = false;
    uint32_t node = ix.anchor.root;
    for (;;) {
        TPathLevel lv;
        if (!ReadLevel(ix, node, lv)) return false;
        const uint8_t* b = lv.buf.data();
        int lo = 0, hi = Count(b);
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (CompareKeys(ix, KeyOf(b, mid, es), key) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        lv.pos = lo;
        const bool leaf = IsLeaf(b, es);
        ix.path.push_back(lv);
        if (leaf) break;
        node = ChildOf(b, lo, es);
    }
    const TPathLevel& leaf = ix.path.back();
    if (!insertMode && leaf.pos >= Count(leaf.buf.data()) && !StepNext(ix)) {
        if (!ix.path.empty()) ix.eof = true;
    }
    return !ix.path.empty();
}

bool StepNext(TIndex& ix) {
    if (ix.path.empty()) return false;
    TPathLevel& lf = ix.path.back();
    if (lf.pos + 1 < Count(lf.buf.data())) {
        ++lf.pos;
        return true;
    }
    int l = static_cast<int>(ix.path.size()) - 2;
    while (l >= 0 && ix.path[l].pos >= Count(ix.path[l].buf.data())) --l;
    if (l < 0) return false;
    ++ix.path[l].pos;
    const uint32_t child = ChildOf(ix.path[l].buf.data(), ix.path[l].pos, Es(ix));
    ix.path.resize(static_cast<std::size_t>(l) + 1);
    return DescendEdge(ix, child, false);
}

bool StepPrior(TIndex& ix) {
    if (ix.path.empty()) return false;
    TPathLevel& lf = ix.path.back();
    if (lf.pos > 0 && Count(lf.buf.data()) > 0) {
        lf.pos = std::min<int>(lf.pos, Count(lf.buf.data())) - 1;
        return true;
    }
    int l = static_cast<int>(ix.path.size()) - 2;
    while (l >= 0 && ix.path[l].pos <= 0) --l;
    if (l < 0) return false;
    --ix.path[l].pos;
    const uint32_t child = ChildOf(ix.path[l].buf.data(), ix.path[l].pos, Es(ix));
    ix.path.resize(static_cast<std::size_t>(l) + 1);
    return DescendEdge(ix, child, true);
}

bool GoFirstKey(TIndex& ix) {
    ix.path.clear();
    ix.bof = ix.eof = false;
    return DescendEdge(ix, ix.anchor.root, false) && CurrentEntry(ix) != nullptr;
}

bool GoLastKey(TIndex& ix) {
    ix.path.clear();
    ix.bof = ix.eof = false;
    return DescendEdge(ix, ix.anchor.root, true) && CurrentEntry(ix) != nullptr;
}

const uint8_t* CurrentEntry(const TIndex& ix) {
    if (ix.path.empty()) return nullptr;
    const TPathLevel& lf = ix.path.back();
    if (lf.pos < 0 || lf.pos >= Count(lf.buf.data())) return nullptr;
    return EntryAt(lf.buf.data(), lf.pos, Es(ix));
}

bool SeekRecord(TIndex& ix, const std::string& key, int32_t record) {
    const auto* k = reinterpret_cast<const uint8_t*>(key.data());
    if (!Seek(ix, k, false)) return false;
    for (int guard = 0;; ++guard) {
        const uint8_t* e = CurrentEntry(ix);
        if (!e || ix.eof || CompareKeys(ix, e + 8, k) != 0) return false;
        if (GetU32(e + 4) == static_cast<uint32_t>(record)) return true;
        if (!StepNext(ix)) return false;
    }
}

// The mark shows a change cut off in the middle at the next open.
bool BeginChange(TIndex& ix) {
    if (ix.anchor.changing) return true;
    ix.anchor.changing = true;
    return WriteAnchor(ix);
}

void EndChange(TIndex& ix) {
    if (!ix.anchor.changing || ix.replaceMark || ix.markStays) return;
    ix.anchor.changing = false;
    ix.anchorModified = true;
}

int32_t StoredRecordCount(const TIndex& ix) {
    std::array<uint8_t, 8> pair{};
    if (FileCalls.pread(ix.fd, pair.data(), pair.size(), 488) != 8) return -1;
    const uint32_t count = GetU32(pair.data() + 4);
    if (GetU32(pair.data()) != ~count || count > 0x7FFFFFFF) return -1;
    return static_cast<int32_t>(count);
}

bool KeyMissingRecords(TIndex& ix, int32_t from, int32_t to) {
    const TWorkArea* a = WorkAreas[ix.area];
    if (!a || a->isVirtual || from > to) return true;
    std::string key;
    const bool done = EachRecord(ix, from, to, [&](int32_t r) {
        switch (MakeCheckedKey(ix, key, " [KeyMissingRecords]")) {
            case KeyMade::kRefused: return false;
            case KeyMade::kNoValue: return true;
            case KeyMade::kMade: break;
        }
        return SeekRecord(ix, key, r) || InsertKey(ix, key, r) == 0;
    });
    if (done) ix.path.clear();
    return done;
}

bool RebuildMarkedTree(TIndex& ix) {
    TWorkArea* a = WorkAreas[ix.area];
    if (!a || a->isVirtual || ix.readOnly) return false;
    // The mark is kept through every node write below, so that a program
    // cut off in this rebuild leaves it for the next one.
    ix.markStays = true;
    ix.anchor.changing = true;
    ix.anchor.root = 1;
    ix.anchor.nextFree = 2;
    ix.keyedCount = 0;
    ix.path.clear();
    ix.cache.slots.clear();
    std::array<uint8_t, kNdxBlock> emptyLeaf{};
    bool ok = WriteAnchor(ix) && WriteNode(ix, 1, emptyLeaf.data());
    if (ok && FileCalls.ftruncate(ix.fd, 2 * kNdxBlock) != 0) {
        SetError(IoCodeOf(errno), "Fehler beim Schreiben der Index-Datei:  " +
                                      ShownFileName(ix.fileName) + " [WriteAnchorNode]");
        ok = false;
    }
    if (ok) {
        InArea(ix.area, [] { RefreshRecCount(); });
        ok = KeyMissingRecords(ix, 1, a->recordCount);
    }
    ix.markStays = false;
    if (!ok) return false;
    ix.anchor.changing = false;
    ix.keyedCount = a->recordCount;
    return WriteAnchor(ix);
}

int InsertKey(TIndex& ix, const std::string& key, int32_t record) {
    const int es = Es(ix);
    const int M = ix.anchor.maxKeys;
    const auto* k0 = reinterpret_cast<const uint8_t*>(key.data());
    if (!Seek(ix, k0, true)) return -1;
    {
        const TPathLevel& lf = ix.path.back();
        if (ix.anchor.unique && lf.pos < Count(lf.buf.data()) &&
            CompareKeys(ix, KeyOf(lf.buf.data(), lf.pos, es), k0) == 0) {
            ix.path.clear();
            return 0;
        }
    }
    int L = static_cast<int>(ix.path.size()) - 1;
    uint32_t child = 0;
    uint32_t rec = static_cast<uint32_t>(record);
    std::string k = key;
    std::vector<uint8_t> tmp(static_cast<std::size_t>(4 + (M + 2) * es + 4));
    bool ok = true;
    for (;;) {
        TPathLevel& lv = ix.path[L];
        uint8_t* b = lv.buf.data();
        const int c = Count(b);
        const bool leaf = child == 0;
        const auto* kp = reinterpret_cast<const uint8_t*>(k.data());
        if (c < M) {
            InsertEntry(ix, b, c, lv.pos, child, rec, kp, leaf);
            ok = WriteLevel(ix, L);
            break;
        }
        // Split: the old node keeps the lower half, a new node the upper.
        if (!BeginChange(ix)) {
            ok = false;
            break;
        }
        std::fill(tmp.begin(), tmp.end(), 0);
        std::memcpy(tmp.data(), b, static_cast<std::size_t>(4 + c * es + (leaf ? 0 : 4)));
        InsertEntry(ix, tmp.data(), c, lv.pos, child, rec, kp, leaf);
        const int n = c + 1;
        const int keep = n - n / 2;
        const uint32_t fresh = ix.anchor.nextFree++;
        ix.anchorModified = true;
        std::string up(reinterpret_cast<const char*>(KeyOf(tmp.data(), keep - 1, es)),
                       ix.anchor.keyLength);
        const uint32_t upRec = RecordOf(tmp.data(), keep - 1, es);
        std::array<uint8_t, kNdxBlock> right{};
        std::memset(b, 0, kNdxBlock);
        if (leaf) {
            std::memcpy(b + 4, tmp.data() + 4, static_cast<std::size_t>(keep * es));
            SetCount(b, keep);
            std::memcpy(right.data() + 4, EntryAt(tmp.data(), keep, es),
                        static_cast<std::size_t>((n - keep) * es));
        } else {
            // The lower half's last child becomes its trailing child; its key goes up.
            std::memcpy(b + 4, tmp.data() + 4, static_cast<std::size_t>((keep - 1) * es + 4));
            SetCount(b, keep - 1);
            std::memcpy(right.data() + 4, EntryAt(tmp.data(), keep, es),
                        static_cast<std::size_t>((n - keep) * es + 4));
        }
        SetCount(right.data(), n - keep);
        if (!WriteLevel(ix, L) || !WriteNode(ix, fresh, right.data())) {
            ok = false;
            break;
        }
        if (L == 0) {
            const uint32_t root = ix.anchor.nextFree++;
            std::array<uint8_t, kNdxBlock> r{};
            SetEntry(ix, r.data(), 0, lv.node, upRec, reinterpret_cast<const uint8_t*>(up.data()));
            PutU32(EntryAt(r.data(), 1, es), fresh);
            SetCount(r.data(), 1);
            ok = WriteNode(ix, root, r.data());
            if (ok) ix.anchor.root = root;
            break;
        }
        TPathLevel& parent = ix.path[L - 1];
        PutU32(EntryAt(parent.buf.data(), parent.pos, es), fresh);
        child = lv.node;
        rec = upRec;
        k = up;
        --L;
    }
    ix.path.clear();
    if (ok) EndChange(ix);
    if (ix.anchorModified && !WriteAnchor(ix)) ok = false;
    return ok ? 0 : -1;
}

int DeleteKey(TIndex& ix, const std::string& key, int32_t record) {
    const int es = Es(ix);
    if (!SeekRecord(ix, key, record)) {
        ix.path.clear();
        return ix.anchor.unique ? 0 : -1;
    }
    const int L = static_cast<int>(ix.path.size()) - 1;
    TPathLevel& lf = ix.path[L];
    uint8_t* b = lf.buf.data();
    const int c = Count(b);
    const int pos = lf.pos;
    bool ok = true;
    if ((c <= 1 || (pos == c - 1 && L > 0)) && !BeginChange(ix)) {
        ix.path.clear();
        return -1;
    }
    if (c > 1) {
        RemoveEntry(ix, b, c, pos, true);
        std::string last(reinterpret_cast<const char*>(KeyOf(b, c - 2, es)), ix.anchor.keyLength);
        const uint32_t lastRec = RecordOf(b, c - 2, es);
        ok = WriteLevel(ix, L);
        if (ok && pos == c - 1)
            ok = PropagateMax(ix, L, reinterpret_cast<const uint8_t*>(last.data()), lastRec);
    } else if (L == 0) {
        ok = MakeEmpty(ix);
    } else {
        SetCount(b, 0);
        ok = WriteLevel(ix, L) && RemoveChild(ix, L - 1);
    }
    ix.path.clear();
    if (ok) EndChange(ix);
    if (ix.anchorModified && !WriteAnchor(ix)) ok = false;
    return ok ? 0 : -1;
}

}  // namespace veldrim::ndx

namespace veldrim {

namespace {

struct TreeWalk {
    ndx::TIndex& ix;
    TIndexCheck& out;
    std::vector<TIndexEntry>* entries;
    std::set<uint32_t> seen;
    std::string previous;
    bool havePrevious = false;
    int leafDepth = -1;

    // Returns false when the walk must stop; `maxKey` receives the subtree's
    // greatest key.
    bool Node(uint32_t node, int depth, std::string& maxKey) {
        using namespace ndx;
        const int es = ix.anchor.entrySize;
        const int kl = ix.anchor.keyLength;
        auto fail = [&](const std::string& what) {
            if (out.ok) out.problem = what + " (node " + std::to_string(node) + ")";
            out.ok = false;
            return false;
        };
        if (depth > kMaxDepth || !seen.insert(node).second)
            return fail("node reached twice or tree too deep");
        std::array<uint8_t, kNdxBlock> b{};
        if (!ReadNode(ix, node, b.data())) return fail("node unreadable");
        const int c = Count(b.data());
        const bool root = depth == 0;
        if (IsLeaf(b.data(), es)) {
            if (leafDepth < 0) leafDepth = depth;
            if (leafDepth != depth)
                return fail("leaves at depths " + std::to_string(leafDepth) + " and " +
                            std::to_string(depth));
            if (c < (root ? 0 : 1) || c > ix.anchor.maxKeys)
                return fail("leaf count " + std::to_string(c));
            for (int i = 0; i < c; ++i) {
                std::string k(reinterpret_cast<const char*>(KeyOf(b.data(), i, es)), kl);
                if (havePrevious) {
                    const int cmp =
                        CompareKeys(ix, reinterpret_cast<const uint8_t*>(previous.data()),
                                    reinterpret_cast<const uint8_t*>(k.data()));
                    if (cmp > 0 || (cmp == 0 && ix.anchor.unique)) return fail("keys out of order");
                }
                previous = k;
                havePrevious = true;
                ++out.keys;
                if (entries)
                    entries->push_back({k, static_cast<int32_t>(RecordOf(b.data(), i, es))});
            }
            if (c > 0) maxKey = previous;
            return true;
        }
        if (c < 1 || c > ix.anchor.maxKeys) return fail("inner count " + std::to_string(c));
        for (int i = 0; i <= c; ++i) {
            std::string sub;
            if (!Node(ChildOf(b.data(), i, es), depth + 1, sub)) return false;
            if (i < c && CompareKeys(ix, KeyOf(b.data(), i, es),
                                     reinterpret_cast<const uint8_t*>(sub.data())) != 0)
                return fail("inner key " + std::to_string(i) +
                            " is not its subtree's greatest key");
            maxKey = sub;
        }
        return true;
    }
};

TIndexCheck Walk(int position, std::vector<TIndexEntry>* entries) {
    TIndexCheck out;
    ndx::TIndex* ix = ndx::At(CurrentArea, position);
    if (!ix) {
        out.ok = false;
        out.problem = "no index in position " + std::to_string(position);
        return out;
    }
    TreeWalk w{*ix, out, entries, {}, {}, false, -1};
    std::string top;
    QuietEngineErrors quiet;
    w.Node(ix->anchor.root, 0, top);
    out.depth = w.leafDepth + 1;
    ErrorState.pendingErrorCode = 0;
    return out;
}

}  // namespace

TIndexCheck CheckIndexTree(int position) { return Walk(position, nullptr); }

std::vector<TIndexEntry> IndexEntries(int position) {
    std::vector<TIndexEntry> entries;
    Walk(position, &entries);
    return entries;
}

int DeleteCurrentKey(int position) {
    ndx::TIndex* ix = ndx::At(CurrentArea, position);
    TWorkArea* a = CurrentWorkArea();
    if (!ix || !a) return -1;
    std::string key;
    if (!ndx::MakeKey(*ix, key)) return -1;
    return ndx::DeleteKey(*ix, key, a->recordNumber);
}

}  // namespace veldrim
