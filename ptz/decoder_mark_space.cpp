// Frames whose address byte (byte 0) is marked by its ninth bit: byte 0 goes out at mark parity,
// the rest at space parity, and the final write sends the whole frame once more at space parity.
#include "ptz/decoder_protocols.hpp"
#include "ptz/wire_helpers.hpp"

namespace kavro {

// w 0x77 C0.
void markSpace77CodeLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    frame.set(0, {call.w(), 0x77, call.c0()});
    markSpaceSend(frame, script);
}

// w 0x77 C2 C1 C0.
void markSpace77WideLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    frame.set(0, {call.w(), 0x77, call.c2(), call.c1(), call.c0()});
    markSpaceSend(frame, script);
}

// w C1 C0.
void markSpaceCodeLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    frame.set(0, {call.w(), call.c1(), call.c0()});
    markSpaceSend(frame, script);
}

}  // namespace kavro
