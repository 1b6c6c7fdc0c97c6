// Frames that carry no address: the command reaches every receiver on the line. Both layouts set
// their own length, so the row's Length does not matter.
#include "ptz/decoder_protocols.hpp"
#include "ptz/name_tests.hpp"

namespace kavro {

// Auxiliary commands (short names "Wipe", "Heat", "Ligh"): 0xFE C0 0xFF; every other command:
// 0xFE C1 C0 0xFF.
void feFfLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    if (isOneOf(shortName(call.command), {"Wipe", "Heat", "Ligh"})) {
        frame.setLength(3);
        frame.set(0, {0xFE, call.c0(), 0xFF});
    } else {
        frame.setLength(4);
        frame.set(0, {0xFE, call.c1(), call.c0(), 0xFF});
    }
}

// The name picks the frame and its length: "Auto" and "AutoStop" eight bytes
// 0x83 0x42 0x1A 0x01 0x83 C2 C1 C0; the stops and the iris commands, exactly the thirteen names
// below, three bytes 0x82 C1 C0; every other command four bytes 0x83 C2 C1 C0.
void lengthByNameLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    if (isOneOf(call.command, {"Auto", "AutoStop"})) {
        frame.setLength(8);
        frame.set(0, {0x83, 0x42, 0x1A, 0x01, 0x83, call.c2(), call.c1(), call.c0()});
    } else if (isOneOf(call.command, {"LeftStop", "RightStop", "UpStop", "DownStop", "Stop",
                                      "ZoomIncStop", "ZoomDecStop", "IrisInc", "IrisIncStop",
                                      "IrisDec", "IrisDecStop", "FocusIncStop", "FocusDecStop"})) {
        frame.setLength(3);
        frame.set(0, {0x82, call.c1(), call.c0()});
    } else {
        frame.setLength(4);
        frame.set(0, {0x83, call.c2(), call.c1(), call.c0()});
    }
}

}  // namespace kavro
