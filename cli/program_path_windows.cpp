#include <windows.h>

#include "cli/program_path.hpp"

namespace kavro::cli {

std::filesystem::path programPath(std::error_code& ec) {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return {};
    }
    ec.clear();
    return std::filesystem::path(std::string(path, length));
}

}  // namespace kavro::cli
