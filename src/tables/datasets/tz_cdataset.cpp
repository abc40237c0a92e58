// The xBase verbs of the command dataset.

#include "tables/datasets/tz_cdataset.h"

#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/navigation.h"

namespace veldrim {

void TTzCDataSet::PositionSync() {
    if (!EngineSync) UpdateCursorPosition();
}

void TTzCDataSet::PositionSyncHook() {
    if (EngineSync) FlushActiveRecord();
    if (Notifications[0]) Notifications[0](*this);
}

void TTzCDataSet::DoAfterScroll() {
    PositionSyncHook();
    TTzDataSet::DoAfterScroll();
}

void TTzCDataSet::DoAfterCancel() {
    PositionSyncHook();
    TTzDataSet::DoAfterCancel();
}

void TTzCDataSet::CloseHook() {
    for (auto& n : Notifications) n = nullptr;
}

// The verbs that change the table bring the dataset up to the engine also
// when the engine reported an error: what the verb did before it (records
// appended, a table packed) is shown, and the error reaches the caller.

void TTzCDataSet::AppendRec() {
    if (!SelectForOperation("AppendRec")) return;
    FollowEngineVerb([] { veldrim::Append(); },
                     [this] {
                         EnsureVisibleRecord();
                         AfterChangeHook();
                         RefreshAfterMove();
                     });
}

void TTzCDataSet::AppendFrom(const std::string& fileName) {
    if (!SelectForOperation("AppendFrom")) return;
    PositionSync();
    const int32_t back = veldrim::RecNo();
    FollowEngineVerb([&] { veldrim::AppendFrom(fileName); },
                     [&] {
                         if (!SelectForOperation("AppendFrom")) return;
                         if (!GoIfValid(back)) {
                             Last();
                         } else {
                             RefreshAfterMove();
                         }
                         AfterChangeHook();
                     });
}

bool TTzCDataSet::Pack() {
    if (!SelectForOperation("Pack")) return false;
    bool ok = false;
    FollowEngineVerb([&] { ok = veldrim::Pack(); },
                     [this] {
                         AfterChangeHook();
                         RefreshAfterMove();
                     });
    return ok;
}

std::string TTzCDataSet::Field(int n) {
    if (!SelectForOperation("Field")) return {};
    return veldrim::Field(n).substr(0, 10);
}

int TTzCDataSet::FieldCount() {
    if (!SelectForOperation("FieldCount")) return 0;
    return veldrim::FieldCount();
}

int TTzCDataSet::FieldLen(int n) {
    if (!SelectForOperation("FieldLen")) return 0;
    return veldrim::FieldLen(n);
}

void TTzCDataSet::Go(int32_t n) {
    if (!SelectForOperation("Go")) return;
    GO(n);
    RefreshAfterMove();
}

void TTzCDataSet::Search(const std::string& value, uint8_t& fieldNo, bool fromTop) {
    if (!SelectForOperation("Search")) return;
    PositionSync();
    veldrim::Search(value, fieldNo, fromTop);
    if (!dEOF() && !dBOF()) RefreshAfterMove();
}

std::string TTzCDataSet::SField(int n) {
    if (!SelectForOperation("SField")) return {};
    PositionSync();
    return FieldAsText(n);
}

bool TTzCDataSet::GetBooleanByName(const std::string& name) {
    return FieldByName(name.substr(0, 10)).AsBoolean();
}

TField& TTzCDataSet::EditField(const std::string& name) {
    TField& f = FieldByName(name.substr(0, 10));
    if (State() != TDataSetState::dsEdit && State() != TDataSetState::dsInsert &&
        State() != TDataSetState::dsSetKey)
        Edit();
    return f;
}

void TTzCDataSet::PutStringByName(const std::string& name, const std::string& v) {
    EditField(name).SetAsString(v);
}
void TTzCDataSet::PutBooleanByName(const std::string& name, bool v) {
    EditField(name).SetAsBoolean(v);
}
void TTzCDataSet::PutIntegerByName(const std::string& name, int32_t v) {
    EditField(name).SetAsInteger(v);
}
void TTzCDataSet::PutFloatByName(const std::string& name, double v) {
    EditField(name).SetAsFloat(v);
}

}  // namespace veldrim
