// One libpq connection with deadlines on everything it waits for; failures become
// HostError(DatabaseError). Statements are prepared once per connection and run with their
// values bound as parameters.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/pg_library.hpp"
#include "kavro/pg_record_set.hpp"

namespace kavro {

// The parameters of one statement: text in the connection's client encoding, or bytes sent as
// they are (bytea, no encoding conversion), or NULL.
class PgParams {
  public:
    void text(std::string value) { add(std::move(value), 0); }
    void bytes(std::string value) { add(std::move(value), 1); }
    void null();
    int count() const { return static_cast<int>(storage_.size()); }
    // Valid until the next add.
    const char* const* values();
    const int* lengths() const { return lengths_.data(); }
    const int* formats() const { return formats_.data(); }

  private:
    void add(std::string value, int format);
    std::vector<std::optional<std::string>> storage_;
    std::vector<const char*> values_;
    std::vector<int> lengths_;
    std::vector<int> formats_;
};

class PgResult {
  public:
    PgResult(const PgLibrary& pq, PGresult* result) noexcept : result_(result, Clear{&pq}) {}
    int rows() const { return pq().PQntuples(result_.get()); }
    bool isNull(int row, int column) const {
        return pq().PQgetisnull(result_.get(), row, column) != 0;
    }
    std::string_view text(int row, int column) const {
        return {pq().PQgetvalue(result_.get(), row, column),
                static_cast<std::size_t>(pq().PQgetlength(result_.get(), row, column))};
    }

  private:
    struct Clear {
        const PgLibrary* pq;
        void operator()(PGresult* r) const noexcept { pq->PQclear(r); }
    };
    const PgLibrary& pq() const { return *result_.get_deleter().pq; }
    std::unique_ptr<PGresult, Clear> result_;
};

class PgConnection {
  public:
    PgConnection(std::string connection, const PgOpenOptions& options);  // connects; raises
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement, prepared on first use; a connection found broken is made again
    // first. Raises when the server refuses the statement or does not answer in time.
    PgResult run(const std::string& sql, PgParams& params);

  private:
    void connect();
    void drop() noexcept;
    [[noreturn]] void fail(const std::string& what);
    void send(int queued, const char* what);
    PgResult collect(const char* what);
    void waitFor(short events, const char* what);

    const PgLibrary& pq_;
    std::string connection_;
    PgOpenOptions options_;
    PGconn* conn_ = nullptr;
    std::map<std::string, std::string, std::less<>> prepared_;  // SQL text -> statement name
    // When the statement in flight must have been answered.
    long long deadlineMs_ = 0;
};

}  // namespace kavro
