// kavro name-to-id: the ID of a named row.
#include <cstdio>

#include "cli/command.hpp"
#include "cli/host_table.hpp"
#include "kavro/name_lookup.hpp"

namespace kavro::cli {
namespace {

int runNameToId(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one NAME");
    HostTable table = openHostTable(line);
    std::int32_t id = 0;
    try {
        id = nameToId(*table.set, line.positional()[0]);
    } catch (const HostError& error) {
        throw Failure("cannot look names up in " + table.name + ": " + error.what());
    }
    std::printf("%d\n", id);
    return kExitOk;
}

const Command& nameToIdCommand() {
    static const Command command{
        "name-to-id",
        "name-to-id --db PATH --table NAME NAME",
        "Prints the ID of the first row, in row order, whose Name begins with NAME (letter case\n"
        "counts; \"\" matches the first row), or 0 when no row matches. A table without a Name\n"
        "or an ID field, or an ID that is no 32-bit integer, is a failure (exit 1).\n"
        "\n"
        "  --db PATH       SQLite database file, or the postgresql://... URI of a\n"
        "                  PostgreSQL database\n"
        "  --table NAME    the table to search\n"
        "\n"
        "Example:\n"
        "  kavro name-to-id --db site.db --table Camera \"Gate 2\"\n",
        {kHostTableOptions[0], kHostTableOptions[1]},
        runNameToId,
    };
    return command;
}

const CommandRegistration registration{nameToIdCommand};

}  // namespace
}  // namespace kavro::cli
