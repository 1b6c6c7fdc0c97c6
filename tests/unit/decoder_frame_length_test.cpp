// The frame length each protocol registers is exactly what its layout needs, for every frame its
// command names can choose: a row one byte shorter is refused before anything is written, and at
// that length no byte of any write is left unset. Layouts that set their own length send the same
// bytes whatever the row's Length.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "kavro/decoder.hpp"
#include "kavro/host_error.hpp"
#include "ptz/decoder_protocols.hpp"
#include "tests/support/decoder_fixture.hpp"

namespace kavro {

void PrintTo(const DecoderProtocol& p, std::ostream* out) {
    *out << "protocol " << p.id << ", frame length " << p.frameLength;
}

namespace {

// Names and codes that reach every frame of every protocol: the whole, short and ending name
// tests, C3 = 0x01 (the nine-byte 0xA0 frame's second frame) and codes on both sides of 0xFFFF
// (the ASCII frame's two lengths).
constexpr const char* kNames[] = {"Up",       "Left",     "LeftStop", "Stop",    "Auto",
                                  "AutoStop", "Autostop", "Heat",     "Wipe",    "Light",
                                  "Power",    "IrisInc",  "FocusInc", "ZoomInc", "ZoomDec"};
constexpr std::uint32_t kCodes[] = {0x01020304, 0x00001234, 0xFFFFFFFF};

struct LayoutRun {
    std::string text;
    std::size_t longestWrite = 0;
    int finalLength = 0;
};

// The protocol's layout on a frame of `length` bytes all preset to `fill`, followed by the final
// write, as the encoder runs it. A byte the layout leaves unset shows the fill.
LayoutRun runLayout(const DecoderProtocol& protocol, const DecoderCall& call, int length,
                    std::uint8_t fill) {
    CommandFrame frame;
    frame.setLength(length);
    for (int i = 0; i < length; ++i)
        frame[i] = fill;
    WireTrace script;
    protocol.layout(call, frame, script);
    script.write(frame.bytes());
    LayoutRun run{script.text(), 0, frame.length()};
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i].kind == WireTrace::Kind::Write) {
            run.longestWrite = std::max(run.longestWrite, script[i].bytes.size());
        }
    }
    return run;
}

class FrameLength : public testing::TestWithParam<DecoderProtocol> {};

TEST_P(FrameLength, IsExactlyWhatTheLayoutNeeds) {
    const DecoderProtocol& p = GetParam();
    const bool ownLength = p.frameLength == DecoderProtocol::kSetsOwnLength;
    for (const char* name : kNames) {
        for (std::uint32_t code : kCodes) {
            SCOPED_TRACE(testing::Message() << name << " = 0x" << std::hex << code);
            const DecoderCall call{code, 1, name};
            // Own-length layouts start from a longer frame, so that bytes kept from it would show.
            const int length = ownLength ? 64 : p.frameLength;
            const LayoutRun zeros = runLayout(p, call, length, 0x00);
            EXPECT_EQ(runLayout(p, call, length, 0xFF).text, zeros.text) << "unset bytes";
            EXPECT_EQ(runLayout(p, call, length, 0x5A).text, zeros.text) << "unset bytes";
            EXPECT_LE(zeros.longestWrite, static_cast<std::size_t>(zeros.finalLength));
            if (ownLength) {
                EXPECT_EQ(runLayout(p, call, 0, 0x00).text, zeros.text) << "depends on Length";
                continue;
            }
            EXPECT_EQ(zeros.finalLength, p.frameLength);

            auto table = test::oneRowTable(p.id, Variant(p.frameLength - 1), Variant(0), name,
                                           Variant(code));
            WireTrace script;
            EXPECT_THROW(encodeDecoderCommand(*table, p.id, 1, name, script), DynArrayOutOfRange);
            EXPECT_TRUE(script.empty());
        }
    }
}

std::string protocolName(const testing::TestParamInfo<DecoderProtocol>& info) {
    return "Protocol" + std::to_string(info.param.id);
}

INSTANTIATE_TEST_SUITE_P(EveryProtocol, FrameLength, testing::ValuesIn(decoderProtocols()),
                         protocolName);

TEST(FrameLength, EveryIdFrom1To54ButTheSixWithoutAProtocolIsRegistered) {
    for (int id = -1; id <= 56; ++id) {
        const bool none = id < 1 || id > 54 || id == 32 || id == 35 || id == 36 || id == 37 ||
                          id == 40 || id == 52;
        const DecoderProtocol* p = findDecoderProtocol(id);
        EXPECT_EQ(p == nullptr, none) << "ID " << id;
        if (p != nullptr) {
            EXPECT_EQ(p->id, id);
        }
    }
}

}  // namespace
}  // namespace kavro
