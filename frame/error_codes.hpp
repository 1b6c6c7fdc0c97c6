// The C API's error codes (kavro_error, kavro/c/base.h) for the library's HostError codes, and
// back for the codes a host's record-set callbacks return: one table for both directions.
#pragma once

#include "kavro/host_error.hpp"

namespace kavro {

// The kavro_error a C caller sees for a HostError of this code.
int cErrorCodeFor(HostErrorCode code) noexcept;

// The HostError code for a kavro_error a host callback returned; a code with no HostError of
// its own (OUT_OF_RANGE, OTHER, a number the library does not know) is a database failure.
HostErrorCode hostErrorCodeFor(int cCode) noexcept;

}  // namespace kavro
