// One decoder call through the C++ API: row lookup, code, length and address read, the frame,
// the busy flag and the final write on a recording line.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

#include "kavro/decoder.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/sqlite_record_set.hpp"

namespace kavro {
namespace {

constexpr const char* kCommands[] = {"Up",       "UpStop", "Down",      "DownStop", "Left",
                                     "LeftStop", "Right",  "RightStop", "ZoomInc",  "ZoomDec"};

// A table shaped like a real one: a row per protocol ID, a column per command.
void fill(MemoryRecordSet& table) {
    for (int id = 1; id <= 54; ++id) {
        std::vector<Variant> row{Variant(id), Variant(2), Variant(0)};
        for (std::size_t c = 0; c < std::size(kCommands); ++c)
            row.emplace_back(int(0x1234 + c));
        table.addRow(std::move(row));
    }
}

void runCalls(benchmark::State& state, RecordSet& table) {
    RecordingLine line;
    std::uint8_t flag = 0;
    BusyFlag busy(flag);
    for (auto _ : state) {
        line.clearTrace();
        const SendResult result = writeCommandToDecoder(line, busy, 2, table, 5, "Up");
        benchmark::DoNotOptimize(result);
    }
    if (line.trace().text() != "write 05 34\n") state.SkipWithError("wrong frame");
}

std::vector<std::string> columns() {
    std::vector<std::string> names{"ID", "Length", "BaseAddress"};
    for (const char* c : kCommands)
        names.emplace_back(c);
    return names;
}

void BM_DecoderCall_MemoryTable(benchmark::State& state) {
    MemoryRecordSet table(columns());
    fill(table);
    runCalls(state, table);
}
BENCHMARK(BM_DecoderCall_MemoryTable);

// The protocol table as a database file; journalMode "delete" is SQLite's default.
std::string makeDatabase(const char* journalMode) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("kavro-bench-" + std::to_string(getpid()) + "-" + journalMode + ".db"))
            .string();
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    std::string sql = std::string("PRAGMA journal_mode=") + journalMode + ";" +
                      "CREATE TABLE Protocol (ID INTEGER, Length INTEGER, BaseAddress INTEGER";
    for (const char* c : kCommands)
        sql += std::string(", ") + c + " INTEGER";
    sql += ");";
    for (int id = 1; id <= 54; ++id) {
        sql += "INSERT INTO Protocol VALUES (" + std::to_string(id) + ", 2, 0";
        for (std::size_t c = 0; c < std::size(kCommands); ++c) {
            sql += ", " + std::to_string(0x1234 + c);
        }
        sql += ");";
    }
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

void removeDatabase(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::filesystem::remove(path + suffix);
}

void BM_DecoderCall_SqliteTable(benchmark::State& state, const char* journalMode) {
    const std::string path = makeDatabase(journalMode);
    {
        SqliteRecordSet table(path, "Protocol");
        runCalls(state, table);
    }
    removeDatabase(path);
}
BENCHMARK_CAPTURE(BM_DecoderCall_SqliteTable, rollback_journal, "delete");
BENCHMARK_CAPTURE(BM_DecoderCall_SqliteTable, wal, "wal");

// The floor under the SQLite figures: one prepared query for the row, straight through the
// sqlite3 C API. Every read takes and drops the database file's shared lock, and that is
// most of the cost.
void BM_RawSqliteRowQuery(benchmark::State& state, const char* journalMode) {
    const std::string path = makeDatabase(journalMode);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, * FROM Protocol WHERE ID = ?1 ORDER BY rowid LIMIT 1", -1,
                       &stmt, nullptr);
    for (auto _ : state) {
        sqlite3_bind_int(stmt, 1, 2);
        if (sqlite3_step(stmt) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int(stmt, 4));
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    removeDatabase(path);
}
BENCHMARK_CAPTURE(BM_RawSqliteRowQuery, rollback_journal, "delete");
BENCHMARK_CAPTURE(BM_RawSqliteRowQuery, wal, "wal");

}  // namespace
}  // namespace kavro
