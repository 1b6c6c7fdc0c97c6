// The file-system layer on Windows. An open directory is a handle held on it and the path it was
// reached by; entries are listed with FindFirstFileA/FindNextFileA and reached as that path, "\"
// and their name. The handle is held without FILE_SHARE_DELETE, so nobody can rename or remove
// the directory while the walk is in it: the path keeps leading to the directory held. Opening is
// done with FILE_FLAG_OPEN_REPARSE_POINT, so a reparse point (symbolic link, junction, mount
// point) is never entered: it is met as a link, and removed as itself, through a handle that is
// checked to be the link's own; where the system cannot open a link as itself, the link stays.
// Paths are system code page bytes, handed to the A calls as they are.
#include <windows.h>

#include <cstring>
#include <utility>

#include "files/file_system.hpp"

namespace kavro::files {
namespace {

// Listing and reading attributes is all a held directory needs.
constexpr DWORD kDirectoryAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

Status statusOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return Status::Missing;
        case ERROR_DIRECTORY:
            return Status::NotADirectory;
        case ERROR_WRITE_PROTECT:
            return Status::ReadOnly;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return Status::PermissionDenied;
        case ERROR_DIR_NOT_EMPTY:
            return Status::NotEmpty;
        default:
            return Status::OtherError;
    }
}

bool isLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool isDirectory(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class Handle {
  public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() {
        if (ok()) CloseHandle(handle_);
    }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

class FindHandle {
  public:
    FindHandle() = default;
    ~FindHandle() { reset(); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
        handle_ = handle;
    }
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// What an open handle is: the directory's attributes and identity.
struct Opened {
    DWORD attributes = 0;
    FileIdentity identity;
};

bool describe(HANDLE handle, Opened& opened) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return false;
    opened.attributes = info.dwFileAttributes;
    opened.identity.device = info.dwVolumeSerialNumber;
    opened.identity.file = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

// `path` joined with `name`; a path that already ends in a separator (a root) gets none more.
std::string joined(const std::string& path, const char* name) {
    std::string result = path;
    if (!result.empty() && result.back() != '\\' && result.back() != '/') result += '\\';
    result += name;
    return result;
}

class WindowsDirectory final : public Directory {
  public:
    WindowsDirectory(std::string path, Handle handle, const FileIdentity& identity)
        : path_(std::move(path)), handle_(std::move(handle)), identity_(identity) {}

    const FileIdentity& identity() const override { return identity_; }

    bool next(DirectoryEntry& entry) override {
        if (!listing_.ok()) {
            if (listed_) return false;
            listed_ = true;
            // Every kind of entry: read-only, hidden, system, directories, archives.
            listing_.reset(FindFirstFileA(joined(path_, "*.*").c_str(), &found_));
            if (!listing_.ok()) return false;
        } else if (!FindNextFileA(listing_.get(), &found_)) {
            listing_.reset();
            return false;
        }
        entry.name = found_.cFileName;
        entry.kind = isLink(found_.dwFileAttributes)        ? EntryKind::Link
                     : isDirectory(found_.dwFileAttributes) ? EntryKind::Directory
                                                            : EntryKind::Other;
        return true;
    }

    Status openChild(const char* name, std::unique_ptr<Directory>& child) override {
        return open(joined(path_, name), FILE_FLAG_OPEN_REPARSE_POINT, child);
    }

    Status openParent(std::unique_ptr<Directory>& parent) override {
        // Windows reads ".." off the path itself; the walk checks that it is the directory
        // seen on the way down.
        return open(joined(path_, ".."), FILE_FLAG_OPEN_REPARSE_POINT, parent);
    }

    Status removeFile(const char* name) override {
        const std::string path = joined(path_, name);
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return statusOf(GetLastError());
        if (!isLink(attributes)) {
            if (isDirectory(attributes)) return Status::IsDirectory;
            // The platform refuses a read-only file itself; said before it is asked.
            if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return Status::ReadOnly;
        }
        return deleteAsItself(path, attributes);
    }

    Status removeDirectory(const char* name) override {
        const std::string path = joined(path_, name);
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return statusOf(GetLastError());
        if (isLink(attributes) || !isDirectory(attributes)) return Status::NotADirectory;
        return RemoveDirectoryA(path.c_str()) ? Status::Done : statusOf(GetLastError());
    }

    bool isReadOnly(const char* name) override {
        const DWORD attributes = GetFileAttributesA(joined(path_, name).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !isLink(attributes) &&
               !isDirectory(attributes) && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }

    bool linksToDirectory(const char* name) override {
        // A Windows link is made for a directory or for a file, and says which.
        const DWORD attributes = GetFileAttributesA(joined(path_, name).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && isDirectory(attributes);
    }

    // Opens the directory at `path` (flags: whether a link there is followed).
    static Status open(const std::string& path, DWORD flags, std::unique_ptr<Directory>& out) {
        const bool asItself = (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
        // Asked of the path first as well: a system that reaches a link's target even when
        // asked to open the link itself (as wine does for a Unix symbolic link) still says
        // what the entry is.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (asItself && attributes != INVALID_FILE_ATTRIBUTES && isLink(attributes)) {
            return Status::IsLink;
        }
        Handle handle(CreateFileA(path.c_str(), kDirectoryAccess, kShareAllButDelete, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
        if (!handle.ok()) return statusOf(GetLastError());
        Opened opened;
        if (!describe(handle.get(), opened)) return statusOf(GetLastError());
        if (asItself && isLink(opened.attributes)) return Status::IsLink;
        if (!isDirectory(opened.attributes)) return Status::NotADirectory;
        out = std::make_unique<WindowsDirectory>(path, std::move(handle), opened.identity);
        return Status::Done;
    }

  private:
    // Deletes the entry at `path` through a handle on the entry itself, never on what a link
    // there leads to: the handle must be of the kind the path's attributes said (a link opened
    // as the link), or nothing is deleted.
    static Status deleteAsItself(const std::string& path, DWORD attributes) {
        Handle handle(CreateFileA(
            path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle.ok()) return statusOf(GetLastError());
        Opened opened;
        if (!describe(handle.get(), opened)) return statusOf(GetLastError());
        if (isLink(opened.attributes) != isLink(attributes)) return Status::OtherError;
        if (!isLink(opened.attributes)) {
            if (isDirectory(opened.attributes)) return Status::IsDirectory;
            if ((opened.attributes & FILE_ATTRIBUTE_READONLY) != 0) return Status::ReadOnly;
        }
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = TRUE;
        if (!SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition,
                                        sizeof disposition)) {
            return statusOf(GetLastError());
        }
        return Status::Done;  // gone as the handle closes
    }

    std::string path_;
    Handle handle_;  // held, so the directory stays where path_ says
    FileIdentity identity_;
    FindHandle listing_;  // declared after handle_: ends first
    bool listed_ = false;
    WIN32_FIND_DATAA found_{};
};

class WindowsFileSystem final : public FileSystem {
  public:
    Status openBase(const std::string& path, std::unique_ptr<Directory>& base) override {
        return WindowsDirectory::open(path, 0, base);
    }

    // Every drive's root is a root: C:\ as much as the one a drive maps the whole of another
    // system's tree to.
    bool isRoot(const FileIdentity& identity) override {
        char drives[512] = {};
        const DWORD length = GetLogicalDriveStringsA(sizeof drives - 1, drives);
        if (length == 0 || length >= sizeof drives) return true;  // cannot tell: refuse
        for (const char* drive = drives; *drive != '\0'; drive += std::strlen(drive) + 1) {
            std::unique_ptr<Directory> root;
            if (WindowsDirectory::open(drive, 0, root) == Status::Done &&
                root->identity().sameFile(identity)) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace

FileSystem& machineFileSystem() {
    static WindowsFileSystem fileSystem;
    return fileSystem;
}

}  // namespace kavro::files
