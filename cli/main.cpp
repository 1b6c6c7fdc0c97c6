// kavro: the command-line face of the Kavro_Public library.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/command.hpp"

namespace kavro::cli {
namespace {

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: kavro COMMAND [OPTIONS] [ARGS]\n"
                 "\n"
                 "Sends named camera commands to pan/tilt/zoom decoders, speed domes and video\n"
                 "matrix switchers over serial lines (or prints the bytes that would go out),\n"
                 "checks protocol tables, appends log rows, purges dated recordings and does the\n"
                 "host chores of a video-surveillance system, through the Kavro_Public library.\n"
                 "Exit status: 0 done, 1 the library reported failure (the reason on stderr, one\n"
                 "line), 2 bad arguments (with the usage).\n"
                 "\ncommands:\n");
    for (const Command* c : allCommands())
        std::fprintf(out, "  kavro %s\n", c->synopsis);
    std::fprintf(out,
                 "\n'kavro COMMAND --help' tells more of each; 'kavro --version' prints the "
                 "version.\n");
}

void printHelp(const Command& c) {
    std::printf("usage: kavro %s\n\n%s", c.synopsis, c.help);
}

const Command* find(const std::string& name) {
    for (const Command* c : allCommands()) {
        if (name == c->name) return c;
    }
    return nullptr;
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage(stderr);
        return kExitUsage;
    }
    if (args[0] == "--version") {
        std::printf("kavro %s\n", KAVRO_VERSION);
        return kExitOk;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1) {
            if (const Command* c = find(args[1])) {
                printHelp(*c);
                return kExitOk;
            }
        }
        printUsage(stdout);
        return kExitOk;
    }
    const Command* command = find(args[0]);
    if (command == nullptr) {
        std::fprintf(stderr, "kavro: unknown command '%s'\n\n", args[0].c_str());
        printUsage(stderr);
        return kExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
        if (a == "--help" || a == "-h") {
            printHelp(*command);
            return kExitOk;
        }
    }
    try {
        return command->run(CommandLine::parse(rest, command->options));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "kavro %s: %s\nusage: kavro %s\n", command->name, error.what(),
                     command->synopsis);
        return kExitUsage;
    } catch (const Failure& error) {
        std::fprintf(stderr, "kavro: %s\n", error.what());
        return kExitFailed;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kavro: %s\n", error.what());
        return kExitFailed;
    }
}

}  // namespace
}  // namespace kavro::cli

namespace kavro::cli {
namespace {

// What a command printed only counts if it reached stdout: a full disk or a closed pipe is a
// failure of the run (the buffered rest is flushed here, so this also catches the last write).
int checkedStdout(int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && std::ferror(stdout) == 0) return status;
    const int error = errno;
    std::fprintf(stderr, "kavro: cannot write to standard output%s%s\n", error != 0 ? ": " : "",
                 error != 0 ? std::strerror(error) : "");
    return status == kExitOk ? kExitFailed : status;
}

}  // namespace
}  // namespace kavro::cli

int main(int argc, char** argv) {
    return kavro::cli::checkedStdout(kavro::cli::run(argc, argv));
}
