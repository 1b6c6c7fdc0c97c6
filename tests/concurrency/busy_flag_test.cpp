#include "kavro/busy_flag.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace kavro {
namespace {

using namespace std::chrono_literals;

void shortWait(std::chrono::milliseconds) {
    std::this_thread::sleep_for(100us);
}

TEST(BusyFlag, OnlyOneHolderAtATime) {
    std::uint8_t byte = 0;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            BusyFlag flag(byte, shortWait);
            for (int i = 0; i < 200; ++i) {
                BusyFlagHold hold(flag);
                if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
                std::this_thread::yield();
                inside.fetch_sub(1);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(byte, 0);
}

TEST(BusyFlag, WaiterGoesOnWithinOnePollOfTheRelease) {
    // Real time: the waiter polls every 50 ms, so it must be through within about that much
    // after another thread clears the flag. Bounded generously against a loaded machine.
    std::uint8_t byte = 1;  // held by "another writer"
    std::atomic<bool> acquired{false};
    std::chrono::steady_clock::time_point acquiredAt;
    std::thread waiter([&] {
        BusyFlag flag(byte);
        flag.acquire();
        acquiredAt = std::chrono::steady_clock::now();
        acquired = true;
        flag.release();
    });
    std::this_thread::sleep_for(120ms);
    EXPECT_FALSE(acquired.load()) << "went on while the flag was set";
    const auto releasedAt = std::chrono::steady_clock::now();
    std::atomic_ref<std::uint8_t>(byte).store(0);
    waiter.join();
    ASSERT_TRUE(acquired.load());
    EXPECT_LT(acquiredAt - releasedAt, 50ms + 40ms);
    EXPECT_EQ(byte, 0);
}

}  // namespace
}  // namespace kavro
