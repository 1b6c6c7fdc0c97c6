#include "kavro/decoder.hpp"

#include "ptz/decoder_protocols.hpp"
#include "ptz/protocol_row.hpp"

namespace kavro {

SendResult encodeDecoderCommand(RecordSet& table, int protocolId, int camera,
                                std::string_view command, WireTrace& script) {
    SendResult result;
    if (!locateProtocolRow(table, protocolId, result)) return result;

    DecoderCall call;
    int length = 0;
    try {
        ProtocolRow row(table);
        call.code = row.code(command);
        length = row.length();
        call.wire = row.wireAddress(camera);
    } catch (const RowRefused& refused) {
        return refused.result;
    }
    call.command = command;

    CommandFrame frame;
    frame.setLength(length);
    WireTrace built;
    // Room for the longest scripts (the mark/space send, two frames with a pause), so that
    // building one allocates once per vector.
    built.reserve(8, 2 * static_cast<std::size_t>(length) + 32);
    if (const DecoderProtocol* protocol = findDecoderProtocol(protocolId)) {
        protocol->layout(call, frame, built);
    }
    built.write(frame.bytes());  // the final write, at the frame's length now
    script = std::move(built);
    return result;
}

SendResult writeCommandToDecoder(SerialLine& line, BusyFlag& busy, int protocolId, RecordSet& table,
                                 int camera, std::string_view command) {
    WireTrace script;
    SendResult result = encodeDecoderCommand(table, protocolId, camera, command, script);
    if (result.sent()) playUnderFlag(script, line, busy);
    return result;
}

}  // namespace kavro
