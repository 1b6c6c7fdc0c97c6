// kavro decoder: one named command to a pan/tilt/zoom decoder.
#include <cstdio>

#include "cli/command.hpp"
#include "cli/protocol_table.hpp"
#include "cli/send_report.hpp"
#include "cli/send_warnings.hpp"
#include "cli/serial_options.hpp"
#include "kavro/decoder.hpp"

namespace kavro::cli {
namespace {

int runDecoder(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one COMMAND");
    const std::int32_t protocol = line.integer("protocol");
    const std::int32_t camera = line.integer("camera");
    const std::string& command = line.positional()[0];

    OpenTable table = openProtocolTable(line);
    CommandLineSerial serial(line);
    if (serial.settingsFixed()) {
        WireTrace script;
        sendOrFail(protocol, table.name(), [&] {
            return encodeDecoderCommand(*table.set, protocol, camera, command, script);
        });
        serial.refuseUnchangeableSettings(script, "protocol " + std::to_string(protocol));
    }
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte);
    warnDecoderSend(SendWarnings(line), *table.set, protocol, camera, command);
    const LineOutcome outcome = sendOrFail(protocol, table.name(), [&] {
        return writeCommandToDecoder(serial.line(), busy, protocol, *table.set, camera, command);
    });
    serial.finish(outcome);
    return kExitOk;
}

const Command& decoderCommand() {
    static const Command command{
        "decoder",
        "decoder [--db PATH] [--table NAME] [--port WHERE] [--quiet] --protocol ID --camera N "
        "COMMAND",
        "Sends one named command (Up, ZoomInc, IrisDecStop, ...) to the pan/tilt/zoom decoder\n"
        "of camera N, in the protocol whose row in the protocol table has that ID.\n"
        "\n"
        "  --db PATH         SQLite database holding the protocol table, or the\n"
        "                    postgresql://... URI of a PostgreSQL database\n"
        "                    (default: the bundled table)\n"
        "  --table NAME      the protocol table (default: Protocol)\n"
        "  --protocol ID     the protocol's ID\n"
        "  --camera N        the camera address\n" KAVRO_PORT_HELP
        "  --quiet           no warnings (a camera the frame cannot carry, a protocol\n"
        "                    without a decoder layout, a command that is a column of the row)\n"
        "\n"
        "Without --port nothing is opened and no pause is waited: stdout gets the wire trace,\n"
        "one event per line (write HH HH ..., pause MS, parity mark|space|...).\n"
        "\n"
        "Example:\n"
        "  kavro decoder --protocol 7 --camera 1 Up\n",
        withPortOptions(
            {kDbOption, kTableOption, kQuietOption, {"protocol", true}, {"camera", true}}),
        runDecoder,
    };
    return command;
}

const CommandRegistration registration{decoderCommand};

}  // namespace
}  // namespace kavro::cli
