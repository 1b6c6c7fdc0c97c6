// The file system layer on POSIX: one open directory descriptor per search, entries reached
// with the *at() calls relative to it, links never followed below the directory named.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/file_system.hpp"

namespace kavro::files {
namespace {

class PosixDirectory final : public Directory {
  public:
    // Takes over the descriptor; null when no search can be made on it.
    static std::unique_ptr<Directory> adopt(int fd) {
        if (fd < 0) return nullptr;
        DIR* stream = ::fdopendir(fd);
        if (stream == nullptr) {
            ::close(fd);
            return nullptr;
        }
        return std::unique_ptr<Directory>(new PosixDirectory(stream));
    }

    ~PosixDirectory() override { ::closedir(stream_); }
    PosixDirectory(const PosixDirectory&) = delete;
    PosixDirectory& operator=(const PosixDirectory&) = delete;

    bool next(DirectoryEntry& entry) override {
        const dirent* d = ::readdir(stream_);
        if (d == nullptr) return false;
        entry.name = d->d_name;
        entry.kind = kindOf(d);
        return true;
    }

    std::unique_ptr<Directory> openSubdirectory(const char* name) override {
        return adopt(::openat(fd_, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }

    bool deleteFile(const char* name) override {
        return !isReadOnly(name) && ::unlinkat(fd_, name, 0) == 0;
    }

    bool removeSubdirectory(const char* name) override {
        return ::unlinkat(fd_, name, AT_REMOVEDIR) == 0;
    }

    bool linksToDirectory(const char* name) override {
        struct stat st {};
        return ::fstatat(fd_, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }

    bool isReadOnly(const char* name) override {
        // The owner's write bit plays the read-only attribute: checked here, not left to
        // unlink(), which a privileged caller passes whatever the file's mode.
        struct stat st {};
        if (::fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        return !S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
    }

  private:
    explicit PosixDirectory(DIR* stream) : stream_(stream), fd_(::dirfd(stream)) {}

    EntryKind kindOf(const dirent* d) const {
        switch (d->d_type) {
            case DT_DIR:
                return EntryKind::Directory;
            case DT_LNK:
                return EntryKind::Link;
            case DT_UNKNOWN:
                break;  // a file system that does not say: ask
            default:
                return EntryKind::Other;
        }
        struct stat st {};
        if (::fstatat(fd_, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
        if (S_ISDIR(st.st_mode)) return EntryKind::Directory;
        if (S_ISLNK(st.st_mode)) return EntryKind::Link;
        return EntryKind::Other;
    }

    DIR* stream_;
    int fd_;
};

class PosixFileSystem final : public FileSystem {
  public:
    std::unique_ptr<Directory> openDirectory(const std::string& path) override {
        return PosixDirectory::adopt(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    bool removeDirectory(const std::string& path) override { return ::rmdir(path.c_str()) == 0; }
};

}  // namespace

FileSystem& posixFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace kavro::files
