// kavro sysinfo: the system information record, one field per line.
#include <cstdio>

#include "cli/command.hpp"
#include "kavro/host_info.hpp"

namespace kavro::cli {
namespace {

const char* yesNo(bool value) {
    return value ? "true" : "false";
}

int runSysinfo(const CommandLine& line) {
    if (!line.positional().empty()) throw UsageError("takes no arguments");
    const SystemInfo info = initSystemInfo();
    std::printf("LocalAddress: %s\n", info.localAddress.c_str());
    std::printf("ComputerName: %s\n", info.computerName.c_str());
    std::printf("IsVersion5: %s\n", yesNo(info.isVersion5));
    std::printf("MemoryMB: %u\n", unsigned{info.memoryMB});
    std::printf("Reserved: %u\n", unsigned{info.reserved});
    std::printf("IsDisplay1024x768: %s\n", yesNo(info.isDisplay1024x768));
    std::printf("BitsPerPixel: %u\n", unsigned{info.bitsPerPixel});
    std::printf("ScreenWidth: %u\n", unsigned{info.screenWidth});
    std::printf("ScreenHeight: %u\n", unsigned{info.screenHeight});
    std::printf("FileListComplete: %s\n", yesNo(info.fileListComplete));
    if (const auto server = line.value("server")) {
        ServerFields fields;
        fields.name = *server;
        getServerIP(fields);
        std::printf("ServerName: %s\n", fields.name.c_str());
        std::printf("ServerAddress: %s\n", fields.address.c_str());
        std::printf("ServerResolved: %s\n", yesNo(fields.resolved));
    }
    return kExitOk;
}

const Command& sysinfoCommand() {
    static const Command command{
        "sysinfo",
        "sysinfo [--server NAME]",
        "Prints the system information record, one \"Field: value\" line each: LocalAddress\n"
        "(always empty), ComputerName, IsVersion5, MemoryMB, Reserved, IsDisplay1024x768,\n"
        "BitsPerPixel, ScreenWidth, ScreenHeight (0 without an X display in DISPLAY) and\n"
        "FileListComplete (every file named in FileList.Dat in the current directory exists).\n"
        "\n"
        "  --server NAME   also resolve the server's name: ServerName, ServerAddress and\n"
        "                  ServerResolved lines follow\n"
        "\n"
        "Example:\n"
        "  kavro sysinfo --server localhost\n",
        {{"server", true}},
        runSysinfo,
    };
    return command;
}

const CommandRegistration registration{sysinfoCommand};

}  // namespace
}  // namespace kavro::cli
