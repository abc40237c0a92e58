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
    bool found = false;
    ScanRecordBlocks(*a, first, [&](int32_t rec, uint8_t* block, int32_t have) {
        TranslateRecords(false, a->oemText, a->readHook, have * recLen, a->recordLength, block);
        for (int32_t k = 0; k < have; ++k) {
            const std::string up =
                UpperWin1252(std::string(reinterpret_cast<char*>(block) + k * recLen, recLen));
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
                found = true;
                return true;
            }
        }
        return false;
    });
    if (found) return;
    if (startRec >= 1 && startRec <= a->recordCount)
        GO(startRec);
    else if (a->recordCount > 0) {
        a->recordNumber = a->recordCount + 1;
        a->eof = true;
        ClearRecord();
    }
}

}  // namespace veldrim
