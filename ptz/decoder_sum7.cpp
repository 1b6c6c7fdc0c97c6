// Seven-byte frames closed by a 7-bit sum, whose address is the whole wire address W: split into
// quotient and remainder of a divisor, or sent as 16 bits.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/name_tests.hpp"

namespace kavro {

// 0xFA C0 q r C1 0x00 sum7(0..5), q and r the quotient and remainder of W / 32 (truncating
// toward zero, the remainder with the sign of W), each as its low 8 bits.
void split32Layout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xFA, call.c0(), low8(call.wire / 32), low8(call.wire % 32), call.c1(), 0x00});
    frame[6] = sum7(frame, 0, 5);
}

// 0xF6 C2 t m C1 C0 sum7(1..5), t and m the quotient and remainder of W / 1000 as above; a
// remainder above 255 goes out as its low 8 bits.
void split1000Layout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(
        0, {0xF6, call.c2(), low8(call.wire / 1000), low8(call.wire % 1000), call.c1(), call.c0()});
    frame[6] = sum7(frame, 1, 5);
}

// 0x86 H L k C1 C0 sum7(0..5): H L is W - 1 modulo 65536 (wire address 0 gives FF FF); k is
// 0x07 for the auxiliary commands (short names "Heat", "Wipe", "Ligh"), 0x04 for the others.
void address16Layout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    const std::uint32_t address = static_cast<std::uint32_t>(call.wire) - 1U;
    const bool auxiliary = isOneOf(shortName(call.command), {"Heat", "Wipe", "Ligh"});
    frame.set(0, {0x86, low8(address >> 8), low8(address),
                  auxiliary ? std::uint8_t{0x07} : std::uint8_t{0x04}, call.c1(), call.c0()});
    frame[6] = sum7(frame, 0, 5);
}

}  // namespace kavro
