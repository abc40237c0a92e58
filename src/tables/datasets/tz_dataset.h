#pragma once
// The work-area dataset: a record-buffer dataset bound to one engine work
// area. It selects its area before every engine call, implements the Tzi
// record interface with the engine's verbs, converts between the engine's
// binary record and its own record buffer, and builds its fields from the
// table's field descriptors. Opening and the four locked write operations
// are left to the file and virtual-file datasets.
//
// Record buffer of the dataset (the dataset form of a table record):
//
//   byte 0   deletion mark as the engine holds it (0 live, other deleted)
//   then per field, in descriptor order:
//   dbf type                     bytes       form                    field class
//   C                            length + 1  length byte + text      string
//   D                            8           double, days (0 blank)  TTzDateField
//   N, F with decimals           8           double                  TTzFloatField
//   N, F without, length <= 9    4           int32                   TTzIntegerField
//   N, F without, length >= 10   8           int64                   TTzIntegerField
//   L                            2           logical byte + spare    boolean
//   M                            4           memo reference          memo (integer when memo-less)
//
// A number field's value is followed by a mark and room for its digits:
// the mark is 0 while the value is the field's, 1 while the field is stored
// as "*" and was given no value, 2 while the digits are the field's (as
// stored, or as typed; none for a blank field); then a length byte and the
// digits, as many as the table's field has characters. A number of 19 or 20
// digits, beyond a double or a 64-bit integer, is shown and written as its
// digits.
//
// Integer widths follow the engine's binary record (BinaryFieldSize), so a
// ten-digit number never wraps at 32 bits.
//
// The date scale counts days from 30 December 1899 (day 0); a blank date is 0.
//
// The unit start binds the engine's date format to the program's short date
// format (StartDatasetUnit): a format with "YYYY" turns the century on; one
// that starts with the day selects 3 ("-"), 5 (".") or 2 by its separator,
// one that starts with the year 1, any other 0.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/datasets/prim_dataset.h"
#include "tables/engine/work_areas.h"

namespace veldrim {

enum TTzTableLanguage : uint8_t { tlOem = 0, tlAnsi = 1 };

// One table field as the dataset uses it (after the field-definition check).
struct TDTField {
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
    int offset = 0;        // first byte within the engine's raw record
    int storedLength = 0;  // the length the table's descriptor gives
};

// The field properties of an open table.
struct TDbfFieldProps {
    std::vector<TDTField> items;
    int Count() const { return static_cast<int>(items.size()); }
};

// The field-definition check: B, G, P become M; unknown types C; N and F
// at most 20 long with 0 <= decimals <= min(18, length - 2); C at most 254
// with no decimals. True when the definition was corrected; the message
// "Invalid field definition for ..." is then in *message.
bool CheckFieldDefinition(TFieldEntry& f, const std::string& component, std::string* message);

// The engine's error reports go to a message box (report at once, no
// exception): the mode in which the datasets show their own notices.
bool EngineShowsMessageBoxes();

// The failure raised for a record change whose lock was refused (the
// operation "Insert", "Delete", "Restore" or "Post"): the notice "Sperren
// fehlgeschlagen [Post]", then what the user is to know, in code page 850:
// another program holds the table, and the change was not made (a change
// being posted is kept, to be posted again once the table is free).
std::string LockRefusedMessage(const std::string& operation);

// Day numbers of the date scale and YYYYMMDD texts.
double DaysFromDigits(const std::string& yyyymmdd);
std::string DigitsFromDays(double days);
// The engine's message for a date it cannot write (a year before 1).
inline constexpr const char* kUnstorableDateText = "        Invalid date       ";
// An engine date text as days: strict (0 for any text the engine does not
// take) or lenient (an ISO text YYYY-MM-DD is accepted as well; any other
// raises EDatabaseError " Invalid date ...").
double ReadEngineDate(const std::string& text, bool lenient);
// The days a text given to a date field stands for: 0 (blank) for an empty
// text or the blank-date picture, else as the lenient reader reads it.
double DaysOfTypedDate(const std::string& text);

// The engine's date format and century from a short date format.
void SetEngineDateFormatFromPlatform(const std::string& shortDateFormat);

// `TTzDataSet`: the table engine's (Tz) dataset over one engine work area.
class TTzDataSet : public TTzPrimDataset {
public:
    explicit TTzDataSet(std::string name);
    ~TTzDataSet() override;

    const std::string& DbfFileName() const { return dbfFileName_; }
    // Trimmed; ".DBF" added when the name has no extension. An active
    // dataset reopens on the new file.
    virtual void SetDbfFileName(const std::string& name);
    std::vector<std::string> DbfFields;  // "name,type,length,decimals" lines
    bool ShowProgress = true;
    TTzTableLanguage TableLanguage = tlOem;
    bool HideDeletedRecs() const { return hideDeleted_; }
    void SetHideDeletedRecs(bool on);
    std::function<void(TTzPrimDataset&)> BeforeRestore, AfterRestore;

    // The work area (0: none), selected under an operation name; false (and
    // engine error 1103 "Datenbank ist nicht offen") when it is not open.
    uint8_t WorkArea() const { return area_; }
    bool SelectForOperation(const std::string& operation);
    bool s_IsEmptyDbf();
    bool IsDeleted() const;
    // Deletes (true) or recalls (false) the active record.
    void SetDeleted(bool deleted);
    // After a move of the engine: the buffers follow the engine's record.
    void RefreshAfterMove();
    void FlushActiveRecord();
    // A dBase filter expression of the area ("" none); the cursor moves off
    // a record the filter hides.
    void SetFilterText(const std::string& expression);
    const std::string& FilterText() const { return filter_; }
    const TDbfFieldProps& FieldProps() const { return props_; }
    void Post() override;

    virtual bool MemoLess() const { return false; }
    virtual void AfterChangeHook() {}

protected:
    virtual void CloseHook() {}
    // Whether the dataset needs a file name to open.
    virtual bool NeedsFileName() const { return true; }
    // The descendant's open: a free area and USE. True on success.
    virtual bool OpenTable() = 0;
    virtual bool s_AppendWithLock() = 0;
    virtual bool s_DeleteWithLock() = 0;
    virtual bool s_RestoreWithLock() = 0;
    virtual bool s_ReplaceWithLock() = 0;
    // The check of a descriptor before use (messages in message-box mode).
    TFieldEntry CheckedField(TFieldEntry f) const;
    // Set by a locked operation whose lock was refused (the change was not
    // made), cleared as each starts; the record operation that called it
    // raises the refusal.
    bool lockRefused_ = false;

    int TziSetToBegin() override;
    int TziSetToEnd() override;
    int TziOpen() override;
    void TziClose() override;
    int32_t TziGetRecordCount() override;
    int TziForceReread() override;
    int TziAppendRecord(const uint8_t* buffer) override;
    int TziInsertRecord(const uint8_t* buffer) override;
    int TziDeleteCurrent() override;
    int TziInitRecord() override;
    int TziModifyRecord(const uint8_t* buffer) override;
    int TziRecordSize() override;
    int TziGetRecord(uint8_t* buffer, int32_t& recNo) override;
    int TziGetNextRecord(uint8_t* buffer, int32_t& recNo) override;
    int TziGetPriorRecord(uint8_t* buffer, int32_t& recNo) override;
    bool TziGetField(const TField& f, const uint8_t* buffer, void* dest) override;
    int TziPutField(const TField& f, uint8_t* buffer, const void* src) override;
    bool TziFieldOverWide(const TField& f, const uint8_t* buffer) override;
    bool TziTakesNumberText() const override { return true; }
    int TziPutNumberText(const TField& f, uint8_t* buffer, const std::string& text) override;
    bool TziNumberText(const TField& f, const uint8_t* buffer, std::string& text) override;
    int TziGoToRecord(int32_t n) override;
    int TziLocate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                  TLocateOptions options) override;
    int TziSetToBookmark(TBookmark b) override;
    TBookmark TziGetBookmark() override;
    void InternalInitFieldDefs() override;
    std::string ErrorTextOf(int code) override;
    bool IsEmptyQuery() override;
    bool IsFiltered() const override { return !filter_.empty(); }
    std::function<void()> KeepEngineEdit() override;

    // Runs an engine verb that changes the table, then `follow`, which
    // brings the dataset up to what the verb left. A verb that reports an
    // error may have changed the table before it (an APPEND FROM of a
    // damaged source appends its whole records first): `follow` runs all
    // the same, with the verb's error held aside, as the record operations
    // read a pending code as their own failure. The verb's error then
    // reaches the caller as the verb reported it (raised again, or pending),
    // its code in LastError; a failure of `follow` meanwhile is dropped.
    void FollowEngineVerb(const std::function<void()>& verb, const std::function<void()>& follow);

    int SafeGo(int32_t n);
    // Engine record -> record buffer, and back (fieldNo 0: all fields;
    // onlyChanged: a field whose value the engine record already holds is
    // left as stored). A number field's value is followed in the buffer by
    // its mark and its digits (above).
    void CopyIn(uint8_t* buffer);
    void CopyOut(const uint8_t* buffer, int fieldNo, bool onlyChanged = false);
    // The pending engine error code (0 when none).
    static int EngineCode();
    // N and F fields: a value, its mark and its digits.
    static bool IsNumberDef(const TFieldDef& d);
    bool NumberUnchanged(const TFieldDef& d, const uint8_t* p);
    // Bytes of the buffer after a field's value: a number's mark and digits.
    int ExtraBytes(const TFieldDef& d) const;
    // The digits of number field n of the engine record as the dataset
    // shows them ("" for a blank field, stars, or a text that is no number).
    std::string StoredDigits(const TFieldDef& d) const;

    bool beforeFirst_ = false;
    bool afterLast_ = false;

private:
    void BuildFieldProps();
    // The code of a locked operation that did not make its change: the
    // engine's error, or the refusal of its lock, raised as
    // LockRefusedMessage(operation).
    int Refused(const char* operation);

    uint8_t area_ = 0;
    std::string dbfFileName_;
    bool hideDeleted_ = false;
    TDbfFieldProps props_;
    std::string filter_;
};

}  // namespace veldrim
