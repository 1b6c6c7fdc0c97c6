// ns per _WriteCommandToDecoder call for every decoder protocol ID: row lookup in an in-memory
// table shaped like the bundled one (54 rows in ID order, the usual command columns), the
// protocol's layout, and the script played on a recording line (pauses recorded, not waited).
// The command is "Up", which takes the two-frame path of the protocols that have one.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "kavro/decoder.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "ptz/decoder_protocols.hpp"

namespace kavro {
namespace {

const std::vector<std::string> kColumns = {
    "ID",           "Length",   "BaseAddress", "Up",       "UpStop",       "Down",
    "DownStop",     "Left",     "LeftStop",    "Right",    "RightStop",    "ZoomInc",
    "ZoomIncStop",  "ZoomDec",  "ZoomDecStop", "FocusInc", "FocusIncStop", "FocusDec",
    "FocusDecStop", "IrisInc",  "IrisIncStop", "IrisDec",  "IrisDecStop",  "Stop",
    "Auto",         "AutoStop", "Wipe",        "Heat",     "Light",        "Power"};

void fillTable(MemoryRecordSet& table) {
    for (int id = 1; id <= 54; ++id) {
        const DecoderProtocol* p = findDecoderProtocol(id);
        const int length = p == nullptr                                        ? 0
                           : p->frameLength == DecoderProtocol::kSetsOwnLength ? 26
                                                                               : p->frameLength;
        std::vector<Variant> row = {Variant(id), Variant(length), Variant(0)};
        for (std::size_t c = 3; c < kColumns.size(); ++c)
            row.emplace_back(0x01084020);
        table.addRow(std::move(row));
    }
}

void decoderCall(benchmark::State& state) {
    const int id = static_cast<int>(state.range(0));
    MemoryRecordSet table(kColumns);
    fillTable(table);
    RecordingLine line;
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte);
    for (auto _ : state) {
        const SendResult result = writeCommandToDecoder(line, busy, id, table, 1, "Up");
        benchmark::DoNotOptimize(result);
        line.clearTrace();
    }
}

BENCHMARK(decoderCall)->DenseRange(1, 54);

}  // namespace
}  // namespace kavro
