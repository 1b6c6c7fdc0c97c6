#include "files/dry_run_file_system.hpp"

#include <algorithm>
#include <string>

namespace kavro::files {
namespace {

class DryRunDirectory final : public Directory {
  public:
    DryRunDirectory(std::unique_ptr<Directory> real, DryRunFileSystem& fileSystem)
        : real_(std::move(real)), fileSystem_(fileSystem) {}
    ~DryRunDirectory() override {
        if (started_ && !ended_) fileSystem_.rememberPosition(real_->identity(), position_);
    }
    DryRunDirectory(const DryRunDirectory&) = delete;
    DryRunDirectory& operator=(const DryRunDirectory&) = delete;

    const FileIdentity& identity() const override { return real_->identity(); }

    bool next(DirectoryEntry& entry) override {
        if (!started_) {
            started_ = true;
            for (std::uint64_t skip = fileSystem_.takePosition(identity()); skip > 0; --skip) {
                if (!step(entry)) return false;
            }
        }
        return step(entry);
    }

    Status openChild(const char* name, std::unique_ptr<Directory>& child) override {
        std::unique_ptr<Directory> real;
        const Status status = real_->openChild(name, real);
        if (status == Status::Done) {
            child = std::make_unique<DryRunDirectory>(std::move(real), fileSystem_);
        } else if (status != Status::Missing && status != Status::IsLink &&
                   status != Status::NotADirectory) {
            // Could not be listed: the walk tries to remove it as it is, which only an empty
            // directory survives. Nothing tells here whether it is; say it stays.
            unlisted_ = name;
            unlistedStatus_ = status;
        }
        return status;
    }

    Status openParent(std::unique_ptr<Directory>& parent) override {
        std::unique_ptr<Directory> real;
        const Status status = real_->openParent(real);
        if (status == Status::Done) {
            parent = std::make_unique<DryRunDirectory>(std::move(real), fileSystem_);
        }
        return status;
    }

    Status removeFile(const char* name) override {
        return real_->isReadOnly(name) ? Status::ReadOnly : Status::Done;
    }

    // The walk removes a directory once everything in it went, which here it would have.
    Status removeDirectory(const char* name) override {
        return name == unlisted_ ? unlistedStatus_ : Status::Done;
    }

    bool isReadOnly(const char* name) override { return real_->isReadOnly(name); }
    bool linksToDirectory(const char* name) override { return real_->linksToDirectory(name); }

  private:
    bool step(DirectoryEntry& entry) {
        if (!real_->next(entry)) {
            ended_ = true;
            return false;
        }
        ++position_;
        return true;
    }

    std::unique_ptr<Directory> real_;
    DryRunFileSystem& fileSystem_;
    bool started_ = false;
    bool ended_ = false;
    std::uint64_t position_ = 0;
    std::string unlisted_;
    Status unlistedStatus_ = Status::Done;
};

}  // namespace

Status DryRunFileSystem::openBase(const std::string& path, std::unique_ptr<Directory>& base) {
    std::unique_ptr<Directory> real;
    const Status status = real_.openBase(path, real);
    if (status == Status::Done) base = std::make_unique<DryRunDirectory>(std::move(real), *this);
    return status;
}

void DryRunFileSystem::rememberPosition(const FileIdentity& directory, std::uint64_t position) {
    positions_.emplace_back(directory, position);
}

std::uint64_t DryRunFileSystem::takePosition(const FileIdentity& directory) {
    // The walk comes back up the way it went down: the one asked for is the last, as a rule.
    const auto found = std::find_if(positions_.rbegin(), positions_.rend(),
                                    [&](const auto& p) { return p.first.sameFile(directory); });
    if (found == positions_.rend()) return 0;
    const std::uint64_t position = found->second;
    positions_.erase(std::next(found).base());
    return position;
}

}  // namespace kavro::files
