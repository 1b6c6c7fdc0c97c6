#include "tests/support/table_under_test.hpp"

#include <sqlite3.h>

#include "kavro/host_datetime.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/sqlite_record_set.hpp"

namespace kavro::test {
namespace {

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string literal(const Variant& value) {
    switch (value.type()) {
        case Variant::Type::Empty:
            return "NULL";
        case Variant::Type::Integer:
            return std::to_string(value.integerValue());
        case Variant::Type::Real:
            return std::to_string(value.realValue());
        case Variant::Type::Text: {
            std::string text = "'";
            for (char c : value.textValue())
                text += c == '\'' ? std::string("''") : std::string(1, c);
            return text + "'";
        }
    }
    return "NULL";
}

Variant queryValue(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    Variant result;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            switch (sqlite3_column_type(stmt, 0)) {
                case SQLITE_INTEGER:
                    result = Variant(static_cast<long long>(sqlite3_column_int64(stmt, 0)));
                    break;
                case SQLITE_FLOAT:
                    result = Variant(sqlite3_column_double(stmt, 0));
                    break;
                case SQLITE_TEXT:
                    result = Variant(
                        std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                    static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0))));
                    break;
                default:
                    break;
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

}  // namespace

std::string backendName(const testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Memory ? "Memory" : "Sqlite";
}

TableUnderTest::TableUnderTest(Backend backend, const TempDir& dir,
                               const std::vector<std::string>& columns,
                               const std::vector<std::vector<Variant>>& rows)
    : backend_(backend), path_(dir.file("tables.db")) {
    if (backend == Backend::Memory) {
        auto memory = std::make_unique<MemoryRecordSet>(columns);
        for (const auto& row : rows)
            memory->addRow(row);
        set_ = std::move(memory);
        return;
    }
    std::string sql = "CREATE TABLE T (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + quoted(columns[i]);
    sql += ");";
    for (const auto& row : rows) {
        sql += "INSERT INTO T VALUES (";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            sql += (i ? ", " : "") + literal(i < row.size() ? row[i] : Variant());
        }
        sql += ");";
    }
    makeDatabase(path_, sql);
    set_ = std::make_unique<SqliteRecordSet>(path_, "T");
}

TableUnderTest::~TableUnderTest() = default;

std::size_t TableUnderTest::rowCount() const {
    if (backend_ == Backend::Memory) return static_cast<const MemoryRecordSet&>(*set_).rowCount();
    return static_cast<std::size_t>(queryValue(path_, "SELECT count(*) FROM T").integerValue());
}

Variant TableUnderTest::cell(std::size_t row, const std::string& column) const {
    if (backend_ == Backend::Memory) {
        return static_cast<const MemoryRecordSet&>(*set_).cell(row, column);
    }
    return queryValue(path_, "SELECT " + quoted(column) + " FROM T ORDER BY rowid LIMIT 1 OFFSET " +
                                 std::to_string(row));
}

std::optional<HostDateTime> TableUnderTest::dateTime(std::size_t row,
                                                     const std::string& column) const {
    if (backend_ == Backend::Memory) return cell(row, column).toReal();
    // SQLite's own reading of the stored text, to the millisecond.
    const Variant text =
        queryValue(path_, "SELECT strftime('%Y-%m-%d %H:%M:%f', " + quoted(column) +
                              ") FROM T ORDER BY rowid LIMIT 1 OFFSET " + std::to_string(row));
    if (text.type() != Variant::Type::Text) return std::nullopt;
    return fromIsoText(text.textValue());
}

}  // namespace kavro::test
