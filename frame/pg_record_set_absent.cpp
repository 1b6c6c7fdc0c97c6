// The PostgreSQL record set of a build without libpq: opening one says so.
#include "kavro/host_error.hpp"
#include "kavro/pg_record_set.hpp"

namespace kavro {

struct PgRecordSet::Impl {
    std::string table;
};

PgRecordSet::PgRecordSet(const std::string&, std::string_view, PgOpenOptions) {
    throw HostError(HostErrorCode::DatabaseError,
                    "this build of the library has no PostgreSQL support (libpq was not found)");
}

PgRecordSet::~PgRecordSet() = default;

const std::string& PgRecordSet::tableName() const {
    return impl_->table;
}

// Never reached: no object is ever made.
bool PgRecordSet::doLocate(std::string_view, const Variant&, LocateOptions) {
    return false;
}
Field& PgRecordSet::doFieldByName(std::string_view name) {
    throw HostError(HostErrorCode::FieldNotFound, "field '" + std::string(name) + "' not found");
}
std::vector<std::string> PgRecordSet::doFieldNames() const {
    return {};
}
void PgRecordSet::doAppend() {}
void PgRecordSet::doPost() {}
void PgRecordSet::doCancel() {}
bool PgRecordSet::doInserting() const {
    return false;
}
void PgRecordSet::doFirst() {}
void PgRecordSet::doNext() {}
bool PgRecordSet::doEof() const {
    return true;
}
void PgRecordSet::doDeleteRow() {}
void PgRecordSet::doDisableControls() {}
void PgRecordSet::doEnableControls() {}
void PgRecordSet::doRefresh() {}

}  // namespace kavro
