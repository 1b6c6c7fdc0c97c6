// The file-system layer that directory deletion and the purge walk on. Everything below the
// directory named is reached relative to a directory already held open, never through a path:
// a name swapped for a link between the listing and the step is met as the link, never followed.
//
// A layer for another system gives the same guarantees with its own means. On Windows: a
// listing is FindFirstFile/FindNextFile on the held directory; a reparse point (symbolic link,
// junction, mount point) is never entered: it is reported as EntryKind::Link and removed as
// itself; an identity is the volume serial number and the file index of the open handle.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kavro::files {

enum class EntryKind { Directory, Link, Other };

struct DirectoryEntry {
    const char* name = nullptr;  // zero-terminated; valid until the listing's next step
    EntryKind kind = EntryKind::Other;
};

// What one step came to.
enum class Status {
    Done,
    Missing,           // no entry of that name (any more)
    IsLink,            // the entry is a link: not followed
    NotADirectory,     // the entry is neither a directory nor a link
    IsDirectory,       // a file was to be removed, and a directory is there
    ReadOnly,          // no write permission for the file's owner, or a read-only file system
    PermissionDenied,  // the system refused the caller
    MountPoint,        // something else is mounted there
    NotEmpty,
    OtherError,
};

// Which object an open directory is, and which file system it was reached on.
struct FileIdentity {
    std::uint64_t device = 0;  // POSIX st_dev; Windows volume serial number
    std::uint64_t file = 0;    // POSIX inode number; Windows file index
    // The mount it was reached through, where the system tells it (Linux mount ID; 0 when
    // unknown): a bind mount of the same file system has the same device but another mount.
    std::uint64_t mount = 0;

    bool sameFile(const FileIdentity& other) const {
        return device == other.device && file == other.file;
    }
    bool sameFileSystem(const FileIdentity& other) const {
        return device == other.device && mount == other.mount;
    }
};

// One open directory: a descriptor or handle held for as long as the object lives, with at
// most one listing of it, begun by the first next().
class Directory {
  public:
    virtual ~Directory() = default;

    virtual const FileIdentity& identity() const = 0;

    // The listing's next entry ("." and ".." too, where the system lists them); false at its
    // end, or when the directory cannot be listed.
    virtual bool next(DirectoryEntry& entry) = 0;

    // Opens the subdirectory `name`. A link is not followed (IsLink), and anything else that
    // is no directory gives NotADirectory.
    virtual Status openChild(const char* name, std::unique_ptr<Directory>& child) = 0;
    // Opens the directory that holds this one now (its ".."), wherever it was moved.
    virtual Status openParent(std::unique_ptr<Directory>& parent) = 0;

    // Removes the entry `name` if it is no directory: a file, or a link as the link. A file
    // without write permission for its owner is refused as ReadOnly, whoever the caller is.
    virtual Status removeFile(const char* name) = 0;
    // Removes the subdirectory `name` if it is empty; a link there is not followed
    // (NotADirectory).
    virtual Status removeDirectory(const char* name) = 0;

    // Whether removeFile would refuse `name` as read-only.
    virtual bool isReadOnly(const char* name) = 0;
    // Whether the link `name` leads to a directory (what it leads to is looked at, not
    // entered).
    virtual bool linksToDirectory(const char* name) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // The directory at `path`, reached as the path says (links on the way are followed: the
    // caller named them), to open the top of a tree in and finally remove it from. It is not
    // listed.
    virtual Status openBase(const std::string& path, std::unique_ptr<Directory>& base) = 0;
    // Whether `identity` is the system's root directory, by whatever path it was reached.
    virtual bool isRoot(const FileIdentity& identity) = 0;
};

// "." and "..": listings hold them, walks skip them.
inline bool isDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The machine's file system: on POSIX posixFileSystem(), on Windows its own layer.
FileSystem& machineFileSystem();
// The POSIX layer (POSIX builds only).
FileSystem& posixFileSystem();

}  // namespace kavro::files
