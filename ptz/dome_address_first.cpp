// Dome frames led by the address byte.
#include "ptz/checksums.hpp"
#include "ptz/dome_protocols.hpp"

namespace kavro {

// w C3 C2 C1 p xor(0..4). A scan command has no frame here: it sets no byte, and the frame goes
// out as the row sized it, zeros.
void domeAddressXorLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    if (call.scanCommand()) return;
    frame.set(0, {call.w(), call.c3(), call.c2(), call.c1(), call.p()});
    frame[5] = byteXor(frame, 0, 4);
}

// Always six bytes, for every command, without the command code: w 0x77 0x59 t u sum(0..4), t and
// u the quotient and remainder of P / 10 (truncating, the remainder with the sign of P), each
// kept to 8 bits.
void domeAddress77Layout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.setLength(6);
    frame.set(0, {call.w(), 0x77, 0x59, low8(call.param / 10), low8(call.param % 10)});
    frame[5] = byteSum(frame, 0, 4);
}

}  // namespace kavro
