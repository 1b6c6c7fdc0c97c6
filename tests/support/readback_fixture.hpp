// Sending commands through the encoders and reading them back through the line decoder: a
// protocol row whose command fields all hold distinct codes, the bytes one call writes, and
// the decoder's items collected.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kavro/line_decoder.hpp"
#include "kavro/memory_record_set.hpp"

namespace kavro::test {

// The command fields of the bundled tables.
const std::vector<std::string>& commandFieldNames();

// A one-row table for the protocol: Length as its layout needs (the longest frame for a layout
// that sizes its own), BaseAddress 0, StayTime 5, Slowest 0, Fastest 63, and for command field
// j a code whose every byte differs from the other fields' (C0 = 0x10 + j, C1 = 0x40 + j; the
// even fields also carry C2 and C3, the odd ones only two bytes, so both frames of the layouts
// that choose by the code's size are sent).
std::unique_ptr<MemoryRecordSet> distinctCodeTable(EncoderKind kind, int protocol);
std::uint32_t distinctCode(std::size_t field);

// What one call writes, every write joined; empty when the encoder sends nothing.
struct Sent {
    std::string command;
    std::int32_t camera = 0, parameter = 0, speed = 0;
    std::vector<std::uint8_t> bytes;
};
// table is null for the switcher, which reads none.
std::vector<std::uint8_t> encodedBytes(EncoderKind kind, RecordSet* table, int protocol,
                                       const std::string& command, std::int32_t camera,
                                       std::int32_t parameter, std::int32_t speed);

// A decoded item with its own copies of what it points to.
struct Item {
    DecodedItem::Kind kind;
    std::uint64_t offset;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> commands;
    std::optional<std::int32_t> camera, parameter, speed;
    std::int32_t first, second;
    Certainty certainty;
    int frames, expectedFrames;
    std::string reason;
};
std::vector<Item> decodeAll(LineDecoder& decoder, const std::vector<std::uint8_t>& bytes,
                            std::size_t chunk = 4096);

}  // namespace kavro::test
