#include "tests/support/readback_fixture.hpp"

#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/host_error.hpp"
#include "kavro/switcher.hpp"
#include "ptz/decoder_protocols.hpp"
#include "ptz/dome_protocols.hpp"

namespace kavro::test {

const std::vector<std::string>& commandFieldNames() {
    static const std::vector<std::string> names = {
        "Up",        "UpStop",       "Down",      "DownStop",     "Left",      "LeftStop",
        "Right",     "RightStop",    "ZoomInc",   "ZoomIncStop",  "ZoomDec",   "ZoomDecStop",
        "FocusInc",  "FocusIncStop", "FocusDec",  "FocusDecStop", "IrisInc",   "IrisIncStop",
        "IrisDec",   "IrisDecStop",  "Stop",      "Auto",         "AutoStop",  "Wipe",
        "WipeStop",  "Heat",         "HeatStop",  "Light",        "LightStop", "Power",
        "PowerStop", "GotoPreset",   "SetPreset", "Scan",         "ScanStop"};
    return names;
}

std::uint32_t distinctCode(std::size_t field) {
    const auto j = static_cast<std::uint32_t>(field);
    std::uint32_t code = ((0x40 + j) << 8) | (0x10 + j);
    if (j % 2 == 0) code |= ((0xC0 + j) << 24) | ((0x80 + j) << 16);
    if (j == 0) code = (code & 0x00FFFFFF) | 0x01000000;  // C3 = 1: protocol 14's two frames
    return code;
}

std::unique_ptr<MemoryRecordSet> distinctCodeTable(EncoderKind kind, int protocol) {
    std::vector<std::string> columns = {"ID",       "Length",  "BaseAddress",
                                        "StayTime", "Slowest", "Fastest"};
    int length = 0;
    if (kind == EncoderKind::Dome) {
        if (const DomeProtocol* p = findDomeProtocol(protocol)) length = p->frameLength;
    } else if (const DecoderProtocol* p = findDecoderProtocol(protocol)) {
        length = p->frameLength;
    }
    if (length == 0) length = 26;  // a layout that sizes its own frame
    std::vector<Variant> row;
    for (const int value : {protocol, length, 0, 5, 0, 63})
        row.emplace_back(value);
    const auto& names = commandFieldNames();
    for (std::size_t j = 0; j < names.size(); ++j) {
        columns.push_back(names[j]);
        row.push_back(Variant(static_cast<double>(distinctCode(j))));
    }
    auto table = std::make_unique<MemoryRecordSet>(columns);
    table->addRow(row);
    return table;
}

std::vector<std::uint8_t> encodedBytes(EncoderKind kind, RecordSet* table, int protocol,
                                       const std::string& command, std::int32_t camera,
                                       std::int32_t parameter, std::int32_t speed) {
    WireTrace script;
    try {
        if (kind == EncoderKind::Switcher) {
            encodeSwitchCommand(protocol, camera, parameter, script);
        } else if (kind == EncoderKind::Dome) {
            encodeDomeCommand(*table, protocol, camera, command, speed, parameter, script);
        } else {
            encodeDecoderCommand(*table, protocol, camera, command, script);
        }
    } catch (const DynArrayOutOfRange&) {
        return {};
    }
    return script.writtenBytes();
}

std::vector<Item> decodeAll(LineDecoder& decoder, const std::vector<std::uint8_t>& bytes,
                            std::size_t chunk) {
    std::vector<Item> items;
    auto keep = [&](const DecodedItem& d) {
        Item item{d.kind,
                  d.offset,
                  {d.bytes.begin(), d.bytes.end()},
                  {d.commands.begin(), d.commands.end()},
                  d.camera,
                  d.parameter,
                  d.speed,
                  d.first,
                  d.second,
                  d.certainty,
                  d.frames,
                  d.expectedFrames,
                  std::string(d.reason)};
        items.push_back(std::move(item));
    };
    for (std::size_t i = 0; i < bytes.size(); i += chunk) {
        const std::size_t n = std::min(chunk, bytes.size() - i);
        decoder.feed({bytes.data() + i, n}, keep);
    }
    decoder.finish(keep);
    return items;
}

}  // namespace kavro::test
