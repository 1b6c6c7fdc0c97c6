#include "files/maintenance.hpp"

namespace kavro::files {

void deleteContents(Directory& directory) {
    DirectoryEntry entry;
    while (directory.next(entry)) {
        if (isDotEntry(entry.name)) continue;
        switch (entry.kind) {
            case EntryKind::Directory:
                deleteSubtree(directory, entry.name);
                break;
            // A link goes as a link: the tree it leads to is not this one.
            case EntryKind::Link:
            case EntryKind::Other:
                directory.deleteFile(entry.name);
                break;
        }
    }
}

void deleteSubtree(Directory& parent, const char* name) {
    // Depth first, before the parent's search goes on; the subdirectory's search ends before
    // the subdirectory is removed. What cannot be removed stays, and so does everything above.
    if (auto sub = parent.openSubdirectory(name)) deleteContents(*sub);
    parent.removeSubdirectory(name);
}

void deleteDirectory(FileSystem& fileSystem, const std::string& path) {
    // A path that cannot be searched goes straight to the removal, which then fails quietly.
    if (auto directory = fileSystem.openDirectory(path)) deleteContents(*directory);
    fileSystem.removeDirectory(path);
}

}  // namespace kavro::files

namespace kavro {

void deleteDirectory(const std::string& path) noexcept {
    try {
        files::deleteDirectory(files::posixFileSystem(), path);
    } catch (...) {
        // Out of memory part-way: what was deleted stays deleted; nothing is reported.
    }
}

}  // namespace kavro
