// Whether a descriptor is one end of a pseudo-terminal, whose settings are not a UART's.
#pragma once

namespace kavro {

bool isPseudoTerminal(int fd) noexcept;

}  // namespace kavro
