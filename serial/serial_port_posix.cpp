// SerialPort on a POSIX file descriptor, through termios.
#include <errno.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

#include "kavro/serial_port.hpp"

namespace kavro {
namespace {

struct Speed {
    std::uint32_t baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},
#ifdef B460800
    {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
#endif
};

int fdOf(NativeSerialHandle handle) {
    return static_cast<int>(handle);
}

}  // namespace

bool SerialPort::readSettings(CommSettings& settings) {
    termios t{};
    if (tcgetattr(fdOf(handle_), &t) != 0) return false;
    CommSettings s;
    s.baudRate = 0;
    const speed_t speed = cfgetospeed(&t);
    for (const Speed& entry : kSpeeds) {
        if (entry.code == speed) s.baudRate = entry.baud;
    }
    switch (t.c_cflag & CSIZE) {
        case CS5:
            s.byteSize = 5;
            break;
        case CS6:
            s.byteSize = 6;
            break;
        case CS7:
            s.byteSize = 7;
            break;
        default:
            s.byteSize = 8;
            break;
    }
    if ((t.c_cflag & CSTOPB) == 0) {
        s.stopBits = stopbits::kOne;
    } else {
        // Two stop bits with five data bits is what the UART sends as one and a half.
        s.stopBits = s.byteSize == 5 ? stopbits::kOneAndHalf : stopbits::kTwo;
    }
    const bool odd = (t.c_cflag & PARODD) != 0;
    if ((t.c_cflag & PARENB) == 0) {
        s.parity = parity::kNone;
#ifdef CMSPAR
    } else if ((t.c_cflag & CMSPAR) != 0) {
        s.parity = odd ? parity::kMark : parity::kSpace;
#endif
    } else {
        s.parity = odd ? parity::kOdd : parity::kEven;
    }
    settings = s;
    return true;
}

bool SerialPort::writeSettings(const CommSettings& settings) {
    termios t{};
    if (tcgetattr(fdOf(handle_), &t) != 0) return false;

    const Speed* speed = nullptr;
    for (const Speed& entry : kSpeeds) {
        if (entry.baud == settings.baudRate) speed = &entry;
    }
    if (speed == nullptr) return false;
    if (cfsetispeed(&t, speed->code) != 0 || cfsetospeed(&t, speed->code) != 0) return false;

    tcflag_t size = 0;
    switch (settings.byteSize) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return false;
    }
    t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | size;

    switch (settings.stopBits) {
        case stopbits::kOne:
            t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
            break;
        case stopbits::kTwo:
            t.c_cflag |= CSTOPB;
            break;
        case stopbits::kOneAndHalf:
            if (settings.byteSize != 5) return false;
            t.c_cflag |= CSTOPB;
            break;
        default:
            return false;
    }

    tcflag_t parityBits = 0;
    switch (settings.parity) {
        case parity::kNone:
            break;
        case parity::kOdd:
            parityBits = PARENB | PARODD;
            break;
        case parity::kEven:
            parityBits = PARENB;
            break;
#ifdef CMSPAR
        case parity::kMark:
            parityBits = PARENB | CMSPAR | PARODD;
            break;
        case parity::kSpace:
            parityBits = PARENB | CMSPAR;
            break;
#endif
        default:
            return false;  // not a parity, or mark/space on a system without CMSPAR
    }
    tcflag_t parityMask = PARENB | PARODD;
#ifdef CMSPAR
    parityMask |= CMSPAR;
#endif
    t.c_cflag = (t.c_cflag & ~parityMask) | parityBits;

    // TCSADRAIN: the queued bytes go out with the settings they were written under.
    return tcsetattr(fdOf(handle_), TCSADRAIN, &t) == 0;
}

bool SerialPort::write(std::span<const std::uint8_t> bytes) {
    const int fd = fdOf(handle_);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking descriptor: wait for room, as a synchronous write would.
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, -1) < 0 && errno != EINTR) return false;
        } else {
            return false;
        }
    }
    return true;
}

void SerialPort::pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace kavro
