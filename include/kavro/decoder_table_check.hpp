// Checking a protocol table before trusting it: every row is read as the decoder and dome
// encoders read it, and every value that would make a command fail, or send bytes no protocol
// sets, is reported. The frame lengths are the ones the encoders' own protocols register.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kavro/record_set.hpp"

namespace kavro {

struct DecoderTableCheck {
    std::size_t rows = 0;
    // One line per finding: "row 5, ID 12: Length 6 is too short for ...".
    std::vector<std::string> findings;
    // The dome fields (StayTime, Slowest, Fastest) the table lacks. Not a finding: such a table
    // serves decoders only, and every dome command read from it is refused.
    std::vector<std::string> missingDomeFields;
    // Rows without any command code (every command field empty): no command is ever sent for
    // their IDs until codes are filled in. Not a finding either.
    std::size_t rowsWithoutCodes = 0;
    bool sound() const noexcept { return findings.empty(); }
    bool servesDomes() const noexcept { return missingDomeFields.empty(); }
};

// Walks the table from its first row and reports, per row:
//  - an ID that is missing, empty or no 32-bit number, or that an earlier row already has (a
//    lookup always finds the earlier row);
//  - a Length that is missing, empty, not a number, negative or beyond the largest frame; one
//    that fits neither the decoder's nor the dome's frame for its ID: shorter (every command of
//    that encoder would fail before writing) or longer (every write would end with bytes no
//    protocol sets; for an ID without any protocol, any Length above 0). An encoder whose
//    layout sets its own frame length takes any Length; in a table without the dome fields only
//    the decoder's frame counts;
//  - a BaseAddress that is missing, empty or no number;
//  - in a table with the dome fields: a StayTime outside 0 to 255 or no number, a Slowest or
//    Fastest that is no number, or whose speed value for level 0 or 10 does not fit 32 bits.
//    A row whose three dome fields are all empty is not meant for domes and is fine; one with
//    only some of them empty is reported;
//  - a command field whose value does not convert to a 32-bit code (an empty value is fine: the
//    command is then simply not sent).
// Command fields are all fields but ID, Length, BaseAddress, StayTime, Slowest, Fastest and
// Name. Raises HostError only when the table cannot be walked at all.
DecoderTableCheck checkDecoderTable(RecordSet& table);

// One row of a protocol table as a listing shows it.
struct ProtocolRowSummary {
    std::optional<std::int32_t> id;      // empty when the ID is missing or no number
    std::optional<std::int32_t> length;  // likewise the Length
    // The command fields that hold a value (a code, or something that will not convert), in
    // the table's field order; the same fields the check treats as commands.
    std::vector<std::string> codedCommands;
};

// Every row from the first, in row order. Raises HostError when the table cannot be walked.
std::vector<ProtocolRowSummary> listProtocolTable(RecordSet& table);

}  // namespace kavro
