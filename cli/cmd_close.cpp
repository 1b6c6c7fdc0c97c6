// kavro close: ask a program's window to close by its title.
#include <cstdio>

#include "cli/command.hpp"
#include "kavro/applications.hpp"

namespace kavro::cli {
namespace {

int runClose(const CommandLine& line) {
    if (line.positional().size() != 1) throw UsageError("give exactly one TITLE");
    const std::string& title = line.positional()[0];
    switch (closeApplication(title)) {
        case CloseResult::NoDisplay:
            if (const std::string problem = x11ClientProblem(); !problem.empty())
                throw Failure("cannot talk to the X server: " + problem + " (install libxcb1)");
            throw Failure("no X display to ask (is DISPLAY set?)");
        case CloseResult::NoWindow:
            throw Failure("no window titled '" + title + "'");
        case CloseResult::Asked:
            break;
    }
    std::printf("asked the window '%s' to close\n", title.c_str());
    return kExitOk;
}

const Command& closeCommand() {
    static const Command command{
        "close",
        "close TITLE",
        "Asks the topmost X11 window whose title equals TITLE, without regard to letter case,\n"
        "to close (WM_DELETE_WINDOW), as the hosts do; the program decides whether it closes.\n"
        "TITLE is taken in the system code page (GBK). Exits 1 when there is no display or\n"
        "no such window.\n"
        "\n"
        "Example:\n"
        "  kavro close 'Camera Viewer'\n",
        {},
        runClose,
    };
    return command;
}

const CommandRegistration registration{closeCommand};

}  // namespace
}  // namespace kavro::cli
