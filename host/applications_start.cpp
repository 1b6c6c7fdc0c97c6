#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "host/spawn_settings.hpp"
#include "kavro/applications.hpp"

extern char** environ;

namespace kavro {
namespace {

// What the intermediate process tells the caller about the start.
struct StartReport {
    int error = 0;
    pid_t processId = 0;
};

bool readFully(int fd, void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void reap(pid_t child) {
    // The intermediate process exits right after the start, so this wait is short. ECHILD (a
    // caller that ignores SIGCHLD, or reaps children itself) means there is nothing left to do.
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

StartResult startApplication(std::string_view commandLine) {
    StartResult result;
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty() || words.front().empty()) {
        result.error = ENOENT;
        return result;
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        if (word.find('\0') != std::string::npos) {  // no program can receive it
            result.error = EINVAL;
            return result;
        }
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    SpawnSettings settings;
    if (!settings.prepare({.newSession = true})) {
        result.error = errno != 0 ? errno : EINVAL;
        return result;
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        result.error = errno;
        return result;
    }

    // The program is started by an intermediate process that exits at once, so the program is
    // not the caller's child: the system reaps it, and the caller's own child handling (a SIGCHLD
    // handler, waits for other children) sees nothing but the short-lived intermediate.
    const pid_t intermediate = ::fork();
    if (intermediate == 0) {
        // The caller may have other threads: only async-signal-safe calls from here on.
        StartReport child;
        child.error = ::posix_spawnp(&child.processId, argv[0], settings.actions(),
                                     settings.attributes(), argv.data(), environ);
        const ssize_t written = ::write(report[1], &child, sizeof child);
        ::_exit(written == static_cast<ssize_t>(sizeof child) ? 0 : 1);
    }
    const int forkError = errno;
    ::close(report[1]);
    if (intermediate < 0) {
        ::close(report[0]);
        result.error = forkError;
        return result;
    }
    StartReport child;
    const bool reported = readFully(report[0], &child, sizeof child);
    ::close(report[0]);
    reap(intermediate);

    if (!reported) {
        result.error = ECHILD;
    } else if (child.error != 0) {
        result.error = child.error;
    } else {
        result.started = true;
        result.processId = child.processId;
    }
    return result;
}

}  // namespace kavro
