// kavro monitor: name the commands on a live serial line, until interrupted.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "cli/command.hpp"
#include "cli/mark_bits.hpp"
#include "cli/readback_io.hpp"
#include "kavro/line_settings.hpp"
#include "kavro/parity_marks.hpp"
#include "kavro/serial_port.hpp"

namespace kavro::cli {
namespace {

volatile sig_atomic_t stopRequested = 0;
void requestStop(int) {
    stopRequested = 1;
}

// A sequence whose next frame may follow after the protocol's longest pause (half a second
// before a scan's closing frame) is held; after this long without a byte it is printed.
constexpr int kIdleMillis = 1000;

std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return text;
}

// Opens the device for reading only, raw, with the line settings applied as the host's
// decoder-line call applies them. Nothing is written to it.
int openForReading(const CommandLine& line) {
    const std::string device = *line.value("port");
    LineSettings settings;
    const std::int32_t baud = line.integerOr("baud", 9600);
    if (baud <= 0) throw UsageError("--baud must be positive");
    settings.baudRate = static_cast<std::uint32_t>(baud);
    const std::int32_t dataBits = line.integerOr("data-bits", 8);
    if (dataBits < 5 || dataBits > 8) throw UsageError("--data-bits must be 5 to 8");
    settings.dataBits = static_cast<std::uint8_t>(dataBits);
    settings.stopBits = line.integerOr("stop-bits", 1);
    settings.parity = line.valueOr("parity", "N");

    const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw Failure("cannot open " + device + ": " + std::strerror(errno));
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        ::close(fd);
        throw Failure(device + " is not a serial line: " + std::strerror(errno));
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
    SerialPort port(fd);
    if (!setComState(port, settings)) {
        ::close(fd);
        throw Failure(device + " refused the line settings");
    }
    if (line.has("mark-bits") && !markParityErrors(fd)) {
        ::close(fd);
        throw Failure(device + " cannot mark parity errors (space parity with PARMRK)");
    }
    return fd;
}

int runMonitor(const CommandLine& line) {
    if (!line.has("port")) throw UsageError("--port is required");
    if (!line.positional().empty()) throw UsageError("monitor takes no FILE");
    const EncoderKind kind = encoderKind(line);
    const bool json = line.has("json");
    const bool marks = line.has("mark-bits");
    std::unique_ptr<OpenTable> table = tableFor(line, kind);
    LineDecoder decoder = makeDecoder(kind, line.integer("protocol"), table.get());
    const int fd = openForReading(line);

    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::fprintf(stderr, "kavro monitor: reading %s; Ctrl-C ends\n", line.value("port")->c_str());
    std::fflush(stderr);

    std::set<std::uint64_t> markedAt;  // stream offsets of bytes that arrived marked
    std::uint64_t offset = 0;
    std::string out;
    auto print = [&](const DecodedItem& item) {
        std::string extra, markText;
        if (marks) {
            const auto first = markedAt.lower_bound(item.offset);
            const auto last = markedAt.lower_bound(item.offset + item.bytes.size());
            std::string list;
            for (auto it = first; it != last; ++it) {
                list += (list.empty() ? "" : ", ") + std::to_string(*it - item.offset);
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02X", item.bytes[*it - item.offset]);
                markText += (markText.empty() ? "  mark " : " ") + std::string(hex);
            }
            markedAt.erase(markedAt.begin(), last);
            if (!list.empty()) extra = "\"marked\": [" + list + "], ";
        }
        if (json) {
            out = itemLine(item, true, {}, "\"time\": " + jsonString(timestamp()) + ", " + extra);
        } else {
            out = itemLine(item, false, timestamp() + "  ") + markText;
        }
        out += '\n';
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    };

    MarkBitReader reader;
    std::vector<std::uint8_t> bytes;
    std::vector<bool> marked;
    std::uint8_t buffer[4096];
    bool holding = false;
    while (stopRequested == 0) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kIdleMillis);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {  // the line went quiet: print what is held
            if (holding) decoder.finish(print);
            holding = false;
            continue;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;  // the line is gone (a hung-up pseudo-terminal, an unplugged adapter)
        const std::span<const std::uint8_t> raw(buffer, static_cast<std::size_t>(n));
        if (marks) {
            bytes.clear();
            marked.clear();
            reader.take(raw, bytes, marked);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                if (marked[i]) markedAt.insert(offset + i);
            }
            offset += bytes.size();
            decoder.feed(bytes, print);
        } else {
            offset += raw.size();
            decoder.feed(raw, print);
        }
        holding = true;
    }
    decoder.finish(print);
    ::close(fd);
    if (json) {
        std::printf("{\"commands\": %llu, \"unrecognisedBytes\": %llu}\n",
                    static_cast<unsigned long long>(decoder.commandsSeen()),
                    static_cast<unsigned long long>(decoder.unrecognisedBytes()));
    } else {
        std::printf("%llu commands, %llu bytes unrecognised\n",
                    static_cast<unsigned long long>(decoder.commandsSeen()),
                    static_cast<unsigned long long>(decoder.unrecognisedBytes()));
    }
    return kExitOk;
}

const Command& monitorCommand() {
    static const Command command{
        "monitor",
        "monitor --port DEVICE [--db PATH] [--table NAME] --protocol ID [--dome|--switch] "
        "[--json] [--mark-bits]",
        "Reads a live serial line and prints each command on it as kavro decode does, with the\n"
        "time it was complete, until interrupted: Ctrl-C (or SIGTERM) ends it cleanly with a\n"
        "count of the commands and of the bytes that were no frame. The device is opened for\n"
        "reading only; nothing is written to it.\n"
        "\n"
        "  --port DEVICE     the serial device to listen on\n"
        "  --baud N, --data-bits N, --stop-bits 1|2, --parity N|O|E|M|S\n"
        "                    line settings (default 9600 8 1 N)\n"
        "  --db PATH, --table NAME, --protocol ID, --dome, --switch, --json\n"
        "                    as for kavro decode\n"
        "  --mark-bits       for the protocols that send the address byte at mark parity\n"
        "                    (17, 18, 43): listen at space parity with parity errors marked\n"
        "                    (PARMRK, INPCK), so a byte sent with its ninth bit set shows as\n"
        "                    'mark HH' (JSON: \"marked\": [its index in the bytes]). Only a\n"
        "                    UART whose driver reports parity errors can show them: on-board\n"
        "                    and PCI ports and FTDI adapters report them; pseudo-terminals, "
        "network\n"
        "                    lines and USB adapters whose drivers drop the error flag do not.\n"
        "\n"
        "A sequence is printed when its last frame arrives, or after a second of silence.\n"
        "\n"
        "Example:\n"
        "  kavro monitor --port /dev/ttyUSB0 --baud 2400 --protocol 7\n",
        {kDbOption,
         kTableOption,
         {"protocol", true},
         {"dome", false},
         {"switch", false},
         {"json", false},
         {"mark-bits", false},
         {"port", true},
         {"baud", true},
         {"data-bits", true},
         {"stop-bits", true},
         {"parity", true}},
        runMonitor,
    };
    return command;
}

const CommandRegistration registration{monitorCommand};

}  // namespace
}  // namespace kavro::cli
