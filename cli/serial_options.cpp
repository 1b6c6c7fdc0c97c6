#include "cli/serial_options.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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
        // No device here to hold: the server owns the port and decides who may connect to it
        // (ser2net, for one, takes one connection at a time unless told otherwise).
        if (line.has("lock-wait"))
            throw UsageError("--lock-wait is for a serial device, not a device server's port");
        openNetworkLine(*device, settings);
        if (line.has("trace")) recorder_ = std::make_unique<RecordingLine>(network_.get());
        return;
    }
    serialDevice_ = std::make_unique<SerialDevice>(device_, lockWaitSeconds(line));
    port_ = std::make_unique<SerialPort>(serialDevice_->handle());
    if (const LineResult set = setComState(*port_, settings); !set) {
        throw Failure(device_ + " refused the line settings " + std::to_string(settings.baudRate) +
                      " baud, " + std::to_string(dataBits) + " data bits, stop bits " +
                      std::to_string(settings.stopBits) + ", parity " + settings.parity + ": " +
                      set.error());
    }
    if (line.has("trace")) recorder_ = std::make_unique<RecordingLine>(port_.get());
}

CommandLineSerial::~CommandLineSerial() = default;

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
        serialDevice_->drained();
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
