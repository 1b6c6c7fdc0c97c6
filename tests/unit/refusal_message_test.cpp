// What a refused encoder call says: the value as the table or the caller gave it, and what is
// wrong with it. Rows come from a SQLite file, so values arrive as the database stores them
// (blobs, integers beyond 32 bits, text); the decoder and the dome read these fields alike and
// must refuse alike.
#include <gtest/gtest.h>

#include <string>

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "tests/support/case_names.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

// Fourteen command fields, beside the six fields every dome row has.
constexpr const char* kWideColumns =
    "ID, Length, BaseAddress, StayTime, Slowest, Fastest, Up, UpStop, Down, DownStop, Left, "
    "LeftStop, Right, RightStop, ZoomInc, ZoomIncStop, ZoomDec, ZoomDecStop, Scan, ScanStop";

struct MessageCase {
    const char* what;
    const char* columns;  // the table's columns
    const char* values;   // the row of ID 2 (protocol 2 sends w C0 from a 2-byte row): the
                          // first columns' values, the others left NULL
    int camera;
    const char* command;
    Refusal refusal;
    const char* field;
    const char* message;
};

class RefusalMessages : public testing::TestWithParam<MessageCase> {};

TEST_P(RefusalMessages, SayWhatIsWrongWithTheValueAsGiven) {
    const MessageCase& c = GetParam();
    test::TempDir dir;
    const std::string path = dir.file("t.db");
    // As many columns as values are given, from the first (no value holds a comma).
    const std::string columns = c.columns;
    std::size_t end = columns.find(',');
    for (const char* v = c.values; *v != '\0'; ++v) {
        if (*v == ',') end = columns.find(',', end + 1);
    }
    test::makeDatabase(path, "CREATE TABLE Protocol (" + columns + "); INSERT INTO Protocol (" +
                                 columns.substr(0, end) + ") VALUES (" + c.values + ");");
    SqliteRecordSet table(path, "Protocol");

    WireTrace script;
    const SendResult decoder = encodeDecoderCommand(table, 2, c.camera, c.command, script);
    EXPECT_EQ(decoder.refusal, c.refusal) << decoder.message;
    EXPECT_EQ(decoder.field, c.field);
    EXPECT_EQ(decoder.message, c.message);
    EXPECT_TRUE(script.empty());

    const SendResult dome = encodeDomeCommand(table, 2, c.camera, c.command, 5, 0, script);
    EXPECT_EQ(dome.refusal, c.refusal) << dome.message;
    EXPECT_EQ(dome.field, c.field);
    EXPECT_EQ(dome.message, c.message);
    EXPECT_TRUE(script.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Row, RefusalMessages,
    testing::Values(
        MessageCase{"blob code with a NUL", kWideColumns, "2, 2, 0, 5, 0, 63, X'41004243'", 1, "Up",
                    Refusal::NotANumber, "Up", "field Up: 'A\\x00BC' is not a number"},
        MessageCase{"long text code", kWideColumns,
                    "2, 2, 0, 5, 0, 63, '0123456789012345678901234567890123456789abcdefghijklm'", 1,
                    "Up", Refusal::NotANumber, "Up",
                    "field Up: '0123456789012345678901234567890123456789abcdefgh...' (53 bytes) "
                    "is not a number"},
        MessageCase{"Length beyond 32 bits unsigned", kWideColumns, "2, 4000000000, 0, 5, 0, 63, 1",
                    1, "Up", Refusal::LengthTooLarge, "Length",
                    "Length 4000000000 is too large: the largest frame is 65536 bytes"},
        MessageCase{"Length 2^32 - 1", kWideColumns, "2, 4294967295, 0, 5, 0, 63, 1", 1, "Up",
                    Refusal::LengthTooLarge, "Length",
                    "Length 4294967295 is too large: the largest frame is 65536 bytes"},
        MessageCase{"Length as text", kWideColumns, "2, '4000000000', 0, 5, 0, 63, 1", 1, "Up",
                    Refusal::LengthTooLarge, "Length",
                    "Length '4000000000' is too large: the largest frame is 65536 bytes"},
        MessageCase{"Length below 32 bits", kWideColumns, "2, -3000000000, 0, 5, 0, 63, 1", 1, "Up",
                    Refusal::NegativeLength, "Length", "Length is negative (-3000000000)"},
        MessageCase{"Length real rounding below 0", kWideColumns, "2, -0.75, 0, 5, 0, 63, 1", 1,
                    "Up", Refusal::NegativeLength, "Length", "Length is negative (-0.75)"},
        MessageCase{"camera pushes the wire address out", kWideColumns, "2, 2, -1, 5, 0, 63, 1",
                    -2147483647 - 1, "Up", Refusal::CameraOutOfRange, "",
                    "camera -2147483648 plus BaseAddress -1 gives the wire address -2147483649, "
                    "which does not fit 32 bits"},
        MessageCase{"BaseAddress alone beyond 32 bits", kWideColumns,
                    "2, 2, 5000000000, 5, 0, 63, 1", 0, "Up", Refusal::ValueOutOfRange,
                    "BaseAddress",
                    "field BaseAddress: 5000000000 does not fit a 32-bit wire address"},
        MessageCase{"empty command name", kWideColumns, "2, 2, 0, 5, 0, 63, 1", 1, "",
                    Refusal::MissingField, "", "the command name is empty"},
        MessageCase{"unknown command, a dozen listed", kWideColumns, "2, 2, 0, 5, 0, 63, 1", 1,
                    "Dwn", Refusal::MissingField, "Dwn",
                    "no field Dwn; the 14 command fields are Up, UpStop, Down, DownStop, Left, "
                    "LeftStop, Right, RightStop, ZoomInc, ZoomIncStop, ZoomDec, ZoomDecStop, ..."},
        MessageCase{"unknown command, all listed",
                    "ID, Length, BaseAddress, StayTime, "
                    "Slowest, Fastest, Name, Up, Down",
                    "2, 2, 0, 5, 0, 63, 'PT', 1, 1", 1, "Dwn", Refusal::MissingField, "Dwn",
                    "no field Dwn; the 2 command fields are Up, Down"},
        MessageCase{"unknown command, one field",
                    "ID, Length, BaseAddress, StayTime, Slowest, "
                    "Fastest, Up",
                    "2, 2, 0, 5, 0, 63, 1", 1, "up ", Refusal::MissingField, "up ",
                    "no field up ; the only command field is Up"},
        MessageCase{"unknown command, no command fields",
                    "ID, Length, BaseAddress, StayTime, Slowest, Fastest", "2, 2, 0, 5, 0, 63", 1,
                    "Up", Refusal::MissingField, "Up",
                    "no field Up; the table has no command fields"},
        MessageCase{"missing Length names no commands",
                    "ID, BaseAddress, StayTime, Slowest, "
                    "Fastest, Up",
                    "2, 0, 5, 0, 63, 1", 1, "Up", Refusal::MissingField, "Length",
                    "no field Length"}),
    test::CaseNames<MessageCase>([](const MessageCase& c) { return std::string(c.what); }));

}  // namespace
}  // namespace kavro
