#include "ptz/wire_helpers.hpp"

#include "kavro/serial_line.hpp"

namespace kavro {

void markSpaceSend(const CommandFrame& frame, WireTrace& script, int pauseMillis) {
    const std::span<const std::uint8_t> address = frame.bytes(0, 0);
    script.parity(parity::kMark);
    script.pause(pauseMillis);
    script.write(address);
    script.pause(pauseMillis);
    script.parity(parity::kSpace);
    script.pause(pauseMillis);
    if (frame.length() > 1) script.write(frame.bytes(1, frame.length() - 1));
}

void markSpaceByteSend(const CommandFrame& frame, int count, WireTrace& script, int pauseMillis) {
    script.parity(parity::kMark);
    script.pause(pauseMillis);
    script.write(frame.bytes(0, 0));
    script.pause(pauseMillis);
    script.parity(parity::kSpace);
    for (int i = 1; i < count; ++i) {
        script.pause(pauseMillis);
        script.write(frame.bytes(i, i));
    }
}

void bitPairFill(std::uint8_t& byte, std::initializer_list<std::uint8_t> masks) noexcept {
    for (std::uint8_t mask : masks) {
        if ((byte & mask) != 0) {
            byte |= mask;
            return;
        }
    }
}

}  // namespace kavro
