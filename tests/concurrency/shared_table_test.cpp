// One protocol table, one log table and one lookup table shared by eight threads, as a host
// with one database connection and several lines has them. Every thread sends through its own
// protocol row with a command of its own, all on one line under one busy flag, so a row read
// that another thread's Locate moved in the middle shows as a wrong byte, and a record set used
// by two threads at once as a lost or garbled command (and a report under ThreadSanitizer).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <latch>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/event_log.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/name_lookup.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using namespace std::chrono_literals;

constexpr int kThreads = 8;
constexpr int kCallsEach = 30;

void shortPoll(std::chrono::milliseconds) {
    std::this_thread::sleep_for(50us);
}

// Thread t's row: its protocol (decoders 2, 3, 6, 26 send w C0; domes 23, 44 send seven bytes,
// 11, 22 eight), a BaseAddress of its own, and codes whose every byte is 16 t + k in field Cmdk,
// so that a code read from another thread's row or field differs in every byte.
struct ThreadRow {
    int protocol;
    int length;
    bool dome;
};
constexpr ThreadRow kRows[kThreads] = {{2, 2, false}, {3, 2, false}, {6, 2, false}, {26, 2, false},
                                       {23, 7, true}, {44, 7, true}, {11, 8, true}, {22, 8, true}};

std::vector<std::string> columns() {
    std::vector<std::string> names{"ID", "Length", "BaseAddress", "StayTime", "Slowest", "Fastest"};
    for (int k = 0; k < kThreads; ++k)
        names.push_back("Cmd" + std::to_string(k));
    return names;
}

long long codeOf(int t, int k) {
    const long long b = 16 * t + k;
    return (b << 24) | (b << 16) | (b << 8) | b;
}

int baseOf(int t) {
    return 20 * t;
}

std::unique_ptr<MemoryRecordSet> memoryTable() {
    auto table = std::make_unique<MemoryRecordSet>(columns());
    for (int t = 0; t < kThreads; ++t) {
        std::vector<Variant> row{Variant(kRows[t].protocol),
                                 Variant(kRows[t].length),
                                 Variant(baseOf(t)),
                                 Variant(t),
                                 Variant(0),
                                 Variant(63)};
        for (int k = 0; k < kThreads; ++k)
            row.emplace_back(codeOf(t, k));
        table->addRow(std::move(row));
    }
    return table;
}

std::unique_ptr<SqliteRecordSet> sqliteTable(const std::string& path) {
    std::string sql = "CREATE TABLE Protocol (";
    const std::vector<std::string> names = columns();
    for (std::size_t i = 0; i < names.size(); ++i)
        sql += (i == 0 ? "" : ", ") + names[i] + " INTEGER";
    sql += ");";
    for (int t = 0; t < kThreads; ++t) {
        sql += "INSERT INTO Protocol VALUES (" + std::to_string(kRows[t].protocol) + ", " +
               std::to_string(kRows[t].length) + ", " + std::to_string(baseOf(t)) + ", " +
               std::to_string(t) + ", 0, 63";
        for (int k = 0; k < kThreads; ++k)
            sql += ", " + std::to_string(codeOf(t, k));
        sql += ");";
    }
    test::makeDatabase(path, sql);
    return std::make_unique<SqliteRecordSet>(path, "Protocol");
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string commandOf(int t) {
    return "Cmd" + std::to_string(t);
}

// Call i of thread t: its own camera (and, for a dome, parameter).
SendResult send(RecordSet& table, int t, int i, SerialLine& line, BusyFlag& busy) {
    const ThreadRow& row = kRows[t];
    if (row.dome) {
        return writeCommandToGlobe(line, busy, table, row.protocol, 1 + i, commandOf(t), 5, i);
    }
    return writeCommandToDecoder(line, busy, row.protocol, table, 1 + i, commandOf(t));
}

// Every thread's calls, encoded one after the other before any thread runs.
std::vector<std::vector<std::vector<std::string>>> expectedCalls(RecordSet& table) {
    std::vector<std::vector<std::vector<std::string>>> calls(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kCallsEach; ++i) {
            RecordingLine line;
            std::uint8_t byte = 0;
            BusyFlag busy(byte);
            EXPECT_TRUE(send(table, t, i, line, busy).sent());
            calls[t].push_back(linesOf(line.trace().text()));
        }
    }
    return calls;
}

// The trace must be the threads' calls, each whole, each thread's in its own order, all there.
void expectEveryCallWhole(const std::vector<std::string>& trace,
                          const std::vector<std::vector<std::vector<std::string>>>& calls) {
    std::vector<std::size_t> next(kThreads, 0);
    std::size_t at = 0;
    while (at < trace.size()) {
        bool matched = false;
        for (std::size_t t = 0; t < kThreads && !matched; ++t) {
            if (next[t] == calls[t].size()) continue;
            const std::vector<std::string>& call = calls[t][next[t]];
            if (call.size() > trace.size() - at) continue;
            if (std::equal(call.begin(), call.end(), trace.begin() + static_cast<long>(at))) {
                at += call.size();
                ++next[t];
                matched = true;
            }
        }
        ASSERT_TRUE(matched) << "no thread's next call stands whole at trace line " << at << ": "
                             << trace[at];
    }
    for (std::size_t t = 0; t < kThreads; ++t)
        EXPECT_EQ(next[t], calls[t].size()) << "calls of thread " << t << " are missing";
}

void sendFromEightThreads(RecordSet& table) {
    const auto calls = expectedCalls(table);
    RecordingLine line;
    std::uint8_t busyByte = 0;
    std::latch start(kThreads);  // all at once, not each thread done before the next begins
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            BusyFlag busy(busyByte, shortPoll);
            start.arrive_and_wait();
            for (int i = 0; i < kCallsEach; ++i) {
                const SendResult result = send(table, t, i, line, busy);
                EXPECT_TRUE(result.sent()) << "thread " << t << ": " << result.message;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(busyByte, 0);
    expectEveryCallWhole(linesOf(line.trace().text()), calls);
}

TEST(SharedTable, MemoryTableSendsEveryCommandWithItsOwnRow) {
    auto table = memoryTable();
    sendFromEightThreads(*table);
}

TEST(SharedTable, SqliteTableSendsEveryCommandWithItsOwnRow) {
    test::TempDir dir;
    auto table = sqliteTable(dir.file("protocols.db"));
    sendFromEightThreads(*table);
}

// Inserts and lookups on shared record sets: every thread's rows arrive whole (an insert's
// fields never land in another's pending row), every lookup reads the ID of the row it found.
void logAndLookUpFromEightThreads(RecordSet& log, RecordSet& names) {
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < kCallsEach; ++i) {
                std::string failure;
                const std::string action =
                    "thread " + std::to_string(t) + " call " + std::to_string(i);
                EXPECT_TRUE(insertIntoLog(
                    log, t, i, action, [] { return 45000.5; }, &failure))
                    << failure;
                EXPECT_EQ(nameToId(names, "Name" + std::to_string(t)), 100 + t);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    std::set<std::string> rows;
    for (log.first(); !log.eof(); log.next()) {
        rows.insert(log.fieldByName("Operator").asString() + "/" +
                    log.fieldByName("LogType").asString() + "/" +
                    log.fieldByName("Action").asString());
    }
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(kThreads * kCallsEach));
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kCallsEach; ++i) {
            const std::string row = std::to_string(t) + "/" + std::to_string(i) + "/thread " +
                                    std::to_string(t) + " call " + std::to_string(i);
            EXPECT_EQ(rows.count(row), 1u) << row;
        }
    }
}

void addNames(RecordSet& names) {
    for (int t = 0; t < kThreads; ++t) {
        names.append();
        names.fieldByName("Name").setString("Name" + std::to_string(t));
        names.fieldByName("ID").setInteger(100 + t);
        names.post();
    }
}

TEST(SharedTable, MemoryLogAndLookupKeepEveryRowWhole) {
    MemoryRecordSet log({"Operator", "LogType", "Time", "Action"});
    MemoryRecordSet names({"Name", "ID"});
    addNames(names);
    logAndLookUpFromEightThreads(log, names);
}

TEST(SharedTable, SqliteLogAndLookupKeepEveryRowWhole) {
    test::TempDir dir;
    // Two files: the lookups' reads never wait for the inserts' write locks.
    const std::string logPath = dir.file("log.db");
    const std::string namesPath = dir.file("names.db");
    test::makeDatabase(
        logPath, "CREATE TABLE Log (Operator INTEGER, LogType INTEGER, Time TEXT, Action TEXT)");
    test::makeDatabase(namesPath, "CREATE TABLE Names (Name TEXT, ID INTEGER)");
    // Without a sync per insert: what is tested is the record set, not the disk.
    sqlite3* connection = nullptr;
    ASSERT_EQ(sqlite3_open(logPath.c_str(), &connection), SQLITE_OK);
    sqlite3_exec(connection, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    auto log = std::make_unique<SqliteRecordSet>(connection, "Log");
    SqliteRecordSet names(namesPath, "Names");
    addNames(names);
    logAndLookUpFromEightThreads(*log, names);
    log.reset();
    sqlite3_close(connection);
}

}  // namespace
}  // namespace kavro
