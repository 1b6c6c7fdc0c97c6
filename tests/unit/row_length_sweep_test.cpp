// Every protocol ID, decoder and dome, with rows of every Length from 0 to 20. A layout sends
// the frame its protocol defines; the row's Length only sizes the frame those bytes sit in:
//   - a Length below the layout's frame is refused before anything is written;
//   - at the layout's own length the frame goes out as the golden-frame tests pin it;
//   - above it, every write that sends the frame (whole, or from byte 1 on in the mark/space
//     send) carries the extra bytes too, zeros; a write of one byte is one byte of the
//     protocol's frame and stays one byte; pauses and parity changes are the same;
//   - a layout that sets its own length sends the same whatever the Length;
//   - an ID without a layout sends the Length's bytes, zeros, in one write; so do the scan
//     commands of dome protocols 15 and 33, whose layouts set no byte for them.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/host_error.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/dome_protocols.hpp"
#include "tests/support/decoder_fixture.hpp"
#include "tests/support/dome_fixture.hpp"

namespace kavro {
namespace {

enum class Family { Decoder, Dome };

struct Encoded {
    bool tooShort = false;
    WireTrace script;
};

Encoded encode(Family family, int id, int length, const std::string& name, std::uint32_t code) {
    Encoded run;
    try {
        if (family == Family::Decoder) {
            auto table = test::oneRowTable(id, Variant(length), Variant(0), name, Variant(code));
            EXPECT_TRUE(encodeDecoderCommand(*table, id, 1, name, run.script).sent());
        } else {
            auto table = test::domeTable(id, name, {Variant(length), Variant(code)});
            // Parameter 0x2A: scan positions 1, 3 and 5, digits that are not zero.
            EXPECT_TRUE(encodeDomeCommand(*table, id, 1, name, 5, 0x2A, run.script).sent());
        }
    } catch (const DynArrayOutOfRange&) {
        run.tooShort = true;
    }
    return run;
}

// The reference script with its frame grown by `extra` zero bytes.
std::string grown(const WireTrace& reference, int extra) {
    std::string text;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        const WireTrace::Event event = reference[i];
        std::string line = eventText(event);
        if (event.kind == WireTrace::Kind::Write && event.bytes.size() > 1) {
            for (int k = 0; k < extra; ++k)
                line += " 00";
        }
        text += line + '\n';
    }
    return text;
}

std::string zeros(int length) {
    std::string text = "write";
    for (int i = 0; i < length; ++i)
        text += " 00";
    return text + '\n';
}

// The registered frame length of the ID's layout, kSetsOwnLength, or -1 for no layout.
int layoutLength(Family family, int id) {
    if (family == Family::Decoder) {
        const DecoderProtocol* p = findDecoderProtocol(id);
        return p == nullptr ? -1 : p->frameLength;
    }
    const DomeProtocol* p = findDomeProtocol(id);
    return p == nullptr ? -1 : p->frameLength;
}

struct SweepCase {
    Family family;
    int id;
};

void PrintTo(const SweepCase& c, std::ostream* out) {
    *out << (c.family == Family::Decoder ? "decoder " : "dome ") << c.id;
}

class RowLengthSweep : public testing::TestWithParam<SweepCase> {};

TEST_P(RowLengthSweep, EveryLengthFrom0To20SendsTheLayoutsFrame) {
    const auto [family, id] = GetParam();
    // Names that reach every frame shape: whole, short and ending name tests, and the scans.
    const std::vector<std::string> names =
        family == Family::Dome
            ? std::vector<std::string>{"Up", "Scan", "ScanStop"}
            : std::vector<std::string>{"Up",   "LeftStop", "Auto",  "AutoStop", "Autostop", "Heat",
                                       "Wipe", "Light",    "Power", "IrisInc",  "ZoomInc"};
    constexpr int kOwnLength = DecoderProtocol::kSetsOwnLength;
    for (const std::string& name : names) {
        const bool setsNoByte = family == Family::Dome && (id == 15 || id == 33) && name != "Up";
        const int own = setsNoByte ? -1 : layoutLength(family, id);
        for (std::uint32_t code : {0x01020304U, 0xFFFFFFFFU}) {
            const Encoded reference = own > 0 ? encode(family, id, own, name, code) : Encoded{};
            const Encoded ownLength =
                own == kOwnLength ? encode(family, id, 20, name, code) : Encoded{};
            for (int length = 0; length <= 20; ++length) {
                SCOPED_TRACE(testing::Message() << name << " = 0x" << std::hex << code << std::dec
                                                << ", Length " << length);
                const Encoded run = encode(family, id, length, name, code);
                if (own < 0) {
                    EXPECT_FALSE(run.tooShort);
                    EXPECT_EQ(run.script.text(), zeros(length));
                } else if (own == kOwnLength) {
                    EXPECT_FALSE(run.tooShort);
                    EXPECT_EQ(run.script.text(), ownLength.script.text());
                } else if (length < own) {
                    EXPECT_TRUE(run.tooShort);
                    EXPECT_TRUE(run.script.empty());
                } else {
                    ASSERT_FALSE(run.tooShort);
                    EXPECT_EQ(run.script.text(), grown(reference.script, length - own));
                }
            }
        }
    }
}

std::vector<SweepCase> everyId() {
    std::vector<SweepCase> cases;
    for (Family family : {Family::Decoder, Family::Dome}) {
        for (int id = -1; id <= 56; ++id)
            cases.push_back({family, id});
    }
    return cases;
}

std::string sweepName(const testing::TestParamInfo<SweepCase>& info) {
    const int id = info.param.id;
    return std::string(info.param.family == Family::Decoder ? "Decoder" : "Dome") +
           (id < 0 ? "Minus" + std::to_string(-id) : std::to_string(id));
}

INSTANTIATE_TEST_SUITE_P(EveryProtocolId, RowLengthSweep, testing::ValuesIn(everyId()), sweepName);

TEST(RowLengthSweep, Dome43SendsItsThreeBytesOneByOneWhateverTheLength) {
    // Wire address 2, C1 = 0x05, parameter 9, a row of Length 5.
    auto table = test::domeTable(43, "Up", {Variant(5), Variant(0x0500)});
    const test::DecoderSend send = test::sendDomeCommand(*table, 43, 2, "Up", 0, 9);
    EXPECT_EQ(send.trace,
              "parity mark\npause 10\nwrite 02\npause 10\nparity space\npause 10\nwrite 05\n"
              "pause 10\nwrite 09\nwrite 02 05 09 00 00\n");
}

}  // namespace
}  // namespace kavro
