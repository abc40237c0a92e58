// The byte stream over a memo field.

#include "tables/datasets/tz_blob_stream.h"

#include "tables/datasets/tz_file_dataset.h"
#include "tables/memo/memo_file.h"
#include "tables/engine/navigation.h"

namespace veldrim {

TTzBlobStream::TTzBlobStream(TField& field, Mode mode)
    : field_(field), dataset_(dynamic_cast<TTzFileDataSet&>(field.DataSet())), mode_(mode) {
    if (!dataset_.Active()) throw EDatabaseError("DataSet must be active. " + dataset_.Name());
    dataset_.SelectForOperation("CreateBlobStream");
    reference_ = static_cast<int32_t>(field_.AsInteger());
    const bool autoText = dataset_.TableLanguage == tlOem;
    if (mode_ != bmRead) {
        reference_ = OpenBlob(autoText, reference_, 2);
    } else {
        OpenBlob(autoText, dBOF() && dEOF() ? 0 : reference_, 1);
    }
}

int32_t TTzBlobStream::Read(void* buffer, int32_t count) {
    dataset_.SelectForOperation("ReadBlobStream");
    return ReadBlobStream(buffer, count, 0);
}

int32_t TTzBlobStream::Write(const void* buffer, int32_t count) {
    dataset_.SelectForOperation("WriteBlobStream");
    const int32_t n = WriteBlobStream(buffer, count, 0);
    if (n > 0) modified_ = written_ = true;
    return n;
}

int32_t TTzBlobStream::Seek(int32_t offset, uint16_t origin) {
    dataset_.SelectForOperation("SeekBlobStream");
    return SeekBlobStream(offset, origin);
}

TTzBlobStream::~TTzBlobStream() {
    try {
        dataset_.SelectForOperation("DestroyBlobStream");
        DestroyBlobDescriptor();
        if (mode_ != bmRead) {
            // A write stream closed without writing empties the memo.
            if (!written_ && reference_ != 0) {
                reference_ = 0;
                modified_ = true;
            }
            if (modified_) {
                if (dataset_.State() != TDataSetState::dsEdit &&
                    dataset_.State() != TDataSetState::dsInsert)
                    dataset_.Edit();
                field_.SetAsInteger(reference_);
            }
        }
    } catch (...) {
        // A destructor reports nothing further; the engine recorded the error.
    }
}

}  // namespace veldrim
