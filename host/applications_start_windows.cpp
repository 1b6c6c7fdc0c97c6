// Starting a program with CreateProcessA, its window shown maximised. The command line goes to
// the platform as it is, which splits it by its own rules (splitCommandLine's). The call returns
// as soon as the process exists: unlike WinExec, it does not wait for the program to be ready
// for input.
#include <windows.h>

#include <cerrno>

#include "kavro/applications.hpp"

namespace kavro {
namespace {

int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_BAD_EXE_FORMAT:
            return ENOEXEC;
        default:
            return EINVAL;
    }
}

}  // namespace

StartResult startApplication(std::string_view commandLine) {
    StartResult result;
    if (splitCommandLine(commandLine).empty()) {
        result.error = ENOENT;
        return result;
    }
    if (commandLine.find('\0') != std::string_view::npos) {  // no program can receive it
        result.error = EINVAL;
        return result;
    }
    std::string line(commandLine);  // CreateProcessA may write into it
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    PROCESS_INFORMATION process{};
    // No handle of the caller's (its serial ports above all) is inherited.
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        result.error = errnoOf(GetLastError());
        return result;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result.started = true;
    result.processId = static_cast<int>(process.dwProcessId);
    return result;
}

}  // namespace kavro
