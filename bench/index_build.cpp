// Index speed: building an index over 1,000,000 records and 100,000 random
// exact Finds through it, with the same work through SQLite (CREATE INDEX,
// then indexed lookups by a prepared SELECT) on the same data in the same
// run. Each side runs several times; the medians give the lines
//   ratio index_build = X    (engine time / SQLite time; below 1: faster)
//   ratio index_find = X
// VELDRIM_BENCH_RECORDS overrides the record count. The scratch folder is
// removed at the end.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/index/ndx_index.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"

namespace {

using namespace veldrim;
using Clock = std::chrono::steady_clock;

constexpr int kRepetitions = 5;
constexpr int kFinds = 100000;

using veldrim::bench::Folder;
using veldrim::bench::Records;

std::string TablePath() { return Folder() + "/parts.dbf"; }
std::string SqlitePath() { return Folder() + "/parts.sqlite"; }

// Names in scrambled order: "P" and a 9-digit number.
std::string NameOf(int i, int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "P%09lld", static_cast<long long>(i) * 7919 % n);
    return buf;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::vector<double> engineBuild, sqliteBuild, engineFind, sqliteFind;
std::vector<int> lookups;

// The table written as bytes: header from the engine, then the records.
void WriteTable(int n) {
    CreateDbf(TablePath(), {TFieldEntry{"NAME", 'C', 10, 0, 0}, TFieldEntry{"QTY", 'N', 10, 0, 0}});
    FILE* f = std::fopen(TablePath().c_str(), "r+b");
    std::vector<unsigned char> head(32);
    std::fread(head.data(), 1, 32, f);
    const long headerLength = head[8] | (head[9] << 8);
    std::fseek(f, headerLength, SEEK_SET);
    std::string rec;
    for (int i = 1; i <= n; ++i) {
        char qty[16];
        std::snprintf(qty, sizeof qty, "%10d", i);
        rec = " " + NameOf(i, n);
        rec.resize(11, ' ');
        rec += qty;
        std::fwrite(rec.data(), 1, rec.size(), f);
    }
    std::fputc(0x1A, f);
    const uint32_t count = static_cast<uint32_t>(n);
    unsigned char c[4] = {static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8),
                          static_cast<unsigned char>(count >> 16),
                          static_cast<unsigned char>(count >> 24)};
    std::fseek(f, 4, SEEK_SET);
    std::fwrite(c, 1, 4, f);
    std::fclose(f);
}

void Prepare() {
    const int n = Records();
    WriteTable(n);
    std::filesystem::remove(SqlitePath());
    sqlite3* db = nullptr;
    sqlite3_open(SqlitePath().c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE parts(name TEXT, qty INTEGER)", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO parts VALUES(?,?)", -1, &st, nullptr);
    for (int i = 1; i <= n; ++i) {
        const std::string name = NameOf(i, n);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, i);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::mt19937 rng(7);
    for (int i = 0; i < kFinds; ++i) lookups.push_back(1 + static_cast<int>(rng() % n));
}

void BM_EngineIndexBuild(benchmark::State& state) {
    for (auto _ : state) {
        ResetTableEngine();
        USE(TablePath() + " EXCLUSIVE");
        const auto t0 = Clock::now();
        MakeIndex("NAME", "byname");
        engineBuild.push_back(Seconds(t0, Clock::now()));
        CloseArea();
    }
}

void BM_SqliteCreateIndex(benchmark::State& state) {
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open(SqlitePath().c_str(), &db);
        sqlite3_exec(db, "DROP INDEX IF EXISTS byname", nullptr, nullptr, nullptr);
        const auto t0 = Clock::now();
        sqlite3_exec(db, "CREATE INDEX byname ON parts(name)", nullptr, nullptr, nullptr);
        sqliteBuild.push_back(Seconds(t0, Clock::now()));
        sqlite3_close(db);
    }
}

void BM_EngineFind(benchmark::State& state) {
    const int n = Records();
    int64_t found = 0;
    for (auto _ : state) {
        ResetTableEngine();
        USE(TablePath() + " EXCLUSIVE");
        Set_Index_To("byname");
        const auto t0 = Clock::now();
        for (int i : lookups) found += FindExact(NameOf(i, n)) ? 1 : 0;
        engineFind.push_back(Seconds(t0, Clock::now()));
        CloseArea();
    }
    state.counters["found"] = static_cast<double>(found);
}

void BM_SqliteFind(benchmark::State& state) {
    const int n = Records();
    int64_t found = 0;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open(SqlitePath().c_str(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid, qty FROM parts WHERE name = ?", -1, &st, nullptr);
        const auto t0 = Clock::now();
        for (int i : lookups) {
            const std::string name = NameOf(i, n);
            sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW) ++found;
            sqlite3_reset(st);
        }
        sqliteFind.push_back(Seconds(t0, Clock::now()));
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    state.counters["found"] = static_cast<double>(found);
}

BENCHMARK(BM_EngineIndexBuild)->Iterations(kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteCreateIndex)->Iterations(kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineFind)->Iterations(kRepetitions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteFind)->Iterations(kRepetitions)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ResetTableEngine();
    std::printf("records = %d, finds = %d, repetitions = %d\n", Records(), kFinds, kRepetitions);
    std::printf(
        "median seconds: engine build %.3f, sqlite build %.3f, engine finds %.3f, sqlite finds "
        "%.3f\n",
        Median(engineBuild), Median(sqliteBuild), Median(engineFind), Median(sqliteFind));
    if (Median(sqliteBuild) > 0)
        std::printf("ratio index_build = %.3f\n", Median(engineBuild) / Median(sqliteBuild));
    if (Median(sqliteFind) > 0)
        std::printf("ratio index_find = %.3f\n", Median(engineFind) / Median(sqliteFind));
    return 0;
}
