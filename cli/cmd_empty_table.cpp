// kavro empty-table: delete every row of a table.
#include "cli/command.hpp"
#include "cli/host_table.hpp"
#include "kavro/event_log.hpp"

namespace kavro::cli {
namespace {

int runEmptyTable(const CommandLine& line) {
    if (!line.positional().empty()) throw UsageError("takes no arguments besides the options");
    HostTable table = openHostTable(line);
    std::string why;
    if (!emptyTable(*table.set, &why)) {
        throw Failure("table " + table.name + " was not emptied (rows deleted before the " +
                      "failure stay deleted): " + why);
    }
    return kExitOk;
}

const Command& emptyTableCommand() {
    static const Command command{
        "empty-table",
        "empty-table --db PATH --table NAME",
        "Deletes every row of the table, first to last.\n"
        "\n"
        "  --db PATH       SQLite database file, or the postgresql://... URI of a\n"
        "                  PostgreSQL database\n"
        "  --table NAME    the table to empty\n"
        "\n"
        "Example:\n"
        "  kavro empty-table --db site.db --table ExceptionLog\n",
        {kHostTableOptions[0], kHostTableOptions[1]},
        runEmptyTable,
    };
    return command;
}

const CommandRegistration registration{emptyTableCommand};

}  // namespace
}  // namespace kavro::cli
