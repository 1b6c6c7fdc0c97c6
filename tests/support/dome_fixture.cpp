#include "tests/support/dome_fixture.hpp"

#include "kavro/dome.hpp"
#include "kavro/host_error.hpp"
#include "kavro/recording_line.hpp"

namespace kavro::test {
namespace {
// The flag starts clear, so no call of a test ever waits; a wait would be a fault.
void noWait(std::chrono::milliseconds) {}
}  // namespace

std::unique_ptr<MemoryRecordSet> domeTable(int protocol, const std::string& command,
                                           const DomeRow& row) {
    auto table = std::make_unique<MemoryRecordSet>(std::vector<std::string>{
        "ID", "Length", "BaseAddress", command, "StayTime", "Slowest", "Fastest"});
    table->addRow(
        {Variant(protocol), row.length, row.base, row.code, row.stay, row.slowest, row.fastest});
    return table;
}

DecoderSend sendDomeCommand(RecordSet& table, int protocol, int camera, const std::string& command,
                            std::int32_t speedLevel, std::int32_t parameter) {
    RecordingLine line;
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte, noWait);
    DecoderSend send;
    try {
        send.sent =
            writeCommandToGlobe(line, busy, table, protocol, camera, command, speedLevel, parameter)
                .sent();
    } catch (const DynArrayOutOfRange&) {
        send.frameTooShort = true;
    }
    send.trace = line.trace().text();
    send.busyAfter = busyByte;
    return send;
}

}  // namespace kavro::test
