#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "tests/support/temp_dir.hpp"

namespace kavro::test {

std::filesystem::path makeTempDirectory() {
    static std::atomic<unsigned> counter{0};
    char base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH, base);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathA failed");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = std::string(base, length) + "kavro-test-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(counter++);
        if (CreateDirectoryA(path.c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    throw std::runtime_error("cannot make a temporary directory");
}

}  // namespace kavro::test
