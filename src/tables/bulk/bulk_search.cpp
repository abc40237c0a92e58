// SEARCH: a raw text search through the stored records of the current table.
#include "tables/bulk/bulk_verbs.h"

#include "tables/bulk/bulk_io.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

using namespace bulk;

void Search(const std::string& valueIn, uint8_t& fieldNo, bool fromTop) {
    ErrorState.lastErrorCode = 0;
    if (NoDbfOpen("Search")) return;
    TWorkArea* a = CurrentWorkArea();
    if (a->isVirtual) {
        SetError(1100, "Search-Befehl bei virtuellen Dateien nicht erlaubt. [Search]");
        return;
    }
    const std::string value = UpperWin1252(TrimRightStr(valueIn));
    if (value.empty()) return;
    FlushRecordBlocks(*a);
    const int wanted = fieldNo > a->fieldCount ? 0 : fieldNo;
    fieldNo = 0;
    RefreshRecCount();
    const int32_t startRec = a->recordNumber;
    const int32_t first = fromTop ? 1 : std::max(1, a->recordNumber + 1);
    const std::size_t recLen = a->recordLength;
    const std::size_t perBlock = std::max<std::size_t>(1, kBlock / recLen);
    std::vector<uint8_t> block(perBlock * recLen);
    for (int32_t rec = first; rec <= a->recordCount;) {
        const int32_t n =
            static_cast<int32_t>(std::min<int64_t>(perBlock, a->recordCount - rec + 1));
        std::size_t got = 0;
        const off_t off =
            a->headerLength + static_cast<off_t>(rec - 1) * static_cast<off_t>(recLen);
        if (!ReadAt(a->fd, block.data(), n * recLen, off, got) || got < recLen) break;
        const int32_t have = static_cast<int32_t>(got / recLen);
        TranslateRecords(false, a->oemText, a->readHook, have * recLen, a->recordLength,
                         block.data());
        for (int32_t k = 0; k < have; ++k) {
            const std::string up = UpperWin1252(
                std::string(reinterpret_cast<char*>(block.data()) + k * recLen, recLen));
            for (std::size_t pos = up.find(value, 1); pos != std::string::npos;
                 pos = up.find(value, pos + 1)) {
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
                if (!hit ||
                    pos + value.size() > static_cast<std::size_t>(hit->offset) + hit->length)
                    continue;
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
    if (startRec >= 1 && startRec <= a->recordCount)
        GO(startRec);
    else if (a->recordCount > 0) {
        a->recordNumber = a->recordCount + 1;
        a->eof = true;
        ClearRecord();
    }
}

}  // namespace veldrim
