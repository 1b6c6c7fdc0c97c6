// The busy flag of a serial line: one byte the host owns and passes to every encoder call that
// writes to that line. Zero means free. A call waits in 50 ms pauses while the byte is nonzero,
// then sets it to 1 in the same atomic step as its last test, so two callers that test at the
// same moment cannot both go on; it clears the byte after its final write.
#pragma once

#include <chrono>
#include <cstdint>

namespace kavro {

using WaitFunction = void (*)(std::chrono::milliseconds);
void sleepFor(std::chrono::milliseconds duration);

class BusyFlag {
  public:
    static constexpr std::chrono::milliseconds kPollInterval{50};

    // wait is what a busy call does between two tests; tests pass a shorter one.
    explicit BusyFlag(std::uint8_t& byte, WaitFunction wait = &sleepFor) noexcept
        : byte_(byte), wait_(wait) {}

    void acquire() noexcept;
    void release() noexcept;
    bool isSet() const noexcept;

  private:
    std::uint8_t& byte_;
    WaitFunction wait_;
};

// Holds the flag for a scope, releasing it on every path out.
class BusyFlagHold {
  public:
    explicit BusyFlagHold(BusyFlag& flag) noexcept : flag_(flag) { flag_.acquire(); }
    ~BusyFlagHold() { flag_.release(); }
    BusyFlagHold(const BusyFlagHold&) = delete;
    BusyFlagHold& operator=(const BusyFlagHold&) = delete;

  private:
    BusyFlag& flag_;
};

}  // namespace kavro
