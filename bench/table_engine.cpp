// Table engine speed: appending 1,000,000 records, a full scan with SKIP and
// a LOCATE over them, with the same work through python3-dbfread (reading
// the engine's table) and SQLite (inserting and scanning the same rows) in
// the same run. The counters "x_dbfread" and "x_sqlite" give the engine's
// time as a multiple of the peer's (below 1: the engine is faster).
//
// VELDRIM_BENCH_RECORDS overrides the record count.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "tables/bulk_verbs.h"
#include "tables/dbf_file.h"
#include "tables/engine_base.h"
#include "tables/navigation.h"
#include "tables/work_areas.h"

extern char** environ;

namespace {

using namespace veldrim;
using Clock = std::chrono::steady_clock;

using veldrim::bench::Folder;
using veldrim::bench::Records;

std::string TablePath() { return Folder() + "/parts.dbf"; }
std::string SqlitePath() { return Folder() + "/parts.sqlite"; }

std::string NameOf(int i) { return "part" + std::to_string(i); }

// Seconds of the engine and the peers' runs, for the ratios.
double engineAppend = 0, engineScan = 0, engineLocate = 0;
double sqliteInsert = 0, sqliteScan = 0, dbfreadScan = 0;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

void OpenTable() {
    ResetTableEngine();
    USE(TablePath() + " EXCLUSIVE");
}

void BM_EngineAppend(benchmark::State& state) {
    const int n = Records();
    for (auto _ : state) {
        ResetTableEngine();
        std::filesystem::remove(TablePath());
        TFieldEntry name{"NAME", 'C', 20, 0, 0}, qty{"QTY", 'N', 9, 0, 0}, price{"PRICE", 'N', 12, 3, 0},
            day{"DAY", 'D', 8, 0, 0}, ok{"OK", 'L', 1, 0, 0};
        CreateDbf(TablePath(), {name, qty, price, day, ok});
        USE(TablePath() + " EXCLUSIVE");
        const auto t0 = Clock::now();
        for (int i = 1; i <= n; ++i) {
            ClearRecord();
            SetBinaryText(1, NameOf(i));
            SetBinaryInteger(2, i);
            SetBinaryNumber(3, i * 0.125);
            SetBinaryText(4, "12/31/99");
            SetBinaryLogical(5, i % 2 == 0);
            Append();
        }
        CloseArea();
        engineAppend = Seconds(t0, Clock::now());
    }
    state.counters["records"] = n;
    state.counters["records_per_s"] = benchmark::Counter(n / engineAppend);
}

void BM_SqliteInsert(benchmark::State& state) {
    const int n = Records();
    for (auto _ : state) {
        std::filesystem::remove(SqlitePath());
        sqlite3* db = nullptr;
        sqlite3_open(SqlitePath().c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE parts(name TEXT, qty INTEGER, price REAL, day TEXT, ok INTEGER)", nullptr,
                     nullptr, nullptr);
        const auto t0 = Clock::now();
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO parts VALUES(?,?,?,?,?)", -1, &st, nullptr);
        for (int i = 1; i <= n; ++i) {
            const std::string name = NameOf(i);
            sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 2, i);
            sqlite3_bind_double(st, 3, i * 0.125);
            sqlite3_bind_text(st, 4, "19991231", -1, SQLITE_STATIC);
            sqlite3_bind_int(st, 5, i % 2 == 0);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqliteInsert = Seconds(t0, Clock::now());
        sqlite3_close(db);
    }
    state.counters["x_sqlite_append"] = engineAppend / sqliteInsert;
}

void BM_EngineScan(benchmark::State& state) {
    for (auto _ : state) {
        OpenTable();
        const auto t0 = Clock::now();
        int64_t sum = 0;
        for (GoTop(); !dEOF(); SKIP(1)) sum += BinaryInteger(2);
        engineScan = Seconds(t0, Clock::now());
        benchmark::DoNotOptimize(sum);
        CloseArea();
    }
}

void BM_DbfreadScan(benchmark::State& state) {
    for (auto _ : state) {
        const char* argv[] = {"/usr/bin/python3", "-c",
                              "import sys, dbfread\n"
                              "s = 0\n"
                              "for r in dbfread.DBF(sys.argv[1], encoding='cp850'): s += r['QTY']\n",
                              nullptr, nullptr};
        const std::string table = TablePath();
        argv[3] = table.c_str();
        const auto t0 = Clock::now();
        pid_t pid;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("no /usr/bin/python3");
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        dbfreadScan = Seconds(t0, Clock::now());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("dbfread failed");
    }
    state.counters["x_dbfread_scan"] = engineScan / dbfreadScan;
}

void BM_SqliteScan(benchmark::State& state) {
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open(SqlitePath().c_str(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT name, qty, price, day, ok FROM parts", -1, &st, nullptr);
        const auto t0 = Clock::now();
        int64_t sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) sum += sqlite3_column_int(st, 1);
        sqliteScan = Seconds(t0, Clock::now());
        benchmark::DoNotOptimize(sum);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    state.counters["x_sqlite_scan"] = engineScan / sqliteScan;
}

void BM_EngineLocate(benchmark::State& state) {
    const std::string last = NameOf(Records());
    for (auto _ : state) {
        OpenTable();
        const auto t0 = Clock::now();
        const bool found = LocateValue("NAME", last, false, 1, false);
        engineLocate = Seconds(t0, Clock::now());
        if (!found) state.SkipWithError("LOCATE did not find the last record");
        CloseArea();
    }
    // The same search in SQLite without an index: a full scan.
    sqlite3* db = nullptr;
    sqlite3_open(SqlitePath().c_str(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM parts WHERE name = ?", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, last.c_str(), -1, SQLITE_TRANSIENT);
    const auto t0 = Clock::now();
    while (sqlite3_step(st) == SQLITE_ROW) {
    }
    const double sqliteFind = Seconds(t0, Clock::now());
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.counters["x_sqlite_locate"] = engineLocate / sqliteFind;
}

}  // namespace

BENCHMARK(BM_EngineAppend)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsert)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineScan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DbfreadScan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteScan)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineLocate)->Iterations(1)->Unit(benchmark::kMillisecond);
