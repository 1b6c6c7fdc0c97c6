#include <algorithm>

#include "kavro/serial_line.hpp"

namespace kavro {

std::chrono::milliseconds WriteDeadline::allowance(std::size_t count,
                                                   const CommSettings& settings) const {
    // Bits per character, in halves so that one and a half stop bits count exactly.
    const std::uint64_t stopHalves = settings.stopBits == stopbits::kOne          ? 2
                                     : settings.stopBits == stopbits::kOneAndHalf ? 3
                                                                                  : 4;
    const std::uint64_t halves =
        2 * (1 + std::uint64_t{settings.byteSize} + (settings.parity == parity::kNone ? 0 : 1)) +
        stopHalves;
    // An unknown speed (read back as 0) counts as the slowest a UART offers.
    const std::uint64_t baud = std::max<std::uint64_t>(settings.baudRate, 50);
    const std::uint64_t wireMillis = (count * halves * 1000 / 2 + baud - 1) / baud;
    const auto factor = static_cast<std::uint64_t>(std::max(wireTimeFactor, 0));
    return slack + std::chrono::milliseconds(static_cast<std::int64_t>(factor * wireMillis));
}

}  // namespace kavro
