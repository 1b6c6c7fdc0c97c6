// The decoder call around the layouts: row lookup, code, length, wire address, the busy flag
// and the final write, on the two-byte protocols and the IDs without a protocol.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>

#include "kavro/decoder.hpp"
#include "kavro/host_error.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

// One protocol row: ID, Length, BaseAddress, Up.
std::unique_ptr<MemoryRecordSet> tableWith(Variant id, Variant length, Variant base, Variant up) {
    auto table = std::make_unique<MemoryRecordSet>(
        std::vector<std::string>{"ID", "Length", "BaseAddress", "Up"});
    table->addRow({Variant(1), Variant(2), Variant(0), Variant(0)});  // a row to skip
    table->addRow({id, length, base, up});
    return table;
}

struct Sent {
    SendResult result;
    std::string trace;
    std::uint8_t flag;
};

Sent send(RecordSet& table, int protocol, int camera, std::string_view command,
          std::uint8_t flag = 0) {
    RecordingLine line;
    BusyFlag busy(flag);
    Sent sent;
    sent.result = writeCommandToDecoder(line, busy, protocol, table, camera, command);
    sent.trace = line.trace().text();
    sent.flag = flag;
    return sent;
}

struct FrameCase {
    const char* what;
    int protocol;
    int camera;
    Variant base;
    Variant length;
    Variant up;
    const char* trace;
};

class DispatchFrames : public testing::TestWithParam<FrameCase> {};

TEST_P(DispatchFrames, SendsTheFrame) {
    const FrameCase& c = GetParam();
    auto table = tableWith(Variant(c.protocol), c.length, c.base, c.up);
    const Sent sent = send(*table, c.protocol, c.camera, "Up");
    EXPECT_TRUE(sent.result.sent()) << sent.result.message;
    EXPECT_EQ(sent.trace, c.trace);
    EXPECT_EQ(sent.flag, 0);
}

INSTANTIATE_TEST_SUITE_P(
    FirstSlice, DispatchFrames,
    testing::Values(
        FrameCase{"address then code low byte", 2, 5, Variant(0), Variant(2), Variant(4660),
                  "write 05 34\n"},
        FrameCase{"protocol 3", 3, 5, Variant(0), Variant(2), Variant(4660), "write 05 34\n"},
        FrameCase{"protocol 6", 6, 7, Variant(0), Variant(2), Variant(0x41), "write 07 41\n"},
        FrameCase{"protocol 26", 26, 9, Variant(0), Variant(2), Variant(0x1FF), "write 09 FF\n"},
        FrameCase{"camera 1 base -1 is address 0", 2, 1, Variant(-1), Variant(2), Variant(1),
                  "write 00 01\n"},
        FrameCase{"wire address keeps its low byte", 2, 300, Variant(0), Variant(2), Variant(1),
                  "write 2C 01\n"},
        FrameCase{"base as text", 2, 5, Variant("10"), Variant(2), Variant(1), "write 0F 01\n"},
        FrameCase{"base as a real rounds half to even", 2, 1, Variant(0.5), Variant(2), Variant(1),
                  "write 02 01\n"},
        FrameCase{"code as hex text", 2, 1, Variant(0), Variant(2), Variant("0xAB"),
                  "write 01 AB\n"},
        FrameCase{"code stored signed", 2, 1, Variant(0), Variant(2), Variant(-1), "write 01 FF\n"},
        FrameCase{"longer row sends zeros after the frame", 2, 5, Variant(0), Variant(4),
                  Variant(4660), "write 05 34 00 00\n"},
        FrameCase{"no protocol: unset frame", 40, 5, Variant(0), Variant(4), Variant(4660),
                  "write 00 00 00 00\n"},
        FrameCase{"ID 0 has no protocol", 0, 5, Variant(0), Variant(3), Variant(1),
                  "write 00 00 00\n"},
        FrameCase{"negative ID", -3, 5, Variant(0), Variant(1), Variant(1), "write 00\n"},
        FrameCase{"ID above 54", 99, 5, Variant(0), Variant(2), Variant(1), "write 00 00\n"},
        FrameCase{"Length 0 writes an empty frame", 40, 5, Variant(0), Variant(0), Variant(1),
                  "write\n"}),
    [](const auto& p) {
        std::string name = p.param.what;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

struct RefusalCase {
    const char* what;
    Variant length;
    Variant base;
    Variant up;
    Refusal refusal;
    const char* field;
};

class DispatchRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(DispatchRefusals, WriteNothingAndLeaveTheFlagAlone) {
    const RefusalCase& c = GetParam();
    auto table = tableWith(Variant(2), c.length, c.base, c.up);
    // Flag already set: a call that tried to take it would wait for ever.
    const Sent sent = send(*table, 2, 5, "Up", 1);
    EXPECT_EQ(sent.result.refusal, c.refusal) << sent.result.message;
    EXPECT_EQ(sent.result.field, c.field);
    EXPECT_EQ(sent.trace, "");
    EXPECT_EQ(sent.flag, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DispatchRefusals,
    testing::Values(
        RefusalCase{"NullCode", Variant(2), Variant(0), Variant(), Refusal::EmptyValue, "Up"},
        RefusalCase{"TextCode", Variant(2), Variant(0), Variant("up"), Refusal::NotANumber, "Up"},
        RefusalCase{"WideCode", Variant(2), Variant(0), Variant(1LL << 33),
                    Refusal::ValueOutOfRange, "Up"},
        RefusalCase{"NullLength", Variant(), Variant(0), Variant(1), Refusal::EmptyValue, "Length"},
        RefusalCase{"TextLength", Variant("two"), Variant(0), Variant(1), Refusal::NotANumber,
                    "Length"},
        RefusalCase{"NegativeLength", Variant(-1), Variant(0), Variant(1), Refusal::NegativeLength,
                    "Length"},
        RefusalCase{"HugeLength", Variant(1 << 30), Variant(0), Variant(1), Refusal::LengthTooLarge,
                    "Length"},
        RefusalCase{"NullBase", Variant(2), Variant(), Variant(1), Refusal::EmptyValue,
                    "BaseAddress"},
        RefusalCase{"TextBase", Variant(2), Variant("x"), Variant(1), Refusal::NotANumber,
                    "BaseAddress"}),
    [](const auto& p) { return std::string(p.param.what); });

TEST(DecoderCall, NoRowOrNoFieldWritesNothing) {
    auto table = tableWith(Variant(2), Variant(2), Variant(0), Variant(1));
    Sent sent = send(*table, 3, 1, "Up", 1);
    EXPECT_EQ(sent.result.refusal, Refusal::NoRow);
    EXPECT_EQ(sent.trace, "");
    EXPECT_EQ(sent.flag, 1);

    sent = send(*table, 2, 1, "ZoomInc", 1);
    EXPECT_EQ(sent.result.refusal, Refusal::MissingField);
    EXPECT_EQ(sent.result.field, "ZoomInc");
    EXPECT_EQ(sent.trace, "");

    MemoryRecordSet noBase({"ID", "Length", "Up"});
    noBase.addRow({Variant(2), Variant(2), Variant(1)});
    sent = send(noBase, 2, 1, "Up");
    EXPECT_EQ(sent.result.refusal, Refusal::MissingField);
    EXPECT_EQ(sent.result.field, "BaseAddress");

    MemoryRecordSet noId({"Key", "Length"});
    sent = send(noId, 2, 1, "Up");
    EXPECT_EQ(sent.result.refusal, Refusal::LookupFailed);
}

TEST(DecoderCall, FieldNameLooksUpWithoutCaseButTheNameIsKept) {
    auto table = tableWith(Variant(2), Variant(2), Variant(0), Variant(0x21));
    EXPECT_EQ(send(*table, 2, 1, "up").trace, "write 01 21\n");
}

TEST(DecoderCall, ShortLengthRaisesBeforeAnythingIsWritten) {
    auto table = tableWith(Variant(2), Variant(1), Variant(0), Variant(1));
    RecordingLine line;
    std::uint8_t flag = 0;
    BusyFlag busy(flag);
    try {
        writeCommandToDecoder(line, busy, 2, *table, 1, "Up");
        FAIL() << "no exception";
    } catch (const DynArrayOutOfRange& e) {
        EXPECT_EQ(e.length(), 1);
    }
    EXPECT_TRUE(line.trace().empty());
    EXPECT_EQ(flag, 0);
}

TEST(DecoderCall, WaitsWhileTheFlagIsSetThenClearsIt) {
    // The wait function stands in for 50 ms pauses: the "other writer" lets go on the third.
    static std::uint8_t flag;
    static int waits;
    flag = 1;
    waits = 0;
    auto otherWriter = [](std::chrono::milliseconds interval) {
        EXPECT_EQ(interval, std::chrono::milliseconds(50));
        if (++waits == 3) flag = 0;
    };
    auto table = tableWith(Variant(2), Variant(2), Variant(0), Variant(4660));
    RecordingLine line;
    BusyFlag busy(flag, otherWriter);
    EXPECT_TRUE(writeCommandToDecoder(line, busy, 2, *table, 5, "Up").sent());
    EXPECT_EQ(waits, 3);
    EXPECT_EQ(line.trace().text(), "write 05 34\n");
    EXPECT_EQ(flag, 0);
}

TEST(DecoderCall, AFailingWriteIsReportedWithTheLinesReason) {
    auto table = tableWith(Variant(2), Variant(2), Variant(0), Variant(4660));
    RecordingLine line;
    line.failWrites(true);
    std::uint8_t flag = 0;
    BusyFlag busy(flag);
    const SendResult result = writeCommandToDecoder(line, busy, 2, *table, 5, "Up");
    EXPECT_TRUE(result.sent());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.line.text(), "write 1 of 1 failed: Input/output error");
    EXPECT_EQ(line.trace().text(), "write 05 34 (failed: Input/output error)\n");
    EXPECT_EQ(flag, 0);
}

TEST(DecoderCall, ReadsARowOfASqliteTable) {
    test::TempDir dir;
    const std::string path = dir.file("t.db");
    test::makeDatabase(path,
                       "CREATE TABLE Protocol (ID INTEGER, Length INTEGER, BaseAddress, Up, Down);"
                       "INSERT INTO Protocol VALUES (1, 2, 0, 1, 1), (2, 2, '0', 4660, NULL);");
    SqliteRecordSet table(path, "Protocol");
    Sent sent = send(table, 2, 5, "Up");
    EXPECT_EQ(sent.trace, "write 05 34\n");
    sent = send(table, 2, 5, "Down");
    EXPECT_EQ(sent.result.refusal, Refusal::EmptyValue);
    EXPECT_EQ(sent.trace, "");
}

}  // namespace
}  // namespace kavro
