// Fuzz target of the expression compiler: any text compiles or fails with a
// message; what compiles evaluates without a crash and yields a bounded
// result.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/expr/expr_compiler.h"
#include "tables/expr/expr_fields.h"

namespace {

using namespace veldrim;

// Two areas with one field of every type.
class FuzzFields : public ExprFieldSource {
public:
    struct F {
        const char* name;
        char type;
        int length;
        int decimals;
        const char* value;
    };
    static constexpr F kFields[] = {
        {"NAME", 'C', 10, 0, "Smith     "}, {"QTY", 'N', 8, 2, "   12.50"},
        {"BORN", 'D', 8, 0, "19991231"},    {"FLAG", 'L', 1, 0, "T"},
        {"NOTE", 'M', 10, 0, "         1"}, {"RATE", 'F', 6, 3, " 0.250"},
        {"DATE", 'C', 4, 0, "abcd"},
    };
    int CurrentAreaNumber() override { return 1; }
    int FindAlias(std::string_view alias) override {
        return alias == "A" ? 1 : alias == "B" ? 2 : 0;
    }
    int FindField(int, std::string_view name, ExprFieldInfo& info) override {
        for (std::size_t i = 0; i < sizeof kFields / sizeof kFields[0]; ++i) {
            if (name == kFields[i].name) {
                info = ExprFieldInfo{kFields[i].type, kFields[i].length, kFields[i].decimals};
                return static_cast<int>(i) + 1;
            }
        }
        return 0;
    }
    std::string_view FieldText(int area, int field) override {
        if (area == 2) return {};  // an empty table
        return kFields[field - 1].value;
    }
    std::string MemoText(int, int) override { return "memo text"; }
    int32_t RecordNumber(int) override { return 3; }
    bool RecordDeleted(int) override { return false; }
};

FuzzFields fields;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static bool started = [] {
        ResetEngineBase();
        SetExprFieldSource(&fields);
        return true;
    }();
    (void)started;
    SetReportErrors(false);
    std::string text(reinterpret_cast<const char*>(data), size);
    CompiledExpr* e = AssignExpr(text);
    if (e) {
        const void* r = Evaluate(e);
        if ((e->resultType == 'C' || e->resultType == 'M') &&
            (!r || ExprResultText(e).size() > 255))
            std::abort();
        Evaluate(e);  // a second evaluation reuses the stack and pool
        FreeExpr(e);
    }
    if (LiveExprCount() != 0) std::abort();
    return 0;
}
