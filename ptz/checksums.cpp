#include "ptz/checksums.hpp"

namespace kavro {
namespace {
unsigned total(const CommandFrame& frame, int first, int last) {
    unsigned sum = 0;
    for (std::uint8_t b : frame.bytes(first, last))
        sum += b;
    return sum;
}
}  // namespace

std::uint8_t byteSum(const CommandFrame& frame, int first, int last) {
    return static_cast<std::uint8_t>(total(frame, first, last));
}

std::uint8_t sumMod255(const CommandFrame& frame, int first, int last) {
    return static_cast<std::uint8_t>(total(frame, first, last) % 255);
}

std::uint8_t sum7(const CommandFrame& frame, int first, int last) {
    return static_cast<std::uint8_t>(total(frame, first, last) & 0x7F);
}

std::uint8_t complementSum(const CommandFrame& frame, int first, int last) {
    return static_cast<std::uint8_t>(~byteSum(frame, first, last));
}

std::uint8_t byteXor(const CommandFrame& frame, int first, int last) {
    std::uint8_t x = 0;
    for (std::uint8_t b : frame.bytes(first, last))
        x ^= b;
    return x;
}

}  // namespace kavro
