#pragma once
// TTzBlobStream: the table engine's blob stream, a byte stream over one memo
// field of the active record of a file dataset.

#include <cstdint>

namespace veldrim {

class TField;
class TTzFileDataSet;

// A byte stream over the memo field of the active record. Tables of OEM
// text convert text pieces to ANSI on reading and back on writing.
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
