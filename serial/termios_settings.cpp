#include "serial/termios_settings.hpp"

#include <cerrno>
#include <system_error>

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

}  // namespace

tcflag_t parityMask() noexcept {
    tcflag_t mask = PARENB | PARODD;
#ifdef CMSPAR
    mask |= CMSPAR;
#endif
    return mask;
}

CommSettings decodeTermios(const termios& t) {
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
    return s;
}

std::string encodeTermios(const CommSettings& settings, termios& t) {
    const Speed* speed = nullptr;
    for (const Speed& entry : kSpeeds) {
        if (entry.baud == settings.baudRate) speed = &entry;
    }
    if (speed == nullptr) return std::to_string(settings.baudRate) + " baud is not a POSIX speed";
    if (cfsetispeed(&t, speed->code) != 0 || cfsetospeed(&t, speed->code) != 0) {
        return std::system_category().message(errno);
    }

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
            return std::to_string(settings.byteSize) + " data bits: the line takes 5 to 8";
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
            if (settings.byteSize != 5) return "one and a half stop bits need 5 data bits";
            t.c_cflag |= CSTOPB;
            break;
        default:
            return "stop-bit code " + std::to_string(settings.stopBits) + " is none of 0 to 2";
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
            return settings.parity <= parity::kSpace
                       ? "this system has no " + parityName(settings.parity) + " parity"
                       : "parity code " + std::to_string(settings.parity) + " is none of 0 to 4";
    }
    t.c_cflag = (t.c_cflag & ~parityMask()) | parityBits;
    return {};
}

// What the device kept of the asked settings, compared bit by bit, or "" when it kept them
// all. A Linux pseudo-terminal forces CS8 and clears PARENB on every change, but keeps the
// speed, CSTOPB, PARODD and CMSPAR (and flags such as CRTSCTS and CLOCAL that are not set
// here): on one only those are compared, which is all a pty can show of a line's settings.
std::string keptOtherwise(const termios& asked, const termios& kept, bool pseudoTerminal) {
    const tcflag_t compared = pseudoTerminal ? (parityMask() & ~static_cast<tcflag_t>(PARENB)) |
                                                   static_cast<tcflag_t>(CSTOPB)
                                             : parityMask() | CSTOPB | CSIZE;
    const CommSettings wanted = decodeTermios(asked);
    const CommSettings got = decodeTermios(kept);
    std::string what;
    const auto add = [&what](const std::string& part) {
        what += what.empty() ? "the device kept " : ", ";
        what += part;
    };
    if (cfgetospeed(&asked) != cfgetospeed(&kept) || cfgetispeed(&asked) != cfgetispeed(&kept)) {
        add(std::to_string(got.baudRate) + " baud instead of " + std::to_string(wanted.baudRate));
    }
    if ((asked.c_cflag & compared & CSIZE) != (kept.c_cflag & compared & CSIZE)) {
        add(std::to_string(got.byteSize) + " data bits instead of " +
            std::to_string(wanted.byteSize));
    }
    if ((asked.c_cflag & compared & CSTOPB) != (kept.c_cflag & compared & CSTOPB)) {
        add(std::string((kept.c_cflag & CSTOPB) != 0 ? "two stop bits" : "one stop bit") +
            " instead of " + ((asked.c_cflag & CSTOPB) != 0 ? "two" : "one"));
    }
    if ((asked.c_cflag & compared & parityMask()) != (kept.c_cflag & compared & parityMask())) {
        // On a pty PARENB reads back clear: name the parity from the bits it keeps.
        termios shown = kept;
        if (pseudoTerminal) shown.c_cflag |= asked.c_cflag & PARENB;
        add("parity " + parityName(decodeTermios(shown).parity) + " instead of " +
            parityName(wanted.parity));
    }
    return what;
}

}  // namespace kavro
