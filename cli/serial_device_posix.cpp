#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "cli/command.hpp"
#include "cli/serial_device.hpp"

namespace kavro::cli {
namespace {

// flock(2) polled, since it has no time-out of its own: another run of the tool holds the lock
// for one call, a fraction of a second for most commands.
void lockDevice(int fd, const std::string& device, double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds));
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            throw Failure("cannot lock " + device + ": " + std::strerror(errno));
        }
        if (Clock::now() >= deadline) {
            char shown[32];
            std::snprintf(shown, sizeof shown, "%g", seconds);
            throw Failure(device + " is in use by another process (still locked after " + shown +
                          " s; see --lock-wait)");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

SerialDevice::SerialDevice(const std::string& name, double lockWaitSeconds) {
    const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw Failure("cannot open " + name + ": " + std::strerror(errno));
    try {
        lockDevice(fd, name, lockWaitSeconds);
        termios t{};
        if (tcgetattr(fd, &t) != 0) {
            throw Failure(name + " is not a serial line: " + std::strerror(errno));
        }
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        tcsetattr(fd, TCSANOW, &t);
    } catch (...) {
        ::close(fd);
        throw;
    }
    handle_ = fd;
}

SerialDevice::~SerialDevice() {
    const int fd = static_cast<int>(handle_);
    // Bytes a stuck line never took would hold close(2) for the driver's closing wait.
    if (!drained_) tcflush(fd, TCOFLUSH);
    ::close(fd);  // and with it the lock
}

}  // namespace kavro::cli
