// The memo fuzz target's committed corpus, replayed under the sanitizers of
// the test build: every file must run through without a crash or a leak.
#include <gtest/gtest.h>

#include <filesystem>

#include "../../../fuzz/memo_read.cpp"
#include "support/test_files.h"
#include "tables/engine_base.h"

namespace {

TEST(MemoFuzzCorpus, EveryCorpusFileRunsThrough) {
    const std::filesystem::path corpus = std::filesystem::path(VELDRIM_TEST_DIR) / "../fuzz/corpus/memo_read";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::string bytes = veldrim::testing::Slurp(entry.path().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0)
            << entry.path().filename();
        ++files;
    }
    EXPECT_GE(files, 5);
    std::filesystem::remove_all(veldrim::fuzzing::ScratchFolder());
    veldrim::ResetTableEngine();
}

}  // namespace
