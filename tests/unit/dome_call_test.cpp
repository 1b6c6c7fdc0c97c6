// The dome call around the layouts: the row's seven fields read in order under one guard, the
// speed value, the busy flag, and the frame lengths each dome layout registers.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "kavro/dome.hpp"
#include "kavro/host_error.hpp"
#include "kavro/recording_line.hpp"
#include "ptz/dome_protocols.hpp"
#include "ptz/protocol_row.hpp"
#include "tests/support/dome_fixture.hpp"

namespace kavro {

void PrintTo(const DomeProtocol& p, std::ostream* out) {
    *out << "dome protocol " << p.id << ", frame length " << p.frameLength;
}

namespace {

struct Sent {
    SendResult result;
    std::string trace;
    std::uint8_t flag;
};

// Flag already set: a call that tried to take it would wait for ever.
Sent sendWithFlagSet(RecordSet& table, int protocol, std::string_view command, int level = 0) {
    RecordingLine line;
    std::uint8_t flag = 1;
    BusyFlag busy(flag);
    Sent sent;
    sent.result = writeCommandToGlobe(line, busy, table, protocol, 1, command, level, 0);
    sent.trace = line.trace().text();
    sent.flag = flag;
    return sent;
}

struct RefusalCase {
    const char* what;
    test::DomeRow row;
    Refusal refusal;
    const char* field;
    int level = 0;
};

class DomeRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(DomeRefusals, WriteNothingAndLeaveTheFlagAlone) {
    const RefusalCase& c = GetParam();
    auto table = test::domeTable(23, "Up", c.row);
    const Sent sent = sendWithFlagSet(*table, 23, "Up", c.level);
    EXPECT_EQ(sent.result.refusal, c.refusal) << sent.result.message;
    EXPECT_EQ(sent.result.field, c.field);
    EXPECT_EQ(sent.trace, "");
    EXPECT_EQ(sent.flag, 1);
}

const Variant kEmpty;

INSTANTIATE_TEST_SUITE_P(
    Rows, DomeRefusals,
    testing::Values(
        RefusalCase{
            "EmptyStayTime", {Variant(7), Variant(1), kEmpty}, Refusal::EmptyValue, "StayTime"},
        RefusalCase{"StayTimeAbove255",
                    {Variant(7), Variant(1), Variant(256)},
                    Refusal::ValueOutOfRange,
                    "StayTime"},
        RefusalCase{"NegativeStayTime",
                    {Variant(7), Variant(1), Variant(-1)},
                    Refusal::ValueOutOfRange,
                    "StayTime"},
        RefusalCase{"TextStayTime",
                    {Variant(7), Variant(1), Variant("long")},
                    Refusal::NotANumber,
                    "StayTime"},
        RefusalCase{"EmptySlowest",
                    {Variant(7), Variant(1), Variant(5), kEmpty},
                    Refusal::EmptyValue,
                    "Slowest"},
        RefusalCase{"TextFastest",
                    {Variant(7), Variant(1), Variant(5), Variant(0), Variant("max")},
                    Refusal::NotANumber,
                    "Fastest"},
        RefusalCase{"SpeedBeyond32Bits",
                    {Variant(7), Variant(1), Variant(5), Variant(0), Variant(1e12)},
                    Refusal::ValueOutOfRange,
                    "Fastest",
                    10},
        RefusalCase{"LevelBeyond32Bits",
                    {Variant(7), Variant(1)},
                    Refusal::ValueOutOfRange,
                    "Fastest",
                    2000000000},
        RefusalCase{"EmptyCode", {Variant(7), kEmpty}, Refusal::EmptyValue, "Up"},
        RefusalCase{"NegativeLength", {Variant(-7), Variant(1)}, Refusal::NegativeLength, "Length"},
        RefusalCase{"TextBase",
                    {Variant(7), Variant(1), Variant(5), Variant(0), Variant(63), Variant("x")},
                    Refusal::NotANumber,
                    "BaseAddress"}),
    [](const auto& p) { return std::string(p.param.what); });

TEST(DomeCall, ARowWithoutTheDomeFieldsSendsNothingForAnyCommand) {
    // A decoder's row: every dome command is refused at the first dome field it lacks, in the
    // order the fields are read, and the flag is left as it was.
    MemoryRecordSet decoderRow({"ID", "Length", "BaseAddress", "Up", "Scan"});
    decoderRow.addRow({Variant(23), Variant(7), Variant(0), Variant(1), Variant(2)});
    for (const char* command : {"Up", "Scan"}) {
        const Sent sent = sendWithFlagSet(decoderRow, 23, command);
        EXPECT_EQ(sent.result.refusal, Refusal::MissingField);
        EXPECT_EQ(sent.result.field, "StayTime");
        EXPECT_EQ(sent.trace, "");
        EXPECT_EQ(sent.flag, 1);
    }
    MemoryRecordSet noSpeeds({"ID", "Length", "BaseAddress", "Up", "StayTime", "Fastest"});
    noSpeeds.addRow({Variant(23), Variant(7), Variant(0), Variant(1), Variant(5), Variant(63)});
    EXPECT_EQ(sendWithFlagSet(noSpeeds, 23, "Up").result.field, "Slowest");
    // The command's field comes first of all.
    EXPECT_EQ(sendWithFlagSet(decoderRow, 23, "Down").result.field, "Down");
    EXPECT_EQ(sendWithFlagSet(decoderRow, 24, "Up").result.refusal, Refusal::NoRow);
}

TEST(DomeCall, ProtocolsThatDoNotUseTheDomeFieldsNeedThemAllTheSame) {
    MemoryRecordSet table({"ID", "Length", "BaseAddress", "Up", "StayTime", "Slowest"});
    table.addRow({Variant(53), Variant(6), Variant(0), Variant(1), Variant(5), Variant(0)});
    const Sent sent = sendWithFlagSet(table, 53, "Up");
    EXPECT_EQ(sent.result.refusal, Refusal::MissingField);
    EXPECT_EQ(sent.result.field, "Fastest");
}

TEST(DomeCall, SpeedValueInterpolatesWithTheHostsArithmetic) {
    struct Case {
        Variant slowest, fastest;
        int level;
        std::int32_t speed;
    } cases[] = {
        {Variant(0), Variant(63), 0, 0},
        {Variant(0), Variant(63), 3, 19},
        {Variant(0), Variant(63), 5, 32},  // 31.5: the even neighbour
        {Variant(0), Variant(63), 10, 63},
        {Variant(0), Variant(63), 20, 126},  // not clamped
        {Variant(0), Variant(63), -1, -6},
        {Variant(0), Variant(5), 5, 2},  // 2.5 -> 2
        {Variant(0), Variant(5), 7, 4},  // 3.5 -> 4
        {Variant(10), Variant(0), 5, 5},
        {Variant("10"), Variant(20.5), 10, 20},  // 10.5 -> 10, + 10
        {Variant(1.5), Variant(1.5), 3, 2},      // R = 0, then 1.5 -> 2
        {Variant(-100), Variant("$7F"), 10, 127},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(speedValue(c.slowest, c.fastest, c.level), c.speed)
            << c.slowest.toText() << " to " << c.fastest.toText() << ", level " << c.level;
    }
}

TEST(DomeCall, TheSpeedValueReachesTheFrame) {
    // Protocol 41's scan frame carries s in byte 3.
    const struct {
        int level;
        const char* byte3;
    } levels[] = {{0, "00"}, {3, "13"}, {5, "20"}, {10, "3F"}};
    for (const auto& l : levels) {
        auto table = test::domeTable(41, "Scan", {.length = Variant(8), .code = Variant(0x123456)});
        const auto sent = test::sendDomeCommand(*table, 41, 1, "Scan", l.level, 0);
        EXPECT_EQ(sent.trace, test::writeLine(std::string("83 42 1B ") + l.byte3 + " 83 12 34 56"))
            << "level " << l.level;
    }
}

TEST(DomeCall, ShortLengthRaisesBeforeAnythingIsWritten) {
    // Protocol 20's scan fails on its first frame: nothing of the sequence goes out.
    auto table = test::domeTable(20, "Scan", {.length = Variant(10), .code = Variant(1)});
    RecordingLine line;
    std::uint8_t flag = 0;
    BusyFlag busy(flag);
    try {
        writeCommandToGlobe(line, busy, *table, 20, 1, "Scan", 5, 0xFFFF);
        FAIL() << "no exception";
    } catch (const DynArrayOutOfRange& e) {
        EXPECT_EQ(e.length(), 10);
    }
    EXPECT_TRUE(line.trace().empty());
    EXPECT_EQ(flag, 0);
}

TEST(DomeCall, WaitsWhileTheFlagIsSetThenHoldsItThroughThePauses) {
    static std::uint8_t flag;
    static int waits;
    flag = 1;
    waits = 0;
    auto otherWriter = [](std::chrono::milliseconds interval) {
        EXPECT_EQ(interval, std::chrono::milliseconds(50));
        if (++waits == 2) flag = 0;
    };
    auto table = test::domeTable(43, "Up", {.length = Variant(3), .code = Variant(0x0500)});
    RecordingLine line;
    BusyFlag busy(flag, otherWriter);
    EXPECT_TRUE(writeCommandToGlobe(line, busy, *table, 43, 2, "Up", 0, 9).sent());
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(line.trace().size(), 10u);
    EXPECT_EQ(flag, 0);
}

// Every dome layout's registered frame length is exactly what it fills, for every frame its
// names choose, and a row one byte shorter raises before anything is written. Layouts that set
// their own length send the same whatever the row's Length.
TEST(DomeFrameLength, IsExactlyWhatEachLayoutNeeds) {
    const char* const names[] = {"Up", "Scan", "ScanStop", "Stop"};
    const std::int32_t params[] = {0, 5, -1, 0x7FFFFFFF};
    for (const DomeProtocol& p : domeProtocols()) {
        const bool ownLength = p.frameLength == DomeProtocol::kSetsOwnLength;
        for (const char* name : names) {
            const bool noFrame = (p.id == 15 || p.id == 33) && std::string_view(name) != "Up" &&
                                 std::string_view(name) != "Stop";
            for (std::int32_t param : params) {
                SCOPED_TRACE(testing::Message()
                             << "protocol " << p.id << ", " << name << ", P " << param);
                DomeCall call;
                call.code = 0x01020304;
                call.wire = 1;
                call.command = name;
                call.param = param;
                call.speed = 40;
                call.stay = 12;
                const int length = ownLength ? 100 : p.frameLength;
                std::string texts[2];
                for (int fill = 0; fill < 2; ++fill) {
                    CommandFrame frame;
                    frame.setLength(length);
                    for (int i = 0; i < length; ++i)
                        frame[i] = fill == 0 ? 0x00 : 0xA5;
                    WireTrace script;
                    p.layout(call, frame, script);
                    script.write(frame.bytes());
                    texts[fill] = script.text();
                    if (!ownLength) {
                        EXPECT_EQ(frame.length(), p.frameLength);
                    }
                }
                if (!noFrame) {
                    EXPECT_EQ(texts[0], texts[1]) << "unset bytes";
                }
                if (ownLength) {
                    CommandFrame empty;
                    WireTrace script;
                    p.layout(call, empty, script);
                    script.write(empty.bytes());
                    EXPECT_EQ(script.text(), texts[0]) << "depends on Length";
                    continue;
                }
                if (noFrame) continue;
                auto table = test::domeTable(
                    p.id, name, {.length = Variant(p.frameLength - 1), .code = Variant(1)});
                WireTrace script;
                EXPECT_THROW(encodeDomeCommand(*table, p.id, 1, name, 0, param, script),
                             DynArrayOutOfRange);
                EXPECT_TRUE(script.empty());
            }
        }
    }
}

TEST(DomeFrameLength, TheTwentyThreeDomeIdsAreRegistered) {
    const int ids[] = {9,  11, 14, 15, 18, 19, 20, 22, 23, 24, 27, 33,
                       37, 39, 41, 43, 44, 47, 49, 50, 51, 53, 54};
    for (int id = -1; id <= 56; ++id) {
        const bool registered = std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
        EXPECT_EQ(findDomeProtocol(id) != nullptr, registered) << "ID " << id;
    }
}

}  // namespace
}  // namespace kavro
