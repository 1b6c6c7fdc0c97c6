// A table of a PostgreSQL database as a record set, for a site whose hosts share one database
// server. It behaves as the SQLite record set does:
//
//  - rows follow the order of the table's primary key (a table without one is refused: it has
//    no row order to follow); the current row is known by its key, so rows other clients add
//    or remove meanwhile are met or skipped as the table now stands;
//  - every value is bound as a parameter, and the only names put into SQL text are the table's
//    and its columns' own names, read from the catalog and quoted;
//  - texts cross in the host's code page (the connection's client encoding is GBK), so they are
//    the same bytes as in a SQLite table; a partial-key Locate compares those bytes;
//  - date-times are written as local date and time text, which a column of type
//    `timestamp without time zone` takes as it is;
//  - whatever the server refuses (a constraint, a read-only transaction, a missing privilege,
//    a connection gone) raises HostError(DatabaseError).
//
// No call waits for ever: the connection has a connect deadline, each statement a deadline on
// the server (statement_timeout) and one on the socket a little longer, after which the
// connection is dropped. A dropped or broken connection is made again by the next call.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "kavro/record_set.hpp"

namespace kavro {

struct PgOpenOptions {
    bool readOnly = false;
    // Connect deadline, unless the connection string sets its own connect_timeout. libpq takes
    // no less than 2 seconds.
    int connectTimeoutSeconds = 5;
    // The server cancels a statement running longer; the socket deadline is this plus a second.
    int statementTimeoutMs = 5000;
};

class PgRecordSet final : public RecordSet {
  public:
    // Connects with a libpq connection string: a URI (postgresql://user@host/db, also
    // postgres://) or key=value pairs. Opens the table named (an exact match of a table on the
    // search path first, else one whose name differs only in letter case). Raises
    // HostError(DatabaseError) when the server or the table cannot be reached.
    PgRecordSet(const std::string& connection, std::string_view table, PgOpenOptions options = {});
    ~PgRecordSet() override;
    PgRecordSet(const PgRecordSet&) = delete;
    PgRecordSet& operator=(const PgRecordSet&) = delete;

    const std::string& tableName() const;

    // Whether a connection string names a PostgreSQL database (a postgresql:// or postgres://
    // URI) rather than a database file.
    static bool isConnectionUri(std::string_view text) noexcept {
        return text.starts_with("postgresql://") || text.starts_with("postgres://");
    }

    struct Impl;  // opaque: the connection, its statements and the cursor

  protected:
    bool doLocate(std::string_view keyField, const Variant& key, LocateOptions options) override;
    Field& doFieldByName(std::string_view name) override;
    std::vector<std::string> doFieldNames() const override;
    void doAppend() override;
    void doPost() override;
    void doCancel() override;
    bool doInserting() const override;
    void doFirst() override;
    void doNext() override;
    bool doEof() const override;
    void doDeleteRow() override;
    void doDisableControls() override;
    void doEnableControls() override;
    void doRefresh() override;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace kavro
