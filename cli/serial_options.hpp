// The --port family of options: open a serial device or a device server's port by path or URL,
// lock a device against the tool's other runs, make it a raw line, and apply the line settings
// through the same code as the host's decoder-line call.
#pragma once

#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.hpp"
#include "cli/serial_device.hpp"
#include "kavro/encoder.hpp"
#include "kavro/line_settings.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/serial_port.hpp"
#include "kavro/wire_trace.hpp"

namespace kavro::cli {

inline const OptionSpec kPortOptions[] = {
    {"port", true},   {"baud", true},   {"data-bits", true}, {"stop-bits", true},
    {"parity", true}, {"trace", false}, {"lock-wait", true},
};

// How long --port waits by default for another process's lock on the device.
constexpr double kDefaultLockWaitSeconds = 10;

// The help text of the --port family, the same for every command that sends (a macro, to be
// joined with the command's own help literal).
#define KAVRO_PORT_HELP                                                                      \
    "  --port WHERE      send on this line instead of printing the trace: a serial device\n" \
    "                    (/dev/ttyUSB0, COM9) or a device server's port, tcp://HOST:PORT\n"  \
    "                    (raw TCP) or rfc2217://HOST:PORT (RFC 2217), an IPv6 HOST in\n"     \
    "                    brackets\n"                                                         \
    "  --baud N, --data-bits N, --stop-bits 1|2, --parity N|O|E|M|S\n"                       \
    "                    line settings for --port (default 9600 8 1 N); over tcp:// they\n"  \
    "                    say how the server's port is set, which the line cannot change,\n"  \
    "                    so protocols that switch parity are refused there\n"                \
    "  --trace           with --port, print the trace of what was sent too, a write the\n"   \
    "                    line failed marked (failed: REASON)\n"                              \
    "  --lock-wait S     with a serial device, wait at most S seconds (default 10) while\n"  \
    "                    another run holds the device's lock\n"

// A command's own options followed by the --port family.
inline std::vector<OptionSpec> withPortOptions(std::initializer_list<OptionSpec> own) {
    std::vector<OptionSpec> options(own);
    options.insert(options.end(), std::begin(kPortOptions), std::end(kPortOptions));
    return options;
}

// The line a command sends on: with --port the device or server (traced with --trace), without
// it a recording line whose trace is printed and whose pauses are not waited.
//
// The device is held exclusively from before its settings are applied until it is closed
// (SerialDevice), so that two runs of the tool on one port never interleave their frames; a run
// waits for another's hold at most --lock-wait seconds. A device server's port is not held
// here: the server owns it and decides who may connect.
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

    // Raises Failure before anything is sent when the script changes settings that the line
    // cannot change (a raw TCP line and a mark/space protocol); what names the sender.
    void refuseUnchangeableSettings(const WireTrace& script, const std::string& what) const;
    // Whether refuseUnchangeableSettings has anything to check (a raw TCP line).
    bool settingsFixed() const { return settingsFixed_; }

  private:
    // A tcp:// or rfc2217:// port, connected and set up.
    void openNetworkLine(const std::string& url, const LineSettings& settings);

    std::string device_;
    std::unique_ptr<SerialDevice> serialDevice_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<SerialLine> network_;
    std::unique_ptr<RecordingLine> recorder_;
    std::string where_;
    bool settingsFixed_ = false;
    CommSettings fixed_;
};

}  // namespace kavro::cli
