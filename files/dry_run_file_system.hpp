// A file system that removes nothing: it lists and opens the real one, and answers each removal
// as the real one would, as far as that can be told without removing (a read-only file stays,
// so does a directory that could not be listed). Run under the same walk as the real removal,
// it tells what that removal would do.
#pragma once

#include <utility>
#include <vector>

#include "files/file_system.hpp"

namespace kavro::files {

class DryRunFileSystem final : public FileSystem {
  public:
    explicit DryRunFileSystem(FileSystem& real) : real_(real) {}

    Status openBase(const std::string& path, std::unique_ptr<Directory>& base) override;
    bool isRoot(const FileIdentity& identity) override { return real_.isRoot(identity); }

    // Where a listing that was closed part-way had got to. Nothing is removed here, so a
    // listing of the same directory opened again yields the same entries in the same order,
    // and goes on from there.
    void rememberPosition(const FileIdentity& directory, std::uint64_t position);
    std::uint64_t takePosition(const FileIdentity& directory);

  private:
    FileSystem& real_;
    // One for each directory on the walk's way down whose listing it had to close.
    std::vector<std::pair<FileIdentity, std::uint64_t>> positions_;
};

}  // namespace kavro::files
