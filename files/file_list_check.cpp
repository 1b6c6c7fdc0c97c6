#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "kavro/file_list.hpp"

namespace kavro {
namespace {

std::string_view trimControls(std::string_view line) {
    // Blanks and control characters: every byte up to and including the space.
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= 0x20)
        line.remove_prefix(1);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 0x20)
        line.remove_suffix(1);
    return line;
}

bool isExistingFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// "cannot read FileList.Dat in /opt/site: No such file or directory".
std::runtime_error unreadable(const std::filesystem::path& listFile, int error) {
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::absolute(listFile, ec);
    const std::string place =
        ec ? listFile.string() : where.filename().string() + " in " + where.parent_path().string();
    return std::runtime_error("cannot read " + place + ": " +
                              (error != 0 ? std::strerror(error) : "read error"));
}

}  // namespace

std::optional<std::string> firstMissingListedFile(const std::filesystem::path& listFile) {
    errno = 0;
    std::ifstream in(listFile, std::ios::binary);
    if (!in) throw unreadable(listFile, errno);
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) throw unreadable(listFile, errno);
    const std::string text = buffer.str();

    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string_view path =
            trimControls(std::string_view(text).substr(start, end - start));
        if (!path.empty() && !isExistingFile(std::string(path))) return std::string(path);
        if (end == text.size()) break;
        // CR LF is one line end; a lone CR or LF is one too.
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return std::nullopt;
}

bool checkFileList(const std::filesystem::path& listFile) noexcept {
    try {
        return !firstMissingListedFile(listFile).has_value();
    } catch (...) {
        return false;
    }
}

}  // namespace kavro
