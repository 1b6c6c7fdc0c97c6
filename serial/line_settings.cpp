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

LineResult setComState(SerialLine& line, const LineSettings& settings) {
    CommSettings s;
    line.readSettings(s);
    s.baudRate = settings.baudRate;
    s.byteSize = settings.dataBits;
    s.stopBits = stopBitsCode(settings.stopBits);
    s.parity = parityCode(settings.parity);
    return line.writeSettings(s);
}

LineResult setComParity(SerialLine& line, std::uint8_t code) {
    CommSettings s;
    line.readSettings(s);
    s.parity = code;
    return line.writeSettings(s);
}

namespace {

// The byte goes out whatever became of the parity change, but a byte sent at a parity the line
// did not take is no success: the first failure is the result.
LineResult writeAfterParity(SerialLine& line, std::uint8_t byte, std::uint8_t code) {
    LineResult parityResult = setComParity(line, code);
    LineResult writeResult = line.write({&byte, 1});
    return parityResult ? writeResult : parityResult;
}

}  // namespace

LineResult writeByteWithParity(SerialLine& line, std::uint8_t byte, std::uint8_t code) {
    return writeAfterParity(line, byte, code);
}

LineResult writeByteWithParityBit(SerialLine& line, std::uint8_t byte, std::uint8_t wantedBit) {
    // Even parity makes the parity bit equal the count of 1-bits modulo 2, odd its complement.
    const int ones = std::popcount(byte) % 2;
    return writeAfterParity(line, byte, ones == wantedBit ? parity::kEven : parity::kOdd);
}

}  // namespace kavro
