// A serial line as the encoders and the line-settings functions see it: a settings block with
// the Windows device-control meanings, a synchronous write and a pause. SerialPort drives a real
// port; RecordingLine keeps settings and events for tests and the wire trace.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace kavro {

// Parity codes, the Windows values.
namespace parity {
constexpr std::uint8_t kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4;
}
// Stop-bit codes, the Windows values.
namespace stopbits {
constexpr std::uint8_t kOne = 0, kOneAndHalf = 1, kTwo = 2;
}

struct CommSettings {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = parity::kNone;
    std::uint8_t stopBits = stopbits::kOne;
    friend bool operator==(const CommSettings&, const CommSettings&) = default;
};

// "none", "odd", "even", "mark", "space", or the number of a code beyond them.
std::string parityName(std::uint8_t code);

class SerialLine {
  public:
    virtual ~SerialLine() = default;
    // GetCommState: false when the settings cannot be read (settings is then left as it was).
    virtual bool readSettings(CommSettings& settings) = 0;
    // SetCommState: false when the line refuses them, also for settings it cannot express.
    virtual bool writeSettings(const CommSettings& settings) = 0;
    // WriteFile, synchronous: true when every byte was handed to the line.
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // Sleep: a protocol pause between writes.
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

}  // namespace kavro
