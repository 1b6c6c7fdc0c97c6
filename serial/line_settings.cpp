#include "kavro/line_settings.hpp"

#include <bit>

namespace kavro {

std::uint8_t stopBitsCode(int stopBits) noexcept {
    if (stopBits == 1) return stopbits::kOne;
    if (stopBits == 2) return stopbits::kTwo;
    return stopbits::kOneAndHalf;
}

std::uint8_t parityCode(std::string_view letter) noexcept {
    // Tested in this order, exactly and case-sensitively; whatever matches none is space.
    if (letter == "O") return parity::kOdd;
    if (letter == "M") return parity::kMark;
    if (letter == "E") return parity::kEven;
    if (letter == "N") return parity::kNone;
    return parity::kSpace;
}

bool setComState(SerialLine& line, const LineSettings& settings) {
    CommSettings s;
    line.readSettings(s);
    s.baudRate = settings.baudRate;
    s.byteSize = settings.dataBits;
    s.stopBits = stopBitsCode(settings.stopBits);
    s.parity = parityCode(settings.parity);
    return line.writeSettings(s);
}

bool setComParity(SerialLine& line, std::uint8_t code) {
    CommSettings s;
    line.readSettings(s);
    s.parity = code;
    return line.writeSettings(s);
}

bool writeByteWithParity(SerialLine& line, std::uint8_t byte, std::uint8_t code) {
    setComParity(line, code);
    return line.write({&byte, 1});
}

bool writeByteWithParityBit(SerialLine& line, std::uint8_t byte, std::uint8_t wantedBit) {
    // Even parity makes the parity bit equal the count of 1-bits modulo 2, odd its complement.
    const int ones = std::popcount(byte) % 2;
    setComParity(line, ones == wantedBit ? parity::kEven : parity::kOdd);
    return line.write({&byte, 1});
}

}  // namespace kavro
