#pragma once
// CAD test support: a writer recording entities as text lines, a fixture with
// the program's defaults in a private user directory, and the ezdxf runner.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/display_list.h"
#include "graphics/formats/dxf_writer.h"
#include "graphics/graphics_defaults.h"
#include "graphics/formats/record_writer.h"
#include "support/outside_programs.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim::testing_support {

// Numbers of recorded entities with 4 decimals; -0 as 0.
inline std::string N(Real v) { return FixedPointText(std::fabs(v) < 5E-5L ? 0 : v, 4); }

// Every entity becomes one line: "LINE x1 y1 x2 y2 L<layer>", "ARC x y start end r
// sweep s L<layer>", "TEXT 'text' x y h= w= a= L<layer>", ...
class RecordingWriter : public CadWriter {
public:
    static inline std::vector<std::string> log;
    static std::vector<std::string>& Log() { return log; }
    static std::unique_ptr<CadWriter> Make() { return std::make_unique<RecordingWriter>(); }

    void Line(Real x1, Real y1, Real x2, Real y2) override { Put("LINE", {x1, y1, x2, y2}); }
    void Circle(Real x, Real y, Real r) override { Put("CIRCLE", {x, y, r}); }
    void Arc(Real x, Real y, Real s, Real e, Real r, Real sweep) override {
        // Angles are compared modulo a full turn.
        auto a = [](Real v) {
            v = std::fmod(v, 360.0L);
            if (v < -5E-5L) v += 360;
            return std::fabs(v - 360) < 5E-5L ? 0 : v;
        };
        Put("ARC", {x, y, a(s), a(e), r}, " sweep " + N(sweep));
    }
    void Text(const std::string& text, Real x, Real y) override {
        const CadOutputRecord& st = CadOutputState;
        Put("TEXT '" + text + "'", {x, y},
            " h=" + N(st.textHeight) + " w=" + N(st.textWidthFactor) + " a=" + N(st.textAngle));
    }
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        Put("SOLID", {x1, y1, x2, y2, x3, y3, x4, y4});
    }

private:
    static void Put(std::string s, std::initializer_list<Real> v, const std::string& tail = "") {
        for (Real x : v) s += " " + N(x);
        Log().push_back(s + tail + " L" + std::to_string(CadOutputState.currentLayerNumber));
    }
};

// Defaults of every module the CAD output touches, a drawing window, a
// scripted UI and a private user directory; interactive, no overwrite question.
class CadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllProgramState();
        // The DXF and drawing-record writers, whatever the table holds.
        CadWriterFactories[kCadDxf] = CadWriterFactories[kCadPlot] = &MakeDxfWriter;
        CadWriterFactories[kCadTxt] = &MakeTxtWriter;
        RecordingWriter::Log().clear();
        userDirectory = cadDirectory = dir.string();
        askBeforeOverwriteFlag = false;
        SetGraphicsWindow(&window);
    }
    void TearDown() override {
        SetGraphicsWindow(nullptr);
        ResetAllProgramState();
    }

    // A screen run whose entities go to the recording writer.
    void BeginRecordedScreenRun() {
        CadWriterFactories[kCadScreen] = &RecordingWriter::Make;
        CadBeginOutput(kCadScreen);
        ASSERT_FALSE(cancelFlag);
    }
    // A DXF run into dir/name, the name typed into the save dialog.
    std::filesystem::path BeginDxfRun(const char* name) {
        const std::filesystem::path file = dir / name;
        ui.QueueText(file.string());
        CadBeginOutput(kCadDxf);
        EXPECT_FALSE(cancelFlag);
        return file;
    }
    std::vector<std::string>& Log() { return RecordingWriter::Log(); }

    static std::vector<std::string> Messages() {
        return {messageList.slot.begin() + 1, messageList.slot.begin() + 1 + messageList.count};
    }
    std::vector<std::string> ShownTexts() const { return ui.TextsOf("message"); }
    static std::string ReadFile(const std::filesystem::path& p) {
        return testing::Slurp(p.string());
    }

    testing::TempDir temp{"veldrim_g2"};
    std::filesystem::path dir{temp.path()};
    ScriptedUi ui;
    ScopedUi scoped{ui};
    TFveldgra window;
};

// Runs an outside program; its output (stdout and stderr, also written to
// `out`) and exit code.
inline std::string RunTool(const std::vector<std::string>& argv, const std::string& out,
                           int& exitCode) {
    const testing::OutsideRun run = testing::RunOutsideProgram(argv, testing::kErrorsMerged);
    exitCode = run.status;
    testing::Spit(out, run.out);
    return run.out;
}

// Runs Debian's python on a script with one argument.
inline std::string RunPython(const std::string& script, const std::string& arg, int& exitCode) {
    return RunTool({"/usr/bin/python3", script, arg}, arg + ".out", exitCode);
}

// The lines the ezdxf checker prints for a written file, and its exit code.
inline std::vector<std::string> EzdxfCheckLines(const std::filesystem::path& file, int& exitCode) {
    const std::string out = RunPython(
        std::string(VELDRIM_TEST_DIR) + "/graphics/dxf_ezdxf_check.py", file.string(), exitCode);
    std::vector<std::string> lines;
    std::stringstream ss(out);
    for (std::string l; std::getline(ss, l);) lines.push_back(l);
    return lines;
}

inline bool HaveEzdxfChecker() {
    testing::TempDir probe{"veldrim_g2_probe"};
    int code = -1;
    RunPython(std::string(VELDRIM_TEST_DIR) + "/graphics/dxf_ezdxf_probe.py", probe / "p", code);
    return code == 0;
}

}  // namespace veldrim::testing_support
