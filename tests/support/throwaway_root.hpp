// Running the part of a test that could do harm if the code under test were wrong (deleting
// "/", mounting) in a child process, inside a root and mounts of its own that vanish with it.
// Whatever the child cannot set up, it reports as not permitted, having called nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kavro::test {

// The exit code of a child that could not set up its throwaway root: the test is skipped.
constexpr int kNotPermitted = 77;

// Runs `body` in a forked child and returns its exit code (-1 when it did not exit normally).
// The child never returns into the test: it ends with _exit(body()).
int inChildProcess(const std::function<int()>& body);

// In the child: a mount namespace of its own, its mounts private, so that what it mounts
// vanishes with it and is never seen by the machine.
bool privateMountNamespace();
// In the child: mounts `source` at `target` once more (a bind mount), read-only if asked.
bool bindMount(const std::string& source, const std::string& target, bool readOnly);
// In the child: a fresh tmpfs at `directory`, seen by the child alone (after
// privateMountNamespace()), and gone with it, whatever the child left in it.
bool mountTmpfs(const std::string& directory);
// Runs `body` in a child on a tmpfs at `directory` where mounting is permitted (fast, and
// nothing is left behind), in `directory` as it is where it is not; returns its exit code.
int inChildOnTmpfs(const std::string& directory, const std::function<int()>& body);
// In the child: makes `directory` the root directory and the working directory.
bool enterRoot(const std::string& directory);

// In the child, after privateMountNamespace(): makes `root` a root the kavro tool can run in
// (the system's programs and libraries, /proc and the tool's directory, all mounted read-only
// or left as they are, so that nothing of the machine can be removed from inside), enters it
// and runs the tool with `args`, its output to the files `out` and `err` (outside the root).
// Returns only when something could not be set up (kNotPermitted) or the tool not run (127).
int execToolInRoot(const std::string& root, const std::vector<std::string>& args,
                   const std::string& out, const std::string& err);

}  // namespace kavro::test
