// APPEND FROM: records of another table added to the current one, field by
// field by name, with conversion between field types.
#include "tables/bulk/bulk_verbs.h"

#include <limits>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "tables/bulk/bulk_io.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/engine_files.h"
#include "tables/engine/navigation.h"
#include "tables/engine/number_digits.h"
#include "tables/engine/open_files.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

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
    bool overWide = false;  // a number field filled with "*": too wide for its field
    std::string stored;     // a number field's text as stored (not for a virtual table)
};

void StoreConverted(int n, const TFieldEntry& to, const SourceValue& v, uint8_t sourceArea) {
    switch (to.type) {
        case 'C':
            switch (v.type) {
                case 'C': SetBinaryText(n, v.text); break;
                case 'N':
                case 'F': {
                    if (v.overWide) {
                        SetBinaryText(n, std::string(to.length, '*'));
                        break;
                    }
                    if (!v.stored.empty() && AllTrim(v.stored).empty()) {
                        SetBinaryText(n, "");  // a blank number stays blank
                        break;
                    }
                    // The stored digits with the source's places, whatever
                    // their count; a virtual table's number from its value.
                    FieldNumberDigits d = DigitsForField(v.stored, to.length, v.decimals);
                    if (d.kind == FieldNumberDigits::noNumber)
                        d = DigitsForField(v.decimals > 0 ? FixedText(v.number, v.decimals)
                                                          : std::to_string(v.integer),
                                           to.length, v.decimals);
                    std::string t =
                        d.kind == FieldNumberDigits::fits ? d.digits : std::string(to.length, '*');
                    SetBinaryText(
                        n, PadRightStr(std::string(to.length - t.size(), ' ') + t, to.length));
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
        case 'N':
        case 'F': {
            if (v.type == 'C') {
                bulk::StoreNumberText(n, to, v.text, true);
                break;
            }
            if (v.type != 'N' && v.type != 'F') break;
            if (v.overWide) {
                SetBinaryNumber(n, std::numeric_limits<double>::infinity());
                break;
            }
            // A blank number stays blank: the cleared record holds blanks.
            if (!v.stored.empty() && AllTrim(v.stored).empty()) break;
            // The stored digits rounded to the receiving field's places,
            // whatever their count: a field too narrow for them shows "*",
            // never a number that a double or a 64-bit integer made of them.
            const FieldNumberDigits d = DigitsForField(v.stored, to.length, to.decimals);
            if (d.kind != FieldNumberDigits::noNumber) {
                SetStoredNumberText(n, d.kind == FieldNumberDigits::fits
                                           ? d.digits
                                           : std::string(to.length + 1u, '*'));
                break;
            }
            // A virtual table's number: its binary value.
            if (to.decimals > 0)
                SetBinaryNumber(n, v.decimals > 0 ? v.number : static_cast<double>(v.integer));
            else if (v.decimals > 0)
                SetBinaryNumber(n, v.number);  // rounded to the nearest
            else
                SetBinaryInteger(n, v.integer);
            break;
        }
        case 'L': SetBinaryLogical(n, v.type == 'L' && v.logical); break;
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

// The record count the header of an area's table states, as its open read it.
int64_t StatedRecordCount(const TWorkArea& a) {
    const auto& h = a.header;
    if (h[0] == 0x02) return h[1] | (h[2] << 8);  // dBase II: 16 bits after the version
    return static_cast<int64_t>(h[4]) | (static_cast<int64_t>(h[5]) << 8) |
           (static_cast<int64_t>(h[6]) << 16) | (static_cast<int64_t>(h[7]) << 24);
}

}  // namespace

void AppendFrom(const std::string& sourceIn, std::function<bool()> condition) {
    ErrorState.lastErrorCode = 0;
    if (!CurrentWorkArea()) {
        SetError(215, "[AppendFrom(" + ShownFileName(sourceIn) + ")]");
        return;
    }
    const uint8_t target = CurrentArea;
    TWorkArea* to = CurrentWorkArea();
    std::string source = AllTrim(sourceIn);
    source.insert(source.begin(), ' ');
    bool isVirtual = false;
    // Words of the source's folders belong to its path ("/data/my virtual tables/src").
    const std::size_t pathEnd = ClauseKeywordStart(source);
    for (const char* w : {" VIRTUAL FILE", " LINKED LIST", " VIRTUAL", " LINKED"}) {
        const auto p = UpperWin1252(source).find(w, pathEnd);
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
        if ((isVirtual && w->isVirtual &&
             (UpperWin1252(w->fileName) == UpperWin1252(name) || w->alias == UpperWin1252(name))) ||
            (!isVirtual && !w->isVirtual && w->fileName == name))
            from = i;
    }
    if (isVirtual && !from) {
        SetError(215, "Virtual file must be open. [AppendFrom(" + ShownFileName(name) + ")]");
        return;
    }
    if (!from && !FileExist(name)) {
        // A pipe, a socket, a device or a folder at the name is refused as
        // such, before anything opens it.
        std::error_code ec;
        if (std::filesystem::exists(name, ec))
            SetFileReadError(ENODEV, name, "", "[AppendFrom(" + ShownFileName(sourceIn) + ")]");
        else
            SetError(2, "[AppendFrom(" + ShownFileName(sourceIn) + ")]");
        return;
    }
    // The receiving table under any name (a linked folder, a hard link, a
    // second work area on it) is the table itself: its records would grow
    // under the loop that reads them.
    bool itself = from == target;
    if (!isVirtual)
        for (const EngineOpenFile& f : EngineFilesAt(name))
            itself = itself || (f.area == target && f.kind == EngineFileKind::Table);
    if (itself) {
        SetError(214, std::string(
                          "Datei kann nicht an sich selbst angehängt werden. [AppendFrom("_cp850) +
                          ShownFileName(name) + ")]");
        return;
    }
    if (to->hasMemo && !MemoProcTable.addMemo) {
        SetError(220, "Memo-Unit ist nicht ins Programm eingebunden. [AppendFrom(" +
                          ShownFileName(name) + ")]");
        return;
    }
    const bool opened = from == 0;
    struct Cleanup {
        bool opened;
        uint8_t target;
        ~Cleanup() {
            if (opened) {
                // Closing the source clears the error state: an error of
                // the append itself (a failed record, a damaged source)
                // stays the one the caller reads.
                const uint16_t code = ErrorState.lastErrorCode;
                const uint16_t pending = ErrorState.pendingErrorCode;
                std::string context = ErrorState.contextText;
                CurrentArea = kScratchArea;
                {
                    QuietEngineErrors quiet;
                    try {
                        CloseArea();
                    } catch (...) {
                    }
                }
                if (code != 0) {
                    ErrorState.lastErrorCode = code;
                    ErrorState.pendingErrorCode = pending;
                    ErrorState.contextText = std::move(context);
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
        same = x.name == y.name && x.type == y.type && x.length == y.length &&
               x.decimals == y.decimals;
    }
    const int structure = !same ? 2 : src->hasMemo ? 1 : 0;

    CurrentArea = static_cast<uint8_t>(from);
    // The records the source holds now are the ones appended: a source that
    // grows meanwhile (another program appending) cannot keep the loop going.
    const int32_t sourceCount = src->isVirtual ? 0 : RecCount();
    // A header that states more records than the file holds belongs to a
    // damaged (cut off) table: only its whole records are read, and the user
    // is told once they are appended.
    const int64_t stated = src->isVirtual ? -1 : StatedRecordCount(*src);
    const int32_t whole = src->isVirtual ? 0 : RecordCountFromFileSize(*src);
    if (condition || IsWhileOn())
        SKIP(0);
    else
        GoTop();
    uint16_t firstError = 0;
    std::vector<SourceValue> values(src->fields.size());
    const bool inKeyOrder = HasIndex();
    while (!src->eof) {
        if (!src->isVirtual && src->recordNumber > sourceCount) {
            // In record order every later record is a newer one too.
            if (!inKeyOrder) break;
            SKIP(1);
            if (ErrorState.lastErrorCode != 0) {
                firstError = ErrorState.lastErrorCode;
                break;
            }
            continue;
        }
        if (condition && !condition()) break;
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
            v.overWide = !src->isVirtual && HoldsOverWideNumber(*src, f);
            v.stored = (f.type == 'N' || f.type == 'F') ? StoredFieldText(n) : std::string();
        }
        const bool deleted = src->binaryRecord && src->binaryRecord[0] != 0;
        CurrentArea = target;
        if (structure == 2) {
            ClearRecord();
            SetBinaryDeleted(deleted);
            for (std::size_t i = 0; i < to->fields.size(); ++i)
                if (map[i])
                    StoreConverted(static_cast<int>(i) + 1, to->fields[i], values[map[i] - 1],
                                   static_cast<uint8_t>(from));
        } else {
            // The stored record is copied as it is: every field keeps its
            // bytes (a number filled with "*", a 20-digit whole number), and
            // the binary record follows it.
            std::vector<uint8_t> raw(to->recordLength, ' ');
            std::copy_n(src->recordBuffer.begin(),
                        std::min<std::size_t>(src->recordBuffer.size(), raw.size()), raw.begin());
            raw[0] = deleted ? '*' : ' ';
            to->recordBuffer = std::move(raw);
            NoteRawRecordChanged(*to);
            if (structure == 1)
                for (std::size_t i = 0; i < to->fields.size(); ++i)
                    if (to->fields[i].type == 'M')
                        StoreConverted(static_cast<int>(i) + 1, to->fields[i], values[i],
                                       static_cast<uint8_t>(from));
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
    if (firstError == 0 && stated > whole)
        SetError(210, ShownFileName(name) + std::string(" ist beschädigt: der Kopf nennt "_cp850) +
                          std::to_string(stated) +
                          std::string(" Datensätze, die Datei enthält "_cp850) +
                          std::to_string(whole) +
                          std::string(" ganze; nur diese wurden angehängt. [AppendFrom("_cp850) +
                          ShownFileName(sourceIn) + ")]");
}

}  // namespace veldrim
