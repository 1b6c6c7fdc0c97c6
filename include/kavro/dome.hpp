// Sending a named command to a speed dome.
//
// The dome runs the decoder's call frame (see decoder.hpp) with two more arguments and three
// more fields of the protocol row. The row's fields are read in this order: the command's field
// (the code), "Length", "BaseAddress", "StayTime" (the stay time T at a scan position, 0 to
// 255), "Slowest" and "Fastest" (the speed values of speed levels 0 and 10); a row lacking any
// of them, or holding an empty value or one that does not convert, is refused whatever its
// protocol uses, and nothing is sent. The speed value S interpolates between Slowest and
// Fastest, rounding half to even; nothing clamps the level.
//
// "Scan" and "ScanStop" have frames of their own in most dome protocols; under protocols 18, 20
// and 49 "Scan" programs a scan over the positions whose bits are set in the parameter, at most
// 16 of them. As with the decoder, the whole sequence of writes, pauses and parity changes is
// built first, then played under the busy flag: a "Scan" under 20 or 49 holds the line for
// more than half a second.
#pragma once

#include <cstdint>
#include <string_view>

#include "kavro/encoder.hpp"
#include "kavro/record_set.hpp"

namespace kavro {

// Builds the call's script (ending with the final write of the frame) without touching a line.
// A refused row gives a SendResult saying why, with the script left empty. A Length too short
// for the protocol's frame raises DynArrayOutOfRange (index and length of the failed access).
SendResult encodeDomeCommand(RecordSet& table, int protocolId, int camera, std::string_view command,
                             std::int32_t speedLevel, std::int32_t parameter, WireTrace& script);

// encodeDomeCommand, then the script played on the line under the busy flag. The arguments
// come in the order of the host's call: the table before the protocol ID.
SendResult writeCommandToGlobe(SerialLine& line, BusyFlag& busy, RecordSet& table, int protocolId,
                               int camera, std::string_view command, std::int32_t speedLevel,
                               std::int32_t parameter);

}  // namespace kavro
