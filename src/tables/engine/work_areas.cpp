// Work areas, USE and the field accessors.
#include "tables/engine/work_areas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"

namespace veldrim {

TWorkArea* WorkAreas[kMaxWorkAreas + 1] = {};

namespace {

struct WorkAreaDefaults {
    uint8_t CurrentArea = 1;
    uint16_t DefaultOpenMode = kFileModeSharedReadWrite;
    uint16_t OpenModeOverride = 65535;
    bool AnsiTables = false;
    bool RecountOnOpen = false;
};
constexpr WorkAreaDefaults kDefaults{};

}  // namespace

uint8_t CurrentArea = kDefaults.CurrentArea;
uint16_t DefaultOpenMode = kDefaults.DefaultOpenMode;
uint16_t OpenModeOverride = kDefaults.OpenModeOverride;
bool AnsiTables = kDefaults.AnsiTables;
bool RecountOnOpen = kDefaults.RecountOnOpen;

namespace {

RecordHook pendingReadHook = nullptr;
RecordHook pendingWriteHook = nullptr;

// Finds a keyword phrase without regard to case; npos when absent.
std::size_t FindNoCase(const std::string& s, const std::string& what) {
    return UpperWin1252(s).find(UpperWin1252(what));
}

// Removes the first occurrence of a word (at most 13 characters) after the
// file name's path.
bool RemoveClauseWord(std::string& clause, const std::string& word) {
    const std::size_t from = ClauseKeywordStart(clause);
    auto p = FindNoCase(clause.substr(from), word.substr(0, 13));
    if (p == std::string::npos) return false;
    clause.erase(p + from, std::min<std::size_t>(word.size(), 13));
    return true;
}

std::string AliasAfter(std::string& clause) {
    const std::size_t from = ClauseKeywordStart(clause);
    auto p = FindNoCase(clause.substr(from), " ALIAS ");
    if (p == std::string::npos) return {};
    p += from;
    std::string a = TrimLeftStr(clause.substr(p + 7));
    a = a.substr(0, a.find(' '));
    if (a.size() > 64) a.resize(64);
    clause.erase(p);
    return UpperWin1252(a);
}

bool AliasInUse(const std::string& alias) {
    for (int i = 1; i <= kCallerAreas; ++i)
        if (i != CurrentArea && WorkAreas[i] && WorkAreas[i]->alias == alias) return true;
    return false;
}

TWorkArea* FieldArea(int n, const char* verb, bool zeroAllowed = false) {
    if (!CurrentWorkArea() && NoDbfOpen(std::string(verb) + "()")) return nullptr;
    TWorkArea* a = CurrentWorkArea();
    if ((n < 1 && !(zeroAllowed && n == 0)) || n > a->fieldCount) {
        SetError(220,
                 std::string("Ungültige Feldnr. ["_cp850) + verb + "(" + std::to_string(n) + ")]");
        return nullptr;
    }
    return a;
}

void UseVirtualFile(std::string clause, uint8_t* buffer, uint16_t size) {
    const std::string sizeText = std::to_string(size);
    if (!VirtualFileProc) {
        SetError(1101, "[USE(" + clause + ",<@Buffer>,<size>)]");
        return;
    }
    if (!buffer) {
        SetError(220, "NIL Puffer-Zeiger [USE(" + clause + ",Nil," + sizeText + ")]");
        return;
    }
    RemoveClauseWord(clause, " LINKED LIST");
    RemoveClauseWord(clause, " VIRTUAL FILE");
    std::string alias = AliasAfter(clause);
    if (alias.empty()) {
        std::string first = TrimLeftStr(clause);
        first = first.substr(0, first.find(' '));
        alias = UpperWin1252(first.substr(0, first.find('.')));
    }
    if (AliasInUse(alias)) {
        SetError(220, "Alias-Name \"" + alias + "\" bereits benutzt. [USE]");
        return;
    }
    std::memset(buffer, 0, size);
    auto* a = new TWorkArea;
    a->alias = alias;
    a->isVirtual = true;
    a->exclusive = true;
    a->recordLength = size;
    a->binaryRecordSize = size;
    a->binaryRecord = buffer;
    a->eof = a->bof = true;
    a->memoryKind = 1;
    a->operationCode = 4;
    WorkAreas[CurrentArea] = a;
    struct Phrase {
        const char* text;
        uint8_t value;
    };
    for (const Phrase& p : {Phrase{" TO EMS", 2},
                            {" TO EXT", 3},
                            {" TO XMS", 3},
                            {" TO HEAP", 1},
                            {" TO BIGGEST", 5}})
        if (RemoveClauseWord(clause, p.text)) a->memoryKind = p.value;
    VirtualFileProc(*a);
    for (const Phrase& p : {Phrase{" FIFO", 0},
                            {" LIFO", 1},
                            {" INSERTION", 2},
                            {" ASCENDING", 3},
                            {" DESCENDING", 4}})
        if (RemoveClauseWord(clause, p.text)) a->insertionOrder = p.value;
    a->fileName = TrimRightStr(clause);
}

}  // namespace

void Select(int n) {
    ErrorState.lastErrorCode = 0;
    if (n >= 1 && n <= kCallerAreas) {
        CurrentArea = static_cast<uint8_t>(n);
        return;
    }
    if (n == 0) {
        for (int i = 1; i <= kCallerAreas; ++i)
            if (!WorkAreas[i]) {
                CurrentArea = static_cast<uint8_t>(i);
                return;
            }
        SetError(220, "Kein Arbeitsbereich frei [Select(0)]");
        return;
    }
    SetError(220,
             std::string("Ungültiger Arbeitsbereich = [Select("_cp850) + std::to_string(n) + ")]");
}

uint8_t SelectedArea() { return CurrentArea; }

bool NoDbfOpen(std::string_view verb) {
    if (CurrentWorkArea()) return false;
    SetError(215, std::string("Keine Datenbank (bzw.kein Arbeitsbereich) geöffnet. ["_cp850) +
                      std::string(verb) + "]  WorkArea = " + std::to_string(CurrentArea));
    return true;
}

std::string DbfName() { return CurrentWorkArea() ? CurrentWorkArea()->fileName : std::string(); }
std::string AliasName() { return CurrentWorkArea() ? CurrentWorkArea()->alias : std::string(); }

void UseWithHook(const std::string& clause, uint8_t* buffer, uint16_t size, RecordHook readHook,
                 RecordHook writeHook) {
    pendingReadHook = readHook;
    pendingWriteHook = writeHook;
    try {
        USE(clause, buffer, size);
    } catch (...) {
        pendingReadHook = pendingWriteHook = nullptr;
        throw;
    }
    pendingReadHook = pendingWriteHook = nullptr;
}

void USE(const std::string& clauseIn, uint8_t* buffer, uint16_t size) {
    ErrorState.lastErrorCode = 0;
    CloseArea();
    std::string clause = AllTrim(clauseIn);
    if (clause.empty()) return;
    clause += ' ';
    // A folder's name may hold the words of an in-memory file: a table on
    // disk below "/data/Virtual Files" stays a table on disk.
    const std::string upper = UpperWin1252(clause.substr(ClauseKeywordStart(clause)));
    if (upper.find("LINKED LIST") != std::string::npos ||
        upper.find("VIRTUAL FILE") != std::string::npos) {
        UseVirtualFile(UpperWin1252(clause), buffer, size);
        return;
    }
    // The clause as messages name it: the table's path with its letters.
    const std::string shown = ShownFileName(AllTrim(clause));
    if ((!buffer && size != 0) || (buffer && size == 0)) {
        SetError(220, std::string("Puffer ist NIL oder Größe ist Null beim Öffnen von "_cp850) +
                          shown + " [USE]");
        return;
    }
    const bool exclusive = StripKeyword(" EXCLUSIVE", clause) ||
                           DefaultOpenMode == kFileModeExclusiveReadWrite || !LockingOn;
    clause += ' ';
    std::string alias = AliasAfter(clause);
    clause = AllTrim(clause);
    TWorkArea scratch;
    scratch.fileName = ExpandPath(clause);
    if (alias.empty()) alias = UpperWin1252(FileBaseName(scratch.fileName));
    scratch.fileName = DefaultExtension(scratch.fileName, "DBF");
    int mode = exclusive ? kFileModeExclusiveReadWrite : DefaultOpenMode;
    if (OpenModeOverride != 65535) mode = OpenModeOverride;
    scratch.oemText = !AnsiTables;
    scratch.exclusive = exclusive;
    OpenDbf(scratch, mode);
    if (ErrorState.lastErrorCode != 0 || scratch.fd < 0) return;

    auto* a = new TWorkArea(std::move(scratch));
    a->alias = alias;
    a->isVirtual = false;
    WorkAreas[CurrentArea] = a;
    if (!exclusive) a->recordCount = RecordCountFromFileSize(*a);

    const uint16_t need = BinaryRecordSize(*a);
    if (!buffer) {
        a->ownedBinary.assign(need, 0);
        a->binaryRecord = a->ownedBinary.data();
        a->binaryRecordSize = need;
        a->binaryRecordOwned = true;
    } else if (size != need) {
        CloseArea();
        SetError(266, std::string("Ungleiche Puffer- und Datensatzgröße der Datenbank: "_cp850) +
                          shown + " [USE()]" + "\n\r" + "Record Size=" + std::to_string(need) +
                          ", Buffer Size=" + std::to_string(size));
        return;
    } else {
        a->binaryRecord = buffer;
        a->binaryRecordSize = size;
    }
    if (AliasInUse(alias)) {
        CloseArea();
        SetError(220, "Alias-Name \"" + alias + "\" bereits benutzt. [USE]");
        return;
    }
    a->readHook = pendingReadHook;
    a->writeHook = pendingWriteHook;
    // A record that cannot be read leaves no half-open area behind.
    try {
        if (a->recordCount < 1) {
            std::memset(a->binaryRecord, 0, a->binaryRecordSize);
            ClearRecord();
            a->eof = a->bof = true;
            a->recordNumber = 0;
        } else {
            GoTop();
        }
    } catch (...) {
        QuietEngineErrors quiet;
        CloseArea();
        throw;
    }
    if (ErrorState.lastErrorCode != 0) {
        const uint16_t code = ErrorState.lastErrorCode;
        {
            QuietEngineErrors quiet;
            CloseArea();
        }
        ErrorState.lastErrorCode = code;
        return;
    }
    a->savedRecord.assign(a->binaryRecordSize, 0);
    if (a->hasMemo && MemoProcTable.openMemofile) {
        {
            // Recorded, not raised: the area is closed before the error goes out.
            QuietEngineErrors quiet;
            MemoProcTable.openMemofile(a->fileName);
        }
        if (ErrorState.lastErrorCode != 0) {
            const uint16_t code = ErrorState.lastErrorCode;
            // The memo open's own text names the memo file and what was
            // wrong with it (missing, no plain file, damaged): it goes along.
            const std::string memoReason = TakeErrorContext();
            {
                QuietEngineErrors quiet;
                CloseArea();
            }
            SetError(code, std::string("Problem beim Öffnen der Memo-Datei [USE("_cp850) + shown +
                               ",<@Buffer>," + std::to_string(size) + ")]" +
                               (memoReason.empty() ? "" : "\n\r" + memoReason));
        }
    }
}

void CloseArea() {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return;
    uint16_t firstCode = 0;
    std::string firstContext;
    {
        // Every step runs even when an earlier one fails; the first failure
        // is reported once the area is gone.
        QuietEngineErrors quiet;
        auto step = [&](auto&& f) {
            ErrorState.lastErrorCode = 0;
            try {
                f();
            } catch (const EDurazError&) {
            }
            if (ErrorState.lastErrorCode != 0 && firstCode == 0) {
                firstCode = ErrorState.lastErrorCode;
                firstContext = ErrorState.contextText;
            }
        };
        if (!a->isVirtual) {
            step([] {
                if (IndexLinked && IndexProcTable.closeIndexes) IndexProcTable.closeIndexes();
            });
            step([] { RefreshRecCount(); });
        }
        a->savedRecord.clear();
        if (a->hasMemo && MemoProcTable.closeMemofile) step([] { MemoProcTable.closeMemofile(); });
        FreePeekCacheOf(a->alias);
        if (ParserProcTable.free) {
            if (a->filterExpression) step([a] { ParserProcTable.free(a->filterExpression); });
            if (a->whileExpression) step([a] { ParserProcTable.free(a->whileExpression); });
        }
        // The header and end mark are written while the area's locks are
        // still held; closing the file then releases them.
        step([a] { CloseDbf(*a); });
        a->recordLocks.clear();
        a->lockState = kNoLock;
        ErrorState.pendingErrorCode = 0;
        ErrorState.contextText.clear();
    }
    WorkAreas[CurrentArea] = nullptr;
    delete a;
    ErrorState.lastErrorCode = 0;
    if (firstCode != 0) SetError(firstCode, firstContext);
}

void CloseAll() {
    ErrorState.lastErrorCode = 0;
    uint16_t code = 0;
    std::string ctx;
    for (int i = 1; i <= kCallerAreas; ++i) {
        CurrentArea = static_cast<uint8_t>(i);
        QuietEngineErrors quiet;
        CloseArea();
        if (ErrorState.lastErrorCode && !code) {
            code = ErrorState.lastErrorCode;
            ctx = ErrorState.contextText;
        }
    }
    CurrentArea = 1;
    if (code) SetError(code, ctx);
}

// ---- field accessors

char FieldType(int n) {
    TWorkArea* a = FieldArea(n, "FieldType");
    return a ? a->fields[n - 1].type : ' ';
}

int FieldLen(int n) {
    TWorkArea* a = FieldArea(n, "FieldLen");
    if (!a) return 0;
    const auto& f = a->fields[n - 1];
    if (f.type == 'D') return SetCentury ? 10 : 8;
    return f.length;
}

int FieldDec(int n) {
    TWorkArea* a = FieldArea(n, "FieldDec");
    return a ? a->fields[n - 1].decimals : 0;
}

namespace {
// The engine's own binary record follows the raw record field by field, when
// a field is read; a caller's buffer is filled whole on every move, since
// the caller reads it directly.
bool DecodesLazily(const TWorkArea& a) {
    return a.binaryRecordOwned && !a.isVirtual && a.binaryRecord;
}
bool FieldStale(const TWorkArea& a, std::size_t i) {
    return i < a.decodedStamp.size() && a.decodedStamp[i] != a.rawStamp;
}
}  // namespace

void NoteRawRecordChanged(TWorkArea& a) {
    if (a.isVirtual || !a.binaryRecord) return;
    a.fieldSet.assign(a.fields.size(), 0);
    if (!DecodesLazily(a)) {
        RecordToBinary(a, a.binaryRecord);
        return;
    }
    a.binaryRecord[0] = (!a.recordBuffer.empty() && a.recordBuffer[0] == '*') ? 1 : 0;
    a.decodedStamp.resize(a.fields.size(), 0);
    if (++a.rawStamp == 0) {
        std::fill(a.decodedStamp.begin(), a.decodedStamp.end(), 0u);
        a.rawStamp = 1;
    }
}

void DecodeWholeRecord(TWorkArea& a) {
    if (!DecodesLazily(a)) return;
    std::size_t pos = 1;
    for (std::size_t i = 0; i < a.fields.size(); ++i) {
        if (FieldStale(a, i)) {
            FieldToBinary(a, a.fields[i], a.binaryRecord, pos);
            a.decodedStamp[i] = a.rawStamp;
        }
        pos += BinaryFieldSize(a.fields[i]);
    }
}

void MarkBinaryRecordCurrent(TWorkArea& a) {
    std::fill(a.decodedStamp.begin(), a.decodedStamp.end(), a.rawStamp);
}

uint8_t* FieldAddress(int n) {
    TWorkArea* a = FieldArea(n, "FieldAddress", true);
    if (!a || !a->binaryRecord) return nullptr;
    if (n == 0) {
        DecodeWholeRecord(*a);
        return a->binaryRecord;
    }
    std::size_t pos = 1;
    for (int i = 0; i < n - 1; ++i) pos += BinaryFieldSize(a->fields[i]);
    const auto index = static_cast<std::size_t>(n - 1);
    if (DecodesLazily(*a) && FieldStale(*a, index)) {
        FieldToBinary(*a, a->fields[index], a->binaryRecord, pos);
        a->decodedStamp[index] = a->rawStamp;
    }
    return a->binaryRecord + pos;
}

std::string Field(int n) {
    TWorkArea* a = FieldArea(n, "Field");
    return a ? a->fields[n - 1].name : std::string();
}

int FieldNo(const std::string& name) {
    if (NoDbfOpen("FieldNo()")) return 0;
    const std::string want = UpperWin1252(TrimRightStr(name.substr(0, 10)));
    const TWorkArea* a = CurrentWorkArea();
    for (int i = 0; i < a->fieldCount; ++i)
        if (a->fields[i].name == want) return i + 1;
    return 0;
}

int FieldCount() {
    if (NoDbfOpen("FieldCount()")) return 0;
    return CurrentWorkArea()->fieldCount;
}

std::string FieldAsText(int n) {
    TWorkArea* a = FieldArea(n, "Field");
    if (!a) return {};
    const auto& f = a->fields[n - 1];
    switch (f.type) {
        case 'C':
        case 'D': return BinaryText(n);
        case 'N':
        case 'F':
            if (f.decimals > 0) return FormatFloatStr(f.length, f.decimals, BinaryNumber(n));
            return IntToStrWidth(BinaryInteger(n), f.length);
        case 'L': {
            const std::string t = LogicalTexts.size() >= 2 ? LogicalTexts : std::string("NY");
            return std::string(1, BinaryLogical(n) ? t[1] : t[0]);
        }
        case 'M': {
            const int32_t r = BinaryMemoRef(n);
            return r == 0 ? "none" : r > 0 ? "MEMO" : "BLOB";
        }
        default: return {};
    }
}

bool Deleted() {
    if (NoDbfOpen("Deleted")) return false;
    const TWorkArea* a = CurrentWorkArea();
    return a->binaryRecord && a->binaryRecord[0] != 0;
}

void ClearRecord() {
    if (NoDbfOpen("ClearRecord")) return;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        if (a->fieldCount == 0 && a->binaryRecord)
            std::memset(a->binaryRecord, 0, a->binaryRecordSize);
        return;
    }
    a->recordBuffer.assign(a->recordLength, ' ');
    NoteRawRecordChanged(*a);
}

void ConvertRecord() {
    TWorkArea* a = CurrentWorkArea();
    if (!a) return;
    NoteRawRecordChanged(*a);
    DecodeWholeRecord(*a);
}

void ConvertRecordBack() {
    TWorkArea* a = CurrentWorkArea();
    if (!a || a->isVirtual || !a->binaryRecord) return;
    DecodeWholeRecord(*a);
    BinaryToRecord(*a, a->binaryRecord);
}

bool IsWideInteger(const TFieldEntry& f) {
    return (f.type == 'N' || f.type == 'F') && f.decimals == 0 && f.length >= 10;
}

int BinaryTextPrefix(const TFieldEntry& f) { return f.type == 'C' && f.length > 255 ? 2 : 1; }

std::size_t BinaryTextLength(const TFieldEntry& f, const uint8_t* p) {
    return BinaryTextPrefix(f) == 2 ? static_cast<std::size_t>(p[0] | (p[1] << 8)) : p[0];
}

void SetBinaryTextLength(const TFieldEntry& f, uint8_t* p, std::size_t n) {
    p[0] = static_cast<uint8_t>(n & 0xFF);
    if (BinaryTextPrefix(f) == 2) p[1] = static_cast<uint8_t>(n >> 8);
}

int BinaryFieldSize(const TFieldEntry& f) {
    switch (f.type) {
        case 'C': return f.length + BinaryTextPrefix(f);
        case 'D': return 11;  // length byte + up to 10 characters, whatever the stored length
        case 'N':
        case 'F': return (f.decimals > 0 || IsWideInteger(f)) ? 8 : 4;
        case 'L': return 1;
        case 'M': return 4;
        default: return 0;
    }
}

uint16_t BinaryRecordSize(const TWorkArea& area) {
    uint32_t n = 1;
    for (const auto& f : area.fields) n += BinaryFieldSize(f);
    return static_cast<uint16_t>(std::min<uint32_t>(n, 0xFFFF));
}

// ---- typed access to the binary record

namespace {
uint8_t* BinaryAt(int n, char kind) {
    TWorkArea* a = CurrentWorkArea();
    if (!a || n < 1 || n > a->fieldCount) return nullptr;
    const char t = a->fields[n - 1].type;
    const bool ok = kind == 'S'   ? (t == 'C' || t == 'D')
                    : kind == 'N' ? (t == 'N' || t == 'F')
                                  : t == kind;
    return ok ? FieldAddress(n) : nullptr;
}
// The binary record's field n, to be given a value: the field is then
// written from its binary value, not kept as stored.
uint8_t* BinaryToSet(int n, char kind) {
    uint8_t* p = BinaryAt(n, kind);
    TWorkArea* a = CurrentWorkArea();
    if (p && static_cast<std::size_t>(n - 1) < a->fieldSet.size()) a->fieldSet[n - 1] = kFieldGiven;
    return p;
}
// Over-wide: a number field of a table file filled with "*" in the stored
// record; its binary value is v (a whole number: the nearest end of the
// form's range). False for a virtual table, which has no stored record.
bool PutOverWide(int n, double v) {
    TWorkArea* a = CurrentWorkArea();
    if (!a || a->isVirtual || !a->binaryRecord || n < 1 || n > a->fieldCount) return false;
    const TFieldEntry& f = a->fields[n - 1];
    if (f.type != 'N' && f.type != 'F') return true;
    SetStoredNumberText(n, std::string(f.length + 1u, '*'));
    uint8_t* p = FieldAddress(n);
    if (!p) return true;
    if (f.decimals > 0) {
        std::memcpy(p, &v, 8);
    } else if (IsWideInteger(f)) {
        const int64_t i = SaturatedWhole<int64_t>(v);
        std::memcpy(p, &i, 8);
    } else {
        const int32_t i = SaturatedWhole<int32_t>(v);
        std::memcpy(p, &i, 4);
    }
    if (a->fieldSet.size() != a->fields.size()) a->fieldSet.assign(a->fields.size(), kFieldGiven);
    a->fieldSet[n - 1] = kFieldOverWide;
    return true;
}
}  // namespace

bool HoldsOverWideNumber(const TWorkArea& area, const TFieldEntry& f) {
    if (f.type != 'N' && f.type != 'F') return false;
    const auto& raw = area.recordBuffer;
    if (static_cast<std::size_t>(f.offset) + f.length > raw.size()) return false;
    const auto begin = raw.begin() + f.offset;
    const auto end = begin + f.length;
    const auto first = std::find_if(begin, end, [](uint8_t c) { return c != ' '; });
    return first != end && std::all_of(first, end, [](uint8_t c) { return c == '*'; });
}

bool FieldHoldsOverWide(int n) {
    const TWorkArea* a = CurrentWorkArea();
    if (!a || a->isVirtual || n < 1 || n > a->fieldCount) return false;
    return HoldsOverWideNumber(*a, a->fields[n - 1]);
}

std::string StoredFieldText(int n) {
    const TWorkArea* a = CurrentWorkArea();
    if (!a || a->isVirtual || n < 1 || n > a->fieldCount) return {};
    const TFieldEntry& f = a->fields[n - 1];
    if (static_cast<std::size_t>(f.offset) + f.length > a->recordBuffer.size()) return {};
    return std::string(reinterpret_cast<const char*>(a->recordBuffer.data()) + f.offset, f.length);
}

void SetStoredNumberText(int n, std::string_view text) {
    TWorkArea* a = CurrentWorkArea();
    if (!a || n < 1 || n > a->fieldCount) return;
    const TFieldEntry& f = a->fields[n - 1];
    if (f.type != 'N' && f.type != 'F') return;
    if (a->isVirtual || !a->binaryRecord) {
        double v = 0;
        const bool number = ParseNumberText(text, v);
        SetBinaryNumber(n, number || v != 0 ? v : HUGE_VAL);
        return;
    }
    if (static_cast<std::size_t>(f.offset) + f.length > a->recordBuffer.size()) return;
    uint8_t* field = a->recordBuffer.data() + f.offset;
    if (text.size() > f.length) {
        std::memset(field, '*', f.length);
    } else {
        std::memset(field, ' ', f.length - text.size());
        std::memcpy(field + f.length - text.size(), text.data(), text.size());
    }
    const auto i = static_cast<std::size_t>(n - 1);
    std::size_t pos = 1;
    for (std::size_t k = 0; k < i; ++k) pos += BinaryFieldSize(a->fields[k]);
    FieldToBinary(*a, f, a->binaryRecord, pos);
    if (i < a->decodedStamp.size()) a->decodedStamp[i] = a->rawStamp;
    if (i < a->fieldSet.size()) a->fieldSet[i] = 0;
}

std::string BinaryText(int n) {
    const uint8_t* p = BinaryAt(n, 'S');
    if (!p) return {};
    const auto& f = CurrentWorkArea()->fields[n - 1];
    const std::size_t room = f.type == 'D' ? 10 : f.length;
    return std::string(reinterpret_cast<const char*>(p) + BinaryTextPrefix(f),
                       std::min(room, BinaryTextLength(f, p)));
}

double BinaryNumber(int n) {
    const uint8_t* p = BinaryAt(n, 'N');
    if (!p) return 0;
    const auto& f = CurrentWorkArea()->fields[n - 1];
    if (f.decimals > 0) {
        double v;
        std::memcpy(&v, p, 8);
        return v;
    }
    return static_cast<double>(BinaryInteger(n));
}

int64_t BinaryInteger(int n) {
    const uint8_t* p = BinaryAt(n, 'N');
    if (!p) return 0;
    const auto& f = CurrentWorkArea()->fields[n - 1];
    if (f.decimals > 0) {
        double v;
        std::memcpy(&v, p, 8);
        return SaturatedWhole<int64_t>(v);
    }
    if (IsWideInteger(f)) {
        int64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool BinaryLogical(int n) {
    const uint8_t* p = BinaryAt(n, 'L');
    return p && *p != 0;
}

int32_t BinaryMemoRef(int n) {
    const uint8_t* p = BinaryAt(n, 'M');
    int32_t v = 0;
    if (p) std::memcpy(&v, p, 4);
    return v;
}

void SetBinaryText(int n, const std::string& s) {
    uint8_t* p = BinaryToSet(n, 'S');
    if (!p) return;
    const auto& f = CurrentWorkArea()->fields[n - 1];
    const std::size_t room = f.type == 'D' ? 10 : f.length;
    const std::size_t len = std::min(room, s.size());
    SetBinaryTextLength(f, p, len);
    std::memcpy(p + BinaryTextPrefix(f), s.data(), len);
}

void SetBinaryNumber(int n, double v) {
    const TWorkArea* a = CurrentWorkArea();
    if (!a || n < 1 || n > a->fieldCount) return;
    const auto& f = a->fields[n - 1];
    // A number the field's binary form cannot hold is over-wide, never the
    // nearest end of the form's range.
    const bool whole = f.decimals == 0;
    const double limit = IsWideInteger(f) ? 0x1p63 : 0x1p31;
    const bool beyondForm = whole && !(std::fabs(std::nearbyint(v)) < limit);
    // A whole number beyond 64 bits that the field has room for (1e19 in
    // N(20,0)) is written as its digits.
    if (std::isfinite(v) && beyondForm && !a->isVirtual && a->binaryRecord) {
        const std::string digits = FixedText(std::nearbyint(v), 0);
        if (digits.size() <= f.length) {
            SetStoredNumberText(n, digits);
            return;
        }
    }
    if ((!std::isfinite(v) || beyondForm) && PutOverWide(n, v)) return;
    uint8_t* p = BinaryToSet(n, 'N');
    if (!p) return;
    if (f.decimals > 0) {
        std::memcpy(p, &v, 8);
        return;
    }
    if (IsWideInteger(f)) {
        const int64_t i = std::isfinite(v) ? SaturatedWhole<int64_t>(v) : kOverWideWhole64;
        std::memcpy(p, &i, 8);
    } else {
        const int32_t i = std::isfinite(v) ? SaturatedWhole<int32_t>(v) : kOverWideWhole32;
        std::memcpy(p, &i, 4);
    }
}

void SetBinaryInteger(int n, int64_t v) {
    uint8_t* p = BinaryToSet(n, 'N');
    if (!p) return;
    const auto& f = CurrentWorkArea()->fields[n - 1];
    if (f.decimals > 0) {
        const double d = static_cast<double>(v);
        std::memcpy(p, &d, 8);
        return;
    }
    if (IsWideInteger(f)) {
        std::memcpy(p, &v, 8);
        return;
    }
    const int32_t i = static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    std::memcpy(p, &i, 4);
}

void SetBinaryLogical(int n, bool v) {
    if (uint8_t* p = BinaryToSet(n, 'L')) *p = v ? 1 : 0;
}

void SetBinaryMemoRef(int n, int32_t ref) {
    if (uint8_t* p = BinaryToSet(n, 'M')) std::memcpy(p, &ref, 4);
}

void SetBinaryDeleted(bool deleted) {
    TWorkArea* a = CurrentWorkArea();
    if (a && a->binaryRecord) a->binaryRecord[0] = deleted ? 1 : 0;
}

void ResetWorkAreas() {
    {
        QuietEngineErrors quiet;
        for (int i = kMaxWorkAreas; i >= 1; --i) {
            CurrentArea = static_cast<uint8_t>(i);
            try {
                CloseArea();
            } catch (const EDurazError&) {
            }
        }
    }
    CurrentArea = kDefaults.CurrentArea;
    DefaultOpenMode = kDefaults.DefaultOpenMode;
    OpenModeOverride = kDefaults.OpenModeOverride;
    AnsiTables = kDefaults.AnsiTables;
    RecountOnOpen = kDefaults.RecountOnOpen;
    ClearMemoProcTable();
    ErrorState.lastErrorCode = 0;
    ErrorState.pendingErrorCode = 0;
    ErrorState.contextText.clear();
}

void CloseWorkAreaUnit() {
    QuietEngineErrors quiet;
    for (int i : {34, 35}) {
        CurrentArea = static_cast<uint8_t>(i);
        CloseArea();
    }
    CloseAll();
}

}  // namespace veldrim
