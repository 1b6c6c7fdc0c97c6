// The decoder protocols: one layout function per protocol (or per shared layout), registered by
// ID in the dispatch table of decoder_table.cpp. Adding a protocol takes its layout function and
// one table entry.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "kavro/wire_trace.hpp"
#include "ptz/command_frame.hpp"

namespace kavro {

// What a layout gets of the call: the command code C, the wire address W and the name.
struct DecoderCall {
    std::uint32_t code = 0;
    std::int32_t wire = 0;
    std::string_view command;

    std::uint8_t c0() const noexcept { return static_cast<std::uint8_t>(code); }
    std::uint8_t c1() const noexcept { return static_cast<std::uint8_t>(code >> 8); }
    std::uint8_t c2() const noexcept { return static_cast<std::uint8_t>(code >> 16); }
    std::uint8_t c3() const noexcept { return static_cast<std::uint8_t>(code >> 24); }
    // w, the low byte of the wire address.
    std::uint8_t w() const noexcept { return static_cast<std::uint8_t>(wire); }
};

// Fills the frame (sized from the row's Length) and appends any early writes, pauses and parity
// changes to the script; the final write of the frame is appended after it returns. A layout may
// set the frame's length itself. Every access is checked, so a short row raises
// DynArrayOutOfRange before the script is played.
using DecoderLayoutFunction = void(const DecoderCall& call, CommandFrame& frame, WireTrace& script);
using DecoderLayout = DecoderLayoutFunction*;

struct DecoderProtocol {
    // A layout that sizes its own frame declares this length: the row's Length does not matter.
    static constexpr int kSetsOwnLength = 0;

    int id;
    int frameLength;  // the Length its row must have, or kSetsOwnLength
    DecoderLayout layout;
    const char* shape;  // the frame in a few words, for people: "0xAB lead, byte sum"
};

// The protocol registered for an ID; null for IDs without one (their frame goes out unset).
const DecoderProtocol* findDecoderProtocol(int id) noexcept;
std::span<const DecoderProtocol> decoderProtocols() noexcept;

// The low 8 bits of a value computed for a frame byte (w + 0x80, w - 1, 0x30 + a digit...).
constexpr std::uint8_t low8(long long value) noexcept {
    return static_cast<std::uint8_t>(value);
}

// Layouts, by the shape of their frames, with the IDs the dispatch table gives them.
// decoder_address_code.cpp
DecoderLayoutFunction addressCodeLayout;  // 2 3 6 26 30: w C0
// decoder_address_first.cpp: led by the address byte
DecoderLayoutFunction addressCodeRepeatLayout;  // 10
DecoderLayoutFunction addressXorLayout;         // 33
DecoderLayoutFunction addressHighBitLayout;     // 34
DecoderLayoutFunction address77SumLayout;       // 53
// decoder_mark_space.cpp: the address byte goes out with its parity bit set
DecoderLayoutFunction markSpace77CodeLayout;  // 17
DecoderLayoutFunction markSpace77WideLayout;  // 18
DecoderLayoutFunction markSpaceCodeLayout;    // 43
// decoder_sync_ff.cpp: 0xFF- and 0xF2-sync frames with a byte sum
DecoderLayoutFunction preambleXorLayout;     // 4
DecoderLayoutFunction syncFfLayout;          // 7 13
DecoderLayoutFunction syncF2Layout;          // 19
DecoderLayoutFunction syncF2LowFirstLayout;  // 21
DecoderLayoutFunction syncFfAuto20Layout;    // 23
DecoderLayoutFunction syncFfAuto90Layout;    // 44
DecoderLayoutFunction syncFfPanTiltLayout;   // 42
// decoder_a0_af.cpp: 0xA0 ... 0xAF frames with an exclusive-or
DecoderLayoutFunction a0AfRepeatLayout;      // 11 24
DecoderLayoutFunction a0AfAuxiliaryLayout;   // 22
DecoderLayoutFunction a0AfLensRepeatLayout;  // 47
// decoder_a0_fill.cpp: 0xA0 frames with a complement sum and a bit-pair-filled second frame
DecoderLayoutFunction a0FillNineLayout;    // 14
DecoderLayoutFunction a0FillElevenLayout;  // 20
DecoderLayoutFunction a0FillLensLayout;    // 49
// decoder_sync_ab.cpp: 0xAB-led frames
DecoderLayoutFunction abSumLayout;       // 1
DecoderLayoutFunction abSum255Layout;    // 5
DecoderLayoutFunction abShortSumLayout;  // 48
// decoder_sync_aa.cpp: 0xAA-led frames
DecoderLayoutFunction aaCbLayout;    // 8
DecoderLayoutFunction aaSumLayout;   // 16
DecoderLayoutFunction aaLongLayout;  // 31
// decoder_sum7.cpp: 7-bit checksum, the address split by a divisor or sent as 16 bits
DecoderLayoutFunction split32Layout;    // 12
DecoderLayoutFunction split1000Layout;  // 27
DecoderLayoutFunction address16Layout;  // 50
// decoder_stx_blocks.cpp: 0x02-led six-byte blocks
DecoderLayoutFunction stxAutoLayout;    // 9
DecoderLayoutFunction stxBlocksLayout;  // 51
// decoder_no_address.cpp
DecoderLayoutFunction feFfLayout;          // 15
DecoderLayoutFunction lengthByNameLayout;  // 41
// decoder_lead_byte.cpp: led by one fixed byte
DecoderLayoutFunction eeLayout;         // 25 29
DecoderLayoutFunction lead40Layout;     // 38
DecoderLayoutFunction f0FeLayout;       // 39
DecoderLayoutFunction a5TrailerLayout;  // 46
DecoderLayoutFunction a5SumLayout;      // 54
// decoder_ascii.cpp
DecoderLayoutFunction asciiDigitsLayout;  // 28
DecoderLayoutFunction asciiStxEtxLayout;  // 45

}  // namespace kavro
