// Walking a record set row by row (first, next, eof) and listing its field names, the same
// for the table in memory and the table in a SQLite file.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kavro/memory_record_set.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

// The table P (ID, Length, Up) with the IDs 4, 9 and 2, in that row order.
std::unique_ptr<RecordSet> memoryTable(const test::TempDir&) {
    auto set = std::make_unique<MemoryRecordSet>(std::vector<std::string>{"ID", "Length", "Up"});
    for (int id : {4, 9, 2})
        set->addRow({Variant(id), Variant(7)});
    return set;
}

std::unique_ptr<RecordSet> sqliteTable(const test::TempDir& dir) {
    const std::string path = dir.file("t.db");
    test::makeDatabase(
        path,
        "CREATE TABLE P (ID INTEGER, Length INTEGER, Up INTEGER);"
        "INSERT INTO P (rowid, ID, Length) VALUES (3, 4, 7), (10, 9, 7), (11, 2, 7);");
    return std::make_unique<SqliteRecordSet>(path, "P");
}

using MakeTable = std::function<std::unique_ptr<RecordSet>(const test::TempDir&)>;

class RecordSetIteration : public testing::TestWithParam<MakeTable> {
  protected:
    std::vector<int> walk(RecordSet& set) {
        std::vector<int> ids;
        for (set.first(); !set.eof(); set.next())
            ids.push_back(set.fieldByName("ID").asInteger());
        return ids;
    }
    test::TempDir dir;
};

TEST_P(RecordSetIteration, NextVisitsEveryRowInRowOrderThenStaysAtTheEnd) {
    auto set = GetParam()(dir);
    EXPECT_EQ(walk(*set), (std::vector<int>{4, 9, 2}));
    ASSERT_TRUE(set->eof());
    set->next();
    EXPECT_TRUE(set->eof());
    EXPECT_TRUE(set->fieldByName("ID").value().isEmpty());
    // A second walk starts over.
    EXPECT_EQ(walk(*set), (std::vector<int>{4, 9, 2}));
}

TEST_P(RecordSetIteration, NextContinuesFromALocatedRow) {
    auto set = GetParam()(dir);
    ASSERT_TRUE(set->locate("ID", Variant(9), {}));
    set->next();
    ASSERT_FALSE(set->eof());
    EXPECT_EQ(set->fieldByName("ID").asInteger(), 2);
}

TEST_P(RecordSetIteration, FieldNamesInColumnOrder) {
    auto set = GetParam()(dir);
    EXPECT_EQ(set->fieldNames(), (std::vector<std::string>{"ID", "Length", "Up"}));
}

std::string tableName(const testing::TestParamInfo<MakeTable>&) {
    return "Table";
}

INSTANTIATE_TEST_SUITE_P(Memory, RecordSetIteration, testing::Values(MakeTable(memoryTable)),
                         tableName);
INSTANTIATE_TEST_SUITE_P(Sqlite, RecordSetIteration, testing::Values(MakeTable(sqliteTable)),
                         tableName);

TEST(SqliteRecordSetNext, TakesTheRowAfterTheCurrentRowidWhenThatRowIsGone) {
    test::TempDir dir;
    const std::string path = dir.file("t.db");
    test::makeDatabase(path,
                       "CREATE TABLE P (ID INTEGER);"
                       "INSERT INTO P (rowid, ID) VALUES (1, 10), (2, 20), (3, 30);");
    SqliteRecordSet set(path, "P");
    ASSERT_TRUE(set.locate("ID", Variant(20), {}));
    // Another connection removes the current row: next goes on with the row after it.
    test::makeDatabase(path, "DELETE FROM P WHERE rowid = 2;");
    set.next();
    ASSERT_FALSE(set.eof());
    EXPECT_EQ(set.fieldByName("ID").asInteger(), 30);
}

}  // namespace
}  // namespace kavro
