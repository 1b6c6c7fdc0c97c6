// The Telnet and com port option codec on its own: what goes on the wire for data, options and
// settings, and what the decoder makes of a server's stream cut at every place.
#include "serial/telnet_codec.hpp"

#include <gtest/gtest.h>

#include "serial/com_port_option.hpp"

namespace kavro {
namespace {

using telnet::Bytes;

TEST(TelnetCodec, DataEscapesEveryIacByte) {
    // A frame of the 0xFF-sync protocols: the sync byte, and a checksum that is 0xFF too.
    const Bytes frame{0xFF, 0x01, 0x00, 0x08, 0x00, 0xF6, 0xFF};
    EXPECT_EQ(telnet::escaped(frame),
              (Bytes{0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00, 0xF6, 0xFF, 0xFF}));
    EXPECT_EQ(telnet::escaped(Bytes{}), Bytes{});
    EXPECT_EQ(telnet::escaped(Bytes{0xFF, 0xFF}), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(TelnetCodec, SettingsCommandsCarryTheRfcValues) {
    using comport::Setting;
    struct Case {
        const char* what;
        Bytes wire;
        Bytes expected;
    } cases[] = {
        {"baud 9600",
         comport::command(Setting::BaudRate, 9600),
         {255, 250, 44, 1, 0x00, 0x00, 0x25, 0x80, 255, 240}},
        // A value byte 0xFF is doubled inside the subnegotiation.
        {"baud 0x1FF",
         comport::command(Setting::BaudRate, 0x1FF),
         {255, 250, 44, 1, 0x00, 0x00, 0x01, 0xFF, 0xFF, 255, 240}},
        {"data bits 7", comport::command(Setting::DataSize, 7), {255, 250, 44, 2, 7, 255, 240}},
        {"parity ask", comport::command(Setting::Parity, 0), {255, 250, 44, 3, 0, 255, 240}},
        {"stop size 2", comport::command(Setting::StopSize, 2), {255, 250, 44, 4, 2, 255, 240}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.wire, c.expected) << c.what;

    // Windows codes none, odd, even, mark, space against the option's 1 to 5.
    for (std::uint8_t code = 0; code <= 4; ++code) {
        EXPECT_EQ(comport::rfcParity(code), code + 1);
        EXPECT_EQ(comport::windowsParity(static_cast<std::uint8_t>(code + 1)), code);
    }
    EXPECT_EQ(comport::rfcParity(5), std::nullopt);
    EXPECT_EQ(comport::windowsParity(0), std::nullopt);
    EXPECT_EQ(comport::rfcStopSize(stopbits::kOne), 1);
    EXPECT_EQ(comport::rfcStopSize(stopbits::kTwo), 2);
    EXPECT_EQ(comport::rfcStopSize(stopbits::kOneAndHalf), 3);
    EXPECT_EQ(comport::windowsStopBits(3), stopbits::kOneAndHalf);

    EXPECT_EQ(comport::valueOf(Setting::Parity, {9600, 8, parity::kMark, stopbits::kOne}), 4u);
    EXPECT_EQ(comport::valueOf(Setting::BaudRate, {0, 8, 0, 0}), std::nullopt);  // 0 would ask
    EXPECT_EQ(comport::valueOf(Setting::DataSize, {9600, 9, 0, 0}), std::nullopt);
}

TEST(TelnetCodec, DecoderSplitsStreamCutAnywhere) {
    // What ser2net sends on connect, a data byte 0xFF, an acknowledgement of space parity,
    // a NOP and plain data.
    const Bytes stream{255, 251, 3,   255, 253, 44,  0x41, 255, 255,  0x42, 255,
                       250, 44,  103, 5,   255, 240, 255,  241, 0x0D, 0x00};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        telnet::Decoder decoder;
        auto events = decoder.feed(std::span(stream).first(cut));
        auto rest = decoder.feed(std::span(stream).subspan(cut));
        events.insert(events.end(), rest.begin(), rest.end());

        std::vector<std::string> seen;
        Bytes data;
        for (const telnet::Event& e : events) {
            switch (e.kind) {
                case telnet::Event::Kind::Data:
                    data.insert(data.end(), e.bytes.begin(), e.bytes.end());
                    break;
                case telnet::Event::Kind::Negotiation:
                    seen.push_back("neg " + std::to_string(e.verb) + " " +
                                   std::to_string(e.option));
                    break;
                case telnet::Event::Kind::Subnegotiation:
                    seen.push_back("sb " + std::to_string(e.option));
                    ASSERT_EQ(e.bytes, (Bytes{103, 5})) << "cut " << cut;
                    break;
            }
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"neg 251 3", "neg 253 44", "sb 44"}))
            << "cut " << cut;
        EXPECT_EQ(data, (Bytes{0x41, 0xFF, 0x42, 0x0D, 0x00})) << "cut " << cut;
    }
}

TEST(TelnetCodec, AcknowledgementsDecode) {
    struct Case {
        Bytes payload;
        std::optional<comport::Setting> setting;
        std::uint32_t value;
    } cases[] = {
        {{101, 0x00, 0x00, 0x4B, 0x00}, comport::Setting::BaudRate, 19200},
        {{102, 7}, comport::Setting::DataSize, 7},
        {{103, 4}, comport::Setting::Parity, 4},
        {{104, 3}, comport::Setting::StopSize, 3},
        {{101, 0x00, 0x4B}, std::nullopt, 0},  // short baud value
        {{107, 0x30}, std::nullopt, 0},        // a modem state notice, no acknowledgement
        {{3, 4}, std::nullopt, 0},             // a client's command, not the server's answer
        {{103}, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const auto ack = comport::decodeAck(c.payload);
        ASSERT_EQ(ack.has_value(), c.setting.has_value()) << int(c.payload[0]);
        if (ack) {
            EXPECT_EQ(ack->setting, *c.setting);
            EXPECT_EQ(ack->value, c.value);
        }
    }
    CommSettings s;
    EXPECT_TRUE(comport::apply({comport::Setting::Parity, 5}, s));
    EXPECT_EQ(s.parity, parity::kSpace);
    EXPECT_FALSE(comport::apply({comport::Setting::Parity, 9}, s));
    EXPECT_FALSE(comport::apply({comport::Setting::DataSize, 9}, s));
    EXPECT_EQ(s.byteSize, 8);
}

TEST(TelnetCodec, NegotiationAnswersOnlyChanges) {
    telnet::Negotiator n;
    using telnet::negotiation;
    EXPECT_EQ(n.requestLocal(telnet::kComPort), negotiation(telnet::kWill, telnet::kComPort));
    // The server's DO answers our WILL: nothing more to say, and the option is on.
    EXPECT_EQ(n.answer(telnet::kDo, telnet::kComPort), std::nullopt);
    EXPECT_TRUE(n.localEnabled(telnet::kComPort));
    // Asked again while on: no answer, or the two ends would bounce it for ever.
    EXPECT_EQ(n.answer(telnet::kDo, telnet::kComPort), std::nullopt);

    EXPECT_EQ(n.answer(telnet::kDo, telnet::kBinary), negotiation(telnet::kWill, telnet::kBinary));
    EXPECT_EQ(n.answer(telnet::kWill, telnet::kBinary), negotiation(telnet::kDo, telnet::kBinary));
    EXPECT_EQ(n.answer(telnet::kWill, telnet::kEcho), negotiation(telnet::kDo, telnet::kEcho));
    EXPECT_EQ(n.answer(telnet::kDont, telnet::kEcho), std::nullopt);  // we never performed it
    EXPECT_EQ(n.answer(telnet::kWont, telnet::kEcho), negotiation(telnet::kDont, telnet::kEcho));
    EXPECT_EQ(n.answer(telnet::kWont, telnet::kEcho), std::nullopt);

    // Options we do not know are refused, both ways.
    EXPECT_EQ(n.answer(telnet::kDo, 31), negotiation(telnet::kWont, 31));
    EXPECT_EQ(n.answer(telnet::kWill, 44), negotiation(telnet::kDont, 44));

    // A server without the com port option refuses our WILL.
    telnet::Negotiator plain;
    plain.requestLocal(telnet::kComPort);
    EXPECT_EQ(plain.answer(telnet::kDont, telnet::kComPort), std::nullopt);
    EXPECT_TRUE(plain.localRefused(telnet::kComPort));
    EXPECT_FALSE(plain.localEnabled(telnet::kComPort));
}

TEST(TelnetCodec, WireTimeCountsStartParityAndStopBits) {
    using std::chrono::microseconds;
    // 8N1: 10 bits; at 9600 baud 7 characters take 7.3 ms.
    EXPECT_EQ(comport::wireTime(7, {9600, 8, parity::kNone, stopbits::kOne}), microseconds(7292));
    // Mark parity adds a bit: 11 bits a character.
    EXPECT_EQ(comport::wireTime(7, {9600, 8, parity::kMark, stopbits::kOne}), microseconds(8021));
    EXPECT_EQ(comport::wireTime(1, {1200, 5, parity::kNone, stopbits::kOneAndHalf}),
              microseconds(6250));
    EXPECT_EQ(comport::wireTime(2, {9600, 7, parity::kEven, stopbits::kTwo}), microseconds(2292));
    EXPECT_EQ(comport::wireTime(0, {9600, 8, 0, 0}), microseconds(0));
}

}  // namespace
}  // namespace kavro
