// The decoder dispatch table: protocol ID -> frame length -> layout.
#include <array>

#include "ptz/decoder_protocols.hpp"

namespace kavro {
namespace {

constexpr int kOwn = DecoderProtocol::kSetsOwnLength;

// IDs 32, 35, 36, 37, 40 and 52 have no protocol: their frame goes out as the row sized it.
constexpr DecoderProtocol kProtocols[] = {
    {1, 6, abSumLayout, "0xAB lead, byte sum"},
    {2, 2, addressCodeLayout, "address, code"},
    {3, 2, addressCodeLayout, "address, code"},
    {4, 16, preambleXorLayout, "0xFF preamble, exclusive-or, 0xFE 0xEE 0xEE end"},
    {5, 6, abSum255Layout, "0xAB lead, sum mod 255"},
    {6, 2, addressCodeLayout, "address, code"},
    {7, 7, syncFfLayout, "Pelco D: 0xFF sync, byte sum"},
    {8, 5, aaCbLayout, "0xAA 0xCB lead"},
    {9, 6, stxAutoLayout, "0x02 lead, byte sum; Auto in two frames"},
    {10, 3, addressCodeRepeatLayout, "address, code, check byte; sent twice"},
    {11, 8, a0AfRepeatLayout, "Pelco P: 0xA0 ... 0xAF, exclusive-or; sent twice"},
    {12, 7, split32Layout, "0xFA lead, address split by 32, 7-bit sum"},
    {13, 7, syncFfLayout, "Pelco D: 0xFF sync, byte sum"},
    {14, 9, a0FillNineLayout, "0xA0 0x01 lead, complement sum; bit-pair filled second frame"},
    {15, kOwn, feFfLayout, "0xFE ... 0xFF, no address; 3 or 4 bytes"},
    {16, 4, aaSumLayout, "0xAA lead, byte sum"},
    {17, 3, markSpace77CodeLayout, "address at mark parity, 0x77, code"},
    {18, 5, markSpace77WideLayout, "address at mark parity, 0x77, three code bytes"},
    {19, 7, syncF2Layout, "0xF2 sync, byte sum"},
    {20, 11, a0FillElevenLayout, "0xA0 ... 0xAF, complement sum; bit-pair filled second frame"},
    {21, 7, syncF2LowFirstLayout, "0xF2 sync, low code byte first, byte sum"},
    {22, 8, a0AfAuxiliaryLayout,
     "Pelco P shape, exclusive-or of bytes 1 to 5; moves without speeds"},
    {23, 7, syncFfAuto20Layout, "Pelco D shape, moves at speed 0x20, sent twice"},
    {24, 8, a0AfRepeatLayout, "Pelco P: 0xA0 ... 0xAF, exclusive-or; sent twice"},
    {25, 3, eeLayout, "0xEE lead"},
    {26, 2, addressCodeLayout, "address, code"},
    {27, 7, split1000Layout, "0xF6 lead, address split by 1000, 7-bit sum"},
    {28, 17, asciiDigitsLayout, "ASCII digits A ... B; stops sent six times"},
    {29, 3, eeLayout, "0xEE lead"},
    {30, 2, addressCodeLayout, "address, code"},
    {31, 8, aaLongLayout, "0xAA 0x02 lead, byte sum"},
    {33, 6, addressXorLayout, "address first, exclusive-or"},
    {34, 4, addressHighBitLayout, "address with the high bit set, byte sum"},
    {38, kOwn, lead40Layout, "0x40 lead, byte sum; 5 or 6 bytes"},
    {39, 9, f0FeLayout, "0xF0 ... 0xFE, byte sum"},
    {41, kOwn, lengthByNameLayout, "0x82 or 0x83 lead, no address; 3, 4 or 8 bytes"},
    {42, 9, syncFfPanTiltLayout, "0xFF sync, address-added speed, no checksum"},
    {43, 3, markSpaceCodeLayout, "address at mark parity, two code bytes"},
    {44, 7, syncFfAuto90Layout, "Pelco D shape, moves at speed 0x20, sent twice"},
    {45, kOwn, asciiStxEtxLayout, "ASCII between 0x02 and 0x03; 18 or 26 bytes"},
    {46, 6, a5TrailerLayout, "0xA5 ... 0xAF 0x55, no checksum"},
    {47, 8, a0AfLensRepeatLayout, "Pelco P shape, exclusive-or of bytes 1 to 5; sent twice"},
    {48, 6, abShortSumLayout, "0xAB lead, sum of bytes 1 and 2"},
    {49, 11, a0FillLensLayout, "0xA0 ... 0xAF, complement sum; bit-pair filled second frame"},
    {50, 7, address16Layout, "0x86 lead, 16-bit address, 7-bit sum"},
    {51, kOwn, stxBlocksLayout, "0x02-led six-byte blocks, byte sums; 6 or 12 bytes, sent twice"},
    {53, kOwn, address77SumLayout, "address, 0x77, code, byte sum; 4 bytes"},
    {54, kOwn, a5SumLayout, "0xA5 lead, byte sum; 7 bytes"},
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
