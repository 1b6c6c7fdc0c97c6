// The protocol tables the decoder-call measurements run on, as SQLite files in a directory of
// their own, and the bare prepared query that a host would run for the same row.
#pragma once

#include <sqlite3.h>

#include <string>

namespace kavro::bench {

// A directory under the system's temporary directory, removed with its files at the end.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string file(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Which table, and the call made on it.
struct TableCase {
    const char* name;
    int protocol;
    int camera;
    const char* command;
    const char* frame;  // the trace the call writes
};
// A 13-column table: ID, Length, BaseAddress and ten commands, 54 rows; protocol 2 "Up".
extern const TableCase kSmallTable;
// The bundled table (data/default_protocols.sql, table Protocol: 39 columns); protocol 7 "Up".
extern const TableCase kBundledTable;

// Makes the table's database file in dir and returns its path. journalMode "delete" is
// SQLite's default; the bundled file is a copy of the one the build made (rollback journal)
// and takes journalMode as well.
std::string makeTableFile(const ScratchDir& dir, const TableCase& table, const char* journalMode);

// The floor under a decoder call on a SQLite table: the row fetched by one prepared statement
// through the sqlite3 C API and the three values the call needs (the command's code, Length
// and BaseAddress) read from it. The connection is opened as a host would, with SQLite's
// defaults (its own mutex on every call).
class BareRowQuery {
  public:
    BareRowQuery(const std::string& path, const TableCase& table, int openFlags = 0);
    ~BareRowQuery();
    BareRowQuery(const BareRowQuery&) = delete;
    BareRowQuery& operator=(const BareRowQuery&) = delete;
    // The three values summed, so that nothing is optimised away; -1 if there is no row.
    long long run();

  private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    int protocol_;
    int codeColumn_ = 0, lengthColumn_ = 0, baseColumn_ = 0;
};

}  // namespace kavro::bench
