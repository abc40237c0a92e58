#pragma once
// Runs the independent readers of the exchange files (OpenCASCADE, admesh,
// numpy-stl) and picks values out of what they print.

#include <unistd.h>

#include <charconv>
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

inline double ToDouble(std::string_view s) {
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;
}

inline bool HaveProgram(const char* path) { return ::access(path, X_OK) == 0; }

// OpenCASCADE's view of an IGES or STEP file (cad_occt_check.tcl, which
// reads the file name from F); dump: entity numbers to print in full
// ("5 6"); header: also print the decoded header section. The readers exit
// 0 on bad files, so callers look for the lines they expect instead of the
// exit code.
inline std::string OcctCheck(const std::string& file, const std::string& dump = "",
                             bool header = false) {
    std::vector<std::string> argv{"/usr/bin/env", "F=" + file};
    if (!dump.empty()) argv.push_back("DUMP=" + dump);
    if (header) argv.push_back("HEADER=1");
    argv.insert(argv.end(), {"/usr/bin/occt-draw", "-b", "-f",
                             std::string(VELDRIM_TEST_DIR) + "/graphics/cad_occt_check.tcl"});
    int exitCode = 0;
    return RunTool(argv, file + ".occt", exitCode);
}

// numpy-stl's view of an STL file (stl_numpy_check.py).
inline std::string NumpyStlCheck(const std::string& file) {
    int exitCode = 0;
    return RunPython(std::string(VELDRIM_TEST_DIR) + "/graphics/stl_numpy_check.py", file,
                     exitCode);
}

// admesh's check without repair.
inline std::string AdmeshCheck(const std::string& file) {
    int exitCode = 0;
    return RunTool({"/usr/bin/admesh", "-e", "-d", "-v", file}, file + ".admesh", exitCode);
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
