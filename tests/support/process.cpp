#include "tests/support/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace kavro::test {

std::string toolPath() {
    return std::string(KAVRO_BIN_DIR) + "/kavro";
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& stdoutPath) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        const int devnull = open("/dev/null", O_RDONLY);
        dup2(devnull, 0);
        if (stdoutPath.empty()) {
            dup2(out[1], 1);
        } else {
            const int file = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (file < 0) _exit(126);
            dup2(file, 1);
        }
        dup2(err[1], 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    ProcessResult result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) break;
        for (pollfd& p : fds) {
            if (p.fd < 0 || (p.revents & (POLLIN | POLLHUP)) == 0) continue;
            char buffer[4096];
            const ssize_t n = read(p.fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(p.fd);
                p.fd = -1;
                --open;
            } else {
                (p.fd == fds[0].fd ? result.out : result.err)
                    .append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace kavro::test
