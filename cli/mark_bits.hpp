// Listening at space parity with parity errors marked in the stream (PARMRK, INPCK), so that
// MarkBitReader can tell which bytes arrived with their ninth bit set.
#pragma once

namespace kavro::cli {

// false when the line refuses the settings.
bool markParityErrors(int fd);

}  // namespace kavro::cli
