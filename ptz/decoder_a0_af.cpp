// Frames opened by 0xA0 and closed by 0xAF, followed by an exclusive-or: 0xA0 w d2 d3 d4 d5
// 0xAF x.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/name_tests.hpp"

namespace kavro {
namespace {

void dataFrame(CommandFrame& frame, std::uint8_t w, std::uint8_t d2, std::uint8_t d3,
               std::uint8_t d4, std::uint8_t d5) {
    frame.set(0, {0xA0, w, d2, d3, d4, d5, 0xAF});
}

void allCodeBytes(const DecoderCall& call, CommandFrame& frame) {
    dataFrame(frame, call.w(), call.c3(), call.c2(), call.c1(), call.c0());
}

void lowCodeBytes(const DecoderCall& call, CommandFrame& frame) {
    dataFrame(frame, call.w(), call.c1(), call.c0(), 0x00, 0x00);
}

}  // namespace

// The four code bytes as data, xor(0..6) over the whole frame; sent twice, 200 ms apart.
void a0AfRepeatLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    allCodeBytes(call, frame);
    frame[7] = byteXor(frame, 0, 6);
    script.write(frame.bytes());
    script.pause(200);
}

// Auxiliary commands (short names "Heat", "Wipe", "Ligh") carry the four code bytes, every
// other command C1 C0 00 00; xor(1..5) leaves out the 0xA0 and 0xAF. Sent once.
void a0AfAuxiliaryLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    if (isOneOf(shortName(call.command), {"Heat", "Wipe", "Ligh"})) {
        allCodeBytes(call, frame);
    } else {
        lowCodeBytes(call, frame);
    }
    frame[7] = byteXor(frame, 1, 5);
}

// Lens commands (short names "Focu", "Zoom", "Iris") carry C1 C0 00 00, every other command
// the four code bytes; xor(1..5); sent twice, 200 ms apart.
void a0AfLensRepeatLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    if (isOneOf(shortName(call.command), {"Focu", "Zoom", "Iris"})) {
        lowCodeBytes(call, frame);
    } else {
        allCodeBytes(call, frame);
    }
    frame[7] = byteXor(frame, 1, 5);
    script.write(frame.bytes());
    script.pause(200);
}

}  // namespace kavro
