// C exports: the history tables and the name lookup.
#include "frame/c_boundary.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/event_log.hpp"
#include "kavro/name_lookup.hpp"

using namespace kavro;

bool KAVRO_CALL _InsertIntoLog(kavro_recordset* table, int32_t operator_id, int32_t log_type,
                               kavro_string* action) {
    const AnsiString text = AnsiString::share(action);  // the call's own reference
    return callQuietly(false, [&] {
        return insertIntoLog(recordSetOf(table), operator_id, log_type, text.view());
    });
}

bool KAVRO_CALL _InsertIntoAlarmLog(kavro_recordset* table, int32_t alarm_switch,
                                    int32_t alarm_type, int32_t capture_relation,
                                    int32_t alarm_relation) {
    return callQuietly(false, [&] {
        return insertIntoAlarmLog(recordSetOf(table), alarm_switch, alarm_type, capture_relation,
                                  alarm_relation);
    });
}

bool KAVRO_CALL _InsertIntoException(kavro_recordset* table, kavro_string* message) {
    const AnsiString text = AnsiString::share(message);
    return callQuietly(false, [&] { return insertIntoException(recordSetOf(table), text.view()); });
}

bool KAVRO_CALL _EmptyTable(kavro_recordset* table) {
    return callQuietly(false, [&] { return emptyTable(recordSetOf(table)); });
}

int32_t KAVRO_CALL _NameToID(kavro_recordset* table, kavro_string* name) {
    const AnsiString text = AnsiString::share(name);
    return callReporting<int32_t>(0, [&] { return nameToId(recordSetOf(table), text.view()); });
}
