#include <windows.h>

#include "kavro/host_info.hpp"

namespace kavro {

std::string computerName() {
    // 256 bytes offered, 255 of them for the name, so there is always room for the zero.
    char buffer[256] = {};
    DWORD size = 255;
    if (!GetComputerNameA(buffer, &size)) return {};
    return std::string(buffer, size);
}

std::string localAddress() {
    return {};
}

}  // namespace kavro
