// A copy in memory of every row of a record set, taken once: a protocol table that the encoders
// read for each command without a query. The copy is a record set of its own and does not follow
// later changes of the source; a host that wants newer rows takes a new snapshot.
#pragma once

#include <memory>

#include "kavro/memory_record_set.hpp"

namespace kavro {

// Reads the source from its first row to its end, in its row order, and leaves it at its end.
// Raises HostError when the source fails.
std::unique_ptr<MemoryRecordSet> snapshotOf(RecordSet& source);

}  // namespace kavro
