/* Common declarations of the Kavro_Public C interface: calling convention, handles, counted
 * strings, record sets and the thread's last error. Include <kavro/kavro_public.h>. */
#ifndef KAVRO_C_BASE_H
#define KAVRO_C_BASE_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define KAVRO_EXTERN_C extern "C"
#else
#define KAVRO_EXTERN_C extern
#endif

/* Every export uses the caller-cleans convention (cdecl on 32-bit Windows). */
#if defined(_WIN32)
#define KAVRO_CALL __cdecl
#if defined(KAVRO_BUILDING_LIBRARY)
#define KAVRO_VISIBLE __declspec(dllexport)
#else
#define KAVRO_VISIBLE __declspec(dllimport)
#endif
#else
#define KAVRO_CALL
#define KAVRO_VISIBLE __attribute__((visibility("default")))
#endif

#define KAVRO_API KAVRO_EXTERN_C KAVRO_VISIBLE

/* An open serial port: the file descriptor on POSIX, the file HANDLE on Windows (as CreateFileA
 * gave it for "\\\\.\\COM1", say). The caller opens and closes it; the library only uses it
 * during a call. */
#if defined(_WIN32)
typedef void* kavro_serial_handle;
#else
typedef intptr_t kavro_serial_handle;
#endif

/* ---- Counted strings ------------------------------------------------------------------
 * The host's counted, reference-counted 8-bit string (system code page bytes, GBK for
 * Chinese text). NULL is the empty string. A kavro_string argument is borrowed: the library
 * takes its own reference for the call and gives it back before returning, on every path, so
 * the caller's count is the same after the call as before. A string result is stored into a
 * kavro_string* slot of the caller's (the old value released); the caller releases it. */
typedef struct kavro_string kavro_string;

/* A new string holding the bytes (count 1); NULL for length 0. */
KAVRO_API kavro_string* KAVRO_CALL kavro_string_new(const char* bytes, size_t length);
/* A new string from a zero-terminated text; NULL for "" or NULL. */
KAVRO_API kavro_string* KAVRO_CALL kavro_string_from_cstr(const char* text);
/* Takes one more reference; returns s. */
KAVRO_API kavro_string* KAVRO_CALL kavro_string_retain(kavro_string* s);
/* Gives one reference back; the last one frees the string. NULL is fine. */
KAVRO_API void KAVRO_CALL kavro_string_release(kavro_string* s);
/* The bytes, zero-terminated ("" for NULL), valid while a reference is held. */
KAVRO_API const char* KAVRO_CALL kavro_string_data(const kavro_string* s);
KAVRO_API size_t KAVRO_CALL kavro_string_length(const kavro_string* s);
/* The current reference count (0 for NULL): for checking a host's bookkeeping. */
KAVRO_API long KAVRO_CALL kavro_string_ref_count(const kavro_string* s);

/* ---- Record sets ------------------------------------------------------------------------
 * A host table the library reads and writes during a call: here a table of a SQLite database
 * file or of a PostgreSQL database (kavro/c/recordset_ops.h: one the host implements, or a copy
 * in memory). Rows follow the table's rowid order (SQLite) or primary key order (PostgreSQL);
 * field names are matched without regard to ASCII letter case.
 *
 * A record set may be shared by threads: calls from several threads may be given the same one
 * at the same time. Each record set has a lock of its own, which a call holds while it uses
 * the record set: an encoder from its Locate to the last field of the protocol row (so every
 * command is sent with its own row, never a row another thread's Locate moved to), an insert
 * from its Append to its Post, _EmptyTable and _NameToID for their whole walk or lookup. The
 * lock is never held across a write to a serial line or the wait for a busy flag, so sharing
 * one protocol table between lines costs no line time. Closing a record set while another
 * thread still uses it is the caller's fault. */
typedef struct kavro_recordset kavro_recordset;

/* Opens table_name of an existing SQLite database file (or "file:" URI). read_only != 0 opens
 * the database read-only. NULL on failure, with the reason in kavro_last_error_message(). */
KAVRO_API kavro_recordset* KAVRO_CALL kavro_sqlite_table_open(const char* database_path,
                                                              const char* table_name,
                                                              int read_only);
/* Opens table_name of a PostgreSQL database. conninfo is a libpq connection string: a URI
 * ("postgresql://user@host:5432/site", also "postgres://"; a Unix socket directory as
 * "postgresql:///site?host=/run/postgresql") or "key=value" pairs. The table is looked up on
 * the connection's search path, an exact name first, else one differing only in letter case;
 * it must have a primary key, whose order is the row order. Texts cross in GBK. Connecting
 * waits at most 5 seconds (or the string's connect_timeout), each statement at most 6. NULL on
 * failure, with the reason in kavro_last_error_message(). A library built without libpq
 * always fails here, saying so. */
KAVRO_API kavro_recordset* KAVRO_CALL kavro_pg_table_open(const char* conninfo,
                                                          const char* table_name, int read_only);
/* Closes a record set opened above. NULL is fine. */
KAVRO_API void KAVRO_CALL kavro_recordset_close(kavro_recordset* set);

/* ---- The thread's last error -------------------------------------------------------------
 * A C caller cannot catch the host exceptions that a few calls let out (a frame access outside
 * the frame in the encoders, any failure of _NameToID, a record set that cannot be opened), and
 * the encoders return nothing. Those calls clear the thread's last error on entry and set it
 * when such an exception ends them, and the encoders also when they send nothing (no row, a
 * field missing, empty or no number, a bad Length: the code says which, the message names the
 * field); the call then returns as documented for that case. The encoders also set it when the
 * serial line failed one of their writes or parity changes: such a call still makes its later
 * writes and pauses in order and clears the busy flag, and the message names the first that
 * failed and the system's reason ("write 3 of 20 failed: Input/output error"). Other calls
 * leave it alone. */
enum kavro_error {
    KAVRO_ERROR_NONE = 0,
    KAVRO_ERROR_FIELD_NOT_FOUND = 1,   /* no field of that name */
    KAVRO_ERROR_EMPTY_VALUE = 2,       /* an empty (NULL) value read as a number */
    KAVRO_ERROR_NOT_A_NUMBER = 3,      /* text that is no number */
    KAVRO_ERROR_OVERFLOW = 4,          /* a number too large for the wanted type */
    KAVRO_ERROR_INVALID_OPERATION = 5, /* an operation the object cannot do in its state */
    KAVRO_ERROR_DATABASE = 6,          /* the database refused (constraint, read-only, locked) */
    KAVRO_ERROR_OUT_OF_RANGE = 7,      /* a frame access outside the command frame */
    KAVRO_ERROR_INVALID_ARGUMENT = 8,  /* a NULL pointer where an object is needed */
    KAVRO_ERROR_WRITE_FAILED = 9,      /* the serial line failed a write or parity change */
    KAVRO_ERROR_WRITE_TIMED_OUT = 10,  /* a write did not finish within its deadline (the line
                                          stopped draining); the call's later writes were not
                                          tried, so the call ended within that one deadline */
    KAVRO_ERROR_NO_ROW = 11,           /* the protocol table has no row with the protocol ID */
    KAVRO_ERROR_BAD_LENGTH = 12,       /* the row's Length is negative or beyond any frame */
    KAVRO_ERROR_NO_PROTOCOL = 13,      /* a switcher protocol other than 4, 15 and 28 */
    KAVRO_ERROR_BAD_CAMERA = 14,       /* camera + BaseAddress does not fit a 32-bit address */
    KAVRO_ERROR_LINE_OPEN = 15,        /* kavro_line_open could not open the device or reach
                                          the device server */
    KAVRO_ERROR_OTHER = 99             /* anything else (out of memory, ...) */
};

/* The code of the last error on this thread, KAVRO_ERROR_NONE when the last call that reports
 * through this channel ended normally. */
KAVRO_API int KAVRO_CALL kavro_last_error_code(void);
/* Its text ("" when none), valid until the thread's next library call. */
KAVRO_API const char* KAVRO_CALL kavro_last_error_message(void);

#endif /* KAVRO_C_BASE_H */
