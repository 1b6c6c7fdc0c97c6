// Frame checksums over bytes first to last inclusive, as they stand when computed. Every byte
// is read through the frame's checked access.
#pragma once

#include <cstdint>

#include "ptz/command_frame.hpp"

namespace kavro {

// Sum of the bytes modulo 256.
std::uint8_t byteSum(const CommandFrame& frame, int first, int last);
// Sum of the bytes (each 0 to 255) modulo 255: 0 to 254.
std::uint8_t sumMod255(const CommandFrame& frame, int first, int last);
// The byte sum with its top bit cleared.
std::uint8_t sum7(const CommandFrame& frame, int first, int last);
// 0xFF minus the byte sum: its bitwise complement.
std::uint8_t complementSum(const CommandFrame& frame, int first, int last);
// Exclusive-or of the bytes.
std::uint8_t byteXor(const CommandFrame& frame, int first, int last);

}  // namespace kavro
