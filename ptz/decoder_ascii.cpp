// ASCII frames: addresses and codes written as decimal digit characters. A digit is 0x30 plus
// the number, taken modulo 256, so a value beyond one digit gives a character above '9' rather
// than a longer frame.
#include "ptz/decoder_protocols.hpp"
#include "ptz/name_tests.hpp"

namespace kavro {
namespace {

constexpr std::uint8_t digit(long long value) noexcept {
    return low8(0x30 + value);
}

}  // namespace

// Seventeen characters "A003003" ... : A 0 0 3 0 0, the address w as one digit, the code as
// three digits (hundreds, tens, units of the unsigned 32-bit code), six 0, B. A command whose
// name ends in "Stop" goes out six times in a row (five early writes and the final one), every
// other command once.
void asciiDigitsLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    const std::uint32_t code = call.code;
    frame.set(0, {'A', '0', '0', '3', '0', '0', digit(call.w()), digit(code / 100),
                  digit(code % 100 / 10), digit(code % 10), '0', '0', '0', '0', '0', '0', 'B'});
    if (nameEnding(call.command) != "Stop") return;
    for (int i = 0; i < 5; ++i)
        script.write(frame.bytes());
}

// STX "AD" t u ";GC" then a body that the name and the code choose, then ETX; t u is the whole
// wire address W as two digits (W / 10 and the remainder, truncating toward zero). The short
// names "Auto" and "Iris" and codes up to 0xFFFF take 26 bytes; wider codes 18.
void asciiStxEtxLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    const std::string_view name = shortName(call.command);
    const bool wide = name != "Auto" && name != "Iris" && call.code > 0xFFFF;
    frame.setLength(wide ? 18 : 26);
    frame.set(0, {0x02, 'A', 'D', digit(call.wire / 10), digit(call.wire % 10), ';', 'G', 'C'});
    if (name == "Auto") {
        frame.set(8, {'F', ':', '2', '0', '2', '1', call.c3(), call.c2(), call.c1(), ':', '2', '0',
                      '2', '2', '1', call.c0(), '0', 0x03});
    } else if (name == "Iris") {
        frame.set(8, {'F', ':', '0', '0', '2', '1', '0', '0', '2', ':', '2', '0', '2', '1', '2',
                      '1', call.c0(), 0x03});
    } else if (!wide) {
        frame.set(8, {call.c1(), ':', '2', '0', '2', '1', '3', '6', call.c0(), ':', '2', '0', '2',
                      '2', '5', '5', '0', 0x03});
    } else {
        frame.set(8, {call.c2(), ':', '2', '0', '2', '1', call.c1(), '2', call.c0(), 0x03});
    }
}

}  // namespace kavro
