// The committed corpus of the index fuzz target, replayed: every file is
// opened, walked, searched and changed without a crash, and the engine is
// left without open areas.
#include <filesystem>

#include "../../../fuzz/ndx_open_run.h"
#include "tables/index/index_fixture.h"

namespace veldrim::testing {
namespace {

class NdxCorpus : public IndexTest {};

TEST_F(NdxCorpus, EveryFileIsReadOrRefusedSafely) {
    const std::filesystem::path corpus = std::string(VELDRIM_TEST_DIR) + "/../fuzz/corpus/ndx_open";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::string bytes = Slurp(entry.path().string());
        fuzzing::RunIndexInput(dir, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        EXPECT_EQ(CurrentWorkArea(), nullptr) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 8);
}

}  // namespace
}  // namespace veldrim::testing
