// Starting a program by its command line and asking a program's window to close by its title.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// Splits a command line into the program and its arguments with the original platform's rules:
// - blanks (space, tab) separate words; leading blanks are skipped;
// - the program word ends at the first blank, or, when it starts with a double quote, at the
//   next double quote (quotes removed, backslashes kept as they are: they separate directories);
// - in the arguments, a double quote starts or ends a quoted part, in which blanks are kept;
//   inside a quoted part two double quotes in a row give one literal double quote;
// - 2n backslashes before a double quote give n backslashes and the quote acts as above;
//   2n+1 backslashes before one give n backslashes and a literal double quote;
//   backslashes before anything else are kept as they are.
// Bytes are kept as they are (no code page conversion); no other character has a meaning:
// nothing is expanded, redirected or substituted.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

struct StartResult {
    bool started = false;
    int processId = 0;  // of the started program
    int error = 0;      // errno when not started (ENOENT: no such program, ...)
};

// Starts the program of the command line (split as above, found through PATH when the word has
// no '/') directly, never through a shell, and returns as soon as it runs, without waiting for
// it. The program gets the caller's environment and standard streams, no other open file, a
// session of its own and default signal settings; it is not the caller's child, so nothing is
// left to reap. An empty command line starts nothing. There is no "show maximised" request to
// pass on: X programs place and size their windows themselves.
// On Windows the command line goes to CreateProcessA as it is (the platform splits it the same
// way), the window shown maximised, no handle inherited; `error` is the errno nearest to the
// Windows error.
StartResult startApplication(std::string_view commandLine);

enum class CloseResult {
    NoDisplay,  // no X server to ask (DISPLAY unset or unreachable)
    NoWindow,   // no top-level window has that title
    Asked,      // the window was sent the close request
};

// Asks the first top-level window, topmost first, whose title equals the text without regard to
// letter case to close: the X11 close request (a WM_PROTOCOLS client message with
// WM_DELETE_WINDOW) is sent to it and delivered before this returns; the program decides whether
// it closes, and this does not wait for that (X has no synchronous messages). The text is in the
// system code page (GBK) and compared with the window's UTF-8 title (_NET_WM_NAME, else WM_NAME).
// The empty text matches only a window whose title is set and empty, never a window without a
// title. Only that first window is asked.
// On Windows: FindWindowA with the title's bytes as they are, then SendMessageA(WM_CLOSE), which
// returns once the window has handled the message; the answer is never NoDisplay.
CloseResult closeApplication(std::string_view title);

// Why the X client library (libxcb, loaded on the first call that talks to the X server) cannot
// be used, as its loader says; empty when it can. closeApplication and the display fields of the
// system information answer "no display" without it.
std::string x11ClientProblem();

}  // namespace kavro
