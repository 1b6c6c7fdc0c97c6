// Opening the host table that the logging commands write to or search: --db (a SQLite file or
// a postgresql:// URI) and --table, both required.
#pragma once

#include <memory>
#include <string>

#include "cli/command.hpp"
#include "cli/database_table.hpp"
#include "kavro/host_error.hpp"

namespace kavro::cli {

inline const OptionSpec kHostTableOptions[] = {{"db", true}, {"table", true}};

struct HostTable {
    std::string path;
    std::string name;
    std::unique_ptr<RecordSet> set;
};

// Raises UsageError when an option is missing, Failure when the table cannot be opened.
inline HostTable openHostTable(const CommandLine& line) {
    HostTable table;
    if (!line.has("db")) throw UsageError("--db is required");
    if (!line.has("table")) throw UsageError("--table is required");
    const std::string db = *line.value("db");
    table.path = shownDatabase(db);
    table.name = *line.value("table");
    try {
        DatabaseTable opened = openDatabaseTable(db, table.name, false);
        table.set = std::move(opened.set);
        table.name = std::move(opened.name);
    } catch (const HostError& error) {
        throw Failure("cannot open table " + table.name + " of " + table.path + ": " +
                      error.what());
    }
    return table;
}

}  // namespace kavro::cli
