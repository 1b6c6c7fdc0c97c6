// One decoder call through the C++ API: row lookup, code, length and address read, the frame,
// the busy flag and the final write on a recording line; on SQLite tables beside the bare
// prepared query that fetches the same row (bench/decoder_call_vs_bare_query.sh counts the
// instructions of both).
#include <benchmark/benchmark.h>

#include "bench/protocol_tables.hpp"
#include "kavro/decoder.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/sqlite_record_set.hpp"

namespace kavro {
namespace {

constexpr const char* kCommands[] = {"Up",       "UpStop", "Down",      "DownStop", "Left",
                                     "LeftStop", "Right",  "RightStop", "ZoomInc",  "ZoomDec"};

// The small table in memory: a row per protocol ID, a column per command.
void fill(MemoryRecordSet& table) {
    for (int id = 1; id <= 54; ++id) {
        std::vector<Variant> row{Variant(id), Variant(2), Variant(0)};
        for (std::size_t c = 0; c < std::size(kCommands); ++c)
            row.emplace_back(int(0x1234 + c));
        table.addRow(std::move(row));
    }
}

void runCalls(benchmark::State& state, RecordSet& table, const bench::TableCase& which) {
    RecordingLine line;
    std::uint8_t flag = 0;
    BusyFlag busy(flag);
    for (auto _ : state) {
        line.clearTrace();
        const SendResult result =
            writeCommandToDecoder(line, busy, which.protocol, table, which.camera, which.command);
        benchmark::DoNotOptimize(result);
    }
    if (line.trace().text() != which.frame) state.SkipWithError("wrong frame");
}

void BM_DecoderCall_MemoryTable(benchmark::State& state) {
    std::vector<std::string> names{"ID", "Length", "BaseAddress"};
    for (const char* c : kCommands)
        names.emplace_back(c);
    MemoryRecordSet table(names);
    fill(table);
    runCalls(state, table, bench::kSmallTable);
}
BENCHMARK(BM_DecoderCall_MemoryTable);

void BM_DecoderCall_SqliteTable(benchmark::State& state, const bench::TableCase* which,
                                const char* journalMode) {
    const bench::ScratchDir dir;
    SqliteRecordSet table(bench::makeTableFile(dir, *which, journalMode), "Protocol");
    runCalls(state, table, *which);
}
BENCHMARK_CAPTURE(BM_DecoderCall_SqliteTable, small_rollback_journal, &bench::kSmallTable,
                  "delete");
BENCHMARK_CAPTURE(BM_DecoderCall_SqliteTable, small_wal, &bench::kSmallTable, "wal");
BENCHMARK_CAPTURE(BM_DecoderCall_SqliteTable, bundled_rollback_journal, &bench::kBundledTable,
                  "delete");

// The floor under the SQLite figures. Every read takes and drops the database file's shared
// lock, and in rollback-journal mode that is most of the time (system calls that callgrind's
// instruction counts do not see).
void BM_RawSqliteRowQuery(benchmark::State& state, const bench::TableCase* which,
                          const char* journalMode) {
    const bench::ScratchDir dir;
    bench::BareRowQuery query(bench::makeTableFile(dir, *which, journalMode), *which);
    for (auto _ : state)
        benchmark::DoNotOptimize(query.run());
    if (query.run() < 0) state.SkipWithError("no row");
}
BENCHMARK_CAPTURE(BM_RawSqliteRowQuery, small_rollback_journal, &bench::kSmallTable, "delete");
BENCHMARK_CAPTURE(BM_RawSqliteRowQuery, small_wal, &bench::kSmallTable, "wal");
BENCHMARK_CAPTURE(BM_RawSqliteRowQuery, bundled_rollback_journal, &bench::kBundledTable, "delete");

}  // namespace
}  // namespace kavro
