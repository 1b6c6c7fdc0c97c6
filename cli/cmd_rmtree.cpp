// kavro rmtree: delete a directory tree.
#include "cli/command.hpp"
#include "cli/tree_report.hpp"
#include "kavro/file_maintenance.hpp"

namespace kavro::cli {
namespace {

int runRmtree(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one DIR");
    // No look at the path first: between a look and the deletion, the path could come to lead
    // elsewhere. The library opens it once, link-safe, and says what it found.
    const std::string& directory = line.positional()[0];
    return finishRun(deleteDirectory(directory), directory);
}

const Command& rmtreeCommand() {
    static const Command command{
        "rmtree",
        "rmtree DIR",
        "Deletes DIR and everything in it, hidden files included, and says on stderr how many\n"
        "entries went. Read-only files (no owner write permission) stay, with every directory\n"
        "above them, and so does whatever the system refuses; the command then exits 1, naming\n"
        "the first entry kept and why.\n"
        "\n"
        "Nothing outside DIR is touched: symbolic links inside it are removed as links, file\n"
        "systems mounted inside it are left in place. DIR itself must be a directory: a\n"
        "symbolic link (with or without a trailing /) is refused, and so are the root\n"
        "directory and a path ending in . or ..\n"
        "\n"
        "Example:\n"
        "  kavro rmtree /srv/recordings/cam01/2005-12-09\n",
        {},
        runRmtree,
    };
    return command;
}

const CommandRegistration registration{rmtreeCommand};

}  // namespace
}  // namespace kavro::cli
