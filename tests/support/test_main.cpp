// The main of the GoogleTest programs of the subsystems: GoogleTest's own,
// with every test in a folder of its own.
#include <gtest/gtest.h>

#include "support/folder_per_test.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    veldrim::testing::RunEachTestInAFolderOfItsOwn();
    return RUN_ALL_TESTS();
}
