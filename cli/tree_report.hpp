// What the tree commands (rmtree, purge) tell of a run.
#pragma once

#include <string>
#include <string_view>

#include "cli/command.hpp"
#include "kavro/file_maintenance.hpp"

namespace kavro::cli {

// The path with its control bytes escaped (\n, \r, \t, \\ for a backslash, \xHH for the rest),
// so that one path prints as one line. Other bytes (GBK, invalid UTF-8) pass as they are.
std::string printablePath(std::string_view path);

// Raises the Failure that says why the run did not start: refused, missing, a link, ...
void requireWalked(const TreeReport& report, const std::string& path);

// After a real run: one line on stderr saying what went, or, when something that was to go
// stayed, the Failure that says so, naming the first entry kept and why.
int finishRun(const TreeReport& report, const std::string& path);

}  // namespace kavro::cli
