#include "cli/send_warnings.hpp"

#include <array>
#include <cstdio>
#include <functional>
#include <optional>

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/host_error.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/protocol_layouts.hpp"
#include "kavro/switcher.hpp"

namespace kavro::cli {
namespace {

// The values a probe tries, from 0 up: enough for every address, parameter and channel width
// the frames have (one byte, two bytes, a few decimal digits).
constexpr std::int64_t kProbeRange = 65536;

// The script of a call with one argument changed, as text (events and bytes alike); empty when
// the encoder refuses that value.
using Encode = std::function<std::optional<std::string>(std::int32_t)>;

// The smallest value v from `from` up (kProbeRange of them) whose script equals that of value,
// when it is not value itself: what value goes out as.
std::optional<std::int64_t> goesOutAs(std::int64_t value, std::int64_t from, const Encode& encode) {
    const std::optional<std::string> wanted = encode(static_cast<std::int32_t>(value));
    if (!wanted) return std::nullopt;
    for (std::int64_t v = from; v < from + kProbeRange; ++v) {
        if (v == value) return std::nullopt;
        if (v < INT32_MIN || v > INT32_MAX) continue;
        if (encode(static_cast<std::int32_t>(v)) == wanted) return v;
    }
    return std::nullopt;
}

// True when the script is the same whatever the value: the frame does not carry it.
bool carriesNothing(const Encode& encode) {
    const auto a = encode(0), b = encode(1), c = encode(255);
    return a && a == b && a == c;
}

// The located row alone, in memory, so that the probes do not query the host's table again.
std::unique_ptr<MemoryRecordSet> snapshotOfRow(RecordSet& table) {
    const std::vector<std::string> names = table.fieldNames();
    std::vector<Variant> values;
    values.reserve(names.size());
    for (const std::string& name : names)
        values.push_back(table.fieldByName(name).value());
    auto row = std::make_unique<MemoryRecordSet>(names);
    row->addRow(std::move(values));
    return row;
}

std::optional<std::int32_t> baseAddressOf(RecordSet& row) {
    try {
        return row.fieldByName("BaseAddress").value().toInt32();
    } catch (const HostError&) {
        return std::nullopt;
    }
}

constexpr std::array<const char*, 6> kRowColumns = {"ID",       "Length",  "BaseAddress",
                                                    "StayTime", "Slowest", "Fastest"};

void warnRowColumn(const SendWarnings& out, const std::string& command) {
    for (const char* column : kRowColumns) {
        if (sameFieldName(command, column)) {
            out.warn("'" + command + "' is the row's " + column +
                     " column, not a command: its value goes out as the command code");
        }
    }
}

void warnCamera(const SendWarnings& out, RecordSet& row, std::int32_t protocol, std::int32_t camera,
                const Encode& encode) {
    const std::optional<std::int32_t> base = baseAddressOf(row);
    if (!base) return;
    const std::string subject = "protocol " + std::to_string(protocol) + "'s frame";
    if (carriesNothing(encode)) {
        if (camera != 0) {
            out.warn(subject + " carries no address: camera " + std::to_string(camera) +
                     " is not sent");
        }
        return;
    }
    // Wire addresses from 0 up, as cameras.
    const std::optional<std::int64_t> alias = goesOutAs(camera, -std::int64_t{*base}, encode);
    if (!alias) return;
    out.warn("camera " + std::to_string(camera) + " (wire address " +
             std::to_string(std::int64_t{camera} + *base) + ") does not fit " + subject +
             ": it goes out as camera " + std::to_string(*alias) + " (wire address " +
             std::to_string(*alias + *base) + ")");
}

std::optional<std::string> scriptText(const SendResult& result, const WireTrace& script) {
    if (!result.sent()) return std::nullopt;
    return script.text();
}

// A frame too short for the layout raises; such a call gets the tool's error, not a warning.
template <class Body>
void unlessTooShort(Body&& body) {
    try {
        body();
    } catch (const DynArrayOutOfRange&) {
    }
}

}  // namespace

void SendWarnings::warn(const std::string& text) const {
    if (!quiet_) std::fprintf(stderr, "kavro: warning: %s\n", text.c_str());
}

void warnDecoderSend(const SendWarnings& out, RecordSet& table, std::int32_t protocol,
                     std::int32_t camera, const std::string& command) {
    unlessTooShort([&] {
        WireTrace script;
        if (!encodeDecoderCommand(table, protocol, camera, command, script).sent()) return;
        if (!decoderLayoutSummary(protocol)) {
            out.warn("protocol " + std::to_string(protocol) +
                     " has no decoder layout: the frame goes out as the row's Length of zero "
                     "bytes");
            return;
        }
        warnRowColumn(out, command);
        const auto row = snapshotOfRow(table);
        warnCamera(out, *row, protocol, camera, [&](std::int32_t c) {
            WireTrace s;
            return scriptText(encodeDecoderCommand(*row, protocol, c, command, s), s);
        });
    });
}

void warnDomeSend(const SendWarnings& out, RecordSet& table, const DomeArguments& call,
                  const std::string& command) {
    unlessTooShort([&] {
        WireTrace script;
        if (!encodeDomeCommand(table, call.protocol, call.camera, command, call.speed, call.param,
                               script)
                 .sent())
            return;
        if (!domeLayoutSummary(call.protocol)) {
            out.warn("protocol " + std::to_string(call.protocol) +
                     " has no dome layout: the frame goes out as the row's Length of zero bytes");
            return;
        }
        warnRowColumn(out, command);
        const auto row = snapshotOfRow(table);
        const auto dome = [&](std::int32_t camera, std::int32_t speed, std::int32_t param) {
            WireTrace s;
            return scriptText(
                encodeDomeCommand(*row, call.protocol, camera, command, speed, param, s), s);
        };
        warnCamera(out, *row, call.protocol, call.camera,
                   [&](std::int32_t c) { return dome(c, call.speed, call.param); });

        const std::string frame =
            "protocol " + std::to_string(call.protocol) + "'s " + command + " frame";
        const Encode byParam = [&](std::int32_t p) { return dome(call.camera, call.speed, p); };
        if (call.paramGiven) {
            if (carriesNothing(byParam)) {
                if (call.param != 0) {
                    out.warn(frame + " carries no parameter: --param " +
                             std::to_string(call.param) + " is not sent");
                }
            } else if (const auto alias = goesOutAs(call.param, 0, byParam)) {
                out.warn("--param " + std::to_string(call.param) + " does not fit " + frame +
                         ": it goes out as " + std::to_string(*alias));
            }
        }
        if (call.speedGiven &&
            dome(call.camera, 0, call.param) == dome(call.camera, 10, call.param) &&
            dome(call.camera, call.speed, call.param) == dome(call.camera, 0, call.param)) {
            out.warn(
                "--speed has no effect on " + frame +
                " (the speed goes out only in the scan frames of protocols 18, 20, 41 and 49)");
        }
    });
}

void warnSwitchSend(const SendWarnings& out, std::int32_t protocol, std::int32_t first,
                    std::int32_t second) {
    const std::optional<ChannelRange> range = switchChannelRange(protocol);
    if (!range) return;
    const auto encode = [&](std::int32_t a, std::int32_t b) -> std::optional<std::string> {
        WireTrace s;
        if (!encodeSwitchCommand(protocol, a, b, s)) return std::nullopt;
        return s.text();
    };
    const auto check = [&](const char* what, std::int32_t value, const Encode& byValue) {
        if (value >= range->lowest && value <= range->highest) return;
        std::string text = std::string(what) + " " + std::to_string(value) + " is outside the " +
                           std::to_string(range->lowest) + " to " + std::to_string(range->highest) +
                           " that switcher protocol " + std::to_string(protocol) +
                           "'s frame carries";
        if (const auto alias = goesOutAs(value, range->lowest, byValue))
            text += ": it goes out as " + std::to_string(*alias);
        else
            text += ": it goes out cut to what the frame holds";
        out.warn(text);
    };
    check("FIRST", first, [&](std::int32_t v) { return encode(v, second); });
    check("SECOND", second, [&](std::int32_t v) { return encode(first, v); });
}

}  // namespace kavro::cli
