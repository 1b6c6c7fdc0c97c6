#include "cli/mark_bits.hpp"

#include <termios.h>

namespace kavro::cli {

bool markParityErrors(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    t.c_cflag |= PARENB | CMSPAR;
    t.c_cflag &= ~static_cast<tcflag_t>(PARODD);  // space: a mark bit is an error
    t.c_iflag |= INPCK | PARMRK;
    t.c_iflag &= ~static_cast<tcflag_t>(IGNPAR | ISTRIP);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace kavro::cli
