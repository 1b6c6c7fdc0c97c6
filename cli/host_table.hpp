// Opening the host table that the logging commands write to or search: --db and --table, both
// required.
#pragma once

#include <memory>
#include <string>

#include "cli/command.hpp"
#include "kavro/host_error.hpp"
#include "kavro/sqlite_record_set.hpp"

namespace kavro::cli {

inline const OptionSpec kHostTableOptions[] = {{"db", true}, {"table", true}};

struct HostTable {
    std::string path;
    std::string name;
    std::unique_ptr<SqliteRecordSet> set;
};

// Raises UsageError when an option is missing, Failure when the table cannot be opened.
inline HostTable openHostTable(const CommandLine& line) {
    HostTable table;
    if (!line.has("db")) throw UsageError("--db is required");
    if (!line.has("table")) throw UsageError("--table is required");
    table.path = *line.value("db");
    table.name = *line.value("table");
    try {
        table.set = std::make_unique<SqliteRecordSet>(table.path, table.name);
    } catch (const HostError& error) {
        throw Failure("cannot open table " + table.name + " of " + table.path + ": " +
                      error.what());
    }
    table.name = table.set->tableName();
    return table;
}

}  // namespace kavro::cli
