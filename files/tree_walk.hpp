// The one walk behind directory deletion, the purge and its preview.
#pragma once

#include <functional>
#include <string>

#include "files/file_system.hpp"
#include "kavro/file_maintenance.hpp"

namespace kavro::files {

// The directory a run starts from, split off the path the caller gave.
struct TopPath {
    // Walked when the path may be walked; NoPath, RootDirectory or DotOrDotDot when it is
    // refused as written.
    TreeStart refusal = TreeStart::Walked;
    std::string parent;  // the directory above it, as written ("." when the path names none)
    std::string name;    // its last component
    std::string shown;   // the path without trailing slashes: where entries' paths begin
};
// Reads the path only: no file-system call. Trailing separators are dropped, so that "link/"
// names the link, not the directory it leads to. The path syntax is the machine's
// (path_syntax_*.cpp).
TopPath splitTopPath(const std::string& path);

// What entries' paths are joined with: "/" on POSIX, "\\" on Windows.
char pathSeparator() noexcept;

// Which entries of the top directory a run removes (the purge's keep periods). Below a
// subdirectory that is removed, everything goes.
class TopEntryFilter {
  public:
    virtual ~TopEntryFilter() = default;
    virtual bool takes(Directory& top, const DirectoryEntry& entry) = 0;
};

// Receives the path of each entry removed, in order; a directory's ends in the separator.
using RemovalLog = std::function<void(const std::string& path)>;

// Removes the tree at `path` on `fileSystem`: with no filter, the directory and everything in
// it; with one, the top entries it takes, and the directory itself when nothing is left in it.
// Whatever is thrown part-way (out of memory, by the log) ends the walk, counted as an entry
// kept for another error.
TreeReport removeTree(FileSystem& fileSystem, const std::string& path, TopEntryFilter* filter,
                      const RemovalLog* log) noexcept;

}  // namespace kavro::files
