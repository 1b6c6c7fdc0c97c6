// One 7-byte frame (protocol 7's, its sync byte 0xFF doubled on the wire) from the write call
// until its last byte is read off the pseudo-terminal: through the RFC 2217 line to ser2net on
// loopback, and written straight to the pty through the termios port. The two take turns in
// every iteration so that both see the same machine; the counters give each time and their
// ratio. The scale that matters is the frame's own time on the wire at 9600 baud, 7.3 ms.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "kavro/line_open.hpp"
#include "kavro/serial_port.hpp"
#include "tests/support/device_server.hpp"
#include "tests/support/pty_device.hpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kFrame[] = {0xFF, 0x01, 0x00, 0x08, 0x3F, 0x00, 0x48};

// Reads count bytes from the (non-blocking) master, at most a second.
bool readBytes(int master, std::size_t count) {
    std::uint8_t buffer[64];
    const auto until = Clock::now() + std::chrono::seconds(1);
    while (count > 0 && Clock::now() < until) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = ::read(master, buffer, count < sizeof buffer ? count : sizeof buffer);
        if (n > 0) count -= static_cast<std::size_t>(n);
    }
    return count == 0;
}

void BM_SevenByteFrame_Rfc2217VsPty(benchmark::State& state) {
    kavro::test::PtyDevice pty;
    kavro::test::Ser2netServer server(pty.path());
    if (!server.running()) {
        state.SkipWithError(server.error().c_str());
        return;
    }
    auto network = kavro::openLine(server.rfc2217Url());
    kavro::SerialPort direct(pty.slave());
    double networkSeconds = 0, directSeconds = 0;
    const auto send = [&](kavro::SerialLine& line) {
        const auto start = Clock::now();
        if (!line.write(kFrame) || !readBytes(pty.master(), sizeof kFrame)) {
            state.SkipWithError("the frame did not arrive");
        }
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    for (auto _ : state) {
        networkSeconds += send(*network);
        directSeconds += send(direct);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["rfc2217_us"] = networkSeconds / n * 1e6;
    state.counters["pty_us"] = directSeconds / n * 1e6;
    state.counters["ratio"] = networkSeconds / directSeconds;
}
BENCHMARK(BM_SevenByteFrame_Rfc2217VsPty)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0)
    ->UseRealTime();

}  // namespace
