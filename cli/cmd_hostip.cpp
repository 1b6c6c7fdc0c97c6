// kavro hostip: the first IPv4 address of a host.
#include <cstdio>

#include "cli/command.hpp"
#include "kavro/host_info.hpp"

namespace kavro::cli {
namespace {

int runHostIp(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one NAME");
    const std::string& name = line.positional()[0];
    const std::string address = hostIP(name);
    if (address.empty()) throw Failure("'" + name + "' does not resolve to an IPv4 address");
    std::printf("%s\n", address.c_str());
    return kExitOk;
}

const Command& hostIpCommand() {
    static const Command command{
        "hostip",
        "hostip NAME",
        "Prints the first IPv4 address of a host name or dotted address as dotted text.\n"
        "The empty name (\"\") stands for this computer. Exits 1 when the name does not\n"
        "resolve.\n"
        "\n"
        "Example:\n"
        "  kavro hostip localhost      prints 127.0.0.1\n",
        {},
        runHostIp,
    };
    return command;
}

const CommandRegistration registration{hostIpCommand};

}  // namespace
}  // namespace kavro::cli
