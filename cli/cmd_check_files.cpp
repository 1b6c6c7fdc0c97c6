// kavro check-files: is every file on the file list there?
#include <stdexcept>

#include "cli/command.hpp"
#include "kavro/file_list.hpp"

namespace kavro::cli {
namespace {

int runCheckFiles(const CommandLine& line) {
    if (!line.positional().empty()) throw UsageError("takes no arguments");
    std::optional<std::string> missing;
    try {
        missing = firstMissingListedFile();
    } catch (const std::runtime_error& error) {
        throw Failure(error.what());
    }
    if (missing) throw Failure("missing: " + *missing);
    return kExitOk;
}

const Command& checkFilesCommand() {
    static const Command command{
        "check-files",
        "check-files",
        "Reads the file list FileList.Dat in the current directory (one path per line, blank\n"
        "lines skipped, relative paths taken against the current directory) and exits 0 when\n"
        "every listed file exists; otherwise 1, naming the first missing one on stderr. A\n"
        "missing or unreadable list also exits 1. A directory counts as missing.\n"
        "\n"
        "Example:\n"
        "  cd /opt/surveillance && kavro check-files\n",
        {},
        runCheckFiles,
    };
    return command;
}

const CommandRegistration registration{checkFilesCommand};

}  // namespace
}  // namespace kavro::cli
