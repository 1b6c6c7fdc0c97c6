// A table of a PostgreSQL database as the record set, against a real server (the run's test
// cluster, tests/support/pg_cluster.hpp): what the SQLite table does, and what only a database
// server can do to its clients (other clients, refusals, a server that hangs or goes away).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "kavro/event_log.hpp"
#include "kavro/host_error.hpp"
#include "kavro/name_lookup.hpp"
#include "kavro/pg_record_set.hpp"
#include "kavro/record_set_snapshot.hpp"
#include "tests/support/pg_cluster.hpp"
#include "tests/support/process.hpp"

namespace kavro {
namespace {

using Clock = std::chrono::steady_clock;

class PgTable : public testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        cluster = test::PgCluster::shared(why);
        std::string notInstalled;
        if (cluster == nullptr && test::PgCluster::serverInstalled(notInstalled)) FAIL() << why;
        if (cluster == nullptr) GTEST_SKIP() << why;
        schema = cluster->freshSchema();
    }
    std::string sql(const std::string& text) { return cluster->sql(text, schema); }
    // The schema's tables; application_name tells this test's connections apart on the server.
    std::string uri(const std::string& name = "kavro_test") const {
        return cluster->uri(schema) + "&application_name=" + name;
    }
    // The server process serving the record set's connection.
    pid_t backendOf(const std::string& name) {
        return static_cast<pid_t>(std::stol(
            sql("SELECT pid FROM pg_stat_activity WHERE application_name = '" + name + "'")));
    }
    test::PgCluster* cluster = nullptr;
    std::string schema;
};

// Only the fixed time matters in these rows.
HostDateTime fixedNow() {
    return 38695.5;  // 2005-12-09 12:00
}

TEST_F(PgTable, GbkTextCrossesByteForByte) {
    sql("CREATE TABLE \"Log\" (\"ID\" integer PRIMARY KEY, \"Action\" text,"
        " \"Time\" timestamp without time zone)");
    const std::string texts[] = {
        "\xCC\xE1\xCA\xBE",    // two double-byte characters
        "\x95\x5C|\x81\x40",   // trail bytes that are ASCII '\' and '@'
        "it's \"q\" \\ %_ ;",  // quotes, escapes and pattern characters
        "",
    };
    {
        PgRecordSet set(uri(), "log");
        for (int i = 0; i < 4; ++i) {
            set.append();
            set.fieldByName("ID").setInteger(i);
            set.fieldByName("Action").setString(texts[i]);
            set.fieldByName("Time").setDateTime(fixedNow());
            set.post();
        }
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(set.locate("ID", Variant(i), {}));
            EXPECT_EQ(set.fieldByName("Action").asString(), texts[i]) << i;
        }
        // Prefixes compare the bytes, even one that ends inside a double-byte character.
        for (const char* prefix : {"\xCC", "\xCC\xE1", "\xCC\xE1\xCA"}) {
            ASSERT_TRUE(set.locate("Action", Variant(prefix), {.partialKey = true}));
            EXPECT_EQ(set.fieldByName("ID").asInteger(), 0);
        }
        EXPECT_FALSE(set.locate("Action", Variant("\xCC\xE2"), {.partialKey = true}));
        EXPECT_EQ(set.fieldByName("Time").asString(), "2005-12-09 12:00:00");
    }
    // The server holds the characters themselves (here in UTF-8), and a real timestamp.
    EXPECT_EQ(sql("SELECT \"Action\" FROM \"Log\" WHERE \"ID\" = 0"), "\xE6\x8F\x90\xE7\xA4\xBA");
    EXPECT_EQ(sql("SELECT \"Time\" + interval '1 day' FROM \"Log\" WHERE \"ID\" = 0"),
              "2005-12-10 12:00:00");
}

TEST_F(PgTable, RefusesWhatCannotBeOpened) {
    sql("CREATE TABLE plain (a integer); CREATE TABLE keyed (k integer PRIMARY KEY)");
    try {
        PgRecordSet set(uri(), "plain");
        FAIL() << "opened a table without a primary key";
    } catch (const HostError& e) {
        EXPECT_EQ(e.code(), HostErrorCode::DatabaseError);
        EXPECT_NE(std::string(e.what()).find("no primary key"), std::string::npos) << e.what();
    }
    EXPECT_THROW(PgRecordSet(uri(), "nope"), HostError);
    // a table name is looked up, never spliced into SQL
    EXPECT_THROW(PgRecordSet(uri(), "keyed; DROP TABLE keyed"), HostError);
    EXPECT_NO_THROW(PgRecordSet(uri(), "KEYED"));
    EXPECT_EQ(sql("SELECT count(*) FROM keyed"), "0");
    // no server at all: refused at once
    const auto start = Clock::now();
    EXPECT_THROW(PgRecordSet("postgresql:///postgres?host=/nonexistent", "keyed"), HostError);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(PgTable, NumbersReadAndMatchAsNumbers) {
    sql("CREATE TABLE t (k integer PRIMARY KEY, i bigint, n numeric(8, 2), w numeric, r double "
        "precision, s text);"
        "INSERT INTO t VALUES (1, 7, 7.50, 5, 0.25, '7'), (2, -3, 2, 6, 1e300, 'x')");
    PgRecordSet set(uri(), "t");
    struct Case {
        const char* column;
        Variant key;
        int row;  // 0: no match
    } cases[] = {
        {"i", Variant(7), 1},    {"i", Variant(-3.0), 2},  {"i", Variant("7"), 1},
        {"n", Variant(7.5), 1},  {"n", Variant(2), 2},     {"w", Variant(6), 2},
        {"r", Variant(0.25), 1}, {"r", Variant(1e300), 2}, {"s", Variant(7), 1},
        {"i", Variant(8), 0},    {"n", Variant(7), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " = " + c.key.toText());
        const bool found = set.locate(c.column, c.key, {});
        EXPECT_EQ(found, c.row != 0);
        if (found) {
            EXPECT_EQ(set.fieldByName("k").asInteger(), c.row);
        }
    }
    ASSERT_TRUE(set.locate("k", Variant(1), {}));
    EXPECT_EQ(set.fieldByName("i").value(), Variant(7));
    EXPECT_EQ(set.fieldByName("n").value(), Variant(7.5));
    EXPECT_EQ(set.fieldByName("w").value(), Variant(5));  // a whole numeric is an integer
    EXPECT_EQ(set.fieldByName("r").value(), Variant(0.25));
    EXPECT_EQ(set.fieldByName("s").value(), Variant("7"));
}

TEST_F(PgTable, ASnapshotIsTheTableInKeyOrderAsItWas) {
    sql("CREATE TABLE \"Protocol\" (\"ID\" integer PRIMARY KEY, \"Length\" integer);"
        "INSERT INTO \"Protocol\" VALUES (7, 7), (2, 2)");
    std::unique_ptr<MemoryRecordSet> copy;
    {
        PgRecordSet source(uri(), "protocol", {.readOnly = true});
        copy = snapshotOf(source);
    }
    sql("UPDATE \"Protocol\" SET \"Length\" = 0");
    ASSERT_EQ(copy->rowCount(), 2u);
    EXPECT_EQ(copy->cell(0, "ID"), Variant(2));
    ASSERT_TRUE(copy->locate("ID", Variant(7), {}));
    EXPECT_EQ(copy->fieldByName("Length").asInteger(), 7);
}

TEST_F(PgTable, QuotesOddNames) {
    sql("CREATE TABLE \"odd \"\"t\" (\"we\"\"ird\" integer PRIMARY KEY, \"Up\" integer);"
        "INSERT INTO \"odd \"\"t\" VALUES (1, 2)");
    PgRecordSet set(uri(), "odd \"t");
    ASSERT_TRUE(set.locate("we\"ird", Variant(1), {}));
    EXPECT_EQ(set.fieldByName("up").asInteger(), 2);
}

TEST_F(PgTable, FollowsACompositeKeyAsOtherClientsChangeTheTable) {
    sql("CREATE TABLE t (a integer, b text, v integer, PRIMARY KEY (b, a));"
        "INSERT INTO t VALUES (2, 'x', 1), (1, 'y', 2), (1, 'x', 3), (5, 'w', 4)");
    PgRecordSet set(uri(), "t");
    std::vector<int> order;
    for (set.first(); !set.eof(); set.next())
        order.push_back(set.fieldByName("v").asInteger());
    EXPECT_EQ(order, (std::vector<int>{4, 3, 1, 2}));  // (w,5) (x,1) (x,2) (y,1)

    ASSERT_TRUE(set.locate("v", Variant(3), {}));
    sql("DELETE FROM t WHERE v = 3; INSERT INTO t VALUES (3, 'x', 9)");
    set.refresh();  // the current row went: the next one in key order is current
    EXPECT_EQ(set.fieldByName("v").asInteger(), 1);
    set.next();
    EXPECT_EQ(set.fieldByName("v").asInteger(), 9);  // met as the table now stands
    set.next();
    EXPECT_EQ(set.fieldByName("v").asInteger(), 2);
    EXPECT_TRUE(emptyTable(set));
    EXPECT_EQ(sql("SELECT count(*) FROM t"), "0");
}

TEST_F(PgTable, RefusedPostsAddNoRow) {
    sql("CREATE TABLE \"OperatorLog\" (\"ID\" serial PRIMARY KEY,"
        " \"Operator\" integer CHECK (\"Operator\" > 0), \"LogType\" integer,"
        " \"Time\" timestamp without time zone, \"Action\" text);"
        "CREATE ROLE " +
        schema + "_reader LOGIN; CREATE ROLE " + schema + "_ro LOGIN; ALTER ROLE " + schema +
        "_ro SET default_transaction_read_only = on;"
        "GRANT USAGE ON SCHEMA " +
        schema + " TO " + schema + "_reader, " + schema + "_ro;" +
        "GRANT SELECT ON \"OperatorLog\" TO " + schema +
        "_reader; GRANT ALL ON \"OperatorLog\", \"OperatorLog_ID_seq\" TO " + schema + "_ro");
    const std::string asReader = uri() + "&user=" + schema + "_reader";
    const std::string asReadOnlyRole = uri() + "&user=" + schema + "_ro";
    struct Case {
        const char* what;
        std::string connection;
        std::int32_t operatorId;
        bool readOnly;
    } cases[] = {
        {"a constraint", uri(), -1, false},
        {"the record set opened read-only", uri(), 7, true},
        {"a read-only transaction", asReadOnlyRole, 7, false},
        {"no privilege", asReader, 7, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PgRecordSet set(c.connection, "OperatorLog", {.readOnly = c.readOnly});
        std::string why;
        EXPECT_FALSE(insertIntoLog(set, c.operatorId, 2, "refused", fixedNow, &why));
        EXPECT_FALSE(set.inserting());
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(sql("SELECT count(*) FROM \"OperatorLog\""), "0");

    // The server ends the connection: that insert fails, the next one connects again.
    PgRecordSet set(uri("kavro_gone"), "OperatorLog");
    sql("SELECT pg_terminate_backend(" + std::to_string(backendOf("kavro_gone")) + ")");
    EXPECT_FALSE(insertIntoLog(set, 7, 2, "lost", fixedNow));
    EXPECT_TRUE(insertIntoLog(set, 7, 2, "kept", fixedNow));
    EXPECT_EQ(sql("SELECT string_agg(\"Action\", ',') FROM \"OperatorLog\""), "kept");
}

TEST_F(PgTable, TwoProcessesInsertingLoseNoRow) {
    sql("CREATE TABLE \"OperatorLog\" (\"ID\" bigserial PRIMARY KEY, \"Operator\" integer,"
        " \"LogType\" integer, \"Time\" timestamp without time zone, \"Action\" text)");
    const std::string connection = uri();
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            int failed = 0;
            try {
                PgRecordSet set(connection, "OperatorLog");
                for (int i = 0; i < 1000; ++i) {
                    if (!insertIntoLog(set, child + 1, i, "row " + std::to_string(i))) ++failed;
                }
            } catch (...) {
                failed = 1;
            }
            ::_exit(failed == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(sql("SELECT count(DISTINCT (\"Operator\", \"LogType\")) FROM \"OperatorLog\""),
              "2000");
}

TEST_F(PgTable, AHungServerFailsTheCallWithinItsDeadline) {
    sql("CREATE TABLE \"Protocol\" (\"ID\" integer PRIMARY KEY, \"Length\" integer);"
        "INSERT INTO \"Protocol\" VALUES (2, 2)");
    PgRecordSet set(uri("kavro_hung"), "Protocol", {.statementTimeoutMs = 200});
    const pid_t backend = backendOf("kavro_hung");
    ASSERT_EQ(::kill(backend, SIGSTOP), 0);
    const auto start = Clock::now();
    bool threw = false;
    try {
        set.locate("ID", Variant(2), {});
    } catch (const HostError& e) {
        threw = e.code() == HostErrorCode::DatabaseError;
    }
    const auto took = Clock::now() - start;
    ::kill(backend, SIGCONT);
    EXPECT_TRUE(threw);
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    // the next call works on a new connection
    EXPECT_TRUE(set.locate("ID", Variant(2), {}));
    EXPECT_EQ(set.fieldByName("Length").asInteger(), 2);
}

// A server of its own, since it is stopped.
TEST_F(PgTable, AStoppedServerFailsTheNextCallWithinItsDeadline) {
    std::string why;
    std::unique_ptr<test::PgCluster> own = test::PgCluster::createLike(*cluster, why);
    ASSERT_TRUE(own) << why;
    own->sql(
        "CREATE TABLE \"Camera\" (\"ID\" integer PRIMARY KEY, \"Name\" text);"
        "INSERT INTO \"Camera\" VALUES (3, 'Gate')");
    PgRecordSet set(own->uri(), "Camera");
    EXPECT_EQ(nameToId(set, "Gate"), 3);
    own->stop();
    const auto start = Clock::now();
    EXPECT_THROW(nameToId(set, "Gate"), HostError);
    EXPECT_FALSE(insertIntoLog(set, 7, 2, "x", fixedNow));
    EXPECT_THROW(set.refresh(), HostError);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

TEST_F(PgTable, ToolTakesAConnectionUriForDb) {
    sql("CREATE TABLE \"Protocol\" (\"ID\" integer PRIMARY KEY, \"Length\" integer,"
        " \"BaseAddress\" integer, \"Up\" integer);"
        "INSERT INTO \"Protocol\" VALUES (2, 2, 0, 4660);"
        "CREATE TABLE \"Camera\" (\"ID\" integer PRIMARY KEY, \"Name\" text);"
        "INSERT INTO \"Camera\" VALUES (3, 'Gate'), (7, 'Gate 2');"
        "CREATE TABLE \"OperatorLog\" (\"ID\" serial PRIMARY KEY, \"Operator\" integer,"
        " \"LogType\" integer, \"Time\" timestamp without time zone, \"Action\" text)");
    auto kavro = [](std::vector<std::string> args) {
        args.insert(args.begin(), test::toolPath());
        return test::runProcess(args);
    };
    // postgres:// is the other spelling libpq takes
    std::string other = uri();
    other.replace(0, std::string("postgresql").size(), "postgres");
    const auto decoder =
        kavro({"decoder", "--db", other, "--protocol", "2", "--camera", "5", "Up"});
    EXPECT_EQ(decoder.exitCode, 0) << decoder.err;
    EXPECT_EQ(decoder.out, "write 05 34\n");
    const auto id = kavro({"name-to-id", "--db", uri(), "--table", "camera", "Gate 2"});
    EXPECT_EQ(id.out, "7\n") << id.err;
    const auto log = kavro({"log", "--db", uri(), "--table", "OperatorLog", "--operator", "7",
                            "--type", "2", "\xCC\xE1\xCA\xBE"});
    EXPECT_EQ(log.exitCode, 0) << log.err;
    EXPECT_EQ(sql("SELECT \"Action\" FROM \"OperatorLog\""), "\xE6\x8F\x90\xE7\xA4\xBA");
    // schema makes SQLite tables only (no primary keys), and says so
    EXPECT_EQ(kavro({"schema", "--db", uri()}).exitCode, 1);
    EXPECT_EQ(sql("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()"), "3");
    // a password in the URI stays out of the message
    const auto refused = kavro({"name-to-id", "--db", "postgresql://u:secret@/x?host=/nonexistent",
                                "--table", "camera", "Gate"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.find("secret"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("postgresql://u:...@/x"), std::string::npos) << refused.err;
}

}  // namespace
}  // namespace kavro
