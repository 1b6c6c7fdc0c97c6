#include "kavro/event_log.hpp"

#include <exception>
#include <optional>

namespace kavro {
namespace {

void noteFailure(std::string* failure) noexcept {
    if (failure == nullptr) return;
    try {
        throw;
    } catch (const std::exception& error) {
        try {
            *failure = error.what();
        } catch (...) {
            failure->clear();
        }
    } catch (...) {
        failure->clear();
    }
}

// Appends one row with `fill` writing its fields, and posts it. On any failure the pending row
// is dropped, so the record set is never left half-way through an insert.
template <class Fill>
bool appendRow(RecordSet& set, std::string* failure, Fill&& fill) noexcept {
    // The pending row is the record set's one: another thread's insert must not start its own,
    // fill this one's fields or post it until this one is posted or dropped.
    std::optional<RecordSet::Hold> hold;
    try {
        hold.emplace(set);
        set.append();
        fill();
        set.post();
        return true;
    } catch (...) {
        noteFailure(failure);
        if (!hold) return false;  // the lock was not had: the pending row is another's
        try {
            set.cancel();
        } catch (...) {
            // Nothing more can be undone; the insert has failed either way.
        }
        return false;
    }
}

}  // namespace

bool insertIntoLog(RecordSet& set, std::int32_t operatorId, std::int32_t logType,
                   std::string_view action, const NowFunction& now, std::string* failure) noexcept {
    return appendRow(set, failure, [&] {
        set.fieldByName("Operator").setInteger(operatorId);
        set.fieldByName("LogType").setInteger(logType);
        Field& time = set.fieldByName("Time");
        time.setDateTime(now());
        set.fieldByName("Action").setString(action);
    });
}

bool insertIntoAlarmLog(RecordSet& set, std::int32_t alarmSwitch, std::int32_t alarmType,
                        std::int32_t captureRelation, std::int32_t alarmRelation,
                        const NowFunction& now, std::string* failure) noexcept {
    return appendRow(set, failure, [&] {
        set.fieldByName("AlarmSwitch").setInteger(alarmSwitch);
        set.fieldByName("AlarmType").setInteger(alarmType);
        Field& time = set.fieldByName("Time");
        time.setDateTime(now());
        set.fieldByName("CaptureRelation").setInteger(captureRelation);
        set.fieldByName("AlarmRelation").setInteger(alarmRelation);
    });
}

bool insertIntoException(RecordSet& set, std::string_view message, const NowFunction& now,
                         std::string* failure) noexcept {
    return appendRow(set, failure, [&] {
        set.fieldByName("Message").setString(message);
        Field& dat = set.fieldByName("Dat");
        dat.setDateTime(now());
    });
}

bool emptyTable(RecordSet& set, std::string* failure) noexcept {
    bool disabled = false;
    std::optional<RecordSet::Hold> hold;  // the walk moves the current row
    try {
        hold.emplace(set);
        set.disableControls();
        disabled = true;
        set.first();
        while (!set.eof())
            set.deleteRow();  // the following row becomes current
        disabled = false;
        set.enableControls();
        set.refresh();
        return true;
    } catch (...) {
        noteFailure(failure);
        // Bound controls are not left suspended by a failed call; the rows already deleted stay
        // deleted.
        if (disabled) {
            try {
                set.enableControls();
            } catch (...) {
            }
        }
        return false;
    }
}

}  // namespace kavro
