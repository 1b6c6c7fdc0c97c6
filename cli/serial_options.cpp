#include "cli/serial_options.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kavro/line_settings.hpp"

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
    const double lockWait = lockWaitSeconds(line);

    serialDevice_ = std::make_unique<SerialDevice>(device_, lockWait);
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

SerialLine& CommandLineSerial::line() {
    if (recorder_) return *recorder_;
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

}  // namespace kavro::cli
