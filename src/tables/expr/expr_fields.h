#pragma once
// How the expression unit sees table fields: resolving a name (with or
// without an alias) to an area and a field number at compile time, and
// reading the field's value from the area's current record at evaluation
// time.
//
// The program's source is the engine's work areas (WorkAreaFieldSource).
// Tests and benchmarks may install their own source with SetExprFieldSource;
// ResetExprFieldSource goes back to the work areas.

#include <cstdint>
#include <string>
#include <string_view>

namespace veldrim {

struct ExprFieldInfo {
    char type = 'C';  // C D F L M N
    int length = 0;   // bytes of the stored text
    int decimals = 0;
};

class ExprFieldSource {
public:
    virtual ~ExprFieldSource() = default;
    // The current work area's number (0 when none is selected).
    virtual int CurrentAreaNumber() = 0;
    // The area (1..32) whose alias agrees with `alias` on its first 10
    // characters; 0 when none (or the area is empty).
    virtual int FindAlias(std::string_view alias) = 0;
    // The field number (1-based) of `name` in `area`, 0 when there is none.
    virtual int FindField(int area, std::string_view name, ExprFieldInfo& info) = 0;
    // The field's stored text in the area's current record (C: the bytes,
    // N/F: the number text, L: one character, D: YYYYMMDD, M: the block
    // number). An empty view means the blank value (empty table, closed area).
    // The view is valid until the next call.
    virtual std::string_view FieldText(int area, int field) = 0;
    // A memo field's text, lines joined without separators.
    virtual std::string MemoText(int area, int field) = 0;
    virtual int32_t RecordNumber(int area) = 0;
    virtual bool RecordDeleted(int area) = 0;
};

// The work areas of the engine as a field source.
class WorkAreaFieldSource : public ExprFieldSource {
public:
    int CurrentAreaNumber() override;
    int FindAlias(std::string_view alias) override;
    int FindField(int area, std::string_view name, ExprFieldInfo& info) override;
    std::string_view FieldText(int area, int field) override;
    std::string MemoText(int area, int field) override;
    int32_t RecordNumber(int area) override;
    bool RecordDeleted(int area) override;

private:
    std::string scratch_;  // converted values of in-memory tables
};

// The source in use (never null).
ExprFieldSource& ExprFields();
// Installs a source (not owned); nullptr goes back to the work areas.
void SetExprFieldSource(ExprFieldSource* source);
void ResetExprFieldSource();

}  // namespace veldrim
