#include "cli/protocol_table.hpp"

#include <filesystem>

#include "cli/database_table.hpp"
#include "cli/program_path.hpp"
#include "kavro/host_error.hpp"

namespace kavro::cli {

std::string defaultTablePath() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = programPath(ec);
    const fs::path dir = ec ? fs::current_path() : self.parent_path();
    for (const fs::path& candidate :
         {dir / "kavro_protocols.db", dir / ".." / "share" / "kavro" / "kavro_protocols.db"}) {
        if (fs::exists(candidate, ec)) return candidate.string();
    }
    throw Failure("the bundled protocol table was not found beside the tool (" +
                  (dir / "kavro_protocols.db").string() + "); give one with --db");
}

OpenTable openProtocolTable(const CommandLine& line, bool readOnly, const char* bundledTable) {
    OpenTable table;
    const std::string db = line.has("db") ? *line.value("db") : defaultTablePath();
    table.path = shownDatabase(db);
    const std::string name =
        line.valueOr("table", line.has("db") ? kDecoderTableName : bundledTable);
    try {
        DatabaseTable opened = openDatabaseTable(db, name, readOnly);
        table.set = std::move(opened.set);
        table.tableName = std::move(opened.name);
    } catch (const HostError& error) {
        throw Failure("cannot open table " + name + " of " + table.path + ": " + error.what());
    }
    return table;
}

}  // namespace kavro::cli
