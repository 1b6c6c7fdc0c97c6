#include "tests/support/decoder_fixture.hpp"

#include "kavro/decoder.hpp"
#include "kavro/host_error.hpp"
#include "kavro/recording_line.hpp"

namespace kavro::test {
namespace {
// The flag starts clear, so no call of a test ever waits; a wait would be a fault.
void noWait(std::chrono::milliseconds) {}
}  // namespace

std::unique_ptr<MemoryRecordSet> oneRowTable(int protocol, const Variant& length,
                                             const Variant& baseAddress, const std::string& command,
                                             const Variant& code) {
    auto table = std::make_unique<MemoryRecordSet>(
        std::vector<std::string>{"ID", "Length", "BaseAddress", command});
    table->addRow({Variant(protocol), length, baseAddress, code});
    return table;
}

DecoderSend sendDecoderCommand(RecordSet& table, int protocol, int camera,
                               const std::string& command) {
    RecordingLine line;
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte, noWait);
    DecoderSend send;
    try {
        send.sent = writeCommandToDecoder(line, busy, protocol, table, camera, command).sent();
    } catch (const DynArrayOutOfRange&) {
        send.frameTooShort = true;
    }
    send.trace = line.trace().text();
    send.busyAfter = busyByte;
    return send;
}

DecoderSend sendDecoderCommand(int protocol, int length, int camera, const std::string& command,
                               std::uint32_t code, int baseAddress) {
    auto table =
        oneRowTable(protocol, Variant(length), Variant(baseAddress), command, Variant(code));
    return sendDecoderCommand(*table, protocol, camera, command);
}

}  // namespace kavro::test
