// Sending a named command to a pan/tilt/zoom decoder.
//
// The protocol row is the table's row whose ID is the protocol ID. Its field named like the
// command gives the command code, "Length" the frame length and "BaseAddress" the offset added
// to the camera address to form the wire address. The protocol's layout builds the whole
// sequence of writes, pauses and parity changes first; only then is the busy flag taken, the
// sequence played and the flag cleared. So a call that cannot be sent never touches the flag.
// The row is read whole under the table's lock (see RecordSet), and only the row: threads may
// share one table, each call sending with its own row.
#pragma once

#include <string_view>

#include "kavro/encoder.hpp"
#include "kavro/record_set.hpp"

namespace kavro {

// Builds the call's script (ending with the final write of the frame) without touching a line.
// A refused row gives a SendResult saying why, with the script left empty. A Length too short
// for the protocol's frame raises DynArrayOutOfRange (index and length of the failed access).
SendResult encodeDecoderCommand(RecordSet& table, int protocolId, int camera,
                                std::string_view command, WireTrace& script);

// encodeDecoderCommand, then the script played on the line under the busy flag.
SendResult writeCommandToDecoder(SerialLine& line, BusyFlag& busy, int protocolId, RecordSet& table,
                                 int camera, std::string_view command);

}  // namespace kavro
