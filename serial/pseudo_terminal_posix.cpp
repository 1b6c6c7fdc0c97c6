// Other POSIX systems: a pty master has a slave name; a slave is not told apart from a UART.
#include <stdlib.h>

#include "serial/pseudo_terminal.hpp"

namespace kavro {

bool isPseudoTerminal(int fd) noexcept {
    return ptsname(fd) != nullptr;
}

}  // namespace kavro
