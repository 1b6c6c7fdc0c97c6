// The line decoder reads back what the encoders send: every decoder, dome and switcher
// protocol, every command of a row with distinct codes, several cameras (and parameters and
// speeds), alone and between random garbage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "kavro/line_decoder.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/dome_protocols.hpp"
#include "tests/support/readback_fixture.hpp"

namespace kavro {
namespace {

using test::Item;

struct Case {
    EncoderKind kind;
    int protocol;
};

std::string kindName(EncoderKind kind) {
    return kind == EncoderKind::Dome       ? "Dome"
           : kind == EncoderKind::Switcher ? "Switch"
                                           : "Decoder";
}

std::vector<Case> allProtocols() {
    std::vector<Case> cases;
    for (const DecoderProtocol& p : decoderProtocols())
        cases.push_back({EncoderKind::Decoder, p.id});
    for (const DomeProtocol& p : domeProtocols())
        cases.push_back({EncoderKind::Dome, p.id});
    for (int id : {4, 15, 28})
        cases.push_back({EncoderKind::Switcher, id});
    return cases;
}

struct Sent {
    std::string command;
    std::int32_t camera, parameter, speed;
    std::vector<std::uint8_t> bytes;
};

class RoundTrip : public testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        const Case c = GetParam();
        if (c.kind != EncoderKind::Switcher) table = test::distinctCodeTable(c.kind, c.protocol);
        decoder = std::make_unique<LineDecoder>(c.kind, c.protocol, table.get());
    }

    // Every command the row sends, for several cameras (parameters, speeds).
    std::vector<Sent> everyCommand() {
        const Case c = GetParam();
        std::vector<Sent> sends;
        if (c.kind == EncoderKind::Switcher) {
            for (auto [a, b] : {std::pair{3, 2}, {12, 5}, {5, 14}, {0, 19}, {200, 99}}) {
                sends.push_back({"connect", a, b, 0,
                                 test::encodedBytes(c.kind, table.get(), c.protocol, "", a, b, 0)});
            }
            return sends;
        }
        std::vector<std::int32_t> cameras = {1, 2, 37, 200};
        if (decoder->highestWireAddress() > 1234) cameras.push_back(1234);
        if (decoder->highestWireAddress() < 0) cameras = {1};
        std::vector<std::int32_t> params = {0};
        std::vector<std::int32_t> speeds = {0};
        if (c.kind == EncoderKind::Dome) {
            params = {0, 5, 200};
            speeds = {0, 7};
        }
        for (const std::string& name : test::commandFieldNames()) {
            std::vector<std::int32_t> ps = params;
            if (name == "Scan" && c.kind == EncoderKind::Dome) ps.push_back(0x4321);
            for (std::int32_t camera : cameras) {
                for (std::int32_t p : ps) {
                    for (std::int32_t s : speeds) {
                        auto bytes =
                            test::encodedBytes(c.kind, table.get(), c.protocol, name, camera, p, s);
                        if (!bytes.empty()) sends.push_back({name, camera, p, s, std::move(bytes)});
                    }
                }
            }
        }
        return sends;
    }

    // The item names the command, and the encoder called with what the item read back sends
    // the same bytes (a parameter read back may differ where the layout sends only part of it).
    ::testing::AssertionResult readsBack(const Sent& sent, const Item& item) {
        const Case c = GetParam();
        if (item.kind == DecodedItem::Kind::NoFrame)
            return ::testing::AssertionFailure() << "no frame: " << item.reason;
        if (item.bytes != sent.bytes) return ::testing::AssertionFailure() << "other bytes";
        if (c.kind == EncoderKind::Switcher) {
            auto again =
                test::encodedBytes(c.kind, table.get(), c.protocol, "", item.first, item.second, 0);
            if (again != sent.bytes) return ::testing::AssertionFailure() << "numbers differ";
            return ::testing::AssertionSuccess();
        }
        // Named otherwise only when that reading sends the same bytes (checked below): two
        // commands whose frames the layout makes alike.
        const bool named = std::find(item.commands.begin(), item.commands.end(), sent.command) !=
                           item.commands.end();
        if (!named) alike[{sent.command, item.commands.front()}] = "the same bytes";
        if (!item.camera && decoder->highestWireAddress() >= 0 &&
            test::encodedBytes(c.kind, table.get(), c.protocol, sent.command, sent.camera + 1,
                               sent.parameter, sent.speed) != sent.bytes)
            return ::testing::AssertionFailure() << "no camera, but the frame carries it";
        if (named && item.camera && sent.camera <= 255 && *item.camera != sent.camera)
            return ::testing::AssertionFailure() << "camera " << *item.camera;
        for (const std::string& name : item.commands) {
            auto again = test::encodedBytes(
                c.kind, table.get(), c.protocol, name, item.camera.value_or(sent.camera),
                item.parameter.value_or(sent.parameter), item.speed.value_or(sent.speed));
            if (again != sent.bytes) return ::testing::AssertionFailure() << name << " differs";
        }
        if (item.frames != item.expectedFrames)
            return ::testing::AssertionFailure() << "incomplete " << item.frames;
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<MemoryRecordSet> table;
    std::unique_ptr<LineDecoder> decoder;
    // Pairs of commands the decoder cannot tell apart, and why.
    std::map<std::pair<std::string, std::string>, std::string> alike;

    void reportAlike() {
        if (alike.empty()) return;
        std::string line = kindName(GetParam().kind) + " " + std::to_string(GetParam().protocol) +
                           ": cannot tell apart";
        for (const auto& [pair, why] : alike)
            line += " " + pair.first + "/" + pair.second + " (" + why + ")";
        std::printf("%s\n", line.c_str());
    }
};

TEST_P(RoundTrip, EachCommandAloneComesBackWithItsCamera) {
    const auto sends = everyCommand();
    ASSERT_FALSE(sends.empty());
    for (const Sent& s : sends) {
        const auto items = test::decodeAll(*decoder, s.bytes);
        ASSERT_EQ(items.size(), 1u)
            << s.command << " camera " << s.camera << " parameter " << s.parameter;
        EXPECT_TRUE(readsBack(s, items[0]))
            << s.command << " camera " << s.camera << " parameter " << s.parameter;
        for (const std::string& other : items[0].commands) {
            if (other == s.command || s.command > other) continue;
            const auto& names = test::commandFieldNames();
            const auto a = std::find(names.begin(), names.end(), s.command) - names.begin();
            const auto b = std::find(names.begin(), names.end(), other) - names.begin();
            alike[{s.command, other}] = test::distinctCode(static_cast<std::size_t>(a)) ==
                                                test::distinctCode(static_cast<std::size_t>(b))
                                            ? "same code"
                                            : "the same bytes for both codes";
        }
    }
    // The pairs are reported: some layouts send only some of the code's bytes, replace them by
    // name, or let the parameter carry into them.
    reportAlike();
}

TEST_P(RoundTrip, CommandsBetweenGarbageComeBackInOrder) {
    auto sends = everyCommand();
    std::mt19937 random(GetParam().protocol * 7 + static_cast<int>(GetParam().kind));
    std::shuffle(sends.begin(), sends.end(), random);
    // Garbage that runs into the frame after it (its last bytes and the frame's first ones
    // make a frame of their own) is drawn again; how often is reported.
    std::vector<std::uint8_t> stream, garbage, alone;
    std::size_t redrawn = 0;
    for (const Sent& s : sends) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            garbage.resize(random() % 7);
            for (auto& b : garbage)
                b = static_cast<std::uint8_t>(random());
            alone = garbage;
            alone.insert(alone.end(), s.bytes.begin(), s.bytes.end());
            const auto items = test::decodeAll(*decoder, alone);
            if (!items.empty() && readsBack(s, items.back())) break;
            ++redrawn;
        }
        stream.insert(stream.end(), garbage.begin(), garbage.end());
        stream.insert(stream.end(), s.bytes.begin(), s.bytes.end());
    }
    LineDecoder fresh(GetParam().kind, GetParam().protocol, table.get());
    const auto items = test::decodeAll(fresh, stream, 97);
    std::size_t next = 0, lost = 0;
    std::uint64_t offset = 0;
    for (const Item& item : items) {
        EXPECT_EQ(item.offset, offset);  // every byte accounted for, in order
        offset += item.bytes.size();
        if (next < sends.size() && readsBack(sends[next], item)) {
            ++next;
        } else if (next + 1 < sends.size() && readsBack(sends[next + 1], item)) {
            ++lost;  // taken by the garbage before it
            next += 2;
        }
    }
    EXPECT_EQ(offset, stream.size());
    lost += sends.size() - next;
    EXPECT_EQ(lost, 0u) << "of " << sends.size();
    if (redrawn > 0) {
        std::printf("%s %d (%s): %zu of %zu garbage runs ran into the next frame\n",
                    kindName(GetParam().kind).c_str(), GetParam().protocol,
                    std::string(certaintyName(decoder->certainty())).c_str(), redrawn,
                    sends.size() + redrawn);
    }
}

// A megabyte of random bytes matches a layout with a checksum about as often as the frames
// it can send allow: the frames over 256 to the power of their length, per position.
TEST_P(RoundTrip, RandomBytesMatchNoMoreThanTheChecksumAllows) {
    if (decoder->certainty() != Certainty::Checksum) GTEST_SKIP() << "no checksum";
    std::mt19937 random(4242);
    std::vector<std::uint8_t> noise(1u << 20);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    std::size_t matches = 0;
    std::uint64_t covered = 0;
    auto count = [&](const DecodedItem& item) {
        if (item.kind != DecodedItem::Kind::NoFrame) ++matches;
        covered += item.bytes.size();
    };
    for (std::size_t i = 0; i < noise.size(); i += 4096)
        decoder->feed({noise.data() + i, 4096}, count);
    decoder->finish(count);
    EXPECT_EQ(covered, noise.size());
    const double expected = decoder->randomMatchChance() * static_cast<double>(noise.size());
    EXPECT_LE(static_cast<double>(matches), expected + 6 * std::sqrt(expected) + 6)
        << "expected about " << expected;
    std::printf("%s %d: %zu false matches in 1 MiB of random bytes, about %.3g expected\n",
                kindName(GetParam().kind).c_str(), GetParam().protocol, matches, expected);
}

INSTANTIATE_TEST_SUITE_P(EveryProtocol, RoundTrip, testing::ValuesIn(allProtocols()),
                         [](const testing::TestParamInfo<Case>& each) {
                             return kindName(each.param.kind) + std::to_string(each.param.protocol);
                         });

}  // namespace
}  // namespace kavro
