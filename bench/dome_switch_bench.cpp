// ns per _WriteCommandToGlobe and _WriteCommandToSwitch call: the row lookup in an in-memory
// table shaped like the bundled one (54 rows in ID order, the usual command columns and the dome
// fields), the layout, and the script played on a recording line (pauses recorded, not waited).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "kavro/dome.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/switcher.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/dome_protocols.hpp"

namespace kavro {
namespace {

const std::vector<std::string> kColumns = {
    "ID",           "Length",   "BaseAddress", "Up",       "UpStop",       "Down",
    "DownStop",     "Left",     "LeftStop",    "Right",    "RightStop",    "ZoomInc",
    "ZoomIncStop",  "ZoomDec",  "ZoomDecStop", "FocusInc", "FocusIncStop", "FocusDec",
    "FocusDecStop", "IrisInc",  "IrisIncStop", "IrisDec",  "IrisDecStop",  "Stop",
    "Auto",         "AutoStop", "Wipe",        "Heat",     "Light",        "Power",
    "Scan",         "ScanStop", "StayTime",    "Slowest",  "Fastest"};

void fillTable(MemoryRecordSet& table) {
    for (int id = 1; id <= 54; ++id) {
        const DomeProtocol* dome = findDomeProtocol(id);
        const DecoderProtocol* decoder = findDecoderProtocol(id);
        int length = 0;
        if (dome != nullptr && dome->frameLength != DomeProtocol::kSetsOwnLength) {
            length = dome->frameLength;
        } else if (decoder != nullptr) {
            length =
                decoder->frameLength == DecoderProtocol::kSetsOwnLength ? 26 : decoder->frameLength;
        }
        std::vector<Variant> row = {Variant(id), Variant(length), Variant(0)};
        for (std::size_t c = 3; c + 3 < kColumns.size(); ++c)
            row.emplace_back(0x01084020);
        row.insert(row.end(), {Variant(5), Variant(0), Variant(63)});
        table.addRow(std::move(row));
    }
}

void domeCall(benchmark::State& state, int protocol, const char* command, std::int32_t param) {
    MemoryRecordSet table(kColumns);
    fillTable(table);
    RecordingLine line;
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte);
    for (auto _ : state) {
        const SendResult result =
            writeCommandToGlobe(line, busy, table, protocol, 1, command, 5, param);
        benchmark::DoNotOptimize(result);
        line.clearTrace();
    }
    WireTrace check;
    if (!encodeDomeCommand(table, protocol, 1, command, 5, param, check).sent())
        state.SkipWithError("the call was refused");
}

// An ordinary command: protocol 23's seven-byte 0xFF frame.
BENCHMARK_CAPTURE(domeCall, ordinary_23_Up, 23, "Up", 0x20);
// The 83-byte scan frame over all sixteen positions, sent by the mark/space send (three pauses).
BENCHMARK_CAPTURE(domeCall, scan_18_sixteen_positions, 18, "Scan", 0xFFFF);
// The longest scripts: nineteen eleven-byte frames and the 500 ms pause.
BENCHMARK_CAPTURE(domeCall, scan_20_sixteen_positions, 20, "Scan", 0xFFFF);
BENCHMARK_CAPTURE(domeCall, scan_49_sixteen_positions, 49, "Scan", 0xFFFF);

void switchCall(benchmark::State& state) {
    const auto protocol = static_cast<std::int32_t>(state.range(0));
    RecordingLine line;
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte);
    for (auto _ : state) {
        benchmark::DoNotOptimize(writeCommandToSwitch(line, busy, protocol, 12, 5));
        line.clearTrace();
    }
}

BENCHMARK(switchCall)->Arg(4)->Arg(15)->Arg(28)->Arg(7);

}  // namespace
}  // namespace kavro
