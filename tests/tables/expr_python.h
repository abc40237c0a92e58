#pragma once
// Runs Debian's python3 (the one with the distribution's modules, not the
// first python3 on PATH) as an independent reference for expression tests.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

extern char** environ;

namespace veldrim {

// Runs the script and returns its standard output (empty when it cannot run).
inline std::string RunPython(const std::string& script) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("veldrim_expr_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path py = dir / "ref.py", out = dir / "ref.txt";
    std::ofstream(py) << script;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string prog = "/usr/bin/python3", arg = py.string();
    char* argv[] = {prog.data(), arg.data(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return {};
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream in(out);
    std::stringstream ss;
    ss << in.rdbuf();
    fs::remove_all(dir);
    return ss.str();
}


}  // namespace veldrim
