// Decoder, dome and switcher calls from several threads on one serial line with one busy flag:
// every call's writes, pauses and parity changes must come out in one piece, none lost. Pauses
// are shortened (a millisecond of the protocol is a microsecond here) and so is the flag's 50 ms
// poll, so that the calls overlap in time as much as a loaded line would make them.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/switcher.hpp"

namespace kavro {
namespace {

using namespace std::chrono_literals;

// The line under the recorder: keeps the settings, takes every write, and waits a microsecond
// for every millisecond of a pause.
class ShortPauseLine final : public SerialLine {
  public:
    LineResult readSettings(CommSettings& settings) override {
        settings = settings_;
        return {};
    }
    LineResult writeSettings(const CommSettings& settings) override {
        settings_ = settings;
        return {};
    }
    LineResult write(std::span<const std::uint8_t>) override {
        std::this_thread::yield();
        return {};
    }
    void pause(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(std::chrono::microseconds(duration.count()));
    }

  private:
    CommSettings settings_;
};

void shortPoll(std::chrono::milliseconds) {
    std::this_thread::sleep_for(50us);
}

// One thread's protocol table: a decoder row (2), a mark/space decoder row (18), and dome rows
// for the scan sequence (20) and the byte-by-byte send (43).
std::unique_ptr<MemoryRecordSet> protocolTable() {
    auto table = std::make_unique<MemoryRecordSet>(std::vector<std::string>{
        "ID", "Length", "BaseAddress", "Up", "Scan", "StayTime", "Slowest", "Fastest"});
    for (const auto& [id, length] : {std::pair{2, 2}, {18, 5}, {20, 11}, {43, 3}}) {
        table->addRow({Variant(id), Variant(length), Variant(0), Variant(0x0102), Variant(0x0304),
                       Variant(5), Variant(0), Variant(63)});
    }
    return table;
}

enum class Kind { Decoder, Dome, Switcher };

struct Call {
    Kind kind;
    int protocol;
    int number;  // camera, or the switcher's first number: unique among all calls
    int other;   // the switcher's second number, the dome's parameter
    const char* command;
    std::vector<std::string> lines;  // the expected trace lines
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The calls of thread t, each with a number of its own so that no two calls' traces are equal.
std::vector<Call> callsOf(int t, int count, RecordSet& table) {
    std::vector<Call> calls;
    for (int i = 0; i < count; ++i) {
        const int number = 1 + t * count + i;
        Call call;
        switch (i % 7) {
            case 0:
                call = {Kind::Decoder, 2, number, 0, "Up", {}};
                break;
            case 1:
                call = {Kind::Decoder, 18, number, 0, "Up", {}};
                break;
            case 2:
                call = {Kind::Dome, 20, number, 0x15, "Scan", {}};
                break;
            case 3:
                call = {Kind::Dome, 43, number, 7, "Up", {}};
                break;
            case 4:
                call = {Kind::Switcher, 4, number, t, "", {}};
                break;
            case 5:
                call = {Kind::Switcher, 28, number, t, "", {}};
                break;
            default:
                call = {Kind::Switcher, 7, number, t, "", {}};
                break;  // sends nothing
        }
        WireTrace script;
        switch (call.kind) {
            case Kind::Decoder:
                encodeDecoderCommand(table, call.protocol, call.number, call.command, script);
                break;
            case Kind::Dome:
                encodeDomeCommand(table, call.protocol, call.number, call.command, 5, call.other,
                                  script);
                break;
            case Kind::Switcher:
                encodeSwitchCommand(call.protocol, call.number, call.other, script);
                break;
        }
        call.lines = linesOf(script.text());
        calls.push_back(std::move(call));
    }
    return calls;
}

void send(const Call& call, SerialLine& line, BusyFlag& busy, RecordSet& table) {
    switch (call.kind) {
        case Kind::Decoder:
            writeCommandToDecoder(line, busy, call.protocol, table, call.number, call.command);
            break;
        case Kind::Dome:
            writeCommandToGlobe(line, busy, table, call.protocol, call.number, call.command, 5,
                                call.other);
            break;
        case Kind::Switcher:
            writeCommandToSwitch(line, busy, call.protocol, call.number, call.other);
            break;
    }
}

bool matchesAt(const std::vector<std::string>& trace, std::size_t at, const Call& call) {
    if (call.lines.size() > trace.size() - at) return false;
    for (std::size_t i = 0; i < call.lines.size(); ++i) {
        if (trace[at + i] != call.lines[i]) return false;
    }
    return true;
}

TEST(SharedLine, CallsFromManyThreadsNeverInterleave) {
    constexpr int kThreads = 4;
    constexpr int kCallsEach = 35;  // five rounds of the seven kinds; numbers stay below 256
    ShortPauseLine device;
    RecordingLine line(&device);
    std::uint8_t busyByte = 0;

    std::vector<std::unique_ptr<MemoryRecordSet>> tables;
    std::vector<std::vector<Call>> calls;
    for (int t = 0; t < kThreads; ++t) {
        tables.push_back(protocolTable());
        calls.push_back(callsOf(t, kCallsEach, *tables.back()));
    }

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            BusyFlag busy(busyByte, shortPoll);
            for (const Call& call : calls[static_cast<std::size_t>(t)])
                send(call, line, busy, *tables[static_cast<std::size_t>(t)]);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(busyByte, 0);

    // Each thread's calls come out in its own order; at every point of the trace the next call
    // of one thread must stand there whole.
    const std::vector<std::string> trace = linesOf(line.trace().text());
    std::vector<std::size_t> next(kThreads, 0);
    std::size_t at = 0;
    while (at < trace.size()) {
        bool matched = false;
        for (std::size_t t = 0; t < kThreads && !matched; ++t) {
            while (next[t] < calls[t].size() && calls[t][next[t]].lines.empty())
                ++next[t];  // a call that sends nothing leaves no trace
            if (next[t] < calls[t].size() && matchesAt(trace, at, calls[t][next[t]])) {
                at += calls[t][next[t]].lines.size();
                ++next[t];
                matched = true;
            }
        }
        ASSERT_TRUE(matched) << "no call's events stand whole at trace line " << at << ": "
                             << trace[at];
    }
    for (std::size_t t = 0; t < kThreads; ++t) {
        while (next[t] < calls[t].size() && calls[t][next[t]].lines.empty())
            ++next[t];
        EXPECT_EQ(next[t], calls[t].size()) << "calls of thread " << t << " are missing";
    }
}

}  // namespace
}  // namespace kavro
