// The file list check: every path named in the list file ("FileList.Dat" in the process's
// current directory, one path per line) must be an existing file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kavro {

inline constexpr const char* kFileListName = "FileList.Dat";

// The first listed path that is not an existing file; empty when every one exists. Lines end in
// CR LF, LF or CR; each is trimmed of every byte up to and including the space at both ends, and
// blank lines are skipped. Relative paths are taken against the current directory; a directory
// counts as missing. Raises std::runtime_error when the list cannot be read.
std::optional<std::string> firstMissingListedFile(
    const std::filesystem::path& listFile = kFileListName);

// True when the list could be read and every file on it exists.
bool checkFileList(const std::filesystem::path& listFile = kFileListName) noexcept;

}  // namespace kavro
