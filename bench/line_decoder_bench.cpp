// MB/s of the line decoder over a 16 MiB capture: protocol 7 (seven-byte frames of the bundled
// codes, cameras 1 to 64) and the dome 20 scan (the 0x80 frame, one frame per position, the 0x40
// and 0x21 frames; one to sixteen positions, speed levels 0 to 10). The wire carries 11.5 kB/s
// at 115200 baud; the goal is 50 MB/s. The decoder is built once: its cache of the frames it
// has read is warm after the first of the 16 MiB.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/line_decoder.hpp"
#include "kavro/memory_record_set.hpp"

namespace kavro {
namespace {

constexpr std::size_t kCaptureBytes = 16u << 20;

struct Command {
    const char* name;
    std::uint32_t code;
};
// The 0xFF frame's command bits, as the bundled table holds them.
const Command kCommands[] = {
    {"Up", 0x00080020},       {"Down", 0x00100020},
    {"Left", 0x00042000},     {"Right", 0x00022000},
    {"ZoomInc", 0x00200000},  {"ZoomDec", 0x00400000},
    {"FocusInc", 0x00800000}, {"Stop", 0},
    {"Scan", 0x00000000},
};

std::unique_ptr<MemoryRecordSet> table(int id, int length) {
    std::vector<std::string> columns = {"ID",       "Length",  "BaseAddress",
                                        "StayTime", "Slowest", "Fastest"};
    std::vector<Variant> row;
    for (const int v : {id, length, 0, 5, 0, 63})
        row.emplace_back(v);
    for (const Command& c : kCommands) {
        columns.emplace_back(c.name);
        row.emplace_back(static_cast<double>(c.code));
    }
    auto t = std::make_unique<MemoryRecordSet>(columns);
    t->addRow(row);
    return t;
}

std::vector<std::uint8_t> capture(EncoderKind kind, RecordSet& rows, int id) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kCaptureBytes + 512);
    WireTrace script;
    while (bytes.size() < kCaptureBytes) {
        const int camera = 1 + static_cast<int>(random() % 64);
        if (kind == EncoderKind::Decoder) {
            const Command& c = kCommands[random() % 8];
            encodeDecoderCommand(rows, id, camera, c.name, script);
        } else {
            std::uint32_t mask = 0;
            const int positions = 1 + static_cast<int>(random() % 16);
            for (int i = 0; i < positions; ++i)
                mask |= 1u << (random() % 31);
            encodeDomeCommand(rows, id, camera, "Scan", static_cast<int>(random() % 11),
                              static_cast<std::int32_t>(mask), script);
        }
        const auto written = script.writtenBytes();
        bytes.insert(bytes.end(), written.begin(), written.end());
    }
    bytes.resize(kCaptureBytes);
    return bytes;
}

void decodeCapture(benchmark::State& state, EncoderKind kind, int id, int length) {
    auto rows = table(id, length);
    const std::vector<std::uint8_t> bytes = capture(kind, *rows, id);
    LineDecoder decoder(kind, id, rows.get());
    std::uint64_t commands = 0;
    auto count = [&](const DecodedItem& item) {
        commands += item.kind == DecodedItem::Kind::Command;
    };
    for (auto _ : state) {
        for (std::size_t i = 0; i < bytes.size(); i += 65536)
            decoder.feed({bytes.data() + i, std::min<std::size_t>(65536, bytes.size() - i)}, count);
        decoder.finish(count);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["commands"] =
        benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kAvgIterations);
}

void BM_DecodeCaptureProtocol7(benchmark::State& state) {
    decodeCapture(state, EncoderKind::Decoder, 7, 7);
}
void BM_DecodeCaptureDome20Scan(benchmark::State& state) {
    decodeCapture(state, EncoderKind::Dome, 20, 11);
}
BENCHMARK(BM_DecodeCaptureProtocol7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCaptureDome20Scan)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavro
