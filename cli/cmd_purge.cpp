// kavro purge: remove the expired dated files of a directory.
#include <cstdio>

#include "cli/command.hpp"
#include "cli/tree_report.hpp"
#include "kavro/file_maintenance.hpp"

namespace kavro::cli {
namespace {

// "S=7,J=30,Y=0,B=90,T=14": a day count per type letter; letters not named keep for ever.
RetentionDays parseKeep(const std::string& text) {
    RetentionDays days;
    bool seen[5] = {};
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        if (item.size() < 3 || item[1] != '=') {
            throw UsageError("--keep wants LETTER=DAYS items, not '" + item + "'");
        }
        const std::int32_t count =
            parseInteger(item.substr(2), "the keep period of " + item.substr(0, 1));
        if (count < -128 || count > 127) {
            throw UsageError("keep periods run from -128 to 127 days, not " + item.substr(2));
        }
        const auto value = static_cast<std::int8_t>(count);
        const std::string letters = "SJYBT";
        const std::size_t index = letters.find(item[0]);
        if (index == std::string::npos) {
            throw UsageError("type letters are S, J, Y, B and T, not '" + item.substr(0, 1) + "'");
        }
        if (seen[index]) throw UsageError("--keep names " + item.substr(0, 1) + " twice");
        seen[index] = true;
        std::int8_t* slots[] = {&days.s, &days.j, &days.y, &days.b, &days.t};
        *slots[index] = value;
        start = end + 1;
    }
    return days;
}

int runPurge(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one DIR");
    if (!line.has("keep")) throw UsageError("--keep is required");
    const RetentionDays days = parseKeep(*line.value("keep"));
    const std::string& directory = line.positional()[0];
    if (line.has("dry-run")) {
        const TreeReport preview = previewPurge(directory, days, [](const std::string& path) {
            std::printf("%s\n", printablePath(path).c_str());
        });
        requireWalked(preview, directory);
        return kExitOk;
    }
    return finishRun(purgeExpiredFiles(directory, days), directory);
}

const Command& purgeCommand() {
    static const Command command{
        "purge",
        "purge DIR --keep S=N,J=N,Y=N,B=N,T=N [--dry-run]",
        "Removes the files of DIR whose keep period has run out, every subdirectory of DIR\n"
        "(whole, whatever its dates), and DIR itself when nothing is left in it.\n"
        "\n"
        "A dated file's name carries its type letter at byte 1 (at byte 6 after a leading C,\n"
        "at byte 24 after a leading F or K) and its date YYYYMMDD at bytes 8 to 15. It goes\n"
        "when that date plus its type's keep period is on or before today. For example\n"
        "S03_01_20240105_0800.avi is an S file of 5 January 2024, and so is\n"
        "C03_1S_20240105_0900.avi (the C moves the letter to byte 6).\n"
        "\n"
        "  --keep LIST     keep periods in days per type letter, -128 to 127, e.g.\n"
        "                  S=7,J=30,B=90; letters not listed, and 0, keep for ever; a\n"
        "                  negative period also takes files dated that many days ahead\n"
        "  --dry-run       list what would be removed (directories end in /; control\n"
        "                  characters in names escaped as \\n, \\t, \\xHH), remove nothing\n"
        "\n"
        "After a purge, stderr tells how many entries went. Read-only files (no owner write\n"
        "permission) stay, with the directories above them, and so does whatever the system\n"
        "refuses; the command then exits 1, naming the first entry kept and why. Symbolic\n"
        "links are removed as links, never followed; file systems mounted inside DIR are left\n"
        "in place. DIR itself must be a directory: a symbolic link is refused, and so are the\n"
        "root directory and a path ending in . or ..\n"
        "\n"
        "Example:\n"
        "  kavro purge /srv/recordings/cam01 --keep S=7,J=30,Y=0,B=90,T=14 --dry-run\n",
        {{"keep", true}, {"dry-run", false}},
        runPurge,
    };
    return command;
}

const CommandRegistration registration{purgeCommand};

}  // namespace
}  // namespace kavro::cli
