#include "frame/pg_library.hpp"

#include <dlfcn.h>

#include <string>

#include "kavro/host_error.hpp"

namespace kavro {
namespace {

struct Loaded {
    PgLibrary functions;
    std::string error;  // empty when every function was found
};

Loaded load() {
    Loaded loaded;
    // Kept loaded for the life of the process, as the dynamic linker keeps a linked library.
    void* handle = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        loaded.error = "the PostgreSQL client library cannot be loaded (libpq5): " +
                       std::string(why != nullptr ? why : "not found");
        return loaded;
    }
#define KAVRO_PQ_FUNCTION(name)                                                          \
    loaded.functions.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name)); \
    if (loaded.functions.name == nullptr && loaded.error.empty()) {                      \
        loaded.error = "the PostgreSQL client library has no " #name;                    \
    }
#include "frame/pg_library_functions.inc"
#undef KAVRO_PQ_FUNCTION
    return loaded;
}

}  // namespace

const PgLibrary& pgLibrary() {
    static const Loaded loaded = load();
    if (!loaded.error.empty()) throw HostError(HostErrorCode::DatabaseError, loaded.error);
    return loaded.functions;
}

}  // namespace kavro
