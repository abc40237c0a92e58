#pragma once
// An in-memory field source for expression tests: areas with an alias, a
// field table and one current record held as stored texts.

#include <map>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/expr/expr_compiler.h"
#include "tables/expr/expr_fields.h"
#include "tables/expr/expr_keys.h"

namespace veldrim::testing_expr {

// `value` is the stored text (empty: blank value); `memos` holds memo texts by field number.
struct FakeField {
    std::string name;
    char type;
    int length;
    int decimals;
    std::string value;
};
struct FakeArea {
    std::string alias;
    std::vector<FakeField> fields;
    int32_t recNo = 1;
    bool deleted = false;
    std::map<int, std::string> memos;
};

class FakeFields : public ExprFieldSource {
public:
    std::map<int, FakeArea> areas;
    int current = 1;

    void Set(const std::string& name, const std::string& value, int area = 1) {
        for (FakeField& f : areas[area].fields)
            if (f.name == name) f.value = value;
    }

    int CurrentAreaNumber() override { return current; }
    int FindAlias(std::string_view alias) override {
        for (auto& [n, a] : areas)
            if (a.alias.substr(0, 10) == std::string(alias.substr(0, 10))) return n;
        return 0;
    }
    FakeArea* Area(int area) {
        auto it = areas.find(area);
        return it == areas.end() ? nullptr : &it->second;
    }
    int FindField(int area, std::string_view name, ExprFieldInfo& info) override {
        FakeArea* a = Area(area);
        for (std::size_t i = 0; a && i < a->fields.size(); ++i) {
            const FakeField& f = a->fields[i];
            if (f.name != name) continue;
            info = ExprFieldInfo{f.type, f.length, f.decimals};
            return static_cast<int>(i) + 1;
        }
        return 0;
    }
    std::string_view FieldText(int area, int field) override {
        FakeArea* a = Area(area);
        if (!a || field < 1 || field > static_cast<int>(a->fields.size())) return {};
        return a->fields[static_cast<std::size_t>(field - 1)].value;
    }
    std::string MemoText(int area, int field) override {
        FakeArea* a = Area(area);
        return a && a->memos.count(field) ? a->memos[field] : std::string();
    }
    int32_t RecordNumber(int area) override { return Area(area) ? Area(area)->recNo : 0; }
    bool RecordDeleted(int area) override { return Area(area) && Area(area)->deleted; }
};

// Installs a fake source and clean engine state for the test's lifetime.
class ExprFixtureState {
public:
    ExprFixtureState() {
        ResetAllProgramState();
        SetReportErrors(false);
        SetExprFieldSource(&fields);
        DateFormat = 0;
        SetCentury = false;
    }
    ~ExprFixtureState() { ResetAllProgramState(); }
    FakeFields fields;
};

}  // namespace veldrim::testing_expr
