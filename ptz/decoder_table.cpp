// The decoder dispatch table: protocol ID -> frame length -> layout.
#include <array>

#include "ptz/decoder_protocols.hpp"

namespace kavro {
namespace {

constexpr int kOwn = DecoderProtocol::kSetsOwnLength;

// IDs 32, 35, 36, 37, 40 and 52 have no protocol: their frame goes out as the row sized it.
constexpr DecoderProtocol kProtocols[] = {
    {1, 6, abSumLayout},
    {2, 2, addressCodeLayout},
    {3, 2, addressCodeLayout},
    {4, 16, preambleXorLayout},
    {5, 6, abSum255Layout},
    {6, 2, addressCodeLayout},
    {7, 7, syncFfLayout},
    {8, 5, aaCbLayout},
    {9, 6, stxAutoLayout},
    {10, 3, addressCodeRepeatLayout},
    {11, 8, a0AfRepeatLayout},
    {12, 7, split32Layout},
    {13, 7, syncFfLayout},
    {14, 9, a0FillNineLayout},
    {15, kOwn, feFfLayout},
    {16, 4, aaSumLayout},
    {17, 3, markSpace77CodeLayout},
    {18, 5, markSpace77WideLayout},
    {19, 7, syncF2Layout},
    {20, 11, a0FillElevenLayout},
    {21, 7, syncF2LowFirstLayout},
    {22, 8, a0AfAuxiliaryLayout},
    {23, 7, syncFfAuto20Layout},
    {24, 8, a0AfRepeatLayout},
    {25, 3, eeLayout},
    {26, 2, addressCodeLayout},
    {27, 7, split1000Layout},
    {28, 17, asciiDigitsLayout},
    {29, 3, eeLayout},
    {30, 2, addressCodeLayout},
    {31, 8, aaLongLayout},
    {33, 6, addressXorLayout},
    {34, 4, addressHighBitLayout},
    {38, kOwn, lead40Layout},
    {39, 9, f0FeLayout},
    {41, kOwn, lengthByNameLayout},
    {42, 9, syncFfPanTiltLayout},
    {43, 3, markSpaceCodeLayout},
    {44, 7, syncFfAuto90Layout},
    {45, kOwn, asciiStxEtxLayout},
    {46, 6, a5TrailerLayout},
    {47, 8, a0AfLensRepeatLayout},
    {48, 6, abShortSumLayout},
    {49, 11, a0FillLensLayout},
    {50, 7, address16Layout},
    {51, kOwn, stxBlocksLayout},
    {53, kOwn, address77SumLayout},
    {54, kOwn, a5SumLayout},
};

constexpr int kHighestId = 54;

constexpr auto kById = [] {
    std::array<const DecoderProtocol*, kHighestId + 1> byId{};
    for (const DecoderProtocol& p : kProtocols)
        byId[static_cast<std::size_t>(p.id)] = &p;
    return byId;
}();

}  // namespace

const DecoderProtocol* findDecoderProtocol(int id) noexcept {
    return id < 0 || id > kHighestId ? nullptr : kById[static_cast<std::size_t>(id)];
}

std::span<const DecoderProtocol> decoderProtocols() noexcept {
    return kProtocols;
}

}  // namespace kavro
