#pragma once
// Helpers for the memo tests: tables of each memo style and their values.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tables/table_test_util.h"
#include "tables/memo/memo_file.h"
#include "tables/engine/navigation.h"

namespace veldrim::testing {

struct MemoStyleCase {
    const char* label;
    uint8_t version;
    uint16_t blockSize;
    const char* memoExtension;
};

inline const MemoStyleCase kMemoStyles[] = {
    {"dBase III", 0x83, 512, ".dbt"},
    {"dBase IV", 0x8B, 512, ".dbt"},
    {"FoxPro", 0xF5, 64, ".fpt"},
};

class MemoTest : public TableTest {
protected:
    // A table ID N(4), NOTE M of a version with its empty memo file.
    std::string MemoTable(const std::string& name, uint8_t version, uint16_t blockSize) {
        WriteBytes(Path(name), BuildDbf(version, {{"ID", 'N', 4, 0}, {"NOTE", 'M', 10, 0}}, {}));
        CreateDbfMemoFile(Path(name), version, blockSize, "test");
        return Path(name);
    }

    // Appends a record whose memo field gets `ref`.
    static void AppendRef(int id, int32_t ref) {
        ClearRecord();
        SetBinaryInteger(1, id);
        SetBinaryMemoRef(2, ref);
        Append();
    }

    // Writes `bytes` as a new binary value through a stream; its reference.
    static int32_t WriteStream(const std::string& bytes) {
        const int32_t ref = OpenBlob(false, 0, 2);
        WriteBlobStream(bytes.data(), static_cast<int32_t>(bytes.size()), 0);
        DestroyBlobDescriptor();
        return ref;
    }

    // Reads the value `ref` whole through a stream, without conversion.
    static std::string ReadStream(int32_t ref) {
        std::string out;
        if (OpenBlob(false, ref, 1) == 0 && ref != 0) return "<not open>";
        char buf[4096];
        for (int32_t n; (n = ReadBlobStream(buf, sizeof buf, 0)) > 0;)
            out.append(buf, static_cast<std::size_t>(n));
        DestroyBlobDescriptor();
        return out;
    }

    static uint32_t HeaderNextFree(const std::vector<uint8_t>& file, bool bigEndian) {
        if (bigEndian) return (file[0] << 24) | (file[1] << 16) | (file[2] << 8) | file[3];
        return file[0] | (file[1] << 8) | (file[2] << 16) | (static_cast<uint32_t>(file[3]) << 24);
    }

    static uint64_t FileSizeOf(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }
};

// Letters of a given length (no trailing blanks, which AddMemo trims).
inline std::string Letters(std::size_t n, char first = 'a') {
    std::string s(n, ' ');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(first + i % 26);
    return s;
}

// Bytes with zero bytes and end marks among them.
inline std::string BinaryBytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 37) % 256);
    return s;
}

inline std::string Hex(const std::string& s) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace veldrim::testing
