// Sending shapes that several protocols share.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "kavro/wire_trace.hpp"
#include "ptz/command_frame.hpp"

namespace kavro {

// The mark/space send: the address byte (byte 0) goes out with its ninth bit set, the rest
// with it clear. Mark parity, pause, byte 0 alone, pause, space parity, pause, bytes 1 to the
// end. The line is left at space parity.
void markSpaceSend(const CommandFrame& frame, WireTrace& script, int pauseMillis = 20);

// The mark/space send one byte per write, for receivers that take no burst: mark parity, pause,
// byte 0, pause, space parity, pause, byte 1, then a pause before each further byte up to byte
// count - 1. The bytes are the protocol's frame, not the row's Length: a longer frame's further
// bytes go out only in the final write. The line is left at space parity.
void markSpaceByteSend(const CommandFrame& frame, int count, WireTrace& script,
                       int pauseMillis = 10);

// The bit-pair fill: the first mask sharing a set bit with the byte is OR-ed into it whole;
// later masks are not looked at; a byte sharing no bit stays as it is
// (0x08 with 0x03, 0x18, 0x60 becomes 0x18).
void bitPairFill(std::uint8_t& byte, std::initializer_list<std::uint8_t> masks) noexcept;

}  // namespace kavro
