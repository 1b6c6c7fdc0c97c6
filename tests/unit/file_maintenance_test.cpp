#include "kavro/file_maintenance.hpp"

#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/support/temp_dir.hpp"
#include "tests/support/throwaway_root.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using Paths = std::set<std::string>;

// ---- Which names the purge takes ---------------------------------------------------------

TEST(DatedFileName, TypeLetterDateAndKeepPeriod) {
    const LocalDate today{2005, 12, 16};
    RetentionDays days;
    days.s = 7;
    days.j = 30;
    days.y = 3;
    days.b = -2;  // takes files dated up to two days ahead
    days.t = 0;   // keeps T files for ever
    struct Case {
        const char* name;
        bool expired;
    };
    //  position:         1234567 8..15  (the date)        24
    const Case cases[] = {
        {"S-cam0120051209.avi", true},   // 9 Dec + 7 = 16 Dec: on today, inclusive
        {"S-cam0120051210.avi", false},  // 17 Dec: tomorrow
        {"S-cam0120051209", true},       // 15 bytes: just long enough
        {"S-cam012005120", false},       // 14 bytes: no date
        {"J-cam0120051116.avi", true},
        {"J-cam0120051117.avi", false},
        {"T-cam0119000101.avi", false},  // keep period 0
        {"B-cam0120051218.avi", true},   // negative count: two days in the future
        {"B-cam0120051219.avi", false},
        {"X-cam0119000101.avi", false},  // no type letter
        {"s-cam0119000101.avi", false},  // letter case counts
        {"C1234Y720051213.avi", true},   // "C": the 6th byte is the type letter
        {"C1234Y720051214.avi", false},
        {"c1234Y720051213.avi", false},          // lower-case c is no prefix letter
        {"C1234C720000101.avi", false},          // the letter after a prefix is not a prefix again
        {"CS123", false},                        // too short for a 6th byte
        {"F-cam0120051209-xxxxxxxS.avi", true},  // "F": the 24th byte is the type letter
        {"K-cam0120051116-xxxxxxxJ", true},
        {"K-cam0120051117-xxxxxxxJ", false},
        {"F-cam0120051209-xxxxxx", false},  // 22 bytes: no 24th
        {"FS-cam0120000101", false},        // its 24th byte is missing, S at 2 is not read
        {"S-cam0120051301.avi", false},     // month 13
        {"S-cam0120050230.avi", false},     // 30 February
        {"S-cam0120050229.avi", false},     // 2005 is no leap year
        {"S-cam0120040229.avi", true},
        {"S-cam01200512x9.avi", false},  // not a number
        {"S-cam01 2005121.avi", false},
        {"S-cam0100001209.avi", false},  // year 0
        {"S-cam0120051200.avi", false},  // day 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(isExpiredFileName(c.name, days, today), c.expired) << c.name;
}

TEST(DatedFileName, ExtremeCountsAndTheEdgesOfTheYear) {
    RetentionDays days;
    days.s = 127;
    days.b = -128;
    EXPECT_TRUE(isExpiredFileName("S-cam0120051231.avi", days, LocalDate{2006, 5, 7}));
    EXPECT_FALSE(isExpiredFileName("S-cam0120051231.avi", days, LocalDate{2006, 5, 6}));
    EXPECT_TRUE(isExpiredFileName("B-cam0120060505.avi", days, LocalDate{2005, 12, 28}));
    EXPECT_FALSE(isExpiredFileName("B-cam0120060506.avi", days, LocalDate{2005, 12, 28}));
}

TEST(RetentionRecord, ReadsOneSignedByteAtEachOffset) {
    unsigned char record[64];
    for (unsigned char& b : record)
        b = 0x55;  // the host's other fields
    record[40] = 7;
    record[42] = 0xE2;  // -30
    record[44] = 0;
    record[46] = 0x7F;
    record[48] = 0x80;  // -128
    const RetentionDays days = retentionDaysFromHostRecord(record);
    EXPECT_EQ(days.s, 7);
    EXPECT_EQ(days.j, -30);
    EXPECT_EQ(days.y, 0);
    EXPECT_EQ(days.b, 127);
    EXPECT_EQ(days.t, -128);
}

// ---- Trees on disk ---------------------------------------------------------------------------

class Trees : public testing::Test {
  protected:
    test::TempDir dir;
    fs::path top = dir.path() / "top";
    fs::path outside = dir.path() / "outside";  // what links in the tree lead to

    void SetUp() override {
        fs::create_directories(outside / "deep");
        write(outside / "deep" / "evidence.avi");
        write(outside / "S-cam0120000101.avi");
    }
    static void write(const fs::path& file) { std::ofstream(file) << "x"; }
    static void readOnly(const fs::path& file) {
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    // Every entry under `root`, relative, directories with "/"; links are not entered.
    static Paths listing(const fs::path& root) {
        Paths paths;
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(root, ec))) return paths;
        for (auto it = fs::recursive_directory_iterator(root);
             it != fs::recursive_directory_iterator(); ++it) {
            const std::string relative = it->path().lexically_relative(root).string();
            paths.insert(it->is_directory() && !it->is_symlink() ? relative + "/" : relative);
        }
        return paths;
    }
    Paths outsideBefore() { return {"deep/", "deep/evidence.avi", "S-cam0120000101.avi"}; }

    // top/ with files, hidden files and directories, three levels, and links out of the tree:
    // 15 entries with the top.
    void buildTree() {
        fs::create_directories(top / "one" / "two" / "three");
        fs::create_directories(top / ".hidden-dir");
        write(top / "a.avi");
        write(top / "new\nline\xff");  // a newline and no UTF-8
        write(top / ".hidden");
        write(top / ".hidden-dir" / "x");
        write(top / "one" / "b.avi");
        write(top / "one" / "two" / ".c");
        write(top / "one" / "two" / "three" / "d.avi");
        fs::create_directory_symlink(outside, top / "one" / "link-to-dir");
        fs::create_symlink(outside / "deep" / "evidence.avi", top / "one" / "two" / "link-to-file");
        fs::create_symlink(dir.path() / "nowhere", top / "dangling");
    }
};

TEST_F(Trees, DeleteDirectoryTakesEverythingButWhatLinksLeadTo) {
    buildTree();
    const TreeReport report = deleteDirectory(top.string());
    EXPECT_FALSE(fs::exists(fs::symlink_status(top)));
    EXPECT_EQ(listing(outside), outsideBefore());
    EXPECT_EQ(report.start, TreeStart::Walked);
    EXPECT_TRUE(report.complete());
    EXPECT_EQ(report.removed, 15u);
    EXPECT_EQ(report.firstKept, "");
}

TEST_F(Trees, AReadOnlyFileStaysWithEveryDirectoryAboveIt) {
    buildTree();
    write(top / "one" / "two" / "three" / "marked.avi");
    readOnly(top / "one" / "two" / "three" / "marked.avi");
    const TreeReport report = deleteDirectory(top.string() + "/");
    EXPECT_EQ(listing(top),
              (Paths{"one/", "one/two/", "one/two/three/", "one/two/three/marked.avi"}));
    EXPECT_EQ(listing(outside), outsideBefore());
    EXPECT_EQ(report.removed, 11u);
    EXPECT_EQ(report.keptFor(KeptReason::ReadOnly), 1u);
    EXPECT_EQ(report.keptFor(KeptReason::NotEmpty), 4u);  // three, two, one and the top
    EXPECT_EQ(report.keptCount(), 5u);
    EXPECT_EQ(report.firstKept, top.string() + "/one/two/three/marked.avi");
    EXPECT_EQ(report.firstKeptReason, KeptReason::ReadOnly);
    EXPECT_FALSE(report.complete());
}

TEST_F(Trees, ATopThatIsNoDirectoryIsLeftAloneAndSaysWhy) {
    buildTree();
    write(dir.path() / "plain.avi");
    fs::create_directory_symlink(top, dir.path() / "link");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling");
    const std::string d = dir.path().string();
    struct Case {
        std::string path;
        TreeStart start;
    };
    const Case cases[] = {
        {d + "/missing", TreeStart::Missing},
        {d + "/plain.avi/below", TreeStart::Missing},
        {d + "/plain.avi", TreeStart::NotADirectory},
        {d + "/link", TreeStart::Link},
        {d + "/link/", TreeStart::Link},  // a trailing slash does not lead through it
        {d + "/link//", TreeStart::Link},
        {d + "/dangling", TreeStart::Link},
        {"", TreeStart::NoPath},
    };
    for (const Case& c : cases) {
        for (const TreeReport& report :
             {deleteDirectory(c.path), purgeExpiredFiles(c.path, RetentionDays{1, 1, 1, 1, 1})}) {
            EXPECT_EQ(report.start, c.start) << c.path;
            EXPECT_EQ(report.removed, 0u) << c.path;
        }
    }
    EXPECT_TRUE(fs::exists(dir.path() / "plain.avi"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link"));
    EXPECT_EQ(listing(top).size(), 14u);
}

TEST_F(Trees, TheWorkingDirectoryAndItsParentAreRefused) {
    buildTree();
    const Paths before = listing(top);
    const fs::path working = fs::current_path();
    fs::current_path(top / "one" / "two");
    const char* paths[] = {".", "./", "..", "../", "three/..", "three/.", "../two/."};
    for (const char* path : paths) {
        EXPECT_EQ(deleteDirectory(path).start, TreeStart::DotOrDotDot) << path;
        EXPECT_EQ(purgeExpiredFiles(path, RetentionDays{1, 1, 1, 1, 1}).start,
                  TreeStart::DotOrDotDot)
            << path;
    }
    fs::current_path(working);
    EXPECT_EQ(listing(top), before);
}

TEST_F(Trees, WhatTheSystemRefusesIsKeptAsPermissionDenied) {
    // The caller may remove top/free.avi but nothing in top/locked, which is not its own.
    fs::create_directories(top / "locked");
    write(top / "free.avi");
    write(top / "locked" / "file.avi");
    const bool root = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    if (root) {
        // The test runs as an unprivileged user, in a child; it needs a way into the tree.
        fs::permissions(dir.path(), fs::perms::others_exec, fs::perm_options::add);
        ASSERT_EQ(::chown(top.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown((top / "free.avi").c_str(), kNobody, kNobody), 0);
    } else {
        fs::permissions(top / "locked", fs::perms::owner_write, fs::perm_options::remove);
    }
    const std::string t = top.string();
    const int code = test::inChildProcess([&] {
        if (root &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            return test::kNotPermitted;
        }
        const TreeReport report = deleteDirectory(t);
        const bool asExpected = report.removed == 1 &&
                                report.keptFor(KeptReason::PermissionDenied) == 1 &&
                                report.keptFor(KeptReason::NotEmpty) == 2 &&
                                report.firstKept == t + "/locked/file.avi" &&
                                report.firstKeptReason == KeptReason::PermissionDenied;
        return asExpected ? 0 : 1;
    });
    if (code == test::kNotPermitted) GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(fs::exists(top / "free.avi"));
    EXPECT_TRUE(fs::exists(top / "locked" / "file.avi"));
    fs::permissions(top / "locked", fs::perms::owner_all, fs::perm_options::add);
}

class Purge : public Trees {
  protected:
    const LocalDate today{2005, 12, 16};
    RetentionDays sevenDaysForS() {
        RetentionDays days;
        days.s = 7;
        return days;
    }
};

TEST_F(Purge, ExpiredFilesAndEverySubdirectoryGo) {
    fs::create_directories(top / "sub" / "deeper");
    write(top / "S-cam0120051209.avi");          // expired
    write(top / "S-cam0120051210.avi");          // kept: one day to go
    write(top / "J-cam0120000101.avi");          // kept: J has no keep period here
    write(top / ".S-hidden");                    // no type letter
    write(top / "sub" / "S-cam0120051215.avi");  // fresh, but a subdirectory goes whole
    write(top / "sub" / "deeper" / "T.avi");
    write(top / "S-cam0120051201-ro.avi");
    readOnly(top / "S-cam0120051201-ro.avi");                    // expired, but marked: stays
    fs::create_directory_symlink(outside, top / "link-to-dir");  // goes, as a link
    fs::create_symlink(outside / "S-cam0120000101.avi", top / "S-cam0120000101.lnk");  // expired
    fs::create_symlink(outside / "S-cam0120000101.avi", top / "S-cam0120051216.lnk");  // kept

    purgeExpiredFiles(top.string(), sevenDaysForS(), today);
    EXPECT_EQ(listing(top), (Paths{"S-cam0120051210.avi", "J-cam0120000101.avi", ".S-hidden",
                                   "S-cam0120051201-ro.avi", "S-cam0120051216.lnk"}));
    EXPECT_EQ(listing(outside), outsideBefore());
}

TEST_F(Purge, TheDirectoryGoesOnlyWhenNothingIsLeft) {
    struct Case {
        const char* what;
        std::vector<const char*> files;
        std::int8_t keepS;
        bool topRemains;
    };
    const Case cases[] = {
        {"all expired", {"S-cam0120051201.avi", "S-cam0120051202.avi"}, 7, false},
        {"one kept", {"S-cam0120051201.avi", "S-cam0120051212.avi"}, 7, true},
        {"keep periods all 0, files", {"S-cam0120000101.avi"}, 0, true},
        {"keep periods all 0, subdirectories only", {}, 0, false},
    };
    for (const Case& c : cases) {
        fs::create_directories(top / "sub");
        write(top / "sub" / "S-cam0120051215.avi");
        for (const char* f : c.files)
            write(top / f);
        RetentionDays days;
        days.s = c.keepS;
        purgeExpiredFiles(top.string(), days, today);
        EXPECT_EQ(fs::exists(top), c.topRemains) << c.what;
        EXPECT_FALSE(fs::exists(top / "sub")) << c.what;
        fs::remove_all(top);
    }
}

TEST_F(Purge, APreviewListsWhatAPurgeRemovesAndRemovesNothing) {
    fs::create_directories(top / "sub" / "kept-below");
    write(top / "S-cam0120051209.avi");
    write(top / "S-cam0120051212.avi");
    write(top / "sub" / "x.avi");
    write(top / "sub" / "kept-below" / "marked");
    readOnly(top / "sub" / "kept-below" / "marked");
    fs::create_directories(top / "gone" / "empty");
    const Paths before = listing(top);

    const std::vector<std::string> preview = previewPurge(top.string(), sevenDaysForS(), today);
    EXPECT_EQ(listing(top), before);
    const std::string t = top.string();
    EXPECT_EQ(
        Paths(preview.begin(), preview.end()),
        (Paths{t + "/S-cam0120051209.avi", t + "/sub/x.avi", t + "/gone/empty/", t + "/gone/"}));

    purgeExpiredFiles(top.string(), sevenDaysForS(), today);
    Paths removed;
    for (const std::string& p : before) {
        if (!fs::exists(fs::symlink_status(top / p))) removed.insert(t + "/" + p);
    }
    EXPECT_EQ(Paths(preview.begin(), preview.end()), removed);
}

TEST_F(Purge, APreviewOfADirectoryThatEmptiesEndsWithIt) {
    fs::create_directories(top / "sub");
    write(top / "S-cam0120051201.avi");
    const std::vector<std::string> preview = previewPurge(top.string(), sevenDaysForS(), today);
    ASSERT_EQ(preview.size(), 3u);
    EXPECT_EQ(preview.back(), top.string() + "/");
    EXPECT_TRUE(fs::exists(top / "sub"));
}

}  // namespace
}  // namespace kavro
