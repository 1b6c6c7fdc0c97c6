// How the library starts another program: posix_spawn attributes and file actions, released on
// every path. A started program owes the caller nothing: no blocked or ignored signals, and none
// of the caller's files (its serial ports above all) besides the three standard streams.
#pragma once

#include <spawn.h>

namespace kavro {

class SpawnSettings {
  public:
    struct Options {
        bool newSession = false;    // its own session: no signals from the caller's terminal
        bool quietStreams = false;  // standard streams from and to /dev/null
    };

    SpawnSettings();
    ~SpawnSettings();
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // False when the system refuses one of the settings.
    bool prepare(Options options);

    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

  private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
};

}  // namespace kavro
