#include "kavro/dome.hpp"

#include "ptz/dome_protocols.hpp"
#include "ptz/protocol_row.hpp"
#include "ptz/script_builder.hpp"

namespace kavro {

SendResult encodeDomeCommand(RecordSet& table, int protocolId, int camera, std::string_view command,
                             std::int32_t speedLevel, std::int32_t parameter, WireTrace& script) {
    SendResult result;
    DomeCall call;
    int length = 0;
    {
        // The row is read whole under the table's lock, so another thread's call on the same
        // table cannot move it between the Locate and the field reads. The lock is let go
        // before the script is built and played: the line's writes and pauses never hold it.
        const RecordSet::Hold hold(table);
        if (!locateProtocolRow(table, protocolId, result)) return result;
        try {
            ProtocolRow row(table);
            call.code = row.commandCode(command);
            length = row.length();
            call.wire = row.wireAddress(camera);
            call.stay = row.stayTime();
            call.speed = row.speed(speedLevel);
        } catch (const RowRefused& refused) {
            return refused.result;
        }
    }
    call.command = command;
    call.param = parameter;

    // The longest dome scripts: the scan sequences (19 frames) and the 83-byte scan frame sent
    // in two parts and again whole.
    const DomeProtocol* protocol = findDomeProtocol(protocolId);
    buildScriptInto(script, length, call, protocol != nullptr ? protocol->layout : nullptr, 24,
                    256);
    return result;
}

SendResult writeCommandToGlobe(SerialLine& line, BusyFlag& busy, RecordSet& table, int protocolId,
                               int camera, std::string_view command, std::int32_t speedLevel,
                               std::int32_t parameter) {
    WireTrace script;
    SendResult result =
        encodeDomeCommand(table, protocolId, camera, command, speedLevel, parameter, script);
    if (result.sent()) result.line = playUnderFlag(script, line, busy);
    return result;
}

}  // namespace kavro
