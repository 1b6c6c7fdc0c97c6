// The logging and file-maintenance commands of the kavro tool, run as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using test::ProcessResult;

ProcessResult kavroTool(std::vector<std::string> args) {
    args.insert(args.begin(), test::toolPath());
    return test::runProcess(args);
}

// A failure is exit 1 and one line on stderr.
void expectOneLineFailure(const ProcessResult& r, const std::string& mentions) {
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(mentions), std::string::npos) << r.err;
}

class LogCommands : public testing::Test {
  protected:
    void SetUp() override {
        test::makeDatabase(db,
                           "CREATE TABLE OperatorLog (Operator, LogType, Time, Action);"
                           "CREATE TABLE AlarmLog (AlarmSwitch, AlarmType, Time, "
                           "CaptureRelation, AlarmRelation);"
                           "CREATE TABLE Ex (Message, Dat);"
                           "CREATE TABLE Camera (Name, ID);"
                           "INSERT INTO Camera VALUES ('Gate', 3), ('Gate 2', 7);");
    }
    std::string query(const std::string& sql) { return test::queryText(db, sql); }
    test::TempDir dir;
    std::string db = dir.file("site.db");
};

TEST_F(LogCommands, EachCommandWritesItsRow) {
    struct Case {
        std::vector<std::string> args;
        const char* check;
        const char* expected;
    };
    const Case cases[] = {
        {{"log", "--table", "OperatorLog", "--operator", "7", "--type", "-2", "Pan left"},
         "SELECT Operator || '|' || LogType || '|' || Action || '|' || (julianday(Time) > 0) "
         "FROM OperatorLog",
         "7|-2|Pan left|1"},
        {{"alarm", "--table", "AlarmLog", "3", "1", "12", "-4"},
         "SELECT AlarmSwitch || '|' || AlarmType || '|' || CaptureRelation || '|' || "
         "AlarmRelation || '|' || (julianday(Time) > 0) FROM AlarmLog",
         "3|1|12|-4|1"},
        {{"exception", "--table", "Ex", ""},
         "SELECT quote(Message) || '|' || (julianday(Dat) > 0) FROM Ex",
         "''|1"},
        {{"empty-table", "--table", "Camera"}, "SELECT count(*) FROM Camera", "0"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + 1, {"--db", db});
        const ProcessResult r = kavroTool(args);
        EXPECT_EQ(r.exitCode, 0) << c.args[0] << ": " << r.err;
        EXPECT_EQ(query(c.check), c.expected) << c.args[0];
    }
}

TEST_F(LogCommands, NameToIdPrintsTheId) {
    EXPECT_EQ(kavroTool({"name-to-id", "--db", db, "--table", "Camera", "Gate 2"}).out, "7\n");
    EXPECT_EQ(kavroTool({"name-to-id", "--db", db, "--table", "Camera", "Gate"}).out, "3\n");
    EXPECT_EQ(kavroTool({"name-to-id", "--db", db, "--table", "Camera", "gate"}).out, "0\n");
}

TEST_F(LogCommands, RefusalsExitOneWithTheReason) {
    expectOneLineFailure(
        kavroTool({"log", "--db", db, "--table", "Camera", "--operator", "1", "--type", "1", "x"}),
        "Operator");
    expectOneLineFailure(kavroTool({"exception", "--db", db, "--table", "AlarmLog", "m"}),
                         "Message");
    expectOneLineFailure(kavroTool({"name-to-id", "--db", db, "--table", "Ex", "m"}), "Name");
    expectOneLineFailure(kavroTool({"alarm", "--db", db, "--table", "Nope", "1", "2", "3", "4"}),
                         "Nope");
    EXPECT_EQ(query("SELECT count(*) FROM Camera"), "2");
    EXPECT_EQ(kavroTool({"alarm", "--db", db, "--table", "AlarmLog", "1", "2"}).exitCode, 2);
}

class FileCommands : public testing::Test {
  protected:
    test::TempDir dir;
    fs::path top = dir.path() / "cam01";
    static void write(const fs::path& file) { std::ofstream(file) << "x"; }
};

TEST_F(FileCommands, PurgeListsInADryRunThenRemoves) {
    fs::create_directories(top / "sub");
    write(top / "S-cam0120000101.avi");  // long expired
    write(top / "S-cam0129990101.avi");  // far ahead
    write(top / "J-cam0120000101.avi");  // J not listed: kept for ever
    write(top / "sub" / "x");
    const std::string t = top.string();

    const ProcessResult dry = kavroTool({"purge", t, "--keep", "S=7,B=90", "--dry-run"});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    // In the directory's own order, a subdirectory's entries before the subdirectory.
    const std::string& out = dry.out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << out;
    EXPECT_NE(out.find(t + "/S-cam0120000101.avi\n"), std::string::npos) << out;
    EXPECT_LT(out.find(t + "/sub/x\n"), out.find(t + "/sub/\n")) << out;
    EXPECT_TRUE(fs::exists(top / "S-cam0120000101.avi"));

    EXPECT_EQ(kavroTool({"purge", t, "--keep", "S=7,B=90"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(top / "S-cam0120000101.avi"));
    EXPECT_FALSE(fs::exists(top / "sub"));
    EXPECT_TRUE(fs::exists(top / "S-cam0129990101.avi"));
    EXPECT_TRUE(fs::exists(top / "J-cam0120000101.avi"));
}

TEST_F(FileCommands, PurgeRefusesBadKeepListsAndMissingDirectories) {
    fs::create_directories(top);
    for (const char* keep : {"S=128", "s=7", "Q=1", "S7", "S=7,S=8", "S=x"}) {
        EXPECT_EQ(kavroTool({"purge", top.string(), "--keep", keep}).exitCode, 2) << keep;
    }
    EXPECT_EQ(kavroTool({"purge", top.string()}).exitCode, 2);
    expectOneLineFailure(kavroTool({"purge", dir.file("missing"), "--keep", "S=1"}), "missing");
    EXPECT_TRUE(fs::exists(top));
}

TEST_F(FileCommands, RmtreeSaysWhatWentAndWhatStayed) {
    fs::create_directories(top / "a" / "b");
    write(top / "a" / "b" / "x");
    const ProcessResult whole = kavroTool({"rmtree", top.string()});
    EXPECT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_EQ(whole.err, "kavro: " + top.string() + ": removed 4 entries\n");
    EXPECT_FALSE(fs::exists(top));

    fs::create_directories(top / "a");
    write(top / "a" / "marked");
    write(top / "a" / "other");
    fs::permissions(top / "a" / "marked", fs::perms::owner_read);
    const ProcessResult kept = kavroTool({"rmtree", top.string()});
    expectOneLineFailure(kept, "removed 1 entry, kept 3 entries (1 read-only, 2 not empty); " +
                                   std::string("first kept: ") + top.string() +
                                   "/a/marked (read-only)");
    EXPECT_TRUE(fs::exists(top / "a" / "marked"));
}

TEST_F(FileCommands, RmtreeAndPurgeRefuseLinksAndDotsAndTouchNothing) {
    const fs::path outside = dir.path() / "outside";
    fs::create_directories(outside / "sub");
    write(outside / "S-cam0120000101.avi");
    fs::create_directories(top / "a" / "b");
    write(top / "a" / "S-cam0120000101.avi");
    fs::create_directory_symlink(outside, dir.path() / "link");
    const std::string link = dir.file("link");
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"rmtree", link}, "symbolic link: nothing deleted"},
        {{"rmtree", link + "/"}, "symbolic link: nothing deleted"},
        {{"purge", link, "--keep", "S=1"}, "symbolic link"},
        {{"purge", link + "/", "--keep", "S=1", "--dry-run"}, "symbolic link"},
        {{"rmtree", "."}, "'.' or '..': refused"},
        {{"rmtree", "b/.."}, "'.' or '..': refused"},
        {{"purge", "..", "--keep", "S=1"}, "'.' or '..': refused"},
        {{"rmtree", "S-cam0120000101.avi"}, "is not a directory"},
    };
    const auto working = fs::current_path();
    fs::current_path(top / "a");
    for (const Case& c : cases) {
        const ProcessResult r = kavroTool(c.args);
        expectOneLineFailure(r, c.says);
        EXPECT_EQ(r.out, "") << c.args[1];
    }
    fs::current_path(working);
    EXPECT_TRUE(fs::exists(outside / "S-cam0120000101.avi"));
    EXPECT_TRUE(fs::exists(outside / "sub"));
    EXPECT_TRUE(fs::exists(top / "a" / "b"));
    EXPECT_TRUE(fs::exists(top / "a" / "S-cam0120000101.avi"));
}

TEST_F(FileCommands, PurgeDryRunEscapesControlCharactersAndARunSaysWhatWent) {
    fs::create_directories(top);
    write(top / "S-cam0120000101\nforged-line.avi");
    write(top / "S-cam0120000101\t\x01\\.avi");
    write(top / "S-cam0120000101-\xb2\xe2.avi");  // GBK bytes pass as they are
    const std::string t = top.string();
    const ProcessResult dry = kavroTool({"purge", t, "--keep", "S=7", "--dry-run"});
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(std::count(dry.out.begin(), dry.out.end(), '\n'), 4) << dry.out;
    EXPECT_NE(dry.out.find(t + "/S-cam0120000101\\nforged-line.avi\n"), std::string::npos);
    EXPECT_NE(dry.out.find(t + "/S-cam0120000101\\t\\x01\\\\.avi\n"), std::string::npos);
    EXPECT_NE(dry.out.find(t + "/S-cam0120000101-\xb2\xe2.avi\n"), std::string::npos);
    EXPECT_NE(dry.out.find(t + "/\n"), std::string::npos);

    const ProcessResult run = kavroTool({"purge", t, "--keep", "S=7"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "kavro: " + t + ": removed 4 entries\n");
    EXPECT_FALSE(fs::exists(top));
}

TEST_F(FileCommands, CheckFilesNamesTheFirstMissingFile) {
    write(dir.path() / "present.bin");
    const auto before = fs::current_path();
    fs::current_path(dir.path());
    const ProcessResult noList = kavroTool({"check-files"});
    std::ofstream("FileList.Dat") << "present.bin\r\n";
    const ProcessResult complete = kavroTool({"check-files"});
    std::ofstream("FileList.Dat") << "present.bin\r\n  gone.bin \r\nalso-gone.bin\r\n";
    const ProcessResult incomplete = kavroTool({"check-files"});
    fs::current_path(before);

    expectOneLineFailure(noList, "FileList.Dat");
    // The reason and the directory searched, not only the name.
    EXPECT_NE(noList.err.find(" in " + dir.path().string() + ": No such file or directory"),
              std::string::npos)
        << noList.err;
    EXPECT_EQ(complete.exitCode, 0) << complete.err;
    expectOneLineFailure(incomplete, "gone.bin");
    EXPECT_EQ(incomplete.err.find("also-gone"), std::string::npos);
}

}  // namespace
}  // namespace kavro
