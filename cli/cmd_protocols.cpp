// kavro protocols: a protocol table's rows beside the frames they drive.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>

#include "cli/command.hpp"
#include "cli/protocol_table.hpp"
#include "kavro/decoder_table_check.hpp"
#include "kavro/host_error.hpp"
#include "kavro/protocol_layouts.hpp"

namespace kavro::cli {
namespace {

struct Line {
    std::string id, length, frame, layout, commands;
};

// The frame length a row must give the layout, or "own" for a layout that sizes its frame
// itself (its shape says how long).
std::string frameText(const std::optional<LayoutSummary>& layout) {
    if (!layout) return "-";
    return layout->frameLength == 0 ? "own" : std::to_string(layout->frameLength);
}

std::string layoutText(const std::optional<LayoutSummary>& layout, const char* encoder) {
    if (!layout) return std::string("no ") + encoder + " layout: the frame goes out unset";
    return std::string(layout->shape);
}

// The coded commands, a command and its Stop form written once as "Up[Stop]".
std::string commandsText(const std::vector<std::string>& commands) {
    if (commands.empty()) return "none";
    const std::set<std::string> coded(commands.begin(), commands.end());
    std::string text;
    for (const std::string& command : commands) {
        const bool isStopForm = command.size() > 4 && command.ends_with("Stop") &&
                                coded.count(command.substr(0, command.size() - 4)) != 0;
        if (isStopForm) continue;
        text += text.empty() ? "" : " ";
        text += command;
        if (coded.count(command + "Stop") != 0) text += "[Stop]";
    }
    return text;
}

std::string numberText(const std::optional<std::int32_t>& value) {
    return value ? std::to_string(*value) : "?";
}

int runProtocols(const CommandLine& line) {
    if (!line.positional().empty()) throw UsageError("takes no arguments");
    const bool dome = line.has("dome");
    OpenTable table = openProtocolTable(line, true, dome ? kDomeTableName : kDecoderTableName);
    std::vector<ProtocolRowSummary> rows;
    try {
        rows = listProtocolTable(*table.set);
    } catch (const HostError& error) {
        throw Failure("cannot read table " + table.name() + " of " + table.path + ": " +
                      error.what());
    }
    const char* encoder = dome ? "dome" : "decoder";
    std::printf("table %s of %s, against the %s layouts\n", table.name().c_str(),
                table.path.c_str(), encoder);
    std::vector<Line> lines{{"ID", "Length", "Frame", "Layout", "Commands with codes"}};
    std::size_t layoutWidth = 0;
    for (const ProtocolRowSummary& row : rows) {
        std::optional<LayoutSummary> layout;
        if (row.id) layout = dome ? domeLayoutSummary(*row.id) : decoderLayoutSummary(*row.id);
        lines.push_back({numberText(row.id), numberText(row.length), frameText(layout),
                         layoutText(layout, encoder), commandsText(row.codedCommands)});
        layoutWidth = std::max(layoutWidth, lines.back().layout.size());
    }
    for (const Line& l : lines) {
        std::printf("%4s %6s %5s  %-*s  %s\n", l.id.c_str(), l.length.c_str(), l.frame.c_str(),
                    static_cast<int>(layoutWidth), l.layout.c_str(), l.commands.c_str());
    }
    return kExitOk;
}

const Command& protocolsCommand() {
    static const Command command{
        "protocols",
        "protocols [--db PATH] [--table NAME] [--dome]",
        "Lists the rows of a protocol table, one line each: the ID, the row's Length, the frame\n"
        "length that the library's layout for that ID needs (own: the layout sizes its frame\n"
        "itself), the layout's frame in a few words, and the commands whose fields hold a code\n"
        "(X[Stop] stands for X and XStop). A row listing no commands sends nothing until its\n"
        "codes are filled in.\n"
        "'kavro table check' says whether the Lengths and codes are fit to use.\n"
        "\n"
        "  --db PATH         SQLite database holding the protocol table, or the\n"
        "                    postgresql://... URI of a PostgreSQL database\n"
        "                    (default: the bundled database)\n"
        "  --table NAME      the table (default: Protocol, or DomeProtocol with --dome in the\n"
        "                    bundled database)\n"
        "  --dome            show the dome layouts (kavro dome) instead of the decoder's\n"
        "\n"
        "Example:\n"
        "  kavro protocols --dome\n",
        {kDbOption, kTableOption, {"dome", false}},
        runProtocols,
    };
    return command;
}

const CommandRegistration registration{protocolsCommand};

}  // namespace
}  // namespace kavro::cli
