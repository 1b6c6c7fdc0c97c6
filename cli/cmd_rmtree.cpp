// kavro rmtree: delete a directory tree.
#include <filesystem>

#include "cli/command.hpp"
#include "kavro/file_maintenance.hpp"

namespace kavro::cli {
namespace {

int runRmtree(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one DIR");
    namespace fs = std::filesystem;
    const std::string& directory = line.positional()[0];
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(directory, ec);
    if (fs::is_symlink(status)) {
        throw Failure(directory + " is a symbolic link; name the directory it leads to");
    }
    if (!fs::is_directory(status)) throw Failure(directory + " is not a directory");
    deleteDirectory(directory);
    if (fs::exists(fs::symlink_status(directory, ec))) {
        throw Failure(directory + " was not removed completely: read-only files, and the " +
                      "directories above them, stay");
    }
    return kExitOk;
}

const Command& rmtreeCommand() {
    static const Command command{
        "rmtree",
        "rmtree DIR",
        "Deletes DIR and everything in it, hidden files included. Read-only files (no owner\n"
        "write permission) stay, with every directory above them; the command then exits 1.\n"
        "Symbolic links inside DIR are removed as links; what they lead to is not touched.\n"
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
