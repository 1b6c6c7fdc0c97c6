// Paths as POSIX writes them: "/" separates, and a path beginning with it starts at the root.
#include "files/tree_walk.hpp"

namespace kavro::files {

char pathSeparator() noexcept {
    return '/';
}

TopPath splitTopPath(const std::string& path) {
    TopPath top;
    if (path.empty()) {
        top.refusal = TreeStart::NoPath;
        return top;
    }
    // A path of nothing but separators, "." and "..", starting at the root, is the root.
    bool onlyRoot = path.front() == '/';
    for (std::size_t start = 0; onlyRoot && start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string_view part(path.data() + start, end - start);
        onlyRoot = part.empty() || part == "." || part == "..";
        start = end + 1;
    }
    if (onlyRoot) {
        top.refusal = TreeStart::RootDirectory;
        return top;
    }
    std::string shown = path;
    while (shown.size() > 1 && shown.back() == '/')
        shown.pop_back();
    const std::size_t slash = shown.rfind('/');
    if (slash == std::string::npos) {
        top.parent = ".";
        top.name = shown;
    } else {
        top.name = shown.substr(slash + 1);
        top.parent = shown.substr(0, slash);
        while (!top.parent.empty() && top.parent.back() == '/')
            top.parent.pop_back();
        if (top.parent.empty()) top.parent = "/";
    }
    if (top.name == "." || top.name == "..") {
        top.refusal = TreeStart::DotOrDotDot;
        return top;
    }
    top.shown = std::move(shown);
    return top;
}

}  // namespace kavro::files
