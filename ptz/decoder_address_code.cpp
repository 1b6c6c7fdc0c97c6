// The two-byte layout: w C0, the wire address's low byte and the code's low byte.
#include "ptz/decoder_protocols.hpp"

namespace kavro {

void addressCodeLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {call.w(), call.c0()});
}

}  // namespace kavro
