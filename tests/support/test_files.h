#pragma once
// Test helpers for files: a temporary folder that is removed afterwards,
// whole-file reads and writes of raw bytes, and a limit on the size of the
// files the process writes.

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace veldrim::testing {

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The lines of a text with CR LF line ends, without their ends.
inline std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

// A fresh folder under /tmp, removed with everything in it (write
// permission restored first) when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& tag = "veldrim") {
        std::string pattern = "/tmp/" + tag + "-XXXXXX";
        if (const char* made = mkdtemp(pattern.data())) path_ = made;
    }
    ~TempDir() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& leaf) const { return path_ + "/" + leaf; }

private:
    std::string path_;
};

// Limits the size of files this process may write, so that writing beyond it
// fails with EFBIG (a full disk for the program); restored on destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &old_);
        const rlimit lim{bytes, old_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_), std::signal(SIGXFSZ, oldHandler_); }

private:
    void (*oldHandler_)(int);
    rlimit old_{};
};

}  // namespace veldrim::testing
