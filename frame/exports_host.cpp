// C exports: computer name, addresses, system information, starting and closing programs.
#include <cstddef>

#include "frame/c_boundary.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/applications.hpp"
#include "kavro/host_info.hpp"

using namespace kavro;

// The host's record layout: its 32-bit offsets, and where pointer-sized strings move them.
constexpr std::size_t kPointerGrowth = sizeof(void*) - 4;
static_assert(offsetof(kavro_system_info, LocalAddress) == 0);
static_assert(offsetof(kavro_system_info, ComputerName) == 4 + kPointerGrowth);
static_assert(offsetof(kavro_system_info, IsVersion5) == 8 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, MemoryMB) == 10 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, Reserved) == 12 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, IsDisplay1024x768) == 14 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, BitsPerPixel) == 16 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, ScreenWidth) == 18 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, ScreenHeight) == 20 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, FileListComplete) == 22 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, ServerAddress) == 24 + 2 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, ServerName) == 28 + 3 * kPointerGrowth);
static_assert(offsetof(kavro_system_info, ServerResolved) == 40 + 4 * kPointerGrowth);

namespace {

kavro_string** storeText(kavro_string** result, const std::string& text) {
    if (result != nullptr) ansi::assign(result, AnsiString(text).handle());
    return result;
}

std::uint8_t flag(bool value) {
    return value ? 1 : 0;
}

}  // namespace

kavro_string** KAVRO_CALL _GetComputeName(kavro_string** result) {
    return callQuietly(result, [&] { return storeText(result, computerName()); });
}

kavro_string** KAVRO_CALL _GetIPAdress(kavro_string** result) {
    return callQuietly(result, [&] { return storeText(result, localAddress()); });
}

kavro_string** KAVRO_CALL _GetHostIP(kavro_string** result, kavro_string* name) {
    const AnsiString host = AnsiString::share(name);
    return callQuietly(result, [&] { return storeText(result, hostIP(host.view())); });
}

void KAVRO_CALL _GetServerIP(kavro_system_info* info) {
    callQuietly(0, [&] {
        if (info == nullptr) return 0;
        const AnsiString address = AnsiString::share(info->ServerAddress);
        const AnsiString name = AnsiString::share(info->ServerName);
        ServerFields server{address.str(), name.str(), info->ServerResolved != 0};
        if (!getServerIP(server)) return 0;
        info->ServerResolved = flag(server.resolved);
        if (server.resolved)
            ansi::assign(&info->ServerAddress, AnsiString(server.address).handle());
        return 0;
    });
}

void KAVRO_CALL _InitSystemInfo(kavro_system_info* info) {
    callQuietly(0, [&] {
        if (info == nullptr) return 0;
        const SystemInfo facts = initSystemInfo();
        ansi::assign(&info->ComputerName, AnsiString(facts.computerName).handle());
        ansi::assign(&info->LocalAddress, AnsiString(facts.localAddress).handle());
        info->IsVersion5 = flag(facts.isVersion5);
        info->Reserved = facts.reserved;
        info->MemoryMB = facts.memoryMB;
        info->BitsPerPixel = facts.bitsPerPixel;
        info->ScreenWidth = facts.screenWidth;
        info->ScreenHeight = facts.screenHeight;
        info->IsDisplay1024x768 = flag(facts.isDisplay1024x768);
        info->FileListComplete = flag(facts.fileListComplete);
        return 0;
    });
}

void KAVRO_CALL _StartApplication(kavro_string* command_line) {
    const AnsiString line = AnsiString::share(command_line);
    callQuietly(0, [&] {
        startApplication(line.view());
        return 0;
    });
}

void KAVRO_CALL _CloseApplication(kavro_string* title) {
    const AnsiString text = AnsiString::share(title);
    callQuietly(0, [&] {
        closeApplication(text.view());
        return 0;
    });
}
