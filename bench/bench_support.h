#pragma once
// Shared pieces of the table benchmarks: the record count (overridden by
// VELDRIM_BENCH_RECORDS) and one scratch folder per run, removed at the end.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace veldrim::bench {

inline int Records() {
    const char* e = std::getenv("VELDRIM_BENCH_RECORDS");
    const int n = e ? std::atoi(e) : 0;
    return n > 0 ? n : 1000000;
}

// A scratch folder for the run, removed at the end.
struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        char templ[] = "/tmp/veldrim_bench_XXXXXX";
        const char* d = mkdtemp(templ);
        path = d ? d : "";
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

inline const std::string& Folder() {
    static ScratchFolder dir;
    return dir.path;
}

}  // namespace veldrim::bench
