// The file search and deletion that directory deletion and the purge run on. An open directory
// is one search: it yields its entries in the order the file system keeps them and removes
// entries by name relative to itself, so nothing below the directory named is reached through a
// path that a link could redirect.
#pragma once

#include <memory>
#include <string>

namespace kavro::files {

enum class EntryKind { Directory, Link, Other };

struct DirectoryEntry {
    const char* name = nullptr;  // zero-terminated; valid until the search's next step
    EntryKind kind = EntryKind::Other;
};

class Directory {
  public:
    virtual ~Directory() = default;  // ends the search

    // The next entry ("." and ".." too, where the file system lists them); false at the end.
    virtual bool next(DirectoryEntry& entry) = 0;
    // A search of the subdirectory `name`, never entered through a link; null when it cannot be
    // opened.
    virtual std::unique_ptr<Directory> openSubdirectory(const char* name) = 0;
    // DeleteFile: removes a file, or a link itself. A read-only file (no write permission for
    // its owner) is refused. True when the entry went.
    virtual bool deleteFile(const char* name) = 0;
    // RemoveDir of an entry: only an empty directory goes. True when it went.
    virtual bool removeSubdirectory(const char* name) = 0;
    // Whether the link entry `name` leads to a directory (the link is not entered).
    virtual bool linksToDirectory(const char* name) = 0;
    // Whether deleteFile would refuse `name` as read-only.
    virtual bool isReadOnly(const char* name) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // A search of the directory at `path`; null when it does not exist or cannot be searched.
    virtual std::unique_ptr<Directory> openDirectory(const std::string& path) = 0;
    // RemoveDir: only an empty directory goes. True when it went.
    virtual bool removeDirectory(const std::string& path) = 0;
};

// "." and "..": the search lists them, deletion skips them.
inline bool isDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The machine's file system.
FileSystem& posixFileSystem();

}  // namespace kavro::files
