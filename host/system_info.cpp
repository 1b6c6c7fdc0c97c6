#include <algorithm>

#include "kavro/host_info.hpp"

namespace kavro {

std::uint16_t memoryMiB(std::uint64_t bytes) {
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(bytes >> 20, 0xFFFF));
}

bool isDisplay1024x768(std::uint16_t width, std::uint16_t height, std::uint16_t bitsPerPixel) {
    return width == 1024 && height == 768 && (bitsPerPixel == 16 || bitsPerPixel == 32);
}

SystemInfo systemInfoFrom(const PlatformFacts& facts) {
    SystemInfo info;
    info.computerName = facts.computerName;
    info.localAddress = localAddress();
    info.isVersion5 = facts.isVersion5;
    info.reserved = 0;
    info.memoryMB = memoryMiB(facts.physicalMemoryBytes);
    if (facts.display) {
        info.bitsPerPixel = static_cast<std::uint16_t>(facts.display->bitsPerPixel);
        info.screenWidth = static_cast<std::uint16_t>(facts.display->width);
        info.screenHeight = static_cast<std::uint16_t>(facts.display->height);
    }
    info.isDisplay1024x768 =
        isDisplay1024x768(info.screenWidth, info.screenHeight, info.bitsPerPixel);
    info.fileListComplete = facts.fileListComplete;
    return info;
}

SystemInfo initSystemInfo() {
    return systemInfoFrom(readPlatformFacts());
}

}  // namespace kavro
