#include "cli/tree_report.hpp"

#include <cstdio>

namespace kavro::cli {
namespace {

std::string entries(std::uint64_t n) {
    return std::to_string(n) + (n == 1 ? " entry" : " entries");
}

}  // namespace

std::string printablePath(std::string_view path) {
    std::string text;
    text.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\n':
                text += "\\n";
                break;
            case '\r':
                text += "\\r";
                break;
            case '\t':
                text += "\\t";
                break;
            case '\\':
                text += "\\\\";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char escaped[5];
                    std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
                    text += escaped;
                } else {
                    text += c;
                }
        }
    }
    return text;
}

void requireWalked(const TreeReport& report, const std::string& path) {
    const std::string shown = printablePath(path);
    switch (report.start) {
        case TreeStart::Walked:
            return;
        case TreeStart::NoPath:
            throw Failure("no directory named");
        case TreeStart::RootDirectory:
            throw Failure(shown + " is the root directory: refused");
        case TreeStart::DotOrDotDot:
            throw Failure(shown + " ends in '.' or '..': refused; name the directory itself");
        case TreeStart::Missing:
            throw Failure(shown + " does not exist");
        case TreeStart::Link:
            throw Failure(shown + " is a symbolic link: nothing deleted; name the directory " +
                          "it leads to");
        case TreeStart::NotADirectory:
            throw Failure(shown + " is not a directory");
        case TreeStart::Unreachable:
            throw Failure(shown + ": the directory above it cannot be opened");
    }
}

int finishRun(const TreeReport& report, const std::string& path) {
    requireWalked(report, path);
    const std::string shown = printablePath(path);
    const std::string removed = "removed " + entries(report.removed);
    if (report.keptCount() == 0) {
        std::fprintf(stderr, "kavro: %s: %s\n", shown.c_str(), removed.c_str());
        return kExitOk;
    }
    std::string reasons;
    for (std::size_t r = 0; r < kKeptReasonCount; ++r) {
        if (report.kept[r] == 0) continue;
        if (!reasons.empty()) reasons += ", ";
        reasons +=
            std::to_string(report.kept[r]) + " " + keptReasonText(static_cast<KeptReason>(r));
    }
    throw Failure(shown + ": " + removed + ", kept " + entries(report.keptCount()) + " (" +
                  reasons + "); first kept: " + printablePath(report.firstKept) + " (" +
                  keptReasonText(report.firstKeptReason) + ")");
}

}  // namespace kavro::cli
