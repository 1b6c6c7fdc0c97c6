// An ordered list of what goes to a serial line: writes, pauses, parity changes and (rarely)
// whole settings changes. An encoder produces one as its script; RecordingLine keeps one of what
// it was asked to do. The text form is the wire trace the kavro tool prints:
//   write 05 34        bytes as two-digit uppercase hex
//   pause 20           milliseconds
//   parity mark        none, odd, even, mark, space
//   settings 9600 8 N 1
// An event the line failed is marked after it, with the line's reason:
//   write 05 34 (failed: Input/output error)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kavro/inline_vector.hpp"
#include "kavro/serial_line.hpp"

namespace kavro {

class WireTrace {
  public:
    enum class Kind : std::uint8_t { Write, Pause, Parity, Settings };

    struct Event {
        Kind kind;
        std::span<const std::uint8_t> bytes;  // Write
        int millis;                           // Pause
        std::uint8_t parity;                  // Parity
        CommSettings settings;                // Settings
        std::string_view failure;             // why the line failed it; empty when it did not
    };

    void write(std::span<const std::uint8_t> bytes) {
        events_.push_back({Kind::Write,
                           0,
                           0,
                           static_cast<std::uint32_t>(bytes_.size()),
                           static_cast<std::uint32_t>(bytes.size()),
                           {},
                           0});
        bytes_.append(bytes.data(), bytes.size());
    }
    void pause(int millis);
    void parity(std::uint8_t code);
    void settings(const CommSettings& settings);
    // Marks an event (by index) as failed by the line, for this reason.
    void markFailed(std::size_t index, std::string reason);
    void clear();
    // Room for this many events and written bytes before the next allocation.
    void reserve(std::size_t events, std::size_t bytes);

    std::size_t size() const noexcept { return events_.size(); }
    bool empty() const noexcept { return events_.empty(); }
    Event operator[](std::size_t index) const;
    // Every byte written, in order, joined.
    std::vector<std::uint8_t> writtenBytes() const;
    std::string text() const;

  private:
    struct Record {
        Kind kind;
        std::uint8_t parity;
        int millis;
        std::uint32_t offset, length;
        CommSettings settings;
        std::uint32_t failure;  // 1 + its index in failures_, 0 for none
    };
    // Room for the longest encoder script (a dome scan: 20 events, 19 frames of 11 bytes, and
    // the reserve buildScript asks for) inside the object, so building and playing a script
    // allocates nothing; a longer trace (a recording line's) moves to the heap.
    InlineVector<Record, 24> events_;
    InlineVector<std::uint8_t, 320> bytes_;
    std::vector<std::string> failures_;
};

// "05 34": two-digit uppercase hex, separated by one space.
std::string hexBytes(std::span<const std::uint8_t> bytes);
std::string eventText(const WireTrace::Event& event);

}  // namespace kavro
