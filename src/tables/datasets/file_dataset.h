#pragma once
// The datasets that forms and code use:
//   TTzCDataSet     xBase-style verbs (append, import, pack, go, search,
//                   field access by number or name) that act on the engine
//                   and then bring the dataset's buffer up to date;
//   TTzFileDataSet  a dbf table file: USE with its clauses, creation of a
//                   missing table from DbfFields, the four record changes
//                   under their locks, locks, delimited text;
//   TTzDbf          the component of the table editor;
//   TTzBlobStream   a byte stream over one memo field of the active record.
//
// A write whose lock is refused is not made: without a lock-failure handler
// the notice "Sperren fehlgeschlagen [Post]" (or Insert, Delete, Restore)
// is shown in message-box mode, and the caller gets the failure (the
// dataset raises EDatabaseError, the facade answers false).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/datasets/tz_dataset.h"

namespace veldrim {

// `TTzCDataSet`: the Tz dataset with the xBase command verbs (C).
class TTzCDataSet : public TTzDataSet {
public:
    using TTzDataSet::TTzDataSet;

    bool ReadOnly = false;

    // The engine record appended as a new record.
    void AppendRec();
    void AppendFrom(const std::string& fileName);
    bool Pack();
    std::string Field(int n);
    int FieldCount();
    int FieldLen(int n);
    void Go(int32_t n);
    void Search(const std::string& value, uint8_t& fieldNo, bool fromTop);
    std::string SField(int n);
    int32_t RecCount() { return RecordCount(); }
    bool GetBooleanByName(const std::string& name);
    void PutStringByName(const std::string& name, const std::string& value);
    void PutBooleanByName(const std::string& name, bool value);
    void PutIntegerByName(const std::string& name, int32_t value);
    void PutFloatByName(const std::string& name, double value);

protected:
    // The dataset's cursor becomes the engine's current record.
    void PositionSync();
    // The field named by the first 10 characters of name, in the edit state.
    TField& EditField(const std::string& name);
    void CloseHook() override {}
};

enum TCreateIndexType : uint8_t { ciNotFound, ciAlways, ciVerifyHeader, ciNever };

// One line of IndexList: "number,file,expression".
struct TIndexItem {
    int number = 0;
    std::string fileName;
    std::string expression;  // at most 100 characters
};
// False when the number is not a whole number.
bool ParseIndexItem(const std::string& line, TIndexItem& item);

// Sender, var Retry.
using TTzLockFailedEvent = std::function<void(TTzPrimDataset&, bool&)>;

// The table creation from "name,type,length,decimals" lines (X lines
// skipped; memo-less: M becomes N 10,0). Empty on a bad list; the reason in
// *reason.
std::vector<TFieldEntry> FieldsFromLines(const std::vector<std::string>& lines, bool memoLess,
                                         const std::string& component, std::string* reason);

// `TTzFileDataSet`: the Tz dataset over a dbf table file.
class TTzFileDataSet : public TTzCDataSet {
public:
    explicit TTzFileDataSet(std::string name) : TTzCDataSet(std::move(name)) {}

    bool AutoFixRecCount = false;
    TCreateIndexType CreateIndex = ciNotFound;
    bool CreateIfNotFound = true;
    bool Exclusive = false;
    std::vector<std::string> IndexList;
    TTzLockFailedEvent OnALockFailedOnInsert, OnRLockFailedOnDelete, OnRLockFailedOnPost,
        OnRLockFailedOnRestore;

    // Events around building an index at open time: (file name, var CanMake)
    // and (file name).
    std::function<void(const std::string&, bool&)> OnBeforeMakeIndex;
    std::function<void(const std::string&)> OnAfterMakeIndex;

    // Indexes: build one and open it as the controlling index, open a list
    // ("A.NDX B.NDX"), open one into a position, seek in the controlling one.
    void IndexOn(const std::string& expression, const std::string& indexFile);
    // The key of each record from a caller's procedure, which sees the
    // record as the dataset's active record.
    void IndexOnCB(const std::string& indexFile, const std::function<std::string()>& proc);
    void SetIndexTo(const std::string& indexFiles);
    void SetIndexToLFN(const std::string& name, int position);
    bool Find(const std::string& key);
    bool FindExact(const std::string& key);
    // With an index controlling the order and the located fields its key,
    // the values are sought in the index; otherwise the records are scanned.
    bool Locate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                TLocateOptions options) override;

    std::string Peek(uint8_t fieldNo, int32_t recNo);
    int AppendFromDelimited(const std::string& fileName);
    int CopyToDelimited(const std::string& fileName);
    bool ALock();
    bool FLock();
    bool UnLock();

protected:
    bool OpenTable() override;
    bool s_AppendWithLock() override;
    bool s_DeleteWithLock() override;
    bool s_RestoreWithLock() override;
    bool s_ReplaceWithLock() override;
    // Creates the missing table from DbfFields; false with a notice.
    bool CreateFromFields();

private:
    // The files of IndexList verified, built where missing and opened.
    bool OpenIndexFiles();
    void RefreshAfterFind();
    enum class LockedOp { Insert, Delete, Restore, Post };
    bool WithLock(LockedOp op);
};

// `TTzDbf`: the Tz dbf-table component, the one the table editor holds.
class TTzDbf : public TTzFileDataSet {
public:
    using TTzFileDataSet::TTzFileDataSet;
    // Changing it while open reopens the table.
    void SetExclusive(bool on);
};

// A byte stream over the memo field of the active record. Tables of OEM
// text convert text pieces to ANSI on reading and back on writing.
// `TTzBlobStream`: the Tz stream over a blob (a memo value).
class TTzBlobStream {
public:
    enum Mode : uint8_t { bmRead = 1, bmWrite = 2, bmReadWrite = 3 };
    TTzBlobStream(TField& field, Mode mode);
    ~TTzBlobStream();
    TTzBlobStream(const TTzBlobStream&) = delete;
    TTzBlobStream& operator=(const TTzBlobStream&) = delete;

    int32_t Read(void* buffer, int32_t count);
    int32_t Write(const void* buffer, int32_t count);
    int32_t Seek(int32_t offset, uint16_t origin);

private:
    TField& field_;
    TTzFileDataSet& dataset_;
    Mode mode_;
    int32_t reference_ = 0;
    bool modified_ = false;
    bool written_ = false;
};

}  // namespace veldrim
