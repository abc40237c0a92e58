#pragma once
// Every test runs in a folder of its own: a fresh temporary folder becomes
// the current folder before the test's fixture is built, and with it the
// program's start, configuration and default data folders. So the
// configuration and session files the program reads at start-up
// ("VELDRIM.cfg", "VELDRIM.cff"), and anything else found by a relative name,
// are the test's own and never those of the folder ctest or a developer
// started the test program in. The user's home is the test's own as well: an
// empty folder of its own, with no desktop folders named apart from it, so
// the program's private folder (~/.cache/veldrim, where reports and scratch
// files go) and the user's data folder (~/.local/share/veldrim) are the
// test's, never the developer's. The caller's folder and environment are
// back after the test, and the test's folders are removed with what they
// hold.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "foundation/program_state.h"
#include "support/test_files.h"

namespace veldrim::testing {

class FolderPerTest : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        folder_ = std::make_unique<TempDir>("veldrim-own-folder");
        home_ = std::make_unique<TempDir>("veldrim-own-home");
        std::error_code ec;
        caller_ = std::filesystem::current_path(ec);
        if (!folder_->path().empty()) std::filesystem::current_path(folder_->path(), ec);
        if (folder_->path().empty() || home_->path().empty() || ec) {
            // Run in the caller's folder, a test could read its files.
            std::fputs("veldrim tests: no folder of its own for the test\n", stderr);
            std::exit(EXIT_FAILURE);
        }
        for (std::size_t i = 0; i < kHomeVariables.size(); ++i) {
            const char* value = std::getenv(kHomeVariables[i]);
            callerEnv_[i] = value ? std::optional<std::string>(value) : std::nullopt;
            ::unsetenv(kHomeVariables[i]);
        }
        ::setenv("HOME", home_->path().c_str(), 1);
        startDirectory = defaultDataDirectory = configurationDirectory = folder_->path();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::error_code ec;
        if (!caller_.empty()) std::filesystem::current_path(caller_, ec);
        for (std::size_t i = 0; i < kHomeVariables.size(); ++i) {
            if (callerEnv_[i])
                ::setenv(kHomeVariables[i], callerEnv_[i]->c_str(), 1);
            else
                ::unsetenv(kHomeVariables[i]);
        }
        folder_.reset();
        home_.reset();
    }

private:
    // What names the user's home and the desktop folders below it.
    static constexpr std::array<const char*, 4> kHomeVariables{"HOME", "XDG_CACHE_HOME",
                                                               "XDG_DATA_HOME", "XDG_CONFIG_HOME"};
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<TempDir> home_;
    std::filesystem::path caller_;
    std::array<std::optional<std::string>, kHomeVariables.size()> callerEnv_;
};

// Registers the listener above; called once by the test program's main.
inline void RunEachTestInAFolderOfItsOwn() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FolderPerTest);
}

}  // namespace veldrim::testing
