// Serial lines behind a real device server: ser2net, started by the test on 127.0.0.1, in front
// of a pseudo-terminal the test holds. What the library sends through RFC 2217 or raw TCP must
// arrive on the pty byte for byte, at the parity and speed the protocol set, and a parity
// change must never overtake bytes written before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/line_open.hpp"
#include "kavro/line_settings.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "tests/support/decoder_fixture.hpp"
#include "tests/support/device_server.hpp"
#include "tests/support/dome_fixture.hpp"
#include "tests/support/process.hpp"
#include "tests/support/pty_device.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Bytes = std::vector<std::uint8_t>;

Bytes hex(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

// The mark/space bits a byte was read under: the last settings change seen before it.
enum class Parity { NoneOrOther, Mark, Space };
Parity parityOf(tcflag_t cflag) {
    if ((cflag & CMSPAR) == 0) return Parity::NoneOrOther;
    return (cflag & PARODD) != 0 ? Parity::Mark : Parity::Space;
}

class DeviceServerLine : public testing::Test {
  public:
    void SetUp() override {
        server = std::make_unique<test::Ser2netServer>(pty.path());
        if (server->error() == "ser2net is not installed") GTEST_SKIP() << server->error();
        ASSERT_TRUE(server->running()) << server->error();
    }

    std::unique_ptr<SerialLine> open(const std::string& url) {
        LineOptions options;
        options.connectTimeout = milliseconds(2000);
        options.ackTimeout = milliseconds(1000);
        return openLine(url, options);
    }

    // The bytes read, each with the parity in force when it was read.
    std::vector<std::pair<std::uint8_t, Parity>> bytesWithParity() const {
        std::vector<std::pair<std::uint8_t, Parity>> out;
        Parity now = Parity::NoneOrOther;
        for (const auto& e : recorder->entries()) {
            if (!e.isByte) {
                now = parityOf(e.cflag);
            } else {
                out.emplace_back(e.byte, now);
            }
        }
        return out;
    }

    test::PtyDevice pty;
    std::unique_ptr<test::Ser2netServer> server;
    std::unique_ptr<test::PtyRecorder> recorder = std::make_unique<test::PtyRecorder>(pty);
};

struct GoldenCase {
    const char* name;
    bool dome;
    int protocol, length, camera;
    const char* command;
    std::uint32_t code;
    std::int32_t param;
    std::int32_t speed;       // dome: the row's Slowest and Fastest alike
    int stay;                 // dome StayTime
    const char* addressByte;  // sent alone at mark parity; "" for protocols without mark/space
    const char* frame;        // the whole frame, as its final write sends it
};

// Golden frames of the protocol families that stress a device server: the 0xFF sync byte
// (doubled on the wire, single on the device), two frames with a pause between, and the
// mark/space send, ending with the whole frame once more at space parity.
const GoldenCase kGolden[] = {
    {"Sync0xFF", false, 7, 7, 1, "Up", 0x00083F00, 0, 0, 0, "", "FF 01 00 08 3F 00 48"},
    {"TwoFramesAndPause", false, 11, 8, 0, "Up", 0x00083F00, 0, 0, 0, "",
     "A0 00 00 08 3F 00 AF 38"},
    {"MarkSpace17", false, 17, 3, 1, "Up", 0x05, 0, 0, 0, "01", "01 77 05"},
    {"MarkSpace43", false, 43, 3, 1, "Up", 0x0102, 0, 0, 0, "01", "01 01 02"},
    // Positions 0 and 2 at speed 3, staying 12: the first 13 of the frame's 83 bytes.
    {"DomeScan18", true, 18, 5, 5, "Scan", 0x1D, 5, 3, 12, "05",
     "05 77 1D 30 31 33 31 32 30 33 33 31 32"},
};

TEST_F(DeviceServerLine, GoldenFramesReachThePtyThroughRfc2217) {
    auto line = open(server->rfc2217Url());
    for (const GoldenCase& c : kGolden) {
        recorder->clear();
        // What the protocol sends, from the encoder's own script (its bytes are golden-tested
        // against the wire formats elsewhere; here they must come through unchanged).
        RecordingLine script;
        std::uint8_t flagByte = 0;
        BusyFlag flag(flagByte);
        std::unique_ptr<MemoryRecordSet> table;
        SendResult sent;
        if (c.dome) {
            table = test::domeTable(c.protocol, c.command,
                                    {.length = Variant(c.length),
                                     .code = Variant(c.code),
                                     .stay = Variant(c.stay),
                                     .slowest = Variant(c.speed),
                                     .fastest = Variant(c.speed)});
            writeCommandToGlobe(script, flag, *table, c.protocol, c.camera, c.command, 0, c.param);
            sent = writeCommandToGlobe(*line, flag, *table, c.protocol, c.camera, c.command, 0,
                                       c.param);
        } else {
            table = test::oneRowTable(c.protocol, Variant(c.length), Variant(0), c.command,
                                      Variant(c.code));
            writeCommandToDecoder(script, flag, c.protocol, *table, c.camera, c.command);
            sent = writeCommandToDecoder(*line, flag, c.protocol, *table, c.camera, c.command);
        }
        ASSERT_TRUE(sent.ok()) << c.name << ": " << sent.message << sent.line.text();
        EXPECT_EQ(flagByte, 0) << c.name;

        const Bytes expected = script.trace().writtenBytes();
        // The script's final write is the golden frame (a dome scan frame ends in zeros).
        Bytes last;
        for (std::size_t i = 0; i < script.trace().size(); ++i) {
            const WireTrace::Event e = script.trace()[i];
            if (e.kind == WireTrace::Kind::Write) last.assign(e.bytes.begin(), e.bytes.end());
        }
        const Bytes frame = hex(c.frame);
        ASSERT_GE(last.size(), frame.size()) << c.name;
        EXPECT_EQ(Bytes(last.begin(), last.begin() + static_cast<std::ptrdiff_t>(frame.size())),
                  frame)
            << c.name;
        ASSERT_TRUE(recorder->waitForBytes(expected.size(), milliseconds(2000))) << c.name;
        EXPECT_EQ(recorder->bytes(), expected) << c.name;

        const auto read = bytesWithParity();
        if (*c.addressByte != '\0') {
            // The address byte alone under mark (CMSPAR with PARODD), the rest under space.
            ASSERT_FALSE(read.empty());
            EXPECT_EQ(read.front().first, hex(c.addressByte)[0]) << c.name;
            EXPECT_EQ(read.front().second, Parity::Mark) << c.name;
            for (std::size_t i = 1; i < read.size(); ++i) {
                EXPECT_EQ(read[i].second, Parity::Space) << c.name << " byte " << i;
            }
        } else {
            for (const auto& [byte, parity] : read) {
                EXPECT_NE(parity, Parity::Mark) << c.name;
            }
        }
        if (c.protocol == 11) {
            // Two frames of 8 bytes, 200 ms apart on the pty too.
            const auto entries = recorder->entries();
            std::vector<Clock::time_point> at;
            for (const auto& e : entries) {
                if (e.isByte) at.push_back(e.at);
            }
            ASSERT_EQ(at.size(), 16u);
            EXPECT_GE(at[8] - at[7], milliseconds(190));
        }
    }
}

TEST_F(DeviceServerLine, SpeedAndFramingFollowTheDecoderLineSettings) {
    auto line = open(server->rfc2217Url());
    ASSERT_TRUE(setComState(*line, LineSettings{19200, 7, 2, "O"}));
    ASSERT_TRUE(recorder->waitForSettings(
        [](const termios& t) { return cfgetospeed(&t) == B19200; }, milliseconds(1000)));
    const termios t = pty.settings();
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & PARODD, 0u);
    EXPECT_EQ(t.c_cflag & CMSPAR, 0u);
    // A pty forces CS8 whatever was asked; the server's acknowledgement says what it set.
    CommSettings s;
    ASSERT_TRUE(line->readSettings(s));
    EXPECT_EQ(s, (CommSettings{19200, 7, parity::kOdd, stopbits::kTwo}));

    ASSERT_TRUE(setComState(*line, LineSettings{2400, 8, 1, "N"}));
    EXPECT_TRUE(recorder->waitForSettings(
        [](const termios& now) {
            return cfgetospeed(&now) == B2400 && (now.c_cflag & CSTOPB) == 0;
        },
        milliseconds(1000)));

    // One and a half stop bits with 8 data bits: the server fails to set them and, as
    // ser2net does, sends no acknowledgement at all.
    const auto start = Clock::now();
    const LineResult r = line->writeSettings({2400, 8, parity::kNone, stopbits::kOneAndHalf});
    EXPECT_TRUE(r.isTimedOut()) << r.error();
    EXPECT_LT(Clock::now() - start, milliseconds(1500));
}

// Two mark/space calls back to back at 1200 baud: the final write of the first is followed at
// once by the second's change to mark. Replaying the bytes through a UART at the line's speed
// (each character 11 bits: start, 8 data, parity, stop), no change may come before the bytes
// read ahead of it have left that UART.
TEST_F(DeviceServerLine, NoParityChangeOvertakesBytesStillOnTheWire) {
    auto line = open(server->rfc2217Url());
    ASSERT_TRUE(setComState(*line, LineSettings{1200, 8, 1, "N"}));
    ASSERT_TRUE(recorder->waitForSettings([](const termios& t) { return cfgetospeed(&t) == B1200; },
                                          milliseconds(1000)));
    recorder->clear();

    auto table = test::domeTable(18, "Up", {Variant(5), Variant(0x1D)});
    std::uint8_t flagByte = 0;
    BusyFlag flag(flagByte);
    for (int call = 0; call < 2; ++call) {
        const SendResult sent = writeCommandToGlobe(*line, flag, *table, 18, 5, "Up", 0, 4);
        ASSERT_TRUE(sent.ok()) << sent.line.text();
    }
    // Each call: 05 at mark, 77 1D 30 35 at space, 05 77 1D 30 35 at space.
    ASSERT_TRUE(recorder->waitForBytes(20, milliseconds(2000)));
    std::this_thread::sleep_for(milliseconds(60));  // the last character's time at 1200 baud
    const auto entries = recorder->entries();

    const auto character = std::chrono::microseconds(11 * 1000000 / 1200);
    Clock::time_point uartFree{};
    std::size_t bytesSeen = 0;
    std::vector<std::size_t> bytesBeforeChange;
    for (const auto& e : entries) {
        if (e.isByte) {
            uartFree = std::max(uartFree, e.at) + character;
            ++bytesSeen;
            continue;
        }
        if (parityOf(e.cflag) == Parity::NoneOrOther) continue;
        bytesBeforeChange.push_back(bytesSeen);
        if (bytesSeen > 0) {
            EXPECT_TRUE(e.at >= uartFree)
                << "a change "
                << std::chrono::duration_cast<std::chrono::microseconds>(uartFree - e.at).count()
                << " us before byte " << bytesSeen << " left the wire";
        }
    }
    // mark, space; then, after the first call's 10 bytes, the second's mark and space.
    EXPECT_EQ(bytesBeforeChange, (std::vector<std::size_t>{0, 1, 10, 11}));
}

TEST_F(DeviceServerLine, RawTcpSendsBytesAsTheyAreAndRefusesSettings) {
    auto line = open(server->rawUrl());
    const Bytes frame = hex("FF 01 00 08 3F 00 48");
    ASSERT_TRUE(line->write(frame));
    ASSERT_TRUE(recorder->waitForBytes(frame.size(), milliseconds(2000)));
    EXPECT_EQ(recorder->bytes(), frame);

    // The server's settings (as the line was told them, 9600 8 N 1) are fine to write again.
    EXPECT_TRUE(setComState(*line, LineSettings{9600, 8, 1, "N"}));
    const LineResult refused = setComParity(*line, parity::kMark);
    EXPECT_EQ(refused.error(), "a raw TCP line cannot change its settings");

    // A mark/space protocol sends nothing: every write after the refused change fails too.
    recorder->clear();
    auto table = test::oneRowTable(17, Variant(3), Variant(0), "Up", Variant(5));
    std::uint8_t flagByte = 0;
    BusyFlag flag(flagByte);
    const SendResult sent = writeCommandToDecoder(*line, flag, 17, *table, 1, "Up");
    EXPECT_TRUE(sent.sent());
    EXPECT_FALSE(sent.line.ok());
    EXPECT_EQ(sent.line.failures.size(), 5u);  // mark, 01, space, 77 05, 01 77 05
    EXPECT_NE(sent.line.text().find("a raw TCP line cannot change its settings"), std::string::npos)
        << sent.line.text();
    EXPECT_EQ(flagByte, 0);
    // Back at the server's settings, bytes go again.
    ASSERT_TRUE(setComParity(*line, parity::kNone));
    ASSERT_TRUE(line->write(frame));
    ASSERT_TRUE(recorder->waitForBytes(frame.size(), milliseconds(2000)));
    EXPECT_EQ(recorder->bytes(), frame);
}

TEST_F(DeviceServerLine, ServerStoppedMidCallFailsTheCallAndReleasesTheFlag) {
    auto line = open(server->rfc2217Url());
    auto table = test::oneRowTable(11, Variant(8), Variant(0), "Up", Variant(0x00083F00));
    std::uint8_t flagByte = 0;
    BusyFlag flag(flagByte);
    const auto start = Clock::now();
    // Protocol 11: a frame, 200 ms, the frame again. The server goes during the pause.
    auto call = std::async(std::launch::async,
                           [&] { return writeCommandToDecoder(*line, flag, 11, *table, 0, "Up"); });
    ASSERT_TRUE(recorder->waitForBytes(8, milliseconds(1000)));
    server->kill();
    ASSERT_EQ(call.wait_for(milliseconds(1500)), std::future_status::ready);
    const SendResult sent = call.get();
    EXPECT_LT(Clock::now() - start, milliseconds(1500));
    EXPECT_TRUE(sent.sent());
    ASSERT_FALSE(sent.line.ok());
    EXPECT_EQ(sent.line.text(), "write 2 of 2 failed: the device server closed the connection");
    EXPECT_EQ(flagByte, 0);
    // Every later call fails at once, saying why.
    CommSettings s;
    EXPECT_EQ(line->readSettings(s).error(), "the device server closed the connection");
}

// A device server that sees the connection end may drop what it has not yet written to its
// port, so a line closed right after its last write must still deliver it: closing waits for
// the bytes to leave and ends the connection cleanly. Without that, a frame in a few dozen was
// lost (and a tool run in four, with its start-up in between). (One kind per test: ser2net frees
// its port a moment after a connection ends, and refuses the other accepter's connection until
// then.)
void closedRightAfterAWriteDelivers(DeviceServerLine& test, const std::string& url) {
    const Bytes frame = hex("FF 01 00 08 00 20 29");
    for (int round = 0; round < 25; ++round) {
        test.recorder->clear();
        {
            const std::unique_ptr<SerialLine> line = test.open(url);
            ASSERT_TRUE(line->write(frame).ok()) << url;
        }
        ASSERT_TRUE(test.recorder->waitForBytes(frame.size(), milliseconds(2000)))
            << url << ", round " << round << ": the frame never arrived";
        EXPECT_EQ(test.recorder->bytes(), frame) << url;
    }
}

TEST_F(DeviceServerLine, ALineClosedRightAfterAWriteDeliversItsBytesOverRfc2217) {
    closedRightAfterAWriteDelivers(*this, server->rfc2217Url());
}

TEST_F(DeviceServerLine, ALineClosedRightAfterAWriteDeliversItsBytesOverRawTcp) {
    closedRightAfterAWriteDelivers(*this, server->rawUrl());
}

TEST_F(DeviceServerLine, ToolSendsThroughBothAndRefusesMarkSpaceOverRawTcpUpFront) {
    test::TempDir dir;
    const std::string db = dir.file("domes.db");
    test::makeDatabase(db,
                       "CREATE TABLE Dome(ID, Length, BaseAddress, Up, StayTime, Slowest, Fastest);"
                       "INSERT INTO Dome VALUES(18, 5, 0, 29, 5, 0, 63);");
    // The bundled table's protocol 7 "Up" through RFC 2217: its frame starts with the 0xFF.
    const test::ProcessResult sent =
        test::runProcess({test::toolPath(), "decoder", "--port", server->rfc2217Url(), "--protocol",
                          "7", "--camera", "1", "Up"});
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    ASSERT_TRUE(recorder->waitForBytes(7, milliseconds(2000)));
    EXPECT_EQ(recorder->bytes().front(), 0xFF);

    // Over raw TCP a mark/space protocol is refused before anything is sent.
    const test::ProcessResult refused =
        test::runProcess({test::toolPath(), "dome", "--db", db, "--table", "Dome", "--port",
                          server->rawUrl(), "--protocol", "18", "--camera", "1", "Up"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "kavro: protocol 18 switches the line to mark parity, which " + server->rawUrl() +
                  " cannot do (a raw TCP line cannot change its settings): nothing was sent; "
                  "reach the port as rfc2217:// instead\n");

    // A server that goes in the middle of a command (protocol 11: a frame, 200 ms, the frame
    // again): one line, exit status 1.
    recorder->clear();
    auto midCall = std::async(std::launch::async, [&] {
        return test::runProcess({test::toolPath(), "decoder", "--port", server->rfc2217Url(),
                                 "--protocol", "11", "--camera", "1", "Left"});
    });
    ASSERT_TRUE(recorder->waitForBytes(8, milliseconds(2000)));
    server->kill();
    const test::ProcessResult cut = midCall.get();
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.err.rfind("kavro: ", 0), 0u) << cut.err;
    EXPECT_NE(cut.err.find("the device server closed the connection\n"), std::string::npos)
        << cut.err;
    EXPECT_EQ(std::count(cut.err.begin(), cut.err.end(), '\n'), 1) << cut.err;

    const test::ProcessResult gone = test::runProcess(
        {test::toolPath(), "switch", "--port", server->rfc2217Url(), "--protocol", "4", "1", "2"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err, "kavro: cannot connect to 127.0.0.1:" +
                            std::to_string(server->rfc2217Port()) + ": Connection refused\n");
}

}  // namespace
}  // namespace kavro
