// Paths as Windows writes them. "\" separates ("/" is read as one too, and entries' paths are
// joined with "\"). A path may begin with a root of its own kind:
//
//   C:\dir      a drive's root            C:dir       relative to drive C's current directory
//   \dir        the current drive's root  dir         relative to the current directory
//   \\server\share\dir                    \\?\C:\dir, \\?\UNC\server\share\dir, \\.\X\dir
//
// A path that is nothing but such a root, separators, "." and ".." names a root: refused.
#include "files/tree_walk.hpp"

namespace kavro::files {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The end of one component starting at `at`.
std::size_t componentEnd(const std::string& path, std::size_t at) {
    while (at < path.size() && !isSeparator(path[at]))
        ++at;
    return at;
}

std::size_t separatorsEnd(const std::string& path, std::size_t at) {
    while (at < path.size() && isSeparator(path[at]))
        ++at;
    return at;
}

struct Root {
    std::size_t length = 0;  // of the root part, its separators included
    bool absolute = false;   // it names a root directory (not a current directory)
    bool driveRelative = false;
};

Root rootOf(const std::string& path) {
    Root root;
    const std::size_t n = path.size();
    if (n >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        root.absolute = true;
        std::size_t at = 2;
        if (at + 1 < n && (path[at] == '?' || path[at] == '.') && isSeparator(path[at + 1])) {
            // \\?\ and \\.\: a device or volume name follows, or UNC\server\share.
            at += 2;
            const std::size_t end = componentEnd(path, at);
            const bool unc = path.compare(at, end - at, "UNC") == 0;
            at = separatorsEnd(path, end);
            if (unc)
                at = separatorsEnd(path,
                                   componentEnd(path, separatorsEnd(path, componentEnd(path, at))));
        } else {
            // \\server\share
            at = separatorsEnd(path, componentEnd(path, at));
            at = separatorsEnd(path, componentEnd(path, at));
        }
        root.length = at;
    } else if (n >= 2 && isDriveLetter(path[0]) && path[1] == ':') {
        root.absolute = n > 2 && isSeparator(path[2]);
        root.driveRelative = !root.absolute;
        root.length = root.absolute ? separatorsEnd(path, 2) : 2;
    } else if (n >= 1 && isSeparator(path[0])) {
        root.absolute = true;
        root.length = separatorsEnd(path, 0);
    }
    return root;
}

}  // namespace

char pathSeparator() noexcept {
    return '\\';
}

TopPath splitTopPath(const std::string& path) {
    TopPath top;
    if (path.empty()) {
        top.refusal = TreeStart::NoPath;
        return top;
    }
    const Root root = rootOf(path);
    bool onlyDots = true;
    std::string_view last;
    for (std::size_t start = root.length; start < path.size();) {
        const std::size_t end = componentEnd(path, start);
        const std::string_view part(path.data() + start, end - start);
        if (!part.empty()) last = part;
        onlyDots = onlyDots && (part.empty() || part == "." || part == "..");
        start = end + 1;
    }
    if (onlyDots && root.absolute) {
        top.refusal = TreeStart::RootDirectory;
        return top;
    }
    if (last.empty() || last == "." || last == "..") {
        top.refusal = TreeStart::DotOrDotDot;  // "C:" alone is drive C's current directory
        return top;
    }
    std::string shown = path;
    while (shown.size() > root.length && isSeparator(shown.back()))
        shown.pop_back();
    std::size_t cut = shown.size();
    while (cut > root.length && !isSeparator(shown[cut - 1]))
        --cut;
    top.name = shown.substr(cut);
    std::size_t parentEnd = cut;
    while (parentEnd > root.length && isSeparator(shown[parentEnd - 1]))
        --parentEnd;
    if (parentEnd > root.length) {
        top.parent = shown.substr(0, parentEnd);
    } else if (root.driveRelative) {
        top.parent = shown.substr(0, 2) + ".";  // C:. , so that joining a name stays on C:
    } else if (root.length == 0) {
        top.parent = ".";
    } else {
        top.parent = shown.substr(0, root.length);
        if (!isSeparator(top.parent.back())) top.parent += '\\';  // \\server\share\ .
    }
    top.shown = std::move(shown);
    return top;
}

}  // namespace kavro::files
