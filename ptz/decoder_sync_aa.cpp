// Frames opened by 0xAA.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"

namespace kavro {

// 0xAA 0xCB 0x00 w C0, no checksum.
void aaCbLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xAA, 0xCB, 0x00, call.w(), call.c0()});
}

// 0xAA w C0 sum(0..2).
void aaSumLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xAA, call.w(), call.c0()});
    frame[3] = byteSum(frame, 0, 2);
}

// 0xAA 0x02 0x00 w 0x05 C1 C0 sum(1..6).
void aaLongLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xAA, 0x02, 0x00, call.w(), 0x05, call.c1(), call.c0()});
    frame[7] = byteSum(frame, 1, 6);
}

}  // namespace kavro
