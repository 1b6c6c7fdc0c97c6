#include <stdlib.h>

#include <stdexcept>
#include <vector>

#include "tests/support/temp_dir.hpp"

namespace kavro::test {

std::filesystem::path makeTempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavro-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return buffer.data();
}

}  // namespace kavro::test
