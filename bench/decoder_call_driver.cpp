// N decoder calls on a SQLite protocol table, or N runs of the bare query for the same row, for
// bench/decoder_call_vs_bare_query.sh to count instructions with callgrind: the script runs two
// values of N and divides the difference, so that start-up and table setup cancel out.
//
// usage: kavro_decoder_call_driver decoder|bare|bare-nomutex small|bundled delete|wal N
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "bench/protocol_tables.hpp"
#include "kavro/decoder.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/sqlite_record_set.hpp"

using namespace kavro;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s decoder|bare|bare-nomutex small|bundled delete|wal N\n",
                     argv[0]);
        return 2;
    }
    const std::string_view mode = argv[1];
    const bench::TableCase& table =
        std::string_view(argv[2]) == "bundled" ? bench::kBundledTable : bench::kSmallTable;
    const long calls = std::atol(argv[4]);
    const bench::ScratchDir dir;
    const std::string path = bench::makeTableFile(dir, table, argv[3]);
    if (mode == "decoder") {
        SqliteRecordSet set(path, "Protocol");
        RecordingLine line;
        std::uint8_t flag = 0;
        BusyFlag busy(flag);
        writeCommandToDecoder(line, busy, table.protocol, set, table.camera, table.command);
        if (line.trace().text() != table.frame) {
            std::fprintf(stderr, "wrong frame: %s", line.trace().text().c_str());
            return 1;
        }
        for (long i = 0; i < calls; ++i) {
            line.clearTrace();
            writeCommandToDecoder(line, busy, table.protocol, set, table.camera, table.command);
        }
        return 0;
    }
    if (mode == "bare" || mode == "bare-nomutex") {
        bench::BareRowQuery query(path, table, mode == "bare" ? 0 : SQLITE_OPEN_NOMUTEX);
        long long sum = 0;
        for (long i = 0; i < calls; ++i)
            sum += query.run();
        return sum < 0 ? 1 : 0;
    }
    std::fprintf(stderr, "unknown mode %s\n", argv[1]);
    return 2;
}
