// Blocks of six bytes opened by 0x02: 0x02 w b2 b3 b4 sum(0..4).
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"

namespace kavro {
namespace {

void block(CommandFrame& frame, int first, std::uint8_t w, std::uint8_t b2, std::uint8_t b3,
           std::uint8_t b4) {
    frame.set(first, {0x02, w, b2, b3, b4});
    frame[first + 5] = byteSum(frame, first, first + 4);
}

}  // namespace

// Six bytes, three writes and no pause for "Auto": 0x0F 0x01 0xFA, then 0x0F 0x03 0x00 twice.
// Every other command: 0x0E 0xFA 0xFA, then the code block C2 C1 C0 once.
void stxAutoLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    if (call.command == "Auto") {
        block(frame, 0, call.w(), 0x0F, 0x01, 0xFA);
        script.write(frame.bytes());
        block(frame, 0, call.w(), 0x0F, 0x03, 0x00);
        script.write(frame.bytes());
    } else {
        block(frame, 0, call.w(), 0x0E, 0xFA, 0xFA);
        script.write(frame.bytes());
        block(frame, 0, call.w(), call.c2(), call.c1(), call.c0());
    }
}

// "Auto" and "AutoStop": one block C1 C0 0x00; every other command two blocks, C2 C1 C0 and
// 0x0E 0x80 0x80. Either is sent twice, 20 ms apart.
void stxBlocksLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    if (call.command == "Auto" || call.command == "AutoStop") {
        frame.setLength(6);
        block(frame, 0, call.w(), call.c1(), call.c0(), 0x00);
    } else {
        frame.setLength(12);
        block(frame, 0, call.w(), call.c2(), call.c1(), call.c0());
        block(frame, 6, call.w(), 0x0E, 0x80, 0x80);
    }
    script.write(frame.bytes());
    script.pause(20);
}

}  // namespace kavro
