// Table engine speed against its peers, on the same data in the same run:
// appending 1,000,000 records and a full scan with SKIP, against SQLite
// inserting and selecting the same rows, and python3-dbfread reading the
// engine's own table; a LOCATE of the last record besides.
//
// Durability, the same on both sides: the engine appends to a table opened
// EXCLUSIVE with WriteThrough off (records go to the operating system's
// cache, nothing forces them to the disk; closing writes the header);
// SQLite inserts all rows in one transaction with PRAGMA synchronous = OFF
// (no fsync either), its rollback journal left as it is by default.
//
// Every comparison runs several paired repetitions and prints the median of
// the ratios as "ratio NAME = X":
//   append_vs_sqlite  engine append time / SQLite insert time
//   scan_vs_sqlite    engine scan time / SQLite select time
//   dbfread_vs_scan   dbfread scan time / engine scan time
//
// VELDRIM_BENCH_RECORDS overrides the record count, VELDRIM_BENCH_REPETITIONS
// the repetitions (3).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "tables/bulk/bulk_verbs.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/navigation.h"
#include "tables/engine/work_areas.h"

namespace {

using namespace veldrim;
using namespace veldrim::bench;

std::string TablePath() { return (Scratch() / "parts.dbf").string(); }
std::string SqlitePath() { return (Scratch() / "parts.sqlite").string(); }

std::string NameOf(int i) { return "part" + std::to_string(i); }

double EngineAppend(int n) {
    ResetTableEngine();
    std::filesystem::remove(TablePath());
    TFieldEntry name{"NAME", 'C', 20, 0, 0}, qty{"QTY", 'N', 9, 0, 0},
        price{"PRICE", 'N', 12, 3, 0}, day{"DAY", 'D', 8, 0, 0}, ok{"OK", 'L', 1, 0, 0};
    CreateDbf(TablePath(), {name, qty, price, day, ok});
    USE(TablePath() + " EXCLUSIVE");
    return Seconds([n] {
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
    });
}

double SqliteInsert(int n) {
    std::filesystem::remove(SqlitePath());
    sqlite3* db = nullptr;
    sqlite3_open(SqlitePath().c_str(), &db);
    sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "CREATE TABLE parts(name TEXT, qty INTEGER, price REAL, day TEXT, ok INTEGER)",
                 nullptr, nullptr, nullptr);
    const double s = Seconds([db, n] {
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
    });
    sqlite3_close(db);
    return s;
}

double EngineScan(int64_t& sum) {
    ResetTableEngine();
    USE(TablePath() + " EXCLUSIVE");
    sum = 0;
    const double s = Seconds([&sum] {
        for (GoTop(); !dEOF(); SKIP(1)) sum += BinaryInteger(2);
    });
    CloseArea();
    return s;
}

double SqliteScan(int64_t& sum) {
    sqlite3* db = nullptr;
    sqlite3_open(SqlitePath().c_str(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, qty, price, day, ok FROM parts", -1, &st, nullptr);
    sum = 0;
    const double s = Seconds([st, &sum] {
        while (sqlite3_step(st) == SQLITE_ROW) sum += sqlite3_column_int(st, 1);
    });
    sqlite3_finalize(st);
    sqlite3_close(db);
    return s;
}

// dbfread reads the engine's table and times its own loop.
const char* const kDbfreadScan = R"(
import sys, time, dbfread
t0 = time.perf_counter()
s = 0
for r in dbfread.DBF(sys.argv[1], encoding='cp850'):
    s += r['QTY']
t = time.perf_counter() - t0
assert s == int(sys.argv[2]), s
print(t)
)";

void BM_TableEngineAgainstPeers(benchmark::State& state) {
    const int n = Records();
    const int reps = Repetitions(3);
    std::vector<double> append, insert, scan, select, dbfread;
    std::vector<double> appendRatio, scanRatio, dbfreadRatio;
    for (auto _ : state) {
        for (int r = 0; r < reps; ++r) {
            append.push_back(EngineAppend(n));
            insert.push_back(SqliteInsert(n));
            appendRatio.push_back(append.back() / insert.back());
            int64_t ours = 0, theirs = 0;
            scan.push_back(EngineScan(ours));
            select.push_back(SqliteScan(theirs));
            scanRatio.push_back(scan.back() / select.back());
            if (ours != theirs) state.SkipWithError("the scans summed different values");
            const double peer = PythonSeconds(kDbfreadScan, {TablePath(), std::to_string(ours)});
            if (peer < 0) {
                state.SkipWithError("python3-dbfread did not read the table");
                return;
            }
            dbfread.push_back(peer);
            dbfreadRatio.push_back(peer / scan.back());
        }
    }
    std::printf(
        "%d records; the engine EXCLUSIVE with WriteThrough off, SQLite in one transaction with "
        "synchronous = OFF: neither forces its writes to the disk\n",
        n);
    PrintTimes("engine append", append);
    PrintTimes("SQLite insert", insert);
    PrintTimes("engine scan", scan);
    PrintTimes("SQLite select", select);
    PrintTimes("dbfread scan", dbfread);
    state.counters["append_vs_sqlite"] = PrintRatio("append_vs_sqlite", appendRatio);
    state.counters["scan_vs_sqlite"] = PrintRatio("scan_vs_sqlite", scanRatio);
    state.counters["dbfread_vs_scan"] = PrintRatio("dbfread_vs_scan", dbfreadRatio);
    state.counters["records_per_s_append"] = n / Median(append);
    state.counters["records_per_s_scan"] = n / Median(scan);
}

// LOCATE of the last record against the same search in SQLite without an
// index (a full scan there too).
void BM_LocateAgainstSqlite(benchmark::State& state) {
    const std::string last = NameOf(Records());
    std::vector<double> ratios;
    for (auto _ : state) {
        for (int r = 0; r < Repetitions(3); ++r) {
            ResetTableEngine();
            USE(TablePath() + " EXCLUSIVE");
            bool found = false;
            const double ours =
                Seconds([&] { found = LocateValue("NAME", last, false, 1, false); });
            CloseArea();
            if (!found) {
                state.SkipWithError("LOCATE did not find the last record");
                return;
            }
            sqlite3* db = nullptr;
            sqlite3_open(SqlitePath().c_str(), &db);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, "SELECT rowid FROM parts WHERE name = ?", -1, &st, nullptr);
            sqlite3_bind_text(st, 1, last.c_str(), -1, SQLITE_TRANSIENT);
            const double theirs = Seconds([st] {
                while (sqlite3_step(st) == SQLITE_ROW) {
                }
            });
            sqlite3_finalize(st);
            sqlite3_close(db);
            ratios.push_back(ours / theirs);
        }
    }
    state.counters["locate_vs_sqlite"] = PrintRatio("locate_vs_sqlite", ratios);
}

}  // namespace

BENCHMARK(BM_TableEngineAgainstPeers)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateAgainstSqlite)->Iterations(1)->Unit(benchmark::kMillisecond);
