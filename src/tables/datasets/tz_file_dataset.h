#pragma once
// TTzFileDataSet: the table engine's dataset over one dbf table file.
// USE with its clauses, creation of a missing table from DbfFields, the
// index files of IndexList, the four record changes under their locks,
// locks, delimited text.
//
// A write whose lock is refused is not made: unless a lock-failure handler
// asks to try again, the dataset raises EDatabaseError whose message begins
// with the notice "Sperren fehlgeschlagen [Post]" (or Insert, Delete,
// Restore) and says that another program holds the table; the dataset stays
// as it was (a refused Post keeps its edit).

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/datasets/tz_cdataset.h"
#include "tables/index/ndx_index.h"

namespace veldrim {

enum TCreateIndexType : uint8_t { ciNotFound, ciAlways, ciVerifyHeader, ciNever };

// Sender, var Retry.
using TTzLockFailedEvent = std::function<void(TTzPrimDataset&, bool&)>;

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
    // Opens an index written by a key procedure into a position; the
    // procedure keeps making its keys while the index is open.
    void SetIndexToCB(const std::string& name, int position,
                      const std::function<std::string()>& proc);
    void SetIndexTo(const std::string& indexFiles);
    void SetIndexToLFN(const std::string& name, int position);
    bool Find(const std::string& key);
    bool FindExact(const std::string& key);
    // With an index controlling the order and the located fields its
    // character or date key, the values are sought in the index; otherwise
    // (a number key among them) the records are scanned.
    bool Locate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                TLocateOptions options) override;

    // False under a filter, and while an index controls the order.
    bool IsSequenced() override;

    // A conversion of the stored records: the read procedure runs over each
    // record read from the table, the write procedure over each record
    // before it is written. Takes effect at the next open.
    void SetRecordHook(RecordHook readHook, RecordHook writeHook) {
        readHook_ = readHook;
        writeHook_ = writeHook;
    }

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
    // The key maker of an index with a key procedure: the procedure sees
    // the engine's record as the dataset's active record.
    KeyMaker SavedBufferKeyMaker(int position);
    void RefreshAfterFind();
    enum class LockedOp { Insert, Delete, Restore, Post };
    bool WithLock(LockedOp op);

    RecordHook readHook_ = nullptr;
    RecordHook writeHook_ = nullptr;
    // The key procedures by index position (0: the one IndexOnCB builds with).
    std::array<std::function<std::string()>, kMaxIndexes + 1> indexCallbacks_;
};

}  // namespace veldrim
