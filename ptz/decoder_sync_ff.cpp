// Frames opened by a sync byte (0xFF, or 0xF2) and closed by a byte sum. The 7-byte form is
// sync, address, command 1, command 2, data 1, data 2, sum(1..5); the four code bytes carry the
// two command and the two speed bytes.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/name_tests.hpp"

namespace kavro {
namespace {

// sync w b2 b3 b4 b5 sum(1..5).
void summedFrame(CommandFrame& frame, std::uint8_t sync, std::uint8_t w, std::uint8_t b2,
                 std::uint8_t b3, std::uint8_t b4, std::uint8_t b5) {
    frame.set(0, {sync, w, b2, b3, b4, b5});
    frame[6] = byteSum(frame, 1, 5);
}

void codeFrame(const DecoderCall& call, CommandFrame& frame, std::uint8_t sync) {
    summedFrame(frame, sync, call.w(), call.c3(), call.c2(), call.c1(), call.c0());
}

// Auxiliary commands (short names "Heat", "Wipe", "Ligh") send the four code bytes once.
// "Auto" first sends its own command byte with zero data, then after 100 ms the four code
// bytes. Every other command takes its two command bytes from C1 C0 with both speeds 0x20 and
// is sent twice, 200 ms apart.
void autoPrefixedFrames(const DecoderCall& call, CommandFrame& frame, WireTrace& script,
                        std::uint8_t autoCommand) {
    const std::string_view name = shortName(call.command);
    if (isOneOf(name, {"Heat", "Wipe", "Ligh"})) {
        codeFrame(call, frame, 0xFF);
    } else if (name == "Auto") {
        summedFrame(frame, 0xFF, call.w(), autoCommand, 0x00, 0x00, 0x00);
        script.write(frame.bytes());
        script.pause(100);
        codeFrame(call, frame, 0xFF);
    } else {
        summedFrame(frame, 0xFF, call.w(), call.c1(), call.c0(), 0x20, 0x20);
        script.write(frame.bytes());
        script.pause(200);
    }
}

}  // namespace

// Sixteen bytes: four 0xFF, 00 00 10 00 00 00 w C0, xor(4..11), then 0xFE 0xEE 0xEE.
void preambleXorLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    frame.set(0, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, call.w(), call.c0()});
    frame[12] = byteXor(frame, 4, 11);
    frame.set(13, {0xFE, 0xEE, 0xEE});
}

void syncFfLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    codeFrame(call, frame, 0xFF);
}

void syncF2Layout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    codeFrame(call, frame, 0xF2);
}

// 0xF2 w C0 C1 00 00 sum(1..5): the low code byte first.
void syncF2LowFirstLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    summedFrame(frame, 0xF2, call.w(), call.c0(), call.c1(), 0x00, 0x00);
}

void syncFfAuto20Layout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    autoPrefixedFrames(call, frame, script, 0x20);
}

void syncFfAuto90Layout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    autoPrefixedFrames(call, frame, script, 0x90);
}

// Nine bytes without a checksum; s = C0 + w. The four moves: 0xFF w 0x88 C3 C2 C1 s 00 00;
// every other command: 0xFF w C2 C1 00 00 s 00 00.
void syncFfPanTiltLayout(const DecoderCall& call, CommandFrame& frame, WireTrace&) {
    const std::uint8_t s = low8(call.c0() + call.w());
    if (isOneOf(call.command, {"Up", "Down", "Left", "Right"})) {
        frame.set(0, {0xFF, call.w(), 0x88, call.c3(), call.c2(), call.c1(), s, 0x00, 0x00});
    } else {
        frame.set(0, {0xFF, call.w(), call.c2(), call.c1(), 0x00, 0x00, s, 0x00, 0x00});
    }
}

}  // namespace kavro
