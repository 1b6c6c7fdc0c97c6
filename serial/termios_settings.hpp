// The serial line's settings as termios flags: from the Windows-style settings block and back,
// and what a device kept of a change.
#pragma once

#include <termios.h>

#include <string>

#include "kavro/serial_line.hpp"

namespace kavro {

// The parity bits of c_cflag: PARENB, PARODD and, where the system has it, CMSPAR.
tcflag_t parityMask() noexcept;
CommSettings decodeTermios(const termios& t);
// Fills t's speed, size, stop-bit and parity bits from settings; a reason when termios cannot
// express them, "" when it can.
std::string encodeTermios(const CommSettings& settings, termios& t);
// What the device kept otherwise than asked ("the device kept 8 data bits instead of 7"), or ""
// when it kept all that is compared; see the definition for what a pseudo-terminal keeps.
std::string keptOtherwise(const termios& asked, const termios& kept, bool pseudoTerminal);

}  // namespace kavro
