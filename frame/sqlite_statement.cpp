#include "frame/sqlite_statement.hpp"

#include <string>

#include "kavro/host_error.hpp"

namespace kavro {

void raiseDatabaseError(sqlite3* db, std::string_view what) {
    std::string message(what);
    if (db != nullptr) {
        message += ": ";
        message += sqlite3_errmsg(db);
    }
    throw HostError(HostErrorCode::DatabaseError, message);
}

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &stmt_, nullptr) != SQLITE_OK) {
        raiseDatabaseError(db, "cannot prepare a statement");
    }
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = other.stmt_;
        other.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::bind(int index, const Variant& value) {
    int rc = SQLITE_OK;
    switch (value.type()) {
        case Variant::Type::Empty:
            rc = sqlite3_bind_null(stmt_, index);
            break;
        case Variant::Type::Integer:
            rc = sqlite3_bind_int64(stmt_, index, value.integerValue());
            break;
        case Variant::Type::Real:
            rc = sqlite3_bind_double(stmt_, index, value.realValue());
            break;
        case Variant::Type::Text:
            rc = sqlite3_bind_text64(stmt_, index, value.textValue().data(),
                                     value.textValue().size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
    }
    if (rc != SQLITE_OK) raiseDatabaseError(sqlite3_db_handle(stmt_), "cannot bind a value");
}

void Statement::bind(int index, sqlite3_int64 value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) {
        raiseDatabaseError(sqlite3_db_handle(stmt_), "cannot bind a value");
    }
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(stmt_);
    std::string message = std::string("statement failed: ") + sqlite3_errmsg(db);
    reset();
    throw HostError(HostErrorCode::DatabaseError, message);
}

void Statement::reset() noexcept {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::rewind() noexcept {
    sqlite3_reset(stmt_);
}

Variant Statement::column(int index) const {
    // The column's value object, read once: each sqlite3_column_* call would find it again. The
    // object is the statement's own, read while nothing else runs on the statement (the record
    // sets serialise their calls), and each type is read with its own accessor, so no
    // conversion writes to it.
    sqlite3_value* value = sqlite3_column_value(stmt_, index);
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            return Variant(static_cast<long long>(sqlite3_value_int64(value)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_value_double(value));
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            // Text is kept as the bytes stored (GBK text stays GBK); a blob reads as its bytes.
            const void* bytes = sqlite3_value_blob(value);
            const int size = sqlite3_value_bytes(value);
            if (size == 0) return Variant(std::string());
            return Variant(
                std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size)));
        }
        default:
            return {};
    }
}

std::string quoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    quoted += '"';
    return quoted;
}

}  // namespace kavro
