#include "cli/serial_options.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "kavro/line_open.hpp"
#include "kavro/line_settings.hpp"
#include "serial/line_address.hpp"

namespace kavro::cli {
namespace {

double lockWaitSeconds(const CommandLine& line) {
    const auto text = line.value("lock-wait");
    if (!text) return kDefaultLockWaitSeconds;
    char* end = nullptr;
    const double seconds = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 ||
        seconds > 86400) {
        throw UsageError("--lock-wait must be a number of seconds from 0 to 86400");
    }
    return seconds;
}

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

CommandLineSerial::CommandLineSerial(const CommandLine& line) {
    auto device = line.value("port");
    if (!device) {
        if (line.has("trace"))
            throw UsageError("--trace needs --port (without it the trace is always printed)");
        for (const char* option : {"baud", "data-bits", "stop-bits", "parity"}) {
            if (line.has(option))
                throw UsageError(std::string("--") + option + " needs --port (it sets the line's " +
                                 option + ")");
        }
        if (line.has("lock-wait")) throw UsageError("--lock-wait needs --port");
        recorder_ = std::make_unique<RecordingLine>();
        return;
    }
    device_ = *device;
    LineSettings settings;
    const std::int32_t baud = line.integerOr("baud", 9600);
    if (baud <= 0) throw UsageError("--baud must be positive");
    settings.baudRate = static_cast<std::uint32_t>(baud);
    const std::int32_t dataBits = line.integerOr("data-bits", 8);
    if (dataBits < 5 || dataBits > 8) throw UsageError("--data-bits must be 5 to 8");
    settings.dataBits = static_cast<std::uint8_t>(dataBits);
    settings.stopBits = line.integerOr("stop-bits", 1);
    if (settings.stopBits != 1 && settings.stopBits != 2)
        throw UsageError("--stop-bits must be 1 or 2");
    // The host's settings record takes any text and reads what is none of N, O, E and M as
    // space; on the command line a letter that is none of the five is a mistake, not space.
    settings.parity = line.valueOr("parity", "N");
    if (settings.parity.size() != 1 ||
        std::string_view("NOEMS").find(settings.parity[0]) == std::string_view::npos)
        throw UsageError("--parity must be one of N, O, E, M and S, not '" + settings.parity + "'");

    if (device->find("://") != std::string::npos) {
        // No device here to lock: the server owns the port and decides who may connect to it
        // (ser2net, for one, takes one connection at a time unless told otherwise).
        if (line.has("lock-wait"))
            throw UsageError("--lock-wait is for a serial device, not a device server's port");
        openNetworkLine(*device, settings);
        if (line.has("trace")) recorder_ = std::make_unique<RecordingLine>(network_.get());
        return;
    }
    const double lockWait = lockWaitSeconds(line);
    fd_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) throw Failure("cannot open " + device_ + ": " + std::strerror(errno));
    lockDevice(fd_, device_, lockWait);
    // A raw line: no echo, no line editing, no translation of the bytes sent.
    termios t{};
    if (tcgetattr(fd_, &t) != 0) {
        throw Failure(device_ + " is not a serial line: " + std::strerror(errno));
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd_, TCSANOW, &t);
    port_ = std::make_unique<SerialPort>(fd_);
    if (const LineResult set = setComState(*port_, settings); !set) {
        throw Failure(device_ + " refused the line settings " + std::to_string(settings.baudRate) +
                      " baud, " + std::to_string(dataBits) + " data bits, stop bits " +
                      std::to_string(settings.stopBits) + ", parity " + settings.parity + ": " +
                      set.error());
    }
    if (line.has("trace")) recorder_ = std::make_unique<RecordingLine>(port_.get());
}

CommandLineSerial::~CommandLineSerial() {
    if (fd_ < 0) return;
    // Bytes a stuck line never took would hold close(2) for the driver's closing wait.
    if (!drained_) tcflush(fd_, TCOFLUSH);
    ::close(fd_);  // and with it the lock
}

void CommandLineSerial::openNetworkLine(const std::string& url, const LineSettings& settings) {
    LineAddress address;
    try {
        address = parseLineAddress(url);
    } catch (const LineAddressError& error) {
        throw UsageError(std::string("--port ") + error.what());
    }
    where_ = address.text();
    LineOptions options;
    if (address.kind == LineAddress::Kind::RawTcp) {
        // The server's port is as the options say; the line only checks against them.
        settingsFixed_ = true;
        fixed_ = {settings.baudRate, settings.dataBits, parityCode(settings.parity),
                  stopBitsCode(settings.stopBits)};
        options.rawTcpSettings = fixed_;
    }
    try {
        network_ = openLine(url, options);
    } catch (const LineOpenError& error) {
        throw Failure(error.what());
    }
    if (const LineResult set = setComState(*network_, settings); !set) {
        throw Failure(where_ + " refused the line settings " + std::to_string(settings.baudRate) +
                      " baud, " + std::to_string(settings.dataBits) + " data bits, stop bits " +
                      std::to_string(settings.stopBits) + ", parity " + settings.parity + ": " +
                      set.error());
    }
}

SerialLine& CommandLineSerial::line() {
    if (recorder_) return *recorder_;
    if (network_) return *network_;
    return *port_;
}

void CommandLineSerial::finish(const LineOutcome& outcome) {
    if (recorder_) std::fputs(recorder_->trace().text().c_str(), stdout);
    if (!outcome.ok()) throw Failure(device_ + ": " + outcome.text());
    if (port_) {
        if (const LineResult drained = port_->drain(); !drained) {
            throw Failure(device_ + " did not send what was written: " + drained.error());
        }
        drained_ = true;
    }
}

void CommandLineSerial::refuseUnchangeableSettings(const WireTrace& script,
                                                   const std::string& what) const {
    if (!settingsFixed_) return;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const WireTrace::Event event = script[i];
        const bool changes =
            (event.kind == WireTrace::Kind::Parity && event.parity != fixed_.parity) ||
            (event.kind == WireTrace::Kind::Settings && !(event.settings == fixed_));
        if (!changes) continue;
        const std::string change =
            event.kind == WireTrace::Kind::Parity
                ? "switches the line to " + parityName(event.parity) + " parity"
                : "changes the line's settings";
        throw Failure(what + " " + change + ", which " + where_ +
                      " cannot do (a raw TCP line cannot change its settings): nothing was "
                      "sent; reach the port as rfc2217:// instead");
    }
}

}  // namespace kavro::cli
