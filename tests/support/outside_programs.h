#pragma once
// The one way the tests start an outside program (the independent readers and
// converters: occt-draw, Debian's python3, perl, pdftotext, pdftoppm, iconv,
// xmllint, hp2xx, admesh, the shapelib and index tools): by an argument
// vector, never through a shell, with standard input from /dev/null and the
// locale the program needs, whatever environment the tests were started in.
// Started from an empty environment (no LANG, as in a fresh container), a
// program would otherwise run in the C locale, in which some print the letters
// of a file name beyond ASCII as '?'.

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace veldrim::testing {

// The locale every outside program runs in.
inline constexpr const char* kOutsideLocale = "C.UTF-8";

// The environment of an outside program: the tests' own, with every locale
// variable (LANG, LANGUAGE, LC_*) replaced by LC_ALL=C.UTF-8, Python's
// streams in UTF-8, and no compiled Python files left in the source tree.
inline std::vector<std::string> OutsideEnvironment() {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry = *e;
        if (entry.starts_with("LANG=") || entry.starts_with("LANGUAGE=") ||
            entry.starts_with("LC_") || entry.starts_with("PYTHONIOENCODING=") ||
            entry.starts_with("PYTHONDONTWRITEBYTECODE="))
            continue;
        env.emplace_back(entry);
    }
    env.push_back(std::string("LC_ALL=") + kOutsideLocale);
    env.push_back("PYTHONIOENCODING=utf-8");
    env.push_back("PYTHONDONTWRITEBYTECODE=1");
    return env;
}

// What an outside program wrote and how it ended.
struct OutsideRun {
    std::string out;  // standard output (with kErrorsMerged also standard error)
    std::string err;  // standard error (kErrorsApart)
    int status = -1;  // the exit status; -1 when it did not start or a signal ended it
};

enum OutsideErrors { kErrorsApart, kErrorsMerged };

namespace outside_detail {
inline std::string ReadBack(int fd) {
    std::string text;
    char buf[65536];
    off_t at = 0;
    for (ssize_t n; (n = ::pread(fd, buf, sizeof buf, at)) > 0; at += n)
        text.append(buf, static_cast<std::size_t>(n));
    return text;
}
}  // namespace outside_detail

// Runs argv[0] (looked up on PATH when it holds no '/') with the arguments
// argv and the environment above, to its end. Its output goes to memory files,
// so neither stream can hold it up, however much it writes.
inline OutsideRun RunOutsideProgram(const std::vector<std::string>& argv,
                                    OutsideErrors errors = kErrorsApart) {
    OutsideRun run;
    if (argv.empty()) return run;
    const int out = ::memfd_create("outside-out", MFD_CLOEXEC);
    const int err = errors == kErrorsApart ? ::memfd_create("outside-err", MFD_CLOEXEC) : out;
    if (out < 0 || err < 0) return run;
    std::vector<std::string> args = argv, env = OutsideEnvironment();
    std::vector<char*> argp, envp;
    for (std::string& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    pid_t pid = 0;
    const int started = ::posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (started == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.out = outside_detail::ReadBack(out);
    if (err != out) run.err = outside_detail::ReadBack(err);
    ::close(out);
    if (err != out) ::close(err);
    return run;
}

// Runs an outside program as above and returns its standard output; its
// standard error goes to the test's own. *status: as OutsideRun::status.
inline std::string RunOutside(const std::vector<std::string>& argv, int* status = nullptr) {
    OutsideRun run = RunOutsideProgram(argv);
    if (!run.err.empty()) std::fwrite(run.err.data(), 1, run.err.size(), stderr);
    if (status) *status = run.status;
    return std::move(run.out);
}

}  // namespace veldrim::testing
