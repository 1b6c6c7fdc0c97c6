// What kavro decode and kavro monitor share: reading a capture in its three forms, building the
// line decoder for the command line's protocol, and printing an item as a line of text or JSON.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.hpp"
#include "cli/protocol_table.hpp"
#include "kavro/line_decoder.hpp"

namespace kavro::cli {

// A capture: raw bytes; or the tool's own wire trace ("write 05 34", "pause 20", ... one event
// a line: the written bytes are taken); or hex text ("FF 01 00 08", "ff0100", "0xFF,0x01").
// Text that is neither is taken as raw bytes.
std::vector<std::uint8_t> captureBytes(const std::string& content);

// --dome and --switch choose the encoder whose frames are read back; neither, the decoder's.
EncoderKind encoderKind(const CommandLine& line);

// The protocol table for kinds that read one (the bundled dome table for --dome).
std::unique_ptr<OpenTable> tableFor(const CommandLine& line, EncoderKind kind);

// Raises Failure with the decoder's reason.
LineDecoder makeDecoder(EncoderKind kind, int protocolId, OpenTable* table);

// "camera 3  Up", "connect 12 -> 5", "?? FF 01 00 08 00 20 2A  bad checksum"; with json one
// object. prefix (a timestamp) goes first; extra JSON members go after the first brace.
std::string itemLine(const DecodedItem& item, bool json, std::string_view prefix = {},
                     std::string_view jsonExtra = {});

std::string jsonString(std::string_view text);

}  // namespace kavro::cli
