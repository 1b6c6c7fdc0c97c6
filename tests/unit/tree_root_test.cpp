// What must never be deleted, tried where a fault could do no harm: the root directory, in a
// child process chrooted into a temporary directory (and a private mount namespace where the
// test mounts anything); file systems mounted inside a tree, in a child's own mount namespace.
// Where the machine does not permit these, the tests are skipped and say so.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "kavro/file_maintenance.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/throwaway_root.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;

std::set<std::string> listing(const fs::path& root) {
    std::set<std::string> paths;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        paths.insert(it->path().lexically_relative(root).string());
    }
    return paths;
}

std::string fileText(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

RetentionDays oneDayForS() {
    RetentionDays days;
    days.s = 1;
    return days;
}

// 0 when every run on `path` was refused with `start` and touched nothing; else says why.
int refusedEveryWay(const std::string& path, TreeStart start) {
    const TreeReport reports[] = {
        deleteDirectory(path),
        purgeExpiredFiles(path, oneDayForS()),
        previewPurge(
            path, oneDayForS(), [](const std::string&) {}, localToday()),
    };
    for (const TreeReport& r : reports) {
        if (r.start != start || r.removed != 0) {
            std::fprintf(stderr, "%s: start %d, removed %llu\n", path.c_str(),
                         static_cast<int>(r.start), static_cast<unsigned long long>(r.removed));
            return 1;
        }
    }
    return 0;
}

class ThrowawayRoot : public testing::Test {
  protected:
    test::TempDir dir;
    fs::path root = dir.path() / "root";
    std::set<std::string> before;

    void SetUp() override {
        fs::create_directories(root / "srv" / "cam01");
        std::ofstream(root / "S-cam0120000101.avi") << "x";
        std::ofstream(root / "srv" / "cam01" / "S-cam0120000101.avi") << "x";
        before = listing(root);
    }
};

TEST_F(ThrowawayRoot, TheRootHoweverWrittenIsRefused) {
    const int code = test::inChildProcess([&] {
        if (!test::enterRoot(root.string())) return test::kNotPermitted;
        int failures = 0;
        for (const char* path : {"/", "//", "/.", "/./", "/..", "/../", "/../.."})
            failures += refusedEveryWay(path, TreeStart::RootDirectory);
        for (const char* path : {"/srv/..", "/srv/cam01/../..", "/srv/."})
            failures += refusedEveryWay(path, TreeStart::DotOrDotDot);
        return failures == 0 ? 0 : 1;
    });
    if (code == test::kNotPermitted) GTEST_SKIP() << "chroot is not permitted here";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(listing(root), before);
}

TEST_F(ThrowawayRoot, TheRootReachedThroughABindMountIsRefused) {
    const int code = test::inChildProcess([&] {
        if (!test::privateMountNamespace() || !test::enterRoot(root.string()) ||
            ::mkdir("/again", 0755) != 0 || !test::bindMount("/", "/again", false)) {
            return test::kNotPermitted;
        }
        int failures = 0;
        for (const char* path : {"/again", "/again/", "/srv/../again"})
            failures += refusedEveryWay(path, TreeStart::RootDirectory);
        return failures == 0 ? 0 : 1;
    });
    if (code == test::kNotPermitted) GTEST_SKIP() << "mounting is not permitted here";
    EXPECT_EQ(code, 0);
    before.insert("again");
    EXPECT_EQ(listing(root), before);
}

TEST_F(ThrowawayRoot, TheToolRefusesTheRootWithOneLine) {
    const std::vector<std::vector<std::string>> runs = {
        {"rmtree", "/"},
        {"rmtree", "//"},
        {"rmtree", "/.."},
        {"rmtree", "/./"},
        {"purge", "/", "--keep", "S=1"},
        {"purge", "/..", "--keep", "S=1", "--dry-run"},
    };
    const std::string out = dir.file("out"), err = dir.file("err");
    for (const std::vector<std::string>& args : runs) {
        const int code = test::inChildProcess([&] {
            if (!test::privateMountNamespace()) return test::kNotPermitted;
            return test::execToolInRoot(root.string(), args, out, err);
        });
        if (code == test::kNotPermitted) GTEST_SKIP() << "mounting is not permitted here";
        const std::string said = fileText(err);
        EXPECT_EQ(code, 1) << args[0] << ' ' << args[1] << ": " << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("root directory"), std::string::npos) << said;
        EXPECT_EQ(fileText(out), "");
    }
    // The tool's own mounts came and went with the children; their mount points are left.
    for (const std::string& p : listing(root)) {
        if (before.count(p) == 0) {
            EXPECT_TRUE(fs::is_symlink(root / p) || fs::is_empty(root / p)) << p;
        }
    }
    for (const std::string& p : before)
        EXPECT_TRUE(fs::exists(root / p)) << p;
}

// ---- File systems mounted inside the tree ----------------------------------------------------

class MountsInside : public testing::Test {
  protected:
    test::TempDir dir;
    fs::path top = dir.path() / "top";
    fs::path outside = dir.path() / "outside";

    void SetUp() override {
        fs::create_directories(outside / "deep");
        std::ofstream(outside / "S-cam0120000101.avi") << "x";
        std::ofstream(outside / "deep" / "S-cam0120000101.avi") << "x";
        fs::create_directories(top / "sub" / "bound");
        fs::create_directories(top / "tmp");
        std::ofstream(top / "S-cam0120000101.avi") << "x";
    }

    // In a child with its own mounts: `outside` bound at top/sub/bound (the same file system,
    // another mount) and a tmpfs with one file at top/tmp; then `check`.
    int withMounts(const std::function<int()>& check) {
        return test::inChildProcess([&] {
            if (!test::privateMountNamespace() ||
                !test::bindMount(outside.string(), (top / "sub" / "bound").string(), false) ||
                ::mount("tmpfs", (top / "tmp").c_str(), "tmpfs", 0, "size=64k") != 0) {
                return test::kNotPermitted;
            }
            std::ofstream(top / "tmp" / "S-cam0120000101.avi") << "x";
            return check();
        });
    }
    // 0 when both mounts, and what is in them, are still there.
    int mountsStayed() {
        const bool stayed = fs::exists(top / "sub" / "bound" / "deep" / "S-cam0120000101.avi") &&
                            fs::exists(top / "tmp" / "S-cam0120000101.avi");
        return stayed ? 0 : 1;
    }
    int reportedAsOtherFileSystem(const TreeReport& report) {
        if (report.keptFor(KeptReason::OtherFileSystem) != 2 ||
            report.firstKeptReason != KeptReason::OtherFileSystem ||
            fs::exists(top / "S-cam0120000101.avi")) {
            std::fprintf(
                stderr, "kept %llu on other file systems; first %s\n",
                static_cast<unsigned long long>(report.keptFor(KeptReason::OtherFileSystem)),
                report.firstKept.c_str());
            return 1;
        }
        return mountsStayed();
    }
};

TEST_F(MountsInside, DeletionAndPurgeLeaveThemInPlace) {
    const int code = withMounts([&] {
        int failures = reportedAsOtherFileSystem(deleteDirectory(top.string()));
        std::ofstream(top / "S-cam0120000101.avi") << "x";
        failures += reportedAsOtherFileSystem(purgeExpiredFiles(top.string(), oneDayForS()));
        return failures == 0 ? 0 : 1;
    });
    if (code == test::kNotPermitted) GTEST_SKIP() << "mounting is not permitted here";
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(fs::exists(outside / "S-cam0120000101.avi"));
    EXPECT_TRUE(fs::exists(outside / "deep" / "S-cam0120000101.avi"));
}

TEST_F(MountsInside, TheToolNamesTheMountAsWhatStayed) {
    const std::string err = dir.file("err");
    const int code = withMounts([&] {
        const test::ProcessResult r = test::runProcess({test::toolPath(), "rmtree", top.string()});
        std::ofstream(err) << r.err;
        return r.exitCode == 1 ? mountsStayed() : 2;
    });
    if (code == test::kNotPermitted) GTEST_SKIP() << "mounting is not permitted here";
    const std::string said = fileText(err);
    EXPECT_EQ(code, 0) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("(on another file system)"), std::string::npos) << said;
    EXPECT_TRUE(fs::exists(outside / "deep" / "S-cam0120000101.avi"));
}

}  // namespace
}  // namespace kavro
