// Name-to-identifier lookup in any host table with a text column "Name" and an integer column
// "ID".
#pragma once

#include <cstdint>
#include <string_view>

#include "kavro/record_set.hpp"

namespace kavro {

// The ID of the first row, in the record set's row order, whose Name begins with `name`
// (byte-wise, letter case counting; the empty name matches the first row), leaving the record
// set on that row; 0 when no row matches. A row whose ID is 0 reads the same as no match.
// Failures are not caught: a record set without a Name or an ID field, or an ID that is no
// 32-bit integer, raises HostError.
std::int32_t nameToId(RecordSet& set, std::string_view name);

}  // namespace kavro
