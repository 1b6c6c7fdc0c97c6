// Opening a table named on the command line: --db is a SQLite database file, or a PostgreSQL
// database given by a postgresql:// (or postgres://) URI.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "kavro/record_set.hpp"

namespace kavro::cli {

struct DatabaseTable {
    std::unique_ptr<RecordSet> set;
    std::string name;  // as the database spells it
};

// Raises HostError when the database or the table cannot be opened.
DatabaseTable openDatabaseTable(const std::string& db, std::string_view table, bool readOnly);

// The --db text for messages, a URI's password left out.
std::string shownDatabase(const std::string& db);

}  // namespace kavro::cli
