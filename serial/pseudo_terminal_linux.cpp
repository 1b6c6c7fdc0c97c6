// Linux: the Unix98 pty slaves have the majors 136 to 143; the master (opened through
// /dev/ptmx) answers TIOCGPTN with its number.
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "serial/pseudo_terminal.hpp"

namespace kavro {

bool isPseudoTerminal(int fd) noexcept {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned int devMajor = major(st.st_rdev);
    if (devMajor >= 136 && devMajor <= 143) return true;
    unsigned int number = 0;
    return ioctl(fd, TIOCGPTN, &number) == 0;
}

}  // namespace kavro
