/* Record sets the host implements: a table that lives in the host's own database, ORM or
 * memory, handed to every function that takes a kavro_recordset. The host fills a struct of
 * callbacks, one per operation the library performs on a table, and a context pointer that the
 * library passes back on every call. Include <kavro/kavro_public.h>.
 *
 * The callbacks deliver and take raw values (empty, integer, real, text bytes); the library
 * applies its own conversion rules to them (text "12" reads as a number, a real rounds half to
 * even, ...), exactly as for its SQLite tables.
 *
 * Every callback returns KAVRO_ERROR_NONE (0) on success. On failure it returns a code of
 * enum kavro_error (KAVRO_ERROR_FIELD_NOT_FOUND for a field the table lacks,
 * KAVRO_ERROR_DATABASE for a refused post, ...; any other nonzero value counts as
 * KAVRO_ERROR_DATABASE) and may point *message at a zero-terminated text saying why, which
 * must stay valid until the callback returns (the library copies it). The library turns the
 * failure into the same failure as its own tables give: an insert returns false and cancels
 * the pending row, _NameToID returns 0 with the code and message in kavro_last_error_code()
 * and kavro_last_error_message(), an encoder sends nothing.
 *
 * The library calls the callbacks of one record set from one thread at a time, in the order of
 * its operations (a locate, then the reads of the row it found), and never from a callback. A
 * record set may be shared by threads: the library serialises its operations on it.
 *
 * Versions: version is KAVRO_RECORDSET_OPS_VERSION; members are only ever appended, and a
 * later library reads only the members that the version given has. */
#ifndef KAVRO_C_RECORDSET_OPS_H
#define KAVRO_C_RECORDSET_OPS_H

#include "kavro/c/base.h"

#define KAVRO_RECORDSET_OPS_VERSION 1

/* A raw field value. */
typedef enum kavro_value_type {
    KAVRO_VALUE_EMPTY = 0, /* NULL: no value */
    KAVRO_VALUE_INTEGER = 1,
    KAVRO_VALUE_REAL = 2,
    KAVRO_VALUE_TEXT = 3 /* bytes in the system code page (GBK), not zero-terminated */
} kavro_value_type;

typedef struct kavro_value {
    int type; /* kavro_value_type */
    int64_t integer;
    double real;
    const char* text; /* valid until the next callback on the same record set */
    size_t text_length;
} kavro_value;

/* Locate options, or-ed together. */
#define KAVRO_LOCATE_CASE_INSENSITIVE 1
/* A text key matches every value that begins with it (byte-wise). Keys that are not text are
 * always matched whole. */
#define KAVRO_LOCATE_PARTIAL_KEY 2

typedef struct kavro_recordset_ops {
    int version; /* KAVRO_RECORDSET_OPS_VERSION */

    /* Moves to the first row, in the table's row order, whose key_field matches key, setting
     * *found to 1; sets *found to 0 and keeps the position when there is none. A table without
     * key_field fails with KAVRO_ERROR_FIELD_NOT_FOUND. */
    int (*locate)(void* context, const char* key_field, const kavro_value* key, int options,
                  int* found, const char** message);
    /* The current row's value of the named field (KAVRO_VALUE_EMPTY when there is no current
     * row). Field names are matched without regard to ASCII letter case; a name the table does
     * not have fails with KAVRO_ERROR_FIELD_NOT_FOUND. */
    int (*field_value)(void* context, const char* field, kavro_value* value,
                       const char** message);
    /* The table's field names, in column order: *names points at *count zero-terminated
     * names, valid until the next callback on the same record set. */
    int (*field_names)(void* context, const char* const** names, size_t* count,
                       const char** message);

    /* Starts a pending row at the end (insert state). */
    int (*append)(void* context, const char** message);
    /* Sets a field of the pending row: value is KAVRO_VALUE_INTEGER or KAVRO_VALUE_TEXT. Fails
     * outside insert state. */
    int (*set_field)(void* context, const char* field, const kavro_value* value,
                     const char** message);
    /* Sets a date-time field of the pending row: days since 30 December 1899, the time of day
     * as the fraction, in local time. */
    int (*set_field_date_time)(void* context, const char* field, double when,
                               const char** message);
    /* Writes the pending row; on failure no row is added and the row stays pending (the
     * library then calls cancel). */
    int (*post)(void* context, const char** message);
    /* Drops the pending row, if any. */
    int (*cancel)(void* context, const char** message);
    /* *inserting: 1 while a row is pending, else 0. */
    int (*inserting)(void* context, int* inserting, const char** message);

    int (*first)(void* context, const char** message);
    /* The following row in row order; after the last, end of data. */
    int (*next)(void* context, const char** message);
    /* *eof: 1 when there is no current row, else 0. */
    int (*eof)(void* context, int* eof, const char** message);
    /* Deletes the current row; the next row becomes current. */
    int (*delete_row)(void* context, const char** message);

    int (*disable_controls)(void* context, const char** message);
    int (*enable_controls)(void* context, const char** message);
    int (*refresh)(void* context, const char** message);

    /* Called once by kavro_recordset_close; may be NULL. */
    void (*close)(void* context);
} kavro_recordset_ops;

/* A record set over the host's callbacks (the struct is copied; context is passed back to
 * every callback until kavro_recordset_close). Every callback must be set (close may be NULL). NULL, with KAVRO_ERROR_INVALID_ARGUMENT in
 * the last error, for a NULL ops, an unknown version or a missing callback. */
KAVRO_API kavro_recordset* KAVRO_CALL kavro_recordset_from_ops(const kavro_recordset_ops* ops,
                                                               void* context);

/* A copy in memory of every row of table_name of a SQLite database file, taken once: a
 * protocol table read for each command without a query. The copy does not follow later changes
 * of the file; the host reloads by opening a new snapshot (and closing the old one). Writes to
 * the copy stay in memory. NULL on failure, with the reason in kavro_last_error_message(). */
KAVRO_API kavro_recordset* KAVRO_CALL kavro_sqlite_table_snapshot(const char* database_path,
                                                                  const char* table_name);
/* The same for table_name of a PostgreSQL database (conninfo as for kavro_pg_table_open): the
 * rows in primary-key order, read over one read-only connection that is closed again before
 * the call returns. */
KAVRO_API kavro_recordset* KAVRO_CALL kavro_pg_table_snapshot(const char* conninfo,
                                                              const char* table_name);

#endif /* KAVRO_C_RECORDSET_OPS_H */
