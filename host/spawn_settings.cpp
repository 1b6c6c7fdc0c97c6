#include "host/spawn_settings.hpp"

#include <fcntl.h>
#include <signal.h>

namespace kavro {

SpawnSettings::SpawnSettings() {
    ::posix_spawnattr_init(&attributes_);
    ::posix_spawn_file_actions_init(&actions_);
}

SpawnSettings::~SpawnSettings() {
    ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attributes_);
}

bool SpawnSettings::prepare(Options options) {
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (options.newSession) flags |= POSIX_SPAWN_SETSID;
    bool ok = ::posix_spawnattr_setflags(&attributes_, flags) == 0 &&
              ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
              ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0;
    for (int fd = 0; ok && options.quietStreams && fd <= 2; ++fd) {
        ok = ::posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null",
                                                fd == 0 ? O_RDONLY : O_WRONLY, 0) == 0;
    }
    return ok && ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
}

}  // namespace kavro
