// Primitives per second into a DXF exchange file through the CAD output run,
// and the same lines written by ezdxf (Debian's python3-ezdxf) in the same
// run, with the ratio of the two rates.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"

namespace veldrim {
namespace {

constexpr int kLines = 200000;

std::filesystem::path Folder() {
    static const std::filesystem::path folder = [] {
        char pattern[] = "/tmp/veldrim-bench-dxf-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::filesystem::path(made ? made : "/tmp");
    }();
    return folder;
}

Real LineX(int i) { return (i % 1000) * 0.25L; }
Real LineY(int i) { return (i / 1000) * 0.5L; }

// One DXF run of n lines (a tooth-flank-like staircase), in batch mode so
// that no dialog asks for the name.
void WriteDxfLines(int n) {
    cadBatchFlag = true;
    currentFileName = (Folder() / "veldrim").string();
    CadBeginOutput(kCadDxf);
    CadBeginDrawing(0, 0, 250, 100, 0);
    CadWriteTables(2);
    CadBeginBlocks();
    CadEndSection();
    CadBeginEntities();
    CadSetLayer(1);
    for (int i = 0; i < n; ++i) CadLine(LineX(i), LineY(i), LineX(i) + 0.2L, LineY(i) + 0.1L);
    CadEndSection();
    CadEndOutput();
    cadBatchFlag = false;
}

void BM_DxfLinesThroughTheRun(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) WriteDxfLines(n);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DxfLinesThroughTheRun)->Arg(10000)->Arg(kLines)->Unit(benchmark::kMillisecond);

void BM_DxfMixThroughTheRun(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        cadBatchFlag = true;
        currentFileName = (Folder() / "mix").string();
        CadBeginOutput(kCadDxf);
        CadBeginDrawingDefault();
        CadWriteTables(2);
        CadBeginEntities();
        for (int i = 0; i < n; ++i) {
            const Real x = i * 0.01L, y = 50 + i * 0.003L;
            CadLine(x, y, x + 0.37L, y + 0.21L);
            if (i % 8 == 0) CadArc(x, y, 10, 80, 3.5L, -70);
            if (i % 16 == 0) CadCircle(x, y, 1.25L);
            if (i % 64 == 0) CadText("z2 = 41", x, y);
        }
        CadEndSection();
        CadEndOutput();
        cadBatchFlag = false;
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DxfMixThroughTheRun)->Arg(100000)->Unit(benchmark::kMillisecond);

// The peer: ezdxf writes the same lines to an R12 file; the script times
// its own work (document, entities, saving) without the interpreter start.
const char* const kEzdxfScript = R"(
import sys, time
import ezdxf
n = int(sys.argv[1]); path = sys.argv[2]
t0 = time.perf_counter()
doc = ezdxf.new("R12")
msp = doc.modelspace()
for i in range(n):
    x = (i % 1000) * 0.25; y = (i // 1000) * 0.5
    msp.add_line((x, y), (x + 0.2, y + 0.1), dxfattribs={"layer": "1"})
doc.saveas(path)
print(time.perf_counter() - t0)
)";

// Seconds ezdxf took for n lines; negative when it could not run.
double EzdxfSeconds(int n) {
    const std::string script = (Folder() / "ezdxf_lines.py").string();
    std::ofstream(script) << kEzdxfScript;
    const std::string out = (Folder() / "ezdxf.out").string();
    const std::string target = (Folder() / "ezdxf.dxf").string();
    const std::string count = std::to_string(n);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) ::dup2(fd, 1);
        const char* argv[] = {"/usr/bin/python3", script.c_str(), count.c_str(), target.c_str(),
                              nullptr};
        ::execv(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    std::ifstream in(out);
    std::string text;
    std::getline(in, text);
    double seconds = -1;
    std::from_chars(text.data(), text.data() + text.size(), seconds);
    return seconds;
}

void BM_DxfVersusEzdxf(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    double ours = 0, peer = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        WriteDxfLines(n);
        ours = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        peer = EzdxfSeconds(n);
        state.SetIterationTime(ours);
    }
    if (peer <= 0) {
        state.SkipWithError("python3-ezdxf did not run");
        return;
    }
    state.counters["lines_per_s"] = n / ours;
    state.counters["ezdxf_lines_per_s"] = n / peer;
    state.counters["ratio_vs_ezdxf"] = peer / ours;
    std::printf("DXF writer: %.0f lines/s, ezdxf: %.0f lines/s, ratio %.1f\n", n / ours, n / peer,
                peer / ours);
}
BENCHMARK(BM_DxfVersusEzdxf)->Arg(kLines)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace veldrim
