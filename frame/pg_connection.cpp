#include "frame/pg_connection.hpp"

#include <poll.h>

#include <cerrno>
#include <chrono>

#include "kavro/host_error.hpp"

namespace kavro {
namespace {

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// libpq's messages end in a newline, some in several lines: the first line says it.
std::string firstLine(const char* message) {
    std::string text = message != nullptr ? message : "";
    const std::size_t end = text.find('\n');
    if (end != std::string::npos) text.resize(end);
    return text.empty() ? "unknown error" : text;
}

void quiet(void*, const char*) {}  // server notices are not the host's business

}  // namespace

void PgParams::null() {
    storage_.emplace_back();
    lengths_.push_back(0);
    formats_.push_back(0);
}

void PgParams::add(std::string value, int format) {
    lengths_.push_back(static_cast<int>(value.size()));
    storage_.emplace_back(std::move(value));
    formats_.push_back(format);
}

const char* const* PgParams::values() {
    values_.clear();
    for (const auto& v : storage_)
        values_.push_back(v ? v->data() : nullptr);
    return values_.data();
}

PgConnection::PgConnection(std::string connection, const PgOpenOptions& options)
    : pq_(pgLibrary()), connection_(std::move(connection)), options_(options) {
    connect();
}

PgConnection::~PgConnection() {
    drop();
}

void PgConnection::drop() noexcept {
    if (conn_ != nullptr) pq_.PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();
}

void PgConnection::fail(const std::string& what) {
    std::string message =
        what + ": " + firstLine(conn_ != nullptr ? pq_.PQerrorMessage(conn_) : "");
    // A connection that broke is made again by the next call rather than used half-way.
    if (conn_ != nullptr && pq_.PQstatus(conn_) != CONNECTION_OK) drop();
    throw HostError(HostErrorCode::DatabaseError, message);
}

void PgConnection::connect() {
    drop();
    // Key words are taken in order, a later one overriding an earlier: the connection string
    // may set its own connect deadline, never another client encoding.
    const std::string timeout = std::to_string(options_.connectTimeoutSeconds);
    const char* keys[] = {"connect_timeout", "fallback_application_name", "dbname",
                          "client_encoding", nullptr};
    const char* values[] = {timeout.c_str(), "kavro", connection_.c_str(), "GBK", nullptr};
    conn_ = pq_.PQconnectdbParams(keys, values, 1);
    if (conn_ == nullptr) throw HostError(HostErrorCode::DatabaseError, "out of memory");
    if (pq_.PQstatus(conn_) != CONNECTION_OK) {
        const std::string message =
            "cannot connect to the database server: " + firstLine(pq_.PQerrorMessage(conn_));
        drop();
        throw HostError(HostErrorCode::DatabaseError, message);
    }
    pq_.PQsetNoticeProcessor(conn_, quiet, nullptr);
    if (pq_.PQsetnonblocking(conn_, 1) != 0) fail("cannot set up the connection");
    // Dates in ISO order, whatever the server's default; floats in full so that a key read as
    // text finds its row again; the server's own statement deadline. A read-only record set
    // makes its session read-only too; otherwise the role's or server's setting stands.
    PgParams session;
    session.text(std::to_string(options_.statementTimeoutMs));
    session.text(options_.readOnly ? "on" : "");
    deadlineMs_ = nowMs() + options_.statementTimeoutMs + 1000;
    send(pq_.PQsendQueryParams(
             conn_,
             "SELECT set_config('statement_timeout', $1, false), "
             "set_config('DateStyle', 'ISO, YMD', false), "
             "set_config('extra_float_digits', '3', false), "
             "CASE WHEN $2 <> '' THEN set_config('default_transaction_read_only', $2, false) END",
             session.count(), nullptr, session.values(), session.lengths(), session.formats(), 0),
         "cannot set up the session");
    collect("cannot set up the session");
}

void PgConnection::waitFor(short events, const char* what) {
    const long long left = deadlineMs_ - nowMs();
    if (left > 0) {
        pollfd fd{pq_.PQsocket(conn_), events, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left));
        if (ready > 0 || (ready < 0 && errno == EINTR)) return;
    }
    drop();
    throw HostError(HostErrorCode::DatabaseError,
                    std::string(what) + ": the database server did not answer within " +
                        std::to_string(options_.statementTimeoutMs + 1000) + " ms");
}

void PgConnection::send(int queued, const char* what) {
    if (queued == 0) fail(what);
    for (;;) {
        const int flushed = pq_.PQflush(conn_);
        if (flushed == 0) return;
        if (flushed < 0) fail(what);
        waitFor(POLLIN | POLLOUT, what);
        if (pq_.PQconsumeInput(conn_) == 0) fail(what);
    }
}

PgResult PgConnection::collect(const char* what) {
    PGresult* kept = nullptr;
    std::string refused;
    for (;;) {
        while (pq_.PQisBusy(conn_) != 0) {
            waitFor(POLLIN, what);
            if (pq_.PQconsumeInput(conn_) == 0) {
                pq_.PQclear(kept);
                fail(what);
            }
        }
        PGresult* result = pq_.PQgetResult(conn_);
        if (result == nullptr) break;
        const ExecStatusType status = pq_.PQresultStatus(result);
        if (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE) {
            if (refused.empty()) refused = firstLine(pq_.PQresultErrorMessage(result));
            pq_.PQclear(result);
            continue;
        }
        pq_.PQclear(kept);
        kept = result;
    }
    if (!refused.empty() || kept == nullptr) {
        pq_.PQclear(kept);
        if (pq_.PQstatus(conn_) != CONNECTION_OK) fail(what);
        throw HostError(HostErrorCode::DatabaseError,
                        std::string(what) + ": " + (refused.empty() ? "no result" : refused));
    }
    return PgResult(pq_, kept);
}

PgResult PgConnection::run(const std::string& sql, PgParams& params) {
    if (conn_ == nullptr || pq_.PQstatus(conn_) != CONNECTION_OK) connect();
    deadlineMs_ = nowMs() + options_.statementTimeoutMs + 1000;
    auto found = prepared_.find(sql);
    if (found == prepared_.end()) {
        const std::string name = "kavro_" + std::to_string(prepared_.size() + 1);
        send(pq_.PQsendPrepare(conn_, name.c_str(), sql.c_str(), 0, nullptr),
             "cannot prepare a statement");
        collect("cannot prepare a statement");
        found = prepared_.emplace(sql, name).first;
    }
    send(pq_.PQsendQueryPrepared(conn_, found->second.c_str(), params.count(), params.values(),
                                 params.lengths(), params.formats(), 0),
         "statement failed");
    return collect("statement failed");
}

}  // namespace kavro
