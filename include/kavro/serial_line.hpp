// A serial line as the encoders and the line-settings functions see it: a settings block with
// the Windows device-control meanings, a synchronous write and a pause. SerialPort drives a real
// port; RecordingLine keeps settings and events for tests and the wire trace.
//
// Every operation that can fail says why through a LineResult: the system's own text for a
// refused or failed operation ("Input/output error"), or that its deadline passed. A line never
// blocks its caller for ever: each write, and each wait for queued bytes to go out before a
// settings change, is bounded by the line's WriteDeadline.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

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

// The outcome of one operation on a line.
class LineResult {
  public:
    enum class Status : std::uint8_t {
        Ok,
        Failed,    // the line refused or the system reported an error
        TimedOut,  // the deadline passed before the operation finished
    };

    LineResult() = default;
    static LineResult failed(std::string error) { return {Status::Failed, std::move(error)}; }
    static LineResult timedOut(std::string error) { return {Status::TimedOut, std::move(error)}; }

    Status status() const noexcept { return status_; }
    bool ok() const noexcept { return status_ == Status::Ok; }
    bool isTimedOut() const noexcept { return status_ == Status::TimedOut; }
    explicit operator bool() const noexcept { return ok(); }
    // Why it failed, for people: "Input/output error", "the device kept parity none instead of
    // mark", "timed out after 1004 ms with 120 of 65536 bytes written". Empty when ok.
    const std::string& error() const noexcept { return error_; }

  private:
    LineResult(Status status, std::string error) : status_(status), error_(std::move(error)) {}
    Status status_ = Status::Ok;
    std::string error_;
};

// How long one write, or one wait for the queued bytes to leave before a settings change, may
// take: wireTimeFactor times the bytes' time on the wire at the line's speed, plus slack. A
// line that cannot write faster than its wire keeps well inside it; one whose other end has
// stopped reading (flow control held, a pty nobody reads) fails instead of hanging.
struct WriteDeadline {
    int wireTimeFactor = 4;
    std::chrono::milliseconds slack{1000};

    // The allowance for count bytes at the settings' speed, each byte a start bit, its data
    // bits, a parity bit unless none, and its stop bits.
    std::chrono::milliseconds allowance(std::size_t count, const CommSettings& settings) const;
};

class SerialLine {
  public:
    virtual ~SerialLine() = default;
    // GetCommState: fails when the settings cannot be read (settings is then left as it was).
    virtual LineResult readSettings(CommSettings& settings) = 0;
    // SetCommState: fails when the line refuses them, cannot express them, or, read back,
    // kept something else than asked. Waits (within the deadline) for bytes already queued
    // to go out first, so a parity change never lands in the middle of them.
    virtual LineResult writeSettings(const CommSettings& settings) = 0;
    // WriteFile, synchronous within the deadline: ok when every byte was handed to the line.
    virtual LineResult write(std::span<const std::uint8_t> bytes) = 0;
    // Sleep: a protocol pause between writes. Never shortened by a deadline.
    virtual void pause(std::chrono::milliseconds duration) = 0;
    // The deadline of every later write and drain. A line that never blocks may ignore it.
    virtual void setWriteDeadline(const WriteDeadline& deadline) { (void)deadline; }
};

}  // namespace kavro
