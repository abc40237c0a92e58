#pragma once
// Runs the independent readers of the exchange files (OpenCASCADE, admesh,
// numpy-stl) and picks values out of what they print.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "dxf_test_support.h"
#include "graphics/blocks.h"
#include "graphics/cad_primitives.h"
#include "support/test_files.h"

namespace veldrim::testing_support {

// Runs a program (no shell) with extra environment variables; its stdout
// and stderr together. The readers exit 0 on bad files, so callers look for
// the lines they expect instead of the exit code.
inline std::string RunTool(const std::vector<std::string>& argv,
                           const std::vector<std::pair<std::string, std::string>>& env,
                           const std::string& outFile) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
        const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        if (in >= 0) ::dup2(in, 0);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return testing::Slurp(outFile);
}

inline double ToDouble(std::string_view s) {
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;
}

inline bool HaveProgram(const char* path) { return ::access(path, X_OK) == 0; }

// OpenCASCADE's view of an IGES or STEP file (cad_occt_check.tcl).
// dump: entity numbers to print in full ("5 6").
inline std::string OcctCheck(const std::string& file, const std::string& dump = "") {
    std::vector<std::pair<std::string, std::string>> env{{"F", file}};
    if (!dump.empty()) env.emplace_back("DUMP", dump);
    return RunTool({"/usr/bin/occt-draw", "-b", "-f",
                    std::string(VELDRIM_TEST_DIR) + "/graphics/cad_occt_check.tcl"},
                   env, file + ".occt");
}

// numpy-stl's view of an STL file (stl_numpy_check.py).
inline std::string NumpyStlCheck(const std::string& file) {
    return RunTool(
        {"/usr/bin/python3", std::string(VELDRIM_TEST_DIR) + "/graphics/stl_numpy_check.py", file},
        {}, file + ".numpy");
}

// admesh's check without repair.
inline std::string AdmeshCheck(const std::string& file) {
    return RunTool({"/usr/bin/admesh", "-e", "-d", "-v", file}, {}, file + ".admesh");
}

// The text after "key" up to the next blank or line end; "" when missing.
inline std::string Field(const std::string& out, const std::string& key) {
    const size_t at = out.find(key);
    if (at == std::string::npos) return "";
    const size_t from = at + key.size();
    const size_t to = out.find_first_of(" \r\n", from);
    return out.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

// The numbers of a line "key ... : a   b" (admesh prints Original and Final).
inline std::vector<double> AdmeshValues(const std::string& out, const std::string& key) {
    std::vector<double> v;
    const size_t at = out.find(key);
    if (at == std::string::npos) return v;
    const size_t colon = out.find(':', at);
    const size_t end = out.find('\n', colon);
    std::string rest = out.substr(colon + 1, end - colon - 1);
    static const std::regex number(R"(-?\d+(\.\d+)?)");
    for (auto it = std::sregex_iterator(rest.begin(), rest.end(), number);
         it != std::sregex_iterator(); ++it)
        v.push_back(ToDouble(it->str()));
    return v;
}

// The six numbers of "BBOX=xmin ymin zmin xmax ymax zmax".
inline std::vector<double> Bbox(const std::string& out) {
    std::vector<double> v;
    const size_t at = out.find("BBOX=");
    if (at == std::string::npos) return v;
    const std::string line = out.substr(at + 5, out.find('\n', at) - at - 5);
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end) {
        while (p < end && *p == ' ') ++p;
        double d = 0;
        const auto r = std::from_chars(p, end, d);
        if (r.ec != std::errc{}) break;
        v.push_back(d);
        p = r.ptr;
    }
    return v;
}

// One whole run of a CAD-Code into dir/name (the name typed into the save
// dialog): drawing limits 0..160 x 0..120, blocks, then the entity passes
// until the run is complete. Returns the file written.
class ExchangeFixture : public CadFixture {
protected:
    std::filesystem::path Run(uint16_t code, const std::string& name,
                              const std::function<void()>& entities,
                              const std::function<void()>& blocks = {}, Real height = 0) {
        const std::filesystem::path file = dir / name;
        ui.QueueText(file.string());
        CadBeginOutput(code);
        EXPECT_FALSE(cancelFlag) << name;
        CadBeginDrawing(0, 0, 160, 120, height);
        CadWriteTables(2);
        CadBeginBlocks();
        if (blocks) blocks();
        CadEndSection();
        passes = 0;
        do {
            ++passes;
            CadBeginEntities();
            entities();
            CadEndSection();
        } while (!CadOutputComplete() && passes < 5);
        CadEndOutput();
        EXPECT_FALSE(cancelFlag) << name;
        return CadOutputState.outputFileName;
    }
    int passes = 0;
};

}  // namespace veldrim::testing_support
