// The frames every dome protocol puts on the wire, as traces of a recording line, for ordinary
// commands and the scan commands. Rows have BaseAddress 0 and the Length their layout needs
// unless a case says otherwise; the speed value S is set by a row whose Slowest and Fastest are
// both S.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/support/case_names.hpp"
#include "tests/support/dome_fixture.hpp"

namespace kavro {
namespace {

using test::pauseLine;
using test::writeLine;

struct DomeCase {
    int protocol;
    int length;  // the row's Length
    int camera;  // the wire address, BaseAddress being 0
    const char* command;
    std::uint32_t code;
    std::int32_t param;
    std::string trace;
    std::int32_t speed = 0;
    int stay = 0;
};

std::ostream& operator<<(std::ostream& out, const DomeCase& c) {
    return out << "protocol " << c.protocol << ", Length " << c.length << ", W " << c.camera << ", "
               << c.command << " = 0x" << std::hex << c.code << ", P 0x" << c.param << std::dec
               << ", S " << c.speed << ", T " << c.stay;
}

test::DecoderSend send(const DomeCase& c) {
    auto table = test::domeTable(c.protocol, c.command,
                                 {.length = Variant(c.length),
                                  .code = Variant(c.code),
                                  .stay = Variant(c.stay),
                                  .slowest = Variant(c.speed),
                                  .fastest = Variant(c.speed)});
    return test::sendDomeCommand(*table, c.protocol, c.camera, c.command, 0, c.param);
}

class DomeFrames : public testing::TestWithParam<DomeCase> {};

const test::CaseNames<DomeCase> domeName([](const DomeCase& c) {
    return "Protocol" + std::to_string(c.protocol) + "_" + c.command;
});

TEST_P(DomeFrames, SendsTheTrace) {
    const DomeCase& c = GetParam();
    const test::DecoderSend sent = send(c);
    EXPECT_TRUE(sent.sent);
    EXPECT_EQ(sent.trace, c.trace);
    EXPECT_EQ(sent.busyAfter, 0);
}

// The mark/space send of a frame, then the final write of the whole frame at space parity.
std::string markSpace(const std::string& address, const std::string& rest) {
    return "parity mark\n" + pauseLine(20) + writeLine(address) + pauseLine(20) + "parity space\n" +
           pauseLine(20) + writeLine(rest) + writeLine(address + " " + rest);
}

constexpr std::uint32_t kCode = 0x01020304;  // C3 C2 C1 C0 = 01 02 03 04

// Single frames: the vectors of the wire formats, and each layout's ordinary and scan frames.
INSTANTIATE_TEST_SUITE_P(
    SingleFrames, DomeFrames,
    testing::Values(
        DomeCase{23, 7, 1, "Up", 0x800, 0x20, writeLine("FF 01 00 00 08 20 29")},
        DomeCase{11, 8, 1, "Up", 0x800, 0x20, writeLine("A0 01 00 00 08 20 AF 26")},
        DomeCase{22, 8, 1, "Up", 0x800, 0x20, writeLine("A0 01 00 00 08 20 AF 29")},
        DomeCase{53, 2, 1, "Up", 0x800, 12, writeLine("01 77 59 01 02 D4")},
        DomeCase{53, 9, 1, "Preset", 0, 12, writeLine("01 77 59 01 02 D4")},
        DomeCase{53, 6, 1, "Up", 0x800, -12, writeLine("01 77 59 FF FE CE")},
        DomeCase{27, 7, 0x0102, "Up", 0x00AB00CD, 7, writeLine("F6 AB 01 02 07 CD 02")},
        DomeCase{27, 7, 0x0102, "Scan", 0x00AB00CD, 7, writeLine("F6 AB 01 02 07 CD 02")},
        DomeCase{50, 7, 1, "Up", 0x1234, 0, writeLine("86 00 00 07 34 01 42")},
        DomeCase{50, 7, 1, "Up", 0x1234, 200, writeLine("86 00 00 07 44 49 1A")},
        DomeCase{50, 7, 1, "Scan", 0x1234, -2, writeLine("86 00 00 07 24 7F 30")},
        DomeCase{9, 6, 1, "Up", kCode, 0x20, writeLine("02 01 04 20 27")},
        DomeCase{9, 6, 1, "ScanStop", kCode, 0x20, writeLine("02 01 04 20 27")},
        DomeCase{9, 6, 1, "Scan", kCode, 0x20, writeLine("02 01 04 00 07")},
        DomeCase{41, 4, 1, "Up", 0x00123456, 7, writeLine("83 12 34 07")},
        DomeCase{41, 4, 1, "Scan", 0x00123456, 7, writeLine("83 42 1B 28 83 12 34 56"), 40},
        DomeCase{41, 4, 1, "ScanStop", 0x00123456, 7, writeLine("83 42 1B 28 83 12 34 56"), 40},
        DomeCase{11, 8, 1, "Scan", kCode, 0x20, writeLine("A0 01 01 02 03 04 AF 0A")},
        DomeCase{24, 8, 1, "Up", kCode, 0x20, writeLine("A0 01 01 02 03 20 AF 2E")},
        DomeCase{24, 8, 1, "ScanStop", kCode, 0x20, writeLine("A0 01 01 02 03 04 AF 0A")},
        DomeCase{22, 8, 1, "Scan", kCode, 0x20, writeLine("A0 01 01 02 03 04 AF 05")},
        DomeCase{14, 9, 1, "Up", kCode, 0x20, writeLine("A0 01 01 01 02 20 04 04 D2")},
        DomeCase{14, 9, 1, "Scan", kCode, 0x20, writeLine("A0 01 01 01 02 03 04 04 EF")},
        DomeCase{15, 4, 1, "Up", kCode, 0x20, writeLine("FE 20 04 FF")},
        DomeCase{19, 7, 1, "Up", kCode, 0x20, writeLine("F2 01 04 20 00 00 25")},
        DomeCase{19, 7, 1, "ScanStop", kCode, 0x20, writeLine("F2 01 04 00 00 00 05")},
        DomeCase{33, 6, 1, "Up", kCode, 0x20, writeLine("01 01 02 03 20 21")},
        DomeCase{37, 7, 1, "Up", kCode, 0x20, writeLine("FF 01 01 02 03 20 27")},
        DomeCase{44, 7, 1, "Scan", kCode, 0x20, writeLine("FF 01 01 02 03 04 0B")},
        DomeCase{39, 9, 1, "Up", kCode, 0x20, writeLine("F0 01 00 02 20 04 00 27 FE")},
        DomeCase{39, 9, 1, "Scan", kCode, 0x20, writeLine("F0 01 00 02 03 04 01 0B FE")},
        DomeCase{47, 8, 1, "Up", kCode, 0x20, writeLine("A0 01 03 04 00 20 AF 26")},
        DomeCase{47, 8, 1, "Scan", kCode, 0x55, writeLine("A0 01 03 04 00 20 AF 26")},
        DomeCase{20, 11, 1, "Up", kCode, 0x20, writeLine("A0 01 01 00 01 20 03 04 FF AF D6")},
        DomeCase{49, 11, 1, "Up", kCode, 0x20, writeLine("A0 01 01 00 04 20 FF FF FF AF DC")},
        DomeCase{20, 11, 3, "ScanStop", kCode, 0x20, writeLine("A0 03 01 00 1F FF FF FF FF AF E0")},
        DomeCase{49, 11, 3, "ScanStop", kCode, 0x20, writeLine("A0 03 01 00 1F FF FF FF FF AF E0")},
        DomeCase{51, 5, 1, "Up", kCode, 0x20, writeLine("02 01 04 20 27")},
        DomeCase{51, 5, 1, "Scan", kCode, 0x20, writeLine("02 01 03 04 00 0A")},
        DomeCase{54, 7, 1, "Up", kCode, 0x20, writeLine("A5 01 02 03 21 00 CC")},
        DomeCase{54, 7, 1, "Scan", kCode, 0x20, writeLine("A5 01 02 03 04 00 AF")},
        // No frame for a scan command under 15 and 33, none at all for IDs without a dome
        // layout: the row's Length in zeros.
        DomeCase{15, 4, 1, "Scan", kCode, 0x20, writeLine("00 00 00 00")},
        DomeCase{33, 6, 1, "ScanStop", kCode, 0x20, writeLine("00 00 00 00 00 00")},
        DomeCase{7, 7, 1, "Up", kCode, 0x20, writeLine("00 00 00 00 00 00 00")},
        DomeCase{10, 3, 1, "Scan", kCode, 0x20, writeLine("00 00 00")},
        DomeCase{99, 2, 1, "Up", kCode, 0x20, writeLine("00 00")},
        // A longer row sends the layout's frame followed by zeros.
        DomeCase{23, 9, 1, "Up", 0x800, 0x20, writeLine("FF 01 00 00 08 20 29 00 00")}),
    domeName);

std::string times(int count, const std::string& text) {
    std::string all;
    for (int i = 0; i < count; ++i)
        all += text;
    return all;
}

// The address byte at mark parity, the rest at space parity: the five-byte frame, the 83-byte
// scan frame; and protocol 43's one byte per write with 10 ms pauses.
INSTANTIATE_TEST_SUITE_P(
    MarkSpace, DomeFrames,
    testing::Values(
        DomeCase{18, 5, 5, "Up", 0x1D, 4, markSpace("05", "77 1D 30 35")},
        DomeCase{18, 5, 5, "Up", 0x1D, -5, markSpace("05", "77 1D 30 2C")},
        DomeCase{18, 5, 5, "Up", 0x1D, 0x7FFFFFFF, markSpace("05", "77 1D 64 28")},
        DomeCase{18, 5, 5, "ScanStop", 0x1D, 4, markSpace("05", "77 1D 30 30")},
        DomeCase{18, 5, 5, "Scan", 0x1D, 5,
                 markSpace("05", "77 1D 30 31 33 31 32 30 33 33 31 32" + times(70, " 00")), 3, 12},
        DomeCase{43, 3, 2, "Up", 0x0500, 9,
                 "parity mark\n" + pauseLine(10) + writeLine("02") + pauseLine(10) +
                     "parity space\n" + pauseLine(10) + writeLine("05") + pauseLine(10) +
                     writeLine("09") + writeLine("02 05 09")}),
    domeName);

// Protocols 20 and 49 program a scan as frames: 0x80, one per position, 0x40, 500 ms, 0x21.
INSTANTIATE_TEST_SUITE_P(
    ScanSequences, DomeFrames,
    testing::Values(DomeCase{20, 11, 3, "Scan", kCode, 5,
                             writeLine("A0 03 01 00 23 00 80 FF FF AF 5A") +
                                 writeLine("A0 03 01 00 23 00 00 20 05 AF B3") +
                                 writeLine("A0 03 01 00 23 00 02 20 05 AF B1") +
                                 writeLine("A0 03 01 00 23 00 40 FF FF AF 9A") + pauseLine(500) +
                                 writeLine("A0 03 01 00 21 00 00 FF FF AF DC"),
                             32, 5},
                    DomeCase{20, 11, 3, "Scan", kCode, 0,
                             writeLine("A0 03 01 00 23 00 80 FF FF AF 5A") +
                                 writeLine("A0 03 01 00 23 00 40 FF FF AF 9A") + pauseLine(500) +
                                 writeLine("A0 03 01 00 21 00 00 FF FF AF DC"),
                             32, 5},
                    // Bit 31: no position for protocol 20 (positions 0 to 30), position 31 for 49.
                    DomeCase{20, 11, 3, "Scan", kCode, static_cast<std::int32_t>(0x80000001),
                             writeLine("A0 03 01 00 23 00 80 FF FF AF 5A") +
                                 writeLine("A0 03 01 00 23 00 00 20 05 AF B3") +
                                 writeLine("A0 03 01 00 23 00 40 FF FF AF 9A") + pauseLine(500) +
                                 writeLine("A0 03 01 00 21 00 00 FF FF AF DC"),
                             32, 5},
                    DomeCase{49, 11, 3, "Scan", kCode, static_cast<std::int32_t>(0x80000001),
                             writeLine("A0 03 01 00 23 00 80 FF FF AF 5A") +
                                 writeLine("A0 03 01 00 23 00 00 20 05 AF B3") +
                                 writeLine("A0 03 01 00 23 00 1F 20 05 AF 94") +
                                 writeLine("A0 03 01 00 23 00 40 FF FF AF 9A") + pauseLine(500) +
                                 writeLine("A0 03 01 00 21 00 00 FF FF AF DC"),
                             32, 5}),
    domeName);

// Counts of scan positions sent: at most 16, the lowest set bits first; protocol 18 looks at
// bits 0 to 15 only, 20 at bits 0 to 30, 49 at bits 0 to 31 and no further.
struct PositionsCase {
    int protocol;
    std::uint32_t mask;
    std::vector<int> positions;  // as the frames carry them
};

std::vector<int> sentPositions(int protocol, std::uint32_t mask) {
    const DomeCase c{protocol, protocol == 18 ? 5 : 11,         3, "Scan",
                     kCode,    static_cast<std::int32_t>(mask), ""};
    const std::string trace = send(c).trace;
    std::vector<int> positions;
    if (protocol == 18) {
        // The final write of the 83-byte frame: entries of 5 characters from byte 3.
        const std::string last = trace.substr(trace.rfind("write "));
        for (int entry = 0; entry < 16; ++entry) {
            const std::size_t at = 6 + 3 * static_cast<std::size_t>(3 + 5 * entry);
            const int tens = std::stoi(last.substr(at, 2), nullptr, 16);
            const int units = std::stoi(last.substr(at + 3, 2), nullptr, 16);
            if (tens != 0) positions.push_back((tens - 0x30) * 10 + units - 0x30);
        }
        return positions;
    }
    const std::string entryHead = "write A0 03 01 00 23 00 ";
    for (std::size_t at = trace.find(entryHead); at != std::string::npos;
         at = trace.find(entryHead, at + 1)) {
        const int k = std::stoi(trace.substr(at + entryHead.size(), 2), nullptr, 16);
        if (k != 0x80 && k != 0x40) positions.push_back(k);
    }
    return positions;
}

std::vector<int> range(int first, int last) {
    std::vector<int> values;
    for (int v = first; v <= last; ++v)
        values.push_back(v);
    return values;
}

TEST(DomeScan, SendsAtMostSixteenPositionsOfTheBitsItLooksAt) {
    const PositionsCase cases[] = {
        {18, 0xFFFFFFFF, range(1, 16)},
        {18, 0x00010001, {1}},
        {18, 0x0000A000, {14, 16}},
        {20, 0xFFFFFFFF, range(0, 15)},
        {20, 0xC0000000, {30}},
        {20, 0xAAAAAAAA, {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29}},
        {49, 0xFFFFFFFF, range(0, 15)},
        {49, 0xC0000000, {30, 31}},
        // Fewer than 16 set bits among 0 to 30 and bit 31 clear: positions 32 and up are not
        // sent, so no position goes out twice under two numbers.
        {49, 0x00000005, {0, 2}},
        {49, 0x7FFF0000, range(16, 30)},
    };
    for (const PositionsCase& c : cases) {
        EXPECT_EQ(sentPositions(c.protocol, c.mask), c.positions)
            << "protocol " << c.protocol << ", P 0x" << std::hex << c.mask;
    }
}

TEST(DomeScan, SpeedAndStayTimeGoOutAsCharactersOrBytes) {
    // T = 255 is the digits 25 and 5 (0x49 0x35); S = 63 is 0x30 + 63.
    DomeCase c18{18, 5, 1, "Scan", 0x1D, 1, "", 63, 255};
    EXPECT_NE(send(c18).trace.find("77 1D 30 31 6F 49 35 00"), std::string::npos);
    DomeCase c20{20, 11, 1, "Scan", 0x1D, 1, "", 63, 255};
    EXPECT_NE(send(c20).trace.find("A0 01 01 00 23 00 00 3F FF AF"), std::string::npos);
}

}  // namespace
}  // namespace kavro
