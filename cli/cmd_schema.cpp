// kavro schema: the tables that the log and lookup commands write to and search, as SQL.
#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "cli/command.hpp"
#include "kavro/pg_record_set.hpp"

namespace kavro::cli {
namespace {

// The fields are the ones the commands look up by name; a site's tables may have more columns
// (they get what their definition gives a new row) and other names (--table).
constexpr const char* kSchema =
    "-- The operator log: kavro log, _InsertIntoLog.\n"
    "CREATE TABLE IF NOT EXISTS OperatorLog (\n"
    "    Operator INTEGER NOT NULL,  -- who acted\n"
    "    LogType INTEGER NOT NULL,   -- what kind of action, in the site's numbering\n"
    "    Time TEXT NOT NULL,         -- local time, YYYY-MM-DD HH:MM:SS.SSS\n"
    "    Action TEXT NOT NULL        -- what was done, in the system code page\n"
    ");\n"
    "\n"
    "-- The alarm log: kavro alarm, _InsertIntoAlarmLog.\n"
    "CREATE TABLE IF NOT EXISTS AlarmLog (\n"
    "    AlarmSwitch INTEGER NOT NULL,      -- the alarm input\n"
    "    AlarmType INTEGER NOT NULL,\n"
    "    Time TEXT NOT NULL,                -- local time, YYYY-MM-DD HH:MM:SS.SSS\n"
    "    CaptureRelation INTEGER NOT NULL,  -- the camera recorded for it\n"
    "    AlarmRelation INTEGER NOT NULL     -- the output it set off\n"
    ");\n"
    "\n"
    "-- The exception log: kavro exception, _InsertIntoException.\n"
    "CREATE TABLE IF NOT EXISTS ExceptionLog (\n"
    "    Message TEXT NOT NULL,\n"
    "    Dat TEXT NOT NULL  -- local time, YYYY-MM-DD HH:MM:SS.SSS\n"
    ");\n"
    "\n"
    "-- A lookup table: kavro name-to-id, _NameToID (the first row, in row order, whose Name\n"
    "-- begins with the text). Cameras here; any table with Name and ID serves.\n"
    "CREATE TABLE IF NOT EXISTS Camera (\n"
    "    ID INTEGER NOT NULL,\n"
    "    Name TEXT NOT NULL\n"
    ");\n";

void createTables(const std::string& path) {
    sqlite3* db = nullptr;
    const int opened =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string problem;
    if (opened != SQLITE_OK) {
        problem = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(opened);
    } else {
        char* error = nullptr;
        const std::string script = std::string("BEGIN;\n") + kSchema + "COMMIT;\n";
        if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            problem = error != nullptr ? error : "the tables were not created";
            sqlite3_free(error);
        }
    }
    sqlite3_close(db);
    if (!problem.empty()) throw Failure("cannot create the tables in " + path + ": " + problem);
}

int runSchema(const CommandLine& line) {
    if (!line.positional().empty()) throw UsageError("takes no arguments");
    if (!line.has("db")) {
        std::fputs(kSchema, stdout);
        return kExitOk;
    }
    const std::string path = *line.value("db");
    if (PgRecordSet::isConnectionUri(path)) {
        // A PostgreSQL table needs a primary key for its row order, which these have not.
        throw Failure(
            "kavro schema creates tables in SQLite databases only; create "
            "PostgreSQL tables with psql, each with a primary key");
    }
    createTables(path);
    std::printf("%s: tables OperatorLog, AlarmLog, ExceptionLog and Camera are there\n",
                path.c_str());
    return kExitOk;
}

const Command& schemaCommand() {
    static const Command command{
        "schema",
        "schema [--db PATH]",
        "Prints the SQL of the tables that the log and lookup commands expect: an operator\n"
        "log (kavro log), an alarm log (kavro alarm), an exception log (kavro exception) and a\n"
        "lookup table with Name and ID (kavro name-to-id). The commands look fields up by name,\n"
        "so a site's tables may have other names (--table) and more columns.\n"
        "\n"
        "  --db PATH    create the tables that are not there yet in this SQLite database\n"
        "               (made if it does not exist) instead of printing them\n"
        "\n"
        "Example:\n"
        "  kavro schema --db site.db\n",
        {{"db", true}},
        runSchema,
    };
    return command;
}

const CommandRegistration registration{schemaCommand};

}  // namespace
}  // namespace kavro::cli
