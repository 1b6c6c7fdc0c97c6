// A PostgreSQL server of the tests' own: a cluster made with initdb in a temporary directory,
// started with pg_ctl, listening on a Unix socket in that directory only (no TCP), stopped by
// its process ID. Run as root (as in CI), the server runs as the system user "postgres".
//
// One cluster serves a whole test run: ctest starts it once (the pg_cluster fixture) and names
// it in KAVRO_PG_CLUSTER_FILE; a test program run by hand starts its own on first use.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace kavro::test {

class PgCluster {
  public:
    // The run's cluster (see above); nullptr when there is none, with the reason in why.
    static PgCluster* shared(std::string& why);
    // A new cluster of the caller's own; nullptr and why when it cannot be made or started.
    static std::unique_ptr<PgCluster> create(std::string& why);
    // The same, copied from the fresh state other's cluster was made in (quicker than initdb).
    static std::unique_ptr<PgCluster> createLike(const PgCluster& other, std::string& why);
    // Attaches to a running cluster whose directory is given; it is not stopped by this object.
    static std::unique_ptr<PgCluster> attach(const std::string& directory);
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    const std::string& directory() const { return dir_; }
    // A libpq URI for the database "postgres" as the superuser, over the Unix socket; with a
    // schema, that schema is the search path.
    std::string uri(const std::string& schema = "") const;
    // A new empty schema of a unique name, for one test's tables.
    std::string freshSchema();
    // Runs SQL (one or more statements) as the superuser in the schema; returns the first
    // column of the first row of the last result ("" when none); raises std::runtime_error
    // when the server refuses it.
    std::string sql(const std::string& text, const std::string& schema = "") const;
    // The postmaster's process ID (0 when not running).
    pid_t serverPid() const;
    // Stops the server at once (pg_ctl stop -m immediate, then SIGKILL by PID if need be).
    void stop();
    // Leaves the server running and its directory in place when this object goes.
    void keepRunning() { owned_ = false; }
    // Whether the server programs are installed; why not, when they are not.
    static bool serverInstalled(std::string& why);

  private:
    PgCluster() = default;
    static std::unique_ptr<PgCluster> make(std::string& why, const std::string& templateDir);
    std::string dir_;
    bool owned_ = false;
    int schemas_ = 0;
};

}  // namespace kavro::test
