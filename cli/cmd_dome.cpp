// kavro dome: one named command to a speed dome.
#include <cstdio>

#include "cli/command.hpp"
#include "cli/protocol_table.hpp"
#include "cli/send_report.hpp"
#include "cli/send_warnings.hpp"
#include "cli/serial_options.hpp"
#include "kavro/dome.hpp"

namespace kavro::cli {
namespace {

int runDome(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one COMMAND");
    const std::int32_t protocol = line.integer("protocol");
    const std::int32_t camera = line.integer("camera");
    const std::int32_t speed = line.integerOr("speed", 0);
    const std::int32_t param = line.integerOr("param", 0);
    const std::string& command = line.positional()[0];

    OpenTable table = openProtocolTable(line, true, kDomeTableName);
    CommandLineSerial serial(line);
    if (serial.settingsFixed()) {
        WireTrace script;
        sendOrFail(protocol, table.name(), [&] {
            return encodeDomeCommand(*table.set, protocol, camera, command, speed, param, script);
        });
        serial.refuseUnchangeableSettings(script, "protocol " + std::to_string(protocol));
    }
    std::uint8_t busyByte = 0;
    BusyFlag busy(busyByte);
    warnDomeSend(SendWarnings(line), *table.set,
                 {protocol, camera, speed, param, line.has("speed"), line.has("param")}, command);
    const LineOutcome outcome = sendOrFail(protocol, table.name(), [&] {
        return writeCommandToGlobe(serial.line(), busy, *table.set, protocol, camera, command,
                                   speed, param);
    });
    serial.finish(outcome);
    return kExitOk;
}

const Command& domeCommand() {
    static const Command command{
        "dome",
        "dome [--db PATH] [--table NAME] [--port WHERE] --protocol ID --camera N [--speed L] "
        "[--param P] [--quiet] COMMAND",
        "Sends one named command (Up, ZoomInc, Scan, ScanStop, ...) to the speed dome N, in the\n"
        "protocol whose row in the protocol table has that ID. Besides the decoder's fields the\n"
        "row needs StayTime (0 to 255), Slowest and Fastest.\n"
        "\n"
        "  --db PATH         SQLite database holding the protocol table, or the\n"
        "                    postgresql://... URI of a PostgreSQL database\n"
        "                    (default: the bundled table)\n"
        "  --table NAME      the protocol table (default: DomeProtocol in the bundled\n"
        "                    database, Protocol in one given by --db)\n"
        "  --protocol ID     the protocol's ID\n"
        "  --camera N        the dome address\n"
        "  --speed L         speed level, 0 (the row's Slowest) to 10 (its Fastest); default 0.\n"
        "                    Only the Scan frames of protocols 18, 20, 41 and 49 carry it\n"
        "  --param P         the parameter the protocol puts in the frame (a preset number,\n"
        "                    ...), default 0: one byte (0 to 255) in most layouts; 18 sends\n"
        "                    P + 1 and 53 P as two decimal digits, 50 P + 1 in eleven bits;\n"
        "                    41's and 51's Scan frames do not carry it. For Scan under\n"
        "                    protocols 18, 20 and 49 the bit mask of the scan positions (bit\n"
        "                    k: position k, at most 16)\n" KAVRO_PORT_HELP
        "  --quiet           no warnings (a camera or parameter the frame cannot carry, a\n"
        "                    --speed it does not carry, a protocol without a dome layout, a\n"
        "                    command that is a column of the row)\n"
        "\n"
        "Without --port nothing is opened and no pause is waited: stdout gets the wire trace,\n"
        "one event per line (write HH HH ..., pause MS, parity mark|space|...). With --port the\n"
        "pauses are waited: a Scan under protocol 20 or 49 takes over half a second.\n"
        "\n"
        "Example:\n"
        "  kavro dome --protocol 23 --camera 2 --param 5 GotoPreset\n"
        "  kavro dome --protocol 20 --camera 3 --speed 5 --param 0x5 Scan\n",
        withPortOptions({kDbOption,
                         kTableOption,
                         kQuietOption,
                         {"protocol", true},
                         {"camera", true},
                         {"speed", true},
                         {"param", true}}),
        runDome,
    };
    return command;
}

const CommandRegistration registration{domeCommand};

}  // namespace
}  // namespace kavro::cli
