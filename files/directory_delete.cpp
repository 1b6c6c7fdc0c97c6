#include "files/maintenance.hpp"

namespace kavro {

const char* keptReasonText(KeptReason reason) noexcept {
    switch (reason) {
        case KeptReason::ReadOnly:
            return "read-only";
        case KeptReason::PermissionDenied:
            return "permission denied";
        case KeptReason::OtherFileSystem:
            return "on another file system";
        case KeptReason::Moved:
            return "moved during the walk";
        case KeptReason::NotEmpty:
            return "not empty";
        case KeptReason::OtherError:
            break;
    }
    return "other error";
}

std::uint64_t TreeReport::keptCount() const noexcept {
    std::uint64_t total = 0;
    for (std::uint64_t n : kept)
        total += n;
    return total;
}

namespace files {

TreeReport deleteDirectory(FileSystem& fileSystem, const std::string& path) {
    return removeTree(fileSystem, path, nullptr, nullptr);
}

}  // namespace files

TreeReport deleteDirectory(const std::string& path) noexcept {
    return files::deleteDirectory(files::machineFileSystem(), path);
}

}  // namespace kavro
