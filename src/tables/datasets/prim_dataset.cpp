// The record-buffer dataset: states, moves, the active record buffer,
// bookmarks and the field objects over the Tzi record interface.

#include "tables/datasets/prim_dataset.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/text_conv.h"
#include "foundation/ui_services.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/number_digits.h"
#include "tables/engine/win1252_text.h"

namespace veldrim {

namespace {

enum { gmCurrent = 0, gmNext = 1, gmPrior = 2 };

// A number text of a float field: as many decimals as the field has (at
// least one significant form when it has none), independent of the locale.
std::string FloatText(double v, int decimals) {
    char buf[64];
    const auto r = decimals > 0
                       ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals)
                       : std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool IsLogicalTrueText(const std::string& s) {
    const std::string t = UpperAscii(TrimBoth(s));
    return !t.empty() && (t[0] == 'T' || t[0] == 'Y' || t[0] == 'J' || t[0] == 'W');
}

}  // namespace

// ---- TField -------------------------------------------------------------------------------------

TField::TField(TTzPrimDataset& owner, const TFieldDef& def) : owner_(owner), def_(def) {}

bool TField::GetData(void* dest) const { return owner_.GetFieldData(*this, dest); }
void TField::SetData(const void* src) { owner_.SetFieldData(const_cast<TField&>(*this), src); }

bool TField::SizeAccepted(int size) const {
    return def_.type != TFieldType::ftString || (size >= 0 && size <= 254);
}

bool TField::IsNull() const {
    std::vector<uint8_t> buf(static_cast<std::size_t>(def_.dataSize) + 1, 0);
    if (!GetData(buf.data())) return true;
    if (def_.type == TFieldType::ftString) return buf[0] == 0;
    return false;
}

std::string TField::AsString() const {
    std::vector<uint8_t> buf(static_cast<std::size_t>(def_.dataSize) + 1, 0);
    const bool has = GetData(buf.data());
    if (!has) return {};
    // What the file holds: a number's digits, whatever their count, or the
    // stars of a number too wide for its field.
    if (std::string digits; owner_.FieldNumberText(*this, digits)) return digits;
    switch (def_.type) {
        case TFieldType::ftString: return std::string(reinterpret_cast<const char*>(buf.data()));
        case TFieldType::ftFloat: {
            double v;
            std::memcpy(&v, buf.data(), sizeof v);
            return FloatText(v, def_.decimals);
        }
        case TFieldType::ftInteger: {
            int32_t v;
            std::memcpy(&v, buf.data(), sizeof v);
            return IntText(v);
        }
        case TFieldType::ftLargeint: {
            int64_t v;
            std::memcpy(&v, buf.data(), sizeof v);
            return IntText(v);
        }
        case TFieldType::ftBoolean: return buf[0] ? "Wahr" : "Falsch";
        case TFieldType::ftMemo: {
            int32_t ref;
            std::memcpy(&ref, buf.data(), sizeof ref);
            return ref != 0 ? "(MEMO)" : "(memo)";
        }
        case TFieldType::ftDate: {
            double v;
            std::memcpy(&v, buf.data(), sizeof v);
            return FloatText(v, 0);
        }
    }
    return {};
}

double NumberOfFieldText(const std::string& text) { return static_cast<double>(TextToFloat(text)); }

void TField::SetAsString(const std::string& s) {
    // The stars it shows, given back unchanged, leave the field as stored.
    const std::string t = TrimBoth(s);
    if (!t.empty() && t.find_first_not_of('*') == std::string::npos && owner_.FieldOverWide(*this))
        return;
    switch (def_.type) {
        case TFieldType::ftString: {
            std::vector<char> buf(static_cast<std::size_t>(def_.size) + 1, 0);
            std::memcpy(buf.data(), s.data(), std::min<std::size_t>(s.size(), def_.size));
            SetData(buf.data());
            return;
        }
        case TFieldType::ftBoolean: SetAsBoolean(IsLogicalTrueText(s)); return;
        case TFieldType::ftFloat:
        case TFieldType::ftInteger:
        case TFieldType::ftLargeint:
            // A text that is no number is refused: stored, it would be a
            // number it does not say, and the field's value lost.
            if (!t.empty() && TypedDigitsForField(t, def_.size, def_.decimals).kind ==
                                  FieldNumberDigits::noNumber)
                throw EDatabaseError(
                    RefusalOfTypedNumber(AnsiToOemStr(t), def_.name, def_.size, def_.decimals));
            // The typed digits go in as they are, rounded to the field's
            // places, and a blank as a blank, where the dataset takes them.
            if (owner_.SetFieldNumberText(*this, s)) return;
            if (t.empty())
                Clear();
            else
                SetAsFloat(NumberOfFieldText(s));
            return;
        case TFieldType::ftDate:
        case TFieldType::ftMemo:
            if (t.empty()) {
                Clear();
            } else {
                SetAsFloat(NumberOfFieldText(s));
            }
            return;
    }
}

double TField::AsFloat() const {
    std::vector<uint8_t> buf(static_cast<std::size_t>(def_.dataSize) + 1, 0);
    if (!GetData(buf.data())) return 0;
    switch (def_.type) {
        case TFieldType::ftFloat:
        case TFieldType::ftDate: {
            double v;
            std::memcpy(&v, buf.data(), sizeof v);
            return v;
        }
        case TFieldType::ftInteger:
        case TFieldType::ftMemo: {
            int32_t v;
            std::memcpy(&v, buf.data(), sizeof v);
            return v;
        }
        case TFieldType::ftLargeint: {
            // A number beyond 64 bits is read from its digits.
            if (std::string digits; owner_.FieldNumberText(*this, digits)) {
                double d = 0;
                ParseNumberText(digits, d);
                return d;
            }
            int64_t v;
            std::memcpy(&v, buf.data(), sizeof v);
            return static_cast<double>(v);
        }
        case TFieldType::ftBoolean: return buf[0] ? 1 : 0;
        case TFieldType::ftString:
            return static_cast<double>(TextToFloat(reinterpret_cast<const char*>(buf.data())));
    }
    return 0;
}

void TField::SetAsFloat(double v) {
    switch (def_.type) {
        case TFieldType::ftFloat:
        case TFieldType::ftDate: SetData(&v); return;
        case TFieldType::ftInteger:
        case TFieldType::ftMemo: {
            const int32_t i = SaturatedWhole<int32_t>(v);
            SetData(&i);
            return;
        }
        case TFieldType::ftLargeint: {
            // A whole number beyond 64 bits goes in as its digits.
            if (std::isfinite(v) && !(std::fabs(std::nearbyint(v)) < 0x1p63) &&
                owner_.SetFieldNumberText(*this, FixedText(v, 0)))
                return;
            const int64_t i = SaturatedWhole<int64_t>(v);
            SetData(&i);
            return;
        }
        case TFieldType::ftBoolean: SetAsBoolean(v != 0); return;
        case TFieldType::ftString: SetAsString(FloatText(v, 0)); return;
    }
}

int64_t TField::AsInteger() const {
    if (def_.type == TFieldType::ftLargeint) {
        int64_t v = 0;
        return GetData(&v) ? v : 0;
    }
    return SaturatedWhole<int64_t>(AsFloat());
}

void TField::SetAsInteger(int64_t v) {
    if (def_.type == TFieldType::ftLargeint) {
        SetData(&v);
    } else if (def_.type == TFieldType::ftString) {
        SetAsString(IntText(v));
    } else {
        SetAsFloat(static_cast<double>(v));
    }
}

bool TField::AsBoolean() const {
    if (def_.type == TFieldType::ftString) return IsLogicalTrueText(AsString());
    if (def_.type == TFieldType::ftBoolean) {
        uint16_t b = 0;
        return GetData(&b) && b != 0;
    }
    return AsFloat() != 0;
}

void TField::SetAsBoolean(bool v) {
    if (def_.type == TFieldType::ftBoolean) {
        const uint16_t b = v ? 1 : 0;
        SetData(&b);
    } else if (def_.type == TFieldType::ftString) {
        SetAsString(v ? "T" : "F");
    } else {
        SetAsFloat(v ? 1 : 0);
    }
}

double TField::AsDateTime() const { return def_.type == TFieldType::ftDate ? AsFloat() : 0; }
void TField::SetAsDateTime(double days) { SetAsFloat(days); }
void TField::Clear() { SetData(nullptr); }

// ---- TTzPrimDataset -----------------------------------------------------------------------------

TTzPrimDataset::TTzPrimDataset(std::string name) : name_(std::move(name)) {}
TTzPrimDataset::~TTzPrimDataset() = default;

std::string TTzPrimDataset::ErrorTextOf(int code) { return IntText(code); }
bool TTzPrimDataset::IsEmptyQuery() {
    return activeRecNo_ == 0 && state_ != TDataSetState::dsInsert;
}

void TTzPrimDataset::Check(int code) {
    switch (code) {
        case kTziOk: return;
        case kTziOpenFailed:
        case kTziBeforeFirst:
        case kTziAfterLast: throw EDatabaseError("Dataset error: " + IntText(code));
        case kTziNoFileName: throw EDatabaseError("The FileName property of the dataset not set");
        default: throw EDatabaseError("Dataset error: " + ErrorTextOf(code));
    }
}

void TTzPrimDataset::CheckActive() const {
    if (!Active()) throw EDatabaseError("Operation not allowed on a closed dataset: " + name_);
}

std::unique_ptr<TField> TTzPrimDataset::CreateField(const TFieldDef& def) {
    switch (def.type) {
        case TFieldType::ftInteger:
        case TFieldType::ftLargeint: return std::make_unique<TTzIntegerField>(*this, def);
        case TFieldType::ftFloat: return std::make_unique<TTzFloatField>(*this, def);
        case TFieldType::ftDate: return std::make_unique<TTzDateField>(*this, def);
        default: return std::make_unique<TField>(*this, def);
    }
}

void TTzPrimDataset::BindFields() {
    fields_.clear();
    // The calculated part follows the table record.
    calcSize_ = 0;
    for (TFieldDef& d : calcDefs_) {
        d.offset = recordSize_ + calcSize_;
        calcSize_ += 1 + d.dataSize;
    }
    for (const auto* defs : {&fieldDefs_, &calcDefs_})
        for (const TFieldDef& d : *defs) {
            auto f = CreateField(d);
            if (!f->SizeAccepted(d.size))
                throw EDatabaseError(name_ + "." + d.name + ": invalid field size " +
                                     IntText(d.size));
            fields_.push_back(std::move(f));
        }
}

namespace {

int CalcDataSize(TFieldType type, int size) {
    switch (type) {
        case TFieldType::ftString: return size + 1;
        case TFieldType::ftInteger: return 4;
        case TFieldType::ftBoolean: return 2;
        default: return 8;
    }
}

}  // namespace

void TTzPrimDataset::AddCalcField(const std::string& name, TFieldType type, int size) {
    if (Active()) throw EDatabaseError("Operation not allowed on an open dataset: " + name_);
    if (type == TFieldType::ftMemo)
        throw EDatabaseError(name_ + "." + name + ": a calculated field cannot be a memo");
    TFieldDef d;
    d.name = name;
    d.type = type;
    d.size = type == TFieldType::ftString ? std::clamp(size, 1, 254) : size;
    d.fieldNo = -static_cast<int>(calcDefs_.size()) - 1;
    d.dataSize = CalcDataSize(type, d.size);
    d.kind = TFieldKind::fkCalculated;
    calcDefs_.push_back(d);
}

void TTzPrimDataset::AddLookupField(const std::string& name, TFieldType type, int size,
                                    const std::string& keyFields, TTzPrimDataset& lookupDataSet,
                                    const std::string& lookupKeyFields,
                                    const std::string& lookupResultField) {
    // Computing a lookup field computes the fields of the record it finds:
    // a lookup that leads back to this dataset would look itself up
    // without end.
    std::vector<const TTzPrimDataset*> path;
    if (lookupDataSet.LookupPathTo(this, path)) {
        std::string circle = name_;
        for (const TTzPrimDataset* d : path) circle += " -> " + d->name_;
        throw EDatabaseError(name_ + "." + name + ": circular lookup " + circle);
    }
    AddCalcField(name, type, size);
    TFieldDef& d = calcDefs_.back();
    d.kind = TFieldKind::fkLookup;
    d.keyFields = keyFields;
    d.lookupDataSet = &lookupDataSet;
    d.lookupKeyFields = lookupKeyFields;
    d.lookupResultField = lookupResultField;
}

bool TTzPrimDataset::LookupPathTo(const TTzPrimDataset* target,
                                  std::vector<const TTzPrimDataset*>& path) const {
    path.push_back(this);
    if (this == target) return true;
    for (const TFieldDef& d : calcDefs_) {
        const TTzPrimDataset* next = d.lookupDataSet;
        if (d.kind != TFieldKind::fkLookup || !next) continue;
        if (next != target && std::find(path.begin(), path.end(), next) != path.end()) continue;
        if (next->LookupPathTo(target, path)) return true;
    }
    path.pop_back();
    return false;
}

void TTzPrimDataset::RemoveCalcFields() {
    if (Active()) throw EDatabaseError("Operation not allowed on an open dataset: " + name_);
    calcDefs_.clear();
    calcSize_ = 0;
}

void TTzPrimDataset::ClearCalcFields(uint8_t* buffer) {
    if (calcSize_ > 0) std::memset(buffer + recordSize_, 0, static_cast<std::size_t>(calcSize_));
}

// The calculated-fields state over one record buffer, for the scope's life.
class TTzPrimDataset::CalcScope {
public:
    CalcScope(TTzPrimDataset& ds, uint8_t* buffer, int32_t recNo)
        : ds_(ds), state_(ds.state_), buffer_(ds.calcBuffer_), recNo_(ds.calcRecNo_) {
        ds.state_ = TDataSetState::dsCalcFields;
        ds.calcBuffer_ = buffer;
        ds.calcRecNo_ = recNo;
    }
    ~CalcScope() {
        ds_.state_ = state_;
        ds_.calcBuffer_ = buffer_;
        ds_.calcRecNo_ = recNo_;
    }
    CalcScope(const CalcScope&) = delete;
    CalcScope& operator=(const CalcScope&) = delete;

private:
    TTzPrimDataset& ds_;
    TDataSetState state_;
    uint8_t* buffer_;
    int32_t recNo_;
};

void TTzPrimDataset::CalculateFields(uint8_t* buffer, int32_t recNo) {
    if (calcDefs_.empty()) return;
    ClearCalcFields(buffer);
    const CalcScope scope(*this, buffer, recNo);
    for (auto& f : fields_) {
        const TFieldDef& d = f->Def();
        if (d.kind != TFieldKind::fkLookup || !d.lookupDataSet || !d.lookupDataSet->Active())
            continue;
        // The key values of this record, in the order of the key fields.
        std::vector<LocateVariant> keys;
        for (std::size_t p = 0;;) {
            const auto q = d.keyFields.find(';', p);
            const TField& k = FieldByName(TrimBoth(d.keyFields.substr(p, q - p)));
            // A number the record holds as digits is sought by them: a double
            // would change a long number, and a field of "*" holds none.
            if (std::string digits; FieldNumberText(k, digits)) {
                keys.emplace_back(digits);
            } else {
                switch (k.DataType()) {
                    case TFieldType::ftFloat:
                    case TFieldType::ftInteger:
                    case TFieldType::ftLargeint: keys.emplace_back(k.AsFloat()); break;
                    case TFieldType::ftBoolean: keys.emplace_back(k.AsBoolean()); break;
                    default: keys.emplace_back(k.AsString()); break;
                }
            }
            if (q == std::string::npos) break;
            p = q + 1;
        }
        bool hit = false;
        const std::vector<std::string> result =
            d.lookupDataSet->Lookup(d.lookupKeyFields, keys, d.lookupResultField, &hit);
        if (hit && !result.empty()) f->SetAsString(result[0]);
    }
    if (OnCalcFields) OnCalcFields(*this);
}

void TTzPrimDataset::Open() {
    if (Active()) return;
    Ui().ProcessEvents();
    Check(TziOpen());
    try {
        recordSize_ = TziRecordSize();
        fieldDefs_.clear();
        InternalInitFieldDefs();
        BindFields();
        active_.assign(BufferSize(), 0);
        state_ = TDataSetState::dsBrowse;
        modified_ = false;
        Check(TziSetToBegin());
        First();
        AfterOpenStep();
    } catch (...) {
        fields_.clear();
        state_ = TDataSetState::dsInactive;
        TziClose();
        throw;
    }
}

void TTzPrimDataset::Close() {
    if (!Active()) return;
    state_ = TDataSetState::dsInactive;
    fields_.clear();
    fieldDefs_.clear();
    active_.clear();
    activeRecNo_ = 0;
    bof_ = eof_ = true;
    modified_ = false;
    TziClose();
}

void TTzPrimDataset::SetActive(bool on) {
    if (on) {
        Open();
    } else {
        Close();
    }
}

void TTzPrimDataset::ClearBuffers() {
    std::fill(active_.begin(), active_.end(), 0);
    activeRecNo_ = 0;
    bof_ = eof_ = true;
}

int TTzPrimDataset::GetRecord(int mode) {
    std::vector<uint8_t> buf(BufferSize(), 0);
    int32_t rec = 0;
    const int code = mode == gmCurrent ? TziGetRecord(buf.data(), rec)
                     : mode == gmNext  ? TziGetNextRecord(buf.data(), rec)
                                       : TziGetPriorRecord(buf.data(), rec);
    if (code == kTziOk) {
        const int32_t recNo = TziGetBookmark();
        CalculateFields(buf.data(), recNo);
        active_ = std::move(buf);
        activeRecNo_ = recNo;
    }
    return code;
}

void TTzPrimDataset::WithActiveRecord(int32_t recNo, const std::function<void()>& fn) {
    const bool editing = state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert;
    if (!Active() || (state_ != TDataSetState::dsBrowse && !editing) || recNo <= 0 ||
        recNo == activeRecNo_ || (activeRecNo_ <= 0 && !editing)) {
        fn();
        return;
    }
    const std::vector<uint8_t> savedBuffer = active_;
    const int32_t savedRecNo = activeRecNo_;
    const bool savedBof = bof_, savedEof = eof_, savedModified = modified_;
    const std::function<void()> engineBack = editing ? KeepEngineEdit() : nullptr;
    const auto putBack = [&] {
        active_ = savedBuffer;
        activeRecNo_ = savedRecNo;
        bof_ = savedBof;
        eof_ = savedEof;
        modified_ = savedModified;
        if (engineBack) {
            engineBack();
        } else {
            UpdateCursorPosition();
        }
    };
    try {
        if (TziSetToBookmark(recNo) == kTziOk && GetRecord(gmCurrent) == kTziOk &&
            activeRecNo_ == recNo) {
            fn();
        } else {
            putBack();
            fn();
            return;
        }
    } catch (...) {
        putBack();
        throw;
    }
    putBack();
}

std::function<void()> TTzPrimDataset::KeepEngineEdit() {
    const TBookmark at = TziGetBookmark();
    return [this, at] {
        if (at > 0) TziSetToBookmark(at);
    };
}

bool TTzPrimDataset::FindRecord(bool restart, bool forward) {
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    found_ = false;
    if (restart) {
        Check(forward ? TziSetToBegin() : TziSetToEnd());
    } else {
        UpdateCursorPosition();
    }
    int32_t rec = 0;
    const int code = forward ? TziGetNextRecord(nullptr, rec) : TziGetPriorRecord(nullptr, rec);
    if (code == kTziOk) {
        Resync();
        found_ = true;
        DoAfterScroll();
        return true;
    }
    // Nothing in that direction: the dataset stays on its record.
    UpdateCursorPosition();
    if (code != kTziBeforeFirst && code != kTziAfterLast) Check(code);
    return false;
}

void TTzPrimDataset::UpdateCursorPosition() {
    if (activeRecNo_ > 0) TziSetToBookmark(activeRecNo_);
}

void TTzPrimDataset::Resync() {
    int code = GetRecord(gmCurrent);
    if (code == kTziBeforeFirst || code == kTziAfterLast) code = GetRecord(gmNext);
    if (code == kTziBeforeFirst || code == kTziAfterLast) code = GetRecord(gmPrior);
    if (code == kTziOk) {
        bof_ = eof_ = false;
        return;
    }
    if (code == kTziBeforeFirst || code == kTziAfterLast) {
        ClearBuffers();
        return;
    }
    Check(code);
}

void TTzPrimDataset::CheckBrowseMode() {
    CheckActive();
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
        if (modified_) {
            Post();
        } else {
            Cancel();
        }
    }
}

void TTzPrimDataset::DoScroll(const std::function<void()>& move) {
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    move();
    DoAfterScroll();
}

void TTzPrimDataset::First() {
    DoScroll([this] {
        Check(TziSetToBegin());
        const int code = GetRecord(gmNext);
        if (code == kTziOk) {
            bof_ = true;
            eof_ = false;
        } else if (code == kTziAfterLast || code == kTziBeforeFirst) {
            ClearBuffers();
        } else {
            Check(code);
        }
    });
}

void TTzPrimDataset::Last() {
    DoScroll([this] {
        Check(TziSetToEnd());
        const int code = GetRecord(gmPrior);
        if (code == kTziOk) {
            eof_ = true;
            bof_ = false;
        } else if (code == kTziAfterLast || code == kTziBeforeFirst) {
            ClearBuffers();
        } else {
            Check(code);
        }
    });
}

void TTzPrimDataset::Next() { MoveBy(1); }
void TTzPrimDataset::Prior() { MoveBy(-1); }

int TTzPrimDataset::MoveBy(int n) {
    int moved = 0;
    DoScroll([&] {
        if (activeRecNo_ == 0) return;
        UpdateCursorPosition();
        while (n != 0) {
            const int code = GetRecord(n > 0 ? gmNext : gmPrior);
            if (code == kTziAfterLast) {
                eof_ = true;
                break;
            }
            if (code == kTziBeforeFirst) {
                bof_ = true;
                break;
            }
            Check(code);
            bof_ = eof_ = false;
            moved += n > 0 ? 1 : -1;
            n += n > 0 ? -1 : 1;
        }
    });
    return moved;
}

bool TTzPrimDataset::IsEmpty() { return !Active() || IsEmptyQuery(); }

void TTzPrimDataset::Refresh() {
    CheckBrowseMode();
    UpdateCursorPosition();
    Check(TziForceReread());
    Resync();
}

void TTzPrimDataset::InternalEdit() {
    int32_t rec = 0;
    Check(TziGetRecord(active_.data(), rec));
}

void TTzPrimDataset::InternalCancel() { std::fill(active_.begin(), active_.end(), 0); }

void TTzPrimDataset::Edit() {
    CheckActive();
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
    if (activeRecNo_ == 0) {
        Append();
        return;
    }
    UpdateCursorPosition();
    InternalEdit();
    state_ = TDataSetState::dsEdit;
    modified_ = false;
}

void TTzPrimDataset::Insert() {
    CheckBrowseMode();
    insertReturn_ = activeRecNo_;
    if (TziGetRecordCount() < 1) ClearBuffers();
    std::fill(active_.begin(), active_.end(), 0);
    Check(TziInitRecord());
    activeRecNo_ = 0;
    state_ = TDataSetState::dsInsert;
    modified_ = false;
    if (OnNewRecord) OnNewRecord(*this);
}

void TTzPrimDataset::Append() { Insert(); }

void TTzPrimDataset::Post() {
    CheckActive();
    if (state_ == TDataSetState::dsEdit) {
        UpdateCursorPosition();
        Check(TziModifyRecord(active_.data()));
    } else if (state_ == TDataSetState::dsInsert) {
        Check(TziInsertRecord(active_.data()));
    } else {
        return;
    }
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
    Resync();
    if (AfterPost) AfterPost(*this);
}

void TTzPrimDataset::Cancel() {
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    const bool inserting = state_ == TDataSetState::dsInsert;
    const int32_t back = inserting ? insertReturn_ : activeRecNo_;
    InternalCancel();
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
    activeRecNo_ = back;
    if (back > 0) {
        TziSetToBookmark(back);
        Resync();
    } else {
        ClearBuffers();
    }
    DoAfterCancel();
}

void TTzPrimDataset::Delete() {
    CheckActive();
    if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsSetKey) {
        Cancel();
        return;
    }
    if (activeRecNo_ == 0)
        throw EDatabaseError("Cannot perform this operation on an empty dataset");
    if (state_ == TDataSetState::dsEdit) Cancel();
    if (BeforeDelete) BeforeDelete(*this);
    UpdateCursorPosition();
    Check(TziDeleteCurrent());
    state_ = TDataSetState::dsBrowse;
    Resync();
    if (AfterDelete) AfterDelete(*this);
}

int32_t TTzPrimDataset::RecordCount() {
    CheckActive();
    return TziGetRecordCount();
}

int32_t TTzPrimDataset::RecNo() {
    if (!Active()) return 0;
    // A record being calculated is the record its handler speaks of.
    return state_ == TDataSetState::dsCalcFields ? calcRecNo_ : activeRecNo_;
}

void TTzPrimDataset::SetRecNo(int32_t n) {
    CheckBrowseMode();
    if (n == activeRecNo_) return;
    if (BeforeScroll) BeforeScroll(*this);
    if (TziGoToRecord(n) != kTziOk) return;
    Resync();
    DoAfterScroll();
}

TBookmark TTzPrimDataset::GetBookmark() const {
    return state_ == TDataSetState::dsBrowse || state_ == TDataSetState::dsEdit ? activeRecNo_ : 0;
}

void TTzPrimDataset::GotoBookmark(TBookmark b) {
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    Check(TziSetToBookmark(b));
    Resync();
    DoAfterScroll();
}

bool TTzPrimDataset::BookmarkValid(TBookmark b) {
    if (!Active() || b <= 0) return false;
    int32_t rec = 0;
    const bool ok =
        TziSetToBookmark(b) == kTziOk && TziGetRecord(nullptr, rec) == kTziOk && rec == b;
    UpdateCursorPosition();
    return ok;
}

int TTzPrimDataset::CompareBookmarks(TBookmark a, TBookmark b) {
    if (a == 0 && b == 0) return 0;
    if (a == 0) return 1;
    if (b == 0) return -1;
    if (!Active()) return 0;
    return b > a ? -1 : a > b ? 1 : 0;
}

bool TTzPrimDataset::Locate(const std::string& keyFields, const std::vector<LocateVariant>& values,
                            TLocateOptions options) {
    CheckBrowseMode();
    if (BeforeScroll) BeforeScroll(*this);
    UpdateCursorPosition();
    if (TziLocate(keyFields, values, options) != kTziOk) {
        UpdateCursorPosition();
        return false;
    }
    Resync();
    DoAfterScroll();
    return true;
}

std::vector<std::string> TTzPrimDataset::Lookup(const std::string& keyFields,
                                                const std::vector<LocateVariant>& values,
                                                const std::string& resultFields, bool* found) {
    CheckBrowseMode();
    std::vector<std::string> result;
    const int32_t back = activeRecNo_;
    UpdateCursorPosition();
    const bool hit = TziLocate(keyFields, values, TLocateOptions{}) == kTziOk;
    if (found) *found = hit;
    if (!hit) return result;
    // The record found is read into a buffer of its own, its calculated
    // fields computed, and the result fields read from it in the
    // calculated-fields state; the active record is not touched.
    std::vector<uint8_t> buf(BufferSize(), 0);
    int32_t rec = 0;
    if (TziGetRecord(buf.data(), rec) == kTziOk) {
        try {
            CalculateFields(buf.data(), rec);
            const CalcScope scope(*this, buf.data(), rec);
            for (std::size_t p = 0;;) {
                const auto q = resultFields.find(';', p);
                result.push_back(FieldByName(TrimBoth(resultFields.substr(p, q - p))).AsString());
                if (q == std::string::npos) break;
                p = q + 1;
            }
        } catch (...) {
            if (back > 0) TziGoToRecord(back);
            throw;
        }
    }
    if (back > 0) TziGoToRecord(back);
    return result;
}

TField* TTzPrimDataset::FindField(const std::string& name) {
    const std::string key = UpperAscii(TrimBoth(name));
    for (auto& f : fields_)
        if (UpperAscii(f->FieldName()) == key) return f.get();
    return nullptr;
}

bool TTzPrimDataset::FieldOverWide(const TField& f) {
    if (!Active() || f.Calculated() || state_ == TDataSetState::dsSetKey) return false;
    const uint8_t* buffer = StateBuffer();
    return buffer && TziFieldOverWide(f, buffer);
}

bool TTzPrimDataset::FieldNumberText(const TField& f, std::string& text) {
    if (!Active() || f.Calculated() || state_ == TDataSetState::dsSetKey) return false;
    const uint8_t* buffer = StateBuffer();
    return buffer && TziNumberText(f, buffer, text);
}

bool TTzPrimDataset::SetFieldNumberText(TField& f, const std::string& text) {
    if (f.Calculated() || !TziTakesNumberText()) return false;
    StoreField(f, nullptr, &text);
    return true;
}

TField* TTzPrimDataset::FieldByNumber(int fieldNo) {
    if (fieldNo < 1) return nullptr;
    for (auto& f : fields_)
        if (f->FieldNo() == fieldNo) return f.get();
    return nullptr;
}

TField& TTzPrimDataset::FieldByName(const std::string& name) {
    TField* f = FindField(name);
    if (!f) throw EDatabaseError(name_ + ": Feld '" + name + "' nicht gefunden");
    return *f;
}

uint8_t* TTzPrimDataset::StateBuffer() {
    switch (state_) {
        case TDataSetState::dsBrowse: return activeRecNo_ == 0 ? nullptr : active_.data();
        case TDataSetState::dsEdit:
        case TDataSetState::dsInsert:
        case TDataSetState::dsSetKey: return active_.data();
        case TDataSetState::dsCalcFields: return calcBuffer_;
        default: return nullptr;
    }
}

bool TTzPrimDataset::GetFieldData(const TField& f, void* dest) {
    if (!Active()) return false;
    uint8_t* buffer = StateBuffer();
    if (!buffer) return false;
    if (f.Calculated()) {
        if (state_ == TDataSetState::dsSetKey) return false;
        const TFieldDef& d = f.Def();
        const uint8_t* p = buffer + d.offset;
        const bool has = p[0] != 0;
        if (has && dest) std::memcpy(dest, p + 1, static_cast<std::size_t>(d.dataSize));
        return has;
    }
    return TziGetField(f, buffer, dest);
}

void TTzPrimDataset::SetFieldData(TField& f, const void* src) { StoreField(f, src, nullptr); }

void TTzPrimDataset::StoreField(TField& f, const void* src, const std::string* numberText) {
    const std::string notEditing("Datenmenge weder im Editier- noch im Einfügemodus"_cp850);
    const bool calcState = state_ == TDataSetState::dsCalcFields;
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert &&
        state_ != TDataSetState::dsSetKey && !calcState)
        throw EDatabaseError(notEditing);
    if (f.Calculated()) {
        const TFieldDef& d = f.Def();
        uint8_t* p = StateBuffer() + d.offset;
        p[0] = src ? 1 : 0;
        if (src) {
            std::memcpy(p + 1, src, static_cast<std::size_t>(d.dataSize));
        } else {
            std::memset(p + 1, 0, static_cast<std::size_t>(d.dataSize));
        }
    } else {
        // A record being calculated is read, never written.
        if (calcState) throw EDatabaseError(notEditing);
        if (f.ReadOnly && state_ != TDataSetState::dsSetKey)
            throw EDatabaseError("Feld '" + f.FieldName() +
                                 std::string("' kann nicht verändert werden"_cp850));
        Check(numberText ? TziPutNumberText(f, active_.data(), *numberText)
                         : TziPutField(f, active_.data(), src));
    }
    if (calcState) return;
    modified_ = true;
    if (f.OnChange) f.OnChange(f);
}

void TTzPrimDataset::SaveActiveToSpare() { spare_ = active_; }

void TTzPrimDataset::RestoreActiveFromSpare() {
    if (spare_.size() == active_.size()) active_ = spare_;
}

}  // namespace veldrim
