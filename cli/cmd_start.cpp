// kavro start: start a program by its command line.
#include <cstdio>
#include <cstring>

#include "cli/command.hpp"
#include "kavro/applications.hpp"

namespace kavro::cli {
namespace {

int runStart(const CommandLine& line) {
    if (line.positional().size() != 1)
        throw UsageError("give the whole COMMANDLINE as one argument");
    const std::string& commandLine = line.positional()[0];
    const StartResult result = startApplication(commandLine);
    if (!result.started) {
        if (splitCommandLine(commandLine).empty()) throw Failure("the command line is empty");
        throw Failure("cannot start '" + splitCommandLine(commandLine).front() +
                      "': " + std::strerror(result.error));
    }
    std::printf("%d\n", result.processId);
    return kExitOk;
}

const Command& startCommand() {
    static const Command command{
        "start",
        "start COMMANDLINE",
        "Starts a program by its command line, as the hosts do, and returns at once.\n"
        "The line is split the original platform's way: blanks separate words, double\n"
        "quotes group them (\"a b\" is one word, \"\" inside quotes a literal quote), and a\n"
        "backslash escapes a double quote (\\\"); other backslashes are kept. The program is\n"
        "found through PATH unless it names a directory, and is run directly, never through a\n"
        "shell: $, ;, |, > and the like are ordinary characters. Prints the process ID alone,\n"
        "for scripts: pid=$(kavro start ...).\n"
        "\n"
        "Example:\n"
        "  kavro start 'xmessage -center \"camera 3 offline\"'\n",
        {},
        runStart,
    };
    return command;
}

const CommandRegistration registration{startCommand};

}  // namespace
}  // namespace kavro::cli
