// Field access of the expression unit over the engine's work areas.

#include "tables/expr/expr_fields.h"

#include <algorithm>
#include <cstring>

#include "foundation/text_conv.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/win1252_text.h"
#include "tables/expr/expr_keys.h"
#include "tables/engine/proc_tables.h"
#include "tables/engine/work_areas.h"

namespace veldrim {

namespace {

WorkAreaFieldSource workAreaSource;
ExprFieldSource* currentSource = &workAreaSource;

TWorkArea* AreaAt(int area) {
    if (area < 1 || area > kMaxWorkAreas) return nullptr;
    return WorkAreas[area];
}

const TFieldEntry* FieldAt(TWorkArea* wa, int field) {
    if (!wa || field < 1 || field > static_cast<int>(wa->fields.size())) return nullptr;
    return &wa->fields[static_cast<std::size_t>(field - 1)];
}

std::string UpperTrimmed(std::string_view s, std::size_t maxLen) {
    std::string out(s.substr(0, std::min(maxLen, s.size())));
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return UpperAscii(out);
}

// Start of field `field` in a binary record (in-memory tables).
const uint8_t* BinaryFieldStart(const TWorkArea& wa, int field) {
    if (!wa.binaryRecord) return nullptr;
    std::size_t off = 1;
    for (int i = 1; i < field; ++i)
        off += static_cast<std::size_t>(BinaryFieldSize(wa.fields[i - 1]));
    const TFieldEntry& f = wa.fields[static_cast<std::size_t>(field - 1)];
    if (off + static_cast<std::size_t>(BinaryFieldSize(f)) > wa.binaryRecordSize) return nullptr;
    return wa.binaryRecord + off;
}

}  // namespace

int WorkAreaFieldSource::CurrentAreaNumber() { return CurrentArea; }

int WorkAreaFieldSource::FindAlias(std::string_view alias) {
    std::string want = UpperTrimmed(alias, 10);
    for (int a = 1; a <= 32; ++a) {
        TWorkArea* wa = WorkAreas[a];
        if (wa && UpperTrimmed(wa->alias, 10) == want) return a;
    }
    return 0;
}

int WorkAreaFieldSource::FindField(int area, std::string_view name, ExprFieldInfo& info) {
    TWorkArea* wa = AreaAt(area);
    if (!wa) return 0;
    std::string want = UpperTrimmed(name, 10);
    for (std::size_t i = 0; i < wa->fields.size(); ++i) {
        if (UpperTrimmed(wa->fields[i].name, 10) != want) continue;
        info.type = wa->fields[i].type;
        info.length = wa->fields[i].length;
        info.decimals = wa->fields[i].decimals;
        return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string_view WorkAreaFieldSource::FieldText(int area, int field) {
    TWorkArea* wa = AreaAt(area);
    const TFieldEntry* f = FieldAt(wa, field);
    if (!f) return {};
    if (wa->isVirtual) {
        // In-memory tables hold binary values; they are given to the
        // evaluator in the stored-text form of a table record.
        const uint8_t* p = BinaryFieldStart(*wa, field);
        if (!p) return {};
        scratch_.clear();
        switch (f->type) {
            case 'C': {
                const char* s = reinterpret_cast<const char*>(p + 1);
                std::size_t n = std::min<std::size_t>(p[0], f->length);
                scratch_.assign(s, strnlen(s, n));
                break;
            }
            case 'D': {
                std::string text(reinterpret_cast<const char*>(p + 1),
                                 std::min<std::size_t>(p[0], 10));
                scratch_ = DateTextToDtos(text);
                break;
            }
            case 'N':
            case 'F': {
                double v = 0;
                if (f->decimals > 0 || IsWideInteger(*f)) {
                    if (f->decimals > 0) {
                        std::memcpy(&v, p, sizeof v);
                    } else {
                        int64_t i = 0;
                        std::memcpy(&i, p, sizeof i);
                        v = static_cast<double>(i);
                    }
                } else {
                    int32_t i = 0;
                    std::memcpy(&i, p, sizeof i);
                    v = i;
                }
                scratch_ = FixedText(v, f->decimals);
                break;
            }
            case 'L': scratch_ = *p ? "T" : "F"; break;
            case 'M': {
                int32_t ref = 0;
                std::memcpy(&ref, p, sizeof ref);
                scratch_ = ZeroPadInt(ref, 1);
                break;
            }
            default: break;
        }
        return scratch_;
    }
    if (wa->recordCount < 1) return {};
    std::size_t end = static_cast<std::size_t>(f->offset) + f->length;
    if (end > wa->recordBuffer.size()) return {};
    return std::string_view(reinterpret_cast<const char*>(wa->recordBuffer.data()) + f->offset,
                            f->length);
}

std::string WorkAreaFieldSource::MemoText(int area, int field) {
    if (!MemoProcTable.assignMemo) return {};
    std::string_view ref = FieldText(area, field);
    double block = 0;
    if (!ParseNumberText(std::string(ref), block) || block <= 0) return {};
    // The memo unit works on the current area: switch to the field's area
    // for the read and keep any failure of it out of the evaluation.
    uint8_t saved = CurrentArea;
    std::string text;
    try {
        QuietEngineErrors quiet;
        CurrentArea = static_cast<uint8_t>(area);
        for (const std::string& line : MemoProcTable.assignMemo(static_cast<int32_t>(block))) {
            text += line;
            if (text.size() >= 255) break;
        }
    } catch (...) {
        text.clear();
    }
    CurrentArea = saved;
    if (text.size() > 255) text.resize(255);
    return text;
}

int32_t WorkAreaFieldSource::RecordNumber(int area) {
    TWorkArea* wa = AreaAt(area);
    return wa ? wa->recordNumber : 0;
}

bool WorkAreaFieldSource::RecordDeleted(int area) {
    TWorkArea* wa = AreaAt(area);
    if (!wa) return false;
    if (wa->isVirtual) return wa->binaryRecord && wa->binaryRecord[0] != 0;
    return !wa->recordBuffer.empty() && wa->recordBuffer[0] == '*';
}

ExprFieldSource& ExprFields() { return *currentSource; }

void SetExprFieldSource(ExprFieldSource* source) {
    currentSource = source ? source : &workAreaSource;
}

void ResetExprFieldSource() { currentSource = &workAreaSource; }

}  // namespace veldrim
