// Directory deletion and the purge on a wine drive, through the Windows file layer: FindFirstFileA
// listings, "\" joins, the read-only attribute, hidden and system files, links not followed.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "files/tree_walk.hpp"
#include "kavro/file_maintenance.hpp"
#include "pty_link.h"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void makeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    std::ofstream(path) << "x";
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
}

void makeDirectory(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
}

class WindowsFiles : public testing::Test {
  protected:
    void TearDown() override {
        // Read-only files stay behind on purpose; the temporary directory goes all the same.
        for (const std::string& file : readOnly_)
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::string at(const std::string& relative) const { return base_ + "\\" + relative; }
    void makeReadOnly(const std::string& path) {
        makeFile(path, FILE_ATTRIBUTE_READONLY);
        readOnly_.push_back(path);
    }

    test::TempDir dir_;
    std::string base_ = dir_.path().string();
    std::vector<std::string> readOnly_;
};

TEST_F(WindowsFiles, DeletesATreeWithHiddenAndSystemFiles) {
    makeDirectory(at("top"));
    makeDirectory(at("top\\a"));
    makeDirectory(at("top\\a\\b"));
    makeFile(at("top\\plain.txt"));
    makeFile(at("top\\a\\hidden.txt"), FILE_ATTRIBUTE_HIDDEN);
    makeFile(at("top\\a\\b\\system.dat"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    makeDirectory(at("top\\a\\b\\hidden dir"));
    SetFileAttributesA(at("top\\a\\b\\hidden dir").c_str(), FILE_ATTRIBUTE_HIDDEN);

    const TreeReport report = deleteDirectory(at("top"));
    EXPECT_TRUE(report.complete()) << report.firstKept;
    EXPECT_EQ(report.removed, 7u);
    EXPECT_FALSE(exists(at("top")));
}

TEST_F(WindowsFiles, AReadOnlyFileStaysWithTheDirectoriesAboveIt) {
    makeDirectory(at("top"));
    makeDirectory(at("top\\keep"));
    makeDirectory(at("top\\go"));
    makeReadOnly(at("top\\keep\\locked.txt"));
    makeFile(at("top\\keep\\other.txt"));
    makeFile(at("top\\go\\file.txt"));

    const TreeReport report = deleteDirectory(at("top") + "\\");  // a trailing separator
    EXPECT_EQ(report.start, TreeStart::Walked);
    EXPECT_EQ(report.keptFor(KeptReason::ReadOnly), 1u);
    EXPECT_EQ(report.firstKept, at("top\\keep\\locked.txt"));
    EXPECT_TRUE(exists(at("top\\keep\\locked.txt")));
    EXPECT_FALSE(exists(at("top\\keep\\other.txt")));
    EXPECT_FALSE(exists(at("top\\go")));
    EXPECT_TRUE(exists(at("top\\keep")));
}

// Wine cannot make a Windows link, so the harness puts a Unix link to a directory in the tree;
// wine shows it as a reparse point, as Windows shows a junction. (A Unix link to a file wine
// shows as the file itself, and deletes what it leads to: no Windows call can tell it from a
// file there, so such a link has no place in a test of the walk.)
TEST_F(WindowsFiles, ALinkInsideTheTreeIsNotFollowed) {
    makeDirectory(at("outside"));
    makeFile(at("outside\\precious.txt"));
    makeDirectory(at("top"));
    makeDirectory(at("top\\sub"));
    makeFile(at("top\\file.txt"));
    ASSERT_EQ(pty_link_make_unix_link(at("outside").c_str(), at("top\\sub\\junction").c_str()), 0);
    ASSERT_NE(GetFileAttributesA(at("top\\sub\\junction").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT,
              0u);

    const TreeReport report = deleteDirectory(at("top"));
    EXPECT_EQ(report.start, TreeStart::Walked);
    EXPECT_TRUE(exists(at("outside\\precious.txt"))) << "followed a link out of the tree";
    EXPECT_FALSE(exists(at("top\\file.txt")));
    // A system that opens a link as itself removes it; wine, which opens what it leads to even
    // when asked for the link, cannot, and the link stays with the directories above it.
    if (exists(at("top\\sub\\junction"))) {
        EXPECT_EQ(report.firstKept, at("top\\sub\\junction"));
        EXPECT_TRUE(exists(at("top\\sub")));
    } else {
        EXPECT_TRUE(report.complete());
    }
}

TEST_F(WindowsFiles, PurgeKeepsTheReadOnlyAndUndatedFiles) {
    makeDirectory(at("rec"));
    makeFile(at("rec\\S000000200512090000.avi"));      // S, 2005-12-09
    makeReadOnly(at("rec\\S000000200512090001.avi"));  // expired, read-only
    makeFile(at("rec\\S000000209912090000.avi"));      // not yet
    makeFile(at("rec\\notes.txt"));                    // no type letter
    makeDirectory(at("rec\\sub"));
    makeFile(at("rec\\sub\\T000000209912090000.avi"));  // below the first level: goes whole
    RetentionDays days;
    days.s = 7;
    days.t = 7;
    const TreeReport report = purgeExpiredFiles(at("rec"), days, LocalDate{2006, 1, 1});
    EXPECT_FALSE(exists(at("rec\\S000000200512090000.avi")));
    EXPECT_TRUE(exists(at("rec\\S000000200512090001.avi")));
    EXPECT_TRUE(exists(at("rec\\S000000209912090000.avi")));
    EXPECT_TRUE(exists(at("rec\\notes.txt")));
    EXPECT_FALSE(exists(at("rec\\sub")));
    EXPECT_EQ(report.keptFor(KeptReason::ReadOnly), 1u);
}

TEST_F(WindowsFiles, RootsAndDotsAreRefused) {
    for (const char* path : {"C:\\", "C:", "Z:\\", "\\", "Z:\\.", "C:\\..\\", "\\\\server\\share",
                             "\\\\?\\C:\\", ".", "..\\.."}) {
        SCOPED_TRACE(path);
        const TreeReport report = deleteDirectory(path);
        EXPECT_NE(report.start, TreeStart::Walked);
        EXPECT_EQ(report.removed, 0u);
    }
    EXPECT_EQ(deleteDirectory(at("missing")).start, TreeStart::Missing);
}

TEST(PathSyntax, SplitsWindowsPaths) {
    struct Case {
        const char* path;
        TreeStart refusal;
        const char* parent;
        const char* name;
    } cases[] = {
        {"C:\\data\\rec", TreeStart::Walked, "C:\\data", "rec"},
        {"C:\\rec\\\\", TreeStart::Walked, "C:\\", "rec"},
        {"C:/data/rec", TreeStart::Walked, "C:/data", "rec"},
        {"C:rec", TreeStart::Walked, "C:.", "rec"},
        {"\\rec", TreeStart::Walked, "\\", "rec"},
        {"rec", TreeStart::Walked, ".", "rec"},
        {"a\\b", TreeStart::Walked, "a", "b"},
        {"\\\\server\\share\\rec", TreeStart::Walked, "\\\\server\\share\\", "rec"},
        {"\\\\?\\C:\\rec", TreeStart::Walked, "\\\\?\\C:\\", "rec"},
        {"\\\\?\\UNC\\server\\share\\rec", TreeStart::Walked, "\\\\?\\UNC\\server\\share\\", "rec"},
        {"C:\\", TreeStart::RootDirectory, "", ""},
        {"\\\\server\\share\\", TreeStart::RootDirectory, "", ""},
        {"/", TreeStart::RootDirectory, "", ""},
        {"C:\\..", TreeStart::RootDirectory, "", ""},
        {"C:", TreeStart::DotOrDotDot, "", ""},
        {"C:\\data\\..", TreeStart::DotOrDotDot, "", ""},
        {"", TreeStart::NoPath, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const files::TopPath top = files::splitTopPath(c.path);
        EXPECT_EQ(top.refusal, c.refusal);
        if (c.refusal != TreeStart::Walked) continue;
        EXPECT_EQ(top.parent, c.parent);
        EXPECT_EQ(top.name, c.name);
    }
    EXPECT_EQ(files::pathSeparator(), '\\');
}

}  // namespace
}  // namespace kavro
