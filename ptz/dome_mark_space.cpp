// Dome frames whose address byte (byte 0) is marked by its ninth bit: byte 0 goes out at mark
// parity, the rest at space parity, and the final write sends the whole frame once more at
// space parity.
#include "ptz/dome_protocols.hpp"
#include "ptz/wire_helpers.hpp"

namespace kavro {
namespace {

constexpr std::uint8_t digit(long long value) noexcept {
    return low8(0x30 + value);
}

// The scan frame: w 0x77 C0 and sixteen 5-byte entries. The set bits among bits 0 to 15 of P,
// lowest first, fill the entries from the first: the position k + 1 and the stay time T as two
// decimal digits each, the speed value as one character 0x30 + s. Free entries are zeros.
void scanFrame(const DomeCall& call, CommandFrame& frame) {
    constexpr int kEntries = 16;
    constexpr int kEntrySize = 5;
    frame.setLength(3 + kEntries * kEntrySize);
    frame.set(0, {call.w(), 0x77, call.c0()});
    const auto mask = static_cast<std::uint32_t>(call.param);
    int entry = 3;
    for (int k = 0; k < kEntries; ++k) {
        if ((mask >> k & 1U) == 0) continue;
        frame.set(entry, {digit((k + 1) / 10), digit((k + 1) % 10), digit(call.s()),
                          digit(call.stay / 10), digit(call.stay % 10)});
        entry += kEntrySize;
    }
    for (; entry < frame.length(); entry += kEntrySize)
        frame.set(entry, {0, 0, 0, 0, 0});
}

}  // namespace

// Five bytes w 0x77 C0 d1 d0, d1 d0 the number P + 1 as two decimal digits (truncating, with
// the sign of the number, each kept to 8 bits); "ScanStop" sends the digits 0 0; "Scan" the
// 83-byte scan frame.
void domeMarkSpaceScanLayout(const DomeCall& call, CommandFrame& frame, WireTrace& script) {
    if (call.command == "Scan") {
        scanFrame(call, frame);
    } else {
        const std::int32_t number = call.command == "ScanStop" ? 0 : call.paramPlusOne();
        frame.setLength(5);
        frame.set(0, {call.w(), 0x77, call.c0(), digit(number / 10), digit(number % 10)});
    }
    markSpaceSend(frame, script);
}

// w C1 p, bytes 0, 1 and 2 one per write with 10 ms pauses, for every command; a row whose
// Length is longer sends its further (unset) bytes in the final write only.
void domeMarkSpaceBytesLayout(const DomeCall& call, CommandFrame& frame, WireTrace& script) {
    constexpr int kFrameBytes = 3;
    frame.set(0, {call.w(), call.c1(), call.p()});
    markSpaceByteSend(frame, kFrameBytes, script, 10);
}

}  // namespace kavro
