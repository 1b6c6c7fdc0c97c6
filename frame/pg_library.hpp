// The PostgreSQL client library, loaded when the first PostgreSQL table is opened. Linked in,
// libpq and what it pulls in (TLS, Kerberos, LDAP) would be loaded and relocated by every
// program that uses this library, five times the start-up of the kavro tool, for a feature
// most hosts never call.
#pragma once

#include <libpq-fe.h>

namespace kavro {

struct PgLibrary {
#define KAVRO_PQ_FUNCTION(name) decltype(&::name) name = nullptr;
#include "frame/pg_library_functions.inc"
#undef KAVRO_PQ_FUNCTION
};

// Loads libpq.so.5 on first use; raises HostError(DatabaseError) when it is not installed.
const PgLibrary& pgLibrary();

}  // namespace kavro
