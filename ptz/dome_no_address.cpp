// Dome frames that carry no address: the command reaches every dome on the line.
#include "ptz/dome_protocols.hpp"

namespace kavro {

// 0xFE p C0 0xFF. A scan command has no frame here: it sets no byte, and the frame goes out as
// the row sized it, zeros.
void domeFeFfLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    if (call.scanCommand()) return;
    frame.set(0, {0xFE, call.p(), call.c0(), 0xFF});
}

// Sets its own length: four bytes 0x83 C2 C1 p; a scan command eight bytes
// 0x83 0x42 0x1B s 0x83 C2 C1 C0, the speed value ahead of the command.
void dome83Layout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    if (call.scanCommand()) {
        frame.setLength(8);
        frame.set(0, {0x83, 0x42, 0x1B, call.s(), 0x83, call.c2(), call.c1(), call.c0()});
    } else {
        frame.setLength(4);
        frame.set(0, {0x83, call.c2(), call.c1(), call.p()});
    }
}

}  // namespace kavro
