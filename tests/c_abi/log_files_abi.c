/* The history tables, the name lookup, directory deletion and the purge through the C
 * interface: SQLite tables opened as record sets, borrowed strings, the host's keep-period
 * record as raw bytes. */
#include <kavro/kavro_public.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "c_abi_suites.h"

static int run_sql(const char* db_path, const char* sql) {
    sqlite3* db = NULL;
    int rc = sqlite3_open(db_path, &db);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql, NULL, NULL, NULL);
    sqlite3_close(db);
    return rc;
}

static long long count_rows(const char* db_path, const char* table) {
    sqlite3* db = NULL;
    sqlite3_stmt* stmt = NULL;
    char sql[128];
    long long n = -1;
    snprintf(sql, sizeof sql, "SELECT count(*) FROM %s", table);
    if (sqlite3_open(db_path, &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &stmt, NULL) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        n = sqlite3_column_int64(stmt, 0);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return n;
}

static void touch(const char* path) {
    FILE* f = fopen(path, "w");
    if (f != NULL) {
        fputs("x", f);
        fclose(f);
    }
}

static int exists(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0;
}

static void history_tables(const char* dir) {
    char db[512];
    snprintf(db, sizeof db, "%s/site.db", dir);
    CHECK(run_sql(db,
                  "CREATE TABLE OperatorLog (Operator, LogType, Time, Action);"
                  "CREATE TABLE AlarmLog (AlarmSwitch, AlarmType, Time, CaptureRelation,"
                  " AlarmRelation);"
                  "CREATE TABLE Ex (Message, Dat);"
                  "CREATE TABLE Camera (Name, ID);"
                  "INSERT INTO Camera VALUES ('Gate', 3), ('Gate 2', 7);"
                  "CREATE TABLE Untitled (Title, ID);") == SQLITE_OK);

    kavro_recordset* log = kavro_sqlite_table_open(db, "OperatorLog", 0);
    kavro_recordset* alarms = kavro_sqlite_table_open(db, "AlarmLog", 0);
    kavro_recordset* exceptions = kavro_sqlite_table_open(db, "Ex", 0);
    kavro_recordset* cameras = kavro_sqlite_table_open(db, "Camera", 0);
    kavro_recordset* untitled = kavro_sqlite_table_open(db, "Untitled", 0);
    kavro_recordset* read_only = kavro_sqlite_table_open(db, "OperatorLog", 1);
    CHECK(log && alarms && exceptions && cameras && untitled && read_only);

    kavro_string* action = kavro_string_from_cstr("Pan left");
    CHECK(_InsertIntoLog(log, 7, -2, action));
    CHECK(_InsertIntoLog(log, 1, 1, NULL));        /* NULL is the empty text */
    CHECK(!_InsertIntoLog(cameras, 1, 2, action)); /* no Operator field */
    CHECK(!_InsertIntoLog(read_only, 1, 2, action));
    CHECK(!_InsertIntoLog(NULL, 1, 2, action));
    CHECK(kavro_string_ref_count(action) == 1); /* borrowed on every path */
    CHECK(count_rows(db, "OperatorLog") == 2);
    CHECK(count_rows(db, "Camera") == 2);

    CHECK(_InsertIntoAlarmLog(alarms, 3, 1, 12, 0));
    CHECK(!_InsertIntoAlarmLog(exceptions, 3, 1, 12, 0));
    CHECK(count_rows(db, "AlarmLog") == 1);

    kavro_string* message = kavro_string_from_cstr("disk full");
    CHECK(_InsertIntoException(exceptions, message));
    CHECK(!_InsertIntoException(log, message));
    CHECK(kavro_string_ref_count(message) == 1);
    CHECK(count_rows(db, "Ex") == 1);

    CHECK(_EmptyTable(log));
    CHECK(count_rows(db, "OperatorLog") == 0);
    CHECK(_EmptyTable(log));
    CHECK(!_EmptyTable(NULL));

    kavro_string* gate2 = kavro_string_from_cstr("Gate 2");
    kavro_string* lower = kavro_string_from_cstr("gate");
    CHECK(_NameToID(cameras, gate2) == 7 && kavro_last_error_code() == KAVRO_ERROR_NONE);
    CHECK(_NameToID(cameras, NULL) == 3); /* "" matches the first row */
    CHECK(_NameToID(cameras, lower) == 0 && kavro_last_error_code() == KAVRO_ERROR_NONE);
    CHECK(_NameToID(untitled, gate2) == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_FIELD_NOT_FOUND);
    CHECK(strstr(kavro_last_error_message(), "Name") != NULL);
    CHECK(_NameToID(cameras, gate2) == 7 && kavro_last_error_code() == KAVRO_ERROR_NONE);
    CHECK(_NameToID(NULL, gate2) == 0 && kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);
    CHECK(kavro_string_ref_count(gate2) == 1);

    kavro_string_release(action);
    kavro_string_release(message);
    kavro_string_release(gate2);
    kavro_string_release(lower);
    kavro_recordset_close(log);
    kavro_recordset_close(alarms);
    kavro_recordset_close(exceptions);
    kavro_recordset_close(cameras);
    kavro_recordset_close(untitled);
    kavro_recordset_close(read_only);
}

static void file_maintenance(const char* dir) {
    char path[512], file[600];

    /* A tree with a hidden file, two levels below the top. */
    snprintf(path, sizeof path, "%s/tree", dir);
    mkdir(path, 0755);
    snprintf(file, sizeof file, "%s/a", path);
    mkdir(file, 0755);
    snprintf(file, sizeof file, "%s/a/b", path);
    mkdir(file, 0755);
    snprintf(file, sizeof file, "%s/a/b/.hidden", path);
    touch(file);
    kavro_string* tree = kavro_string_from_cstr(path);
    _DeleteDirectory(tree);
    CHECK(!exists(path));
    CHECK(kavro_string_ref_count(tree) == 1);
    kavro_string_release(tree);

    /* The host's keep-period record: only the bytes at 40, 42, 44, 46, 48 are read. */
    unsigned char record[64];
    memset(record, 0xAA, sizeof record);
    record[40] = 7; /* S */
    record[42] = 0; /* J */
    record[44] = 0; /* Y */
    record[46] = 0; /* B */
    record[48] = 0; /* T */
    snprintf(path, sizeof path, "%s/purge", dir);
    mkdir(path, 0755);
    char expired[600], future[600], other[600];
    snprintf(expired, sizeof expired, "%s/S-cam0120000101.avi", path);
    snprintf(future, sizeof future, "%s/S-cam0129990101.avi", path);
    snprintf(other, sizeof other, "%s/J-cam0120000101.avi", path);
    touch(expired);
    touch(future);
    touch(other);
    kavro_string* purge = kavro_string_from_cstr(path);
    _DeleteDirectoryEx(purge, NULL); /* no record: nothing happens */
    CHECK(exists(expired));
    _DeleteDirectoryEx(purge, record);
    CHECK(!exists(expired));
    CHECK(exists(future) && exists(other) && exists(path));
    CHECK(kavro_string_ref_count(purge) == 1);
    kavro_string_release(purge);

    _DeleteDirectory(NULL); /* nothing named, nothing done */
}

/* The root directory however written, and a link as the top, do nothing. The root is tried
 * only in a child chrooted into a directory of the test's own, so that a fault could do no
 * harm; where chroot is not permitted that part is skipped. */
static void refused_tops(const char* dir) {
    static const char* const roots[] = {"/", "//", "/..", "/./", "/srv/.."};
    char root[512], file[600];
    unsigned char record[64];
    memset(record, 1, sizeof record); /* every keep period one day */
    snprintf(root, sizeof root, "%s/root", dir);
    mkdir(root, 0755);
    snprintf(file, sizeof file, "%s/srv", root);
    mkdir(file, 0755);
    snprintf(file, sizeof file, "%s/srv/S-cam0120000101.avi", root);
    touch(file);

    fflush(NULL);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chroot(root) != 0 || chdir("/") != 0) _exit(77);
        for (size_t i = 0; i < sizeof roots / sizeof roots[0]; ++i) {
            kavro_string* path = kavro_string_from_cstr(roots[i]);
            _DeleteDirectory(path);
            _DeleteDirectoryEx(path, record);
            kavro_string_release(path);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        fprintf(stderr, "skipped the root directory: chroot is not permitted here\n");
    } else {
        CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CHECK(exists(file));

    /* A link to the tree, with and without a trailing slash: neither it nor the tree goes. */
    char link[600], slashed[600];
    snprintf(link, sizeof link, "%s/link", dir);
    snprintf(slashed, sizeof slashed, "%s/link/", dir);
    CHECK(symlink(root, link) == 0);
    kavro_string* through_link = kavro_string_from_cstr(link);
    kavro_string* through_slash = kavro_string_from_cstr(slashed);
    _DeleteDirectory(through_link);
    _DeleteDirectory(through_slash);
    _DeleteDirectoryEx(through_link, record);
    _DeleteDirectoryEx(through_slash, record);
    kavro_string_release(through_link);
    kavro_string_release(through_slash);
    CHECK(exists(link) && exists(file));
}

void kavro_c_abi_log_tests(void) {
    char dir[] = "/tmp/kavro-c-abi-XXXXXX";
    if (mkdtemp(dir) == NULL) {
        fprintf(stderr, "mkdtemp failed\n");
        ++c_abi_failures;
        return;
    }
    history_tables(dir);
    file_maintenance(dir);
    refused_tops(dir);
    kavro_string* all = kavro_string_from_cstr(dir);
    _DeleteDirectory(all);
    kavro_string_release(all);
    CHECK(!exists(dir));
}
