// Virtual files: the in-memory record lists behind LINKED LIST and VIRTUAL
// FILE work areas.
#include "tables/virtual/virtual_files.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>

#include "foundation/codepage.h"
#include "foundation/text_conv.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/proc_tables.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

namespace {

struct SortKey {
    std::string text;
    bool isNumber = false;
    double number = 0;
    bool valid = false;  // built for the record's current contents
};

struct Node {
    std::vector<uint8_t> data;
    SortKey key;
};

struct VirtualList {
    std::vector<Node> records;  // record n is records[n - 1]
    TVFileKeyFunction keyFunction;
};

uint8_t lastReplaceResult = 0;

VirtualList* ListOf(TWorkArea& a) {
    if (!a.virtualState) a.virtualState = new VirtualList;
    return static_cast<VirtualList*>(a.virtualState);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The whole text as a number, read without regard to the locale.
bool WholeNumber(const std::string& text, double& value) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return false;
    std::size_t e = text.find_last_not_of(' ') + 1;
    if (text[b] == '+') ++b;
    if (b >= e) return false;
    const char* first = text.data() + b;
    const char* last = text.data() + e;
    auto [p, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && p == last;
}

SortKey MakeKey(std::string text) {
    if (text.size() > 100) text.resize(100);
    SortKey k;
    k.isNumber = WholeNumber(text, k.number);
    k.text = std::move(text);
    k.valid = true;
    return k;
}

bool Less(const SortKey& x, const SortKey& y) {
    if (x.isNumber && y.isNumber) return x.number < y.number;
    return x.text < y.text;  // char_traits<char> compares as unsigned bytes
}

// Whether x goes before y in the order of the mode.
bool Precedes(uint8_t mode, const SortKey& x, const SortKey& y) {
    return mode == DESCENDING ? Less(y, x) : Less(x, y);
}

std::size_t RecordSize(const TWorkArea& a, const uint8_t* buffer) {
    if (a.recordLength != 0) return a.recordLength;
    uint16_t n = 0;
    std::memcpy(&n, buffer, 2);
    return static_cast<std::size_t>(n) + 2;
}

std::size_t FlagAt(const TWorkArea& a) { return a.recordLength == 0 ? 2 : 0; }

void ToBuffer(TWorkArea& a, const Node& n) {
    if (!a.binaryRecord || n.data.empty()) return;
    std::memcpy(a.binaryRecord, n.data.data(), n.data.size());
}

void SetEmpty(TWorkArea& a) {
    a.recordNumber = 0;
    a.eof = a.bof = true;
}

// Builds the keys of records that have none, each from the record put into
// the record buffer for the call; the buffer is restored afterwards.
void EnsureKeys(TWorkArea& a, VirtualList& l) {
    if (!l.keyFunction || !a.binaryRecord) return;
    std::vector<uint8_t> saved;
    for (Node& n : l.records) {
        if (n.key.valid) continue;
        if (saved.empty())
            saved.assign(a.binaryRecord, a.binaryRecord + RecordSize(a, a.binaryRecord));
        ToBuffer(a, n);
        n.key = MakeKey(l.keyFunction());
    }
    if (!saved.empty()) std::memcpy(a.binaryRecord, saved.data(), saved.size());
}

bool PositionOk(TWorkArea& a, int32_t n) {
    if (n >= 1 && n <= a.recordCount) return true;
    SetError(212, "Versuch auf ungültigen Datensatz zu positionieren "_cp850.data() +
                      std::to_string(n) + "  Anzahl Datensätze in Datenbank ist "_cp850.data() +
                      std::to_string(a.recordCount) + a.alias + "\t [VFiles]");
    return false;
}

// Inserts the record buffer by the area's order; false after an error.
bool AddLL(TWorkArea& a, VirtualList& l) {
    const uint8_t mode = a.insertionOrder;
    if (mode > DESCENDING) {
        SetError(1100, std::to_string(mode) + " ist ein ungültiger VFile-Mode für "_cp850.data() +
                           a.alias + " [(AddLL) VFiles INTERNAL ERROR]");
        return false;
    }
    const bool sorted = mode == ASCENDING || mode == DESCENDING;
    if (sorted && !l.keyFunction) {
        SetError(
            1100,
            a.alias + " ist eine " + Quoted("sortierte") +
                " virtuelle Datei ohne Schlüsselfunktion. [Append/InsertRec/PushRec]"_cp850.data());
        return false;
    }
    if (!a.binaryRecord) {
        SetError(220, "NIL Puffer-Zeiger [VFiles]");
        return false;
    }
    Node node;
    node.data.assign(a.binaryRecord, a.binaryRecord + RecordSize(a, a.binaryRecord));
    if (l.keyFunction) node.key = MakeKey(l.keyFunction());
    std::size_t at = 0;  // insertion index
    const std::size_t count = l.records.size();
    if (count > 0) {
        switch (mode) {
            case FIFO: at = count; break;
            case LIFO: at = 0; break;
            case INSERTION:
                at = a.recordNumber >= 1 && a.recordNumber <= static_cast<int32_t>(count)
                         ? static_cast<std::size_t>(a.recordNumber - 1)
                         : count;
                break;
            default: {
                EnsureKeys(a, l);
                // The buffer may have been used for other records' keys.
                std::memcpy(a.binaryRecord, node.data.data(), node.data.size());
                if (!Precedes(mode, node.key, l.records.back().key)) {
                    at = count;
                } else if (Precedes(mode, node.key, l.records.front().key)) {
                    at = 0;
                } else {
                    // After every record with an equal key. The bounds hold
                    // whatever the comparisons answer.
                    std::size_t lo = 0, hi = count - 1;
                    while (lo < hi) {
                        const std::size_t mid = lo + (hi - lo) / 2;
                        if (Precedes(mode, node.key, l.records[mid].key))
                            hi = mid;
                        else
                            lo = mid + 1;
                    }
                    at = lo;
                }
            }
        }
    }
    l.records.insert(l.records.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
    a.recordCount = static_cast<int32_t>(l.records.size());
    a.recordNumber = static_cast<int32_t>(at) + 1;
    a.eof = a.bof = false;
    return true;
}

void RemoveCurrent(TWorkArea& a, VirtualList& l) {
    if (a.recordNumber < 1 || a.recordNumber > static_cast<int32_t>(l.records.size())) return;
    l.records.erase(l.records.begin() + (a.recordNumber - 1));
    a.recordCount = static_cast<int32_t>(l.records.size());
    if (l.records.empty()) {
        SetEmpty(a);
        return;
    }
    if (a.recordNumber > a.recordCount) a.recordNumber = a.recordCount;
    ToBuffer(a, l.records[static_cast<std::size_t>(a.recordNumber - 1)]);
}

void Replace(TWorkArea& a, VirtualList& l, int32_t n) {
    Node& node = l.records[static_cast<std::size_t>(n - 1)];
    const std::size_t size = RecordSize(a, a.binaryRecord);
    const uint8_t mode = a.insertionOrder;
    if (mode == ASCENDING || mode == DESCENDING) {
        const std::vector<uint8_t> record(a.binaryRecord, a.binaryRecord + size);
        a.recordNumber = n;
        RemoveCurrent(a, l);
        std::memcpy(a.binaryRecord, record.data(), record.size());
        if (!AddLL(a, l)) return;
        lastReplaceResult = a.recordNumber == n ? 1 : 2;
        return;
    }
    if (size == node.data.size()) {
        std::memcpy(node.data.data(), a.binaryRecord, size);
        node.key.valid = false;
        if (l.keyFunction) node.key = MakeKey(l.keyFunction());
        a.recordNumber = n;
        return;
    }
    // A variable-length record of a new length takes the old one's place.
    const uint8_t saved = a.insertionOrder;
    a.insertionOrder = INSERTION;
    a.recordNumber = n;
    const bool ok = AddLL(a, l);
    a.insertionOrder = saved;
    if (!ok) return;
    l.records.erase(l.records.begin() + n);
    a.recordCount = static_cast<int32_t>(l.records.size());
    a.recordNumber = n;
}

void Pop(TWorkArea& a, VirtualList& l) {
    if (l.records.empty()) {
        SetError(1100, "Leere virtuelle Datei: POP unmöglich von "_cp850.data() + a.alias +
                           " [(PopRec) VFiles]");
        return;
    }
    if (a.insertionOrder == INSERTION) {
        SetError(1100, "Datensatz POP unzulässig im Einfüge-Modus"_cp850.data() + a.alias +
                           " [(PopRec) VFiles]");
        return;
    }
    ToBuffer(a, l.records.front());
    l.records.erase(l.records.begin());
    a.recordCount = static_cast<int32_t>(l.records.size());
    if (l.records.empty()) {
        SetEmpty(a);
    } else if (a.recordNumber > 1) {
        --a.recordNumber;
    }
}

void Proc(TWorkArea& a) {
    VirtualList& l = *ListOf(a);
    switch (a.operationCode) {
        case 1:  // close
            delete &l;
            a.virtualState = nullptr;
            a.fields.clear();
            a.fieldCount = 0;
            return;
        case 12:  // zap
            l.records.clear();
            [[fallthrough]];
        case 4:  // initialise
            l.records.clear();
            a.recordCount = 0;
            SetEmpty(a);
            return;
        case 2:
        case 9: {  // delete mark, recall
            if (a.recordNumber < 1 || a.recordNumber > a.recordCount) return;
            const uint8_t flag = a.operationCode == 2 ? 1 : 0;
            Node& n = l.records[static_cast<std::size_t>(a.recordNumber - 1)];
            if (n.data.size() > FlagAt(a)) n.data[FlagAt(a)] = flag;
            if (a.binaryRecord) a.binaryRecord[FlagAt(a)] = flag;
            return;
        }
        case 3:  // go to
            if (!PositionOk(a, a.virtualRecNo)) return;
            a.recordNumber = a.virtualRecNo;
            ToBuffer(a, l.records[static_cast<std::size_t>(a.recordNumber - 1)]);
            return;
        case 5: {  // pack
            std::erase_if(l.records, [&a](const Node& n) {
                return n.data.size() > FlagAt(a) && n.data[FlagAt(a)] != 0;
            });
            a.recordCount = static_cast<int32_t>(l.records.size());
            if (l.records.empty()) {
                SetEmpty(a);
            } else {
                a.recordNumber = 1;
                a.eof = a.bof = false;
                ToBuffer(a, l.records.front());
            }
            return;
        }
        case 6: Pop(a, l); return;
        case 7: AddLL(a, l); return;
        case 8:
            if (a.virtualRecNo > a.recordCount)
                AddLL(a, l);
            else if (PositionOk(a, a.virtualRecNo))
                Replace(a, l, a.virtualRecNo);
            return;
        case 10: RemoveCurrent(a, l); return;
        default: return;
    }
}

// The current area when it is a virtual file; nullptr after error 215/1100.
TWorkArea* VirtualArea(const std::string& procedure) {
    TWorkArea* a = CurrentWorkArea();
    if (!a) {
        SetError(215, "Keine Datenbank (bzw. kein Arbeitsbereich) geöffnet. ["_cp850.data() +
                          procedure + "]  WorkArea = " + std::to_string(CurrentArea));
        return nullptr;
    }
    if (!a->isVirtual) {
        SetError(1100, a->alias + " ist keine virtuelle Datei. [" + procedure + "]");
        return nullptr;
    }
    return a;
}

void Operate(TWorkArea& a, uint8_t code) {
    a.operationCode = code;
    Proc(a);
}

}  // namespace

void AddStru(const std::vector<TFieldEntry>& fieldsIn) {
    ErrorState.lastErrorCode = 0;
    TWorkArea* a = VirtualArea("AddStru");
    if (!a) return;
    if (fieldsIn.empty() || fieldsIn.size() > 255) {
        SetError(211, "Ungültige Felderanzahl in VFile-Felderliste. Alias= "_cp850.data() +
                          a->alias + " [AddStru]");
        return;
    }
    std::vector<TFieldEntry> fields;
    uint32_t offset = 1;
    for (TFieldEntry f : fieldsIn) {
        f.name = UpperWin1252(f.name.substr(0, 10));
        f.type = UpperAsciiChar(f.type);
        switch (f.type) {
            case 'C':
            case 'F':
            case 'N':
                // The binary form of a text holds a one-byte length.
                if (f.length == 0 || (f.type == 'C' && f.length > 255)) {
                    SetError(211, "Ungültige Länge, Feldname: "_cp850.data() + Quoted(f.name) +
                                      " in VFile-Felderliste. Alias= " + a->alias + " [AddStru]");
                    return;
                }
                break;
            case 'D': f.length = 8; break;
            case 'L': f.length = 1; break;
            case 'M':
                f.length = 10;
                f.type = 'N';
                f.decimals = 0;
                break;
            default:
                SetError(211, "Ungültiger Typ "_cp850.data() + Quoted(std::string(1, f.type)) +
                                  " in VFile-Felderliste. Alias= " + a->alias + " [AddStru]");
                return;
        }
        if (f.type != 'N' && f.type != 'F') f.decimals = 0;
        f.offset = static_cast<uint16_t>(std::min<uint32_t>(offset, 0xFFFF));
        offset += f.length;
        fields.push_back(f);
    }
    TWorkArea probe;
    probe.fields = fields;
    if (a->recordLength != 0 && BinaryRecordSize(probe) > a->recordLength) {
        // Fields that do not fit the record buffer would be written past it.
        SetError(266, "Ungleiche Puffer- und Datensatzgröße der Datenbank: "_cp850.data() +
                          a->alias +
                          " [AddStru]\n\rRecord Size=" + std::to_string(BinaryRecordSize(probe)) +
                          ", Buffer Size=" + std::to_string(a->recordLength));
        return;
    }
    a->fields = std::move(fields);
    a->fieldCount = static_cast<int>(a->fields.size());
}

void SnipRec() {
    if (TWorkArea* a = VirtualArea("SnipRec")) Operate(*a, 10);
}

void PopRec() {
    if (TWorkArea* a = VirtualArea("PopRec")) Operate(*a, 6);
}

void Set_VFileKey_To(TVFileKeyFunction key) {
    TWorkArea* a = VirtualArea("Set_VFileKey_To");
    if (!a) return;
    VirtualList& l = *ListOf(*a);
    l.keyFunction = std::move(key);
    for (Node& n : l.records) n.key.valid = false;
}

uint8_t Get_VFileMode() {
    const TWorkArea* a = CurrentWorkArea();
    return a && a->isVirtual ? a->insertionOrder : 0;
}

void Set_VFileMode_To(uint8_t mode) {
    TWorkArea* a = VirtualArea("Set_VFileMode_To");
    if (!a) return;
    const bool allowed = a->recordCount < 2 || mode <= INSERTION || mode == a->insertionOrder;
    if (!allowed || mode > DESCENDING) {
        SetError(
            1100,
            "Sortiermodus kann nicht gesetzt werden: Virtuelle Datei enthält Datensätze. ("_cp850
                    .data() +
                a->alias + ") [(Set_VFileMode_To) VFiles]");
        return;
    }
    a->insertionOrder = mode;
}

void SortVFile(uint8_t mode) {
    TWorkArea* a = VirtualArea("SortVFile");
    if (!a) return;
    VirtualList& l = *ListOf(*a);
    if (!l.keyFunction) {
        SetError(
            1100,
            a->alias +
                " hat keine Schlüsselfunktion.  Datensätze können nicht sortiert werden. [SortVFile]"_cp850
                    .data());
        return;
    }
    if (mode != ASCENDING && mode != DESCENDING) {
        SetError(220, "Sortiermodus ist nicht aufsteigend oder absteigend für "_cp850.data() +
                          a->alias + " [(SortVFile) VFiles]");
        return;
    }
    if (!a->binaryRecord) {
        SetError(220, "NIL Puffer-Zeiger [SortVFile]");
        return;
    }
    // Every record, from the first, inserted into a new list by the
    // insertion search of the sorted modes.
    for (Node& n : l.records) n.key.valid = false;
    EnsureKeys(*a, l);
    std::vector<Node> source = std::move(l.records);
    l.records.clear();
    const uint8_t savedMode = a->insertionOrder;
    a->insertionOrder = mode;
    std::vector<uint8_t> saved;
    if (a->binaryRecord)
        saved.assign(a->binaryRecord, a->binaryRecord + RecordSize(*a, a->binaryRecord));
    for (std::size_t i = 0; i < source.size(); ++i) {
        ToBuffer(*a, source[i]);
        if (!AddLL(*a, l)) {
            // Nothing is lost: the rest keeps its order at the end.
            a->insertionOrder = savedMode;
            for (std::size_t k = i; k < source.size(); ++k)
                l.records.push_back(std::move(source[k]));
            break;
        }
    }
    a->recordCount = static_cast<int32_t>(l.records.size());
    if (l.records.empty()) {
        if (!saved.empty()) std::memcpy(a->binaryRecord, saved.data(), saved.size());
        SetEmpty(*a);
        return;
    }
    a->recordNumber = 1;
    a->eof = a->bof = false;
    ToBuffer(*a, l.records.front());
}

uint8_t VFileReplaceResult() { return lastReplaceResult; }

void StartVirtualFiles() {
    lastReplaceResult = 0;
    VirtualFileProc = Proc;
}

}  // namespace veldrim
