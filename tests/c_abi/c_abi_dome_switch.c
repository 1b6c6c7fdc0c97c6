/* The dome and switcher exports as a C host calls them, on a pseudo-terminal. */
#include <kavro/kavro_public.h>

#include <pty.h>
#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "c_abi_suites.h"

static size_t read_exactly(int fd, unsigned char* buffer, size_t wanted) {
    size_t got = 0;
    while (got < wanted) {
        ssize_t n = read(fd, buffer + got, wanted - got);
        if (n <= 0) break;
        got += (size_t)n;
    }
    return got;
}

static int build_table(const char* path) {
    sqlite3* db = NULL;
    int ok;
    remove(path);
    ok = sqlite3_open(path, &db) == SQLITE_OK &&
         sqlite3_exec(db,
                      "CREATE TABLE Protocol (ID, Length, BaseAddress, Up, StayTime, Slowest, "
                      "Fastest);"
                      "INSERT INTO Protocol VALUES (23, 7, 0, 2048, 5, 0, 63),"
                      " (22, 7, 0, 2048, 5, 0, 63), (11, 8, 0, 2048, NULL, 0, 63);",
                      NULL, NULL, NULL) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

static void test_dome(int master, int slave) {
    const char* path = "c_abi_dome_protocols.db";
    kavro_recordset* table;
    kavro_string* up = kavro_string_from_cstr("Up");
    uint8_t busy = 0;
    unsigned char got[8];
    static const unsigned char frame[7] = {0xFF, 0x01, 0x00, 0x00, 0x08, 0x20, 0x29};

    CHECK(build_table(path));
    table = kavro_sqlite_table_open(path, "Protocol", 1);
    CHECK(table != NULL);

    /* the table before the protocol ID; speed level, then the parameter */
    _WriteCommandToGlobe(slave, &busy, table, 23, 1, up, 5, 0x20);
    CHECK(read_exactly(master, got, 7) == 7 && memcmp(got, frame, 7) == 0);
    CHECK(busy == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NONE);
    CHECK(kavro_string_ref_count(up) == 1);

    /* a row without a StayTime value: nothing sent, the flag as it was, the field named */
    busy = 1;
    _WriteCommandToGlobe(slave, &busy, table, 11, 1, up, 5, 0x20);
    CHECK(busy == 1);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_EMPTY_VALUE);
    CHECK(strstr(kavro_last_error_message(), "StayTime") != NULL);
    busy = 0;

    /* no row */
    _WriteCommandToGlobe(slave, &busy, table, 98, 1, up, 5, 0x20);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NO_ROW);
    _WriteCommandToGlobe(slave, &busy, table, 23, 1, up, 5, 0x20);
    CHECK(read_exactly(master, got, 7) == 7);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NONE); /* cleared by a call that sent */

    /* a Length too short for protocol 22's 8-byte frame */
    _WriteCommandToGlobe(slave, &busy, table, 22, 1, up, 5, 0x20);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_OUT_OF_RANGE);
    CHECK(busy == 0);
    CHECK(kavro_string_ref_count(up) == 1);

    _WriteCommandToGlobe(slave, NULL, table, 23, 1, up, 5, 0x20);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);

    kavro_recordset_close(table);
    kavro_string_release(up);
    remove(path);
}

static void test_switch(int master, int slave) {
    uint8_t busy = 0;
    unsigned char got[16];
    static const unsigned char frames[9] = {0xFE, 0x03, 0x11, 0xFF, 0xFE, 0x01, 0x02, 0x13, 0xFF};

    _WriteCommandToSwitch(slave, &busy, 15, NULL, 12, 3);
    CHECK(read_exactly(master, got, 9) == 9 && memcmp(got, frames, 9) == 0);
    CHECK(busy == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NONE);

    _WriteCommandToSwitch(slave, &busy, 7, "ignored", 12, 3); /* sends nothing */
    CHECK(busy == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NO_PROTOCOL);

    _WriteCommandToSwitch(slave, NULL, 4, NULL, 1, 2);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);

    /* protocol 4 arrives whole after the unknown protocol's call and the refused one */
    _WriteCommandToSwitch(slave, &busy, 4, NULL, 3, 2);
    CHECK(read_exactly(master, got, 16) == 16 && got[9] == 0x03 && got[12] == 0xA0);
}

/* The reader of the line gone (the pty's master closed): every write fails with EIO. The call
 * still makes its writes and clears the flag, and says what failed. */
static void test_reader_gone(void) {
    const char* path = "c_abi_dome_protocols.db";
    int master = -1, slave = -1;
    kavro_recordset* table;
    kavro_string* up = kavro_string_from_cstr("Up");
    uint8_t busy = 0;

    CHECK(openpty(&master, &slave, NULL, NULL, NULL) == 0);
    close(master);
    CHECK(build_table(path));
    table = kavro_sqlite_table_open(path, "Protocol", 1);
    CHECK(table != NULL);
    _WriteCommandToGlobe(slave, &busy, table, 23, 1, up, 5, 0x20);
    CHECK(busy == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_WRITE_FAILED);
    CHECK(strcmp(kavro_last_error_message(), "write 1 of 1 failed: Input/output error") == 0);

    /* protocol 28: the frame three times, each write failing */
    _WriteCommandToSwitch(slave, &busy, 28, NULL, 1, 2);
    CHECK(busy == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_WRITE_FAILED);
    CHECK(strcmp(kavro_last_error_message(),
                 "write 1 of 3 failed: Input/output error (and 2 later events)") == 0);
    kavro_recordset_close(table);
    kavro_string_release(up);
    close(slave);
}

void run_dome_switch_suite(void) {
    int master = -1, slave = -1;
    if (!open_raw_pty(&master, &slave)) return;
    test_dome(master, slave);
    test_switch(master, slave);
    close(master);
    close(slave);
    test_reader_gone();
}
