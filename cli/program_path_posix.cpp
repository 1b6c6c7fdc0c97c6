#include "cli/program_path.hpp"

namespace kavro::cli {

std::filesystem::path programPath(std::error_code& ec) {
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}

}  // namespace kavro::cli
