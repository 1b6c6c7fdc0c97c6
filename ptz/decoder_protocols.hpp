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
using DecoderLayout = void (*)(const DecoderCall& call, CommandFrame& frame, WireTrace& script);

struct DecoderProtocol {
    // A layout that sizes its own frame declares this length: the row's Length does not matter.
    static constexpr int kSetsOwnLength = 0;

    int id;
    int frameLength;  // the Length its row must have, or kSetsOwnLength
    DecoderLayout layout;
};

// The protocol registered for an ID; null for IDs without one (their frame goes out unset).
const DecoderProtocol* findDecoderProtocol(int id) noexcept;
std::span<const DecoderProtocol> decoderProtocols() noexcept;

// Layouts.
void addressCodeLayout(const DecoderCall& call, CommandFrame& frame, WireTrace& script);

}  // namespace kavro
