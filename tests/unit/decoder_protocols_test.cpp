// The frames every decoder protocol puts on the wire, as traces of a recording line: writes,
// pauses and parity changes in order. Rows have BaseAddress 0 and the Length their protocol
// needs unless a case says otherwise.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ptz/decoder_protocols.hpp"
#include "tests/support/case_names.hpp"
#include "tests/support/decoder_fixture.hpp"

namespace kavro {
namespace {

using test::pauseLine;
using test::writeLine;

struct FrameCase {
    int protocol;
    int length;  // the row's Length
    int camera;
    const char* command;
    std::uint32_t code;
    std::string trace;
    int baseAddress = 0;
};

std::ostream& operator<<(std::ostream& out, const FrameCase& c) {
    return out << "protocol " << c.protocol << ", Length " << c.length << ", camera " << c.camera
               << ", BaseAddress " << c.baseAddress << ", " << c.command << " = 0x" << std::hex
               << c.code << std::dec;
}

class DecoderFrames : public testing::TestWithParam<FrameCase> {};

const test::CaseNames<FrameCase> frameName([](const FrameCase& c) {
    return "Protocol" + std::to_string(c.protocol) + "_" + c.command;
});

TEST_P(DecoderFrames, SendsTheTrace) {
    const FrameCase& c = GetParam();
    const test::DecoderSend send =
        test::sendDecoderCommand(c.protocol, c.length, c.camera, c.command, c.code, c.baseAddress);
    EXPECT_TRUE(send.sent);
    EXPECT_EQ(send.trace, c.trace);
    EXPECT_EQ(send.busyAfter, 0);
}

// The mark/space send of a frame whose byte 0 is `address` and the rest `rest`, then the final
// write of the whole frame at space parity.
std::string markSpace(const std::string& address, const std::string& rest) {
    return "parity mark\n" + pauseLine(20) + writeLine(address) + pauseLine(20) + "parity space\n" +
           pauseLine(20) + writeLine(rest) + writeLine(address + " " + rest);
}

std::string twice(const std::string& hex, int pause) {
    return writeLine(hex) + pauseLine(pause) + writeLine(hex);
}

std::string times(int count, const std::string& hex) {
    std::string trace;
    for (int i = 0; i < count; ++i)
        trace += writeLine(hex);
    return trace;
}

// The two-byte frame, the wire address and the IDs without a protocol.
INSTANTIATE_TEST_SUITE_P(
    AddressAndUnsetFrames, DecoderFrames,
    testing::Values(FrameCase{2, 2, 5, "Up", 4660, writeLine("05 34")},
                    FrameCase{3, 2, 5, "Up", 4660, writeLine("05 34")},
                    FrameCase{6, 2, 5, "Up", 4660, writeLine("05 34")},
                    FrameCase{26, 2, 5, "Up", 4660, writeLine("05 34")},
                    FrameCase{30, 2, 5, "Up", 4660, writeLine("05 34")},
                    FrameCase{2, 2, 1, "Up", 0x34, writeLine("00 34"), -1},
                    FrameCase{2, 2, 300, "Up", 0x34, writeLine("2C 34")},
                    FrameCase{2, 2, 0, "Up", 0x34, writeLine("2C 34"), 300},
                    // A longer row sends the protocol's frame followed by zero bytes.
                    FrameCase{2, 4, 5, "Up", 0x34, writeLine("05 34 00 00")},
                    FrameCase{40, 4, 1, "Up", 0x1234, writeLine("00 00 00 00")},
                    FrameCase{32, 3, 1, "Up", 0x1234, writeLine("00 00 00")},
                    FrameCase{35, 1, 1, "Up", 0x1234, writeLine("00")},
                    FrameCase{36, 2, 1, "Up", 0x1234, writeLine("00 00")},
                    FrameCase{37, 0, 1, "Up", 0x1234, "write\n"},
                    FrameCase{52, 3, 1, "Up", 0x1234, writeLine("00 00 00")},
                    FrameCase{0, 2, 1, "Up", 0x1234, writeLine("00 00")},
                    FrameCase{-3, 2, 1, "Up", 0x1234, writeLine("00 00")},
                    FrameCase{55, 2, 1, "Up", 0x1234, writeLine("00 00")}),
    frameName);

INSTANTIATE_TEST_SUITE_P(
    SingleFrames1To27, DecoderFrames,
    testing::Values(
        FrameCase{1, 6, 3, "Up", 0x12, writeLine("AB 03 12 CF CF B3")},
        FrameCase{5, 6, 3, "Up", 0x12, writeLine("AB 03 12 CF CF B4")},
        FrameCase{4, 16, 5, "Up", 0x21,
                  writeLine("FF FF FF FF 00 00 10 00 00 00 05 21 34 FE EE EE")},
        FrameCase{7, 7, 1, "Up", 0x00083F00, writeLine("FF 01 00 08 3F 00 48")},
        FrameCase{13, 7, 1, "Up", 0x00083F00, writeLine("FF 01 00 08 3F 00 48")},
        FrameCase{19, 7, 1, "Up", 0x00083F00, writeLine("F2 01 00 08 3F 00 48")},
        FrameCase{21, 7, 1, "Up", 0x1234, writeLine("F2 01 34 12 00 00 47")},
        FrameCase{8, 5, 1, "Up", 0x05, writeLine("AA CB 00 01 05")},
        FrameCase{16, 4, 1, "Up", 0x05, writeLine("AA 01 05 B0")},
        FrameCase{25, 3, 1, "Up", 0x05, writeLine("EE 01 05")},
        FrameCase{12, 7, 70, "Up", 0x1234, writeLine("FA 34 02 06 12 00 48")},
        // W / 32 truncates toward zero and the remainder keeps the sign of W: -33 -> -1, -1.
        FrameCase{12, 7, -33, "Up", 0x1234, writeLine("FA 34 FF FF 12 00 3E")},
        FrameCase{27, 7, 1234, "Up", 0x563412, writeLine("F6 56 01 EA 34 12 07")},
        // A remainder above 255 goes out as its low byte: 999 -> 0xE7.
        FrameCase{27, 7, 999, "Up", 0x563412, writeLine("F6 56 00 E7 34 12 03")},
        FrameCase{22, 8, 1, "Heater", 0x01020304, writeLine("A0 01 01 02 03 04 AF 05")},
        FrameCase{22, 8, 1, "Up", 0x01020304, writeLine("A0 01 03 04 00 00 AF 06")},
        FrameCase{15, 4, 1, "Up", 0x1234, writeLine("FE 12 34 FF")},
        FrameCase{15, 4, 9, "Up", 0x1234, writeLine("FE 12 34 FF")},
        FrameCase{15, 0, 1, "Wiper", 0x1234, writeLine("FE 34 FF")},
        FrameCase{15, 64, 1, "Light", 0x1234, writeLine("FE 34 FF")},
        FrameCase{15, 64, 1, "Heat", 0x1234, writeLine("FE 34 FF")}),
    frameName);

INSTANTIATE_TEST_SUITE_P(
    Sequences1To27, DecoderFrames,
    testing::Values(
        FrameCase{11, 8, 0, "Up", 0x00083F00, twice("A0 00 00 08 3F 00 AF 38", 200)},
        FrameCase{24, 8, 0, "Up", 0x00083F00, twice("A0 00 00 08 3F 00 AF 38", 200)},
        FrameCase{10, 3, 0x85, "Up", 0x10, twice("85 10 15", 20)},
        FrameCase{9, 6, 1, "Auto", 0x010203,
                  writeLine("02 01 0F 01 FA 0D") + times(2, "02 01 0F 03 00 15")},
        FrameCase{9, 6, 1, "Up", 0x010203,
                  writeLine("02 01 0E FA FA 05") + writeLine("02 01 01 02 03 09")},
        // "Auto" is tested whole: "AutoStop" is an ordinary command.
        FrameCase{9, 6, 1, "AutoStop", 0x010203,
                  writeLine("02 01 0E FA FA 05") + writeLine("02 01 01 02 03 09")},
        FrameCase{14, 9, 2, "Left", 0x01020304,
                  writeLine("A0 01 02 01 02 03 04 04 EE") + pauseLine(50) +
                      writeLine("A0 01 02 01 03 03 04 04 ED")},
        FrameCase{14, 9, 2, "LeftStop", 0x01020304, writeLine("A0 01 02 01 02 03 04 04 EE")},
        FrameCase{14, 9, 2, "Stop", 0x01020304, writeLine("A0 01 02 01 02 03 04 04 EE")},
        FrameCase{14, 9, 2, "Left", 0x02020304, writeLine("A0 01 02 02 02 03 04 04 ED")},
        // byte 4 0x40 takes the mask 0x60; byte 5 0x08 the mask 0x0C.
        FrameCase{14, 9, 2, "Up", 0x01400800,
                  writeLine("A0 01 02 01 40 08 00 00 B3") + pauseLine(50) +
                      writeLine("A0 01 02 01 60 0C 00 00 8F")},
        FrameCase{20, 11, 1, "Left", 0x02081000,
                  writeLine("A0 01 01 02 08 10 10 00 FF AF D4") + pauseLine(50) +
                      writeLine("A0 01 01 03 18 10 10 00 FF AF C3")},
        FrameCase{20, 11, 1, "AutoStop", 0x02081000, writeLine("A0 01 01 02 08 10 10 00 FF AF D4")},
        FrameCase{20, 11, 1, "Power", 0x0102, writeLine("A0 01 01 80 01 01 02 FF FF AF 7B")},
        FrameCase{20, 11, 1, "WipeStop", 0x0102, writeLine("A0 01 01 80 01 01 02 FF FF AF 7B")},
        FrameCase{
            23, 7, 1, "AutoStop", 0x00083F00,
            writeLine("FF 01 20 00 00 00 21") + pauseLine(100) + writeLine("FF 01 00 08 3F 00 48")},
        FrameCase{23, 7, 1, "Up", 0x0008, twice("FF 01 00 08 20 20 49", 200)},
        FrameCase{23, 7, 1, "Heat", 0x01020304, writeLine("FF 01 01 02 03 04 0B")},
        FrameCase{17, 3, 1, "Up", 0x05, markSpace("01", "77 05")},
        FrameCase{18, 5, 1, "Up", 0x010203, markSpace("01", "77 01 02 03")}),
    frameName);

INSTANTIATE_TEST_SUITE_P(
    SingleFrames28To54, DecoderFrames,
    testing::Values(
        FrameCase{29, 3, 1, "Up", 0x05, writeLine("EE 01 05")},
        FrameCase{31, 8, 5, "Up", 0x1234, writeLine("AA 02 00 05 05 12 34 52")},
        FrameCase{33, 6, 1, "Up", 0x01020304, writeLine("01 01 02 03 04 05")},
        FrameCase{34, 4, 2, "ZoomInc", 0x0305, writeLine("82 45 03 CA")},
        FrameCase{34, 4, 2, "ZoomDec", 0x0305, writeLine("82 45 03 CA")},
        FrameCase{34, 4, 2, "Up", 0x0305, writeLine("82 45 0A D1")},
        FrameCase{34, 4, 2, "ZoomIncStop", 0x0305, writeLine("82 45 0A D1")},
        // w + 0x80 and C0 + 0x40 wrap.
        FrameCase{34, 4, 0x81, "Up", 0xC5, writeLine("01 05 0A 10")},
        FrameCase{38, 6, 3, "AutoStop", 0x0102, writeLine("40 01 03 02 00 46")},
        FrameCase{38, 0, 3, "Power", 0x0102, writeLine("40 01 03 02 00 46")},
        FrameCase{38, 64, 3, "Light", 0x0102, writeLine("40 01 03 02 00 46")},
        FrameCase{38, 6, 3, "Up", 0x0102, writeLine("40 01 03 02 46")},
        FrameCase{38, 64, 3, "Heat", 0x0102, writeLine("40 01 03 02 46")},
        FrameCase{39, 9, 1, "Up", 0x010203, writeLine("F0 01 00 01 02 03 01 08 FE")},
        FrameCase{42, 9, 1, "Up", 0x11223344, writeLine("FF 01 88 11 22 33 45 00 00")},
        FrameCase{42, 9, 1, "Right", 0x11223344, writeLine("FF 01 88 11 22 33 45 00 00")},
        FrameCase{42, 9, 1, "ZoomInc", 0x11223344, writeLine("FF 01 22 33 00 00 45 00 00")},
        FrameCase{42, 9, 1, "UpStop", 0x11223344, writeLine("FF 01 22 33 00 00 45 00 00")},
        FrameCase{46, 6, 1, "Up", 0x05, writeLine("A5 00 05 00 AF 55")},
        FrameCase{46, 6, 0, "Up", 0x05, writeLine("A5 FF 05 00 AF 55")},
        FrameCase{48, 6, 1, "Up", 0x0203, writeLine("AB 01 02 03 00 03")},
        FrameCase{50, 7, 1, "Up", 0x0102, writeLine("86 00 00 04 01 02 0D")},
        FrameCase{50, 7, 0, "Up", 0x0102, writeLine("86 FF FF 04 01 02 0B")},
        FrameCase{50, 7, 300, "Up", 0x0102, writeLine("86 01 2B 04 01 02 39")},
        FrameCase{50, 7, 300, "Wipe", 0x0102, writeLine("86 01 2B 07 01 02 3C")},
        // W - 1 is taken whole: 65536 gives 0xFFFF, not a byte that wrapped.
        FrameCase{50, 7, 65536, "Up", 0x0102, writeLine("86 FF FF 04 01 02 0B")},
        FrameCase{53, 4, 1, "Up", 0x05, writeLine("01 77 05 7D")},
        FrameCase{53, 0, 1, "Up", 0x05, writeLine("01 77 05 7D")},
        FrameCase{53, 64, 1, "Up", 0x05, writeLine("01 77 05 7D")},
        FrameCase{54, 7, 1, "Up", 0x0102, writeLine("A5 01 00 01 02 00 A9")},
        FrameCase{54, 7, 1, "Autostop", 0x0102, writeLine("A5 01 00 00 00 00 A6")},
        FrameCase{54, 0, 1, "AutoStop", 0x0102, writeLine("A5 01 00 01 02 00 A9")},
        FrameCase{54, 64, 1, "Autostop", 0x0102, writeLine("A5 01 00 00 00 00 A6")}),
    frameName);

const std::string kAscii45Header = "02 41 44 30 37 3B 47 43 ";

INSTANTIATE_TEST_SUITE_P(
    AsciiFrames, DecoderFrames,
    testing::Values(FrameCase{28, 17, 3, "Up", 123,
                              writeLine("41 30 30 33 30 30 33 31 32 33 30 30 30 30 30 30 42")},
                    FrameCase{28, 17, 3, "Up", 1234,
                              writeLine("41 30 30 33 30 30 33 3C 33 34 30 30 30 30 30 30 42")},
                    FrameCase{28, 17, 3, "Stop", 123,
                              times(6, "41 30 30 33 30 30 33 31 32 33 30 30 30 30 30 30 42")},
                    FrameCase{28, 17, 3, "UpStop", 123,
                              times(6, "41 30 30 33 30 30 33 31 32 33 30 30 30 30 30 30 42")},
                    FrameCase{28, 17, 3, "AutoStop", 123,
                              times(6, "41 30 30 33 30 30 33 31 32 33 30 30 30 30 30 30 42")},
                    // The ending is case-sensitive.
                    FrameCase{28, 17, 3, "UpSTOP", 123,
                              writeLine("41 30 30 33 30 30 33 31 32 33 30 30 30 30 30 30 42")},
                    FrameCase{45, 26, 7, "Up", 0x0102,
                              writeLine(kAscii45Header +
                                        "01 3A 32 30 32 31 33 36 02 3A 32 30 32 32 35 35 30 03")},
                    FrameCase{45, 0, 7, "Up", 0x030102,
                              writeLine(kAscii45Header + "03 3A 32 30 32 31 01 32 02 03")},
                    FrameCase{45, 64, 7, "AutoStop", 0x01020304,
                              writeLine(kAscii45Header +
                                        "46 3A 32 30 32 31 01 02 03 3A 32 30 32 32 31 04 30 03")},
                    FrameCase{45, 18, 7, "IrisInc", 0x01020304,
                              writeLine(kAscii45Header +
                                        "46 3A 30 30 32 31 30 30 32 3A 32 30 32 31 32 31 04 03")},
                    FrameCase{45, 26, 123, "Up", 0x0102,
                              writeLine("02 41 44 3C 33 3B 47 43 "
                                        "01 3A 32 30 32 31 33 36 02 3A 32 30 32 32 35 35 30 03")}),
    frameName);

INSTANTIATE_TEST_SUITE_P(
    Sequences28To54, DecoderFrames,
    testing::Values(
        FrameCase{43, 3, 1, "Up", 0x0102, markSpace("01", "01 02")},
        FrameCase{44, 7, 1, "Up", 0x0008, twice("FF 01 00 08 20 20 49", 200)},
        FrameCase{
            44, 7, 1, "AutoStop", 0x0008,
            writeLine("FF 01 90 00 00 00 91") + pauseLine(100) + writeLine("FF 01 00 00 00 08 09")},
        FrameCase{44, 7, 1, "Light", 0x01020304, writeLine("FF 01 01 02 03 04 0B")},
        FrameCase{47, 8, 1, "Up", 0x08, twice("A0 01 00 00 00 08 AF 09", 200)},
        FrameCase{47, 8, 1, "ZoomInc", 0x01020304, twice("A0 01 03 04 00 00 AF 06", 200)},
        FrameCase{49, 11, 1, "IrisInc", 0x012005,
                  writeLine("A0 01 01 01 20 00 00 05 FF AF D8") + pauseLine(50) +
                      writeLine("A0 01 01 03 60 00 00 05 FF AF 96")},
        FrameCase{49, 11, 1, "Up", 0x080000,
                  writeLine("A0 01 01 00 08 00 00 00 FF AF F6") + pauseLine(50) +
                      writeLine("A0 01 01 00 18 00 00 00 FF AF E6")},
        FrameCase{49, 11, 1, "Auto", 0x0103, writeLine("A0 01 01 80 01 01 03 FF FF AF 7A")},
        FrameCase{49, 11, 1, "Wiper", 0x0103, writeLine("A0 01 01 80 01 01 03 FF FF AF 7A")},
        FrameCase{51, 12, 1, "Up", 0x0102, twice("02 01 00 01 02 06 02 01 0E 80 80 11", 20)},
        FrameCase{51, 0, 1, "Auto", 0x0102, twice("02 01 01 02 00 06", 20)},
        FrameCase{51, 64, 1, "AutoStop", 0x0102, twice("02 01 01 02 00 06", 20)},
        FrameCase{51, 6, 1, "Autostop", 0x0102, twice("02 01 00 01 02 06 02 01 0E 80 80 11", 20)}),
    frameName);

// The protocol that tests whole names against a list: exactly these thirteen take the
// three-byte frame; near misses take the four-byte one.
class LengthByName : public testing::TestWithParam<const char*> {};

TEST_P(LengthByName, StopsAndIrisCommandsSendThreeBytes) {
    EXPECT_EQ(test::sendDecoderCommand(41, 8, 1, GetParam(), 0x123456).trace,
              writeLine("82 34 56"));
}

INSTANTIATE_TEST_SUITE_P(TheThirteen, LengthByName,
                         testing::Values("LeftStop", "RightStop", "UpStop", "DownStop", "Stop",
                                         "ZoomIncStop", "ZoomDecStop", "IrisInc", "IrisIncStop",
                                         "IrisDec", "IrisDecStop", "FocusIncStop", "FocusDecStop"),
                         test::CaseNames<const char*>([](const char* name) {
                             return std::string(name);
                         }));

TEST(LengthByName, OtherNamesSendTheFourOrEightByteFrame) {
    for (const char* name :
         {"ZoomInc", "ZoomDec", "FocusInc", "FocusDec", "Up", "Autostop", "stop", "IrisIncStop2"}) {
        EXPECT_EQ(test::sendDecoderCommand(41, 0, 1, name, 0x123456).trace,
                  writeLine("83 12 34 56"))
            << name;
    }
    for (const char* name : {"Auto", "AutoStop"}) {
        EXPECT_EQ(test::sendDecoderCommand(41, 64, 1, name, 0x123456).trace,
                  writeLine("83 42 1A 01 83 12 34 56"))
            << name;
    }
}

// For every protocol with a fixed frame, a row one byte short fails on its first access beyond
// the frame, before anything is written, and leaves the busy flag clear.
TEST(DecoderFrames, RowOneByteShortWritesNothing) {
    for (const DecoderProtocol& p : decoderProtocols()) {
        if (p.frameLength == DecoderProtocol::kSetsOwnLength) continue;
        for (const char* name : {"Up", "Auto", "AutoStop", "Heat", "IrisInc", "LeftStop"}) {
            const test::DecoderSend send =
                test::sendDecoderCommand(p.id, p.frameLength - 1, 1, name, 0x01020304);
            EXPECT_TRUE(send.frameTooShort) << "protocol " << p.id << ", " << name;
            EXPECT_EQ(send.trace, "") << "protocol " << p.id << ", " << name;
            EXPECT_EQ(send.busyAfter, 0) << "protocol " << p.id << ", " << name;
        }
    }
}

}  // namespace
}  // namespace kavro
