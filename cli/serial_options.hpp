// The --port family of options: open a serial device, make it a raw line, and apply the line
// settings through the same code as the host's decoder-line call.
#pragma once

#include <initializer_list>
#include <iterator>
#include <memory>
#include <vector>

#include "cli/command.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/serial_port.hpp"

namespace kavro::cli {

inline const OptionSpec kPortOptions[] = {
    {"port", true},      {"baud", true},   {"data-bits", true},
    {"stop-bits", true}, {"parity", true}, {"trace", false},
};

// A command's own options followed by the --port family.
inline std::vector<OptionSpec> withPortOptions(std::initializer_list<OptionSpec> own) {
    std::vector<OptionSpec> options(own);
    options.insert(options.end(), std::begin(kPortOptions), std::end(kPortOptions));
    return options;
}

// The line a command sends on: with --port the device (traced with --trace), without it a
// recording line whose trace is printed and whose pauses are not waited.
class CommandLineSerial {
  public:
    explicit CommandLineSerial(const CommandLine& line);  // raises Failure / UsageError
    ~CommandLineSerial();
    CommandLineSerial(const CommandLineSerial&) = delete;
    CommandLineSerial& operator=(const CommandLineSerial&) = delete;

    SerialLine& line();
    // Prints the trace on stdout when there is one to print.
    void printTrace() const;

  private:
    int fd_ = -1;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<RecordingLine> recorder_;
};

}  // namespace kavro::cli
