#pragma once
// The record-buffer dataset: a table seen as a cursor with one active record,
// field objects, states and record-number bookmarks, the way forms, grids and
// code that speak of Edit, Post and Cancel expect a table to behave.
//
// The class is our own small dataset abstraction, free of any window
// toolkit; a grid model can sit on top of it. It keeps exactly one record
// buffer (the active record) and works through the Tzi record interface,
// a small set of abstract record operations that TTzDataSet implements on
// one engine work area:
//
//   code  meaning
//   0     success
//   1401  open failed without an engine error code
//   1402  before the first record
//   1403  after the last record
//   1404  no file name
//   1405  the record or append lock was refused (the change was not made)
//   other an engine error code
//
// States: dsInactive (closed), dsBrowse, dsEdit (a record being changed),
// dsInsert (a new record being filled); Post writes, Cancel drops the change.
// A bookmark is the record number of a record (0 = none): it stays valid
// under any filter and any index order, as long as the record exists.
//
// Failures of the record operations become EDatabaseError exceptions
// ("Dataset error: ..."); the ends of the table are no failures but set Bof
// and Eof.
//
// Calculated and lookup fields are declared before the dataset opens. Their
// values live behind the table record in each record buffer, one has-value
// byte and the value per field, and are computed whenever a record is
// fetched: lookup fields first, then the OnCalcFields handler, both in the
// calculated-fields state, in which only calculated fields may be written.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tables/bulk/bulk_verbs.h"

namespace veldrim {

enum class TDataSetState : uint8_t {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields
};
enum class TFieldType : uint8_t {
    ftString,
    ftDate,
    ftFloat,
    ftInteger,
    ftLargeint,
    ftBoolean,
    ftMemo
};
enum class TFieldKind : uint8_t { fkData, fkCalculated, fkLookup };
// A bookmark: the record number of the record (0: none).
using TBookmark = int32_t;

// Codes of the Tzi record interface.
inline constexpr int kTziOk = 0;
inline constexpr int kTziOpenFailed = 1401;
inline constexpr int kTziBeforeFirst = 1402;
inline constexpr int kTziAfterLast = 1403;
inline constexpr int kTziNoFileName = 1404;
inline constexpr int kTziLockRefused = 1405;

// The dataset's own failures.
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string& msg) : std::runtime_error(msg) {}
};

struct TLocateOptions {
    bool caseInsensitive = false;  // loCaseInsensitive
    bool partialKey = false;       // loPartialKey
};

class TTzPrimDataset;

// A field definition: the field as the dataset holds it in its record buffer.
struct TFieldDef {
    std::string name;
    TFieldType type = TFieldType::ftString;
    int size = 0;      // the dbf length for C, N and F; 0 for the others
    int fieldNo = 0;   // 1-based number of the table field
    int offset = 0;    // first byte in the record buffer
    int dataSize = 0;  // bytes in the record buffer
    int decimals = 0;  // decimals of N and F fields
    TFieldKind kind = TFieldKind::fkData;
    // Lookup fields: the value of lookupResultField of the lookup dataset's
    // record whose lookupKeyFields equal this record's keyFields.
    std::string keyFields, lookupKeyFields, lookupResultField;
    TTzPrimDataset* lookupDataSet = nullptr;
};

// One field of the active record. The value is read from and written to the
// dataset's record buffer; writing is allowed only in the edit and insert
// states.
// The number a text typed into a number field stands for, read as the
// field's SetAsString reads it where the dataset takes values only (a
// dataset that takes digits reads them with TypedDigitsForField).
double NumberOfFieldText(const std::string& text);

class TField {
public:
    TField(TTzPrimDataset& owner, const TFieldDef& def);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return def_.name; }
    TFieldType DataType() const { return def_.type; }
    int Size() const { return def_.size; }
    int FieldNo() const { return def_.fieldNo; }
    // Calculated and lookup fields have no table field (number below 1).
    bool Calculated() const { return def_.kind != TFieldKind::fkData; }
    int DataSize() const { return def_.dataSize; }
    const TFieldDef& Def() const { return def_; }
    TTzPrimDataset& DataSet() const { return owner_; }

    bool ReadOnly = false;
    std::function<void(TField&)> OnChange;

    bool IsNull() const;
    virtual std::string AsString() const;
    virtual void SetAsString(const std::string& s);
    double AsFloat() const;
    void SetAsFloat(double v);
    int64_t AsInteger() const;
    void SetAsInteger(int64_t v);
    bool AsBoolean() const;
    void SetAsBoolean(bool v);
    // Dates: whole days of the date scale (day 0 = 30 December 1899).
    double AsDateTime() const;
    void SetAsDateTime(double days);
    void Clear();

    // Accepted sizes of a field class (the dbf length).
    virtual bool SizeAccepted(int size) const;

protected:
    // The field's bytes (DataSize) into dest; false when the field is blank.
    bool GetData(void* dest) const;
    // The field's bytes from src; nullptr clears the field.
    void SetData(const void* src);

private:
    TTzPrimDataset& owner_;
    TFieldDef def_;
};

// N and F fields without decimals: 32-bit, or 64-bit from length 10.
class TTzIntegerField : public TField {
public:
    using TField::TField;
    bool SizeAccepted(int size) const override { return size >= 0 && size <= 20; }
};
// N and F fields with decimals.
class TTzFloatField : public TField {
public:
    using TField::TField;
    bool SizeAccepted(int size) const override { return size >= 0 && size <= 20; }
};
// D fields: shown and entered as the engine's date text.
class TTzDateField : public TField {
public:
    using TField::TField;
    std::string AsString() const override;
    void SetAsString(const std::string& s) override;
};

// `TTzPrimDataset`: the table engine's (Tz) primitive dataset, the base of the dataset chain.
class TTzPrimDataset {
public:
    explicit TTzPrimDataset(std::string name);
    virtual ~TTzPrimDataset();
    TTzPrimDataset(const TTzPrimDataset&) = delete;
    TTzPrimDataset& operator=(const TTzPrimDataset&) = delete;

    const std::string& Name() const { return name_; }

    // Opening and closing.
    void Open();
    void Close();
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool on);
    TDataSetState State() const { return state_; }

    // Moving.
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves up to n records (negative: backwards); the count moved.
    int MoveBy(int n);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty();
    void Refresh();

    // Changing.
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    void Cancel();
    void Delete();
    bool Modified() const { return modified_; }

    // Record numbers and bookmarks.
    int32_t RecordCount();
    int32_t RecNo();
    void SetRecNo(int32_t n);
    TBookmark GetBookmark() const;
    void GotoBookmark(TBookmark b);
    bool BookmarkValid(TBookmark b);
    int CompareBookmarks(TBookmark a, TBookmark b);

    // The first, next, prior or last record that the dataset shows (a
    // filter applies); the dataset moves only when one is found.
    bool FindFirst() { return FindRecord(true, true); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    bool FindLast() { return FindRecord(true, false); }
    // The result of the last find.
    bool Found() const { return found_; }
    // Whether record numbers give the rows' order (no filter hides records).
    virtual bool IsSequenced() { return !IsFiltered(); }

    // Searching. Fields are separated by ';'.
    virtual bool Locate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                        TLocateOptions options);
    // The result fields' values of the first record matching the keys, as
    // texts; empty (no value) when none matches. The cursor stays.
    std::vector<std::string> Lookup(const std::string& keyFields,
                                    const std::vector<LocateVariant>& values,
                                    const std::string& resultFields, bool* found);

    // Calculated and lookup fields, declared while the dataset is closed.
    // Sizes as for data fields (text: its length). A lookup field whose
    // lookups lead back to its own dataset is refused (EDatabaseError).
    void AddCalcField(const std::string& name, TFieldType type, int size = 0);
    void AddLookupField(const std::string& name, TFieldType type, int size,
                        const std::string& keyFields, TTzPrimDataset& lookupDataSet,
                        const std::string& lookupKeyFields, const std::string& lookupResultField);
    void RemoveCalcFields();
    // Bytes of the calculated part of a record buffer.
    int CalcFieldsSize() const { return calcSize_; }

    // Fields.
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Fields(int i) { return *fields_.at(static_cast<std::size_t>(i)); }
    TField* FindField(const std::string& name);
    // The number field f of the active record is stored as a field of "*".
    bool FieldOverWide(const TField& f);
    // The number field f of the active record as its digits (or the stars
    // of a number too wide for it); false when the dataset holds its value
    // only.
    bool FieldNumberText(const TField& f, std::string& text);
    // Gives the number field f the number in text, typed or written as
    // digits; false when the dataset takes values only.
    bool SetFieldNumberText(TField& f, const std::string& text);
    // The field object of table field n (1-based); nullptr when the table
    // field has none (a field without a name).
    TField* FieldByNumber(int fieldNo);
    TField& FieldByName(const std::string& name);

    // Dataset events.
    std::function<void(TTzPrimDataset&)> BeforeScroll, AfterScroll, OnNewRecord, AfterCancel,
        BeforeDelete, AfterDelete, AfterPost;
    // Computes the calculated fields of a fetched record.
    std::function<void(TTzPrimDataset&)> OnCalcFields;

    // Field data of the active record (used by the field objects).
    bool GetFieldData(const TField& f, void* dest);
    void SetFieldData(TField& f, const void* src);

    // The spare copy of the active buffer (kept around record moves).
    void SaveActiveToSpare();
    void RestoreActiveFromSpare();

    // Runs fn with record recNo as the active record, without moving the
    // dataset: no scroll events, and the active record and the cursor are
    // put back afterwards. While a record is edited or inserted, fn sees
    // record recNo as stored, and the edit (its buffer, its modified mark and
    // the engine's copy of it) is as before afterwards. When the record
    // cannot be read, or it is the active record, fn sees the active record
    // as it is.
    void WithActiveRecord(int32_t recNo, const std::function<void()>& fn);

    // The number of the active record (0 when there is none).
    int32_t ActiveRecordNumber() const { return activeRecNo_; }
    const std::vector<uint8_t>& ActiveBuffer() const { return active_; }

protected:
    // --- the Tzi record interface (slot order)
    virtual int TziSetToBegin() = 0;
    virtual int TziSetToEnd() = 0;
    virtual int TziOpen() = 0;
    virtual void TziClose() = 0;
    virtual int32_t TziGetRecordCount() = 0;
    virtual int TziForceReread() = 0;
    virtual int TziAppendRecord(const uint8_t* buffer) = 0;
    virtual int TziInsertRecord(const uint8_t* buffer) = 0;
    virtual int TziDeleteCurrent() = 0;
    virtual int TziInitRecord() = 0;
    virtual int TziModifyRecord(const uint8_t* buffer) = 0;
    virtual int TziRecordSize() = 0;
    virtual int TziPositioningKind() { return 2; }
    virtual int TziGetRecord(uint8_t* buffer, int32_t& recNo) = 0;
    virtual int TziGetNextRecord(uint8_t* buffer, int32_t& recNo) = 0;
    virtual int TziGetPriorRecord(uint8_t* buffer, int32_t& recNo) = 0;
    virtual bool TziGetField(const TField& f, const uint8_t* buffer, void* dest) = 0;
    virtual int TziPutField(const TField& f, uint8_t* buffer, const void* src) = 0;
    // True when the number field f of the record in buffer is stored as a
    // field of "*" and was given no value since (it reads as 0).
    virtual bool TziFieldOverWide(const TField& /*f*/, const uint8_t* /*buffer*/) { return false; }
    // Number fields as digits: whether the interface takes a number as its
    // text, stores one (the digits rounded to the field's places; a number
    // too wide for the field as "*"), and gives the text a field shows.
    virtual bool TziTakesNumberText() const { return false; }
    virtual int TziPutNumberText(const TField& /*f*/, uint8_t* /*buffer*/,
                                 const std::string& /*text*/) {
        return kTziOk;
    }
    virtual bool TziNumberText(const TField& /*f*/, const uint8_t* /*buffer*/,
                               std::string& /*text*/) {
        return false;
    }
    virtual int TziGoToRecord(int32_t n) = 0;
    virtual int TziLocate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                          TLocateOptions options) = 0;
    virtual int TziBookmarkSize() { return 4; }
    virtual int TziSetToBookmark(TBookmark b) = 0;
    virtual TBookmark TziGetBookmark() = 0;

    // --- overridable steps
    virtual void InternalInitFieldDefs() = 0;
    virtual std::unique_ptr<TField> CreateField(const TFieldDef& def);
    virtual std::string ErrorTextOf(int code);
    virtual bool IsEmptyQuery();
    virtual void InternalCancel();
    virtual void InternalEdit();
    // Before another record is read while a record is edited or inserted:
    // keeps what the engine holds of the edit and returns the step that puts
    // it back. The default puts the cursor back where it stood.
    virtual std::function<void()> KeepEngineEdit();
    virtual bool IsFiltered() const { return false; }
    // Runs after the dataset has opened and stands on its first record.
    virtual void AfterOpenStep() {}

    // The after-scroll and after-cancel steps (the handlers by default).
    virtual void DoAfterScroll() {
        if (AfterScroll) AfterScroll(*this);
    }
    virtual void DoAfterCancel() {
        if (AfterCancel) AfterCancel(*this);
    }
    // The calculated part of a buffer zeroed, and computed.
    void ClearCalcFields(uint8_t* buffer);
    void CalculateFields(uint8_t* buffer, int32_t recNo);

    // Turns a Tzi code into an exception (0 passes).
    void Check(int code);
    // Brings the active buffer up to the cursor's current record.
    void Resync();
    // The cursor of the Tzi interface onto the active record.
    void UpdateCursorPosition();
    // Leaves the edit or insert state by posting (used before moves).
    void CheckBrowseMode();
    void CheckActive() const;
    // Empties the active buffer and sets both ends.
    void ClearBuffers();
    void SetStateBrowse() { state_ = TDataSetState::dsBrowse; }
    std::vector<uint8_t>& Buffer() { return active_; }
    // The record number the dataset returns to when an insert is cancelled.
    int32_t insertReturn_ = 0;

    std::vector<TFieldDef> fieldDefs_;
    int recordSize_ = 0;

private:
    // gmCurrent, gmNext, gmPrior: a record into the active buffer; the code.
    int GetRecord(int mode);
    // Set field data: the value's bytes, or a number's text.
    void StoreField(TField& f, const void* src, const std::string* numberText);
    void DoScroll(const std::function<void()>& move);
    void BindFields();
    bool FindRecord(bool restart, bool forward);
    // The buffer that field values are read from and written to in the
    // present state (nullptr: none).
    uint8_t* StateBuffer();
    std::size_t BufferSize() const { return static_cast<std::size_t>(recordSize_ + calcSize_); }

    std::string name_;
    TDataSetState state_ = TDataSetState::dsInactive;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<uint8_t> active_;  // the active record buffer (data part)
    std::vector<uint8_t> spare_;   // spare copy
    int32_t activeRecNo_ = 0;      // record info: the record number (0: no active record)
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool found_ = false;
    std::vector<TFieldDef> calcDefs_;  // calculated and lookup fields, as declared
    int calcSize_ = 0;
    uint8_t* calcBuffer_ = nullptr;  // the record being calculated
    int32_t calcRecNo_ = 0;          // and its number
    class CalcScope;
    // Whether this dataset's lookup fields lead to `target` (this one
    // included); `path` then holds the datasets from here to it.
    bool LookupPathTo(const TTzPrimDataset* target, std::vector<const TTzPrimDataset*>& path) const;
};

}  // namespace veldrim
