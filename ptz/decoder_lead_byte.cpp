// Frames opened by one fixed byte.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/name_tests.hpp"

namespace kavro {

// 0xEE w C0.
void eeLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xEE, call.w(), call.c0()});
}

// Sets its own length. The short names "Auto", "Powe", "Ligh": six bytes
// 0x40 C1 w C0 0x00 sum(0..4); every other command five bytes 0x40 C1 w C0 sum(0..3).
void lead40Layout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    if (isOneOf(shortName(call.command), {"Auto", "Powe", "Ligh"})) {
        frame.setLength(6);
        frame.set(0, {0x40, call.c1(), call.w(), call.c0(), 0x00});
        frame[5] = byteSum(frame, 0, 4);
    } else {
        frame.setLength(5);
        frame.set(0, {0x40, call.c1(), call.w(), call.c0()});
        frame[4] = byteSum(frame, 0, 3);
    }
}

// 0xF0 w 0x00 C2 C1 C0 0x01 sum(1..6) 0xFE.
void f0FeLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xF0, call.w(), 0x00, call.c2(), call.c1(), call.c0(), 0x01});
    frame.set(7, {byteSum(frame, 1, 6), 0xFE});
}

// 0xA5 v C0 0x00 0xAF 0x55 with v = w - 1 (address 0 wraps to 0xFF), no checksum.
void a5TrailerLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xA5, low8(call.w() - 1), call.c0(), 0x00, 0xAF, 0x55});
}

// Always seven bytes: 0xA5 w C2 C1 C0 0x00 sum(0..5). "Autostop" (that spelling only) sends
// zero command bytes; "AutoStop" is an ordinary command.
void a5SumLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.setLength(7);
    if (call.command == "Autostop") {
        frame.set(0, {0xA5, call.w(), 0x00, 0x00, 0x00, 0x00});
    } else {
        frame.set(0, {0xA5, call.w(), call.c2(), call.c1(), call.c0(), 0x00});
    }
    frame[6] = byteSum(frame, 0, 5);
}

}  // namespace kavro
