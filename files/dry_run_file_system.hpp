// A file system that removes nothing: it searches the real one and records, in order, every
// path a run would remove. A directory counts as removable when every entry its search yielded
// was (or would have been) removed, which is when the real RemoveDir would succeed.
#pragma once

#include <string>
#include <vector>

#include "files/file_system.hpp"

namespace kavro::files {

class DryRunFileSystem final : public FileSystem {
  public:
    explicit DryRunFileSystem(FileSystem& real) : real_(real) {}

    std::unique_ptr<Directory> openDirectory(const std::string& path) override;
    bool removeDirectory(const std::string& path) override;

    // Files as their path, directories with a "/" at the end.
    const std::vector<std::string>& removed() const { return removed_; }

  private:
    FileSystem& real_;
    std::vector<std::string> removed_;
    std::string topPath_;
    bool topEmptied_ = false;
};

}  // namespace kavro::files
