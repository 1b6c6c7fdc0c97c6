// kavro schema: the tables it prints or creates are the ones the log and lookup commands use.
#include <gtest/gtest.h>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

test::ProcessResult kavro(std::vector<std::string> args) {
    args.insert(args.begin(), test::toolPath());
    return test::runProcess(args);
}

TEST(SchemaTool, CreatedTablesTakeEveryLogRowAndLookup) {
    test::TempDir dir;
    const std::string db = dir.file("site.db");
    auto r = kavro({"schema", "--db", db});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(kavro({"schema", "--db", db}).exitCode, 0);  // tables already there: kept
    EXPECT_EQ(kavro({"log", "--db", db, "--table", "OperatorLog", "--operator", "7", "--type", "2",
                     "Camera 4 pan left"})
                  .exitCode,
              0);
    EXPECT_EQ(kavro({"alarm", "--db", db, "--table", "AlarmLog", "3", "1", "12", "0"}).exitCode, 0);
    EXPECT_EQ(kavro({"exception", "--db", db, "--table", "ExceptionLog", "disk full"}).exitCode, 0);
    test::makeDatabase(db, "INSERT INTO Camera (ID, Name) VALUES (4, 'Gate');");
    r = kavro({"name-to-id", "--db", db, "--table", "Camera", "Ga"});
    EXPECT_EQ(r.out, "4\n") << r.err;
    EXPECT_EQ(test::queryText(db, "SELECT count(*) FROM OperatorLog") +
                  test::queryText(db, "SELECT count(*) FROM AlarmLog") +
                  test::queryText(db, "SELECT count(*) FROM ExceptionLog"),
              "111");
}

TEST(SchemaTool, PrintsTheSameTablesAsSql) {
    test::TempDir dir;
    const auto printed = kavro({"schema"});
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    const std::string db = dir.file("printed.db");
    test::makeDatabase(db, printed.out);
    EXPECT_EQ(test::queryText(db,
                              "SELECT group_concat(name, ' ') FROM (SELECT name FROM "
                              "sqlite_master WHERE type = 'table' ORDER BY name)"),
              "AlarmLog Camera ExceptionLog OperatorLog");
    const auto unwritable = kavro({"schema", "--db", dir.file("no/such/dir/site.db")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot create the tables in "), std::string::npos)
        << unwritable.err;
}

}  // namespace
}  // namespace kavro
