// kavro table check: is a protocol table fit for the decoder encoder?
#include <cstdio>

#include "cli/command.hpp"
#include "cli/protocol_table.hpp"
#include "kavro/decoder_table_check.hpp"
#include "kavro/host_error.hpp"

namespace kavro::cli {
namespace {

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
    if (check.sound()) {
        std::printf("table %s of %s: %s, no problems found\n", table.name().c_str(),
                    table.path.c_str(), rows.c_str());
        return kExitOk;
    }
    for (const std::string& finding : check.findings)
        std::printf("%s\n", finding.c_str());
    throw Failure("table " + table.name() + " of " + table.path + ": " +
                  std::to_string(check.findings.size()) +
                  (check.findings.size() == 1 ? " problem" : " problems") + " in " + rows);
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
        "check: reads every row of a protocol table as the decoder encoder would and lists,\n"
        "one line each, what would make a command fail or send bytes that no protocol sets:\n"
        "  - a Length shorter than its protocol's frame (every command fails before writing),\n"
        "    or longer (every write ends with unset bytes; for an ID without a protocol, any\n"
        "    Length above 0);\n"
        "  - an ID, Length or BaseAddress that is missing, empty or not a number, a negative\n"
        "    Length, an ID that an earlier row already has;\n"
        "  - a command field whose value does not convert to a command code (an empty value is\n"
        "    fine: that command is not sent).\n"
        "Exit 0 with a one-line summary when the table is sound, 1 after the list otherwise.\n"
        "\n"
        "  --db PATH         SQLite database holding the protocol table\n"
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
