/* The C interface as a C host uses it: counted strings, a SQLite table as a record set, the
 * serial exports and the decoder export on a pseudo-terminal, the last-error channel. */
#include <kavro/kavro_public.h>

#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include "c_abi_suites.h"

int c_abi_failures = 0;

static void make_database(const char* path, const char* sql) {
    sqlite3* db = NULL;
    char* error = NULL;
    remove(path);
    if (sqlite3_open(path, &db) != SQLITE_OK ||
        sqlite3_exec(db, sql, NULL, NULL, &error) != SQLITE_OK) {
        fprintf(stderr, "cannot build %s: %s\n", path, error ? error : "?");
        exit(2);
    }
    sqlite3_close(db);
}

static void test_strings(void) {
    kavro_string* s = kavro_string_new("ab\0c", 4);
    CHECK(kavro_string_length(s) == 4);
    CHECK(memcmp(kavro_string_data(s), "ab\0c", 5) == 0); /* zero-terminated too */
    CHECK(kavro_string_ref_count(s) == 1);
    CHECK(kavro_string_retain(s) == s);
    CHECK(kavro_string_ref_count(s) == 2);
    kavro_string_release(s);
    kavro_string_release(s);
    CHECK(kavro_string_from_cstr("") == NULL); /* the empty string is NULL */
    CHECK(strcmp(kavro_string_data(NULL), "") == 0);
    kavro_string_release(NULL);
}

static tcflag_t cflag_of(int fd) {
    struct termios t;
    tcgetattr(fd, &t);
    return t.c_cflag;
}

static size_t read_some(int fd, unsigned char* buffer, size_t size) {
    ssize_t n = read(fd, buffer, size);
    return n > 0 ? (size_t)n : 0;
}

static void test_serial(int master, int slave) {
    unsigned char got[8];
    kavro_decoder_line_settings decoder;
    kavro_alarm_line_settings alarm;
    memset(&decoder, 0xEE, sizeof decoder); /* host fields the library must not read */
    decoder.baud_rate = 19200;
    decoder.data_bits = 8;
    decoder.stop_bits = 2;
    decoder.parity = kavro_string_from_cstr("M");
    CHECK(_SetDecoderComState(slave, &decoder) != 0);
    CHECK((cflag_of(slave) & (CMSPAR | PARODD)) == (CMSPAR | PARODD));
    CHECK(kavro_string_ref_count(decoder.parity) == 1);
    kavro_string_release(decoder.parity);

    memset(&alarm, 0xEE, sizeof alarm);
    alarm.baud_rate = 9600;
    alarm.data_bits = 8;
    alarm.stop_bits = 1;
    alarm.parity = kavro_string_from_cstr("O");
    CHECK(_SetAlarmComState(slave, &alarm) != 0);
    CHECK((cflag_of(slave) & (CMSPAR | PARODD)) == PARODD);
    kavro_string_release(alarm.parity);

    CHECK(_SetComParity(slave, 4) != 0); /* space */
    CHECK((cflag_of(slave) & (CMSPAR | PARODD)) == CMSPAR);

    CHECK(_WriteByte_ParityToComm(slave, 0x5A, 3) != 0); /* mark */
    CHECK(read_some(master, got, sizeof got) == 1 && got[0] == 0x5A);
    CHECK((cflag_of(slave) & (CMSPAR | PARODD)) == (CMSPAR | PARODD));

    CHECK(_WriteByte_ParityToComm_Manual(slave, 0x03, 1) != 0); /* two 1-bits, want 1: odd */
    CHECK(read_some(master, got, sizeof got) == 1 && got[0] == 0x03);
    CHECK((cflag_of(slave) & (CMSPAR | PARODD)) == PARODD);

    CHECK(_SetComParity(-1, 0) == 0);
    CHECK(_WriteByte_ParityToComm(-1, 1, 0) == 0);
}

static void test_decoder(int master, int slave) {
    const char* path = "c_abi_test_protocols.db";
    kavro_recordset* table;
    kavro_string* up = kavro_string_from_cstr("Up");
    uint8_t busy = 0;
    unsigned char got[8];

    make_database(path,
                  "CREATE TABLE Protocol (ID, Length, BaseAddress, Up);"
                  "INSERT INTO Protocol VALUES (2, 2, 0, 4660), (3, 1, 0, 1), (4, -1, 0, 1),"
                  "  (5, 2, 0, NULL), (6, 2, 0, 'abc'), (8, 4000000000, 0, 1), (9, 2, -1, 1);");
    CHECK(kavro_sqlite_table_open("no-such-file.db", "Protocol", 1) == NULL);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_DATABASE);
    CHECK(strlen(kavro_last_error_message()) > 0);

    table = kavro_sqlite_table_open(path, "protocol", 1);
    CHECK(table != NULL);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NONE);

    _SetComParity(slave, 0);
    _WriteCommandToDecoder(slave, &busy, 2, table, 5, up);
    CHECK(read_some(master, got, sizeof got) == 2 && got[0] == 0x05 && got[1] == 0x34);
    CHECK(busy == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NONE);
    CHECK(kavro_string_ref_count(up) == 1); /* the call gave its reference back */

    /* rows that send nothing: the flag untouched, the reason in the last error */
    {
        static const struct {
            int32_t protocol;
            const char* command;
            int code;
            const char* named; /* what the message must name */
        } refused[] = {
            {99, "Up", KAVRO_ERROR_NO_ROW, "99"},
            {2, "Down", KAVRO_ERROR_FIELD_NOT_FOUND, "Down"},
            {5, "Up", KAVRO_ERROR_EMPTY_VALUE, "Up"},
            {6, "Up", KAVRO_ERROR_NOT_A_NUMBER, "Up"},
            {4, "Up", KAVRO_ERROR_BAD_LENGTH, "Length"},
            {8, "Up", KAVRO_ERROR_BAD_LENGTH, "Length"},
        };
        size_t i;
        for (i = 0; i < sizeof refused / sizeof refused[0]; ++i) {
            kavro_string* name = kavro_string_from_cstr(refused[i].command);
            busy = 7;
            _WriteCommandToDecoder(slave, &busy, refused[i].protocol, table, 5, name);
            CHECK(busy == 7);
            CHECK(kavro_last_error_code() == refused[i].code);
            CHECK(strstr(kavro_last_error_message(), refused[i].named) != NULL);
            kavro_string_release(name);
        }
        busy = 0;
    }

    /* the camera, not the row, pushes the wire address beyond 32 bits */
    _WriteCommandToDecoder(slave, &busy, 9, table, INT32_MIN, up);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_BAD_CAMERA);
    CHECK(strstr(kavro_last_error_message(), "camera -2147483648") != NULL);
    CHECK(busy == 0);

    /* a Length too short for the frame: nothing sent, the flag clear, the error reported */
    _WriteCommandToDecoder(slave, &busy, 3, table, 5, up);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_OUT_OF_RANGE);
    CHECK(busy == 0);
    CHECK(kavro_string_ref_count(up) == 1);

    _WriteCommandToDecoder(slave, &busy, 2, NULL, 5, up);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);

    /* a snapshot in memory: the same frame, and no later change of the file reaches it */
    {
        kavro_recordset* snapshot = kavro_sqlite_table_snapshot(path, "Protocol");
        CHECK(snapshot != NULL);
        make_database(path, "CREATE TABLE Protocol (ID, Length, BaseAddress, Up);");
        _WriteCommandToDecoder(slave, &busy, 2, snapshot, 5, up);
        CHECK(read_some(master, got, sizeof got) == 2 && got[0] == 0x05 && got[1] == 0x34);
        CHECK(kavro_last_error_code() == KAVRO_ERROR_NONE);
        kavro_recordset_close(snapshot);
        CHECK(kavro_sqlite_table_snapshot("no-such-file.db", "Protocol") == NULL);
        CHECK(kavro_last_error_code() == KAVRO_ERROR_DATABASE);
    }

    kavro_recordset_close(table);
    kavro_string_release(up);
    remove(path);
}

/* A PostgreSQL table that cannot be reached: NULL at once, the reason in the last error (a
 * build without libpq says so the same way). */
static void test_pg_open_refused(void) {
    CHECK(kavro_pg_table_open("postgresql:///site?host=/nonexistent", "Protocol", 1) == NULL);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_DATABASE);
    CHECK(strlen(kavro_last_error_message()) > 0);
    CHECK(kavro_pg_table_open(NULL, "Protocol", 1) == NULL);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);
    CHECK(kavro_pg_table_snapshot("postgresql:///site?host=/nonexistent", "Protocol") == NULL);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_DATABASE);
}

int main(void) {
    int master = -1, slave = -1;
    test_strings();
    test_pg_open_refused();
    if (!open_raw_pty(&master, &slave)) return 2;
    test_serial(master, slave);
    test_decoder(master, slave);
    run_c_abi_suites();
    close(master);
    close(slave);
    if (c_abi_failures != 0) fprintf(stderr, "%d checks failed\n", c_abi_failures);
    return c_abi_failures == 0 ? 0 : 1;
}
