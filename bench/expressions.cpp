// Expression evaluation speed: a filter is compiled once and evaluated over
// 1,000,000 records, first over records held in memory (the evaluator
// alone), then as the filter of a table of 1,000,000 records walked with
// SKIP (evaluation plus record reads), and the same filter over the same
// table through python3-dbfread as a peer.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/expr/expr_compiler.h"
#include "tables/expr/expr_fields.h"
#include "tables/expr/expr_keys.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"

extern char** environ;

namespace {

using namespace veldrim;

constexpr int kRecords = 1000000;
const char* const kFilter = "QTY * 100 + RATE > 5000 .AND. UPPER(NAME) = 'M' .AND. YEAR(BORN) > 50";

// The i-th record's field texts.
struct Rec {
    std::string name, qty, rate, born;
};
Rec MakeRecord(int i) {
    static const char* names[] = {"Miller    ", "Smith     ", "meyer     ", "Jones     ",
                                  "MARTIN    "};
    char qty[16], rate[16];
    std::snprintf(qty, sizeof qty, "%8d", (i * 37) % 100);
    std::snprintf(rate, sizeof rate, "%6d", (i * 11) % 1000);
    std::string born = JulianToDtos(2415021.0 + (i * 7) % 40000);
    return {names[i % 5], qty, rate, born};
}

class MemoryRecords : public ExprFieldSource {
public:
    std::vector<Rec> recs;
    std::size_t at = 0;
    int CurrentAreaNumber() override { return 1; }
    int FindAlias(std::string_view) override { return 0; }
    int FindField(int, std::string_view name, ExprFieldInfo& info) override {
        if (name == "NAME") {
            info = {'C', 10, 0};
            return 1;
        }
        if (name == "QTY") {
            info = {'N', 8, 0};
            return 2;
        }
        if (name == "RATE") {
            info = {'N', 6, 0};
            return 3;
        }
        if (name == "BORN") {
            info = {'D', 8, 0};
            return 4;
        }
        return 0;
    }
    std::string_view FieldText(int, int field) override {
        const Rec& r = recs[at];
        switch (field) {
            case 1: return r.name;
            case 2: return r.qty;
            case 3: return r.rate;
            default: return r.born;
        }
    }
    std::string MemoText(int, int) override { return {}; }
    int32_t RecordNumber(int) override { return static_cast<int32_t>(at + 1); }
    bool RecordDeleted(int) override { return false; }
};

void BM_FilterOverRecordsInMemory(benchmark::State& state) {
    MemoryRecords src;
    src.recs.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) src.recs.push_back(MakeRecord(i));
    ResetEngineBase();
    SetReportErrors(false);
    SetExprFieldSource(&src);
    CompiledExpr* e = AssignExpr(kFilter);
    if (!e) {
        state.SkipWithError("filter does not compile");
        return;
    }
    int64_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (src.at = 0; src.at < src.recs.size(); ++src.at) {
            Evaluate(e);
            hits += ExprResultLogical(e);
        }
        benchmark::DoNotOptimize(hits);
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords),
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["hits"] = static_cast<double>(hits);
    FreeExpr(e);
    ResetExprFieldSource();
}
BENCHMARK(BM_FilterOverRecordsInMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// The benchmark table of 1,000,000 records, written once per run.
std::string BenchTable() {
    namespace fs = std::filesystem;
    static std::string path;
    if (!path.empty()) return path;
    fs::path dir = fs::temp_directory_path() / ("veldrim_bench_expr_" + std::to_string(getpid()));
    fs::create_directories(dir);
    path = (dir / "bench.dbf").string();
    // Removed when the program ends, whichever benchmarks ran.
    static struct Cleanup {
        fs::path dir;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } cleanup{dir};
    // Header and records written directly: four fields, 33-byte records.
    const int recLen = 1 + 10 + 8 + 6 + 8;
    const int headerLength = 32 + 4 * 32 + 1;
    std::vector<uint8_t> h(headerLength, 0);
    h[0] = 0x03;
    h[1] = 126;
    h[2] = 1;
    h[3] = 1;
    for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<uint8_t>((kRecords >> (8 * i)) & 0xFF);
    h[8] = headerLength & 0xFF;
    h[9] = headerLength >> 8;
    h[10] = recLen & 0xFF;
    h[11] = recLen >> 8;
    const char* names[] = {"NAME", "QTY", "RATE", "BORN"};
    const char types[] = {'C', 'N', 'N', 'D'};
    const int lens[] = {10, 8, 6, 8};
    for (int f = 0; f < 4; ++f) {
        std::size_t at = 32 + 32 * static_cast<std::size_t>(f);
        for (std::size_t k = 0; names[f][k]; ++k) h[at + k] = static_cast<uint8_t>(names[f][k]);
        h[at + 11] = static_cast<uint8_t>(types[f]);
        h[at + 16] = static_cast<uint8_t>(lens[f]);
    }
    h[headerLength - 1] = 0x0D;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(h.data()), static_cast<std::streamsize>(h.size()));
    for (int i = 0; i < kRecords; ++i) {
        Rec r = MakeRecord(i);
        std::string line = " " + r.name + r.qty + r.rate + r.born;
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    out.put(0x1A);
    return path;
}

double ownTableSeconds = 0;  // last time of the table filter, for the peer's ratio

void BM_FilterOverATable(benchmark::State& state) {
    ResetTableEngine();
    SetReportErrors(false);
    USE(BenchTable() + " EXCLUSIVE");
    if (LastError() != 0 || !SetFilterExpression(kFilter)) {
        state.SkipWithError("table or filter refused");
        return;
    }
    int64_t hits = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        hits = 0;
        for (GoTop(); !dEOF(); SKIP()) ++hits;
        benchmark::DoNotOptimize(hits);
        ownTableSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords),
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["hits"] = static_cast<double>(hits);
    CloseAll();
    ResetTableEngine();
}
BENCHMARK(BM_FilterOverATable)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same filter over the same table through python3-dbfread, as a peer;
// "ratio" is the peer's time over ours.
void BM_FilterThroughDbfread(benchmark::State& state) {
    namespace fs = std::filesystem;
    std::string table = BenchTable();
    fs::path script = fs::path(table).parent_path() / "peer.py";
    fs::path result = fs::path(table).parent_path() / "peer.txt";
    std::ofstream(script) << "import sys, time\n"
                             "from dbfread import DBF\n"
                             "t0 = time.perf_counter()\n"
                             "hits = 0\n"
                             "for r in DBF(sys.argv[1], raw=False, ignore_missing_memofile=True):\n"
                             "    b = r['BORN']\n"
                             "    y = b.year % 100 if b else 0\n"
                             "    if r['QTY'] * 100 + r['RATE'] > 5000 and "
                             "r['NAME'].upper().startswith('M') and y > 50:\n"
                             "        hits += 1\n"
                             "print(time.perf_counter() - t0, hits)\n";
    for (auto _ : state) {
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, result.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::string prog = "/usr/bin/python3", a1 = script.string(), a2 = table;
        char* argv[] = {prog.data(), a1.data(), a2.data(), nullptr};
        pid_t pid = 0;
        int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&fa);
        int status = 0;
        if (rc == 0) waitpid(pid, &status, 0);
        double seconds = 0, hits = 0;
        std::ifstream in(result);
        if (rc != 0 || !(in >> seconds >> hits)) {
            state.SkipWithError("python3-dbfread did not run");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["hits"] = hits;
        if (ownTableSeconds > 0) state.counters["ratio"] = seconds / ownTableSeconds;
    }
}
BENCHMARK(BM_FilterThroughDbfread)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

void BM_CompileFilter(benchmark::State& state) {
    MemoryRecords src;
    src.recs.push_back(MakeRecord(0));
    ResetEngineBase();
    SetExprFieldSource(&src);
    for (auto _ : state) {
        CompiledExpr* e = AssignExpr(kFilter);
        benchmark::DoNotOptimize(e);
        FreeExpr(e);
    }
    ResetExprFieldSource();
}
BENCHMARK(BM_CompileFilter);

}  // namespace
