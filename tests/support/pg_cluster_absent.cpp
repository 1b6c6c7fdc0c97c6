// The test server harness of a build without libpq: there is never a server.
#include "tests/support/pg_cluster.hpp"

namespace kavro::test {

namespace {
const char* const kNoLibpq = "this build has no PostgreSQL support (libpq-dev was not found)";
}

PgCluster* PgCluster::shared(std::string& why) {
    why = kNoLibpq;
    return nullptr;
}
std::unique_ptr<PgCluster> PgCluster::create(std::string& why) {
    why = kNoLibpq;
    return nullptr;
}
std::unique_ptr<PgCluster> PgCluster::createLike(const PgCluster&, std::string& why) {
    why = kNoLibpq;
    return nullptr;
}
std::unique_ptr<PgCluster> PgCluster::make(std::string& why, const std::string&) {
    why = kNoLibpq;
    return nullptr;
}
std::unique_ptr<PgCluster> PgCluster::attach(const std::string&) {
    return nullptr;
}
bool PgCluster::serverInstalled(std::string& why) {
    why = kNoLibpq;
    return false;
}
PgCluster::~PgCluster() = default;
std::string PgCluster::uri(const std::string&) const {
    return {};
}
std::string PgCluster::freshSchema() {
    return {};
}
std::string PgCluster::sql(const std::string&, const std::string&) const {
    return {};
}
pid_t PgCluster::serverPid() const {
    return 0;
}
void PgCluster::stop() {}

}  // namespace kavro::test
