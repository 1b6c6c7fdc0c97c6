// The far end of a serial line for tests: a pseudo-terminal pair whose slave a device server
// (or the library) opens as the port, and whose master the test reads. A recorder thread reads
// the master and polls the port's settings, timestamping every byte and every settings change
// it sees, so a test can tell in what order bytes and changes reached the port.
#pragma once

#include <termios.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kavro::test {

class PtyDevice {
  public:
    PtyDevice();  // raw mode, 9600 baud; fails the test when no pty can be had
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    const std::string& path() const { return path_; }  // /dev/pts/N
    int master() const { return master_; }
    int slave() const { return slave_; }
    // The port's settings as whoever opened the slave set them (the master reports the
    // slave's). A Linux pty clears PARENB and CSIZE but keeps CMSPAR, PARODD and the speed.
    termios settings() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

class PtyRecorder {
  public:
    using Clock = std::chrono::steady_clock;
    struct Entry {
        Clock::time_point at;
        bool isByte;        // a byte read, or a settings change seen
        std::uint8_t byte;  // isByte
        tcflag_t cflag;     // !isByte: the new c_cflag
        speed_t speed;      // !isByte: the new output speed
    };

    explicit PtyRecorder(const PtyDevice& device);  // starts recording at once
    ~PtyRecorder();
    PtyRecorder(const PtyRecorder&) = delete;
    PtyRecorder& operator=(const PtyRecorder&) = delete;

    // Waits (at most timeout) until count bytes in all have been read; true when they have.
    bool waitForBytes(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits (at most timeout) until the port's settings satisfy ok.
    template <class Predicate>
    bool waitForSettings(Predicate ok, std::chrono::milliseconds timeout) const {
        const auto until = Clock::now() + timeout;
        do {
            if (ok(lastSettings())) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } while (Clock::now() < until);
        return ok(lastSettings());
    }
    // In order; the first is the settings in force when recording began (or was cleared).
    std::vector<Entry> entries() const;
    std::vector<std::uint8_t> bytes() const;
    termios lastSettings() const;
    void clear();
    void stop();

  private:
    void run();
    const PtyDevice& device_;
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::size_t byteCount_ = 0;
    termios last_{};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace kavro::test
