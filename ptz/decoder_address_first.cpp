// Frames led by the address byte.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"

namespace kavro {

// w C0 x with x = (w AND 0x7F) + C0, sent twice 20 ms apart.
void addressCodeRepeatLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    frame.set(0, {call.w(), call.c0(), low8((call.w() & 0x7F) + call.c0())});
    script.write(frame.bytes());
    script.pause(20);
}

// w C3 C2 C1 C0 xor(0..4).
void addressXorLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {call.w(), call.c3(), call.c2(), call.c1(), call.c0()});
    frame[5] = byteXor(frame, 0, 4);
}

// w+0x80 C0+0x40 b sum(0..2): the address byte has its top bit set, and the third byte carries
// C1 only for the zoom moves, 0x0A for every other command.
void addressHighBitLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    const bool zoom = call.command == "ZoomInc" || call.command == "ZoomDec";
    frame.set(
        0, {low8(call.w() + 0x80), low8(call.c0() + 0x40), zoom ? call.c1() : std::uint8_t{0x0A}});
    frame[3] = byteSum(frame, 0, 2);
}

// Always four bytes, whatever the row's Length: w 0x77 C0 sum(0..2).
void address77SumLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.setLength(4);
    frame.set(0, {call.w(), 0x77, call.c0()});
    frame[3] = byteSum(frame, 0, 2);
}

}  // namespace kavro
