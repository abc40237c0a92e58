#pragma once
// Every test runs in a folder of its own: a fresh temporary folder becomes
// the current folder before the test's fixture is built, and with it the
// program's start, configuration and default data folders. So the
// configuration and session files the program reads at start-up
// ("VELDRIM.cfg", "VELDRIM.cff"), and anything else found by a relative name,
// are the test's own and never those of the folder ctest or a developer
// started the test program in. The caller's folder is current again after
// the test, and the test's folder is removed with what it holds.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "foundation/program_state.h"
#include "support/test_files.h"

namespace veldrim::testing {

class FolderPerTest : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        folder_ = std::make_unique<TempDir>("veldrim-own-folder");
        std::error_code ec;
        caller_ = std::filesystem::current_path(ec);
        if (!folder_->path().empty()) std::filesystem::current_path(folder_->path(), ec);
        if (folder_->path().empty() || ec) {
            // Run in the caller's folder, a test could read its files.
            std::fputs("veldrim tests: no folder of its own for the test\n", stderr);
            std::exit(EXIT_FAILURE);
        }
        startDirectory = defaultDataDirectory = configurationDirectory = folder_->path();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::error_code ec;
        if (!caller_.empty()) std::filesystem::current_path(caller_, ec);
        folder_.reset();
    }

private:
    std::unique_ptr<TempDir> folder_;
    std::filesystem::path caller_;
};

// Registers the listener above; called once by the test program's main.
inline void RunEachTestInAFolderOfItsOwn() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FolderPerTest);
}

}  // namespace veldrim::testing
