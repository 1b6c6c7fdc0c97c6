// Checking a protocol table: the rows that would make decoder commands fail or send unset bytes
// are listed one line each; a sound table (the bundled one) lists nothing.
#include "kavro/decoder_table_check.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kavro/memory_record_set.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

TEST(DecoderTableCheck, TheBundledTableIsSound) {
    SqliteRecordSet table(KAVRO_DEFAULT_TABLE, "Protocol", {.readOnly = true});
    const DecoderTableCheck check = checkDecoderTable(table);
    EXPECT_THAT(check.findings, ElementsAre());
    EXPECT_TRUE(check.servesDomes());
    EXPECT_EQ(check.rows, 54u);
    for (int id = 1; id <= 54; ++id) {
        EXPECT_TRUE(table.locate("ID", Variant(id), {})) << "no row for ID " << id;
    }
}

TEST(DecoderTableCheck, ListsEveryRowThatWouldFailOrSendUnsetBytes) {
    MemoryRecordSet table({"ID", "Length", "BaseAddress", "Up", "Down", "StayTime", "Name"});
    const Variant empty;
    // Sound rows: fixed lengths that fit, any Length for a protocol that sets its own, 0 for an
    // ID without a protocol, empty command fields, dome fields that are no codes.
    table.addRow(
        {Variant(7), Variant(7), Variant(0), Variant(1), empty, Variant("slow"), Variant("dome")});
    table.addRow({Variant(53), Variant(0), Variant(-1), Variant(-1), Variant("0x10")});
    table.addRow({Variant(45), Variant(64), Variant("2"), Variant(4.0)});
    table.addRow({Variant(40), Variant(0), Variant(0)});
    // Rows with problems.
    table.addRow({Variant(12), Variant(6), Variant(0)});
    table.addRow({Variant(11), Variant(9), Variant(0)});
    table.addRow({Variant(36), Variant(1), Variant(0)});
    table.addRow({Variant(7), Variant(7), Variant(0)});
    table.addRow({Variant(2), empty, Variant("near"), Variant("up"), Variant(4294967296LL)});
    table.addRow({Variant("x"), Variant(-2), empty});

    const DecoderTableCheck check = checkDecoderTable(table);
    EXPECT_EQ(check.rows, 10u);
    EXPECT_THAT(
        check.findings,
        ElementsAre("row 5, ID 12: Length 6 is too short for the 7-byte frame of protocol 12: "
                    "every command fails before writing",
                    "row 6, ID 11: Length 9 is longer than the 8-byte frame of protocol 11: every "
                    "write ends with 1 byte that no protocol sets",
                    "row 7, ID 36: Length 1 sends 1 byte that no protocol sets (ID 36 has no "
                    "protocol; use 0)",
                    "row 8, ID 7: row 1 has the same ID and is always found first; this row is "
                    "never used",
                    "row 9, ID 2: field Length is empty",
                    AllOf(HasSubstr("row 9, ID 2: field BaseAddress: "), HasSubstr("near")),
                    AllOf(HasSubstr("row 9, ID 2: field Up: "), HasSubstr("up")),
                    AllOf(HasSubstr("row 9, ID 2: field Down: "), HasSubstr("4294967296")),
                    AllOf(HasSubstr("row 10: field ID: "), HasSubstr("no protocol ID finds")),
                    "row 10: Length is negative (-2)", "row 10: field BaseAddress is empty"));
}

TEST(DecoderTableCheck, WithDomeFieldsALengthMayFitEitherEncoder) {
    MemoryRecordSet table({"ID", "Length", "BaseAddress", "Up", "StayTime", "Slowest", "Fastest"});
    const auto row = [&](int id, int length) {
        table.addRow({Variant(id), Variant(length), Variant(0), Variant(1), Variant(5), Variant(0),
                      Variant(63)});
    };
    // Sound: the dome frame of an ID only the dome has (37), of an ID whose decoder sets its own
    // length (15, 54); the decoder frame of an ID whose dome sets its own (9, 18); a frame both
    // share (23); any Length where both set their own (41); 0 where neither has a protocol.
    row(37, 7);
    row(15, 4);
    row(54, 7);
    row(9, 6);
    row(18, 5);
    row(23, 7);
    row(41, 2);
    row(40, 0);
    // Rows with problems.
    row(36, 7);
    row(19, 6);
    row(24, 9);
    row(52, 3);
    row(15, 3);
    row(9, 5);
    row(37, 0);

    EXPECT_THAT(
        checkDecoderTable(table).findings,
        ElementsAre("row 9, ID 36: Length 7 sends 7 bytes that no protocol sets (ID 36 has no "
                    "protocol; use 0)",
                    "row 10, ID 19: Length 6 is too short for the 7-byte decoder and dome frame "
                    "of protocol 19: every command fails before writing",
                    "row 11, ID 24: Length 9 is longer than the 8-byte decoder and dome frame of "
                    "protocol 24: every write ends with 1 byte that no protocol sets",
                    "row 12, ID 52: Length 3 sends 3 bytes that no protocol sets (ID 52 has no "
                    "protocol; use 0)",
                    "row 13, ID 15: row 2 has the same ID and is always found first; this row is "
                    "never used",
                    "row 13, ID 15: Length 3 is too short for the 4-byte dome frame of protocol "
                    "15: every dome command fails before writing",
                    "row 14, ID 9: row 4 has the same ID and is always found first; this row is "
                    "never used",
                    "row 14, ID 9: Length 5 is too short for the 6-byte decoder frame of protocol "
                    "9: every decoder command fails before writing",
                    "row 15, ID 37: row 1 has the same ID and is always found first; this row is "
                    "never used",
                    "row 15, ID 37: Length 0 is too short for the 7-byte dome frame of protocol "
                    "37: every dome command fails before writing"));
}

TEST(DecoderTableCheck, WithDomeFieldsEachMustConvertAsADomeCallReadsIt) {
    MemoryRecordSet table({"ID", "Length", "BaseAddress", "StayTime", "Slowest", "Fastest"});
    const Variant empty;
    // IDs without a protocol, so that Length 0 is sound.
    const auto row = [&](int id, Variant stay, Variant slowest, Variant fastest) {
        table.addRow({Variant(100 + id), Variant(0), Variant(0), stay, slowest, fastest});
    };
    row(1, Variant(0), Variant(0), Variant(63));        // sound
    row(2, Variant(255), Variant("-5"), Variant(2.5));  // sound: numbers as text and reals
    row(3, empty, empty, empty);                        // not meant for domes: sound
    row(4, Variant(256), Variant(0), Variant(63));
    row(5, Variant(-1), Variant("slow"), Variant(63));
    row(6, empty, Variant(0), Variant(63));
    row(7, Variant(5), Variant(0), empty);
    row(8, Variant(5), Variant(0), Variant(1e12));
    const DecoderTableCheck check = checkDecoderTable(table);
    EXPECT_TRUE(check.servesDomes());
    EXPECT_THAT(
        check.findings,
        ElementsAre(
            AllOf(HasSubstr("row 4, ID 104: field StayTime: 256 does not fit a byte"),
                  HasSubstr("every dome command of this row is refused")),
            HasSubstr("row 5, ID 105: field StayTime: -1 does not fit a byte"),
            AllOf(HasSubstr("row 5, ID 105: field Slowest: 'slow' is not a number"),
                  HasSubstr("every dome command of this row is refused")),
            "row 6, ID 106: field StayTime is empty: every dome command of this row is refused",
            "row 7, ID 107: field Fastest is empty: every dome command of this row is refused",
            AllOf(HasSubstr("row 8, ID 108: speed level 10 from Slowest 0 to Fastest "),
                  HasSubstr("does not fit"))));
}

TEST(DecoderTableCheck, WithoutDomeFieldsOnlyTheDecoderFramesCount) {
    // A decoder table: ID 37 has no decoder protocol, and the dome fields are not looked at.
    MemoryRecordSet table({"ID", "Length", "BaseAddress", "StayTime"});
    table.addRow({Variant(37), Variant(7), Variant(0), Variant(900)});
    const DecoderTableCheck check = checkDecoderTable(table);
    EXPECT_THAT(check.findings, ElementsAre("row 1, ID 37: Length 7 sends 7 bytes that no "
                                            "protocol sets (ID 37 has no protocol; use 0)"));
    EXPECT_THAT(check.missingDomeFields, ElementsAre("Slowest", "Fastest"));
    EXPECT_FALSE(check.servesDomes());
}

TEST(DecoderTableCheck, AMissingRowFieldIsOneFindingNotOnePerRow) {
    MemoryRecordSet table({"ID", "Length", "Up"});
    table.addRow({Variant(2), Variant(2), Variant(1)});
    table.addRow({Variant(3), Variant(2), Variant(1)});
    EXPECT_THAT(checkDecoderTable(table).findings,
                ElementsAre("the table has no field BaseAddress: every command is refused"));
}

class TableCheckTool : public testing::Test {
  protected:
    test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), test::toolPath());
        return test::runProcess(args);
    }
    test::TempDir dir;
};

TEST_F(TableCheckTool, SoundTableExitsZeroWithASummary) {
    const test::ProcessResult result = run({"table", "check"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.out, HasSubstr("table Protocol of "));
    EXPECT_THAT(result.out, HasSubstr(": 54 rows, no problems found\n"));
}

TEST_F(TableCheckTool, ListsTheProblemsAndExitsOne) {
    const std::string db = dir.file("site.db");
    test::makeDatabase(db,
                       "CREATE TABLE Cameras (ID INTEGER, Length INTEGER, BaseAddress INTEGER,"
                       " Up INTEGER);"
                       "INSERT INTO Cameras VALUES (7, 7, 0, 1), (13, 3, 0, 1), (40, 2, 0, NULL);");
    const test::ProcessResult result = run({"table", "check", "--db", db, "--table", "Cameras"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              "row 2, ID 13: Length 3 is too short for the 7-byte frame of protocol 13: every "
              "command fails before writing\n"
              "row 3, ID 40: Length 2 sends 2 bytes that no protocol sets (ID 40 has no protocol; "
              "use 0)\n");
    EXPECT_EQ(result.err, "kavro: table Cameras of " + db +
                              ": 2 problems in 3 rows; no field StayTime, Slowest, Fastest: every "
                              "dome command is refused\n");
}

TEST_F(TableCheckTool, WantsTheCheckSubCommand) {
    EXPECT_EQ(run({"table"}).exitCode, 2);
    EXPECT_EQ(run({"table", "fix"}).exitCode, 2);
    EXPECT_EQ(run({"table", "check", "extra"}).exitCode, 2);
}

}  // namespace
}  // namespace kavro
