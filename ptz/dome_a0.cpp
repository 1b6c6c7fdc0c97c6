// Dome frames opened by 0xA0: 0xA0 ... 0xAF frames with an exclusive-or, and the nine-byte frame
// with a complement sum. A scan command ("Scan", "ScanStop") puts a code byte, or 0x20, where an
// ordinary command puts p.
#include "ptz/checksums.hpp"
#include "ptz/dome_protocols.hpp"

namespace kavro {
namespace {

// 0xA0 w C3 C2 C1 p 0xAF, p being C0 for a scan command; the exclusive-or is the caller's.
void codeFrame(const DomeCall& call, CommandFrame& frame) {
    frame.set(0, {0xA0, call.w(), call.c3(), call.c2(), call.c1(),
                  call.scanCommand() ? call.c0() : call.p(), 0xAF});
}

}  // namespace

// 0xA0 w C3 C2 C1 p 0xAF xor(0..6): the exclusive-or takes in the 0xA0 and the 0xAF.
void domeA0AfLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    codeFrame(call, frame);
    frame[7] = byteXor(frame, 0, 6);
}

// 0xA0 w C3 C2 C1 p 0xAF xor(1..5): the exclusive-or leaves out the 0xA0 and the 0xAF.
void domeA0AfInnerLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    codeFrame(call, frame);
    frame[7] = byteXor(frame, 1, 5);
}

// 0xA0 w C1 C0 0x00 p 0xAF xor(1..5); a scan command sends 0x20 for p.
void domeA0AfLensLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xA0, call.w(), call.c1(), call.c0(), 0x00,
                  call.scanCommand() ? std::uint8_t{0x20} : call.p(), 0xAF});
    frame[7] = byteXor(frame, 1, 5);
}

// 0xA0 0x01 w C3 C2 p C0 C0 notsum(1..7); a scan command sends C1 for p.
void domeA0NineLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xA0, 0x01, call.w(), call.c3(), call.c2(),
                  call.scanCommand() ? call.c1() : call.p(), call.c0(), call.c0()});
    frame[8] = complementSum(frame, 1, 7);
}

}  // namespace kavro
