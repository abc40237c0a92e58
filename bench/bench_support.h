#pragma once
// What the benchmarks share: the record count of the table benchmarks
// (overridden by VELDRIM_BENCH_RECORDS), a private scratch folder removed at
// the end of the run, repetitions with their median and spread, the ratio lines that a
// script reads ("ratio NAME = X", the median of the repetitions' ratios),
// and the start of a peer program whose own timing comes back on a pipe.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

extern char** environ;

namespace veldrim::bench {

using Clock = std::chrono::steady_clock;

template <class Work>
double Seconds(Work&& work) {
    const auto t0 = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// A folder of mode 0700 for the run's files, removed with everything in it
// when the program ends.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "veldrim-bench-XXXXXX").string();
        if (const char* made = ::mkdtemp(pattern.data())) path_ = made;
        text_ = path_.string();
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::string& Path() const { return text_; }

private:
    std::filesystem::path path_;
    std::string text_;
};

inline const ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

// The scratch folder's path as text.
inline const std::string& Folder() { return Scratch().Path(); }

inline int Records() {
    const char* e = std::getenv("VELDRIM_BENCH_RECORDS");
    const int n = e ? std::atoi(e) : 0;
    return n > 0 ? n : 1000000;
}

// VELDRIM_BENCH_REPETITIONS overrides the repetitions of every comparison.
inline int Repetitions(int fallback) {
    const char* e = std::getenv("VELDRIM_BENCH_REPETITIONS");
    const int n = e ? std::atoi(e) : 0;
    return n > 0 ? n : fallback;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

inline std::string Fixed(double x, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

// A time in s, ms or us, whichever shows it with three or more digits.
inline std::string TimeText(double seconds) {
    if (seconds >= 1) return Fixed(seconds, 3) + " s";
    if (seconds >= 1E-3) return Fixed(seconds * 1E3, 3) + " ms";
    return Fixed(seconds * 1E6, 3) + " us";
}

// "what: median 1.234 s, spread 1.200 s .. 1.300 s over 5 repetitions"
inline void PrintTimes(const std::string& what, const std::vector<double>& seconds) {
    if (seconds.empty()) return;
    const auto [lo, hi] = std::minmax_element(seconds.begin(), seconds.end());
    std::printf("%s: median %s, spread %s .. %s over %zu repetitions\n", what.c_str(),
                TimeText(Median(seconds)).c_str(), TimeText(*lo).c_str(), TimeText(*hi).c_str(),
                seconds.size());
    std::fflush(stdout);
}

// The ratio line of a comparison: the median of the ratios of the paired
// repetitions, then their spread on a line of its own.
inline double PrintRatio(const std::string& name, const std::vector<double>& ratios) {
    if (ratios.empty()) return 0;
    const auto [lo, hi] = std::minmax_element(ratios.begin(), ratios.end());
    const double median = Median(ratios);
    std::printf("ratio %s = %s\n", name.c_str(), Fixed(median, 2).c_str());
    std::printf("  spread of %s: %s .. %s over %zu repetitions\n", name.c_str(),
                Fixed(*lo, 2).c_str(), Fixed(*hi, 2).c_str(), ratios.size());
    std::fflush(stdout);
    return median;
}

// Runs a program (no shell) and gives what it printed on standard output;
// nothing when it could not start or did not end with status 0.
inline std::optional<std::string> ProgramOutput(std::vector<std::string> words) {
    int out[2];
    if (::pipe(out) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; spawned == 0 && (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    if (spawned != 0) return std::nullopt;
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

// Runs /usr/bin/python3 with a script text and arguments; the script prints
// the seconds of its own work (without the interpreter's start) as its
// first line. Negative when the peer could not run.
inline double PythonSeconds(const std::string& script, const std::vector<std::string>& args) {
    std::vector<std::string> words{"/usr/bin/python3", "-c", script};
    words.insert(words.end(), args.begin(), args.end());
    const std::optional<std::string> text = ProgramOutput(std::move(words));
    if (!text) return -1;
    double seconds = -1;
    std::from_chars(text->data(), text->data() + text->size(), seconds);
    return seconds;
}

}  // namespace veldrim::bench
