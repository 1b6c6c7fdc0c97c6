#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "kavro/applications.hpp"

extern char** environ;

namespace kavro {
namespace {

// What the intermediate process tells the caller about the start.
struct StartReport {
    int error = 0;
    pid_t processId = 0;
};

// posix_spawn attributes and file actions, released on every path.
class SpawnSettings {
  public:
    SpawnSettings() {
        ::posix_spawnattr_init(&attributes_);
        ::posix_spawn_file_actions_init(&actions_);
    }
    ~SpawnSettings() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // A program started for the user owes the caller nothing: its own session (no signals from
    // the caller's terminal), no blocked or ignored signals, and none of the caller's files (its
    // serial ports above all) besides the three standard streams.
    bool prepare() {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        return ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSID |
                                                            POSIX_SPAWN_SETSIGMASK |
                                                            POSIX_SPAWN_SETSIGDEF) == 0 &&
               ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
               ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
    }

    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

  private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
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
    if (!settings.prepare()) {
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
