#pragma once
// Test support of the DXF writer, block and polyline tests: a back end that
// records every entity it receives as one text line, a fixture that starts
// every test from the program's defaults in a private user directory, and
// helpers around the independent DXF reader.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/dxf_writer.h"
#include "graphics/record_writer.h"

namespace veldrim::testing_support {

// Numbers of recorded entities with 4 decimals; -0 as 0.
inline std::string N(Real v) {
    if (std::fabs(v) < 5E-5L) v = 0;
    return FixedPointText(v, 4);
}

// Every entity becomes one line: "LINE x1 y1 x2 y2", "ARC x y start end r",
// "TEXT 'text' x y h=height w=width a=angle L=layer", ...
class RecordingWriter : public CadWriter {
public:
    static std::vector<std::string>& Log() {
        static std::vector<std::string> log;
        return log;
    }
    static std::unique_ptr<CadWriter> Make() { return std::make_unique<RecordingWriter>(); }

    void Line(Real x1, Real y1, Real x2, Real y2) override {
        Log().push_back("LINE " + N(x1) + " " + N(y1) + " " + N(x2) + " " + N(y2) + Layer());
    }
    void Circle(Real x, Real y, Real r) override {
        Log().push_back("CIRCLE " + N(x) + " " + N(y) + " " + N(r) + Layer());
    }
    void Arc(Real x, Real y, Real s, Real e, Real r, Real sweep) override {
        // Angles are compared modulo a full turn.
        auto a = [](Real v) {
            v = std::fmod(v, 360.0L);
            if (v < -5E-5L) v += 360;
            if (std::fabs(v - 360) < 5E-5L) v = 0;
            return N(v);
        };
        Log().push_back("ARC " + N(x) + " " + N(y) + " " + a(s) + " " + a(e) + " " + N(r) +
                        " sweep " + N(sweep) + Layer());
    }
    void Text(const std::string& text, Real x, Real y) override {
        const CadOutputRecord& st = CadOutputState;
        Log().push_back("TEXT '" + text + "' " + N(x) + " " + N(y) + " h=" + N(st.textHeight) +
                        " w=" + N(st.textWidthFactor) + " a=" + N(st.textAngle) + Layer());
    }
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        Log().push_back("SOLID " + N(x1) + " " + N(y1) + " " + N(x2) + " " + N(y2) + " " + N(x3) +
                        " " + N(y3) + " " + N(x4) + " " + N(y4) + Layer());
    }
    void Insert(const std::string& name, Real x, Real y, Real angle, Real sx, Real sy) override {
        Log().push_back("INSERT " + name + " " + N(x) + " " + N(y) + " " + N(angle) + " " + N(sx) +
                        " " + N(sy));
    }

private:
    static std::string Layer() {
        return " L" + std::to_string(CadOutputState.currentLayerNumber);
    }
};

// Defaults of every module the CAD output touches, a scripted UI and a
// private user directory.
class CadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetMessages();
        ResetCadOutputState();
        ResetCadWriterFactories();
        // The DXF and drawing-record writers, whatever the table holds.
        CadWriterFactories[kCadDxf] = &MakeDxfWriter;
        CadWriterFactories[kCadPlot] = &MakeDxfWriter;
        CadWriterFactories[kCadTxt] = &MakeTxtWriter;
        RecordingWriter::Log().clear();
        dir = std::filesystem::temp_directory_path() /
              ("veldrim_g2_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        userDirectory = dir.string();
        cadDirectory = dir.string();
        scoped = std::make_unique<ScopedUi>(ui);
    }
    void TearDown() override {
        scoped.reset();
        ResetCadWriterFactories();
        ResetCadOutputState();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // A screen run whose entities go to the recording writer.
    void BeginRecordedScreenRun() {
        CadWriterFactories[kCadScreen] = &RecordingWriter::Make;
        CadBeginOutput(kCadScreen);
        ASSERT_FALSE(cancelFlag);
    }
    std::vector<std::string>& Log() { return RecordingWriter::Log(); }

    // The messages of the list, in order.
    static std::vector<std::string> Messages() {
        std::vector<std::string> out;
        for (int i = 1; i <= messageList.count; ++i) out.push_back(messageList.slot[static_cast<std::size_t>(i)]);
        return out;
    }
    std::vector<std::string> ShownTexts() const {
        std::vector<std::string> out;
        for (const auto& c : ui.calls)
            if (c.kind == "message") out.push_back(c.text);
        return out;
    }

    static std::string ReadFile(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    std::filesystem::path dir;
    ScriptedUi ui;
    std::unique_ptr<ScopedUi> scoped;
};

// Runs Debian's python on a script with one argument (no shell); its output
// (stdout and stderr) and exit code.
inline std::string RunPython(const std::string& script, const std::string& arg, int& exitCode) {
    const std::string out = arg + ".out";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("PYTHONIOENCODING", "utf-8", 1);
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        const char* argv[] = {"/usr/bin/python3", script.c_str(), arg.c_str(), nullptr};
        ::execv(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(out, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool HaveEzdxfChecker() {
    int code = -1;
    const std::string probe =
        (std::filesystem::temp_directory_path() / ("veldrim_g2_probe_" + std::to_string(::getpid()))).string();
    RunPython(std::string(VELDRIM_TEST_DIR) + "/graphics/dxf_ezdxf_probe.py", probe, code);
    std::error_code ec;
    std::filesystem::remove(probe + ".out", ec);
    return code == 0;
}

}  // namespace veldrim::testing_support
