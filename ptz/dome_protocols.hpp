// The speed-dome protocols: one layout function per frame shape, registered by ID in the
// dispatch table of dome_table.cpp. A dome layout is its own: where a decoder protocol has the
// same ID, the two frames may differ.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "kavro/wire_trace.hpp"
#include "ptz/command_frame.hpp"
#include "ptz/decoder_protocols.hpp"

namespace kavro {

// What a dome layout gets of the call: the decoder's code C, wire address W and name, plus the
// speed value S, the stay time T and the caller's parameter P.
struct DomeCall : DecoderCall {
    std::int32_t speed = 0;
    std::uint8_t stay = 0;
    std::int32_t param = 0;

    // s, the low byte of the speed value.
    std::uint8_t s() const noexcept { return static_cast<std::uint8_t>(speed); }
    // p, the low byte of the parameter.
    std::uint8_t p() const noexcept { return static_cast<std::uint8_t>(param); }
    // P + 1 in 32-bit arithmetic: the largest parameter wraps to the smallest, as on the host.
    std::int32_t paramPlusOne() const noexcept {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(param) + 1U);
    }
    // "Scan" or "ScanStop", whole names.
    bool scanCommand() const noexcept { return command == "Scan" || command == "ScanStop"; }
};

// Fills the frame (sized from the row's Length) and appends any early writes, pauses and parity
// changes; the final write of the frame is appended after it returns. A short row raises
// DynArrayOutOfRange before the script is played.
using DomeLayoutFunction = void(const DomeCall& call, CommandFrame& frame, WireTrace& script);
using DomeLayout = DomeLayoutFunction*;

struct DomeProtocol {
    static constexpr int kSetsOwnLength = DecoderProtocol::kSetsOwnLength;

    int id;
    int frameLength;  // the Length its row must have, or kSetsOwnLength
    DomeLayout layout;
    const char* shape;  // the frame in a few words, for people
};

// The dome layout registered for an ID; null for IDs without one (their frame goes out unset).
const DomeProtocol* findDomeProtocol(int id) noexcept;
std::span<const DomeProtocol> domeProtocols() noexcept;

// Layouts, by the shape of their frames, with the IDs the dispatch table gives them.
// dome_lead_byte.cpp: led by one fixed byte, closed by a sum
DomeLayoutFunction domeStxLayout;        // 9
DomeLayoutFunction domeStxWideLayout;    // 51
DomeLayoutFunction domeF2Layout;         // 19
DomeLayoutFunction domeFfLayout;         // 23 37 44
DomeLayoutFunction domeF6Layout;         // 27
DomeLayoutFunction domeF0FeLayout;       // 39
DomeLayoutFunction domeAddress16Layout;  // 50
DomeLayoutFunction domeA5Layout;         // 54
// dome_a0.cpp: 0xA0-led frames with an exclusive-or or a complement sum
DomeLayoutFunction domeA0AfLayout;       // 11 24
DomeLayoutFunction domeA0AfInnerLayout;  // 22
DomeLayoutFunction domeA0AfLensLayout;   // 47
DomeLayoutFunction domeA0NineLayout;     // 14
// dome_a0_scan.cpp: eleven-byte 0xA0 frames and the scan as a sequence of frames
DomeLayoutFunction domeA0ScanLayout;      // 20
DomeLayoutFunction domeA0LensScanLayout;  // 49
// dome_mark_space.cpp: the address byte goes out with its parity bit set
DomeLayoutFunction domeMarkSpaceScanLayout;   // 18
DomeLayoutFunction domeMarkSpaceBytesLayout;  // 43
// dome_address_first.cpp: led by the address byte
DomeLayoutFunction domeAddressXorLayout;  // 33
DomeLayoutFunction domeAddress77Layout;   // 53
// dome_no_address.cpp: no address on the wire
DomeLayoutFunction domeFeFfLayout;  // 15
DomeLayoutFunction dome83Layout;    // 41

}  // namespace kavro
