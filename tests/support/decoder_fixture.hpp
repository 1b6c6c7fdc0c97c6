// Sending one decoder command on a recording line from a one-row table built in memory, and
// writing the expected wire trace compactly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kavro/memory_record_set.hpp"

namespace kavro::test {

// A protocol table with one row: ID, Length, BaseAddress and the command's field, holding code.
std::unique_ptr<MemoryRecordSet> oneRowTable(int protocol, const Variant& length,
                                             const Variant& baseAddress, const std::string& command,
                                             const Variant& code);

struct DecoderSend {
    std::string trace;           // the recording line's trace text
    bool sent = false;           // the row was accepted (false also when the frame access raised)
    bool frameTooShort = false;  // DynArrayOutOfRange left the call
    std::uint8_t busyAfter = 0xEE;
};

// writeCommandToDecoder on a fresh recording line with a clear busy flag.
DecoderSend sendDecoderCommand(RecordSet& table, int protocol, int camera,
                               const std::string& command);

// One row, one command: the usual case of the tests.
DecoderSend sendDecoderCommand(int protocol, int length, int camera, const std::string& command,
                               std::uint32_t code, int baseAddress = 0);

// Trace lines: "write <hex>\n" and "pause <ms>\n".
inline std::string writeLine(const std::string& hex) {
    return "write " + hex + "\n";
}
inline std::string pauseLine(int millis) {
    return "pause " + std::to_string(millis) + "\n";
}

}  // namespace kavro::test
