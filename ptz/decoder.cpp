#include "kavro/decoder.hpp"

#include "ptz/decoder_protocols.hpp"
#include "ptz/protocol_row.hpp"
#include "ptz/script_builder.hpp"

namespace kavro {

SendResult encodeDecoderCommand(RecordSet& table, int protocolId, int camera,
                                std::string_view command, WireTrace& script) {
    SendResult result;
    DecoderCall call;
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
        } catch (const RowRefused& refused) {
            return refused.result;
        }
    }
    call.command = command;

    // The longest decoder scripts: the mark/space send, two frames with a pause.
    const DecoderProtocol* protocol = findDecoderProtocol(protocolId);
    buildScriptInto(script, length, call, protocol != nullptr ? protocol->layout : nullptr, 8, 32);
    return result;
}

SendResult writeCommandToDecoder(SerialLine& line, BusyFlag& busy, int protocolId, RecordSet& table,
                                 int camera, std::string_view command) {
    WireTrace script;
    SendResult result = encodeDecoderCommand(table, protocolId, camera, command, script);
    if (result.sent()) result.line = playUnderFlag(script, line, busy);
    return result;
}

}  // namespace kavro
