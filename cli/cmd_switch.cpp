// kavro switch: connect two channels of a video matrix switcher.
#include <cstdio>

#include "cli/command.hpp"
#include "cli/send_warnings.hpp"
#include "cli/serial_options.hpp"
#include "kavro/switcher.hpp"

namespace kavro::cli {
namespace {

int runSwitch(const CommandLine& line) {
    if (line.positional().size() != 2) throw UsageError("give the two numbers FIRST and SECOND");
    const std::int32_t protocol = line.integer("protocol");
    const std::int32_t first = parseInteger(line.positional()[0], "FIRST");
    const std::int32_t second = parseInteger(line.positional()[1], "SECOND");

    CommandLineSerial serial(line);
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte);
    warnSwitchSend(SendWarnings(line), protocol, first, second);
    const SwitchResult result = writeCommandToSwitch(serial.line(), busy, protocol, first, second);
    if (!result.known) {
        throw Failure("switcher protocol " + std::to_string(protocol) +
                      " is none of 4, 15 and 28: nothing was sent");
    }
    serial.finish(result.line);
    return kExitOk;
}

const Command& switchCommand() {
    static const Command command{
        "switch",
        "switch [--port WHERE] [--quiet] --protocol ID FIRST SECOND",
        "Tells a video matrix switcher to connect channel FIRST with channel SECOND, in one of\n"
        "its built-in protocols (no protocol table):\n"
        "  4   one 16-byte frame, the numbers as raw bytes (0 to 255);\n"
        "  15  a frame for SECOND, then one for FIRST, each number 0 to 19;\n"
        "  28  one 17-character ASCII frame, the numbers as three digits (0 to 999), sent three\n"
        "      times.\n"
        "Numbers beyond those ranges are sent all the same, cut as the protocol cuts them,\n"
        "with a warning naming the number that goes out instead.\n"
        "\n"
        "  --protocol ID     4, 15 or 28\n" KAVRO_PORT_HELP
        "  --quiet           no warnings\n"
        "\n"
        "Without --port nothing is opened: stdout gets the wire trace, one write per line.\n"
        "\n"
        "Example:\n"
        "  kavro switch --protocol 28 12 5\n",
        withPortOptions({kQuietOption, {"protocol", true}}),
        runSwitch,
    };
    return command;
}

const CommandRegistration registration{switchCommand};

}  // namespace
}  // namespace kavro::cli
