// SerialPort on a POSIX file descriptor, through termios.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <thread>

#include "kavro/serial_port.hpp"
#include "serial/pseudo_terminal.hpp"
#include "serial/termios_settings.hpp"

namespace kavro {
namespace {

using Clock = std::chrono::steady_clock;

int fdOf(NativeSerialHandle handle) {
    return static_cast<int>(handle);
}

std::string systemError(int code) {
    return std::system_category().message(code);
}

long long millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Clears O_NONBLOCK again on the way out if it was clear on the way in.
class NonBlocking {
  public:
    explicit NonBlocking(int fd) : fd_(fd), flags_(fcntl(fd, F_GETFL)) {
        if (flags_ >= 0 && (flags_ & O_NONBLOCK) == 0) fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
    }
    ~NonBlocking() {
        if (flags_ >= 0 && (flags_ & O_NONBLOCK) == 0) fcntl(fd_, F_SETFL, flags_);
    }
    NonBlocking(const NonBlocking&) = delete;
    NonBlocking& operator=(const NonBlocking&) = delete;

  private:
    int fd_;
    int flags_;
};

}  // namespace

LineResult SerialPort::readSettings(CommSettings& settings) {
    termios t{};
    if (tcgetattr(fdOf(handle_), &t) != 0) return LineResult::failed(systemError(errno));
    settings = decodeTermios(t);
    return {};
}

LineResult SerialPort::drain() {
    const int fd = fdOf(handle_);
    termios t{};
    if (tcgetattr(fd, &t) != 0) return LineResult::failed(systemError(errno));
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0) queued = 0;
    // The bytes still queued, polled until they have left or their deadline has passed.
    const auto start = Clock::now();
    const auto deadline =
        start + deadline_.allowance(static_cast<std::size_t>(queued), decodeTermios(t));
    while (queued > 0) {
        if (Clock::now() >= deadline) {
            return LineResult::timedOut("timed out after " + std::to_string(millisSince(start)) +
                                        " ms with " + std::to_string(queued) +
                                        " bytes still queued");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (ioctl(fd, TIOCOUTQ, &queued) != 0) queued = 0;
    }
    // What is left is the UART's own FIFO, a few characters' time.
    if (tcdrain(fd) != 0) return LineResult::failed(systemError(errno));
    return {};
}

LineResult SerialPort::writeSettings(const CommSettings& settings) {
    const int fd = fdOf(handle_);
    termios t{};
    if (tcgetattr(fd, &t) != 0) return LineResult::failed(systemError(errno));
    if (std::string refused = encodeTermios(settings, t); !refused.empty()) {
        return LineResult::failed(std::move(refused));
    }
    // The queued bytes go out with the settings they were written under.
    if (LineResult drained = drain(); !drained) return drained;
    if (tcsetattr(fd, TCSADRAIN, &t) != 0) return LineResult::failed(systemError(errno));

    // tcsetattr succeeds if the device took any of the change; read back what it kept.
    termios kept{};
    if (tcgetattr(fd, &kept) != 0) return LineResult::failed(systemError(errno));
    if (std::string other = keptOtherwise(t, kept, isPseudoTerminal(fd)); !other.empty()) {
        return LineResult::failed(std::move(other));
    }
    return {};
}

LineResult SerialPort::write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return {};
    const int fd = fdOf(handle_);
    CommSettings settings;
    readSettings(settings);  // an unreadable speed counts as the default's
    const auto start = Clock::now();
    const auto deadline = start + deadline_.allowance(bytes.size(), settings);
    const auto timedOut = [&](std::size_t done) {
        return LineResult::timedOut("timed out after " + std::to_string(millisSince(start)) +
                                    " ms with " + std::to_string(done) + " of " +
                                    std::to_string(bytes.size()) + " bytes written");
    };

    NonBlocking nonBlocking(fd);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            // No room: wait for some, as a synchronous write would, until the deadline.
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return timedOut(done);
            pollfd p{fd, POLLOUT, 0};
            const int ready =
                poll(&p, 1, static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30)));
            if (ready < 0 && errno != EINTR) return LineResult::failed(systemError(errno));
            continue;
        }
        return LineResult::failed(systemError(errno));
    }
    return {};
}

void SerialPort::pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace kavro
