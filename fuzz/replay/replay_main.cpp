// Replays a fuzz target's committed corpus without libFuzzer: every file of
// the named folders (and every named file) is handed to the target once, in
// name order. Built into the test build, so the sanitizers of `make test`
// watch the replay and a crash that was fixed stays fixed. The replay runs
// in a folder of its own, which is also the temporary folder of the targets'
// scratch files and the user's home (never the developer's own folders), and
// removes it with what it holds at its end.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (fs::is_directory(argv[i], ec)) {
            for (const auto& e : fs::directory_iterator(argv[i], ec))
                if (e.is_regular_file()) inputs.push_back(fs::absolute(e.path(), ec));
        } else {
            inputs.push_back(fs::absolute(argv[i], ec));
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no corpus input found\n");
        return 1;
    }
    char pattern[] = "/tmp/veldrim-replay-XXXXXX";
    const char* own = mkdtemp(pattern);
    std::error_code ec;
    if (own) fs::current_path(own, ec);
    for (const char* desktop : {"XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        unsetenv(desktop);
    if (!own || ec || setenv("TMPDIR", own, 1) != 0 || setenv("HOME", own, 1) != 0) {
        std::fprintf(stderr, "replay: no folder of its own\n");
        return 1;
    }
    struct RemoveAtEnd {
        fs::path folder;
        ~RemoveAtEnd() {
            std::error_code ignored;
            fs::current_path("/", ignored);
            fs::remove_all(folder, ignored);
        }
    } removeAtEnd{own};
    for (const fs::path& p : inputs) {
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "replay: cannot read %s\n", p.c_str());
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        std::printf("replay %s (%zu bytes)\n", p.c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
