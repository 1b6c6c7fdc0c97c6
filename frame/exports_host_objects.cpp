// The C API for host objects: counted strings and record sets.
#include <cstring>

#include "frame/c_boundary.hpp"
#include "frame/callback_record_set.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/pg_record_set.hpp"
#include "kavro/record_set_snapshot.hpp"
#include "kavro/sqlite_record_set.hpp"

using namespace kavro;

kavro_string* KAVRO_CALL kavro_string_new(const char* bytes, size_t length) {
    return callQuietly<kavro_string*>(
        nullptr, [&] { return bytes == nullptr ? nullptr : ansi::create(bytes, length); });
}

kavro_string* KAVRO_CALL kavro_string_from_cstr(const char* text) {
    return text == nullptr ? nullptr : kavro_string_new(text, std::strlen(text));
}

kavro_string* KAVRO_CALL kavro_string_retain(kavro_string* s) {
    return ansi::retain(s);
}

void KAVRO_CALL kavro_string_release(kavro_string* s) {
    ansi::release(s);
}

const char* KAVRO_CALL kavro_string_data(const kavro_string* s) {
    return ansi::data(s);
}

size_t KAVRO_CALL kavro_string_length(const kavro_string* s) {
    return ansi::length(s);
}

long KAVRO_CALL kavro_string_ref_count(const kavro_string* s) {
    return ansi::refCount(s);
}

kavro_recordset* KAVRO_CALL kavro_sqlite_table_open(const char* database_path,
                                                    const char* table_name, int read_only) {
    return callReporting<kavro_recordset*>(nullptr, [&]() -> kavro_recordset* {
        if (database_path == nullptr || table_name == nullptr) {
            throw std::invalid_argument("database path and table name are required");
        }
        SqliteOpenOptions options;
        options.readOnly = read_only != 0;
        auto set = std::make_unique<SqliteRecordSet>(database_path, table_name, options);
        return new kavro_recordset{std::move(set)};
    });
}

kavro_recordset* KAVRO_CALL kavro_sqlite_table_snapshot(const char* database_path,
                                                        const char* table_name) {
    return callReporting<kavro_recordset*>(nullptr, [&]() -> kavro_recordset* {
        if (database_path == nullptr || table_name == nullptr) {
            throw std::invalid_argument("database path and table name are required");
        }
        SqliteOpenOptions options;
        options.readOnly = true;
        SqliteRecordSet source(database_path, table_name, options);
        return new kavro_recordset{snapshotOf(source)};
    });
}

kavro_recordset* KAVRO_CALL kavro_recordset_from_ops(const kavro_recordset_ops* ops,
                                                     void* context) {
    return callReporting<kavro_recordset*>(nullptr, [&]() -> kavro_recordset* {
        if (ops == nullptr) throw std::invalid_argument("the record set callbacks are NULL");
        return new kavro_recordset{std::make_unique<CallbackRecordSet>(*ops, context)};
    });
}

kavro_recordset* KAVRO_CALL kavro_pg_table_open(const char* conninfo, const char* table_name,
                                                int read_only) {
    return callReporting<kavro_recordset*>(nullptr, [&]() -> kavro_recordset* {
        if (conninfo == nullptr || table_name == nullptr) {
            throw std::invalid_argument("connection string and table name are required");
        }
        PgOpenOptions options;
        options.readOnly = read_only != 0;
        auto set = std::make_unique<PgRecordSet>(conninfo, table_name, options);
        return new kavro_recordset{std::move(set)};
    });
}

kavro_recordset* KAVRO_CALL kavro_pg_table_snapshot(const char* conninfo, const char* table_name) {
    return callReporting<kavro_recordset*>(nullptr, [&]() -> kavro_recordset* {
        if (conninfo == nullptr || table_name == nullptr) {
            throw std::invalid_argument("connection string and table name are required");
        }
        PgOpenOptions options;
        options.readOnly = true;
        PgRecordSet source(conninfo, table_name, options);
        return new kavro_recordset{snapshotOf(source)};
    });
}

void KAVRO_CALL kavro_recordset_close(kavro_recordset* set) {
    delete set;
}
