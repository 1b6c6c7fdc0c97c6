// Directory deletion and the purge, on any file system layer.
#pragma once

#include <string>

#include "files/file_system.hpp"
#include "kavro/file_maintenance.hpp"

namespace kavro::files {

// Everything under an open directory, depth first; the directory itself stays.
void deleteContents(Directory& directory);
// A subdirectory entry and everything under it.
void deleteSubtree(Directory& parent, const char* name);

void deleteDirectory(FileSystem& fileSystem, const std::string& path);
void purgeExpiredFiles(FileSystem& fileSystem, const std::string& path, const RetentionDays& days,
                       LocalDate today);

}  // namespace kavro::files
