#pragma once
// The virtual-file dataset: an in-memory table behind the dataset classes,
// built from the DbfFields lines. It can fill itself from a dbf table when
// it opens (PopulateFromDisk) and write itself back when it closes
// (SaveToDisk) if it was changed.
//
// The four record changes take no locks: a virtual file belongs to its work
// area alone. Memo fields are kept as N 10 numbers (no memo file).
//
// Loading checks first that the table's fields are the dataset's fields;
// a table of another structure is reported and not loaded. Saving writes a
// new table beside the target and renames it over the target only when
// every record was written; otherwise the target stays, the failure is
// reported and the dataset stays marked as changed.

#include <functional>
#include <string>
#include <vector>

#include "tables/datasets/tz_cdataset.h"
#include "tables/virtual/virtual_files.h"

namespace veldrim {

// The key text of the current record for the sorted orders.
using TTzKeyMaker = std::function<std::string()>;

// `TTzLLDataSet`: the Tz dataset over a linked list (LL), the in-memory virtual file.
class TTzLLDataSet : public TTzCDataSet {
public:
    explicit TTzLLDataSet(std::string name) : TTzCDataSet(std::move(name)) {}
    ~TTzLLDataSet() override;

    bool PopulateFromDisk = false;
    bool SaveToDisk = false;
    TTzKeyMaker KeyMaker;
    LStatusType AppendMode() const { return appendMode_; }
    void SetAppendMode(LStatusType mode);

    // Changed since the last load or save.
    bool VirtualModified() const { return vmodified_; }
    // Fill from / write to DbfFileName; false (reported) on a failure.
    virtual bool LoadFromDisk();
    virtual bool SaveToDiskNow();

    bool MemoLess() const override { return true; }
    void AfterChangeHook() override { vmodified_ = true; }

protected:
    bool NeedsFileName() const override { return false; }
    bool OpenTable() override;
    void AfterOpenStep() override;
    void CloseHook() override;
    bool s_AppendWithLock() override;
    bool s_DeleteWithLock() override;
    bool s_RestoreWithLock() override;
    bool s_ReplaceWithLock() override;

private:
    std::string DoOnKeymake();
    std::vector<TFieldEntry> Structure() const;
    bool vmodified_ = false;
    std::vector<uint8_t> record_;  // the binary record of the virtual file
    LStatusType appendMode_ = FIFO;
};

// `TTzVFile`: the Tz virtual file (VFile), the name forms use for TTzLLDataSet.
class TTzVFile : public TTzLLDataSet {
public:
    using TTzLLDataSet::TTzLLDataSet;
};

}  // namespace veldrim
