#pragma once
// TTzCDataSet: the table engine's dataset with the xBase commands.
// It adds xBase-style verbs (append, import, pack, go, search, field access
// by number or name) that act on the engine and then bring the dataset's
// buffer up to date.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "tables/datasets/tz_dataset.h"

namespace veldrim {

class TTzCDataSet : public TTzDataSet {
public:
    using TTzDataSet::TTzDataSet;

    bool ReadOnly = false;

    // Three notification procedures of the program that keep something in
    // step with the dataset's position; the first is told after every
    // scroll and cancel, before the AfterScroll and AfterCancel handlers.
    // Closing the dataset clears all three.
    std::array<std::function<void(TTzCDataSet&)>, 3> Notifications;
    // On: the engine's record is kept on the dataset's record after every
    // scroll (a record being inserted is copied into it), so the xBase
    // verbs need not move the engine first.
    bool EngineSync = false;

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
    // The dataset's cursor becomes the engine's current record (unless the
    // engine is kept in step already).
    void PositionSync();
    // Runs after every scroll and cancel: the engine kept in step, then the
    // first notification.
    void PositionSyncHook();
    void DoAfterScroll() override;
    void DoAfterCancel() override;
    // The field named by the first 10 characters of name, in the edit state.
    TField& EditField(const std::string& name);
    void CloseHook() override;
};

}  // namespace veldrim
