// kavro exception: one row of the exception log.
#include "cli/command.hpp"
#include "cli/host_table.hpp"
#include "kavro/event_log.hpp"

namespace kavro::cli {
namespace {

int runException(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one MESSAGE");
    HostTable table = openHostTable(line);
    std::string why;
    if (!insertIntoException(*table.set, line.positional()[0], localNow, &why)) {
        throw Failure("no row was added to " + table.name + ": " + why);
    }
    return kExitOk;
}

const Command& exceptionCommand() {
    static const Command command{
        "exception",
        "exception --db PATH --table NAME MESSAGE",
        "Appends one row to the exception log: Message = MESSAGE (\"\" is allowed), Dat = the\n"
        "local date and time now. A row the table refuses is not added.\n"
        "\n"
        "  --db PATH       SQLite database file, or the postgresql://... URI of a\n"
        "                  PostgreSQL database\n"
        "  --table NAME    the exception log table\n"
        "\n"
        "Example:\n"
        "  kavro exception --db site.db --table ExceptionLog \"Recorder 2: disk full\"\n",
        {kHostTableOptions[0], kHostTableOptions[1]},
        runException,
    };
    return command;
}

const CommandRegistration registration{exceptionCommand};

}  // namespace
}  // namespace kavro::cli
