// Fuzz target: one decoder command from arbitrary bytes. The bytes choose the protocol ID (0,
// negative and above 54 included), a one-row protocol table in memory (row ID, Length from -2 to
// 64 or empty or text, BaseAddress, the code, whether the command's field exists), the camera
// and the command name. The call goes to a recording line, so pauses are recorded, not waited.
//
// What must hold after every call, whatever the bytes:
//  - no crash, no sanitizer report, no exception but DynArrayOutOfRange (a Length too short for
//    the protocol's frame, and only then);
//  - the busy flag is 0, and the call never had to wait for it;
//  - a refused row, or a frame access outside the frame, writes nothing;
//  - the last event is the final write of the whole frame and no write is longer than it; a
//    fixed-length protocol's frame has the row's Length, an ID without a protocol sends exactly
//    Length zero bytes.
//
// Input layout (missing bytes read as 0):
//   byte   protocol: below 0xF0, (byte % 60) - 2; else a 32-bit ID follows
//   byte   a: bits 0-1 row ID (3: another ID), 2-3 Length, 4-5 BaseAddress, 6-7 code kind
//   byte   b: bit 0 no command field, bit 1 32-bit camera, bit 2 an unrelated row first,
//          bits 3-7 the command name (an index into kNames, or text that follows)
//   then the values that a and b call for, in the order read below.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.hpp"
#include "kavro/decoder.hpp"
#include "kavro/host_error.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "ptz/decoder_protocols.hpp"

namespace {

using kavro::fuzz::Input;
using kavro::fuzz::integerOrText;

using kavro::Variant;

// The names that choose frames, and a few that only select a field.
const char* const kNames[] = {"Up",          "Down",     "Left",         "Right",    "UpStop",
                              "Stop",        "Auto",     "AutoStop",     "Autostop", "Heat",
                              "Wipe",        "Light",    "Power",        "IrisInc",  "IrisDec",
                              "IrisIncStop", "FocusInc", "FocusIncStop", "ZoomInc",  "ZoomDec",
                              "ZoomIncStop", "LeftStop", "FocusDecStop", "Aut",      "",
                              "ID",          "Length",   "BaseAddress",  "Wiper",    "PowerOff"};
constexpr std::size_t kNameCount = sizeof(kNames) / sizeof(kNames[0]);

[[noreturn]] void fail(const char* what, int protocol) {
    kavro::fuzz::fail("decoder", what, protocol);
}

void mustNotWait(std::chrono::milliseconds) {
    fail("the call waited for the busy flag", -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t selector = in.byte();
    const int protocol = selector < 0xF0 ? selector % 60 - 2 : in.i32();
    const std::uint8_t a = in.byte();
    const std::uint8_t b = in.byte();

    const int rowKind = a & 3;
    const std::int32_t rowId =
        rowKind == 3
            ? static_cast<std::int32_t>(static_cast<std::uint32_t>(protocol) + 1U + in.byte())
            : protocol;
    const int lengthKind = a >> 2 & 3;
    const Variant length = integerOrText(in, lengthKind, Variant(in.byte() % 67 - 2));
    const int baseKind = a >> 4 & 3;
    const Variant base =
        baseKind == 1 ? Variant(in.i32())
                      : integerOrText(in, baseKind, Variant(static_cast<std::int8_t>(in.byte())));
    const int codeKind = a >> 6 & 3;
    const Variant code = integerOrText(in, codeKind, Variant(in.u32()));
    const std::int32_t camera = (b & 2) != 0 ? in.i32() : static_cast<std::int8_t>(in.byte());
    const std::size_t nameIndex = b >> 3;
    const std::string command = nameIndex < kNameCount ? kNames[nameIndex] : in.text();

    std::vector<std::string> columns = {"ID", "Length", "BaseAddress"};
    if ((b & 1) == 0) columns.push_back(command);
    kavro::MemoryRecordSet table(columns);
    if ((b & 4) != 0)
        table.addRow(
            {Variant(static_cast<long long>(rowId) + 1000), Variant(2), Variant(0), Variant(1)});
    table.addRow({Variant(rowId), length, base, code});

    kavro::RecordingLine line;
    std::uint8_t busyByte = 0;
    kavro::BusyFlag busy(busyByte, mustNotWait);
    bool sent = false;
    bool outOfFrame = false;
    try {
        sent = kavro::writeCommandToDecoder(line, busy, protocol, table, camera, command).sent();
    } catch (const kavro::DynArrayOutOfRange&) {
        outOfFrame = true;
    }
    if (busyByte != 0) fail("the busy flag was left set", protocol);

    const kavro::WireTrace& trace = line.trace();
    if (!sent || outOfFrame) {
        if (!trace.empty()) fail("a refused call wrote to the line", protocol);
    }

    const kavro::DecoderProtocol* p = kavro::findDecoderProtocol(protocol);
    const bool fixed = p != nullptr && p->frameLength != kavro::DecoderProtocol::kSetsOwnLength;
    if (outOfFrame) {
        // Only a fixed frame can be overrun, and only by a row shorter than it.
        if (!fixed || length.toInt32() >= p->frameLength)
            fail("unexpected out-of-frame access", protocol);
        return 0;
    }
    if (!sent) return 0;

    const std::int32_t rowLength = length.toInt32();
    if (fixed && rowLength < p->frameLength) fail("a short row was sent", protocol);
    if (trace.empty() || trace[trace.size() - 1].kind != kavro::WireTrace::Kind::Write) {
        fail("the call did not end with the final write", protocol);
    }
    const std::size_t frame = trace[trace.size() - 1].bytes.size();
    if ((p == nullptr || fixed) && frame != static_cast<std::size_t>(rowLength)) {
        fail("the final write is not the row's Length", protocol);
    }
    for (std::size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].kind == kavro::WireTrace::Kind::Write && trace[i].bytes.size() > frame) {
            fail("a write is longer than the frame", protocol);
        }
    }
    if (p == nullptr) {
        if (trace.size() != 1)
            fail("an ID without a protocol did more than the final write", protocol);
        for (std::uint8_t byte : trace[0].bytes) {
            if (byte != 0) fail("an ID without a protocol set a byte", protocol);
        }
    }
    return 0;
}
