// The facts of this computer the system information record is made from.
#include <sys/sysinfo.h>

#include "host/x11_display.hpp"
#include "kavro/file_list.hpp"
#include "kavro/host_info.hpp"

namespace kavro {
namespace {

std::uint64_t physicalMemoryBytes() {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) return 0;
    return static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
}

}  // namespace

PlatformFacts readPlatformFacts() {
    PlatformFacts facts;
    facts.computerName = computerName();
    facts.isVersion5 = false;  // the flag names a generation of another operating system
    facts.physicalMemoryBytes = physicalMemoryBytes();
    facts.display = x11::currentDisplayMode();
    facts.fileListComplete = checkFileList();
    return facts;
}

}  // namespace kavro
