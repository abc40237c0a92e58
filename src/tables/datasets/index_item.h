#pragma once
// TIndexItem: one item of a file dataset's IndexList, the index file that
// is opened (and built when missing) with the table.

#include <string>

namespace veldrim {

// One line of IndexList: "number,file,expression".
struct TIndexItem {
    int number = 0;
    std::string fileName;
    std::string expression;  // at most 100 characters
};
// False when the number is not a whole number.
bool ParseIndexItem(const std::string& line, TIndexItem& item);

}  // namespace veldrim
