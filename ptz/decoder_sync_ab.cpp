// Frames opened by 0xAB.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"

namespace kavro {
namespace {

using Checksum = std::uint8_t (*)(const CommandFrame&, int, int);

// 0xAB w C0 0xCF 0xCF check(1..4).
void codeFrame(const DecoderCall& call, CommandFrame& frame, Checksum check) {
    frame.set(0, {0xAB, call.w(), call.c0(), 0xCF, 0xCF});
    frame[5] = check(frame, 1, 4);
}

}  // namespace

// Checked by the byte sum.
void abSumLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    codeFrame(call, frame, byteSum);
}

// Checked by the sum modulo 255.
void abSum255Layout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    codeFrame(call, frame, sumMod255);
}

// 0xAB w C1 C0 0x00 sum(1..2): the sum covers the address and C1 only.
void abShortSumLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xAB, call.w(), call.c1(), call.c0(), 0x00});
    frame[5] = byteSum(frame, 1, 2);
}

}  // namespace kavro
