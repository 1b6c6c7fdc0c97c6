// kavro log: one row of the operator log.
#include "cli/command.hpp"
#include "cli/host_table.hpp"
#include "kavro/event_log.hpp"

namespace kavro::cli {
namespace {

int runLog(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one ACTION");
    const std::int32_t operatorId = line.integer("operator");
    const std::int32_t logType = line.integer("type");
    HostTable table = openHostTable(line);
    std::string why;
    if (!insertIntoLog(*table.set, operatorId, logType, line.positional()[0], localNow, &why)) {
        throw Failure("no row was added to " + table.name + ": " + why);
    }
    return kExitOk;
}

const Command& logCommand() {
    static const Command command{
        "log",
        "log --db PATH --table NAME --operator N --type N ACTION",
        "Appends one row to the operator log: Operator = N, LogType = N, Time = the local date\n"
        "and time now (stored as YYYY-MM-DD HH:MM:SS.SSS), Action = ACTION. A row the table\n"
        "refuses (a missing field, a constraint, a read-only or locked database) is not added.\n"
        "\n"
        "  --db PATH       SQLite database file, or the postgresql://... URI of a\n"
        "                  PostgreSQL database\n"
        "  --table NAME    the operator log table\n"
        "  --operator N    the operator's identifier\n"
        "  --type N        the kind of event logged\n"
        "\n"
        "Example:\n"
        "  kavro log --db site.db --table OperatorLog --operator 7 --type 2 \"Camera 4 pan "
        "left\"\n",
        {kHostTableOptions[0], kHostTableOptions[1], {"operator", true}, {"type", true}},
        runLog,
    };
    return command;
}

const CommandRegistration registration{logCommand};

}  // namespace
}  // namespace kavro::cli
