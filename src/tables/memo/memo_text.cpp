// Memo texts: reading a value into display lines, appending a new value and
// writing edited lines back.
#include <unistd.h>

#include <algorithm>

#include "tables/engine/engine_base.h"
#include "foundation/files.h"
#include "tables/engine/engine_files.h"
#include "foundation/file_calls.h"
#include "tables/memo/memo_file.h"
#include "tables/memo/memo_io.h"

namespace veldrim {

using namespace memo_io;

std::vector<MemoLine> MemoLineTable;

namespace {

// Width at which a line without line end is wrapped.
constexpr std::size_t kLineWidth = 253;

enum LineEnd : uint8_t { kWrapped = 0, kHard = 1, kSoft = 2, kValueEnd = 3 };

// Cuts one line from `data` at `at`.
LineEnd ReadMemoLine(const std::string& data, std::size_t& at, std::string& line) {
    line.clear();
    const std::size_t n = data.size();
    while (at < n) {
        const auto c = static_cast<uint8_t>(data[at]);
        if (c == 13 || c == 0x8D) {
            ++at;
            if (at < n && data[at] == 10) ++at;
            return c == 13 ? kHard : kSoft;
        }
        line += static_cast<char>(c);
        ++at;
        if (line.size() == kLineWidth + 1) {
            const std::size_t blank = line.find_last_of(' ');
            if (blank != std::string::npos) {
                // The last run of blanks stays on this line; the next line
                // starts at the non-blank character after it.
                at -= line.size() - (blank + 1);
                line.resize(blank + 1);
            } else {
                at -= 1;
                line.resize(kLineWidth);
            }
            return kWrapped;
        }
    }
    return line.empty() ? kValueEnd : kWrapped;
}

std::string TrimTrailingControls(const std::string& s) {
    std::size_t n = s.size();
    while (n > 0 && static_cast<uint8_t>(s[n - 1]) <= ' ') --n;
    return s.substr(0, n);
}

// Memo texts are held in ANSI and stored in the table's character set:
// converted as the character fields of its records are.
void ToTableText(const TWorkArea& a, std::string& text) {
    if (a.oemText) AnsiToOemBuff(reinterpret_cast<uint8_t*>(text.data()), text.size());
}
void FromTableText(const TWorkArea& a, std::string& text) {
    if (a.oemText) OemToAnsiBuff(reinterpret_cast<uint8_t*>(text.data()), text.size());
}

// Writes `bytes` as the data of a value at `offset`, through the write hook
// in pieces of 512; false after an I/O error.
bool WriteValueBytes(const MemoState& m, RecordHook hook, std::string bytes, uint64_t offset) {
    ApplyHook(hook, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
    return WriteFully(m.fd, bytes.data(), bytes.size(), offset);
}

// Places `text` as one new value at the end of the file, or for a dBase IV
// rewrite where AllocMemoBlocks puts it (the free chain or the end). A
// rewrite never writes into the old value: its record points there until the
// caller stores the new reference, so a kill or a full disk before then must
// find it whole. Its blocks stay unused until the memo file is packed, as in
// the other styles, and are counted as released. The new value's block, 0
// after an error.
int32_t StoreValue(const std::string& text, bool rewrite, int32_t oldBlock, const char* caller,
                   const char* tag) {
    TWorkArea* a = CurrentWorkArea();
    MemoState* m = AreaMemo(a);
    const int64_t pos = LockMemoPadAndSeekEOF(caller);
    if (pos == 0) return 0;
    uint32_t block = static_cast<uint32_t>(pos / m->blockSize);
    uint32_t released = 0;
    std::string bytes = text;
    ToTableText(*a, bytes);
    if (m->style == kMemoDbase3) {
        bytes += '\x1A';
        bytes.resize((bytes.size() + 511) / 512 * 512, '\0');
    } else {
        const uint32_t length = static_cast<uint32_t>(text.size());
        if (rewrite && m->style != kMemoFox) {
            const uint32_t old =
                static_cast<uint32_t>(oldBlock < 0 ? -static_cast<int64_t>(oldBlock) : oldBlock);
            uint8_t h[8];
            if (old != 0 && old < FileSize(m->fd) / m->blockSize) {
                const uint32_t have = ReadGroupHeader(old, h);
                if (have == 0) return 0;
                if (IsDbase4GroupHeader(h)) released = have;
            }
            block =
                AllocMemoBlocks((length + 8) / m->blockSize + 1, 0, std::string(" [") + tag + "]");
            if (block == 0) return 0;
        }
        if (!WriteGroupHeaderAt(block, length)) return 0;
    }
    const uint64_t offset =
        static_cast<uint64_t>(block) * m->blockSize + (m->style == kMemoDbase3 ? 0 : 8);
    if (!WriteValueBytes(*m, a->writeHook, std::move(bytes), offset)) {
        MemoError(IoCode(), ShownFileName(m->fileName) + " [" + tag + "]");
        return 0;
    }
    if (FileCalls.fsync(m->fd) != 0) {
        MemoError(IoCode(), ShownFileName(m->fileName) + " [" + tag + "]");
        return 0;
    }
    AddReleasedBlocks(released);
    if (ErrorState.lastErrorCode != 0) return 0;
    UpdateMemoHeader();
    if (ErrorState.lastErrorCode != 0) return 0;
    return static_cast<int32_t>(block);
}

}  // namespace

bool GetMemo(int32_t block, uint8_t maxLines) {
    MemoLineTable.clear();
    SetMemoFillCount(0);
    if (CheckMemoField("GetMemo")) return false;
    if (block == 0) return true;
    std::string data;
    if (!ReadMemoValue(block, data, "GetMemo")) return false;
    const TWorkArea* a = CurrentWorkArea();
    const std::size_t readSize = a->readHook ? 512 : CurrentMemo()->blockSize;
    SetMemoFillCount(static_cast<uint32_t>(data.size() / readSize + 1));
    std::size_t at = 0;
    std::string line;
    for (;;) {
        // Lines are cut in the stored bytes (0x8D is the soft line end
        // there), then converted.
        const LineEnd end = ReadMemoLine(data, at, line);
        if (end == kValueEnd) break;
        if (maxLines != 0 && MemoLineTable.size() >= maxLines) break;
        if (MemoLineTable.size() >= MemoLineCapacity) continue;  // read and dropped
        FromTableText(*a, line);
        MemoLineTable.push_back({line, static_cast<uint8_t>(end == kHard   ? 13
                                                            : end == kSoft ? 141
                                                                           : 0)});
    }
    return true;
}

int32_t AddMemo(const std::string& textIn) {
    if (CheckMemoField("AddMemo")) return 0;
    const std::string text = TrimTrailingControls(textIn);
    if (text.empty()) return 0;
    return StoreValue(text, false, 0, "AddMemo()", "AddMemo");
}

int32_t CloseMemo(int32_t oldBlock) {
    if (CheckMemoField("EditMemo/CloseMemo")) return 0;
    MemoState* m = CurrentMemo();
    std::string text;
    for (const MemoLine& line : MemoLineTable) {
        text += line.text;
        text += "\r\n";
    }
    MemoLineTable.clear();
    if (text.empty()) {
        UpdateMemoHeader();
        return 0;
    }
    std::string dir, name, ext;
    SplitFileName(m->fileName, dir, name, ext);
    const double freeKb = DiskFreeKB(dir.empty() ? "." : dir);
    if (freeKb >= 0 && freeKb <= static_cast<double>(text.size() / 1024)) {
        MemoError(1004, ShownFileName(m->fileName) + " [EditMemo/CloseMemo]");
        return 0;
    }
    return StoreValue(text, true, oldBlock, "EditMemo/CloseMemo", "EditMemo/CloseMemo");
}

std::vector<std::string> ReadMemoLines(int32_t block) {
    std::vector<std::string> out;
    if (!GetMemo(block, 0)) return out;
    std::string joined;
    bool open = false;
    for (const MemoLine& line : MemoLineTable) {
        const bool hard = line.end == 13;
        joined += hard ? line.text.substr(0, kLineWidth) : line.text;
        open = true;
        if (hard) {
            out.push_back(joined);
            joined.clear();
            open = false;
        }
    }
    if (open) out.push_back(joined);
    MemoLineTable.clear();
    return out;
}

int32_t WriteMemoLines(int32_t oldBlock, const std::vector<std::string>& lines) {
    MemoLineTable.clear();
    for (const std::string& l : lines) MemoLineTable.push_back({l, 13});
    return CloseMemo(oldBlock);
}

}  // namespace veldrim
