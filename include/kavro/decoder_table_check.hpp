// Checking a decoder protocol table before trusting it: every row is read as the decoder encoder
// reads it, and every value that would make a command fail, or send bytes no protocol sets, is
// reported. The frame lengths are the ones the encoder's own protocols register.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "kavro/record_set.hpp"

namespace kavro {

struct DecoderTableCheck {
    std::size_t rows = 0;
    // One line per finding: "row 5, ID 12: Length 6 is too short for ...".
    std::vector<std::string> findings;
    bool sound() const noexcept { return findings.empty(); }
};

// Walks the table from its first row and reports, per row:
//  - an ID that is missing, empty or no 32-bit number, or that an earlier row already has (a
//    lookup always finds the earlier row);
//  - a Length that is missing, empty, not a number, negative or beyond the largest frame; one
//    shorter than its protocol's frame (every command of it would fail before writing); one
//    longer (every write would end with bytes no protocol sets; for an ID without a protocol,
//    any Length above 0);
//  - a BaseAddress that is missing, empty or no number;
//  - a command field whose value does not convert to a 32-bit code (an empty value is fine: the
//    command is then simply not sent).
// Command fields are all fields but ID, Length, BaseAddress and the dome fields StayTime,
// Slowest, Fastest and Name. Raises HostError only when the table cannot be walked at all.
DecoderTableCheck checkDecoderTable(RecordSet& table);

}  // namespace kavro
