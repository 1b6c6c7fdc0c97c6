// Fuzz target: one dome command from arbitrary bytes. The bytes choose the protocol ID (0,
// negative and above 54 included), a one-row protocol table in memory (row ID; Length from -2 to
// 96 or empty or text; BaseAddress; the code; StayTime in and out of 0..255; Slowest and Fastest
// as integers, reals, numeric text, other text or empty; which fields exist), the camera, the
// command name ("Scan" and "ScanStop" among them), and the speed level and the parameter across
// their whole 32-bit range. The call goes to a recording line, so pauses are recorded, not
// waited.
//
// What must hold after every call, whatever the bytes:
//  - no crash, no sanitizer report, no exception but DynArrayOutOfRange (a Length too short for
//    a dome layout's fixed frame, and only then);
//  - the busy flag is 0, and the call never had to wait for it;
//  - a refused row, or a frame access outside the frame, writes nothing;
//  - the last event is the final write of the whole frame and no write is longer than it; a
//    fixed-length layout's frame has the row's Length; an ID without a dome layout, and a scan
//    command under 15 and 33, sends exactly Length zero bytes;
//  - a scan under 20 and 49 writes frame 0x80, one frame for each of at most 16 positions taken
//    from bits 0 to 30 (20) or 0 to 31 (49), frame 0x40, pauses 500 ms and ends with frame 0x21;
//    a scan under 18 sends the 83-byte frame;
//  - for integer Slowest and Fastest and a level from 0 to 10, the speed value lies between them.
//
// Input layout (missing bytes read as 0):
//   byte   protocol: below 0xF0, (byte % 60) - 2; else a 32-bit ID follows
//   byte   a: bits 0-1 row ID (3: another ID), 2-3 Length, 4-5 BaseAddress, 6-7 code kind
//   byte   b: bit 0 no command field, bit 1 32-bit camera, bits 2-7 the command name (an index
//          into kNames, or text that follows)
//   byte   c: bits 0-1 StayTime kind, 2-3 Slowest kind, 4-5 Fastest kind, bit 6 one dome field
//          missing, bit 7 a 32-bit speed level (else -5 to 19)
//   then the values that a, b and c call for, in the order read below, and the parameter.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "kavro/dome.hpp"
#include "kavro/host_error.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "ptz/dome_protocols.hpp"
#include "ptz/protocol_row.hpp"

namespace {

using kavro::fuzz::Input;
using kavro::fuzz::integerOrText;

using kavro::Variant;

const char* const kNames[] = {"Up",    "Down",   "Left",     "Scan", "ScanStop", "scan",
                              "Stop",  "Auto",   "Preset",   "Call", "ZoomInc",  "IrisDec",
                              "Scan ", "ScanSt", "StayTime", "",     "Fastest",  "Slowest"};
constexpr std::size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);
const char* const kDomeFields[] = {"StayTime", "Slowest", "Fastest"};

[[noreturn]] void fail(const char* what, int protocol) {
    kavro::fuzz::fail("dome", what, protocol);
}

void mustNotWait(std::chrono::milliseconds) {
    fail("the call waited for the busy flag", -1);
}

// A speed end: a small integer, a real with a fraction, a number as text, or empty/other text.
Variant speedEnd(Input& in, int kind) {
    switch (kind) {
        case 0:
            return Variant(static_cast<std::int8_t>(in.byte()));
        case 1:
            return Variant(in.i32() / 8.0);
        case 2:
            return Variant(std::to_string(in.i32()) + ((in.byte() & 1) != 0 ? ".5" : ""));
        default:
            return (in.byte() & 1) != 0 ? Variant() : Variant(in.text());
    }
}

bool isScan(const std::string& name) {
    return name == "Scan" || name == "ScanStop";
}

void checkScanSequence(const kavro::WireTrace& trace, int protocol, std::int32_t param) {
    const std::uint32_t looked = protocol == 20 ? 0x7FFFFFFFU : 0xFFFFFFFFU;
    const int positions = std::min(16, std::popcount(static_cast<std::uint32_t>(param) & looked));
    const std::size_t writes = static_cast<std::size_t>(positions) + 3;
    if (trace.size() != writes + 1)
        fail("the scan sequence has the wrong number of events", protocol);
    if (trace[writes - 1].kind != kavro::WireTrace::Kind::Pause || trace[writes - 1].millis != 500)
        fail("the scan sequence lacks its 500 ms pause", protocol);
    const auto d6 = [&](std::size_t i) { return trace[i].bytes[6]; };
    if (d6(0) != 0x80 || d6(writes - 2) != 0x40 || trace[writes].bytes[4] != 0x21)
        fail("the scan sequence frames are out of order", protocol);
    int last = -1;
    for (std::size_t i = 1; i + 2 < writes; ++i) {
        const int k = d6(i);
        if (k <= last || (looked >> k & 1U) == 0 ||
            (static_cast<std::uint32_t>(param) >> k & 1U) == 0)
            fail("a scan position was not taken from its bit, lowest first", protocol);
        last = k;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t selector = in.byte();
    const int protocol = selector < 0xF0 ? selector % 60 - 2 : in.i32();
    const std::uint8_t a = in.byte();
    const std::uint8_t b = in.byte();
    const std::uint8_t c = in.byte();

    const std::int32_t rowId =
        (a & 3) == 3
            ? static_cast<std::int32_t>(static_cast<std::uint32_t>(protocol) + 1U + in.byte())
            : protocol;
    const Variant length = integerOrText(in, a >> 2 & 3, Variant(in.byte() % 99 - 2));
    const int baseKind = a >> 4 & 3;
    const Variant base =
        baseKind == 1 ? Variant(in.i32())
                      : integerOrText(in, baseKind, Variant(static_cast<std::int8_t>(in.byte())));
    const Variant code = integerOrText(in, a >> 6 & 3, Variant(in.u32()));
    const std::int32_t camera = (b & 2) != 0 ? in.i32() : static_cast<std::int8_t>(in.byte());
    const std::size_t nameIndex = b >> 2;
    const std::string command = nameIndex < kNameCount ? kNames[nameIndex] : in.text();

    const int stayKind = c & 3;
    const Variant stay = stayKind == 0   ? Variant(in.byte() % 300 - 20)
                         : stayKind == 1 ? Variant(in.i32())
                                         : integerOrText(in, stayKind, Variant());
    const Variant slowest = speedEnd(in, c >> 2 & 3);
    const Variant fastest = speedEnd(in, c >> 4 & 3);
    const int missing = (c & 0x40) != 0 ? in.byte() % 3 : -1;
    const std::int32_t level = (c & 0x80) != 0 ? in.i32() : in.byte() % 25 - 5;
    const std::int32_t param = in.i32();

    std::vector<std::string> columns = {"ID", "Length", "BaseAddress"};
    std::vector<Variant> values = {Variant(rowId), length, base};
    if ((b & 1) == 0) {
        columns.push_back(command);
        values.push_back(code);
    }
    const Variant domeValues[] = {stay, slowest, fastest};
    for (int i = 0; i < 3; ++i) {
        if (i == missing) continue;
        // A command named like a dome field reads that field as its code.
        bool taken = false;
        for (const std::string& column : columns)
            taken = taken || kavro::sameFieldName(column, kDomeFields[i]);
        if (taken) continue;
        columns.push_back(kDomeFields[i]);
        values.push_back(domeValues[i]);
    }
    kavro::MemoryRecordSet table(columns);
    table.addRow(std::move(values));

    kavro::RecordingLine line;
    std::uint8_t busyByte = 0;
    kavro::BusyFlag busy(busyByte, mustNotWait);
    bool sent = false;
    bool outOfFrame = false;
    try {
        sent =
            kavro::writeCommandToGlobe(line, busy, table, protocol, camera, command, level, param)
                .sent();
    } catch (const kavro::DynArrayOutOfRange&) {
        outOfFrame = true;
    }
    if (busyByte != 0) fail("the busy flag was left set", protocol);

    // The speed value on its own: between Slowest and Fastest for the levels 0 to 10.
    if (slowest.type() == Variant::Type::Integer && fastest.type() == Variant::Type::Integer &&
        level >= 0 && level <= 10) {
        const std::int32_t s = kavro::speedValue(slowest, fastest, level);
        const long long low = std::min(slowest.integerValue(), fastest.integerValue());
        const long long high = std::max(slowest.integerValue(), fastest.integerValue());
        if (s < low || s > high) fail("the speed value left the range of its ends", protocol);
    }

    const kavro::WireTrace& trace = line.trace();
    if ((!sent || outOfFrame) && !trace.empty()) fail("a refused call wrote to the line", protocol);

    const kavro::DomeProtocol* p = kavro::findDomeProtocol(protocol);
    const bool fixed = p != nullptr && p->frameLength != kavro::DomeProtocol::kSetsOwnLength;
    const bool noFrame = p == nullptr || ((protocol == 15 || protocol == 33) && isScan(command));
    if (outOfFrame) {
        // Only a fixed frame can be overrun, and only by a row shorter than it.
        if (!fixed || noFrame || length.toInt32() >= p->frameLength)
            fail("unexpected out-of-frame access", protocol);
        return 0;
    }
    if (!sent) return 0;

    const std::int32_t rowLength = length.toInt32();
    if (fixed && !noFrame && rowLength < p->frameLength) fail("a short row was sent", protocol);
    if (trace.empty() || trace[trace.size() - 1].kind != kavro::WireTrace::Kind::Write)
        fail("the call did not end with the final write", protocol);
    const std::size_t frame = trace[trace.size() - 1].bytes.size();
    if ((fixed || noFrame) && frame != static_cast<std::size_t>(rowLength))
        fail("the final write is not the row's Length", protocol);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].kind == kavro::WireTrace::Kind::Write && trace[i].bytes.size() > frame)
            fail("a write is longer than the frame", protocol);
    }
    if (noFrame) {
        if (trace.size() != 1)
            fail("a frame without a layout did more than the final write", protocol);
        for (std::uint8_t byte : trace[0].bytes) {
            if (byte != 0) fail("a frame without a layout has a byte set", protocol);
        }
    }
    if ((protocol == 20 || protocol == 49) && command == "Scan")
        checkScanSequence(trace, protocol, param);
    if (protocol == 18 && command == "Scan" && frame != 83)
        fail("the scan frame is not 83 bytes", protocol);
    return 0;
}
