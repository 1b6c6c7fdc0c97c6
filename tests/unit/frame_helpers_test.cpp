// The pieces every protocol layout is built from: the checked frame, the checksums, the name
// tests, the mark/space send and the bit-pair fill.
#include <gtest/gtest.h>

#include "ptz/checksums.hpp"
#include "ptz/command_frame.hpp"
#include "ptz/name_tests.hpp"
#include "ptz/wire_helpers.hpp"

namespace kavro {
namespace {

CommandFrame frameOf(std::initializer_list<std::uint8_t> bytes) {
    CommandFrame frame;
    frame.setLength(static_cast<int>(bytes.size()));
    frame.set(0, bytes);
    return frame;
}

TEST(CommandFrame, FreshAndGrownBytesAreZero) {
    CommandFrame frame;
    frame.setLength(3);
    frame[1] = 7;
    frame.setLength(5);
    EXPECT_EQ(std::vector<std::uint8_t>(frame.bytes().begin(), frame.bytes().end()),
              (std::vector<std::uint8_t>{0, 7, 0, 0, 0}));
    frame.setLength(2);
    EXPECT_EQ(frame.length(), 2);
    EXPECT_EQ(frame[1], 7);
    // Shrinking and growing again zeroes what comes back, also past the inline bytes.
    frame.setLength(4);
    EXPECT_EQ(frame[2], 0);
    frame[3] = 9;
    frame.setLength(300);
    EXPECT_EQ(frame[1], 7);
    EXPECT_EQ(frame[3], 9);
    EXPECT_EQ(frame[299], 0);
    frame[299] = 1;
    frame.setLength(2);
    frame.setLength(300);
    EXPECT_EQ(frame[299], 0);
    const CommandFrame copy = frame;
    EXPECT_EQ(copy.length(), 300);
    EXPECT_EQ(copy[1], 7);
}

TEST(CommandFrame, AccessOutsideRaisesWithIndexAndLength) {
    CommandFrame frame;
    frame.setLength(6);
    try {
        frame[6] = 1;
        FAIL();
    } catch (const DynArrayOutOfRange& e) {
        EXPECT_EQ(e.index(), 6);
        EXPECT_EQ(e.length(), 6);
    }
    EXPECT_THROW(frame[-1], DynArrayOutOfRange);
    CommandFrame empty;
    EXPECT_THROW(empty[0], DynArrayOutOfRange);
    // set() tests its last byte first, so a short frame is left untouched
    EXPECT_THROW(frame.set(4, {1, 2, 3}), DynArrayOutOfRange);
    EXPECT_EQ(frame[4], 0);
    EXPECT_THROW(frame.setLength(-1), HostError);
    EXPECT_THROW(frame.setLength(CommandFrame::kMaxLength + 1), HostError);
}

TEST(Checksums, CheckValues) {
    const CommandFrame f = frameOf({0xAB, 0x03, 0x12, 0xCF, 0xCF, 0x00});
    EXPECT_EQ(byteSum(f, 1, 4), 0xB3);    // 435 mod 256
    EXPECT_EQ(sumMod255(f, 1, 4), 0xB4);  // 435 mod 255
    EXPECT_EQ(sum7(f, 1, 4), 0x33);
    EXPECT_EQ(complementSum(f, 1, 4), 0x4C);
    EXPECT_EQ(byteXor(f, 0, 4), 0xAB ^ 0x03 ^ 0x12);  // the two 0xCF cancel
    EXPECT_EQ(byteSum(f, 2, 2), 0x12);
    const CommandFrame all = frameOf({0xFF, 0xFF});
    EXPECT_EQ(sumMod255(all, 0, 1), 0);  // 510 mod 255: never 255
    EXPECT_THROW(byteSum(f, 1, 6), DynArrayOutOfRange);
}

TEST(NameTests, ShortNameAndEnding) {
    struct Case {
        const char* name;
        const char* shortName;
        const char* ending;
    } cases[] = {{"AutoStop", "Auto", "Stop"},    {"Up", "Up", "Up"}, {"Auto", "Auto", "Auto"},
                 {"IrisDecStop", "Iris", "Stop"}, {"", "", ""},       {"Wiper", "Wipe", "iper"}};
    for (const Case& c : cases) {
        EXPECT_EQ(shortName(c.name), c.shortName) << c.name;
        EXPECT_EQ(nameEnding(c.name), c.ending) << c.name;
    }
    EXPECT_TRUE(isOneOf("Heat", {"Wipe", "Heat"}));
    EXPECT_FALSE(isOneOf("Autostop", {"AutoStop"}));  // exact and case-sensitive
}

TEST(BitPairFill, FirstSharingMaskIsOredInWhole) {
    struct Case {
        std::uint8_t byte;
        std::uint8_t expected;
    } cases[] = {{0x08, 0x18}, {0x01, 0x03}, {0x09, 0x0B},
                 {0x40, 0x60}, {0x80, 0x80}, {0x00, 0x00}};
    for (const Case& c : cases) {
        std::uint8_t b = c.byte;
        bitPairFill(b, {0x03, 0x18, 0x60});
        EXPECT_EQ(b, c.expected) << int(c.byte);
    }
}

TEST(MarkSpaceSend, AddressByteAtMarkRestAtSpace) {
    const CommandFrame f = frameOf({0x05, 0x77, 0x1D});
    WireTrace script;
    markSpaceSend(f, script);
    EXPECT_EQ(script.text(),
              "parity mark\npause 20\nwrite 05\npause 20\nparity space\npause 20\nwrite 77 1D\n");
}

}  // namespace
}  // namespace kavro
