#pragma once
// An in-memory field source for expression tests: areas with an alias, a
// field table and one current record held as stored texts.

#include <map>
#include <string>
#include <vector>

#include "tables/engine_base.h"
#include "tables/engine_dates.h"
#include "tables/expr_compiler.h"
#include "tables/expr_fields.h"
#include "tables/expr_keys.h"

namespace veldrim::testing_expr {

// `value` is the stored text (empty: blank value); `memos` holds memo texts by field number.
struct FakeField { std::string name; char type; int length; int decimals; std::string value; };
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
    int FindField(int area, std::string_view name, ExprFieldInfo& info) override {
        auto it = areas.find(area);
        if (it == areas.end()) return 0;
        for (std::size_t i = 0; i < it->second.fields.size(); ++i) {
            const FakeField& f = it->second.fields[i];
            if (f.name == name) {
                info = ExprFieldInfo{f.type, f.length, f.decimals};
                return static_cast<int>(i) + 1;
            }
        }
        return 0;
    }
    std::string_view FieldText(int area, int field) override {
        auto it = areas.find(area);
        if (it == areas.end() || field < 1 || field > static_cast<int>(it->second.fields.size())) return {};
        return it->second.fields[static_cast<std::size_t>(field - 1)].value;
    }
    std::string MemoText(int area, int field) override {
        auto it = areas.find(area);
        if (it == areas.end()) return {};
        auto m = it->second.memos.find(field);
        return m == it->second.memos.end() ? std::string() : m->second;
    }
    int32_t RecordNumber(int area) override { return areas.count(area) ? areas[area].recNo : 0; }
    bool RecordDeleted(int area) override { return areas.count(area) && areas[area].deleted; }
};

// Installs a fake source and clean engine state for the test's lifetime.
class ExprFixtureState {
public:
    ExprFixtureState() {
        ResetEngineBase();
        ResetEngineDates();
        ResetExpressionParser();
        SetReportErrors(false);
        SetExprFieldSource(&fields);
        DateFormat = 0;
        SetCentury = false;
    }
    ~ExprFixtureState() {
        ResetExpressionParser();
        ResetExprFieldSource();
        ResetEngineDates();
        ResetEngineBase();
    }
    FakeFields fields;
};

}  // namespace veldrim::testing_expr
