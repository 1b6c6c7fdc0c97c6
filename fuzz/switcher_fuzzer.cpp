// Fuzz target: one switcher command from arbitrary bytes: the protocol (mostly 4, 15 and 28,
// else any 32-bit value) and the two channel numbers across their whole 32-bit range. The call
// goes to a recording line.
//
// What must hold after every call, whatever the bytes:
//  - no crash, no sanitizer report, no exception;
//  - the busy flag is taken exactly once (it starts set and the first wait clears it), also for
//    a protocol that sends nothing, and is 0 afterwards;
//  - protocol 4 writes one 16-byte frame with the numbers' low bytes at 9 and 10 and the
//    exclusive-or of bytes 4 to 11 at 12; 15 writes two frames of 4 or 5 bytes, FE ... FF;
//    28 writes one 17-byte frame "A...B" three times; any other protocol writes nothing.
//
// Input layout (missing bytes read as 0):
//   byte   protocol: 0-79 -> 4, 80-159 -> 15, 160-239 -> 28, else a 32-bit value follows
//   4 bytes the first number, 4 bytes the second
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_input.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/switcher.hpp"

namespace {

using kavro::fuzz::Input;

[[noreturn]] void fail(const char* what, int protocol) {
    kavro::fuzz::fail("switcher", what, protocol);
}

std::uint8_t flagByte;
int waits;
void otherWriterLetsGo(std::chrono::milliseconds) {
    ++waits;
    flagByte = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t selector = in.byte();
    const std::int32_t protocol = selector < 80    ? 4
                                  : selector < 160 ? 15
                                  : selector < 240 ? 28
                                                   : in.i32();
    const std::int32_t first = in.i32();
    const std::int32_t second = in.i32();

    kavro::RecordingLine line;
    flagByte = 1;
    waits = 0;
    kavro::BusyFlag busy(flagByte, otherWriterLetsGo);
    const bool known = kavro::writeCommandToSwitch(line, busy, protocol, first, second).known;
    if (waits != 1) fail("the busy flag was not taken exactly once", protocol);
    if (flagByte != 0) fail("the busy flag was left set", protocol);

    const kavro::WireTrace& trace = line.trace();
    for (std::size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].kind != kavro::WireTrace::Kind::Write) fail("an event is no write", protocol);
    }
    switch (protocol) {
        case 4: {
            if (!known || trace.size() != 1 || trace[0].bytes.size() != 16)
                fail("not one 16-byte frame", protocol);
            const auto bytes = trace[0].bytes;
            std::uint8_t x = 0;
            for (int i = 4; i <= 11; ++i)
                x ^= bytes[static_cast<std::size_t>(i)];
            if (bytes[9] != static_cast<std::uint8_t>(first) ||
                bytes[10] != static_cast<std::uint8_t>(second) || bytes[12] != x)
                fail("numbers or exclusive-or misplaced", protocol);
            break;
        }
        case 15:
            if (!known || trace.size() != 2) fail("not two frames", protocol);
            for (std::size_t i = 0; i < 2; ++i) {
                const auto bytes = trace[i].bytes;
                if ((bytes.size() != 4 && bytes.size() != 5) || bytes.front() != 0xFE ||
                    bytes.back() != 0xFF)
                    fail("a frame is not FE ... FF of 4 or 5 bytes", protocol);
            }
            break;
        case 28:
            if (!known || trace.size() != 3) fail("not three writes", protocol);
            for (std::size_t i = 0; i < 3; ++i) {
                const auto bytes = trace[i].bytes;
                if (bytes.size() != 17 || bytes.front() != 'A' || bytes.back() != 'B' ||
                    !std::equal(bytes.begin(), bytes.end(), trace[0].bytes.begin()))
                    fail("the three writes are not the same A...B frame", protocol);
            }
            break;
        default:
            if (known || !trace.empty()) fail("an unknown protocol wrote", protocol);
            break;
    }
    return 0;
}
