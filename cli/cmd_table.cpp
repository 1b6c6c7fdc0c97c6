// kavro table check: is a protocol table fit for the decoder and dome encoders?
#include <cstdio>

#include "cli/command.hpp"
#include "cli/protocol_table.hpp"
#include "kavro/decoder_table_check.hpp"
#include "kavro/host_error.hpp"

namespace kavro::cli {
namespace {

// "; no field StayTime, Fastest: every dome command is refused" for a decoder-only table.
std::string domeNote(const DecoderTableCheck& check) {
    if (check.servesDomes()) return {};
    std::string fields;
    for (const std::string& field : check.missingDomeFields)
        fields += (fields.empty() ? "" : ", ") + field;
    return "; no field " + fields + ": every dome command is refused";
}

int runCheck(const CommandLine& line) {
    OpenTable table = openProtocolTable(line);
    DecoderTableCheck check;
    try {
        check = checkDecoderTable(*table.set);
    } catch (const HostError& error) {
        throw Failure("cannot read table " + table.name() + " of " + table.path + ": " +
                      error.what());
    }
    const std::string rows = std::to_string(check.rows) + (check.rows == 1 ? " row" : " rows");
    const std::string domes = domeNote(check);
    if (check.sound()) {
        std::printf("table %s of %s: %s, no problems found%s\n", table.name().c_str(),
                    table.path.c_str(), rows.c_str(), domes.c_str());
        if (check.rowsWithoutCodes != 0) {
            std::printf(
                "%zu of the %s %s no command code at all: no command is sent for %s "
                "until codes are filled in ('kavro protocols' lists them)\n",
                check.rowsWithoutCodes, rows.c_str(), check.rowsWithoutCodes == 1 ? "has" : "have",
                check.rowsWithoutCodes == 1 ? "its ID" : "their IDs");
        }
        return kExitOk;
    }
    for (const std::string& finding : check.findings)
        std::printf("%s\n", finding.c_str());
    throw Failure("table " + table.name() + " of " + table.path + ": " +
                  std::to_string(check.findings.size()) +
                  (check.findings.size() == 1 ? " problem" : " problems") + " in " + rows + domes);
}

int runTable(const CommandLine& line) {
    const auto& args = line.positional();
    if (args.empty()) throw UsageError("give a sub-command: check");
    if (args[0] != "check") throw UsageError("unknown sub-command '" + args[0] + "'");
    if (args.size() > 1) throw UsageError("check takes no arguments");
    return runCheck(line);
}

const Command& tableCommand() {
    static const Command command{
        "table",
        "table check [--db PATH] [--table NAME]",
        "check: reads every row of a protocol table as the decoder and dome encoders would and\n"
        "lists, one line each, what would make a command fail or send bytes that no protocol\n"
        "sets:\n"
        "  - a Length that fits neither the decoder's nor the dome's frame for its ID: shorter\n"
        "    (those commands fail before writing) or longer (every write ends with unset bytes;\n"
        "    for an ID without any protocol, any Length above 0);\n"
        "  - an ID, Length or BaseAddress that is missing, empty or not a number, a negative\n"
        "    Length, an ID that an earlier row already has;\n"
        "  - a StayTime outside 0 to 255, a Slowest or Fastest that is no number or gives a\n"
        "    speed value beyond 32 bits (a row with all three empty is not meant for domes);\n"
        "  - a command field whose value does not convert to a command code (an empty value is\n"
        "    fine: that command is not sent).\n"
        "A table without the fields StayTime, Slowest and Fastest serves decoders only: its\n"
        "Lengths are checked against the decoder frames, and the summary says that every dome\n"
        "command is refused.\n"
        "Exit 0 with a summary when the table is sound (and how many rows have no command code\n"
        "at all, so that nothing is sent for their IDs), 1 after the list otherwise.\n"
        "\n"
        "  --db PATH         SQLite database holding the protocol table, or the\n"
        "                    postgresql://... URI of a PostgreSQL database\n"
        "                    (default: the bundled table)\n"
        "  --table NAME      the protocol table (default: Protocol)\n"
        "\n"
        "Example:\n"
        "  kavro table check --db site.db --table Protocol\n",
        {kDbOption, kTableOption},
        runTable,
    };
    return command;
}

const CommandRegistration registration{tableCommand};

}  // namespace
}  // namespace kavro::cli
