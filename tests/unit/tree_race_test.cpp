// The exchange race: while a tree is deleted or purged, another process keeps swapping the top
// directory, or a directory inside it, with a link to a directory outside the tree
// (renameat2 with RENAME_EXCHANGE, in a tight loop). Whatever the timing, nothing outside the
// tree may change. The runs are made in a child process, on a tmpfs of its own where the
// machine permits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/futex.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "kavro/file_maintenance.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/throwaway_root.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 300;

// A process exchanging two names as fast as it can while it is let to: one process for all the
// runs of a test, held between them (a fork per run would cost more than the runs), stopped by
// its process ID at the end.
class Exchanger {
  public:
    Exchanger(const fs::path& a, const fs::path& b) {
        void* shared = ::mmap(nullptr, sizeof(Control), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (shared == MAP_FAILED) throw std::runtime_error("mmap");
        control_ = new (shared) Control;
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork");
        if (pid_ == 0) {
            // Should the test die first, this one goes with it instead of spinning on.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() == 1) ::_exit(1);
            exchangeWhileLet(a, b);
        }
    }
    ~Exchanger() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        ::munmap(control_, sizeof(Control));
    }
    Exchanger(const Exchanger&) = delete;
    Exchanger& operator=(const Exchanger&) = delete;

    // Returns once the names have been exchanged at least once.
    void start() {
        const long before = control_->exchanges.load();
        control_->go.store(1);
        futex(FUTEX_WAKE, 1);
        while (control_->exchanges.load() == before)
            ::sched_yield();
    }
    // Returns once no exchange is under way, nor will be.
    void stop() {
        control_->go.store(0);
        while (!control_->stopped.load())
            ::sched_yield();
    }

  private:
    struct Control {
        std::atomic<int> go{0};  // also the futex the held process sleeps on
        std::atomic<bool> stopped{true};
        std::atomic<long> exchanges{0};
    };
    static_assert(sizeof(std::atomic<int>) == sizeof(int));

    void futex(int operation, int value) {
        ::syscall(SYS_futex, reinterpret_cast<int*>(&control_->go), operation, value, nullptr,
                  nullptr, 0);
    }
    [[noreturn]] void exchangeWhileLet(const fs::path& a, const fs::path& b) {
        while (true) {
            if (control_->go.load() == 0) {
                control_->stopped.store(true);
                futex(FUTEX_WAIT, 0);  // until woken, unless go is set already
                continue;
            }
            control_->stopped.store(false);
            if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) {
                ++control_->exchanges;
            }
        }
    }

    Control* control_ = nullptr;
    pid_t pid_ = -1;
};

class ExchangeRace : public testing::Test {
  protected:
    test::TempDir dir;
    fs::path top = dir.path() / "top";
    fs::path outside = dir.path() / "outside";
    fs::path link = dir.path() / "link";  // leads to outside

    // Every entry under `root` with its kind and contents; links are not entered.
    static std::string snapshot(const fs::path& root) {
        std::ostringstream out;
        for (auto it = fs::recursive_directory_iterator(root);
             it != fs::recursive_directory_iterator(); ++it) {
            out << it->path().lexically_relative(root).string();
            if (it->is_symlink()) {
                out << " -> " << fs::read_symlink(it->path()).string();
            } else if (it->is_regular_file()) {
                out << " = " << std::ifstream(it->path()).rdbuf();
            }
            out << '\n';
        }
        return out.str();
    }

    // A top directory with expired files and a subdirectory `sub`, two levels deep.
    void buildTree() {
        fs::create_directories(top / "sub" / "deeper");
        for (int i = 0; i < 8; ++i) {
            const std::string name = "S-cam0120000101-" + std::to_string(i) + ".avi";
            std::ofstream(top / name) << "x";
            std::ofstream(top / "sub" / name) << "x";
            std::ofstream(top / "sub" / "deeper" / name) << "x";
        }
    }

    // kRuns times: build the tree, start swapping `swapped` with the link, run `walk`, stop,
    // and compare the outside tree with what it was. 0 when it never changed.
    int race(const fs::path& swapped, const std::function<void()>& walk) {
        fs::create_directories(outside / "deep");
        // Names the purge would take, were it ever to list them.
        for (const char* name : {"S-cam0120000101.avi", "deep/S-cam0120000101.avi", "notes"})
            std::ofstream(outside / name) << name;
        const std::string before = snapshot(outside);
        fs::create_directory_symlink(outside, link);
        Exchanger exchanger(swapped, link);
        for (int run = 0; run < kRuns; ++run) {
            buildTree();
            exchanger.start();
            walk();
            exchanger.stop();
            // The link and the swapped directory may have traded places any number of times.
            if (!fs::is_symlink(link)) {
                fs::remove_all(link);
                fs::create_directory_symlink(outside, link);
            }
            fs::remove_all(top);
            const std::string after = snapshot(outside);
            if (after != before) {
                std::fprintf(stderr, "run %d changed the outside tree:\n%s", run, after.c_str());
                return 1;
            }
        }
        return 0;
    }
    int raceInChild(const fs::path& swapped, const std::function<void()>& walk) {
        return test::inChildOnTmpfs(dir.path().string(), [&] { return race(swapped, walk); });
    }

    void deleteTop() { deleteDirectory(top.string()); }
    void purgeTop() {
        RetentionDays days;
        days.s = 7;
        purgeExpiredFiles(top.string(), days);
    }
};

TEST_F(ExchangeRace, DeletingWhileTheTopIsSwappedWithALink) {
    EXPECT_EQ(raceInChild(top, [this] { deleteTop(); }), 0);
}

TEST_F(ExchangeRace, DeletingWhileASubdirectoryIsSwappedWithALink) {
    EXPECT_EQ(raceInChild(top / "sub", [this] { deleteTop(); }), 0);
}

TEST_F(ExchangeRace, PurgingWhileTheTopIsSwappedWithALink) {
    EXPECT_EQ(raceInChild(top, [this] { purgeTop(); }), 0);
}

TEST_F(ExchangeRace, PurgingWhileASubdirectoryIsSwappedWithALink) {
    EXPECT_EQ(raceInChild(top / "sub", [this] { purgeTop(); }), 0);
}

}  // namespace
}  // namespace kavro
