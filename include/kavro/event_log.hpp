// The host's history tables: an operator log, an alarm log and an exception log, each an open
// record set the host hands in. Each insert appends one row stamped with the current local date
// and time and posts it; a step that fails (a field the table lacks, a value the field refuses,
// a Post the database refuses, a read-only record set) cancels the pending row, so the table
// never keeps a half-filled one, and the insert returns false. Nothing is retried.
//
// Fields written, in this order (looked up by name as each is written):
//   operator log   Operator, LogType (integers), Time (Now), Action (text)
//   alarm log      AlarmSwitch, AlarmType (integers), Time (Now), CaptureRelation,
//                  AlarmRelation (integers)
//   exception log  Message (text), Dat (Now)
// Any other column of the table gets what the table's definition gives a new row.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "kavro/local_clock.hpp"
#include "kavro/record_set.hpp"

namespace kavro {

// Where a row's time comes from: localNow on a live system, a fixed value in tests. It is asked
// once per row, after the fields before the time field have been set.
using NowFunction = std::function<HostDateTime()>;

// Each takes an optional `failure`, which receives the reason when the result is false.
bool insertIntoLog(RecordSet& set, std::int32_t operatorId, std::int32_t logType,
                   std::string_view action, const NowFunction& now = localNow,
                   std::string* failure = nullptr) noexcept;

bool insertIntoAlarmLog(RecordSet& set, std::int32_t alarmSwitch, std::int32_t alarmType,
                        std::int32_t captureRelation, std::int32_t alarmRelation,
                        const NowFunction& now = localNow, std::string* failure = nullptr) noexcept;

bool insertIntoException(RecordSet& set, std::string_view message,
                         const NowFunction& now = localNow,
                         std::string* failure = nullptr) noexcept;

// Deletes every row: DisableControls, First, Delete until the end of the data, EnableControls,
// Refresh. True when every row went. A failing Delete ends the call with false: the rows
// deleted before it stay deleted, and the controls are enabled again (without a Refresh).
bool emptyTable(RecordSet& set, std::string* failure = nullptr) noexcept;

}  // namespace kavro
