#include "tests/support/pty_device.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace kavro::test {

PtyDevice::PtyDevice() {
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty failed";
        return;
    }
    path_ = name;
    termios t{};
    ::tcgetattr(slave_, &t);
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, B9600);
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(slave_, TCSANOW, &t);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyDevice::~PtyDevice() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
}

termios PtyDevice::settings() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return t;
}

PtyRecorder::PtyRecorder(const PtyDevice& device) : device_(device) {
    last_ = device_.settings();
    entries_.push_back({Clock::now(), false, 0, last_.c_cflag, ::cfgetospeed(&last_)});
    thread_ = std::thread([this] { run(); });
}

PtyRecorder::~PtyRecorder() {
    stop();
}

void PtyRecorder::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void PtyRecorder::run() {
    // Reads before it looks at the settings in each round, so a byte that was in the pty before
    // a change is never stamped after it; rounds are 100 us apart, well under a character's
    // time at any speed these lines use.
    while (!stop_) {
        std::uint8_t buffer[256];
        const ssize_t n = ::read(device_.master(), buffer, sizeof buffer);
        const auto now = Clock::now();
        const termios t = device_.settings();
        {
            std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n; ++i)
                entries_.push_back({now, true, buffer[i], 0, 0});
            if (n > 0) byteCount_ += static_cast<std::size_t>(n);
            if (t.c_cflag != last_.c_cflag || ::cfgetospeed(&t) != ::cfgetospeed(&last_)) {
                entries_.push_back({now, false, 0, t.c_cflag, ::cfgetospeed(&t)});
                last_ = t;
            }
        }
        if (n <= 0) ::usleep(100);
    }
}

bool PtyRecorder::waitForBytes(std::size_t count, std::chrono::milliseconds timeout) const {
    const auto until = Clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (byteCount_ >= count) return true;
        }
        if (Clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<PtyRecorder::Entry> PtyRecorder::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::uint8_t> PtyRecorder::bytes() const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> out;
    for (const Entry& e : entries_) {
        if (e.isByte) out.push_back(e.byte);
    }
    return out;
}

termios PtyRecorder::lastSettings() const {
    std::lock_guard lock(mutex_);
    return last_;
}

void PtyRecorder::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    byteCount_ = 0;
    // Recording starts again from the settings in force now.
    entries_.push_back({Clock::now(), false, 0, last_.c_cflag, ::cfgetospeed(&last_)});
}

}  // namespace kavro::test
