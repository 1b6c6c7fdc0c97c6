// One prepared SQLite statement, owned by one object; failures become HostError.
#pragma once

#include <sqlite3.h>

#include <string_view>

#include "kavro/variant.hpp"

namespace kavro {

[[noreturn]] void raiseDatabaseError(sqlite3* db, std::string_view what);

class Statement {
  public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    void bind(int index, const Variant& value);
    void bind(int index, sqlite3_int64 value);
    // True when a row is ready, false when the statement is done. On an error the statement
    // is reset and the error raised.
    bool step();
    // Ends the run and drops the bindings, releasing any read lock the run holds.
    void reset() noexcept;
    // Ends the run, releasing its read lock, and keeps the bindings: for a statement that is
    // bound afresh before every run.
    void rewind() noexcept;
    Variant column(int index) const;
    sqlite3_int64 columnInt64(int index) const { return sqlite3_column_int64(stmt_, index); }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets a statement on every path out of a scope, unless told to keep it standing on its row.
class StatementRun {
  public:
    explicit StatementRun(Statement& statement) : statement_(&statement) {}
    ~StatementRun() {
        if (statement_ != nullptr) statement_->reset();
    }
    StatementRun(const StatementRun&) = delete;
    StatementRun& operator=(const StatementRun&) = delete;
    void keep() noexcept { statement_ = nullptr; }

  private:
    Statement* statement_;
};

std::string quoteIdentifier(std::string_view name);

}  // namespace kavro
