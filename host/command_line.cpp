#include "kavro/applications.hpp"

namespace kavro {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    const std::size_t n = line.size();
    while (pos < n && isBlank(line[pos]))
        ++pos;
    if (pos == n) return words;

    // The program: a path, whose backslashes are directory separators and never escapes.
    if (line[pos] == '"') {
        const std::size_t close = line.find('"', pos + 1);
        const std::size_t end = close == std::string_view::npos ? n : close;
        words.emplace_back(line.substr(pos + 1, end - pos - 1));
        pos = close == std::string_view::npos ? n : close + 1;
    } else {
        std::size_t end = pos;
        while (end < n && !isBlank(line[end]))
            ++end;
        words.emplace_back(line.substr(pos, end - pos));
        pos = end;
    }

    while (true) {
        while (pos < n && isBlank(line[pos]))
            ++pos;
        if (pos == n) break;
        std::string word;
        bool quoted = false;
        while (pos < n && (quoted || !isBlank(line[pos]))) {
            const char c = line[pos];
            if (c == '\\') {
                std::size_t run = 0;
                while (pos + run < n && line[pos + run] == '\\')
                    ++run;
                if (pos + run < n && line[pos + run] == '"') {
                    word.append(run / 2, '\\');
                    pos += run;
                    if (run % 2 == 1) {  // an escaped quote
                        word.push_back('"');
                        ++pos;
                    }
                } else {
                    word.append(run, '\\');
                    pos += run;
                }
            } else if (c == '"') {
                if (quoted && pos + 1 < n && line[pos + 1] == '"') {
                    word.push_back('"');
                    pos += 2;
                } else {
                    quoted = !quoted;
                    ++pos;
                }
            } else {
                word.push_back(c);
                ++pos;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace kavro
