// Eleven-byte dome frames 0xA0 w 0x01 0x00 d4 d5 d6 d7 d8 0xAF notsum(1..8), every write the
// whole frame. "Scan" programs the dome's scan as a sequence of frames:
//   0x23 0x00 0x80 0xFF 0xFF          scan programming begins
//   0x23 0x00 k s T                   position k, for each set bit k of P, at most 16 of them
//   0x23 0x00 0x40 0xFF 0xFF          scan programming ends
//   (500 ms for the dome to store it)
//   0x21 0x00 0x00 0xFF 0xFF          run the scan: the final write
// "ScanStop" is one frame 0x1F 0xFF 0xFF 0xFF 0xFF. Positions go out counted from 0.
#include "ptz/checksums.hpp"
#include "ptz/dome_protocols.hpp"

namespace kavro {
namespace {

constexpr int kMaxScanPositions = 16;
constexpr int kScanStorePause = 500;

void elevenByteFrame(const DomeCall& call, CommandFrame& frame, std::uint8_t d4, std::uint8_t d5,
                     std::uint8_t d6, std::uint8_t d7, std::uint8_t d8) {
    frame.set(0, {0xA0, call.w(), 0x01, 0x00, d4, d5, d6, d7, d8, 0xAF});
    frame[10] = complementSum(frame, 1, 8);
}

// Positions 0 to positionLimit - 1 are taken from the bits of the same number.
void scanSequence(const DomeCall& call, CommandFrame& frame, WireTrace& script, int positionLimit) {
    elevenByteFrame(call, frame, 0x23, 0x00, 0x80, 0xFF, 0xFF);
    script.write(frame.bytes());
    const auto mask = static_cast<std::uint32_t>(call.param);
    int entries = 0;
    for (int k = 0; k < positionLimit && entries < kMaxScanPositions; ++k) {
        if ((mask >> k & 1U) == 0) continue;
        elevenByteFrame(call, frame, 0x23, 0x00, static_cast<std::uint8_t>(k), call.s(), call.stay);
        script.write(frame.bytes());
        ++entries;
    }
    elevenByteFrame(call, frame, 0x23, 0x00, 0x40, 0xFF, 0xFF);
    script.write(frame.bytes());
    script.pause(kScanStorePause);
    elevenByteFrame(call, frame, 0x21, 0x00, 0x00, 0xFF, 0xFF);
}

// The scan commands of both protocols; false for an ordinary command.
bool scanCommandLayout(const DomeCall& call, CommandFrame& frame, WireTrace& script,
                       int positionLimit) {
    if (call.command == "Scan") {
        scanSequence(call, frame, script, positionLimit);
        return true;
    }
    if (call.command == "ScanStop") {
        elevenByteFrame(call, frame, 0x1F, 0xFF, 0xFF, 0xFF, 0xFF);
        return true;
    }
    return false;
}

}  // namespace

// Ordinary commands: C3 p C1 C0 0xFF. Scan positions 0 to 30.
void domeA0ScanLayout(const DomeCall& call, CommandFrame& frame, WireTrace& script) {
    if (scanCommandLayout(call, frame, script, 31)) return;
    elevenByteFrame(call, frame, call.c3(), call.p(), call.c1(), call.c0(), 0xFF);
}

// Ordinary commands: C0 p 0xFF 0xFF 0xFF. Scan positions 0 to 31, one per bit of P.
void domeA0LensScanLayout(const DomeCall& call, CommandFrame& frame, WireTrace& script) {
    if (scanCommandLayout(call, frame, script, 32)) return;
    elevenByteFrame(call, frame, call.c0(), call.p(), 0xFF, 0xFF, 0xFF);
}

}  // namespace kavro
