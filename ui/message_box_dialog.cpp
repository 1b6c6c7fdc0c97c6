// The built-in message box: the dialog program zenity on the X display.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/code_page.hpp"
#include "host/spawn_settings.hpp"
#include "host/x11_display.hpp"
#include "kavro/message_box.hpp"

extern char** environ;

namespace kavro {
namespace {

const char* iconName(std::uint32_t style) {
    switch (style & 0xF0u) {
        case kIconError:
            return "dialog-error";
        case kIconQuestion:
            return "dialog-question";
        case kIconWarning:
            return "dialog-warning";
        default:
            return "dialog-information";
    }
}

// An information dialog has exactly one button, OK, whatever icon it shows. --no-markup keeps
// the text from being read as markup or escapes: it is shown as it is.
std::vector<std::string> dialogArguments(const MessageBoxRequest& request) {
    return {"zenity",
            "--info",
            "--no-markup",
            std::string("--icon-name=") + iconName(request.style),
            "--title=" + gbkToUtf8(request.caption),
            "--text=" + gbkToUtf8(request.text)};
}

// Runs the dialog and waits until it ends; its wait status, or nothing when it did not run.
// The dialog reads nothing and has nothing to say on the caller's streams.
std::optional<int> runDialog(std::vector<std::string> arguments) {
    SpawnSettings settings;
    if (!settings.prepare({.quietStreams = true})) return std::nullopt;
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], settings.actions(), settings.attributes(), argv.data(),
                       environ) != 0) {
        return std::nullopt;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        // ECHILD: the caller ignores SIGCHLD or reaped the dialog itself; it ran to its end.
        if (errno != EINTR) return 0;
    }
    return status;
}

}  // namespace

std::int32_t showDialog(const MessageBoxRequest& request) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return 0;
    // Held until the dialog ends, so the display stays up for it (see holdDisplay).
    const std::shared_ptr<void> held = x11::holdDisplay();
    if (!held) return 0;
    const std::optional<int> status = runDialog(dialogArguments(request));
    if (!status) return 0;
    // OK or Enter end the dialog with 0, Escape or the close box with 1: dismissed either way.
    // Anything else (it could not start its window, it was killed) means no box was seen through.
    if (WIFEXITED(*status) && (WEXITSTATUS(*status) == 0 || WEXITSTATUS(*status) == 1)) return 1;
    return 0;
}

}  // namespace kavro
