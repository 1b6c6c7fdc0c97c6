#include "files/dry_run_file_system.hpp"

namespace kavro::files {
namespace {

std::string joined(const std::string& directory, const char* name) {
    std::string path = directory;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

class DryRunDirectory final : public Directory {
  public:
    // `emptied` receives, when this search ends, whether everything it yielded was removed.
    DryRunDirectory(std::unique_ptr<Directory> real, std::string path,
                    std::vector<std::string>& removed, bool& emptied)
        : real_(std::move(real)), path_(std::move(path)), removed_(removed), emptied_(emptied) {}
    ~DryRunDirectory() override { emptied_ = entries_ == removals_; }
    DryRunDirectory(const DryRunDirectory&) = delete;
    DryRunDirectory& operator=(const DryRunDirectory&) = delete;

    bool next(DirectoryEntry& entry) override {
        if (!real_->next(entry)) return false;
        if (!isDotEntry(entry.name)) ++entries_;
        return true;
    }

    std::unique_ptr<Directory> openSubdirectory(const char* name) override {
        childName_ = name;
        childEmptied_ = false;
        auto child = real_->openSubdirectory(name);
        if (!child) return nullptr;
        return std::make_unique<DryRunDirectory>(std::move(child), joined(path_, name), removed_,
                                                 childEmptied_);
    }

    bool deleteFile(const char* name) override {
        if (real_->isReadOnly(name)) return false;
        return removed(joined(path_, name));
    }

    bool removeSubdirectory(const char* name) override {
        // The subdirectory's own search has just ended (depth first): it tells whether the
        // directory would be empty now.
        if (childName_ != name || !childEmptied_) return false;
        return removed(joined(path_, name) + "/");
    }

    bool linksToDirectory(const char* name) override { return real_->linksToDirectory(name); }
    bool isReadOnly(const char* name) override { return real_->isReadOnly(name); }

  private:
    bool removed(std::string path) {
        removed_.push_back(std::move(path));
        ++removals_;
        return true;
    }

    std::unique_ptr<Directory> real_;
    std::string path_;
    std::vector<std::string>& removed_;
    bool& emptied_;
    std::size_t entries_ = 0;
    std::size_t removals_ = 0;
    std::string childName_;
    bool childEmptied_ = false;
};

}  // namespace

std::unique_ptr<Directory> DryRunFileSystem::openDirectory(const std::string& path) {
    topPath_ = path;
    topEmptied_ = false;
    auto real = real_.openDirectory(path);
    if (!real) return nullptr;
    return std::make_unique<DryRunDirectory>(std::move(real), path, removed_, topEmptied_);
}

bool DryRunFileSystem::removeDirectory(const std::string& path) {
    if (path != topPath_ || !topEmptied_) return false;
    removed_.push_back(path.empty() || path.back() == '/' ? path : path + "/");
    return true;
}

}  // namespace kavro::files
