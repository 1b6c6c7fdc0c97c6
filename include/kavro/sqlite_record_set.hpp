// A table of a SQLite database as a record set. Rows are taken in rowid order (the table's row
// order); every statement binds its values as parameters, and the only names put into SQL text
// are the table's and its columns' own names, read from the database's schema and quoted.
//
// The record set holds no read transaction between calls, so other connections can write to the
// database while it is open: a statement that found a row stands on it only for the reads that
// follow inside the same Hold (the encoders' Locate and field reads, which so read only the
// fields asked for), and is let go when the outermost Hold ends. A connection the record set
// opens itself goes without SQLite's own mutex: the record set's lock serialises its use.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "kavro/record_set.hpp"

struct sqlite3;

namespace kavro {

struct SqliteOpenOptions {
    bool readOnly = false;
    // How long a statement waits for another connection's lock before it fails.
    int busyTimeoutMs = 1000;
};

class SqliteRecordSet final : public RecordSet {
  public:
    // Opens an existing database file (or a "file:" URI) and the table named (letter case is
    // not significant). Raises HostError(DatabaseError) when either cannot be opened.
    SqliteRecordSet(const std::string& databasePath, std::string_view table,
                    SqliteOpenOptions options = {});
    // Uses a connection the caller owns and keeps open for the record set's life.
    SqliteRecordSet(sqlite3* connection, std::string_view table);
    ~SqliteRecordSet() override;
    SqliteRecordSet(const SqliteRecordSet&) = delete;
    SqliteRecordSet& operator=(const SqliteRecordSet&) = delete;

    const std::string& tableName() const;

    struct Impl;  // opaque: the connection, the prepared statements and the cursor

  protected:
    bool doLocate(std::string_view keyField, const Variant& key, LocateOptions options) override;
    Field& doFieldByName(std::string_view name) override;
    Variant doFieldValue(std::string_view name) override;
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
    void doEndOfHold() const noexcept override;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace kavro
