#include "kavro/file_list.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

class FileList : public testing::Test {
  protected:
    void writeList(const std::string& bytes) {
        std::ofstream(dir.file("FileList.Dat"), std::ios::binary) << bytes;
    }
    void touch(const std::string& name) { std::ofstream(dir.file(name)) << "x"; }
    bool check() { return checkFileList(dir.path() / "FileList.Dat"); }
    test::TempDir dir;
};

TEST_F(FileList, MissingListIsIncomplete) {
    EXPECT_FALSE(check());
}

TEST_F(FileList, EmptyOrBlankListIsComplete) {
    writeList("");
    EXPECT_TRUE(check());
    writeList("\r\n  \t\n\r\n");
    EXPECT_TRUE(check());
}

TEST_F(FileList, EveryLineEndAndTrimmedBlanksCount) {
    touch("a.bin");
    touch("b.bin");
    touch("c.bin");
    const std::string a = dir.file("a.bin"), b = dir.file("b.bin"), c = dir.file("c.bin");
    writeList(" \t" + a + " \r\n" + b + "\r" + c + "\n");
    EXPECT_TRUE(check());
    writeList(a + "\r\n" + dir.file("missing.bin") + "\n" + b);
    EXPECT_EQ(firstMissingListedFile(dir.path() / "FileList.Dat"), dir.file("missing.bin"));
}

TEST_F(FileList, DirectoryCountsAsMissing) {
    std::filesystem::create_directory(dir.path() / "sub");
    writeList(dir.file("sub") + "\n");
    EXPECT_FALSE(check());
}

TEST_F(FileList, FirstMissingFileEndsTheCheck) {
    touch("late.bin");
    writeList(dir.file("gone-1") + "\n" + dir.file("gone-2") + "\n");
    EXPECT_EQ(firstMissingListedFile(dir.path() / "FileList.Dat"), dir.file("gone-1"));
}

TEST_F(FileList, RelativePathsFollowTheCurrentDirectory) {
    touch("here.bin");
    writeList("here.bin\n");
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const bool complete = checkFileList();  // "FileList.Dat" itself is relative too
    std::filesystem::current_path(before);
    EXPECT_TRUE(complete);
}

}  // namespace
}  // namespace kavro
