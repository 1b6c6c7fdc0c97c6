// Starts and stops the PostgreSQL server that a test run shares (the ctest fixture
// pg_cluster).
//
//   kavro_pg_cluster start FILE   makes and starts a cluster, writes its directory to FILE
//                                 (an empty FILE when the server is not installed: the tests
//                                 that need it skip, saying why)
//   kavro_pg_cluster stop FILE    stops that cluster by its PID and removes it
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/pg_cluster.hpp"

using kavro::test::PgCluster;

namespace {

// Stops the cluster FILE names, if any, and removes it.
void stopNamed(const std::string& file) {
    std::ifstream in(file);
    std::string dir;
    std::getline(in, dir);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    // Only a directory this program made: /tmp/kavro-pg-XXXXXX.
    if (dir.rfind("/tmp/kavro-pg-", 0) != 0) return;
    PgCluster::attach(dir)->stop();
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s start|stop FILE\n", argv[0]);
        return 2;
    }
    const std::string command = argv[1];
    const std::string file = argv[2];
    if (command == "start") {
        stopNamed(file);  // one an interrupted run left behind
        std::string why;
        std::ofstream out(file, std::ios::trunc);
        if (!PgCluster::serverInstalled(why)) {
            std::printf("no PostgreSQL server for this run: %s\n", why.c_str());
            return 0;
        }
        std::unique_ptr<PgCluster> cluster = PgCluster::create(why);
        if (!cluster) {
            std::fprintf(stderr, "%s\n", why.c_str());
            return 1;
        }
        cluster->keepRunning();
        out << cluster->directory() << "\n";
        std::printf("PostgreSQL server %d on %s\n", static_cast<int>(cluster->serverPid()),
                    cluster->directory().c_str());
        return 0;
    }
    if (command == "stop") {
        stopNamed(file);
        return 0;
    }
    std::fprintf(stderr, "usage: %s start|stop FILE\n", argv[0]);
    return 2;
}
