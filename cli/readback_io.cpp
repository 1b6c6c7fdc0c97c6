#include "cli/readback_io.hpp"

#include <cctype>
#include <sstream>

#include "kavro/wire_trace.hpp"

namespace kavro::cli {
namespace {

bool isText(const std::string& content) {
    for (const char c : content) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || (u < 0x20 && c != '\n' && c != '\r' && c != '\t')) return false;
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits in pairs, between spaces, commas and 0x prefixes; false for anything else.
bool parseHex(std::string_view text, std::vector<std::uint8_t>& out) {
    int high = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
            high < 0) {
            ++i;
            continue;
        }
        const int d = hexDigit(c);
        if (d >= 0) {
            if (high < 0) {
                high = d;
            } else {
                out.push_back(static_cast<std::uint8_t>(high * 16 + d));
                high = -1;
            }
        } else if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ':') {
            if (high >= 0) return false;  // an odd digit
        } else {
            return false;
        }
    }
    return high < 0;
}

bool startsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

}  // namespace

std::vector<std::uint8_t> captureBytes(const std::string& content) {
    std::vector<std::uint8_t> bytes;
    if (isText(content)) {
        std::istringstream lines(content);
        std::string line;
        bool trace = true, any = false;
        while (trace && std::getline(lines, line)) {
            std::string_view l(line);
            while (!l.empty() && std::isspace(static_cast<unsigned char>(l.back())))
                l.remove_suffix(1);
            if (l.empty()) continue;
            any = true;
            if (startsWith(l, "write")) {
                trace = parseHex(l.substr(5), bytes);
            } else {
                trace = startsWith(l, "pause ") || startsWith(l, "parity ") ||
                        startsWith(l, "settings ");
            }
        }
        if (trace && any) return bytes;
        bytes.clear();
        if (parseHex(content, bytes) && !bytes.empty()) return bytes;
    }
    return {content.begin(), content.end()};
}

EncoderKind encoderKind(const CommandLine& line) {
    if (line.has("dome") && line.has("switch"))
        throw UsageError("give --dome or --switch, not both");
    if (line.has("dome")) return EncoderKind::Dome;
    if (line.has("switch")) return EncoderKind::Switcher;
    return EncoderKind::Decoder;
}

std::unique_ptr<OpenTable> tableFor(const CommandLine& line, EncoderKind kind) {
    if (kind == EncoderKind::Switcher) {
        if (line.has("db") || line.has("table"))
            throw UsageError("the switcher protocols read no table: --db and --table do not apply");
        return nullptr;
    }
    return std::make_unique<OpenTable>(openProtocolTable(
        line, true, kind == EncoderKind::Dome ? kDomeTableName : kDecoderTableName));
}

LineDecoder makeDecoder(EncoderKind kind, int protocolId, OpenTable* table) {
    try {
        return LineDecoder(kind, protocolId, table != nullptr ? table->set.get() : nullptr);
    } catch (const LineDecoderError& error) {
        throw Failure(error.what() +
                      (table != nullptr ? " in table " + table->name() : std::string()));
    } catch (const std::exception& error) {
        throw Failure("protocol " + std::to_string(protocolId) + ": " + error.what());
    }
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string itemLine(const DecodedItem& item, bool json, std::string_view prefix,
                     std::string_view jsonExtra) {
    const std::string hex = hexBytes(item.bytes);
    std::string out(prefix);
    if (json) {
        out += "{";
        out += jsonExtra;
        if (item.kind == DecodedItem::Kind::NoFrame) {
            out += "\"bytes\": " + jsonString(hex) + ", \"reason\": " + jsonString(item.reason);
            return out + ", \"offset\": " + std::to_string(item.offset) + "}";
        }
        if (item.kind == DecodedItem::Kind::Connection) {
            out += "\"first\": " + std::to_string(item.first) +
                   ", \"second\": " + std::to_string(item.second);
        } else {
            out += "\"camera\": " + (item.camera ? std::to_string(*item.camera) : "null");
            out += ", \"commands\": [";
            for (std::size_t i = 0; i < item.commands.size(); ++i)
                out += (i > 0 ? ", " : "") + jsonString(item.commands[i]);
            out += "]";
            if (item.parameter) out += ", \"parameter\": " + std::to_string(*item.parameter);
            if (item.speed) out += ", \"speed\": " + std::to_string(*item.speed);
        }
        out += ", \"certainty\": " + jsonString(certaintyName(item.certainty));
        out += ", \"frames\": " + std::to_string(item.frames);
        if (!item.complete()) out += ", \"expectedFrames\": " + std::to_string(item.expectedFrames);
        out += ", \"bytes\": " + jsonString(hex) + ", \"offset\": " + std::to_string(item.offset);
        return out + "}";
    }
    if (item.kind == DecodedItem::Kind::NoFrame)
        return out + "?? " + hex + "  " + std::string(item.reason);
    if (item.kind == DecodedItem::Kind::Connection) {
        out += "connect " + std::to_string(item.first) + " -> " + std::to_string(item.second);
    } else {
        if (item.camera) out += "camera " + std::to_string(*item.camera) + "  ";
        for (std::size_t i = 0; i < item.commands.size(); ++i)
            out += (i > 0 ? ", " : "") + std::string(item.commands[i]);
        if (item.parameter) out += "  parameter " + std::to_string(*item.parameter);
        if (item.speed) out += "  speed " + std::to_string(*item.speed);
    }
    if (!item.complete()) {
        out += "  (" + std::to_string(item.frames) + " of " + std::to_string(item.expectedFrames) +
               " frames)";
    }
    if (item.certainty == Certainty::FixedBytes) out += "  [fixed bytes only]";
    if (item.certainty == Certainty::None) out += "  [unchecked]";
    return out;
}

}  // namespace kavro::cli
