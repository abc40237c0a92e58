// Bulk verbs: PACK, SEARCH, PEEK/POKE, LOCATE, APPEND FROM, delimited text.
#include "tables/bulk_verbs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "foundation/codepage.h"
#include "tables/dbf_file.h"
#include "tables/engine_base.h"
#include "tables/engine_dates.h"
#include "tables/win1252_text.h"
#include "tables/locking.h"
#include "tables/engine_files.h"
#include "tables/engine_windows.h"
#include "tables/navigation.h"

namespace veldrim {

bool ConfirmBeforePack = false;
uint16_t PeekCacheSize = 0;
char DelimitedSeparator = ',';
char DelimitedQuote = '"';
uint16_t DelimitedLineBuffer = 2048;
std::function<void(uint8_t)> SearchHitProc;
bool SearchFound = false;

namespace {

// The Peek cache: consecutive raw records of one table.
struct PeekCache {
    std::vector<uint8_t> block;
    std::string alias;
    int32_t first = 0;
    int32_t count = 0;
    uint16_t recLen = 0;
} cache;

// LOCATE state.
struct LocateState {
    std::string value;
    uint8_t field = 0;
    bool caseSensitive = false;
    bool exact = false;
    bool contained = false;
} locate;

constexpr std::size_t kBlock = 65520;

bool ReadAt(int fd, uint8_t* buf, std::size_t n, off_t off, std::size_t& got) {
    got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, buf + got, n - got, off + static_cast<off_t>(got));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* buf, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::write(fd, buf + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

// Suspends the relation procedure of an area for a scope.
class RelationPause {
public:
    explicit RelationPause(TWorkArea* a) : a_(a), saved_(std::move(a->relationProc)) {
        a_->relationProc = nullptr;
    }
    ~RelationPause() {
        if (a_) a_->relationProc = std::move(saved_);
    }
    RelationPause(const RelationPause&) = delete;
    RelationPause& operator=(const RelationPause&) = delete;

private:
    TWorkArea* a_;
    RelationProc saved_;
};

std::string FieldTextOf(const TWorkArea& a, const TFieldEntry& f, const uint8_t* raw) {
    std::string t(reinterpret_cast<const char*>(raw) + f.offset, f.length);
    switch (f.type) {
        case 'C':
            if (a.oemText) t = OemToAnsiStr(t);
            return t;
        case 'D': {
            const std::string d = AllTrim(t);
            return d.size() == 8 ? DigitsToDate(d) : BlankDate(DateFormat);
        }
        case 'N': case 'F': {
            double v = 0;
            ParseNumberText(t, v);
            return f.decimals > 0 ? FormatFloatStr(f.length, f.decimals, v)
                                  : IntToStrWidth(static_cast<int64_t>(std::nearbyint(v)), f.length);
        }
        case 'L':
            return (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y') ? "T" : "F";
        default:
            return t;
    }
}

}  // namespace

void FreePeekCacheOf(const std::string& alias) {
    if (!cache.block.empty() && cache.alias == alias) cache = PeekCache{};
}

void UpdatePeekCache(const TWorkArea& area, int32_t recNo) {
    if (cache.block.empty() || cache.alias != area.alias || recNo < cache.first ||
        recNo >= cache.first + cache.count || area.recordBuffer.size() < cache.recLen)
        return;
    // The cache holds the stored bytes: the record as it went to the file.
    std::vector<uint8_t> raw = area.recordBuffer;
    TranslateRecords(true, area.oemText, area.writeHook, raw.size(), area.recordLength, raw.data());
    std::memcpy(cache.block.data() + static_cast<std::size_t>(recNo - cache.first) * cache.recLen,
                raw.data(), cache.recLen);
}

// ---- reopening and PACK

uint16_t ReopenExclusive(bool exclusive) {
    TWorkArea* a = CurrentWorkArea();
    if (!a || a->isVirtual) return 6;
    if (a->exclusive && !a->reopenedExclusive) return 5;
    if (a->exclusive == exclusive) return 0;
    {
        QuietEngineErrors quiet;
        CommitDbfHeader(*a);
        ErrorState.pendingErrorCode = 0;
    }
    // The old descriptor goes first: its share lock would refuse the new one.
    const int oldMode = a->fileMode;
    CloseTableFile(a->fd);
    a->fd = -1;
    a->recordLocks.clear();
    a->lockState = kNoLock;
    const int mode = exclusive ? 18 : DefaultOpenMode;
    bool ro = false;
    int code = 0;
    int fd = OpenTableFile(a->fileName, mode, &ro, &code);
    if (fd < 0) {
        int again = 0;
        fd = OpenTableFile(a->fileName, oldMode, &ro, &again);
        a->fd = fd;
        a->readOnly = ro;
        return static_cast<uint16_t>(code);
    }
    a->fd = fd;
    a->readOnly = ro;
    a->fileMode = mode;
    a->exclusive = exclusive;
    a->reopenedExclusive = exclusive;
    return 0;
}

bool Pack() {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Pack")) return false;
    TWorkArea* a = CurrentWorkArea();
    RefreshRecCount();
    if (a->recordCount == 0 && !a->isVirtual) return true;
    const bool wasShared = !a->exclusive;
    bool result = false;
    uint16_t code = 0;
    std::string context;
    auto finish = [&]() -> bool {
        if (wasShared && CurrentWorkArea() == a && a->exclusive) {
            const uint16_t r = ReopenExclusive(false);
            if (r != 0) {
                SetError(r, "Datenbank kann nicht Sharable wiedergeöffnet werden. " + a->fileName + " [Pack]");
                return false;
            }
        }
        if (code != 0) {
            SetError(code, context);
            return false;
        }
        UpdateRelations();
        return result;
    };
    if (wasShared) {
        const uint16_t r = ReopenExclusive(true);
        if (r != 0) {
            SetError(r, "Datenbank kann nicht exklusiv geöffnet werden. " + a->fileName + " [Pack]");
            return false;
        }
    }
    if (ConfirmBeforePack &&
        EngineMessageBox("PACK " + a->fileName, "", 0x20 | 0x01) != 1)
        return finish();
    if (a->isVirtual) {
        a->operationCode = 5;
        if (VirtualFileProc) VirtualFileProc(*a);
        return true;
    }
    const bool oldWrite = WriteThrough;
    WriteThrough = false;
    int32_t kept = 0;
    bool moved = false;
    {
        RelationPause pause(a);
        // The kept records go, byte for byte, into a new file beside the
        // table, which then replaces it: a failed pack leaves the table whole.
        const std::string tmp = a->fileName + ".packXXXXXX";
        std::vector<char> tmpName(tmp.begin(), tmp.end());
        tmpName.push_back('\0');
        const int out = ::mkstemp(tmpName.data());
        auto fail = [&](int err) {
            code = IoCodeOf(err ? err : EIO);
            context = "Fehler beim Packen von " + a->fileName;
        };
        if (out < 0) {
            fail(errno);
        } else {
            struct stat st{};
            if (::fstat(a->fd, &st) == 0) ::fchmod(out, st.st_mode & 07777);
            std::vector<uint8_t> head(static_cast<std::size_t>(a->headerLength));
            std::size_t got = 0;
            bool ok = ReadAt(a->fd, head.data(), head.size(), 0, got) && got == head.size() &&
                      WriteAll(out, head.data(), head.size());
            const std::size_t recLen = a->recordLength;
            const std::size_t perBlock = std::max<std::size_t>(1, kBlock / recLen);
            std::vector<uint8_t> in(perBlock * recLen), keep;
            keep.reserve(in.size());
            for (int32_t rec = 1; ok && rec <= a->recordCount;) {
                const int32_t n = static_cast<int32_t>(std::min<int64_t>(perBlock, a->recordCount - rec + 1));
                const off_t off = a->headerLength + static_cast<off_t>(rec - 1) * static_cast<off_t>(recLen);
                ok = ReadAt(a->fd, in.data(), n * recLen, off, got) && got == n * recLen;
                if (!ok) break;
                keep.clear();
                for (int32_t k = 0; k < n; ++k) {
                    const uint8_t* r = in.data() + k * recLen;
                    if (r[0] == '*') {
                        moved = true;
                        continue;
                    }
                    keep.insert(keep.end(), r, r + recLen);
                    ++kept;
                }
                ok = WriteAll(out, keep.data(), keep.size());
                rec += n;
            }
            const uint8_t eofMark = 0x1A;
            ok = ok && WriteAll(out, &eofMark, 1) && ::fsync(out) == 0;
            const int err = errno;
            ::close(out);
            if (ok && ::rename(tmpName.data(), a->fileName.c_str()) != 0) ok = false;
            if (!ok) {
                fail(err);
                ::unlink(tmpName.data());
            } else {
                bool ro = false;
                int oc = 0;
                CloseTableFile(a->fd);
                a->fd = OpenTableFile(a->fileName, a->fileMode, &ro, &oc);
                a->readOnly = ro;
                if (a->fd < 0) {
                    code = static_cast<uint16_t>(oc);
                    context = "Fehler beim Packen von " + a->fileName;
                }
            }
        }
    }
    WriteThrough = oldWrite;
    if (code != 0) {
        // The old file stands; the area keeps its view of it.
        return finish();
    }
    a->recordCount = kept;
    a->openState = kDbfChanged;
    CommitDbfHeader(*a);
    if (kept > 0) {
        GetDbfRecord(*a, 1);
        ConvertRecord();
        a->recordNumber = 1;
        a->eof = a->bof = false;
    } else {
        ClearRecord();
        a->eof = a->bof = true;
        a->recordNumber = 0;
    }
    if (moved) FreePeekCacheOf(a->alias);
    result = true;
    if (a->hasMemo && MemoProcTable.packMemofile) {
        MemoProcTable.packMemofile();
        if (ErrorState.lastErrorCode != 0) result = false;
    }
    if (HasIndex() && IndexProcTable.reindex) IndexProcTable.reindex();
    return finish();
}

// ---- SEARCH

void Search(const std::string& valueIn, uint8_t& fieldNo, bool fromTop) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Search")) return;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        SetError(1100, "Search-Befehl bei virtuellen Dateien nicht erlaubt. [Search]");
        return;
    }
    const std::string value = UpperStr(TrimRightStr(valueIn));
    if (value.empty()) return;
    const int wanted = fieldNo > a->fieldCount ? 0 : fieldNo;
    fieldNo = 0;
    RefreshRecCount();
    const int32_t startRec = a->recordNumber;
    const int32_t first = fromTop ? 1 : std::max(1, a->recordNumber + 1);
    const std::size_t recLen = a->recordLength;
    const std::size_t perBlock = std::max<std::size_t>(1, kBlock / recLen);
    std::vector<uint8_t> block(perBlock * recLen);
    for (int32_t rec = first; rec <= a->recordCount;) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(perBlock, a->recordCount - rec + 1));
        std::size_t got = 0;
        const off_t off = a->headerLength + static_cast<off_t>(rec - 1) * static_cast<off_t>(recLen);
        if (!ReadAt(a->fd, block.data(), n * recLen, off, got) || got < recLen) break;
        const int32_t have = static_cast<int32_t>(got / recLen);
        TranslateRecords(false, a->oemText, a->readHook, have * recLen, a->recordLength, block.data());
        for (int32_t k = 0; k < have; ++k) {
            const std::string up = UpperStr(std::string(reinterpret_cast<char*>(block.data()) + k * recLen, recLen));
            for (std::size_t pos = up.find(value, 1); pos != std::string::npos; pos = up.find(value, pos + 1)) {
                const TFieldEntry* hit = nullptr;
                int hitNo = 0;
                for (int i = 0; i < a->fieldCount; ++i) {
                    const auto& f = a->fields[i];
                    if (pos >= f.offset && pos < static_cast<std::size_t>(f.offset) + f.length) {
                        hit = &f;
                        hitNo = i + 1;
                        break;
                    }
                }
                if (!hit || pos + value.size() > static_cast<std::size_t>(hit->offset) + hit->length) continue;
                if (hit->type == 'M' || (wanted != 0 && wanted != hitNo)) continue;
                GO(rec + k);
                if (!RecordVisible()) continue;
                if (SearchHitProc) {
                    SearchFound = false;
                    SearchHitProc(static_cast<uint8_t>(hitNo));
                    if (!SearchFound) continue;
                }
                fieldNo = static_cast<uint8_t>(hitNo);
                return;
            }
        }
        if (have < n) break;
        rec += n;
    }
    if (startRec >= 1 && startRec <= a->recordCount) GO(startRec);
    else if (a->recordCount > 0) {
        a->recordNumber = a->recordCount + 1;
        a->eof = true;
        ClearRecord();
    }
}

// ---- PEEK / POKE

std::string Peek(uint8_t fieldNo, int32_t recNo) {
    if (NoDbfOpen("Peek")) return {};
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        SetError(1100, "Search-Befehl bei virtuellen Dateien nicht erlaubt. [Peek]");
        return {};
    }
    if (recNo < 1 || recNo > a->recordCount || fieldNo > a->fieldCount) return {};
    const std::size_t len = fieldNo == 0 ? 1 : a->fields[fieldNo - 1].length;
    const std::size_t offset = fieldNo == 0 ? 0 : a->fields[fieldNo - 1].offset;
    if (!cache.block.empty() && cache.alias != a->alias) cache = PeekCache{};
    const std::string ctx = "DBF: " + a->fileName + " [Peek(" + std::to_string(fieldNo) + "," + std::to_string(recNo) + ")]";
    if (PeekCacheSize == 0) {
        std::string s(len, ' ');
        std::size_t got = 0;
        const off_t off = a->headerLength + static_cast<off_t>(recNo - 1) * a->recordLength + static_cast<off_t>(offset);
        if (!ReadAt(a->fd, reinterpret_cast<uint8_t*>(s.data()), len, off, got) || got < len) {
            SetError(errno ? IoCodeOf(errno) : 100, ctx);
            return {};
        }
        return s;
    }
    if (cache.block.empty() || recNo < cache.first || recNo >= cache.first + cache.count) {
        const std::size_t size = std::min<std::size_t>(PeekCacheSize, kBlock);
        int32_t records = static_cast<int32_t>(std::min<std::size_t>(size / a->recordLength, a->recordCount));
        if (records == 0) records = 1;
        records = std::min(records, a->recordCount - recNo + 1);
        cache.block.assign(static_cast<std::size_t>(records) * a->recordLength, 0);
        std::size_t got = 0;
        const off_t off = a->headerLength + static_cast<off_t>(recNo - 1) * a->recordLength;
        if (!ReadAt(a->fd, cache.block.data(), cache.block.size(), off, got) || got < a->recordLength) {
            cache = PeekCache{};
            SetError(errno ? IoCodeOf(errno) : 100, ctx);
            return {};
        }
        cache.alias = a->alias;
        cache.first = recNo;
        cache.count = static_cast<int32_t>(got / a->recordLength);
        cache.recLen = a->recordLength;
    }
    const uint8_t* r = cache.block.data() + static_cast<std::size_t>(recNo - cache.first) * cache.recLen;
    return std::string(reinterpret_cast<const char*>(r) + offset, len);
}

void Poke(const std::string& s, uint8_t fieldNo, int32_t recNo) {
    if (NoDbfOpen("Poke")) return;
    TWorkArea* a = CurrentWorkArea();
    std::string ctx = "[Poke(" + s + "," + std::to_string(fieldNo) + "," + std::to_string(recNo) + ")]";
    if (ctx.size() > 100) ctx.resize(100);
    if (a->isVirtual) {
        SetError(1100, "Search-Befehl bei virtuellen Dateien nicht erlaubt." + ctx);
        return;
    }
    if (!a->exclusive && LockingOn && a->lockState != kFileLock && !IsLocked(recNo)) {
        SetError(1200, "Datensatz nicht gesperrt " + ctx);
        return;
    }
    RefreshRecCount();
    if (recNo < 1 || recNo > a->recordCount || fieldNo > a->fieldCount) return;
    const std::size_t len = fieldNo == 0 ? 1 : std::min<std::size_t>(s.size(), a->fields[fieldNo - 1].length);
    const std::size_t offset = fieldNo == 0 ? 0 : a->fields[fieldNo - 1].offset;
    const off_t off = a->headerLength + static_cast<off_t>(recNo - 1) * a->recordLength + static_cast<off_t>(offset);
    if (s.empty() && fieldNo == 0) return;
    if (::pwrite(a->fd, s.data(), len, off) != static_cast<ssize_t>(len)) {
        SetError(101, ctx);
        return;
    }
    if (!cache.block.empty() && cache.alias == a->alias && recNo >= cache.first && recNo < cache.first + cache.count)
        std::memcpy(cache.block.data() + static_cast<std::size_t>(recNo - cache.first) * cache.recLen + offset, s.data(), len);
}

std::string PeekAny(uint8_t fieldNo, int32_t recNo) {
    TWorkArea* a = CurrentWorkArea();
    if (a && a->isVirtual) {
        GO(recNo);
        return fieldNo == 0 ? std::string(1, Deleted() ? '*' : ' ') : FieldAsText(fieldNo);
    }
    return Peek(fieldNo, recNo);
}

// ---- LOCATE

namespace {

int LocateCountSum(const std::string& clauseIn) {
    std::string clause = UpperStr(AllTrim(clauseIn)) + " ";
    locate.caseSensitive = !StripKeyword(" NOCASE", clause);
    clause += " ";
    locate.exact = StripKeyword(" EXACT", clause);
    clause += " ";
    locate.contained = StripKeyword(" CONTAINED", clause);
    clause = AllTrim(clause);
    if (clause.empty()) {
        SetError(220, "No field name specified [Locate/Count/Sum]");
        return 0;
    }
    const int n = FieldNo(clause);
    if (n == 0) SetError(220, "Unrecognized field name [Locate/Count/Sum(" + clause + ")]");
    return n;
}

std::string ValueText(const TFieldEntry& f, const LocateVariant& value, bool exact) {
    if (const auto* d = std::get_if<double>(&value)) {
        switch (f.type) {
            case 'N': case 'F':
                return f.decimals > 0 ? FormatFloatStr(f.length, f.decimals, *d)
                                      : IntToStrWidth(static_cast<int64_t>(std::nearbyint(*d)), f.length);
            case 'L': return *d != 0 ? "T" : "F";
            default: return FixedText(*d, f.decimals);
        }
    }
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "T" : "F";
    std::string s = std::get<std::string>(value);
    switch (f.type) {
        case 'C': return exact ? PadRightStr(s, f.length) : s;
        case 'N': case 'F': {
            double v = 0;
            if (!ParseNumberText(s, v)) v = CleanTextToFloat(s);
            return f.decimals > 0 ? FormatFloatStr(f.length, f.decimals, v)
                                  : IntToStrWidth(static_cast<int64_t>(std::nearbyint(v)), f.length);
        }
        case 'L': {
            const char c = s.empty() ? 'F' : s[0];
            return (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? "T" : "F";
        }
        default: return s;
    }
}

bool Matches(std::string text) {
    if (!locate.exact && !locate.contained && text.size() > locate.value.size())
        text.resize(locate.value.size());
    if (!locate.caseSensitive) text = UpperStr(text);
    if (locate.contained) return text.find(locate.value) != std::string::npos;
    return text == locate.value;
}

void LocateScan(int32_t fromRec, uint8_t fieldNo, bool first) {
    TWorkArea* a = CurrentWorkArea();
    if (first) {
        if (!locate.exact) locate.value = TrimRightStr(locate.value);
        if (!locate.caseSensitive) locate.value = UpperStr(locate.value);
        locate.field = fieldNo;
    }
    RefreshRecCount();
    const TFieldEntry& f = a->fields[fieldNo - 1];
    int32_t hit = 0;
    if (a->isVirtual) {
        for (int32_t rec = std::max(1, fromRec); rec <= a->recordCount && !hit; ++rec)
            if (Matches(PeekAny(fieldNo, rec))) hit = rec;
    } else {
        const std::size_t recLen = a->recordLength;
        const std::size_t perBlock = std::max<std::size_t>(1, kBlock / recLen);
        std::vector<uint8_t> block(perBlock * recLen);
        for (int32_t rec = std::max(1, fromRec); rec <= a->recordCount && !hit;) {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(perBlock, a->recordCount - rec + 1));
            std::size_t got = 0;
            const off_t off = a->headerLength + static_cast<off_t>(rec - 1) * static_cast<off_t>(recLen);
            if (!ReadAt(a->fd, block.data(), n * recLen, off, got) || got < recLen) break;
            const int32_t have = static_cast<int32_t>(got / recLen);
            for (int32_t k = 0; k < have && !hit; ++k) {
                const uint8_t* r = block.data() + k * recLen;
                if (f.type == 'M') {
                    double ref = 0;
                    ParseNumberText(std::string(reinterpret_cast<const char*>(r) + f.offset, f.length), ref);
                    if (MemoContains(locate.value, static_cast<int32_t>(ref))) hit = rec + k;
                    if (ErrorState.lastErrorCode) return;
                } else if (Matches(FieldTextOf(*a, f, r))) {
                    hit = rec + k;
                }
            }
            if (have < n) break;
            rec += n;
        }
    }
    if (hit) {
        GO(hit);
        return;
    }
    GoBottom();
    if (a->recordCount > 0 && !a->eof) SKIP(1);
    locate.field = 0;
}

}  // namespace

bool MemoContains(const std::string& value, int32_t reference) {
    if (!MemoProcTable.assignMemo) {
        SetError(220, "MEMO unit not linked in [Count/Sum/Continue]");
        return false;
    }
    if (reference < 1) return false;
    for (std::string line : MemoProcTable.assignMemo(reference)) {
        if (!locate.caseSensitive) line = UpperStr(line);
        if (line.find(value) != std::string::npos) return true;
    }
    return false;
}

bool LocateValue(const std::string& fieldName, const LocateVariant& value, bool noCase, int32_t fromRec,
                 bool exact) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Locate")) return false;
    TWorkArea* a = CurrentWorkArea();
    const int n = LocateCountSum(fieldName + (noCase ? " NOCASE" : "") + (exact ? " EXACT" : ""));
    if (n == 0) return false;
    const TFieldEntry& f = a->fields[n - 1];
    if (f.type == 'M' && a->isVirtual) {
        GoPhantom();
        return false;
    }
    locate.value = ValueText(f, value, exact);
    LocateScan(fromRec, static_cast<uint8_t>(n), true);
    while (!a->eof && ErrorState.lastErrorCode == 0 && !RecordVisible()) Continue();
    return !a->eof;
}

void Continue() {
    if (NoDbfOpen("Continue")) return;
    if (locate.field == 0) {
        SetError(220, "Call to CONTINUE not preceeded by call to LOCATE. [Continue]");
        return;
    }
    LocateScan(CurrentWorkArea()->recordNumber + 1, locate.field, false);
}

bool LocateByFields(const std::string& fields, const std::vector<LocateVariant>& values, bool noCase,
                    bool move, bool exact) {
    if (NoDbfOpen("Locate")) return false;
    TWorkArea* a = CurrentWorkArea();
    const int32_t start = a->recordNumber;
    std::vector<std::string> names;
    for (std::size_t p = 0;;) {
        const auto q = fields.find(';', p);
        names.push_back(AllTrim(fields.substr(p, q == std::string::npos ? q : q - p)));
        if (q == std::string::npos) break;
        p = q + 1;
    }
    bool found = false;
    {
        RelationPause pause(a);
        if (names.size() > values.size()) {
            SetError(220, "[LocateByFields(" + fields + ")]");
            return false;
        }
        std::size_t i = 0;
        int32_t from = 1, matchRec = 0;
        for (;;) {
            if (!LocateValue(names[i], values[i], noCase, from, exact)) break;
            const int32_t rec = a->recordNumber;
            if (i == 0 || rec == matchRec) {
                matchRec = rec;
                if (++i == names.size()) {
                    found = true;
                    break;
                }
            } else {
                i = 0;  // start again with the first field from this record
            }
            from = rec;
        }
        if (!found || !move) {
            QuietEngineErrors quiet;
            GoIfValid(start);
        }
    }
    return found;
}

// ---- APPEND FROM

namespace {

struct SourceValue {
    char type = ' ';
    int decimals = 0;
    int length = 0;
    std::string text;
    double number = 0;
    int64_t integer = 0;
    bool logical = false;
    int32_t memo = 0;
};

void StoreConverted(int n, const TFieldEntry& to, const SourceValue& v, uint8_t sourceArea) {
    switch (to.type) {
        case 'C':
            switch (v.type) {
                case 'C': SetBinaryText(n, v.text); break;
                case 'N': case 'F': {
                    std::string t = v.decimals > 0 ? FixedText(v.number, v.decimals) : std::to_string(v.integer);
                    if (static_cast<int>(t.size()) > to.length) t = std::string(to.length, '*');
                    SetBinaryText(n, PadRightStr(std::string(to.length - t.size(), ' ') + t, to.length));
                    break;
                }
                case 'L': SetBinaryText(n, v.logical ? "T" : "F"); break;
                case 'D': {
                    std::string t = v.text;
                    if (static_cast<int>(t.size()) > to.length && t.size() == 10)
                        t.erase(DateFormat == 1 ? 0 : 6, 2);
                    SetBinaryText(n, t);
                    break;
                }
                default: break;
            }
            break;
        case 'N': case 'F':
            if (v.type == 'C') {
                double d = 0;
                if (!ParseNumberText(v.text, d)) d = CleanTextToFloat(v.text);
                if (to.decimals > 0) SetBinaryNumber(n, d);
                else SetBinaryInteger(n, static_cast<int64_t>(std::trunc(d)));
            } else if (v.type == 'N' || v.type == 'F') {
                if (to.decimals > 0) SetBinaryNumber(n, v.decimals > 0 ? v.number : static_cast<double>(v.integer));
                else if (v.decimals > 0) SetBinaryNumber(n, v.number);  // rounded to the nearest
                else SetBinaryInteger(n, v.integer);
            }
            break;
        case 'L':
            SetBinaryLogical(n, v.type == 'L' && v.logical);
            break;
        case 'D':
            if (v.type == 'D') {
                SetBinaryText(n, v.text);
            } else if (v.type == 'C') {
                std::string t = AllTrim(v.text);
                if (!t.empty() && IsDateValid(t)) SetBinaryText(n, t);
            }
            break;
        case 'M':
            if (v.type == 'C' && MemoProcTable.addMemo) {
                SetBinaryMemoRef(n, MemoProcTable.addMemo(TrimRightStr(v.text)));
            } else if (v.type == 'M' && MemoProcTable.copyMemo && v.memo != 0) {
                SetBinaryMemoRef(n, MemoProcTable.copyMemo(sourceArea, v.memo));
            }
            break;
        default: break;
    }
}

}  // namespace

void AppendFrom(const std::string& sourceIn, std::function<bool()> condition) {
    ErrorState.lastErrorCode = 0;
    if (!CurrentWorkArea()) {
        SetError(215, "[AppendFrom(" + sourceIn + ")]");
        return;
    }
    const uint8_t target = CurrentArea;
    TWorkArea* to = CurrentWorkArea();
    std::string source = AllTrim(sourceIn);
    source.insert(source.begin(), ' ');
    bool isVirtual = false;
    for (const char* w : {" VIRTUAL FILE", " LINKED LIST", " VIRTUAL", " LINKED"}) {
        const auto p = UpperStr(source).find(w);
        if (p != std::string::npos) {
            source.erase(p, std::strlen(w));
            isVirtual = true;
            break;
        }
    }
    std::string name = AllTrim(source);
    if (!isVirtual) name = FindFileNoCase(DefaultExtension(ExpandPath(name), "DBF"));
    int from = 0;
    for (int i = 1; i <= kCallerAreas && !from; ++i) {
        const TWorkArea* w = WorkAreas[i];
        if (!w) continue;
        if ((isVirtual && w->isVirtual && (UpperStr(w->fileName) == UpperStr(name) || w->alias == UpperStr(name))) ||
            (!isVirtual && !w->isVirtual && w->fileName == name))
            from = i;
    }
    if (isVirtual && !from) {
        SetError(215, "Virtual file must be open. [AppendFrom(" + name + ")]");
        return;
    }
    if (!from && !FileExist(name)) {
        SetError(2, "[AppendFrom(" + sourceIn + ")]");
        return;
    }
    if (from == target) {
        SetError(214, "Datei kann nicht an sich selbst angehängt werden. [AppendFrom(" + name + ")]");
        return;
    }
    if (to->hasMemo && !MemoProcTable.addMemo) {
        SetError(220, "Memo-Unit ist nicht ins Programm eingebunden. [AppendFrom(" + name + ")]");
        return;
    }
    const bool opened = from == 0;
    struct Cleanup {
        bool opened;
        uint8_t target;
        ~Cleanup() {
            if (opened) {
                CurrentArea = kScratchArea;
                QuietEngineErrors quiet;
                try {
                    CloseArea();
                } catch (...) {
                }
            }
            CurrentArea = target;
        }
    } cleanup{opened, target};
    if (opened) {
        CurrentArea = kScratchArea;
        USE(name + " ALIAS *FROMFILE");
        if (ErrorState.lastErrorCode != 0 || !CurrentWorkArea()) return;
        from = kScratchArea;
    }
    TWorkArea* src = WorkAreas[from];
    // Field map and structure: 0 same fields, no memo; 1 same with memo; 2 different.
    std::vector<int> map(to->fields.size(), 0);
    bool any = false;
    for (std::size_t i = 0; i < to->fields.size(); ++i)
        for (std::size_t k = 0; k < src->fields.size(); ++k)
            if (src->fields[k].name == to->fields[i].name) {
                map[i] = static_cast<int>(k) + 1;
                any = true;
                break;
            }
    if (!any) return;
    bool same = src->fields.size() == to->fields.size() && !src->isVirtual;
    for (std::size_t i = 0; same && i < to->fields.size(); ++i) {
        const auto &x = to->fields[i], &y = src->fields[i];
        same = x.name == y.name && x.type == y.type && x.length == y.length && x.decimals == y.decimals;
    }
    const int structure = !same ? 2 : src->hasMemo ? 1 : 0;

    CurrentArea = static_cast<uint8_t>(from);
    if (condition || IsWhileOn()) SKIP(0);
    else GoTop();
    uint16_t firstError = 0;
    std::vector<SourceValue> values(src->fields.size());
    while (!src->eof && (!condition || condition())) {
        for (std::size_t k = 0; k < src->fields.size(); ++k) {
            const auto& f = src->fields[k];
            SourceValue& v = values[k];
            const int n = static_cast<int>(k) + 1;
            v.type = f.type;
            v.decimals = f.decimals;
            v.length = f.length;
            v.text = (f.type == 'C' || f.type == 'D') ? BinaryText(n) : std::string();
            v.number = (f.type == 'N' || f.type == 'F') ? BinaryNumber(n) : 0;
            v.integer = (f.type == 'N' || f.type == 'F') ? BinaryInteger(n) : 0;
            v.logical = f.type == 'L' && BinaryLogical(n);
            v.memo = f.type == 'M' ? BinaryMemoRef(n) : 0;
        }
        const bool deleted = src->binaryRecord && src->binaryRecord[0] != 0;
        std::vector<uint8_t> whole(src->binaryRecord, src->binaryRecord + src->binaryRecordSize);
        CurrentArea = target;
        if (structure == 2) {
            ClearRecord();
            SetBinaryDeleted(deleted);
            for (std::size_t i = 0; i < to->fields.size(); ++i)
                if (map[i]) StoreConverted(static_cast<int>(i) + 1, to->fields[i], values[map[i] - 1],
                                           static_cast<uint8_t>(from));
        } else {
            std::memcpy(to->binaryRecord, whole.data(), std::min<std::size_t>(whole.size(), to->binaryRecordSize));
            if (structure == 1)
                for (std::size_t i = 0; i < to->fields.size(); ++i)
                    if (to->fields[i].type == 'M')
                        StoreConverted(static_cast<int>(i) + 1, to->fields[i], values[i], static_cast<uint8_t>(from));
        }
        Append();
        if (ErrorState.lastErrorCode != 0) {
            firstError = ErrorState.lastErrorCode;
            break;
        }
        CurrentArea = static_cast<uint8_t>(from);
        SKIP(1);
        if (ErrorState.lastErrorCode != 0) {
            firstError = ErrorState.lastErrorCode;
            break;
        }
    }
    CurrentArea = target;
    ErrorState.lastErrorCode = firstError;
}

// ---- delimited text

int CopyDelimited(const std::string& fileName) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("CopyDelimited")) return 0;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) return 0;
    const std::string file = DefaultExtension(fileName, "TXT");
    std::string out;
    int count = 0;
    const char sep = DelimitedSeparator;
    const char q = DelimitedQuote;
    int last = a->fieldCount - 1;
    for (GoTop(); !a->eof && ErrorState.lastErrorCode == 0; SKIP(1)) {
        const auto& raw = a->recordBuffer;
        for (int i = 0; i < a->fieldCount; ++i) {
            const auto& f = a->fields[i];
            if (f.type == 'M') continue;
            const std::string t(reinterpret_cast<const char*>(raw.data()) + f.offset, f.length);
            switch (f.type) {
                case 'C': {
                    const std::string v = TrimRightStr(t);
                    if (q == 0) {
                        out += v;
                    } else {
                        // A quote inside the value is doubled, so the field
                        // reads back whole.
                        out += q;
                        for (char c : v) {
                            if (c == q) out += q;
                            out += c;
                        }
                        out += q;
                    }
                    break;
                }
                case 'D': out += TrimRightStr(t); break;
                case 'N': case 'F': out += TrimLeftStr(t); break;
                default: out += t; break;
            }
            if (i < last) out += sep;
        }
        out += "\r\n";
        ++count;
    }
    out += '\x1A';
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || !WriteAll(fd, reinterpret_cast<const uint8_t*>(out.data()), out.size())) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        SetError(IoCodeOf(err), "Fehler beim Schreiben von " + file + " [CopyDelimited]");
        return 0;
    }
    ::close(fd);
    return count;
}

namespace {

// Splits one line at the separator outside quote pairs; the quotes are
// dropped and a doubled quote inside a quoted field is one quote.
std::vector<std::string> SplitDelimited(const std::string& line) {
    std::vector<std::string> fields;
    std::string cur;
    bool inQuotes = false;
    const char q = DelimitedQuote;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (q != 0 && c == q) {
            if (inQuotes && i + 1 < line.size() && line[i + 1] == q) {
                cur += q;
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
        } else if (c == DelimitedSeparator && !inQuotes) {
            fields.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields.push_back(cur);
    return fields;
}

}  // namespace

int AppendDelimited(const std::string& fileName, bool showProgress) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("AppendDelimited")) return 0;
    TWorkArea* a = CurrentWorkArea();
    const std::string file = FindFileNoCase(DefaultExtension(fileName, "TXT"));
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(IoCodeOf(errno), std::string("Fehler beim Öffnen von "_cp850) + file + " [AppendDelimited]");
        return 0;
    }
    std::string data;
    {
        std::vector<uint8_t> buf(kBlock);
        ssize_t r;
        while ((r = ::read(fd, buf.data(), buf.size())) > 0) data.append(reinterpret_cast<char*>(buf.data()), r);
        const int err = errno;
        ::close(fd);
        if (r < 0) {
            SetError(IoCodeOf(err), "Fehler beim Lesen von " + file + " [AppendDelimited]");
            return 0;
        }
    }
    const std::size_t end = std::min(data.size(), data.find('\x1A'));
    std::unique_ptr<TTzProgress100> progress;
    if (showProgress) progress = std::make_unique<TTzProgress100>("Appending...");
    std::size_t nextStep = end / 100;
    int count = 0;
    std::size_t pos = 0;
    while (pos < end) {
        std::size_t stop = pos;
        while (stop < end && data[stop] != '\n' && data[stop] != '\r') ++stop;
        const std::string line = data.substr(pos, stop - pos);
        pos = stop;
        if (pos < end) {
            // CR LF is one line end; a lone CR or LF ends the line by itself.
            if (data[pos] == '\r' && pos + 1 < end && data[pos + 1] == '\n') pos += 2;
            else pos += 1;
        }
        if (progress) {
            while (end >= 100 && pos >= nextStep && nextStep <= end) {
                progress->Step();
                nextStep += end / 100;
            }
        }
        if (line.empty()) continue;
        ClearRecord();
        const auto parts = SplitDelimited(line);
        std::size_t k = 0;
        for (int i = 0; i < a->fieldCount && k < parts.size(); ++i) {
            const auto& f = a->fields[i];
            if (f.type == 'M') continue;
            const std::string& v = parts[k++];
            const int n = i + 1;
            switch (f.type) {
                case 'C': SetBinaryText(n, v.substr(0, f.length)); break;
                case 'D': {
                    const std::string t = AllTrim(v);
                    bool digits = !t.empty();
                    for (char c : t) digits = digits && c >= '0' && c <= '9';
                    SetBinaryText(n, digits && t.size() == 8 ? DigitsToDate(t) : t);
                    break;
                }
                case 'N': case 'F': {
                    double d = 0;
                    if (!ParseNumberText(v, d)) d = CleanTextToFloat(v);
                    if (f.decimals > 0) {
                        SetBinaryNumber(n, d);
                    } else {
                        int64_t exact = 0;
                        const std::string t = AllTrim(v);
                        auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), exact);
                        if (ec == std::errc() && p == t.data() + t.size()) SetBinaryInteger(n, exact);
                        else SetBinaryNumber(n, d);
                    }
                    break;
                }
                case 'L': {
                    const char c = v.empty() ? ' ' : v[0];
                    SetBinaryLogical(n, c == 'T' || c == 't' || c == 'Y' || c == 'y');
                    break;
                }
                default: break;
            }
        }
        Append();
        if (ErrorState.lastErrorCode != 0) break;
        ++count;
    }
    return count;
}

void ResetBulkVerbs() {
    cache = PeekCache{};
    locate = LocateState{};
    ConfirmBeforePack = false;
    PeekCacheSize = 0;
    DelimitedSeparator = ',';
    DelimitedQuote = '"';
    DelimitedLineBuffer = 2048;
    SearchHitProc = nullptr;
    SearchFound = false;
}

}  // namespace veldrim
