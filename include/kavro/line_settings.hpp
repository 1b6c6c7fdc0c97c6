// Configuring a serial line and writing single bytes with a chosen parity bit. None of these
// touch the encoders' busy flag: a call made while an encoder writes interleaves with it.
#pragma once

#include <cstdint>
#include <string>

#include "kavro/serial_line.hpp"

namespace kavro {

// What the host's decoder and alarm line records hold (the two differ only in layout).
struct LineSettings {
    std::uint32_t baudRate = 9600;
    std::uint8_t dataBits = 8;
    int stopBits = 1;          // 1 one, 2 two, anything else one and a half
    std::string parity = "N";  // "N", "O", "E", "M"; anything else is space
};

// Stop-bit and parity codes from the record's values.
std::uint8_t stopBitsCode(int stopBits) noexcept;
std::uint8_t parityCode(std::string_view letter) noexcept;

// Each reads the line's settings, changes the named fields, writes them back and returns
// the result of that write (or, for the byte writers, of the byte's write), with the line's
// reason when it failed. A failed read is not examined: the settings are then written with the
// named fields over the defaults.
LineResult setComState(SerialLine& line, const LineSettings& settings);
LineResult setComParity(SerialLine& line, std::uint8_t parityCode);
LineResult writeByteWithParity(SerialLine& line, std::uint8_t byte, std::uint8_t parityCode);
// Picks even or odd parity so that the byte's parity bit comes out as wantedBit (0 or 1); any
// other wantedBit never matches the byte's bit count and gives odd parity.
LineResult writeByteWithParityBit(SerialLine& line, std::uint8_t byte, std::uint8_t wantedBit);

}  // namespace kavro
