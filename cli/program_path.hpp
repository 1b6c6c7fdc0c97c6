// Where the running tool's own program file is: the bundled table lies beside it.
#pragma once

#include <filesystem>
#include <system_error>

namespace kavro::cli {

// The program file's full path; empty, with ec set, when the system does not tell.
std::filesystem::path programPath(std::error_code& ec);

}  // namespace kavro::cli
