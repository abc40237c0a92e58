// Building an index file in one pass over the table: every record's key is
// made, the (key, record) items are sorted (equal keys by record number),
// and the tree is written bottom-up, node after node, into a file beside
// the target that replaces it when complete.
//
// Bottom-up writing keeps one open node per level. A full node is written
// only when a further entry arrives for its level, so no level is ever left
// with an empty node at the end: the last leaf always holds keys (or is the
// one empty leaf of an empty table), and every inner node ends with at
// least one key and count + 1 children. An inner node written in the
// middle gives its last child the trailing place and passes that child's
// key up. Keys that fit one node give a single leaf, the root, node 1.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <filesystem>
#include <numeric>
#include <optional>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/engine/dbf_file.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/open_files.h"
#include "tables/expr/expr_keys.h"
#include "foundation/file_calls.h"
#include "foundation/save_target.h"
#include "tables/index/ndx_internal.h"
#include "tables/engine/navigation.h"
#include "tables/engine/proc_tables.h"

namespace veldrim {

namespace {

using namespace ndx;

IndexProgressProc progressProc;
int progressSteps = 0;

// Calls the progress procedure every 2 * (total div steps) items (records
// read, then items written), at most `steps` times in all; Finish makes up
// the remaining calls.
class Progress {
public:
    explicit Progress(int64_t total) {
        const int64_t per = progressSteps > 0 ? total / progressSteps : 0;
        every_ = per > 0 ? 2 * per : 2;
    }
    void Item() {
        if (!progressProc || made_ >= progressSteps) return;
        if (++count_ % every_ == 0) {
            ++made_;
            progressProc();
        }
    }
    void Finish() {
        while (progressProc && made_ < progressSteps) {
            ++made_;
            progressProc();
        }
    }

private:
    int64_t every_ = 2;
    int64_t count_ = 0;
    int made_ = 0;
};

// Writes whole nodes in order into the new file, buffered.
class NodeWriter {
public:
    explicit NodeWriter(int fd) : fd_(fd) { buffer_.reserve(kBufferNodes * kNdxBlock); }
    uint32_t Put(const uint8_t* node) {
        buffer_.insert(buffer_.end(), node, node + kNdxBlock);
        ++written_;
        if (buffer_.size() >= kBufferNodes * kNdxBlock) Flush();
        return written_;
    }
    bool Flush() {
        if (buffer_.empty()) return ok_;
        const off_t at = static_cast<off_t>(written_ + 1 - buffer_.size() / kNdxBlock) * kNdxBlock;
        if (FileCalls.pwrite(fd_, buffer_.data(), buffer_.size(), at) !=
            static_cast<ssize_t>(buffer_.size()))
            ok_ = false;
        buffer_.clear();
        return ok_;
    }
    uint32_t Written() const { return written_; }

private:
    static constexpr std::size_t kBufferNodes = 128;
    int fd_;
    std::vector<uint8_t> buffer_;
    uint32_t written_ = 0;
    bool ok_ = true;
};

// One open node per level of the tree being written.
class TreeWriter {
public:
    TreeWriter(const TAnchor& a, NodeWriter& out) : a_(a), out_(out) {}

    void AddLeaf(const uint8_t* key, uint32_t record) { Add(0, 0, record, key); }

    // Closes the open nodes bottom-up; returns the root's number.
    uint32_t Finish() {
        if (levels_.empty()) levels_.emplace_back();
        uint32_t below = 0;
        for (std::size_t l = 0; l < levels_.size(); ++l) {
            Level& lv = levels_[l];
            if (l > 0) {
                if (lv.count == 0) break;
                PutU32(EntryAt(lv.node.data(), lv.count, a_.entrySize), below);
            }
            SetCount(lv.node.data(), lv.count);
            below = out_.Put(lv.node.data());
        }
        return below;
    }

private:
    struct Level {
        std::array<uint8_t, kNdxBlock> node{};
        int count = 0;
    };

    void Add(std::size_t l, uint32_t child, uint32_t record, const uint8_t* key) {
        if (levels_.size() <= l) levels_.resize(l + 1);
        Level& lv = levels_[l];
        if (lv.count == a_.maxKeys) {
            // A further entry for a full node: the node is complete.
            const int es = a_.entrySize;
            std::array<uint8_t, kNdxBlock> done = lv.node;
            int n = lv.count;
            if (l > 0) --n;  // the last child becomes the trailing child
            SetCount(done.data(), n);
            if (l > 0)
                std::memset(EntryAt(done.data(), n, es) + 4, 0, static_cast<std::size_t>(es - 4));
            std::array<uint8_t, 108> up{};
            std::memcpy(up.data(), KeyOf(lv.node.data(), lv.count - 1, es), a_.keyLength);
            const uint32_t number = out_.Put(done.data());
            lv.node.fill(0);
            lv.count = 0;
            // Inner entries carry record number 0.
            Add(l + 1, number, 0, up.data());
        }
        Level& now = levels_[l];
        uint8_t* e = EntryAt(now.node.data(), now.count, a_.entrySize);
        PutU32(e, child);
        PutU32(e + 4, record);
        std::memcpy(e + 8, key, a_.keyLength);
        ++now.count;
    }

    const TAnchor& a_;
    NodeWriter& out_;
    std::vector<Level> levels_;
};

std::string Suffix(const std::string& name) { return " [MakeIndex(<...>," + name + ")]"; }

std::string ThousandsFree(double kb) { return std::to_string(static_cast<int64_t>(kb)); }

// Reads every record and stores its key and number as one item.
bool CollectItems(TIndex& ix, TWorkArea& a, std::vector<uint8_t>& items, Progress& progress,
                  const std::string& suffix) {
    const int32_t n = a.recordCount;
    const std::size_t kl = ix.anchor.keyLength;
    const std::size_t s = kl + 4;
    items.resize(static_cast<std::size_t>(n) * s);
    KeepRecord keep(a);
    std::string key;
    auto store = [&](int32_t r) {
        // A key maker reads the binary record, as callers see the record.
        if (ix.keyMaker) InArea(ix.area, [] { ConvertRecord(); });
        // A key of another length would be cut (or padded) into an order
        // that no search by the record's whole key finds.
        switch (MakeCheckedKey(ix, key, suffix)) {
            case KeyMade::kRefused: return false;
            case KeyMade::kNoValue: key.assign(kl, '\0'); break;
            case KeyMade::kMade: break;
        }
        uint8_t* item = items.data() + static_cast<std::size_t>(r - 1) * s;
        std::memcpy(item, key.data(), kl);
        PutU32(item + kl, static_cast<uint32_t>(r));
        progress.Item();
        return true;
    };
    if (a.isVirtual || a.recordLength == 0) {
        for (int32_t r = 1; r <= n; ++r) {
            GetDbfRecord(a, r);
            if (ErrorState.lastErrorCode != 0 || !store(r)) return false;
        }
        return true;
    }
    // The records are read from the file itself: appends still collected go there first.
    FlushRecordBlocks(a);
    if (ErrorState.lastErrorCode != 0) return false;
    const std::size_t len = a.recordLength;
    const int32_t chunk = static_cast<int32_t>(std::max<std::size_t>(1, (1u << 18) / len));
    std::vector<uint8_t> buf(static_cast<std::size_t>(chunk) * len);
    a.recordBuffer.resize(len);
    for (int32_t first = 1; first <= n; first += chunk) {
        const int32_t count = std::min(chunk, n - first + 1);
        const std::size_t bytes = static_cast<std::size_t>(count) * len;
        const off_t at = static_cast<off_t>(a.headerLength) +
                         static_cast<off_t>(first - 1) * static_cast<off_t>(len);
        if (FileCalls.pread(a.fd, buf.data(), bytes, at) != static_cast<ssize_t>(bytes)) {
            SetError(errno ? IoCodeOf(errno) : 213,
                     "Datei:  " + ShownFileName(a.fileName) + " [MakeIndex]");
            return false;
        }
        TranslateRecords(false, a.oemText, a.readHook, bytes, a.recordLength, buf.data());
        for (int32_t i = 0; i < count; ++i) {
            std::memcpy(a.recordBuffer.data(), buf.data() + static_cast<std::size_t>(i) * len, len);
            a.recordNumber = first + i;
            if (!store(first + i)) return false;
        }
    }
    return true;
}

// The disk estimate: the items plus the nodes of every level, in KB.
double NeededKB(int64_t n, int64_t s, int m) {
    int levels = 2;
    for (int64_t v = n; (v /= m) > 0;) ++levels;
    double bytes = static_cast<double>(n) * static_cast<double>(s);
    int64_t per = n;
    for (int l = 1; l <= levels; ++l) {
        per /= m;
        bytes += static_cast<double>(per + 1) * kNdxBlock;
    }
    return bytes / 1024.0;
}

// Builds the file for the current area; false (with the engine error) on failure.
// A rebuild keeps the form of the file it replaces: `typeLetter` false
// writes an anchor without type letter and plain character keys;
// `keptKeyLength` is the key length of that file (0 for a new index).
bool Build(const std::string& expression, KeyMaker keyMaker, const std::string& nameText,
           bool typeLetter = true, uint16_t keptKeyLength = 0) {
    ErrorState.lastErrorCode = 0;
    TNameOptions opt;
    const std::string base = StripOptions(nameText, opt);
    if (base.empty()) {
        SetError(220, "Index-Dateiname nicht angegeben [MakeIndex()]");
        return false;
    }
    TWorkArea* a = CurrentWorkArea();
    if (!a) {
        SetError(215, "Datenbank nicht geöffnet beim Indizieren von"_cp850.data() + base + ".");
        return false;
    }
    const std::string path = IndexFileName(base, *a);
    const std::string suffix = Suffix(path);
    auto ix = std::make_unique<TIndex>();
    ix->fileName = path;
    ix->area = CurrentArea;
    ix->order = 1;
    ix->anchor.typeLetter = typeLetter;
    if (keyMaker) {
        ix->keyMaker = std::move(keyMaker);
        ix->soundex = opt.soundex;
        ix->descending = opt.descending;
        ix->expression = NormaliseExpression(kKeyMakerMarker);
    } else {
        if (expression.empty()) {
            SetError(254, "Weder Ausdruck noch KeyMaker sind definiert" + suffix);
            return false;
        }
        if (!ParserLinked || !ParserProcTable.compile) {
            SetError(221, "TZParser-Unit nicht eingebunden. [MakeIndex]");
            return false;
        }
        if (expression.size() > kMaxKeyLength) {
            SetError(300, std::string("Index-Ausdruck länger als 100 Bytes"_cp850) + suffix);
            return false;
        }
        ix->expr = ParserProcTable.compile(expression);
        if (!ix->expr) return false;
        ix->expression = NormaliseExpression(expression);
        ix->exprType = ix->expr->resultType;
        if (ix->exprType != 'C' && ix->exprType != 'N' && ix->exprType != 'D') {
            SetError(254, std::string("Ungültiger Parser-Return-Typ"_cp850) + suffix);
            return false;
        }
    }
    // The index is never written over a file the engine holds open (an open
    // index, a table, a memo or semaphore file), under whatever name.
    if (IsEngineOpenFile(path)) {
        SetError(214, path + suffix);
        return false;
    }
    // An index file that another program holds open is rebuilt only with
    // the table reopened exclusively, which that program's use refuses.
    bool reopened = false;
    if (!a->exclusive && !a->isVirtual && FileExist(path)) {
        bool ro = false;
        int code = 0;
        const int probe = OpenTableFile(path, kFileModeExclusiveReadWrite, &ro, &code);
        if (probe >= 0) {
            CloseTableFile(probe);
        } else if (code == 32 || code == 5) {
            if (ReopenExclusive(true) != 0) {
                SetError(225, a->fileName + suffix);
                return false;
            }
            reopened = true;
        }
    }
    struct Reshare {
        bool active;
        ~Reshare() {
            if (!active) return;
            // Recorded, not raised: this runs while the build unwinds.
            const uint16_t code = ReopenExclusive(false);
            if (code != 0 && ErrorState.lastErrorCode == 0) {
                ErrorState.lastErrorCode = ErrorState.pendingErrorCode = code;
                ErrorState.contextText =
                    "Datenbank " +
                    std::string(CurrentWorkArea() ? ShownFileName(CurrentWorkArea()->fileName)
                                                  : "") +
                    " [MakeIndex]";
            }
        }
    } reshare{reopened};
    RefreshRecCount();
    TAnchor& an = ix->anchor;
    an.keyType = ix->keyMaker ? 'C' : ix->exprType;
    an.unique = opt.unique;
    an.keyClass = an.keyType == 'C' ? 0 : 1;
    const std::size_t keyLength = an.keyType == 'C' ? BlankRecordKey(*ix).size() : 8;
    // A key of no bytes would make every key equal to every other (an
    // expression such as TRIM(NAME) is empty on the blank record).
    if (keyLength == 0 || keyLength > kMaxKeyLength) {
        SetError(266, KeyLengthCause(
                          *ix, keyLength == 0 ? KeyLengthFault::kEmpty : KeyLengthFault::kTooLong) +
                          suffix);
        return false;
    }
    an.keyLength = static_cast<uint16_t>(keyLength);
    an.entrySize = EntrySizeFor(an.keyLength);
    an.maxKeys = static_cast<uint16_t>(504 / an.entrySize);
    // An expression whose text is longer or shorter on other values (a
    // trimmed field before another) is refused also on an empty table; the
    // records of a table that has them are checked as their keys are made.
    // A rebuild of a file whose keys had this length keeps it: a table
    // packed empty has no record to say otherwise (SUBSTR(NAME,POS,3) is
    // empty only on the filled record).
    const bool standIn = keptKeyLength != an.keyLength;
    if (a->recordCount == 0 && KeyLengthVaries(*ix, suffix, standIn)) return false;
    const int64_t n = a->recordCount;
    const int64_t s = an.keyLength + 4;
    std::string dir, name, ext;
    SplitFileName(path, dir, name, ext);
    const double freeKB = DiskFreeKB(dir);
    const double neededKB = NeededKB(n, s, an.maxKeys);
    if (freeKB >= 0 && neededKB > freeKB) {
        SetError(227, std::string("Verfügbarer Plattenplatz: "_cp850) + ThousandsFree(freeKB) +
                          " KBytes;" + "benötigt: "_cp850.data() + ThousandsFree(neededKB) +
                          " KBytes [MakeIndex]" + suffix);
        return false;
    }

    struct BuildFlag {
        BuildFlag() { Building = true; }
        ~BuildFlag() { Building = false; }
    } flag;
    Progress progress(n);
    std::vector<uint8_t> items;
    if (!CollectItems(*ix, *a, items, progress, suffix)) return false;

    // Equal keys keep record order: the items stand in record order already.
    std::vector<uint32_t> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0u);
    const uint8_t* base0 = items.data();
    const std::size_t kl = an.keyLength;
    const std::size_t sz = static_cast<std::size_t>(s);
    if (an.keyType == 'C') {
        std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
            return std::memcmp(base0 + x * sz, base0 + y * sz, kl) < 0;
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
            double dx, dy;
            std::memcpy(&dx, base0 + x * sz, 8);
            std::memcpy(&dy, base0 + y * sz, 8);
            return CompareDoubles(dx, dy) < 0;
        });
    }

    // The new file is written beside the target (named after it and locked
    // while it is written, so that the next build removes it when a killed
    // one left it behind) and renamed over it.
    const std::string target = ResolveSaveTarget(path);
    std::string temp;
    const int fd = CreateSaveTemp(target, temp);
    if (fd < 0) {
        SetError(IoCodeOf(errno),
                 "Datei nicht geöffnet"_cp850.data() + ShownFileName(path) + suffix);
        return false;
    }
    struct TempFile {
        int fd;
        std::string name;
        bool keep = false;
        ~TempFile() {
            if (fd >= 0) FileCalls.close(fd);
            if (!keep) FileCalls.unlink(name.c_str());
        }
    } tf{fd, temp};
    FileCalls.fchmod(
        fd, 0666 & ~[] {
            const mode_t m = ::umask(0);
            ::umask(m);
            return m;
        }());

    NodeWriter out(fd);
    TreeWriter tree(an, out);
    const uint8_t* previous = nullptr;
    for (uint32_t i : order) {
        const uint8_t* item = base0 + i * sz;
        progress.Item();
        if (an.unique && previous && std::memcmp(previous, item, kl) == 0) continue;
        if (an.unique && previous && an.keyType != 'C') {
            double dp, di;
            std::memcpy(&dp, previous, 8);
            std::memcpy(&di, item, 8);
            if (CompareDoubles(dp, di) == 0) continue;
        }
        tree.AddLeaf(item, GetU32(item + kl));
        previous = item;
    }
    an.root = tree.Finish();
    an.nextFree = an.root + 1;
    const std::string table = a->oemText ? AnsiToOemStr(a->shortName) : a->shortName;
    const std::string expr = a->oemText ? AnsiToOemStr(ix->expression) : ix->expression;
    const auto anchor = AnchorBlock(an, expr, a->recordCount, table);
    if (!out.Flush() || FileCalls.pwrite(fd, anchor.data(), anchor.size(), 0) != kNdxBlock ||
        FileCalls.fsync(fd) != 0) {
        SetError(errno ? IoCodeOf(errno) : 5,
                 "Datei:  " + ShownFileName(path) + " [MakeIndex]" + suffix);
        return false;
    }
    if (const int err = CommitSaveTemp(std::exchange(tf.fd, -1), temp, target); err != 0) {
        SetError(IoCodeOf(err), "Datei nicht geöffnet"_cp850.data() + ShownFileName(path) + suffix);
        return false;
    }
    tf.keep = true;
    progress.Finish();
    return true;
}

}  // namespace

void SetIndexProgress(IndexProgressProc proc, int steps) {
    progressProc = std::move(proc);
    progressSteps = steps;
}

void MakeIndex(const std::string& expression, const std::string& name) {
    Build(expression, nullptr, name);
}

void MakeIndexCB(const std::string& name, KeyMaker keyMaker) {
    if (!keyMaker) {
        SetError(254, "Weder Ausdruck noch KeyMaker sind definiert" + Suffix(name));
        return;
    }
    Build({}, std::move(keyMaker), name);
}

namespace {

// The open options of a built file: NOCACHE, and for a KeyMaker SOUNDEX and DESCENDING.
std::string OpenOptions(const std::string& nameText) {
    TNameOptions opt;
    std::string name = StripOptions(nameText, opt);
    if (opt.noCache) name += " NOCACHE";
    if (opt.soundex) name += " SOUNDEX";
    if (opt.descending) name += " DESCENDING";
    return name;
}

void IndexOn(const std::string& expression, const std::string& name, KeyMaker keyMaker) {
    if (NoDbfOpen("Index_On")) return;
    CloseAllIndexes();
    if (AnyIndex(CurrentArea)) {
        SetError(254, "Interner Fehler: IND-Zeiger bereits alloziiert [Index_On]");
        return;
    }
    KeyMaker opener = keyMaker;
    if (!Build(expression, std::move(keyMaker), name)) return;
    const JustBuiltOpen built;
    if (opener)
        OpenIndexCB(OpenOptions(name), 1, std::move(opener));
    else
        OpenIndex(OpenOptions(name), 1);
}

}  // namespace

void Index_On(const std::string& expression, const std::string& name) {
    IndexOn(expression, name, nullptr);
}

void Index_OnCB(const std::string& name, KeyMaker keyMaker) {
    IndexOn({}, name, std::move(keyMaker));
}

namespace {

// One open index as a rebuild found it: what builds and opens it again.
struct RebuildSpec {
    int position;
    std::string name;
    std::string expression;
    KeyMaker keyMaker;
    bool unique, soundex, descending, noCache, typeLetter;
    uint16_t keyLength;

    std::string Options() const {
        std::string options;
        if (soundex) options += " SOUNDEX";
        if (descending) options += " DESCENDING";
        if (noCache) options += " NOCACHE";
        return options;
    }
    void Open() const {
        if (keyMaker)
            OpenIndexCB(name + Options(), position, keyMaker);
        else
            OpenIndex(name + Options(), position);
    }
};

// Per work area, the indexes its last rebuild closed and the order it had,
// until the table closes: a PACK that fails after its rebuild puts the old
// index files back and opens these on them.
struct Rebuilt {
    std::vector<RebuildSpec> specs;
    int order = 0;
    bool natural = false;
};
std::array<Rebuilt, kAreas + 1> lastRebuild;

// Opens every index of `r` again through `open` (one index at a time; the
// first failure is kept, the others still opened), then the order; the
// first failure is reported once every index that opens is back.
template <class OpenOne>
void OpenAll(int area, const Rebuilt& r, OpenOne open) {
    uint16_t failCode = 0;
    std::string failContext;
    {
        QuietEngineErrors quiet;
        for (const RebuildSpec& s : r.specs) {
            ErrorState.lastErrorCode = 0;
            open(s, failCode, failContext);
            if (ErrorState.lastErrorCode != 0 && failCode == 0) {
                failCode = ErrorState.lastErrorCode;
                failContext = ErrorState.contextText;
            }
        }
        ErrorState.lastErrorCode = 0;
        ErrorState.pendingErrorCode = 0;
        if (AnyIndex(area)) {
            if (r.order > 0) Set_Order_To(r.order);
            if (r.natural) Set_Order_To(0);
        }
        if (ErrorState.lastErrorCode != 0 && failCode == 0) {
            failCode = ErrorState.lastErrorCode;
            failContext = ErrorState.contextText;
        }
        ErrorState.lastErrorCode = 0;
        ErrorState.pendingErrorCode = 0;
    }
    if (failCode != 0) SetError(failCode, failContext);
}

}  // namespace

void Reindex() {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Reindex")) return;
    const int area = CurrentArea;
    if (!AnyIndex(area)) {
        SetError(221, "Index nicht geöffnet. (DBF="_cp850.data() +
                          ShownFileName(CurrentWorkArea()->fileName) + ") [Reindex]");
        return;
    }
    Rebuilt& r = lastRebuild[area];
    r = Rebuilt{{}, CurrentOrder(), NaturalOrder[area]};
    ArrangeOrder(area, 1);
    for (int p = 1; p <= kMaxIndexes; ++p)
        if (TIndex* ix = At(area, p))
            r.specs.push_back({p, ix->fileName, ix->expr ? ix->expression : std::string(),
                               ix->keyMaker, ix->anchor.unique, ix->soundex, ix->descending,
                               ix->noCache, ix->anchor.typeLetter, ix->anchor.keyLength});
    CloseAllIndexes();
    // A build that fails (a full disk) leaves its file as it was, still
    // matching the table: it is opened again like the rebuilt ones. After
    // the first failure the others are opened as they are.
    OpenAll(
        area, Rebuilt(r), [](const RebuildSpec& s, uint16_t& failCode, std::string& failContext) {
            const bool built =
                failCode == 0 &&
                Build(s.expression, s.keyMaker, s.name + (s.unique ? " UNIQUE" : "") + s.Options(),
                      s.typeLetter, s.keyLength);
            if (failCode == 0 && !built) {
                failCode = ErrorState.lastErrorCode ? ErrorState.lastErrorCode : 101;
                failContext = ErrorState.contextText;
            }
            ErrorState.lastErrorCode = 0;
            std::optional<JustBuiltOpen> checked;
            if (built) checked.emplace();
            s.Open();
        });
}

namespace ndx {

void ReopenRebuiltIndexes() {
    const int area = CurrentArea;
    if (area < 1 || area > kAreas || !CurrentWorkArea()) return;
    const Rebuilt r = std::move(lastRebuild[area]);
    lastRebuild[area] = Rebuilt{};
    CloseAllIndexes();
    OpenAll(area, r, [](const RebuildSpec& s, uint16_t&, std::string&) { s.Open(); });
}

void ForgetRebuild(int area) {
    if (area >= 1 && area <= kAreas) lastRebuild[area] = Rebuilt{};
}

}  // namespace ndx

}  // namespace veldrim
