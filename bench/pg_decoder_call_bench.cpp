// One decoder call on a PostgreSQL protocol table over the server's Unix socket, beside the
// bare libpq query that fetches the same row: what the record set adds to the round trip.
// The server is a throwaway cluster of the benchmark's own (tests/support/pg_cluster.hpp).
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <memory>
#include <string>

#include "kavro/decoder.hpp"
#include "kavro/pg_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "tests/support/pg_cluster.hpp"

namespace kavro {
namespace {

constexpr const char* kCommands[] = {"Up",       "UpStop", "Down",      "DownStop", "Left",
                                     "LeftStop", "Right",  "RightStop", "ZoomInc",  "ZoomDec"};

// The same table as the SQLite benchmark's: a row per protocol ID, a column per command.
test::PgCluster* server(std::string& why) {
    static std::string reason;
    static const std::unique_ptr<test::PgCluster> cluster = [] {
        std::unique_ptr<test::PgCluster> made = test::PgCluster::create(reason);
        if (!made) return made;
        std::string sql =
            "CREATE TABLE \"Protocol\" (\"ID\" integer PRIMARY KEY, \"Length\" integer, "
            "\"BaseAddress\" integer";
        for (const char* c : kCommands)
            sql += std::string(", \"") + c + "\" integer";
        sql += ");";
        for (int id = 1; id <= 54; ++id) {
            sql += "INSERT INTO \"Protocol\" VALUES (" + std::to_string(id) + ", 2, 0";
            for (std::size_t c = 0; c < std::size(kCommands); ++c)
                sql += ", " + std::to_string(0x1234 + c);
            sql += ");";
        }
        made->sql(sql);
        return made;
    }();
    why = reason;
    return cluster.get();
}

void BM_DecoderCall_PgTable(benchmark::State& state) {
    std::string why;
    test::PgCluster* cluster = server(why);
    if (cluster == nullptr) {
        state.SkipWithError(why.c_str());
        return;
    }
    PgRecordSet table(cluster->uri(), "Protocol");
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
BENCHMARK(BM_DecoderCall_PgTable)->UseRealTime();

// The floor: one prepared query for the row through libpq, waiting for its answer.
void BM_RawPgRowQuery(benchmark::State& state) {
    std::string why;
    test::PgCluster* cluster = server(why);
    if (cluster == nullptr) {
        state.SkipWithError(why.c_str());
        return;
    }
    PGconn* conn = PQconnectdb(cluster->uri().c_str());
    PQclear(PQprepare(conn, "row",
                      "SELECT * FROM \"Protocol\" WHERE \"ID\" = $1 ORDER BY \"ID\" LIMIT 1", 1,
                      nullptr));
    const char* id = "2";
    for (auto _ : state) {
        PGresult* result = PQexecPrepared(conn, "row", 1, &id, nullptr, nullptr, 0);
        benchmark::DoNotOptimize(PQgetvalue(result, 0, 3));
        PQclear(result);
    }
    PQfinish(conn);
}
BENCHMARK(BM_RawPgRowQuery)->UseRealTime();

}  // namespace
}  // namespace kavro
