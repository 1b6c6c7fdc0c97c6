#include "kavro/busy_flag.hpp"

#include <atomic>
#include <thread>

namespace kavro {

void sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

void BusyFlag::acquire() noexcept {
    std::atomic_ref<std::uint8_t> flag(byte_);
    std::uint8_t expected = 0;
    while (!flag.compare_exchange_strong(expected, 1, std::memory_order_acquire,
                                         std::memory_order_relaxed)) {
        expected = 0;
        wait_(kPollInterval);
    }
}

void BusyFlag::release() noexcept {
    std::atomic_ref<std::uint8_t>(byte_).store(0, std::memory_order_release);
}

bool BusyFlag::isSet() const noexcept {
    return std::atomic_ref<std::uint8_t>(byte_).load(std::memory_order_acquire) != 0;
}

}  // namespace kavro
