#include "kavro/event_log.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>

#include "kavro/host_datetime.hpp"
#include "kavro/host_error.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "tests/support/table_under_test.hpp"
#include "tests/unit/recording_record_set.hpp"

namespace kavro {
namespace {

using test::Backend;
using test::RecordingRecordSet;
using test::TableUnderTest;
using Strings = std::vector<std::string>;

const HostDateTime kNow = toHostDateTime({2005, 12, 9, 13, 45, 30, 250});
const NowFunction fixedNow = [] { return kNow; };

const Strings kLogColumns = {"Operator", "LogType", "Time", "Action"};
const Strings kAlarmColumns = {"AlarmSwitch", "AlarmType", "Time", "CaptureRelation",
                               "AlarmRelation"};
const Strings kExceptionColumns = {"Message", "Dat"};

// ---- The order of the steps, on a record set that writes each one down --------------------

class StepOrder : public testing::Test {
  protected:
    NowFunction recordingNow(RecordingRecordSet& set) {
        return [&set] {
            set.log.push_back("now");
            return kNow;
        };
    }
    const std::string nowText = Variant(kNow).toText();
};

TEST_F(StepOrder, OperatorLogRow) {
    RecordingRecordSet set(kLogColumns);
    ASSERT_TRUE(insertIntoLog(set, 5, -2, "Pan left", recordingNow(set)));
    EXPECT_EQ(set.log,
              (Strings{"append", "field Operator", "Operator := 5", "field LogType",
                       "LogType := -2", "field Time", "now", "Time := date-time " + nowText,
                       "field Action", "Action := Pan left", "post"}));
}

TEST_F(StepOrder, AlarmLogRow) {
    RecordingRecordSet set(kAlarmColumns);
    ASSERT_TRUE(insertIntoAlarmLog(set, 1, 2, 3, 4, recordingNow(set)));
    EXPECT_EQ(set.log,
              (Strings{"append", "field AlarmSwitch", "AlarmSwitch := 1", "field AlarmType",
                       "AlarmType := 2", "field Time", "now", "Time := date-time " + nowText,
                       "field CaptureRelation", "CaptureRelation := 3", "field AlarmRelation",
                       "AlarmRelation := 4", "post"}));
}

TEST_F(StepOrder, ExceptionRow) {
    RecordingRecordSet set(kExceptionColumns);
    ASSERT_TRUE(insertIntoException(set, "disk full", recordingNow(set)));
    EXPECT_EQ(set.log, (Strings{"append", "field Message", "Message := disk full", "field Dat",
                                "now", "Dat := date-time " + nowText, "post"}));
}

TEST_F(StepOrder, MissingFieldCancelsTheHalfFilledRow) {
    RecordingRecordSet set({"Operator", "LogType", "Time"});
    std::string why;
    EXPECT_FALSE(insertIntoLog(set, 5, 6, "x", recordingNow(set), &why));
    EXPECT_EQ(set.log, (Strings{"append", "field Operator", "Operator := 5", "field LogType",
                                "LogType := 6", "field Time", "now", "Time := date-time " + nowText,
                                "field Action", "cancel"}));
    EXPECT_NE(why.find("Action"), std::string::npos) << why;
    EXPECT_FALSE(set.inserting());
    EXPECT_EQ(set.inner().rowCount(), 0u);
}

TEST_F(StepOrder, RefusedAppendAndRefusedPostCancel) {
    RecordingRecordSet readOnly(kExceptionColumns);
    readOnly.inner().setReadOnly(true);
    EXPECT_FALSE(insertIntoException(readOnly, "m", fixedNow));
    EXPECT_EQ(readOnly.log, (Strings{"append", "cancel"}));

    RecordingRecordSet required({"Message", "Dat", "Site"});
    required.inner().setRequired("Site");
    EXPECT_FALSE(insertIntoException(required, "m", fixedNow));
    EXPECT_EQ(required.log.back(), "cancel");
    EXPECT_EQ(required.log[required.log.size() - 2], "post");
    EXPECT_EQ(required.inner().rowCount(), 0u);
}

TEST_F(StepOrder, EmptyTableDeletesFirstUntilTheEnd) {
    RecordingRecordSet set({"Name"});
    set.inner().addRow({Variant("a")});
    set.inner().addRow({Variant("b")});
    ASSERT_TRUE(emptyTable(set));
    EXPECT_EQ(set.log, (Strings{"disableControls", "first", "delete", "delete", "enableControls",
                                "refresh"}));
    EXPECT_EQ(set.inner().rowCount(), 0u);

    set.log.clear();
    ASSERT_TRUE(emptyTable(set));  // already empty: nothing to delete, still true
    EXPECT_EQ(set.log, (Strings{"disableControls", "first", "enableControls", "refresh"}));
    EXPECT_EQ(set.inner().controlsDisabled(), 0);
}

TEST_F(StepOrder, FailedDeleteEndsEmptyTableWithControlsEnabledAgain) {
    RecordingRecordSet set({"Name"});
    set.inner().addRow({Variant("a")});
    set.inner().setReadOnly(true);
    EXPECT_FALSE(emptyTable(set));
    EXPECT_EQ(set.log, (Strings{"disableControls", "first", "delete", "enableControls"}));
    EXPECT_EQ(set.inner().controlsDisabled(), 0);
    EXPECT_EQ(set.inner().refreshCount(), 0);
    EXPECT_EQ(set.inner().rowCount(), 1u);
}

// ---- The rows written, on both record sets -------------------------------------------------

class LogRows : public testing::TestWithParam<Backend> {
  protected:
    TableUnderTest table(const Strings& columns,
                         const std::vector<std::vector<Variant>>& rows = {}) {
        return TableUnderTest(GetParam(), dir, columns, rows);
    }
    test::TempDir dir;
};

TEST_P(LogRows, OperatorRowsKeepTheirValuesAndTheMoment) {
    struct Case {
        std::int32_t operatorId, logType;
        std::string action;
    };
    const Case cases[] = {
        {7, 1, "Pan left"},
        {INT32_MIN, INT32_MAX, "\xCC\xE1\xCA\xBE"},  // GBK text stays its bytes
        {-1, 0, ""},
    };
    auto log = table(kLogColumns);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        ASSERT_TRUE(insertIntoLog(log.set(), c.operatorId, c.logType, c.action, fixedNow)) << i;
        EXPECT_FALSE(log.set().inserting());
        ASSERT_EQ(log.rowCount(), i + 1);
        EXPECT_EQ(log.cell(i, "Operator").toInt32(), c.operatorId);
        EXPECT_EQ(log.cell(i, "LogType").toInt32(), c.logType);
        EXPECT_EQ(log.cell(i, "Action").toText(), c.action);
        const auto time = log.dateTime(i, "Time");
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(toIsoText(*time), toIsoText(kNow));  // the same moment, to the millisecond
    }
}

TEST_P(LogRows, AlarmRowTakesItsIntegersInOrder) {
    auto alarms = table(kAlarmColumns);
    ASSERT_TRUE(insertIntoAlarmLog(alarms.set(), 11, -22, 33, 44, fixedNow));
    ASSERT_EQ(alarms.rowCount(), 1u);
    EXPECT_EQ(alarms.cell(0, "AlarmSwitch").toInt32(), 11);
    EXPECT_EQ(alarms.cell(0, "AlarmType").toInt32(), -22);
    EXPECT_EQ(alarms.cell(0, "CaptureRelation").toInt32(), 33);
    EXPECT_EQ(alarms.cell(0, "AlarmRelation").toInt32(), 44);
    EXPECT_EQ(toIsoText(*alarms.dateTime(0, "Time")), toIsoText(kNow));
}

TEST_P(LogRows, ExceptionRowWithAnEmptyMessage) {
    auto exceptions = table(kExceptionColumns);
    ASSERT_TRUE(insertIntoException(exceptions.set(), "", fixedNow));
    ASSERT_EQ(exceptions.rowCount(), 1u);
    EXPECT_EQ(exceptions.cell(0, "Message"), Variant(""));  // the empty text, not NULL
    EXPECT_EQ(toIsoText(*exceptions.dateTime(0, "Dat")), toIsoText(kNow));
}

TEST_P(LogRows, TheLiveClockStampsTheLocalTime) {
    auto exceptions = table(kExceptionColumns);
    const HostDateTime before = localNow();
    ASSERT_TRUE(insertIntoException(exceptions.set(), "m"));
    const HostDateTime after = localNow();
    const auto stamped = exceptions.dateTime(0, "Dat");
    ASSERT_TRUE(stamped.has_value());
    const double millisecond = 1.0 / 86'400'000;
    EXPECT_GE(*stamped, before - millisecond);
    EXPECT_LE(*stamped, after + millisecond);
}

TEST_P(LogRows, ATableWithoutOneOfTheFieldsGainsNoRow) {
    struct Case {
        const char* what;
        Strings columns;
        bool (*insert)(RecordSet&);
    };
    const Case cases[] = {
        {"log without Action",
         {"Operator", "LogType", "Time"},
         [](RecordSet& s) { return insertIntoLog(s, 1, 2, "a", fixedNow); }},
        {"log without Time",
         {"Operator", "LogType", "Action"},
         [](RecordSet& s) { return insertIntoLog(s, 1, 2, "a", fixedNow); }},
        {"alarm without AlarmRelation",
         {"AlarmSwitch", "AlarmType", "Time", "CaptureRelation"},
         [](RecordSet& s) { return insertIntoAlarmLog(s, 1, 2, 3, 4, fixedNow); }},
        {"exception without Dat",
         {"Message"},
         [](RecordSet& s) { return insertIntoException(s, "m", fixedNow); }},
    };
    for (const Case& c : cases) {
        test::TempDir own;
        TableUnderTest t(GetParam(), own, c.columns);
        EXPECT_FALSE(c.insert(t.set())) << c.what;
        EXPECT_FALSE(t.set().inserting()) << c.what;
        EXPECT_EQ(t.rowCount(), 0u) << c.what;
        EXPECT_TRUE(emptyTable(t.set())) << c.what;  // and the record set serves the next call
    }
}

TEST_P(LogRows, EmptyTableRemovesEveryRow) {
    auto t =
        table({"Name", "ID"},
              {{Variant("a"), Variant(1)}, {Variant("b"), Variant(2)}, {Variant("c"), Variant(3)}});
    t.set().locate("Name", Variant("b"), {});  // wherever the record set stands
    ASSERT_TRUE(emptyTable(t.set()));
    EXPECT_EQ(t.rowCount(), 0u);
    EXPECT_TRUE(t.set().eof());
    EXPECT_TRUE(emptyTable(t.set()));
}

INSTANTIATE_TEST_SUITE_P(BothRecordSets, LogRows, testing::Values(Backend::Memory, Backend::Sqlite),
                         test::backendName);

// ---- What a SQLite database refuses ---------------------------------------------------------

class SqliteRefusals : public testing::Test {
  protected:
    test::TempDir dir;
    std::string path = dir.file("log.db");
    std::size_t rows() { return std::stoul(test::queryText(path, "SELECT count(*) FROM Log")); }
};

// A second connection holding the write lock, as another program of the system might.
class WriteLock {
  public:
    explicit WriteLock(const std::string& path) {
        sqlite3_open(path.c_str(), &db_);
        sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    ~WriteLock() { release(); }
    void release() {
        if (db_ == nullptr) return;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }

  private:
    sqlite3* db_ = nullptr;
};

TEST_F(SqliteRefusals, RefusedRowsLeaveNoTraceAndTheRecordSetServesOn) {
    enum class Open { Normal, ReadOnlyOption, ReadOnlyUri, Locked };
    struct Case {
        const char* what;
        const char* schema;
        Open open;
        std::int32_t operatorId;
        bool nextSucceeds;  // once the obstacle is gone, or with an operator the table takes
    };
    const Case cases[] = {
        {"NOT NULL column left unset",
         "CREATE TABLE Log (Operator, LogType, Time, Action, Site TEXT NOT NULL)", Open::Normal, 1,
         false},
        {"CHECK refusing the operator",
         "CREATE TABLE Log (Operator CHECK (Operator >= 0), LogType, Time, Action)", Open::Normal,
         -1, true},
        {"read-only option", "CREATE TABLE Log (Operator, LogType, Time, Action)",
         Open::ReadOnlyOption, 1, false},
        {"read-only URI", "CREATE TABLE Log (Operator, LogType, Time, Action)", Open::ReadOnlyUri,
         1, false},
        {"locked by another connection", "CREATE TABLE Log (Operator, LogType, Time, Action)",
         Open::Locked, 1, true},
        {"no Action field", "CREATE TABLE Log (Operator, LogType, Time)", Open::Normal, 1, false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path);
        test::makeDatabase(path, c.schema);
        SqliteOpenOptions options;
        options.readOnly = c.open == Open::ReadOnlyOption;
        options.busyTimeoutMs = 20;
        const std::string name = c.open == Open::ReadOnlyUri ? "file:" + path + "?mode=ro" : path;
        SqliteRecordSet set(name, "Log", options);
        WriteLock lock(path);
        if (c.open != Open::Locked) lock.release();

        std::string why;
        EXPECT_FALSE(insertIntoLog(set, c.operatorId, 2, "a", fixedNow, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        EXPECT_FALSE(set.inserting()) << c.what;
        lock.release();
        EXPECT_EQ(rows(), 0u) << c.what;

        EXPECT_EQ(insertIntoLog(set, 1, 2, "a", fixedNow), c.nextSucceeds) << c.what;
        EXPECT_EQ(rows(), c.nextSucceeds ? 1u : 0u) << c.what;
        EXPECT_FALSE(set.inserting()) << c.what;
    }
}

TEST_F(SqliteRefusals, ARowReportedPostedIsInTheFileAndReadsAsADate) {
    test::makeDatabase(path,
                       "CREATE TABLE Log (Operator INTEGER, LogType INTEGER, Time DATETIME, "
                       "Action TEXT)");
    {
        SqliteRecordSet set(path, "log");
        ASSERT_TRUE(insertIntoLog(set, 3, 4, "Zoom in", fixedNow));
    }
    EXPECT_EQ(test::queryText(path, "SELECT Time FROM Log"), "2005-12-09 13:45:30.250");
    EXPECT_EQ(test::queryText(path, "SELECT date(Time, '+1 day') FROM Log"), "2005-12-10");
}

}  // namespace
}  // namespace kavro
