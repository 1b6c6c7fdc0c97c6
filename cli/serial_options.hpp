// The --port family of options: open a serial device, lock it against the tool's other runs,
// make it a raw line, and apply the line settings through the same code as the host's
// decoder-line call.
#pragma once

#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.hpp"
#include "cli/serial_device.hpp"
#include "kavro/encoder.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/serial_port.hpp"

namespace kavro::cli {

inline const OptionSpec kPortOptions[] = {
    {"port", true},   {"baud", true},   {"data-bits", true}, {"stop-bits", true},
    {"parity", true}, {"trace", false}, {"lock-wait", true},
};

// How long --port waits by default for another process's lock on the device.
constexpr double kDefaultLockWaitSeconds = 10;

// A command's own options followed by the --port family.
inline std::vector<OptionSpec> withPortOptions(std::initializer_list<OptionSpec> own) {
    std::vector<OptionSpec> options(own);
    options.insert(options.end(), std::begin(kPortOptions), std::end(kPortOptions));
    return options;
}

// The line a command sends on: with --port the device (traced with --trace), without it a
// recording line whose trace is printed and whose pauses are not waited.
//
// The device is held exclusively from before its settings are applied until it is closed
// (SerialDevice), so that two runs of the tool on one port never interleave their frames; a run
// waits for another's hold at most --lock-wait seconds.
class CommandLineSerial {
  public:
    explicit CommandLineSerial(const CommandLine& line);  // raises Failure / UsageError
    ~CommandLineSerial();
    CommandLineSerial(const CommandLineSerial&) = delete;
    CommandLineSerial& operator=(const CommandLineSerial&) = delete;

    SerialLine& line();
    // Prints the trace on stdout when there is one to print, waits (bounded) for the bytes to
    // leave, and raises Failure naming what the line failed of the call.
    void finish(const LineOutcome& outcome);

  private:
    std::string device_;
    std::unique_ptr<SerialDevice> serialDevice_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<RecordingLine> recorder_;
};

}  // namespace kavro::cli
