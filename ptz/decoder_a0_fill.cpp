// Frames opened by 0xA0 and closed by a complement sum, whose moves go out twice: first as
// built from the code, then, 50 ms later, with the speed bits widened by the bit-pair fill.
#include "ptz/checksums.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/name_tests.hpp"
#include "ptz/wire_helpers.hpp"

namespace kavro {
namespace {

// The eleven-byte frame: 0xA0 w 0x01 d3 d4 d5 d6 d7 0xFF 0xAF notsum(1..8).
void elevenByteFrame(CommandFrame& frame, std::uint8_t w, std::uint8_t d3, std::uint8_t d4,
                     std::uint8_t d5, std::uint8_t d6, std::uint8_t d7) {
    frame.set(0, {0xA0, w, 0x01, d3, d4, d5, d6, d7, 0xFF, 0xAF});
    frame[10] = complementSum(frame, 1, 8);
}

// The auxiliary frame: d3 to d7 = 0x80 0x01 C1 C0 0xFF, sent once.
void auxiliaryFrame(const DecoderCall& call, CommandFrame& frame) {
    elevenByteFrame(frame, call.w(), 0x80, 0x01, call.c1(), call.c0(), 0xFF);
}

void sendThenPause(const CommandFrame& frame, WireTrace& script) {
    script.write(frame.bytes());
    script.pause(50);
}

// Closes the second eleven-byte frame once its bytes 3 to 7 stand: the trailer and the sum over
// the changed bytes.
void closeElevenByteFrame(CommandFrame& frame) {
    frame.set(8, {0xFF, 0xAF});
    frame[10] = complementSum(frame, 1, 8);
}

}  // namespace

// Nine bytes: 0xA0 0x01 w C3 C2 C1 C0 C0 notsum(1..7). With C3 = 0x01 (a move), unless the
// name ends in "Stop", the frame goes out, then after 50 ms again with bytes 4 and 5 filled.
void a0FillNineLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    frame.set(0, {0xA0, 0x01, call.w(), call.c3(), call.c2(), call.c1(), call.c0(), call.c0()});
    frame[8] = complementSum(frame, 1, 7);
    if (frame[3] != 0x01 || nameEnding(call.command) == "Stop") return;
    sendThenPause(frame, script);
    frame.set(0, {0xA0, 0x01, call.w(), call.c3()});
    bitPairFill(frame[4], {0x03, 0x18, 0x60});
    bitPairFill(frame[5], {0x03, 0x0C});
    frame.set(6, {call.c0(), call.c0()});
    frame[8] = complementSum(frame, 1, 7);
}

// Eleven bytes. "Auto" sends C3 C2 C1 C1 C0 once; the auxiliary commands (short names "Heat",
// "Wipe", "Ligh", "Powe") the auxiliary frame once; every other command C3 C2 C1 C1 C0, then
// after 50 ms the same with bytes 3 and 4 filled.
void a0FillElevenLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    const std::string_view name = shortName(call.command);
    if (isOneOf(name, {"Heat", "Wipe", "Ligh", "Powe"})) {
        auxiliaryFrame(call, frame);
        return;
    }
    elevenByteFrame(frame, call.w(), call.c3(), call.c2(), call.c1(), call.c1(), call.c0());
    if (name == "Auto") return;
    sendThenPause(frame, script);
    frame.set(0, {0xA0, call.w(), 0x01});
    bitPairFill(frame[3], {0x03, 0x18});
    bitPairFill(frame[4], {0x06, 0x18, 0x60});
    closeElevenByteFrame(frame);
}

// Eleven bytes. The short names "Auto", "Wipe", "Ligh" send the auxiliary frame once. The lens
// commands ("Iris", "Focu", "Zoom") send C2 C1 00 00 C0, then after 50 ms the same with bytes 3
// and 4 filled; every other command 00 C2 C1 C0 00, then the same with byte 4 filled.
void a0FillLensLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script) {
    const std::string_view name = shortName(call.command);
    if (isOneOf(name, {"Auto", "Wipe", "Ligh"})) {
        auxiliaryFrame(call, frame);
    } else if (isOneOf(name, {"Iris", "Focu", "Zoom"})) {
        elevenByteFrame(frame, call.w(), call.c2(), call.c1(), 0x00, 0x00, call.c0());
        sendThenPause(frame, script);
        frame.set(0, {0xA0, call.w(), 0x01});
        bitPairFill(frame[3], {0x03, 0x18});
        bitPairFill(frame[4], {0x60});
        closeElevenByteFrame(frame);
    } else {
        elevenByteFrame(frame, call.w(), 0x00, call.c2(), call.c1(), call.c0(), 0x00);
        sendThenPause(frame, script);
        frame.set(0, {0xA0, call.w(), 0x01, 0x00});
        bitPairFill(frame[4], {0x06, 0x18});
        closeElevenByteFrame(frame);
    }
}

}  // namespace kavro
