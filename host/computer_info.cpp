#include <unistd.h>

#include <cstring>

#include "kavro/host_info.hpp"

namespace kavro {

std::string computerName() {
    // 256 bytes offered, 255 of them for the name, so there is always room for the zero.
    char buffer[256] = {};
    if (::gethostname(buffer, 255) != 0) return {};
    return std::string(buffer, ::strnlen(buffer, 255));
}

std::string localAddress() {
    return {};
}

}  // namespace kavro
