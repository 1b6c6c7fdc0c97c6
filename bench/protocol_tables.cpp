#include "bench/protocol_tables.hpp"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace kavro::bench {
namespace {

constexpr const char* kCommands[] = {"Up",       "UpStop", "Down",      "DownStop", "Left",
                                     "LeftStop", "Right",  "RightStop", "ZoomInc",  "ZoomDec"};

void exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : "sqlite3_exec failed";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::string smallTableSql() {
    std::string sql = "CREATE TABLE Protocol (ID INTEGER, Length INTEGER, BaseAddress INTEGER";
    for (const char* c : kCommands)
        sql += std::string(", ") + c + " INTEGER";
    sql += ");";
    for (int id = 1; id <= 54; ++id) {
        sql += "INSERT INTO Protocol VALUES (" + std::to_string(id) + ", 2, 0";
        for (std::size_t c = 0; c < std::size(kCommands); ++c)
            sql += ", " + std::to_string(0x1234 + c);
        sql += ");";
    }
    return sql;
}

}  // namespace

const TableCase kSmallTable{"small", 2, 5, "Up", "write 05 34\n"};
const TableCase kBundledTable{"bundled", 7, 1, "Up", "write FF 01 00 08 00 20 29\n"};

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavro-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string makeTableFile(const ScratchDir& dir, const TableCase& table, const char* journalMode) {
    const bool bundled = std::string_view(table.name) == kBundledTable.name;
    const std::string path = dir.file(bundled ? "bundled.db" : "small.db");
    std::filesystem::remove(path);
    if (bundled) std::filesystem::copy_file(KAVRO_DEFAULT_TABLE, path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open");
    try {
        exec(db, std::string("PRAGMA journal_mode=") + journalMode);
        if (!bundled) exec(db, smallTableSql());
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    return path;
}

BareRowQuery::BareRowQuery(const std::string& path, const TableCase& table, int openFlags)
    : protocol_(table.protocol) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | openFlags, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db_,
                           "SELECT rowid, * FROM Protocol WHERE ID = ?1 ORDER BY rowid LIMIT 1", -1,
                           &stmt_, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db_));
    }
    for (int i = 0; i < sqlite3_column_count(stmt_); ++i) {
        const std::string_view name = sqlite3_column_name(stmt_, i);
        if (name == table.command) codeColumn_ = i;
        if (name == "Length") lengthColumn_ = i;
        if (name == "BaseAddress") baseColumn_ = i;
    }
}

BareRowQuery::~BareRowQuery() {
    sqlite3_finalize(stmt_);
    sqlite3_close(db_);
}

long long BareRowQuery::run() {
    sqlite3_bind_int(stmt_, 1, protocol_);
    long long sum = -1;
    if (sqlite3_step(stmt_) == SQLITE_ROW) {
        sum = sqlite3_column_int64(stmt_, codeColumn_) + sqlite3_column_int(stmt_, lengthColumn_) +
              sqlite3_column_int(stmt_, baseColumn_);
    }
    sqlite3_reset(stmt_);
    return sum;
}

}  // namespace kavro::bench
