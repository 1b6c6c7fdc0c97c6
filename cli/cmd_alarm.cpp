// kavro alarm: one row of the alarm log.
#include "cli/command.hpp"
#include "cli/host_table.hpp"
#include "kavro/event_log.hpp"

namespace kavro::cli {
namespace {

int runAlarm(const CommandLine& line) {
    const auto& args = line.positional();
    if (args.size() != 4) throw UsageError("give SWITCH TYPE CAPTURE ALARM");
    const std::int32_t alarmSwitch = parseInteger(args[0], "SWITCH");
    const std::int32_t alarmType = parseInteger(args[1], "TYPE");
    const std::int32_t capture = parseInteger(args[2], "CAPTURE");
    const std::int32_t alarm = parseInteger(args[3], "ALARM");
    HostTable table = openHostTable(line);
    std::string why;
    if (!insertIntoAlarmLog(*table.set, alarmSwitch, alarmType, capture, alarm, localNow, &why)) {
        throw Failure("no row was added to " + table.name + ": " + why);
    }
    return kExitOk;
}

const Command& alarmCommand() {
    static const Command command{
        "alarm",
        "alarm --db PATH --table NAME SWITCH TYPE CAPTURE ALARM",
        "Appends one row to the alarm log: AlarmSwitch = SWITCH, AlarmType = TYPE, Time = the\n"
        "local date and time now, CaptureRelation = CAPTURE, AlarmRelation = ALARM. A row the\n"
        "table refuses is not added.\n"
        "\n"
        "  --db PATH       SQLite database file, or the postgresql://... URI of a\n"
        "                  PostgreSQL database\n"
        "  --table NAME    the alarm log table\n"
        "\n"
        "Example:\n"
        "  kavro alarm --db site.db --table AlarmLog 3 1 12 0\n",
        {kHostTableOptions[0], kHostTableOptions[1]},
        runAlarm,
    };
    return command;
}

const CommandRegistration registration{alarmCommand};

}  // namespace
}  // namespace kavro::cli
