#include "tests/support/pg_cluster.hpp"

#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

// Debian keeps the server programs out of PATH, one directory per major version.
std::string serverProgram(const std::string& name) {
    glob_t found{};
    std::string program;
    if (::glob(("/usr/lib/postgresql/*/bin/" + name).c_str(), 0, nullptr, &found) == 0) {
        std::vector<std::string> paths(found.gl_pathv, found.gl_pathv + found.gl_pathc);
        std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;  // 9 before 15
        });
        program = paths.back();
    }
    ::globfree(&found);
    if (!program.empty()) return program;
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// The server refuses to run as root: run as root, its programs run as "postgres".
struct ServerUser {
    bool switchUser = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

bool serverUser(ServerUser& user, std::string& why) {
    if (::geteuid() != 0) return true;
    const passwd* pw = ::getpwnam("postgres");
    if (pw == nullptr) {
        why =
            "running as root and there is no user postgres to run the server as "
            "(scripts/install-deps --tests creates it)";
        return false;
    }
    user = {true, pw->pw_uid, pw->pw_gid};
    return true;
}

// Runs a program to its end, output to a log file; true when it exited 0.
bool run(const ServerUser& user, const std::vector<std::string>& argv, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (user.switchUser &&
            (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)) {
            ::_exit(126);
        }
        // Opened as the server's user, who appends to the same log later.
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

PgCluster* PgCluster::shared(std::string& why) {
    static std::string reason;
    static const std::unique_ptr<PgCluster> cluster = [] {
        if (const char* file = std::getenv("KAVRO_PG_CLUSTER_FILE")) {
            std::string dir = readFile(file);
            dir.erase(std::remove(dir.begin(), dir.end(), '\n'), dir.end());
            if (dir.empty()) {
                reason = "the test run has no PostgreSQL server (see the pg_cluster_start test)";
                return std::unique_ptr<PgCluster>();
            }
            return attach(dir);
        }
        return create(reason);
    }();
    why = reason;
    return cluster.get();
}

std::unique_ptr<PgCluster> PgCluster::attach(const std::string& directory) {
    std::unique_ptr<PgCluster> cluster(new PgCluster);
    cluster->dir_ = directory;
    return cluster;
}

bool PgCluster::serverInstalled(std::string& why) {
    if (!serverProgram("initdb").empty() && !serverProgram("pg_ctl").empty()) return true;
    why =
        "the PostgreSQL server programs (initdb, pg_ctl) are not installed "
        "(scripts/install-deps --tests)";
    return false;
}

std::unique_ptr<PgCluster> PgCluster::create(std::string& why) {
    return make(why, "");
}

std::unique_ptr<PgCluster> PgCluster::createLike(const PgCluster& other, std::string& why) {
    return make(why, other.dir_ + "/template");
}

std::unique_ptr<PgCluster> PgCluster::make(std::string& why, const std::string& templateDir) {
    if (!serverInstalled(why)) return nullptr;
    const std::string initdb = serverProgram("initdb");
    const std::string pgCtl = serverProgram("pg_ctl");
    ServerUser user;
    if (!serverUser(user, why)) return nullptr;
    // Short and fixed under /tmp: a socket's path has room for about 100 bytes.
    char pattern[] = "/tmp/kavro-pg-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        why = "mkdtemp failed";
        return nullptr;
    }
    std::unique_ptr<PgCluster> cluster(new PgCluster);
    cluster->dir_ = pattern;
    cluster->owned_ = true;
    const std::string data = cluster->dir_ + "/data";
    const std::string log = cluster->dir_ + "/server.log";
    const std::string initdbLog = cluster->dir_ + "/initdb.log";
    if (user.switchUser && ::chown(pattern, user.uid, user.gid) != 0) {
        why = "cannot hand " + cluster->dir_ + " to the user postgres";
        return nullptr;
    }
    std::error_code ec;
    if (!templateDir.empty() && fs::exists(templateDir, ec)) {
        // A copy of a fresh cluster starts in a fraction of initdb's time.
        if (!run(user, {"/bin/cp", "-a", templateDir, data}, initdbLog)) {
            why = "cannot copy " + templateDir + ": " + readFile(initdbLog);
            return nullptr;
        }
    } else {
        if (!run(user,
                 {initdb, "-D", data, "-A", "trust", "-U", "postgres", "-E", "UTF8", "--locale=C",
                  "--no-sync"},
                 initdbLog)) {
            why = "initdb failed: " + readFile(initdbLog);
            return nullptr;
        }
        run(user, {"/bin/cp", "-a", data, cluster->dir_ + "/template"}, initdbLog);
    }
    {
        // Unix socket only, in the cluster's directory; nothing this throwaway server holds
        // needs to survive a crash.
        std::ofstream conf(data + "/postgresql.conf", std::ios::app);
        conf << "listen_addresses = ''\n"
             << "unix_socket_directories = '" << cluster->dir_ << "'\n"
             << "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n"
             << "max_connections = 40\nshared_buffers = 16MB\n";
    }
    if (!run(user, {pgCtl, "start", "-w", "-t", "30", "-D", data, "-l", log}, log)) {
        why = "the PostgreSQL server did not start: " + readFile(log);
        cluster->stop();
        return nullptr;
    }
    return cluster;
}

PgCluster::~PgCluster() {
    if (!owned_) return;
    stop();
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string PgCluster::uri(const std::string& schema) const {
    std::string text = "postgresql:///postgres?host=" + dir_ + "&user=postgres";
    if (!schema.empty()) text += "&options=-csearch_path%3D" + schema;
    return text;
}

std::string PgCluster::freshSchema() {
    const std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++schemas_);
    sql("CREATE SCHEMA " + name);
    return name;
}

std::string PgCluster::sql(const std::string& text, const std::string& schema) const {
    PGconn* conn = PQconnectdb(uri(schema).c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        const std::string message = PQerrorMessage(conn);
        PQfinish(conn);
        throw std::runtime_error("cannot connect to the test server: " + message);
    }
    PGresult* result = PQexec(conn, text.c_str());
    const ExecStatusType status = PQresultStatus(result);
    std::string value;
    std::string error;
    if (status == PGRES_TUPLES_OK && PQntuples(result) > 0 && PQnfields(result) > 0) {
        value.assign(PQgetvalue(result, 0, 0), static_cast<std::size_t>(PQgetlength(result, 0, 0)));
    } else if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        error = PQresultErrorMessage(result);
    }
    PQclear(result);
    PQfinish(conn);
    if (!error.empty()) throw std::runtime_error(text + ": " + error);
    return value;
}

pid_t PgCluster::serverPid() const {
    std::ifstream pidFile(dir_ + "/data/postmaster.pid");
    long pid = 0;
    return (pidFile >> pid) ? static_cast<pid_t>(pid) : 0;
}

void PgCluster::stop() {
    const pid_t pid = serverPid();
    if (pid <= 0) return;
    // Only ever this cluster's postmaster: a stale PID file may name a process that has since
    // taken the number.
    const std::string data = dir_ + "/data";
    auto running = [&] {
        return ::kill(pid, 0) == 0 &&
               readFile("/proc/" + std::to_string(pid) + "/cmdline").find(data) !=
                   std::string::npos;
    };
    ServerUser user;
    std::string why;
    const std::string pgCtl = serverProgram("pg_ctl");
    if (running() && !pgCtl.empty() && serverUser(user, why)) {
        run(user, {pgCtl, "stop", "-m", "immediate", "-w", "-t", "10", "-D", data},
            dir_ + "/server.log");
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (running()) ::kill(pid, SIGKILL);
    std::error_code ec;
    fs::remove(data + "/postmaster.pid", ec);
}

}  // namespace kavro::test
