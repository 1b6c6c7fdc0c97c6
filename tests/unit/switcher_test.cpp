// The matrix switcher: the frames of protocols 4, 15 and 28 for the two channel numbers, and the
// busy flag taken for every protocol value.
#include "kavro/switcher.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "kavro/recording_line.hpp"
#include "tests/support/case_names.hpp"
#include "tests/support/decoder_fixture.hpp"

namespace kavro {
namespace {

using test::writeLine;

struct SwitchCase {
    std::int32_t protocol, first, second;
    std::string trace;
};

std::ostream& operator<<(std::ostream& out, const SwitchCase& c) {
    return out << "protocol " << c.protocol << ", " << c.first << " to " << c.second;
}

// The flag starts set: the call must wait for it once, whatever the protocol, and the "other
// writer" lets go at the first wait.
std::uint8_t flagByte;
int waits;
void otherWriterLetsGo(std::chrono::milliseconds) {
    ++waits;
    flagByte = 0;
}

struct Switched {
    bool known;
    std::string trace;
};

Switched switchOn(const SwitchCase& c, RecordingLine& line) {
    flagByte = 1;
    waits = 0;
    BusyFlag busy(flagByte, otherWriterLetsGo);
    const bool known = writeCommandToSwitch(line, busy, c.protocol, c.first, c.second).known;
    EXPECT_EQ(waits, 1) << "the flag was not taken";
    EXPECT_EQ(flagByte, 0);
    return {known, line.trace().text()};
}

class SwitchFrames : public testing::TestWithParam<SwitchCase> {};

const test::CaseNames<SwitchCase> switchName([](const SwitchCase& c) {
    return "Protocol" + std::to_string(c.protocol) + "_" +
           test::identifier(std::to_string(c.first)) + "_to_" +
           test::identifier(std::to_string(c.second));
});

TEST_P(SwitchFrames, SendsTheTraceUnderTheFlag) {
    const SwitchCase& c = GetParam();
    RecordingLine line;
    const Switched s = switchOn(c, line);
    EXPECT_EQ(s.known, !c.trace.empty());
    EXPECT_EQ(s.trace, c.trace);
}

std::string thrice(const std::string& text) {
    return writeLine(text) + writeLine(text) + writeLine(text);
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, SwitchFrames,
    testing::Values(
        SwitchCase{4, 3, 2, writeLine("FF FF FF FF 00 00 20 01 00 03 02 80 A0 FE EE EE")},
        SwitchCase{4, 300, -1, writeLine("FF FF FF FF 00 00 20 01 00 2C FF 80 72 FE EE EE")},
        SwitchCase{15, 12, 3, writeLine("FE 03 11 FF") + writeLine("FE 01 02 13 FF")},
        SwitchCase{15, 5, 14, writeLine("FE 01 04 11 FF") + writeLine("FE 05 11 FF")},
        SwitchCase{15, 0, 9, writeLine("FE 09 11 FF") + writeLine("FE 00 11 FF")},
        // 20 and above: the digit 1 and the units digit all the same; a low byte 0 to 9 of a
        // larger number goes out as that byte.
        SwitchCase{15, 25, 20, writeLine("FE 01 00 11 FF") + writeLine("FE 01 05 13 FF")},
        SwitchCase{15, 257, -1, writeLine("FE 01 FF 11 FF") + writeLine("FE 01 11 FF")},
        SwitchCase{28, 12, 5, thrice("41 30 31 32 30 30 35 30 33 31 30 30 30 30 30 30 42")},
        SwitchCase{28, 999, 0, thrice("41 39 39 39 30 30 30 30 33 31 30 30 30 30 30 30 42")},
        // Beyond 999 the hundreds count goes out as 0x30 plus it; below 0 each digit keeps the
        // sign of the number.
        SwitchCase{28, 1234, -5, thrice("41 3C 33 34 30 30 2B 30 33 31 30 30 30 30 30 30 42")},
        SwitchCase{7, 3, 2, ""}, SwitchCase{0, 3, 2, ""}, SwitchCase{-4, 3, 2, ""},
        SwitchCase{2147483647, 3, 2, ""}),
    switchName);

TEST(Switcher, FailingWritesAreAllMadeAndReported) {
    RecordingLine line;
    line.failWrites(true);
    flagByte = 0;
    BusyFlag busy(flagByte);
    const SwitchResult result = writeCommandToSwitch(line, busy, 28, 1, 2);
    EXPECT_TRUE(result.known);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(line.trace().size(), 3u);
    ASSERT_EQ(result.line.failures.size(), 3u);
    EXPECT_EQ(result.line.text(), "write 1 of 3 failed: Input/output error (and 2 later events)");
    EXPECT_EQ(flagByte, 0);
}

}  // namespace
}  // namespace kavro
