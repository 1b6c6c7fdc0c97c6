// The matrix switcher: every frame is sized before it is filled, so no input can reach outside
// it. A value stored into a frame byte keeps its low 8 bits; divisions truncate toward zero.
#include "kavro/switcher.hpp"

#include "ptz/checksums.hpp"
#include "ptz/command_frame.hpp"
#include "ptz/decoder_protocols.hpp"

namespace kavro {
namespace {

// FF FF FF FF 00 00 20 01 00 a b 80 xor(4..11) FE EE EE.
void rawBytesFrame(std::int32_t first, std::int32_t second, CommandFrame& frame,
                   WireTrace& script) {
    frame.setLength(16);
    frame.set(
        0, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x20, 0x01, 0x00, low8(first), low8(second), 0x80});
    frame.set(12, {byteXor(frame, 4, 11), 0xFE, 0xEE, 0xEE});
    script.write(frame.bytes());
}

// FE n 11 FF for a number whose low byte n is 0 to 9; otherwise FE 01 u key FF, u the units
// digit of the number.
void keyedDigitFrame(std::int32_t number, std::uint8_t longKey, CommandFrame& frame,
                     WireTrace& script) {
    const std::uint8_t low = low8(number);
    if (low <= 9) {
        frame.setLength(4);
        frame.set(0, {0xFE, low, 0x11, 0xFF});
    } else {
        frame.setLength(5);
        frame.set(0, {0xFE, 0x01, low8(number % 10), longKey, 0xFF});
    }
    script.write(frame.bytes());
}

// The three decimal digits of a number from 0 to 999; a larger one sends 0x30 plus its count of
// hundreds first.
void threeDigits(CommandFrame& frame, int first, std::int32_t number) {
    frame.set(first, {low8(0x30 + number / 100), low8(0x30 + number % 100 / 10),
                      low8(0x30 + number % 10)});
}

// "A" first second "031" "000000" "B", written three times.
void asciiFrame(std::int32_t first, std::int32_t second, CommandFrame& frame, WireTrace& script) {
    frame.setLength(17);
    frame[0] = 'A';
    threeDigits(frame, 1, first);
    threeDigits(frame, 4, second);
    frame.set(7, {'0', '3', '1', '0', '0', '0', '0', '0', '0', 'B'});
    for (int i = 0; i < 3; ++i)
        script.write(frame.bytes());
}

}  // namespace

std::optional<ChannelRange> switchChannelRange(std::int32_t protocol) noexcept {
    switch (protocol) {
        case 4:
            return ChannelRange{0, 255};  // one raw byte
        case 15:
            return ChannelRange{0, 19};  // a digit, or the digit 1 and a units digit
        case 28:
            return ChannelRange{0, 999};  // three ASCII digits
        default:
            return std::nullopt;
    }
}

bool encodeSwitchCommand(std::int32_t protocol, std::int32_t first, std::int32_t second,
                         WireTrace& script) {
    CommandFrame frame;
    WireTrace built;
    switch (protocol) {
        case 4:
            rawBytesFrame(first, second, frame, built);
            break;
        case 15:
            // The second number first; the long form's key tells the two apart.
            keyedDigitFrame(second, 0x11, frame, built);
            keyedDigitFrame(first, 0x13, frame, built);
            break;
        case 28:
            asciiFrame(first, second, frame, built);
            break;
        default:
            script.clear();
            return false;
    }
    script = std::move(built);
    return true;
}

SwitchResult writeCommandToSwitch(SerialLine& line, BusyFlag& busy, std::int32_t protocol,
                                  std::int32_t first, std::int32_t second) {
    WireTrace script;
    SwitchResult result;
    result.known = encodeSwitchCommand(protocol, first, second, script);
    // Every protocol value takes the flag, also one that sends nothing.
    result.line = playUnderFlag(script, line, busy);
    return result;
}

}  // namespace kavro
