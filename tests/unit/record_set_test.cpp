// The record-set behaviours the library relies on, run against both implementations.
#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

#include "kavro/host_error.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/pg_record_set.hpp"
#include "kavro/record_set_snapshot.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "tests/support/callbacks_over_record_set.hpp"
#include "tests/support/pg_cluster.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

// Each fixture builds the table: Name, ID, Note with the rows
//   ("Gate", 3, NULL), ("Gate 2", 7, "x"), ("gate", 9, "y")
// or says in skipReason why it cannot (a failure rather than a skip when failInstead).
struct Maker {
    std::string skipReason;
    bool failInstead = false;
};

struct MemoryTable : Maker {
    std::unique_ptr<RecordSet> make() {
        auto set =
            std::make_unique<MemoryRecordSet>(std::vector<std::string>{"Name", "ID", "Note"});
        set->addRow({Variant("Gate"), Variant(3), Variant()});
        set->addRow({Variant("Gate 2"), Variant(7), Variant("x")});
        set->addRow({Variant("gate"), Variant(9), Variant("y")});
        return set;
    }
};

struct SqliteTable : Maker {
    test::TempDir dir;
    std::unique_ptr<RecordSet> make() {
        const std::string path = dir.file("t.db");
        test::makeDatabase(path,
                           "CREATE TABLE Names (Name TEXT, ID INTEGER, Note TEXT);"
                           "INSERT INTO Names VALUES ('Gate', 3, NULL), ('Gate 2', 7, 'x'),"
                           " ('gate', 9, 'y');");
        return std::make_unique<SqliteRecordSet>(path, "names");  // table name in another case
    }
};

// The SQLite table copied into memory once.
struct SnapshotTable : Maker {
    SqliteTable file;
    std::unique_ptr<RecordSet> make() {
        auto source = file.make();
        return snapshotOf(*source);
    }
};

// A host's table behind the C callbacks (here forwarding to the library's in-memory table).
struct CallbackTable : Maker {
    MemoryTable memory;
    std::unique_ptr<RecordSet> make() { return test::recordSetOverCallbacks(memory.make()); }
};

// A PostgreSQL table needs a primary key for its row order: a serial one, before the others,
// keeps rows in the order they were added.
struct PgTable : Maker {
    std::unique_ptr<RecordSet> make() {
        test::PgCluster* cluster = test::PgCluster::shared(skipReason);
        if (cluster == nullptr) {
            std::string notInstalled;
            failInstead = test::PgCluster::serverInstalled(notInstalled);
            return nullptr;
        }
        const std::string schema = cluster->freshSchema();
        cluster->sql(
            "CREATE TABLE \"Names\" (\"Seq\" serial PRIMARY KEY, \"Name\" text, \"ID\" integer,"
            " \"Note\" text);"
            "INSERT INTO \"Names\" (\"Name\", \"ID\", \"Note\") VALUES ('Gate', 3, NULL),"
            " ('Gate 2', 7, 'x'), ('gate', 9, 'y')",
            schema);
        return std::make_unique<PgRecordSet>(cluster->uri(schema), "names");
    }
};

template <class T>
class RecordSetBehaviour : public testing::Test {
  protected:
    void SetUp() override {
        set = maker.make();
        if (!set && maker.failInstead) FAIL() << maker.skipReason;
        if (!set) GTEST_SKIP() << maker.skipReason;
    }
    T maker;
    std::unique_ptr<RecordSet> set;
    int idOfCurrent() { return set->fieldByName("ID").asInteger(); }
};

struct ImplementationName {
    template <class T>
    static std::string GetName(int) {
        if (std::is_same_v<T, MemoryTable>) return "Memory";
        if (std::is_same_v<T, SqliteTable>) return "Sqlite";
        if (std::is_same_v<T, SnapshotTable>) return "Snapshot";
        if (std::is_same_v<T, CallbackTable>) return "Callback";
        return "Pg";
    }
};

using Implementations =
    testing::Types<MemoryTable, SqliteTable, SnapshotTable, CallbackTable, PgTable>;
TYPED_TEST_SUITE(RecordSetBehaviour, Implementations, ImplementationName);

TYPED_TEST(RecordSetBehaviour, LocatePartialKeyIsACaseSensitivePrefixInRowOrder) {
    const LocateOptions partial{.partialKey = true};
    struct Case {
        const char* key;
        int id;  // 0: no match
    } cases[] = {{"Gate", 3}, {"Gate 2", 7}, {"gate", 9},  {"Ga", 3},
                 {"", 3},     {"GATE", 0},   {"Gate 3", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const bool found = this->set->locate("Name", Variant(c.key), partial);
        EXPECT_EQ(found, c.id != 0);
        if (found) {
            EXPECT_EQ(this->idOfCurrent(), c.id);
        }
    }
}

TYPED_TEST(RecordSetBehaviour, LocateIntegerKeyIsWholeEvenWithPartialOption) {
    EXPECT_TRUE(this->set->locate("ID", Variant(7), {.partialKey = true}));
    EXPECT_EQ(this->set->fieldByName("Name").asString(), "Gate 2");
    EXPECT_FALSE(this->set->locate("ID", Variant(70), {.partialKey = true}));
    // a failed Locate keeps the position
    EXPECT_EQ(this->idOfCurrent(), 7);
}

TYPED_TEST(RecordSetBehaviour, LocateCaseInsensitiveWhenAsked) {
    EXPECT_TRUE(this->set->locate("Name", Variant("GATE 2"), {.caseInsensitive = true}));
    EXPECT_EQ(this->idOfCurrent(), 7);
}

TYPED_TEST(RecordSetBehaviour, FieldNamesMatchWithoutLetterCase) {
    ASSERT_TRUE(this->set->locate("id", Variant(3), {}));
    EXPECT_EQ(this->set->fieldByName("nAmE").asString(), "Gate");
    try {
        this->set->fieldByName("Missing");
        FAIL() << "no exception";
    } catch (const HostError& e) {
        EXPECT_EQ(e.code(), HostErrorCode::FieldNotFound);
    }
    EXPECT_THROW(this->set->locate("Missing", Variant(1), {}), HostError);
}

TYPED_TEST(RecordSetBehaviour, NullReadsAsEmpty) {
    ASSERT_TRUE(this->set->locate("ID", Variant(3), {}));
    const Variant note = this->set->fieldByName("Note").value();
    EXPECT_TRUE(note.isEmpty());
    EXPECT_EQ(note.toText(), "");
    EXPECT_THROW(note.toInt32(), HostError);
}

TYPED_TEST(RecordSetBehaviour, AppendPostAddsARowAtTheEnd) {
    RecordSet& rs = *this->set;
    rs.append();
    EXPECT_TRUE(rs.inserting());
    rs.fieldByName("Name").setString("Gate");
    rs.fieldByName("ID").setInteger(-5);
    rs.post();
    EXPECT_FALSE(rs.inserting());
    EXPECT_EQ(this->idOfCurrent(), -5);  // positioned on the new row
    EXPECT_TRUE(rs.fieldByName("Note").value().isEmpty());
    // still after the older "Gate" rows in row order
    ASSERT_TRUE(rs.locate("Name", Variant("Gate"), {}));
    EXPECT_EQ(this->idOfCurrent(), 3);
}

TYPED_TEST(RecordSetBehaviour, CancelDropsThePendingRow) {
    RecordSet& rs = *this->set;
    rs.append();
    rs.fieldByName("Name").setString("Pending");
    rs.cancel();
    EXPECT_FALSE(rs.inserting());
    EXPECT_FALSE(rs.locate("Name", Variant("Pending"), {}));
    EXPECT_THROW(rs.fieldByName("Name").setString("x"), HostError);  // not inserting now
}

TYPED_TEST(RecordSetBehaviour, DeleteMakesTheNextRowCurrentUntilEof) {
    RecordSet& rs = *this->set;
    rs.first();
    int deleted = 0;
    int firstIdAfterDelete = 0;
    while (!rs.eof()) {
        rs.deleteRow();
        if (deleted++ == 0) firstIdAfterDelete = this->idOfCurrent();
    }
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(firstIdAfterDelete, 7);
    rs.first();
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.fieldByName("ID").value().isEmpty());
    EXPECT_THROW(rs.deleteRow(), HostError);
}

// The encoders' sequence, a Locate and the reads of its row under one Hold, followed by the
// other operations inside the same Hold and after it: each read gives the current row's value.
TYPED_TEST(RecordSetBehaviour, ReadsUnderAHoldFollowEveryLaterOperation) {
    RecordSet& rs = *this->set;
    {
        const RecordSet::Hold hold(rs);
        ASSERT_TRUE(rs.locate("ID", Variant(7), {}));
        EXPECT_EQ(rs.fieldValue("Name").toText(), "Gate 2");
        EXPECT_EQ(rs.fieldByName("note").asString(), "x");
        // another row by the same statement, then a Locate that finds nothing keeps it
        ASSERT_TRUE(rs.locate("ID", Variant(9), {}));
        EXPECT_FALSE(rs.locate("ID", Variant(70), {}));
        EXPECT_EQ(rs.fieldValue("Name").toText(), "gate");
        // a row added by the same record set becomes current
        rs.append();
        rs.fieldByName("Name").setString("Pole");
        rs.fieldByName("ID").setInteger(11);
        rs.post();
        EXPECT_EQ(this->idOfCurrent(), 11);
        EXPECT_EQ(rs.fieldValue("Name").toText(), "Pole");
        rs.first();
        EXPECT_EQ(this->idOfCurrent(), 3);
        rs.next();
        EXPECT_EQ(rs.fieldValue("Note").toText(), "x");
    }
    // after the Hold: the row found last stays current, whether or not it was read inside
    EXPECT_EQ(this->idOfCurrent(), 7);
    {
        const RecordSet::Hold hold(rs);
        ASSERT_TRUE(rs.locate("ID", Variant(3), {}));
    }
    EXPECT_EQ(rs.fieldValue("Name").toText(), "Gate");
    EXPECT_TRUE(rs.fieldValue("Note").isEmpty());
    EXPECT_THROW(rs.fieldValue("Missing"), HostError);
}

TEST(SqliteRecordSet, KeepsBytesAndStoresDateTimesAsIsoText) {
    test::TempDir dir;
    const std::string path = dir.file("t.db");
    test::makeDatabase(path, "CREATE TABLE Log (Action TEXT, Time TEXT);");
    {
        SqliteRecordSet set(path, "Log");
        set.append();
        set.fieldByName("Action").setString("\xCC\xE1\xCA\xBE");  // GBK bytes, not UTF-8
        set.fieldByName("Time").setDateTime(38695.5);             // 2005-12-09 12:00
        set.post();
        ASSERT_TRUE(set.locate("Action", Variant("\xCC\xE1"), {.partialKey = true}));
        EXPECT_EQ(set.fieldByName("Action").asString(), "\xCC\xE1\xCA\xBE");
    }
    EXPECT_EQ(test::queryText(path, "SELECT Time FROM Log"), "2005-12-09 12:00:00.000");
    EXPECT_EQ(test::queryText(path, "SELECT date(Time, '+1 day') FROM Log"), "2005-12-10");
}

TEST(SqliteRecordSet, RefusesWhatCannotBeOpened) {
    test::TempDir dir;
    const std::string path = dir.file("t.db");
    test::makeDatabase(path,
                       "CREATE TABLE Plain (a);"
                       "CREATE TABLE Keyed (k PRIMARY KEY, v) WITHOUT ROWID;");
    EXPECT_THROW(SqliteRecordSet(dir.file("missing.db"), "Plain"), HostError);
    EXPECT_THROW(SqliteRecordSet(path, "Nope"), HostError);
    EXPECT_THROW(SqliteRecordSet(path, "Keyed"), HostError);  // no row order to follow
    // a table name is looked up, never spliced into SQL
    EXPECT_THROW(SqliteRecordSet(path, "Plain; DROP TABLE Plain"), HostError);
    EXPECT_NO_THROW(SqliteRecordSet(path, "Plain"));
}

TEST(SqliteRecordSet, QuotesOddColumnNames) {
    test::TempDir dir;
    const std::string path = dir.file("t.db");
    test::makeDatabase(path,
                       "CREATE TABLE \"odd \"\"t\" (\"we\"\"ird\" INTEGER, \"Up\" INTEGER);"
                       "INSERT INTO \"odd \"\"t\" VALUES (1, 2);");
    SqliteRecordSet set(path, "odd \"t");
    ASSERT_TRUE(set.locate("we\"ird", Variant(1), {}));
    EXPECT_EQ(set.fieldByName("up").asInteger(), 2);
}

TEST(SqliteRecordSet, HoldsNoLockBetweenCalls) {
    test::TempDir dir;
    const std::string path = dir.file("t.db");
    test::makeDatabase(path,
                       "CREATE TABLE T (ID INTEGER, V INTEGER); INSERT INTO T VALUES (1, 10);");
    SqliteRecordSet reader(path, "T");
    ASSERT_TRUE(reader.locate("ID", Variant(1), {}));
    EXPECT_EQ(reader.fieldByName("V").asInteger(), 10);
    // another connection can write while the reader stays open and positioned
    test::makeDatabase(path, "UPDATE T SET V = 11;");
    reader.refresh();
    EXPECT_EQ(reader.fieldByName("V").asInteger(), 11);
    // also after a Hold whose reads came straight from the statement that found the row: the
    // statement and its read lock are let go when the Hold ends
    {
        const RecordSet::Hold hold(reader);
        ASSERT_TRUE(reader.locate("ID", Variant(1), {}));
        EXPECT_EQ(reader.fieldValue("V").toInt32(), 11);
    }
    test::makeDatabase(path, "UPDATE T SET V = 12;");
    reader.refresh();
    EXPECT_EQ(reader.fieldByName("V").asInteger(), 12);
}

}  // namespace
}  // namespace kavro
