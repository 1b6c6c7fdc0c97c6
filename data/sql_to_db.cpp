// Build step: runs a SQL script into a new SQLite database file.
//   sql_to_db SCRIPT.sql OUTPUT.db
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sql_to_db SCRIPT.sql OUTPUT.db\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "sql_to_db: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream script;
    script << in.rdbuf();
    std::remove(argv[2]);
    sqlite3* db = nullptr;
    if (sqlite3_open(argv[2], &db) != SQLITE_OK) {
        std::fprintf(stderr, "sql_to_db: cannot create %s: %s\n", argv[2], sqlite3_errmsg(db));
        return 1;
    }
    char* error = nullptr;
    const int rc = sqlite3_exec(db, script.str().c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "sql_to_db: %s: %s\n", argv[1], error ? error : "failed");
        sqlite3_free(error);
        sqlite3_close(db);
        std::remove(argv[2]);
        return 1;
    }
    sqlite3_close(db);
    return 0;
}
