// Sending one dome command on a recording line from a one-row table built in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kavro/memory_record_set.hpp"
#include "tests/support/decoder_fixture.hpp"

namespace kavro::test {

// The row's values; the defaults are those of the bundled table.
struct DomeRow {
    Variant length;
    Variant code;
    Variant stay = Variant(5);
    Variant slowest = Variant(0);
    Variant fastest = Variant(63);
    Variant base = Variant(0);
};

// A protocol table with one row: ID, Length, BaseAddress, the command's field, StayTime,
// Slowest, Fastest.
std::unique_ptr<MemoryRecordSet> domeTable(int protocol, const std::string& command,
                                           const DomeRow& row);

// writeCommandToGlobe on a fresh recording line with a clear busy flag.
DecoderSend sendDomeCommand(RecordSet& table, int protocol, int camera, const std::string& command,
                            std::int32_t speedLevel, std::int32_t parameter);

}  // namespace kavro::test
