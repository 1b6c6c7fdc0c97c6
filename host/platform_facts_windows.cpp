// The facts of this computer the system information record is made from, as Windows tells them.
#include <windows.h>

#include "kavro/file_list.hpp"
#include "kavro/host_info.hpp"

namespace kavro {
namespace {

// The major version number is 5 for Windows 2000, XP and Server 2003.
bool isVersion5() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;  // 148: the ANSI block
    if (!GetVersionExA(&version)) return false;
    return version.dwMajorVersion == 5;
}

std::uint64_t physicalMemoryBytes() {
    MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;  // 32 on 32-bit Windows
    GlobalMemoryStatus(&memory);
    return memory.dwTotalPhys;
}

std::optional<DisplayMode> currentDisplayMode() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return std::nullopt;
    return DisplayMode{mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel};
}

}  // namespace

PlatformFacts readPlatformFacts() {
    PlatformFacts facts;
    facts.computerName = computerName();
    facts.isVersion5 = isVersion5();
    facts.physicalMemoryBytes = physicalMemoryBytes();
    facts.display = currentDisplayMode();
    facts.fileListComplete = checkFileList();
    return facts;
}

}  // namespace kavro
