#include "tests/support/device_server.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/x_server.hpp"

extern char** environ;

namespace kavro::test {

bool listeningOnLoopback(std::uint16_t port) {
    // Lines of /proc/net/tcp: "sl local_address rem_address st ...", addresses as hex
    // "0100007F:07D0", state 0A for LISTEN.
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string sl, local, remote, state;
        fields >> sl >> local >> remote >> state;
        if (local == wanted && state == "0A") return true;
    }
    return false;
}

Ser2netServer::Ser2netServer(const std::string& device) {
    std::string program = findProgram("ser2net");
    if (program.empty() && ::access("/usr/sbin/ser2net", X_OK) == 0) program = "/usr/sbin/ser2net";
    if (program.empty()) {
        error_ = "ser2net is not installed";
        return;
    }
    rfc2217Port_ = freeLoopbackPort();
    rawPort_ = freeLoopbackPort();
    while (rawPort_ == rfc2217Port_)
        rawPort_ = freeLoopbackPort();

    const std::string config = dir_.file("ser2net.yaml");
    {
        std::ofstream out(config);
        out << "%YAML 1.1\n---\n"
            << "connection: &rfc2217\n"
            << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217Port_ << "\n"
            << "  connector: serialdev," << device << ",9600n81,local\n"
            << "connection: &raw\n"
            << "  accepter: tcp,127.0.0.1," << rawPort_ << "\n"
            << "  connector: serialdev," << device << ",9600n81,local\n";
    }
    // -n: stay in the foreground, as our child; -u: no UUCP lock files (nothing outside the
    // temporary directory is touched); -P: its pid file there too.
    std::vector<std::string> args = {program, "-n", "-u", "-c", config, "-P", dir_.file("pid")};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, dir_.file("log").c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error_ = "cannot start ser2net";
        return;
    }
    pid_ = pid;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!(listeningOnLoopback(rfc2217Port_) && listeningOnLoopback(rawPort_))) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error_ = "ser2net exited: " + log();
            return;
        }
        if (std::chrono::steady_clock::now() > until) {
            error_ = "ser2net did not listen within 2 s: " + log();
            stop();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

Ser2netServer::~Ser2netServer() {
    stop();
}

std::string Ser2netServer::log() const {
    std::ifstream in(dir_.file("log"));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Ser2netServer::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

void Ser2netServer::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
}

}  // namespace kavro::test
