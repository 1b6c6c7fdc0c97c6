#include "kavro/host_error.hpp"

namespace kavro {

DynArrayOutOfRange::DynArrayOutOfRange(long long index, long long length)
    : HostError(HostErrorCode::OutOfRange, "index " + std::to_string(index) +
                                               " is outside the frame of length " +
                                               std::to_string(length)),
      index_(index),
      length_(length) {}

}  // namespace kavro
