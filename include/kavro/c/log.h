/* Event logs, alarm logs, exceptions and name lookup. */
#ifndef KAVRO_C_LOG_H
#define KAVRO_C_LOG_H

#include "kavro/c/base.h"

/* The three inserts append one row to a host history table and post it, stamping it with the
 * current local date and time (on a SQLite table: the text "YYYY-MM-DD HH:MM:SS.SSS", which
 * SQLite's date and time functions read). Fields are found by name, letter case aside; the
 * table's other columns get their defaults. Result: true when the row was posted. false when
 * any step failed (the table lacks one of the fields, a value is refused, the database refuses
 * the row: constraint, read-only, locked; the record set is NULL): the pending row is then
 * dropped, so the table gains no row, and the record set can be used for the next call. The
 * thread's last error is not touched. A kavro_string argument is borrowed (NULL is ""). */

/* Operator log: Operator = operator_id, LogType = log_type, Time = now, Action = action. */
KAVRO_API bool KAVRO_CALL _InsertIntoLog(kavro_recordset* table, int32_t operator_id,
                                         int32_t log_type, kavro_string* action);

/* Alarm log: AlarmSwitch, AlarmType, Time = now, CaptureRelation, AlarmRelation. */
KAVRO_API bool KAVRO_CALL _InsertIntoAlarmLog(kavro_recordset* table, int32_t alarm_switch,
                                              int32_t alarm_type, int32_t capture_relation,
                                              int32_t alarm_relation);

/* Exception log: Message = message, Dat = now. */
KAVRO_API bool KAVRO_CALL _InsertIntoException(kavro_recordset* table, kavro_string* message);

/* Deletes every row of the record set, first to last. true when all went (also when there
 * were none); false when a delete failed or the record set is NULL: the rows deleted before
 * the failure stay deleted. */
KAVRO_API bool KAVRO_CALL _EmptyTable(kavro_recordset* table);

/* The ID (field "ID", as a 32-bit integer) of the first row, in row order, whose field "Name"
 * begins with name (byte-wise, letter case counting; NULL or "" matches the first row), the
 * record set being left on that row. 0 when no row matches, which a row whose ID is 0 cannot
 * be told from.
 * Failure: a table without a Name or an ID field, an ID that is no 32-bit integer, or a NULL
 * record set returns 0 with the reason in kavro_last_error_code() (KAVRO_ERROR_FIELD_NOT_FOUND,
 * _EMPTY_VALUE, _NOT_A_NUMBER, _OVERFLOW, _DATABASE, _INVALID_ARGUMENT) and
 * kavro_last_error_message(). The call clears the last error on entry, so after any call a
 * code of KAVRO_ERROR_NONE tells a real result (0 included) from a failure. */
KAVRO_API int32_t KAVRO_CALL _NameToID(kavro_recordset* table, kavro_string* name);

#endif /* KAVRO_C_LOG_H */
