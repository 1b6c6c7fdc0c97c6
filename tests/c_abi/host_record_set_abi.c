/* A record set the host implements: a plain C array of rows behind kavro_recordset_ops, driven
 * through the decoder and dome encoders, the three log inserts and the name lookup, with the
 * failures a host's table can have (a refused post, a failing locate, a failing field read). */
#include <kavro/kavro_public.h>

#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "c_abi_suites.h"

#define MAX_COLUMNS 10
#define MAX_ROWS 8

typedef struct cell {
    int type;
    int64_t integer;
    double real;
    char text[64];
    size_t length;
} cell;

typedef struct array_table {
    const char* names[MAX_COLUMNS];
    size_t columns;
    cell rows[MAX_ROWS][MAX_COLUMNS];
    size_t count;
    size_t current;
    int pending;
    cell pending_row[MAX_COLUMNS];
    /* failures to show */
    int fail_post, fail_locate, fail_read;
    int cancels, closed;
} array_table;

static int column_of(const array_table* t, const char* name) {
    size_t i;
    for (i = 0; i < t->columns; ++i)
        if (strcasecmp(t->names[i], name) == 0) return (int)i;
    return -1;
}

static cell integer_cell(int64_t v) {
    cell c;
    memset(&c, 0, sizeof c);
    c.type = KAVRO_VALUE_INTEGER;
    c.integer = v;
    return c;
}

static cell text_cell(const char* text) {
    cell c;
    memset(&c, 0, sizeof c);
    c.type = KAVRO_VALUE_TEXT;
    c.length = strlen(text);
    memcpy(c.text, text, c.length);
    return c;
}

static int no_field(const char** message) {
    *message = "the array has no such column";
    return KAVRO_ERROR_FIELD_NOT_FOUND;
}

static int matches(const cell* c, const kavro_value* key, int options) {
    if (key->type == KAVRO_VALUE_INTEGER)
        return c->type == KAVRO_VALUE_INTEGER && c->integer == key->integer;
    if (key->type != KAVRO_VALUE_TEXT || c->type != KAVRO_VALUE_TEXT) return 0;
    if (options & KAVRO_LOCATE_PARTIAL_KEY)
        return key->text_length <= c->length && memcmp(c->text, key->text, key->text_length) == 0;
    return key->text_length == c->length && memcmp(c->text, key->text, c->length) == 0;
}

static int t_locate(void* context, const char* key_field, const kavro_value* key, int options,
                    int* found, const char** message) {
    array_table* t = context;
    int column = column_of(t, key_field);
    size_t row;
    if (t->fail_locate) {
        *message = "the host's database is gone";
        return KAVRO_ERROR_DATABASE;
    }
    if (column < 0) return no_field(message);
    *found = 0;
    for (row = 0; row < t->count; ++row) {
        if (matches(&t->rows[row][column], key, options)) {
            t->current = row;
            *found = 1;
            return KAVRO_ERROR_NONE;
        }
    }
    return KAVRO_ERROR_NONE;
}

static int t_field_value(void* context, const char* field, kavro_value* value,
                         const char** message) {
    array_table* t = context;
    int column = column_of(t, field);
    const cell* c;
    if (column < 0) return no_field(message);
    if (t->fail_read) {
        *message = "reading the column failed";
        return KAVRO_ERROR_DATABASE;
    }
    memset(value, 0, sizeof *value);
    if (t->current >= t->count) return KAVRO_ERROR_NONE; /* no current row: empty */
    c = &t->rows[t->current][column];
    value->type = c->type;
    value->integer = c->integer;
    value->real = c->real;
    value->text = c->text;
    value->text_length = c->length;
    return KAVRO_ERROR_NONE;
}

static int t_field_names(void* context, const char* const** names, size_t* count,
                         const char** message) {
    array_table* t = context;
    (void)message;
    *names = t->names;
    *count = t->columns;
    return KAVRO_ERROR_NONE;
}

static int t_append(void* context, const char** message) {
    array_table* t = context;
    (void)message;
    memset(t->pending_row, 0, sizeof t->pending_row);
    t->pending = 1;
    return KAVRO_ERROR_NONE;
}

static int t_set_field(void* context, const char* field, const kavro_value* value,
                       const char** message) {
    array_table* t = context;
    int column = column_of(t, field);
    cell* c;
    if (column < 0) return no_field(message);
    if (!t->pending) {
        *message = "not inserting";
        return KAVRO_ERROR_INVALID_OPERATION;
    }
    c = &t->pending_row[column];
    memset(c, 0, sizeof *c);
    c->type = value->type;
    c->integer = value->integer;
    c->real = value->real;
    if (value->type == KAVRO_VALUE_TEXT) {
        c->length = value->text_length < sizeof c->text ? value->text_length : sizeof c->text;
        memcpy(c->text, value->text, c->length);
    }
    return KAVRO_ERROR_NONE;
}

static int t_set_date_time(void* context, const char* field, double when, const char** message) {
    kavro_value v;
    memset(&v, 0, sizeof v);
    v.type = KAVRO_VALUE_REAL;
    v.real = when;
    return t_set_field(context, field, &v, message);
}

static int t_post(void* context, const char** message) {
    array_table* t = context;
    if (t->fail_post || t->count == MAX_ROWS) {
        *message = "UNIQUE constraint failed";
        return KAVRO_ERROR_DATABASE;
    }
    memcpy(t->rows[t->count++], t->pending_row, sizeof t->pending_row);
    t->pending = 0;
    return KAVRO_ERROR_NONE;
}

static int t_cancel(void* context, const char** message) {
    array_table* t = context;
    (void)message;
    t->pending = 0;
    ++t->cancels;
    return KAVRO_ERROR_NONE;
}

static int t_inserting(void* context, int* inserting, const char** message) {
    (void)message;
    *inserting = ((array_table*)context)->pending;
    return KAVRO_ERROR_NONE;
}

static int t_first(void* context, const char** message) {
    (void)message;
    ((array_table*)context)->current = 0;
    return KAVRO_ERROR_NONE;
}

static int t_next(void* context, const char** message) {
    array_table* t = context;
    (void)message;
    if (t->current < t->count) ++t->current;
    return KAVRO_ERROR_NONE;
}

static int t_eof(void* context, int* eof, const char** message) {
    array_table* t = context;
    (void)message;
    *eof = t->current >= t->count;
    return KAVRO_ERROR_NONE;
}

static int t_delete_row(void* context, const char** message) {
    array_table* t = context;
    if (t->current >= t->count) {
        *message = "no current row";
        return KAVRO_ERROR_INVALID_OPERATION;
    }
    memmove(t->rows[t->current], t->rows[t->current + 1],
            (t->count - t->current - 1) * sizeof t->rows[0]);
    --t->count;
    return KAVRO_ERROR_NONE;
}

static int t_nothing(void* context, const char** message) {
    (void)context;
    (void)message;
    return KAVRO_ERROR_NONE;
}

static void t_close(void* context) {
    ((array_table*)context)->closed = 1;
}

static const kavro_recordset_ops array_ops = {
    KAVRO_RECORDSET_OPS_VERSION,
    t_locate,
    t_field_value,
    t_field_names,
    t_append,
    t_set_field,
    t_set_date_time,
    t_post,
    t_cancel,
    t_inserting,
    t_first,
    t_next,
    t_eof,
    t_delete_row,
    t_nothing, /* disable controls */
    t_nothing, /* enable controls */
    t_nothing, /* refresh */
    t_close,
};

static size_t read_exactly(int fd, unsigned char* buffer, size_t wanted) {
    size_t got = 0;
    while (got < wanted) {
        ssize_t n = read(fd, buffer + got, wanted - got);
        if (n <= 0) break;
        got += (size_t)n;
    }
    return got;
}

/* ID Length BaseAddress Up Scan StayTime Slowest Fastest: a decoder row of protocol 2 and a dome
 * row of protocol 41, whose Scan needs no pause. */
static void protocol_table(array_table* t) {
    static const char* names[] = {"ID",   "Length",   "BaseAddress", "Up",
                                  "Scan", "StayTime", "Slowest",     "Fastest"};
    static const int64_t rows[2][8] = {{2, 2, 0, 0x1234, 0, 5, 0, 63},
                                       {41, 4, 0, 0x123456, 0x123456, 5, 0, 63}};
    size_t r, c;
    memset(t, 0, sizeof *t);
    t->columns = 8;
    for (c = 0; c < 8; ++c)
        t->names[c] = names[c];
    for (r = 0; r < 2; ++r)
        for (c = 0; c < 8; ++c)
            t->rows[r][c] = integer_cell(rows[r][c]);
    t->rows[0][2] = text_cell("0"); /* BaseAddress as text: the library's rules read it */
    t->count = 2;
}

static void test_encoders(int master, int slave) {
    array_table t;
    kavro_recordset* set;
    kavro_string* up = kavro_string_from_cstr("Up");
    kavro_string* scan = kavro_string_from_cstr("Scan");
    uint8_t busy = 0;
    unsigned char got[16];
    static const unsigned char scan_frame[8] = {0x83, 0x42, 0x1B, 0x20, 0x83, 0x12, 0x34, 0x56};

    protocol_table(&t);
    set = kavro_recordset_from_ops(&array_ops, &t);
    CHECK(set != NULL);

    _WriteCommandToDecoder(slave, &busy, 2, set, 5, up);
    CHECK(read_exactly(master, got, 2) == 2 && got[0] == 0x05 && got[1] == 0x34);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_NONE);

    _WriteCommandToGlobe(slave, &busy, set, 41, 1, scan, 5, 0);
    CHECK(read_exactly(master, got, 8) == 8 && memcmp(got, scan_frame, 8) == 0);
    CHECK(busy == 0);

    /* a locate that fails: nothing sent, the host's message in the last error */
    t.fail_locate = 1;
    busy = 3;
    _WriteCommandToDecoder(slave, &busy, 2, set, 5, up);
    CHECK(busy == 3);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_DATABASE);
    CHECK(strstr(kavro_last_error_message(), "the host's database is gone") != NULL);
    t.fail_locate = 0;

    /* a field read that fails */
    t.fail_read = 1;
    _WriteCommandToDecoder(slave, &busy, 2, set, 5, up);
    CHECK(busy == 3);
    CHECK(kavro_last_error_code() != KAVRO_ERROR_NONE);
    t.fail_read = 0;
    busy = 0;

    kavro_recordset_close(set);
    CHECK(t.closed == 1);
    kavro_string_release(up);
    kavro_string_release(scan);
}

static void log_table(array_table* t, const char* const* names, size_t columns) {
    size_t c;
    memset(t, 0, sizeof *t);
    t->columns = columns;
    for (c = 0; c < columns; ++c)
        t->names[c] = names[c];
}

static void test_logs(void) {
    static const char* operator_log[] = {"Operator", "LogType", "Time", "Action"};
    static const char* alarm_log[] = {"AlarmSwitch", "AlarmType", "Time", "CaptureRelation",
                                      "AlarmRelation"};
    static const char* exception_log[] = {"Message", "Dat"};
    array_table t;
    kavro_recordset* set;
    kavro_string* action = kavro_string_from_cstr("\xb5\xc7\xc2\xbc"); /* GBK text */

    log_table(&t, operator_log, 4);
    set = kavro_recordset_from_ops(&array_ops, &t);
    CHECK(_InsertIntoLog(set, 7, 2, action));
    CHECK(t.count == 1 && t.rows[0][0].integer == 7 && t.rows[0][1].integer == 2);
    CHECK(t.rows[0][2].type == KAVRO_VALUE_REAL && t.rows[0][2].real > 40000.0);
    CHECK(t.rows[0][3].length == 4 && memcmp(t.rows[0][3].text, "\xb5\xc7\xc2\xbc", 4) == 0);
    /* a refused post: false, no row added, the pending row cancelled */
    t.fail_post = 1;
    CHECK(!_InsertIntoLog(set, 8, 2, action));
    CHECK(t.count == 1 && t.pending == 0 && t.cancels >= 1);
    kavro_recordset_close(set);

    log_table(&t, alarm_log, 5);
    set = kavro_recordset_from_ops(&array_ops, &t);
    CHECK(_InsertIntoAlarmLog(set, 1, 2, 3, 4));
    CHECK(t.count == 1 && t.rows[0][0].integer == 1 && t.rows[0][4].integer == 4);
    kavro_recordset_close(set);

    log_table(&t, exception_log, 2);
    set = kavro_recordset_from_ops(&array_ops, &t);
    CHECK(_InsertIntoException(set, action));
    CHECK(t.count == 1 && t.rows[0][0].length == 4 && t.rows[0][1].type == KAVRO_VALUE_REAL);
    /* a table without the field: false, no row */
    t.columns = 1;
    CHECK(!_InsertIntoException(set, action));
    CHECK(t.count == 1);
    kavro_recordset_close(set);
    kavro_string_release(action);
}

static void test_name_lookup(void) {
    static const char* names[] = {"Name", "ID"};
    array_table t;
    kavro_recordset* set;
    kavro_string* gate = kavro_string_from_cstr("Gate");

    log_table(&t, names, 2);
    t.rows[0][0] = text_cell("Lobby");
    t.rows[0][1] = integer_cell(3);
    t.rows[1][0] = text_cell("Gate 2");
    t.rows[1][1] = text_cell("7"); /* text that is a number */
    t.count = 2;
    set = kavro_recordset_from_ops(&array_ops, &t);
    CHECK(_NameToID(set, gate) == 7 && kavro_last_error_code() == KAVRO_ERROR_NONE);
    t.fail_read = 1;
    CHECK(_NameToID(set, gate) == 0);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_DATABASE);
    CHECK(strcmp(kavro_last_error_message(), "reading the column failed") == 0);
    kavro_recordset_close(set);
    kavro_string_release(gate);
}

static void test_refused_callbacks(void) {
    kavro_recordset_ops ops = array_ops;
    array_table t;
    CHECK(kavro_recordset_from_ops(NULL, &t) == NULL);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);
    ops.post = NULL;
    CHECK(kavro_recordset_from_ops(&ops, &t) == NULL);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);
    ops = array_ops;
    ops.version = KAVRO_RECORDSET_OPS_VERSION + 1;
    CHECK(kavro_recordset_from_ops(&ops, &t) == NULL);
}

void run_host_record_set_suite(void) {
    int master = -1, slave = -1;
    if (!open_raw_pty(&master, &slave)) return;
    test_encoders(master, slave);
    close(master);
    close(slave);
    test_logs();
    test_name_lookup();
    test_refused_callbacks();
}
