#include "kavro/dome.hpp"

#include "ptz/dome_protocols.hpp"
#include "ptz/protocol_row.hpp"

namespace kavro {

SendResult encodeDomeCommand(RecordSet& table, int protocolId, int camera, std::string_view command,
                             std::int32_t speedLevel, std::int32_t parameter, WireTrace& script) {
    SendResult result;
    if (!locateProtocolRow(table, protocolId, result)) return result;

    DomeCall call;
    int length = 0;
    try {
        ProtocolRow row(table);
        call.code = row.code(command);
        length = row.length();
        call.wire = row.wireAddress(camera);
        call.stay = row.stayTime();
        call.speed = row.speed(speedLevel);
    } catch (const RowRefused& refused) {
        return refused.result;
    }
    call.command = command;
    call.param = parameter;

    CommandFrame frame;
    frame.setLength(length);
    WireTrace built;
    // Room for the longest scripts (the scan sequences: 19 frames; the 83-byte scan frame sent
    // in two parts and again whole), so that building one allocates once per vector.
    built.reserve(24, 2 * static_cast<std::size_t>(length) + 256);
    if (const DomeProtocol* protocol = findDomeProtocol(protocolId)) {
        protocol->layout(call, frame, built);
    }
    built.write(frame.bytes());  // the final write, at the frame's length now
    script = std::move(built);
    return result;
}

SendResult writeCommandToGlobe(SerialLine& line, BusyFlag& busy, RecordSet& table, int protocolId,
                               int camera, std::string_view command, std::int32_t speedLevel,
                               std::int32_t parameter) {
    WireTrace script;
    SendResult result =
        encodeDomeCommand(table, protocolId, camera, command, speedLevel, parameter, script);
    if (result.sent()) playUnderFlag(script, line, busy);
    return result;
}

}  // namespace kavro
