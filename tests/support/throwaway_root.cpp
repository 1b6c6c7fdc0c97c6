#include "tests/support/throwaway_root.hpp"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "tests/support/process.hpp"

namespace kavro::test {

int inChildProcess(const std::function<int()>& body) {
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int code = 1;
        try {
            code = body();
        } catch (...) {
        }
        std::fflush(nullptr);
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool privateMountNamespace() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

bool bindMount(const std::string& source, const std::string& target, bool readOnly) {
    if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
        return false;
    }
    return !readOnly || ::mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                                nullptr) == 0;
}

bool mountTmpfs(const std::string& directory) {
    return ::mount("tmpfs", directory.c_str(), "tmpfs", 0, "mode=0700") == 0;
}

int inChildOnTmpfs(const std::string& directory, const std::function<int()>& body) {
    return inChildProcess([&] {
        if (privateMountNamespace()) mountTmpfs(directory);
        return body();
    });
}

bool enterRoot(const std::string& directory) {
    return ::chroot(directory.c_str()) == 0 && ::chdir("/") == 0;
}

int execToolInRoot(const std::string& root, const std::vector<std::string>& args,
                   const std::string& out, const std::string& err) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // /usr holds the programs and libraries; /lib, /lib64 and /bin lead into it where the
    // system has them as links, and are mounted read-only where they are directories.
    // May be called again on the same root: what is there already is used as it is.
    for (const char* system : {"/usr", "/lib", "/lib64", "/lib32", "/bin"}) {
        const fs::path inside = root + system;
        const fs::file_status status = fs::symlink_status(system, ec);
        if (fs::is_symlink(status)) {
            if (!fs::is_symlink(fs::symlink_status(inside, ec))) {
                fs::create_symlink(fs::read_symlink(system), inside, ec);
                if (ec) return kNotPermitted;
            }
        } else if (fs::is_directory(status)) {
            fs::create_directory(inside, ec);
            if (ec || !bindMount(system, inside, true)) return kNotPermitted;
        }
    }
    const std::string tool = toolPath();
    const std::string toolDirectory = fs::path(tool).parent_path().string();
    fs::create_directory(root + "/proc", ec);
    if (ec) return kNotPermitted;
    fs::create_directory(root + "/tool", ec);
    if (ec || !bindMount("/proc", root + "/proc", false) ||
        !bindMount(toolDirectory, root + "/tool", true)) {
        return kNotPermitted;
    }
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (outFd < 0 || errFd < 0 || nullFd < 0 || !enterRoot(root)) return kNotPermitted;
    if (::dup2(nullFd, 0) < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) {
        return kNotPermitted;
    }
    std::vector<std::string> argv{"/tool/" + fs::path(tool).filename().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    ::execv(pointers[0], pointers.data());
    return 127;
}

}  // namespace kavro::test
