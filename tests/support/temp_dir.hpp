// A fresh directory per test, removed with everything in it afterwards, so tests can run in
// parallel and never touch the working directory.
#pragma once

#include <filesystem>
#include <string>

namespace kavro::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// A new, empty directory of its own under the system's temporary directory (one file per
// operating system: temp_dir_posix.cpp, windows/temp_dir_windows.cpp).
std::filesystem::path makeTempDirectory();

// Creates a SQLite database file and runs the SQL script in it; fails the test on error.
void makeDatabase(const std::string& path, const std::string& sql);

// Runs SQL against an existing database and returns the first column of the first row as text
// ("" when no row): for checking what a record set wrote.
std::string queryText(const std::string& path, const std::string& sql);

}  // namespace kavro::test
