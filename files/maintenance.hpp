// Directory deletion and the purge, on any file system layer.
#pragma once

#include <string>

#include "files/file_system.hpp"
#include "files/tree_walk.hpp"
#include "kavro/file_maintenance.hpp"

namespace kavro::files {

TreeReport deleteDirectory(FileSystem& fileSystem, const std::string& path);
TreeReport purgeExpiredFiles(FileSystem& fileSystem, const std::string& path,
                             const RetentionDays& days, LocalDate today,
                             const RemovalLog* log = nullptr);

}  // namespace kavro::files
