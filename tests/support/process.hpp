// Running a program as a child process and collecting what it printed.
#pragma once

#include <string>
#include <vector>

namespace kavro::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs argv[0] (a path) with the arguments, no shell in between, stdin from /dev/null. With
// stdoutPath its stdout goes to that file ("/dev/full", say) instead of being collected.
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& stdoutPath = "");

// The path of the kavro tool under test.
std::string toolPath();

}  // namespace kavro::test
