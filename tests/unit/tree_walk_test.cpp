// The tree walk behind directory deletion and the purge, watched through its file-system layer:
// what it refuses before touching anything, how many descriptors it holds, and what it does when
// the tree is moved under it.
#include "files/tree_walk.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "files/dry_run_file_system.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using files::Directory;
using files::DirectoryEntry;
using files::FileIdentity;
using files::FileSystem;
using files::Status;

// ---- Paths refused as written ------------------------------------------------------------

// Any call at all is counted: a refusal must come before the first.
class UntouchableFileSystem final : public FileSystem {
  public:
    int calls = 0;
    Status openBase(const std::string&, std::unique_ptr<Directory>&) override {
        ++calls;
        return Status::PermissionDenied;
    }
    bool isRoot(const FileIdentity&) override {
        ++calls;
        return false;
    }
};

TEST(TreeWalkRefusal, RootDotAndDotDotBeforeAnyFileSystemCall) {
    struct Case {
        const char* path;
        TreeStart start;
    };
    const Case cases[] = {
        {"", TreeStart::NoPath},
        {"/", TreeStart::RootDirectory},
        {"//", TreeStart::RootDirectory},
        {"///", TreeStart::RootDirectory},
        {"/.", TreeStart::RootDirectory},
        {"/./", TreeStart::RootDirectory},
        {"/..", TreeStart::RootDirectory},
        {"/../", TreeStart::RootDirectory},
        {"//./..//.", TreeStart::RootDirectory},
        {".", TreeStart::DotOrDotDot},
        {"./", TreeStart::DotOrDotDot},
        {"..", TreeStart::DotOrDotDot},
        {"../", TreeStart::DotOrDotDot},
        {".//", TreeStart::DotOrDotDot},
        {"a/.", TreeStart::DotOrDotDot},
        {"a/..", TreeStart::DotOrDotDot},
        {"a/b/../", TreeStart::DotOrDotDot},
        {"/srv/..", TreeStart::DotOrDotDot},
        {"/srv/./", TreeStart::DotOrDotDot},
        // Names that only look like them go on to the file system.
        {"a", TreeStart::Unreachable},
        {"...", TreeStart::Unreachable},
        {".a", TreeStart::Unreachable},
        {"a/..b", TreeStart::Unreachable},
        {"/srv", TreeStart::Unreachable},
        {"/srv/", TreeStart::Unreachable},
    };
    for (const Case& c : cases) {
        UntouchableFileSystem fileSystem;
        const bool refused = c.start != TreeStart::Unreachable;
        const TreeReport report = files::removeTree(fileSystem, c.path, nullptr, nullptr);
        EXPECT_EQ(report.start, c.start) << '"' << c.path << '"';
        EXPECT_EQ(fileSystem.calls, refused ? 0 : 1) << '"' << c.path << '"';
        EXPECT_EQ(report.removed, 0u);
        EXPECT_EQ(report.keptCount(), 0u);
    }
}

TEST(TreeWalkRefusal, TheTopIsSplitFromItsParentWithoutTrailingSlashes) {
    struct Case {
        const char* path;
        const char* parent;
        const char* name;
        const char* shown;
    };
    const Case cases[] = {
        {"cam01", ".", "cam01", "cam01"},
        {"cam01/", ".", "cam01", "cam01"},  // the link itself, not where it leads
        {"a//b//", "a", "b", "a//b"},
        {"/srv", "/", "srv", "/srv"},
        {"//srv/", "/", "srv", "//srv"},
        {"../x", "..", "x", "../x"},
        {"a/./b", "a/.", "b", "a/./b"},
    };
    for (const Case& c : cases) {
        const files::TopPath top = files::splitTopPath(c.path);
        EXPECT_EQ(top.refusal, TreeStart::Walked) << c.path;
        EXPECT_EQ(top.parent, c.parent) << c.path;
        EXPECT_EQ(top.name, c.name) << c.path;
        EXPECT_EQ(top.shown, c.shown) << c.path;
    }
}

// ---- The walk watched ----------------------------------------------------------------------

// What the walk did through its layer: open directories at most at once, and a hook that can
// change the tree at a chosen step.
struct Watch {
    int open = 0;
    int mostOpen = 0;
    long childOpens = 0;
    std::function<void(const char* name)> beforeOpenChild;
};

class WatchedDirectory final : public Directory {
  public:
    WatchedDirectory(std::unique_ptr<Directory> real, Watch& watch)
        : real_(std::move(real)), watch_(watch) {
        watch_.mostOpen = std::max(watch_.mostOpen, ++watch_.open);
    }
    ~WatchedDirectory() override { --watch_.open; }
    WatchedDirectory(const WatchedDirectory&) = delete;
    WatchedDirectory& operator=(const WatchedDirectory&) = delete;

    const FileIdentity& identity() const override { return real_->identity(); }
    bool next(DirectoryEntry& entry) override { return real_->next(entry); }
    Status openChild(const char* name, std::unique_ptr<Directory>& child) override {
        // A walk that went round in circles would end here rather than never.
        if (++watch_.childOpens > 100000) throw std::runtime_error("the walk does not end");
        if (watch_.beforeOpenChild) watch_.beforeOpenChild(name);
        return wrap(real_->openChild(name, child), child);
    }
    Status openParent(std::unique_ptr<Directory>& parent) override {
        return wrap(real_->openParent(parent), parent);
    }
    Status removeFile(const char* name) override { return real_->removeFile(name); }
    Status removeDirectory(const char* name) override { return real_->removeDirectory(name); }
    bool isReadOnly(const char* name) override { return real_->isReadOnly(name); }
    bool linksToDirectory(const char* name) override { return real_->linksToDirectory(name); }

  private:
    Status wrap(Status status, std::unique_ptr<Directory>& directory) {
        if (status == Status::Done) {
            directory = std::make_unique<WatchedDirectory>(std::move(directory), watch_);
        }
        return status;
    }
    std::unique_ptr<Directory> real_;
    Watch& watch_;
};

class WatchedFileSystem final : public FileSystem {
  public:
    WatchedFileSystem(FileSystem& real, Watch& watch) : real_(real), watch_(watch) {}
    Status openBase(const std::string& path, std::unique_ptr<Directory>& base) override {
        const Status status = real_.openBase(path, base);
        if (status == Status::Done) {
            base = std::make_unique<WatchedDirectory>(std::move(base), watch_);
        }
        return status;
    }
    bool isRoot(const FileIdentity& identity) override { return real_.isRoot(identity); }

  private:
    FileSystem& real_;
    Watch& watch_;
};

class TreeWalk : public testing::Test {
  protected:
    test::TempDir dir;
    fs::path top = dir.path() / "top";
    fs::path outside = dir.path() / "outside";

    static void write(const fs::path& file) { std::ofstream(file) << "x"; }
    static void readOnly(const fs::path& file) {
        write(file);
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
    }
    // top/d1/d2/.../dN, a file "f" in each, and what `extra` adds at a level; returns the
    // deepest directory.
    fs::path chain(int levels, const std::function<void(int level, const fs::path&)>& extra) {
        fs::path at = top;
        fs::create_directory(at);
        for (int level = 1; level <= levels; ++level) {
            at /= "d" + std::to_string(level);
            fs::create_directory(at);
            write(at / "f");
            if (extra) extra(level, at);
        }
        return at;
    }
    // Everything under `root` (links not entered), relative, directories with "/".
    static std::set<std::string> listing(const fs::path& root) {
        std::set<std::string> paths;
        for (auto it = fs::recursive_directory_iterator(root);
             it != fs::recursive_directory_iterator(); ++it) {
            const std::string relative = it->path().lexically_relative(root).string();
            paths.insert(it->is_directory() && !it->is_symlink() ? relative + "/" : relative);
        }
        return paths;
    }
};

TEST_F(TreeWalk, ADeepTreeGoesWithAtMost32DescriptorsAndEachKeptEntryCountedOnce) {
    // Read-only files at three depths far below the open listings, one in a side directory:
    // the listings above them are closed and opened again on the way back up, and must skip
    // what stayed instead of descending into it again.
    chain(100, [](int level, const fs::path& at) {
        if (level == 40 || level == 80) readOnly(at / "ro");
        if (level == 60) {
            fs::create_directory(at / "side");
            readOnly(at / "side" / "ro");
        }
    });
    const std::set<std::string> before = listing(top);

    Watch previewWatch;
    files::DryRunFileSystem dryRun(files::posixFileSystem());
    WatchedFileSystem watchedDryRun(dryRun, previewWatch);
    std::vector<std::string> previewed;
    const files::RemovalLog previewLog = [&](const std::string& path) {
        previewed.push_back(path);
    };
    const TreeReport preview = files::removeTree(watchedDryRun, top.string(), nullptr, &previewLog);
    EXPECT_EQ(listing(top), before);

    Watch watch;
    WatchedFileSystem watched(files::posixFileSystem(), watch);
    std::vector<std::string> removed;
    const files::RemovalLog log = [&](const std::string& path) { removed.push_back(path); };
    const TreeReport report = files::removeTree(watched, top.string(), nullptr, &log);

    // 100 files and the 20 directories below the deepest read-only file.
    EXPECT_EQ(report.start, TreeStart::Walked);
    EXPECT_EQ(report.removed, 120u);
    EXPECT_EQ(report.keptFor(KeptReason::ReadOnly), 3u);
    EXPECT_EQ(report.keptFor(KeptReason::NotEmpty), 82u);  // d1..d80, side and the top
    EXPECT_EQ(report.keptCount(), 85u);
    EXPECT_EQ(report.firstKeptReason, KeptReason::ReadOnly);
    EXPECT_EQ(report.firstKept.substr(report.firstKept.size() - 3), "/ro") << report.firstKept;
    EXPECT_LE(watch.mostOpen, 32);
    EXPECT_EQ(watch.open, 0);
    EXPECT_TRUE(fs::exists(top / "d1" / "d2"));

    // The preview came to the same: each entry once, and the same counts.
    EXPECT_LE(previewWatch.mostOpen, 32);
    EXPECT_EQ(std::set<std::string>(previewed.begin(), previewed.end()).size(), previewed.size());
    std::sort(previewed.begin(), previewed.end());
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(previewed, removed);
    EXPECT_EQ(preview.removed, report.removed);
    EXPECT_EQ(preview.kept, report.kept);
}

TEST_F(TreeWalk, APartMovedAwayDuringTheWalkIsNotFollowed) {
    // While the walk is at the bottom of a chain 40 deep, a directory high above it (its
    // listing long closed) is moved out of the tree. The walk finishes the part it holds open,
    // notices on the way up that the directory is no longer in its parent, and neither
    // removes it nor touches anything around it where it is now.
    struct Case {
        const char* what;
        std::function<void(const fs::path& top, const fs::path& outside)> move;
    };
    const Case cases[] = {
        {"moved out",
         [](const fs::path& t, const fs::path& o) { fs::rename(t / "d1" / "d2", o / "moved"); }},
        {"moved out, a link to outside in its place",
         [](const fs::path& t, const fs::path& o) {
             fs::rename(t / "d1" / "d2" / "d3", o / "moved");
             fs::rename(t / "d1" / "d2", o / "moved-too");
             fs::create_directory_symlink(o, t / "d1" / "d2");
         }},
    };
    for (const Case& c : cases) {
        fs::create_directories(outside / "deep");
        write(outside / "evidence.avi");
        write(outside / "deep" / "evidence.avi");
        const std::set<std::string> outsideBefore = listing(outside);
        chain(40, nullptr);

        Watch watch;
        watch.beforeOpenChild = [&](const char* name) {
            if (std::string(name) == "d40") c.move(top, outside);
        };
        WatchedFileSystem watched(files::posixFileSystem(), watch);
        const TreeReport report = files::removeTree(watched, top.string(), nullptr, nullptr);

        EXPECT_EQ(report.keptFor(KeptReason::Moved), 1u) << c.what;
        EXPECT_EQ(report.firstKeptReason, KeptReason::Moved) << c.what;
        EXPECT_FALSE(fs::exists(fs::symlink_status(top))) << c.what;
        std::set<std::string> outsideAfter;
        for (const std::string& p : listing(outside)) {
            if (p.rfind("moved", 0) != 0) outsideAfter.insert(p);
        }
        EXPECT_EQ(outsideAfter, outsideBefore) << c.what;
        EXPECT_LE(watch.mostOpen, 32) << c.what;
        fs::remove_all(outside);
    }
}

}  // namespace
}  // namespace kavro
