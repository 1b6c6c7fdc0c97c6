// kavro decode: name the commands in captured bytes.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "cli/command.hpp"
#include "cli/readback_io.hpp"

namespace kavro::cli {
namespace {

std::string readAll(const CommandLine& line) {
    if (line.positional().size() > 1) throw UsageError("give at most one FILE");
    if (line.positional().empty() || line.positional()[0] == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        return all.str();
    }
    const std::string& path = line.positional()[0];
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> inputBytes(const CommandLine& line) {
    const std::string content = readAll(line);
    if (line.has("raw")) return {content.begin(), content.end()};
    return captureBytes(content);
}

// The IDs of the table's rows, in row order.
std::vector<int> rowIds(RecordSet& table) {
    std::vector<int> ids;
    for (table.first(); !table.eof(); table.next()) {
        try {
            ids.push_back(table.fieldByName("ID").asInteger());
        } catch (const std::exception&) {
        }
    }
    return ids;
}

// --protocol auto: every row's decoder over the whole capture; the protocols whose frames the
// bytes are come first.
int runAuto(EncoderKind kind, OpenTable* table, const std::vector<std::uint8_t>& bytes, bool json) {
    struct Score {
        int id;
        std::uint64_t commands = 0, recognised = 0;
        Certainty certainty;
    };
    std::vector<Score> scores;
    const std::vector<int> ids =
        kind == EncoderKind::Switcher ? std::vector<int>{4, 15, 28} : rowIds(*table->set);
    for (const int id : ids) {
        std::unique_ptr<LineDecoder> decoder;
        try {
            decoder = std::make_unique<LineDecoder>(kind, id,
                                                    table != nullptr ? table->set.get() : nullptr);
        } catch (const std::exception&) {
            continue;  // a row this encoder has no layout for, or one that does not read
        }
        Score score{id, 0, 0, decoder->certainty()};
        auto count = [&](const DecodedItem& item) {
            if (item.kind == DecodedItem::Kind::NoFrame || !item.complete()) return;
            ++score.commands;
            score.recognised += item.bytes.size();
        };
        decoder->feed(bytes, count);
        decoder->finish(count);
        if (score.commands > 0) scores.push_back(score);
    }
    std::stable_sort(scores.begin(), scores.end(), [](const Score& a, const Score& b) {
        if (a.recognised != b.recognised) return a.recognised > b.recognised;
        return static_cast<int>(a.certainty) < static_cast<int>(b.certainty);
    });
    for (const Score& s : scores) {
        if (json) {
            std::printf(
                "{\"protocol\": %d, \"commands\": %llu, \"recognisedBytes\": %llu, "
                "\"bytes\": %zu, \"certainty\": %s}\n",
                s.id, static_cast<unsigned long long>(s.commands),
                static_cast<unsigned long long>(s.recognised), bytes.size(),
                jsonString(certaintyName(s.certainty)).c_str());
        } else {
            std::printf("protocol %d  %llu command%s, %llu of %zu bytes  (%s)\n", s.id,
                        static_cast<unsigned long long>(s.commands), s.commands == 1 ? "" : "s",
                        static_cast<unsigned long long>(s.recognised), bytes.size(),
                        std::string(certaintyName(s.certainty)).c_str());
        }
    }
    if (scores.empty()) throw Failure("no protocol of the table names any of these bytes");
    return kExitOk;
}

int runDecode(const CommandLine& line) {
    const EncoderKind kind = encoderKind(line);
    const std::string protocol = line.valueOr("protocol", "");
    if (protocol.empty()) throw UsageError("--protocol is required (an ID, or auto)");
    const bool json = line.has("json");
    std::unique_ptr<OpenTable> table = tableFor(line, kind);
    const std::vector<std::uint8_t> bytes = inputBytes(line);
    if (protocol == "auto") return runAuto(kind, table.get(), bytes, json);

    LineDecoder decoder = makeDecoder(kind, parseInteger(protocol, "--protocol"), table.get());
    std::string out;
    auto print = [&](const DecodedItem& item) {
        out = itemLine(item, json);
        out += '\n';
        std::fwrite(out.data(), 1, out.size(), stdout);
    };
    decoder.feed(bytes, print);
    decoder.finish(print);
    return kExitOk;
}

const Command& decodeCommand() {
    static const Command command{
        "decode",
        "decode [--db PATH] [--table NAME] --protocol ID|auto [--dome|--switch] [--json] [FILE]",
        "Names the commands in captured bytes: each frame that the protocol's encoder sends for\n"
        "a command of the table's row, read back with its camera (the wire address less\n"
        "BaseAddress), and every run of bytes that is no frame, with why. Commands sent as\n"
        "several frames (repeats, two-frame sequences, scans) come back as one line.\n"
        "\n"
        "  FILE              the capture (default: stdin): raw bytes, the wire trace that\n"
        "                    kavro decoder, dome and switch print (write HH ...), or hex text\n"
        "  --raw             take FILE as raw bytes even when it reads as hex or a trace\n"
        "  --db PATH         SQLite database holding the protocol table\n"
        "                    (default: the bundled table)\n"
        "  --table NAME      the protocol table (default: Protocol; DomeProtocol with --dome)\n"
        "  --protocol ID     the protocol's ID; auto tries every row of the table and lists\n"
        "                    those whose frames the bytes are, most bytes recognised first\n"
        "  --dome            read the dome encoder's frames (parameter and speed level too)\n"
        "  --switch          read a matrix switcher's frames (protocol 4, 15 or 28; no table)\n"
        "  --json            one JSON object a line: {\"camera\": 3, \"commands\": [\"Up\"], "
        "...},\n"
        "                    {\"first\": 12, \"second\": 5, ...}, {\"bytes\": \"FF ...\", "
        "\"reason\": ...}\n"
        "\n"
        "Lines: 'camera 3  Up', 'connect 12 -> 5', '?? FF 01 00 08 00 20 2A  bad checksum'.\n"
        "Several names when codes collide. A match is as sure as its layout: [fixed bytes only]\n"
        "marks layouts without a checksum, [unchecked] those whose every byte is address or\n"
        "code (two bytes: address, code), which random bytes match often.\n"
        "\n"
        "Example:\n"
        "  kavro decoder --protocol 7 --camera 3 Up | kavro decode --protocol 7\n",
        {kDbOption,
         kTableOption,
         {"protocol", true},
         {"dome", false},
         {"switch", false},
         {"json", false},
         {"raw", false}},
        runDecode,
    };
    return command;
}

const CommandRegistration registration{decodeCommand};

}  // namespace
}  // namespace kavro::cli
