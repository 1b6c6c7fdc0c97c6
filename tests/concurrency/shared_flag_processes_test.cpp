// Two processes writing to one line share its busy flag by mapping the same page: their calls
// take turns on the wire as two threads' would. Each child sends dome protocol 43 (three bytes
// one by one with 10 ms pauses, then the whole frame) five times, one from address 1 and one
// from address 2; the six bytes of every call must arrive together.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "kavro/dome.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/serial_port.hpp"

namespace kavro {
namespace {

constexpr int kCallsPerProcess = 5;
constexpr std::size_t kCallBytes = 6;

// The child: its own descriptor of the line, its own table, the shared flag.
[[noreturn]] void sendCalls(const char* device, std::uint8_t* sharedFlag, int camera) {
    const int fd = open(device, O_RDWR | O_NOCTTY);
    if (fd < 0) _exit(3);
    MemoryRecordSet table({"ID", "Length", "BaseAddress", "Up", "StayTime", "Slowest", "Fastest"});
    table.addRow({Variant(43), Variant(3), Variant(0), Variant(0x0500), Variant(5), Variant(0),
                  Variant(63)});
    SerialPort line(fd);
    BusyFlag busy(*sharedFlag);
    for (int i = 0; i < kCallsPerProcess; ++i) {
        if (!writeCommandToGlobe(line, busy, table, 43, camera, "Up", 0, 9).ok()) _exit(4);
    }
    close(fd);
    _exit(0);
}

TEST(SharedFlagProcesses, CallsFromTwoProcessesNeverInterleave) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    const std::string device = ttyname(slave);

    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    auto* flag = static_cast<std::uint8_t*>(page);
    *flag = 0;

    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) sendCalls(device.c_str(), flag, i + 1);
    }

    const std::size_t wanted = 2 * kCallsPerProcess * kCallBytes;
    std::string got;
    while (got.size() < wanted) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) break;
        char buffer[256];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(*flag, 0);
    munmap(page, 4096);
    close(master);
    close(slave);

    ASSERT_EQ(got.size(), wanted);
    for (std::size_t call = 0; call < wanted / kCallBytes; ++call) {
        const std::string bytes = got.substr(call * kCallBytes, kCallBytes);
        const char w = bytes[0];
        EXPECT_TRUE(w == 1 || w == 2) << "call " << call;
        EXPECT_EQ(bytes, std::string({w, 0x05, 0x09, w, 0x05, 0x09})) << "call " << call;
    }
}

}  // namespace
}  // namespace kavro
