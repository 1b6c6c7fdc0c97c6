// Dome frames opened by one fixed byte and closed by a sum. In most of them a scan command
// ("Scan", "ScanStop") carries a code byte, or 0x00, where an ordinary command carries p.
#include "ptz/checksums.hpp"
#include "ptz/dome_protocols.hpp"

namespace kavro {

// Always five bytes: 0x02 w C0 p sum(0..3); "Scan" sends 0x00 for p ("ScanStop" is ordinary).
void domeStxLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.setLength(5);
    frame.set(0, {0x02, call.w(), call.c0(), call.command == "Scan" ? std::uint8_t{0} : call.p()});
    frame[4] = byteSum(frame, 0, 3);
}

// Five bytes 0x02 w C0 p sum(0..3); a scan command six bytes 0x02 w C1 C0 0x00 sum(0..4).
void domeStxWideLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    if (call.scanCommand()) {
        frame.setLength(6);
        frame.set(0, {0x02, call.w(), call.c1(), call.c0(), 0x00});
        frame[5] = byteSum(frame, 0, 4);
    } else {
        frame.setLength(5);
        frame.set(0, {0x02, call.w(), call.c0(), call.p()});
        frame[4] = byteSum(frame, 0, 3);
    }
}

// 0xF2 w C0 p 0x00 0x00 sum(1..5); a scan command sends 0x00 for p.
void domeF2Layout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xF2, call.w(), call.c0(), call.scanCommand() ? std::uint8_t{0} : call.p(), 0x00,
                  0x00});
    frame[6] = byteSum(frame, 1, 5);
}

// 0xFF w C3 C2 C1 p sum(1..5); a scan command sends C0 for p.
void domeFfLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xFF, call.w(), call.c3(), call.c2(), call.c1(),
                  call.scanCommand() ? call.c0() : call.p()});
    frame[6] = byteSum(frame, 1, 5);
}

// 0xF6 C2 H w p C0 sum7(1..5), H the bits 8 to 15 of W; the same frame for every command.
void domeF6Layout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xF6, call.c2(), low8(call.wire >> 8), call.w(), call.p(), call.c0()});
    frame[6] = sum7(frame, 1, 5);
}

// 0xF0 w 0x00 C2 p C0 0x00 sum(1..6) 0xFE; a scan command sends C1 for p and 0x01 in byte 6.
void domeF0FeLayout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    const bool scan = call.scanCommand();
    frame.set(0, {0xF0, call.w(), 0x00, call.c2(), scan ? call.c1() : call.p(), call.c0(),
                  scan ? std::uint8_t{0x01} : std::uint8_t{0x00}});
    frame.set(7, {byteSum(frame, 1, 6), 0xFE});
}

// 0x86 H L 0x07 k n sum7(0..5) for every command: H L is W - 1 modulo 65536; with q = P + 1,
// k = 16 * (q / 128 rounded down) + C0 and n = q AND 0x7F.
void domeAddress16Layout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    const std::uint32_t address = static_cast<std::uint32_t>(call.wire) - 1U;
    const std::int32_t q = call.paramPlusOne();
    frame.set(0, {0x86, low8(address >> 8), low8(address), 0x07, low8(16LL * (q >> 7) + call.c0()),
                  low8(q & 0x7F)});
    frame[6] = sum7(frame, 0, 5);
}

// 0xA5 w C2 C1 P+1 0x00 sum(0..5); a scan command sends C0 for P + 1.
void domeA5Layout(const DomeCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xA5, call.w(), call.c2(), call.c1(),
                  call.scanCommand() ? call.c0() : low8(call.paramPlusOne()), 0x00});
    frame[6] = byteSum(frame, 0, 5);
}

}  // namespace kavro
