// The file-system layer on Linux: one directory descriptor per open directory, every entry
// reached with the *at() calls relative to it, O_NOFOLLOW everywhere below the base.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "files/file_system.hpp"

namespace kavro::files {
namespace {

constexpr int kOpenDirectory = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

Status statusOf(int error) {
    switch (error) {
        case ENOENT:
            return Status::Missing;
        case ENOTDIR:
            return Status::NotADirectory;
        case EISDIR:
            return Status::IsDirectory;
        case EROFS:
            return Status::ReadOnly;
        case EACCES:
        case EPERM:
            return Status::PermissionDenied;
        case EBUSY:
            return Status::MountPoint;
        case ENOTEMPTY:
        case EEXIST:
            return Status::NotEmpty;
        default:
            return Status::OtherError;
    }
}

FileIdentity identityOf(int fd) {
    FileIdentity identity;
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID, &sx) == 0) {
        identity.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        identity.file = sx.stx_ino;
        if ((sx.stx_mask & STATX_MNT_ID) != 0) identity.mount = sx.stx_mnt_id;
        return identity;
    }
    struct stat st {};  // a kernel without statx: devices only
    if (::fstat(fd, &st) == 0) {
        identity.device = st.st_dev;
        identity.file = st.st_ino;
    }
    return identity;
}

class PosixDirectory final : public Directory {
  public:
    // Takes over the descriptor.
    explicit PosixDirectory(int fd) : fd_(fd), identity_(identityOf(fd)) {}
    ~PosixDirectory() override {
        if (stream_ != nullptr) {
            ::closedir(stream_);
        } else {
            ::close(fd_);
        }
    }
    PosixDirectory(const PosixDirectory&) = delete;
    PosixDirectory& operator=(const PosixDirectory&) = delete;

    const FileIdentity& identity() const override { return identity_; }

    bool next(DirectoryEntry& entry) override {
        // The listing reads through the same descriptor the *at() calls use (dirfd), so it
        // costs no second one; it is begun only when asked for.
        if (stream_ == nullptr) {
            if (unlistable_ || (stream_ = ::fdopendir(fd_)) == nullptr) {
                unlistable_ = true;
                return false;
            }
        }
        const dirent* d = ::readdir(stream_);
        if (d == nullptr) return false;
        entry.name = d->d_name;
        entry.kind = kindOf(d);
        return true;
    }

    Status openChild(const char* name, std::unique_ptr<Directory>& child) override {
        const int fd = ::openat(fd_, name, kOpenDirectory);
        if (fd >= 0) {
            child = std::make_unique<PosixDirectory>(fd);
            return Status::Done;
        }
        const int error = errno;
        if (error == ENOTDIR || error == ELOOP) {
            struct stat st {};
            if (::fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
                return Status::IsLink;
            }
            return Status::NotADirectory;
        }
        return statusOf(error);
    }

    Status openParent(std::unique_ptr<Directory>& parent) override {
        const int fd = ::openat(fd_, "..", kOpenDirectory);
        if (fd < 0) return statusOf(errno);
        parent = std::make_unique<PosixDirectory>(fd);
        return Status::Done;
    }

    Status removeFile(const char* name) override {
        if (isReadOnly(name)) return Status::ReadOnly;
        return ::unlinkat(fd_, name, 0) == 0 ? Status::Done : statusOf(errno);
    }

    Status removeDirectory(const char* name) override {
        return ::unlinkat(fd_, name, AT_REMOVEDIR) == 0 ? Status::Done : statusOf(errno);
    }

    bool isReadOnly(const char* name) override {
        // The owner's write bit plays the read-only attribute: checked here, not left to
        // unlink(), which a privileged caller passes whatever the file's mode.
        struct stat st {};
        if (::fstatat(fd_, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        return !S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
    }

    bool linksToDirectory(const char* name) override {
        struct stat st {};
        return ::fstatat(fd_, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }

  private:
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

    int fd_;
    DIR* stream_ = nullptr;
    bool unlistable_ = false;
    FileIdentity identity_;
};

class PosixFileSystem final : public FileSystem {
  public:
    Status openBase(const std::string& path, std::unique_ptr<Directory>& base) override {
        // O_PATH: the base is only a place to open the top in and remove it from, so search
        // permission on it is enough, as for any path the caller names.
        const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return statusOf(errno);
        base = std::make_unique<PosixDirectory>(fd);
        return Status::Done;
    }

    bool isRoot(const FileIdentity& identity) override {
        struct stat st {};
        if (::stat("/", &st) != 0) return false;
        return identity.device == st.st_dev && identity.file == st.st_ino;
    }
};

}  // namespace

FileSystem& posixFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

FileSystem& machineFileSystem() {
    return posixFileSystem();
}

}  // namespace kavro::files
