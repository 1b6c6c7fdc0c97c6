// Directory deletion on trees far deeper than descriptors or stacks would allow a recursive
// walk: 20,000 levels with 64 descriptors allowed, and from a thread with a 256 KiB stack. Each
// runs in a child process, on a tmpfs of its own where the machine permits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "kavro/file_maintenance.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/throwaway_root.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;

constexpr int kLevels = 20000;

// top/d/d/.../d, kLevels directories with a file in each: 2 * kLevels + 1 entries. Built
// relative to descriptors, as no path could name its bottom.
bool buildDeepTree(const fs::path& top) {
    if (::mkdir(top.c_str(), 0755) != 0) return false;
    int at = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kLevels && at >= 0; ++level) {
        const int file = ::openat(at, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        const bool made = file >= 0 && ::mkdirat(at, "d", 0755) == 0;
        if (file >= 0) ::close(file);
        const int below = made ? ::openat(at, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        ::close(at);
        at = below;
    }
    if (at < 0) return false;
    ::close(at);
    return true;
}

// 0 when the tree went whole; otherwise says on stderr what was left.
int deleteAndCheck(const fs::path& top) {
    const TreeReport report = deleteDirectory(top.string());
    const bool whole = report.complete() && report.removed == 2u * kLevels + 1;
    if (!whole || ::access(top.c_str(), F_OK) == 0) {
        std::fprintf(stderr, "removed %llu, kept %llu, first %.200s (%s)\n",
                     static_cast<unsigned long long>(report.removed),
                     static_cast<unsigned long long>(report.keptCount()), report.firstKept.c_str(),
                     keptReasonText(report.firstKeptReason));
        return 1;
    }
    return 0;
}

TEST(DeepTree, TwentyThousandLevelsWithSixtyFourDescriptors) {
    test::TempDir dir;
    const fs::path top = dir.path() / "top";
    const int code = test::inChildOnTmpfs(dir.path().string(), [&] {
        if (!buildDeepTree(top)) return 2;
        const rlimit limit{64, 64};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 3;
        return deleteAndCheck(top);
    });
    EXPECT_EQ(code, 0);
}

TEST(DeepTree, TwentyThousandLevelsFromAThreadWithA256KiBStack) {
    test::TempDir dir;
    const fs::path top = dir.path() / "top";
    const int code = test::inChildOnTmpfs(dir.path().string(), [&] {
        if (!buildDeepTree(top)) return 2;
        struct Run {
            fs::path top;
            int code = -1;
        } run{top};
        pthread_attr_t attributes;
        pthread_t thread;
        if (pthread_attr_init(&attributes) != 0 ||
            pthread_attr_setstacksize(&attributes, 256 * 1024) != 0 ||
            pthread_create(
                &thread, &attributes,
                [](void* arg) -> void* {
                    auto* r = static_cast<Run*>(arg);
                    r->code = deleteAndCheck(r->top);
                    return nullptr;
                },
                &run) != 0) {
            return 3;
        }
        pthread_join(thread, nullptr);
        pthread_attr_destroy(&attributes);
        return run.code;
    });
    EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace kavro
