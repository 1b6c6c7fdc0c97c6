#include "kavro/line_settings.hpp"

#include <gtest/gtest.h>

#include "kavro/recording_line.hpp"
#include "tests/support/case_names.hpp"

namespace kavro {
namespace {

struct SettingsCase {
    int stopBits;
    const char* parity;
    std::uint8_t stopCode;
    std::uint8_t parityCode;
};

class ComState : public testing::TestWithParam<SettingsCase> {};

const test::CaseNames<SettingsCase> settingsName([](const SettingsCase& c) {
    return "StopBits" + std::to_string(c.stopBits) + "_Parity" + c.parity;
});

TEST_P(ComState, MapsTheRecordToTheLine) {
    const SettingsCase& c = GetParam();
    RecordingLine line(CommSettings{4800, 7, parity::kOdd, stopbits::kTwo});
    ASSERT_TRUE(setComState(line, LineSettings{19200, 8, c.stopBits, c.parity}));
    EXPECT_EQ(line.settings(), (CommSettings{19200, 8, c.parityCode, c.stopCode}));
}

INSTANTIATE_TEST_SUITE_P(StopBitsAndParityLetters, ComState,
                         testing::Values(SettingsCase{2, "E", stopbits::kTwo, parity::kEven},
                                         SettingsCase{1, "N", stopbits::kOne, parity::kNone},
                                         SettingsCase{1, "O", stopbits::kOne, parity::kOdd},
                                         SettingsCase{1, "M", stopbits::kOne, parity::kMark},
                                         // any other stop-bit value is one and a half
                                         SettingsCase{3, "N", stopbits::kOneAndHalf, parity::kNone},
                                         SettingsCase{0, "N", stopbits::kOneAndHalf, parity::kNone},
                                         // a word, a lowercase letter, the empty text: space
                                         SettingsCase{1, "Odd", stopbits::kOne, parity::kSpace},
                                         SettingsCase{1, "n", stopbits::kOne, parity::kSpace},
                                         SettingsCase{1, "", stopbits::kOne, parity::kSpace},
                                         SettingsCase{1, "S", stopbits::kOne, parity::kSpace}),
                         settingsName);

TEST(ComState, ReportsTheLinesRefusal) {
    RecordingLine line;
    line.failSettings(true);
    EXPECT_FALSE(setComState(line, LineSettings{}));
    EXPECT_FALSE(setComParity(line, parity::kMark));
}

TEST(ComParity, ChangesOnlyTheParityAndStays) {
    RecordingLine line(CommSettings{2400, 7, parity::kEven, stopbits::kTwo});
    ASSERT_TRUE(setComParity(line, 9));  // not validated: the line decides
    EXPECT_EQ(line.settings(), (CommSettings{2400, 7, 9, stopbits::kTwo}));
}

TEST(ParityByte, SetsTheParityThenWritesTheByte) {
    RecordingLine line;
    EXPECT_TRUE(writeByteWithParity(line, 0x41, parity::kMark));
    EXPECT_EQ(line.trace().text(), "parity mark\nwrite 41\n");
    EXPECT_EQ(line.settings().parity, parity::kMark);  // the line keeps it
    line.failWrites(true);
    EXPECT_FALSE(writeByteWithParity(line, 0x41, parity::kSpace));
}

struct ManualCase {
    std::uint8_t byte;
    std::uint8_t wanted;
    std::uint8_t parity;
};

class ManualParity : public testing::TestWithParam<ManualCase> {};

const test::CaseNames<ManualCase> manualName([](const ManualCase& c) {
    return "Byte" + std::to_string(c.byte) + "_NinthBit" + std::to_string(c.wanted);
});

TEST_P(ManualParity, PicksEvenOrOddForTheWantedNinthBit) {
    const ManualCase& c = GetParam();
    RecordingLine line;
    EXPECT_TRUE(writeByteWithParityBit(line, c.byte, c.wanted));
    EXPECT_EQ(line.settings().parity, c.parity);
    EXPECT_EQ(line.trace().writtenBytes(), std::vector<std::uint8_t>{c.byte});
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, ManualParity,
    testing::Values(ManualCase{0x03, 0, parity::kEven},  // two 1-bits, bit 0 wanted
                    ManualCase{0x03, 1, parity::kOdd}, ManualCase{0x01, 1, parity::kEven},
                    ManualCase{0x01, 0, parity::kOdd}, ManualCase{0x00, 0, parity::kEven},
                    ManualCase{0xFF, 1, parity::kOdd},
                    // a wanted bit other than 0 or 1 never matches: odd
                    ManualCase{0x03, 2, parity::kOdd}, ManualCase{0x01, 2, parity::kOdd}),
    manualName);

TEST(RecordingLine, ForwardsAndRecords) {
    RecordingLine inner(CommSettings{9600, 8, parity::kNone, stopbits::kOne});
    RecordingLine outer(&inner);
    ASSERT_TRUE(setComParity(outer, parity::kSpace));
    const std::uint8_t bytes[] = {1, 2};
    outer.write(bytes);
    outer.pause(std::chrono::milliseconds(20));
    EXPECT_EQ(outer.trace().text(), "parity space\nwrite 01 02\npause 20\n");
    EXPECT_EQ(inner.trace().text(), outer.trace().text());
    EXPECT_EQ(inner.settings().parity, parity::kSpace);
    // a change beyond the parity shows as a settings event
    ASSERT_TRUE(setComState(outer, LineSettings{19200, 8, 2, "E"}));
    EXPECT_EQ(eventText(outer.trace()[3]), "settings 19200 8 E 2");
}

}  // namespace
}  // namespace kavro
