// Telling a video matrix switcher to connect two channels. The three switcher protocols are
// built in (no protocol table), and the two channel numbers go into the frames as given:
//   4   one 16-byte frame with the numbers as raw bytes and an exclusive-or;
//   15  a frame for the second number, then one for the first: a number whose low byte is 0 to
//       9 as that byte, a larger one as the digit 1 and its units digit (so 0 to 19 exactly);
//   28  one 17-character ASCII frame, "A", both numbers as three decimal digits, "031000000B",
//       written three times.
// Any other protocol sends nothing. The busy flag is taken and cleared for every protocol
// value, so a switcher call never interleaves with the decoder and dome calls of its line.
#pragma once

#include <cstdint>
#include <optional>

#include "kavro/encoder.hpp"

namespace kavro {

// The channel numbers a protocol's frames carry as themselves (4: 0 to 255, 15: 0 to 19, 28: 0
// to 999); empty for a protocol other than 4, 15, 28. Others are sent cut as above.
struct ChannelRange {
    std::int32_t lowest, highest;
};
std::optional<ChannelRange> switchChannelRange(std::int32_t protocol) noexcept;

// Builds the call's script; false (and an empty script) for a protocol other than 4, 15, 28.
bool encodeSwitchCommand(std::int32_t protocol, std::int32_t first, std::int32_t second,
                         WireTrace& script);

struct SwitchResult {
    bool known = false;  // the protocol is one that sends
    LineOutcome line;    // what the line made of the frames
    bool ok() const noexcept { return known && line.ok(); }
};

// encodeSwitchCommand, then the script (empty for an unknown protocol) played under the busy
// flag.
SwitchResult writeCommandToSwitch(SerialLine& line, BusyFlag& busy, std::int32_t protocol,
                                  std::int32_t first, std::int32_t second);

}  // namespace kavro
