#pragma once
// The fixture of the dataset tests: a small table of six records and a
// reader of what a table holds on disk, through a work area of its own.

#include <string>

#include "tables/engine/locking.h"
#include "tables/engine/navigation.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {

class DatasetFixture : public TableTest {
protected:
    // Six records a..f with N = 1..6.
    std::string SixRecords() {
        const std::string path = Make("six.dbf", {F("NAME", 'C', 10), F("N", 'N', 5)});
        UseIn(1, path);
        for (int i = 1; i <= 6; ++i) {
            ALock();
            ClearRecord();
            SetBinaryText(1, std::string(1, static_cast<char>('a' + i - 1)));
            SetBinaryInteger(2, i);
            Append();
            Unlock();
        }
        CloseArea();
        return path;
    }
    // The stored text of field n of record r, read by another work area.
    static std::string OnDisk(const std::string& path, int field, int rec) {
        const uint8_t back = SelectedArea();
        Select(20);
        USE(path + " ALIAS DISKCHECK");
        const std::string t = Peek(static_cast<uint8_t>(field), rec);
        CloseArea();
        Select(back);
        return t;
    }
    // The record count stored on disk.
    static int32_t CountOnDisk(const std::string& path) {
        const uint8_t back = SelectedArea();
        Select(20);
        USE(path + " ALIAS DISKCHECK");
        const int32_t n = RecCount();
        CloseArea();
        Select(back);
        return n;
    }
};

}  // namespace veldrim::testing
