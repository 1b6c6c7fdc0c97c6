// The tree walk. It descends from the top with an explicit stack of frames, one per directory
// on the way down, so its call stack stays the same whatever the depth; it reaches every entry
// relative to the open directory that lists it, and removes a directory from its parent once
// the directory's own listing has ended.
//
// Descriptors. The directory above the top and the top itself stay open for the whole run (the
// top is never opened again by its path, and goes at the end by unlinkat() on that same
// parent); of the directories below, only the deepest ones on the way down keep their listing
// open. Going deeper closes the shallowest open one. Coming back up to a closed one opens it
// again from the child being left, through "..", and checks that it is the directory seen on
// the way down (device and inode); when it is not (something was moved), the walk tries to
// reach it again from the top, name by name, each step checked the same way, and failing that
// gives up the branch: nothing more is removed in it.
//
// A listing opened again starts from the beginning. What was removed is gone from it; what
// stayed (read-only, on another file system, not empty, ...) is still there. Each frame below
// the top therefore keeps the names of its entries that stayed and skips them in a listing
// opened again, so that nothing is descended into again for ever or counted twice. Memory so
// grows with the depth and with the entries that stayed, never with the entries removed: a
// listing's position cannot serve instead, as positions are not stable across listings on
// every file system, and keeping the names of everything listed would grow with the removals.
// The top's listing is never closed, so it needs no names, however many files a purge keeps.
#include "files/tree_walk.hpp"

#include <set>
#include <vector>

namespace kavro::files {

namespace {

// The directory above the top, the top, the deepest open listings, and one more while an
// ancestor is opened again: at most 32 descriptors.
constexpr std::size_t kMostDescriptors = 32;
constexpr std::size_t kListingsBelowTop = kMostDescriptors - 3;

KeptReason reasonFor(Status status) {
    switch (status) {
        case Status::ReadOnly:
            return KeptReason::ReadOnly;
        case Status::PermissionDenied:
            return KeptReason::PermissionDenied;
        case Status::MountPoint:
            return KeptReason::OtherFileSystem;
        case Status::NotEmpty:
            return KeptReason::NotEmpty;
        case Status::IsLink:
        case Status::NotADirectory:
        case Status::IsDirectory:
            return KeptReason::Moved;
        case Status::Done:
        case Status::Missing:
        case Status::OtherError:
            break;
    }
    return KeptReason::OtherError;
}

class TreeWalk {
  public:
    TreeWalk(FileSystem& fileSystem, TopEntryFilter* filter, const RemovalLog* log)
        : fileSystem_(fileSystem), filter_(filter), log_(log) {}

    void run(const std::string& path);
    // Something was thrown part-way (out of memory): what went stays gone; the rest is kept.
    void failed() { count(KeptReason::OtherError, path_); }
    TreeReport& report() { return report_; }

  private:
    struct Frame {
        std::string name;  // in the directory above
        FileIdentity identity;
        std::unique_ptr<Directory> directory;  // null while its listing is closed
        std::size_t pathLength = 0;            // of path_, while this is the deepest frame
        std::uint64_t stayedCount = 0;
        std::set<std::string, std::less<>> stayed;  // names, below the top only
        bool relisted = false;                      // its listing was opened again
        bool leftByChoice = false;                  // the filter kept entries of it
    };
    enum class Reopened { Same, ChildMoved, Lost };

    void walk();
    void handle(const char* name, EntryKind kind, bool switched);
    void enter(const char* name, bool switched);
    void removeFile(const char* name, bool switched);
    void removeUnlisted(Directory& parent, const char* name, Status openStatus);
    void push(const char* name, std::unique_ptr<Directory> child);
    void leave();
    Reopened reopenParent();
    bool reachFromTop(std::size_t target);
    void adopt(std::size_t index, std::unique_ptr<Directory> directory);
    void leaveTop(Directory& base, const std::string& name);
    void removeTop(Directory& base, const std::string& name, Status openStatus);

    // An entry of the deepest directory stayed, and is still there.
    void keep(const char* name, KeptReason reason);
    void count(KeptReason reason, const std::string& path);
    void removed(const char* name, bool isDirectory);
    const std::string& entryPath(const char* name);

    FileSystem& fileSystem_;
    TopEntryFilter* filter_;
    const RemovalLog* log_;
    TreeReport report_;
    bool counted_ = false;
    std::vector<Frame> frames_;
    std::size_t lowestOpen_ = 1;  // frames [lowestOpen_, size) below the top are open
    std::string path_;            // of the deepest frame
    std::string scratch_;
};

void TreeWalk::run(const std::string& path) {
    TopPath top = splitTopPath(path);
    report_.start = top.refusal;
    if (top.refusal != TreeStart::Walked) return;  // refused before any call
    path_ = top.shown;

    std::unique_ptr<Directory> base;
    const Status baseOpened = fileSystem_.openBase(top.parent, base);
    if (baseOpened != Status::Done) {
        const bool missing = baseOpened == Status::Missing || baseOpened == Status::NotADirectory;
        report_.start = missing ? TreeStart::Missing : TreeStart::Unreachable;
        return;
    }
    std::unique_ptr<Directory> directory;
    const Status opened = base->openChild(top.name.c_str(), directory);
    if (opened == Status::Missing) {
        report_.start = TreeStart::Missing;
        return;
    }
    if (opened == Status::IsLink) {
        report_.start = TreeStart::Link;
        return;
    }
    if (opened == Status::NotADirectory) {
        report_.start = TreeStart::NotADirectory;
        return;
    }
    report_.start = TreeStart::Walked;
    // Not to be listed, but it may be empty: the removal decides, as below the top.
    if (opened != Status::Done) return removeTop(*base, top.name, opened);
    if (fileSystem_.isRoot(directory->identity())) {
        report_.start = TreeStart::RootDirectory;  // a bind mount of the root, say
        return;
    }
    Frame frame;
    frame.name = top.name;
    frame.identity = directory->identity();
    frame.directory = std::move(directory);
    frame.pathLength = path_.size();
    frames_.push_back(std::move(frame));
    walk();
    leaveTop(*base, top.name);
}

void TreeWalk::walk() {
    DirectoryEntry entry;
    while (true) {
        Frame& frame = frames_.back();
        if (!frame.directory->next(entry)) {
            if (frames_.size() == 1) return;  // the top: removed last, from its parent
            leave();
            continue;
        }
        if (isDotEntry(entry.name)) continue;
        if (frame.relisted && frame.stayed.count(entry.name) != 0) continue;
        handle(entry.name, entry.kind, false);
    }
}

// `switched`: the entry was met as another kind than its listing said, so it was swapped
// during the walk; a second change of kind leaves it where it is.
void TreeWalk::handle(const char* name, EntryKind kind, bool switched) {
    if (frames_.size() == 1 && filter_ != nullptr &&
        !filter_->takes(*frames_.back().directory, DirectoryEntry{name, kind})) {
        frames_.back().leftByChoice = true;
        return;
    }
    if (kind == EntryKind::Directory) {
        enter(name, switched);
    } else {
        removeFile(name, switched);
    }
}

void TreeWalk::enter(const char* name, bool switched) {
    Directory& here = *frames_.back().directory;
    std::unique_ptr<Directory> child;
    const Status opened = here.openChild(name, child);
    if (opened == Status::Missing) return;  // gone since the listing
    if (opened == Status::IsLink || opened == Status::NotADirectory) {
        // Swapped for a link or a file since the listing: it goes as what it is now.
        if (switched) return keep(name, KeptReason::Moved);
        return handle(name, EntryKind::Other, true);
    }
    if (opened != Status::Done) return removeUnlisted(here, name, opened);
    if (!child->identity().sameFileSystem(frames_.front().identity)) {
        return keep(name, KeptReason::OtherFileSystem);
    }
    push(name, std::move(child));
}

void TreeWalk::removeFile(const char* name, bool switched) {
    const Status status = frames_.back().directory->removeFile(name);
    if (status == Status::Done) return removed(name, false);
    if (status == Status::Missing) return;
    if (status != Status::IsDirectory) return keep(name, reasonFor(status));
    // Swapped for a directory since the listing: it goes as one.
    if (switched) return keep(name, KeptReason::Moved);
    handle(name, EntryKind::Directory, true);
}

// A directory that cannot be listed (no read permission, say) may still be empty: the removal
// decides. When it fails, the reason the listing failed is the one that counts.
void TreeWalk::removeUnlisted(Directory& parent, const char* name, Status openStatus) {
    const Status status = parent.removeDirectory(name);
    if (status == Status::Done) return removed(name, true);
    if (status != Status::Missing) keep(name, reasonFor(openStatus));
}

void TreeWalk::push(const char* name, std::unique_ptr<Directory> child) {
    Frame frame;
    frame.name = name;
    frame.identity = child->identity();
    frame.directory = std::move(child);
    path_ += pathSeparator();
    path_ += frame.name;
    frame.pathLength = path_.size();
    frames_.push_back(std::move(frame));
    if (frames_.size() - lowestOpen_ > kListingsBelowTop) {
        frames_[lowestOpen_].directory.reset();
        ++lowestOpen_;
    }
}

// The deepest directory's listing has ended: remove it from its parent.
void TreeWalk::leave() {
    bool stillInParent = true;
    if (!frames_[frames_.size() - 2].directory) {
        const Reopened reopened = reopenParent();
        if (reopened == Reopened::Lost) return;
        stillInParent = reopened == Reopened::Same;
    }
    Frame leaving = std::move(frames_.back());
    frames_.pop_back();
    leaving.directory.reset();  // its listing ends before it goes
    path_.resize(frames_.back().pathLength);
    const char* name = leaving.name.c_str();
    if (!stillInParent) return count(KeptReason::Moved, entryPath(name));
    if (leaving.stayedCount > 0) return keep(name, KeptReason::NotEmpty);
    const Status status = frames_.back().directory->removeDirectory(name);
    if (status == Status::Done) return removed(name, true);
    if (status != Status::Missing) keep(name, reasonFor(status));
}

TreeWalk::Reopened TreeWalk::reopenParent() {
    const std::size_t parent = frames_.size() - 2;
    std::unique_ptr<Directory> up;
    if (frames_.back().directory->openParent(up) == Status::Done &&
        up->identity().sameFile(frames_[parent].identity)) {
        adopt(parent, std::move(up));
        return Reopened::Same;
    }
    // The directory being left is no longer in its parent: it was moved, and what is above
    // it now is not ours. Its old parent may still be where it was.
    return reachFromTop(parent) ? Reopened::ChildMoved : Reopened::Lost;
}

// Opens frame `target` again from the top, name by name. When a step does not lead to the
// directory seen on the way down, that directory was moved away: it and everything in it
// stay, and the walk goes on with the directory above it.
bool TreeWalk::reachFromTop(std::size_t target) {
    std::unique_ptr<Directory> reached;
    for (std::size_t k = 1; k <= target; ++k) {
        Directory& from = reached ? *reached : *frames_.front().directory;
        std::unique_ptr<Directory> step;
        if (from.openChild(frames_[k].name.c_str(), step) != Status::Done ||
            !step->identity().sameFile(frames_[k].identity)) {
            path_.resize(frames_[k].pathLength);
            count(KeptReason::Moved, path_);
            frames_.resize(k);
            if (k > 1) {
                adopt(k - 1, std::move(reached));
            } else {
                lowestOpen_ = 1;
            }
            path_.resize(frames_.back().pathLength);
            return false;
        }
        reached = std::move(step);
    }
    adopt(target, std::move(reached));
    return true;
}

void TreeWalk::adopt(std::size_t index, std::unique_ptr<Directory> directory) {
    Frame& frame = frames_[index];
    frame.directory = std::move(directory);
    frame.relisted = true;
    lowestOpen_ = index;
}

void TreeWalk::leaveTop(Directory& base, const std::string& name) {
    Frame top = std::move(frames_.front());
    frames_.clear();
    top.directory.reset();
    path_.resize(top.pathLength);
    if (top.stayedCount > 0) return count(KeptReason::NotEmpty, path_);
    if (top.leftByChoice) return;  // the purge kept files in it: it stays, as asked
    removeTop(base, name, Status::Done);
}

// The last step, on the parent opened first: never by the top's path, which may lead
// elsewhere by now. `openStatus` is why the top could not be listed, if it could not.
void TreeWalk::removeTop(Directory& base, const std::string& name, Status openStatus) {
    const Status status = base.removeDirectory(name.c_str());
    if (status == Status::Done) {
        ++report_.removed;
        if (log_ != nullptr) (*log_)(path_ + pathSeparator());
    } else if (status != Status::Missing) {
        count(reasonFor(openStatus == Status::Done ? status : openStatus), path_);
    }
}

void TreeWalk::keep(const char* name, KeptReason reason) {
    count(reason, entryPath(name));
    Frame& frame = frames_.back();
    ++frame.stayedCount;
    if (frames_.size() > 1) frame.stayed.emplace(name);
}

void TreeWalk::count(KeptReason reason, const std::string& path) {
    ++report_.kept[static_cast<std::size_t>(reason)];
    if (!counted_) {
        counted_ = true;
        report_.firstKept = path;
        report_.firstKeptReason = reason;
    }
}

void TreeWalk::removed(const char* name, bool isDirectory) {
    ++report_.removed;
    if (log_ == nullptr) return;
    std::string path = entryPath(name);
    if (isDirectory) path += pathSeparator();
    (*log_)(path);
}

const std::string& TreeWalk::entryPath(const char* name) {
    scratch_.assign(path_);
    scratch_ += pathSeparator();
    scratch_ += name;
    return scratch_;
}

}  // namespace

TreeReport removeTree(FileSystem& fileSystem, const std::string& path, TopEntryFilter* filter,
                      const RemovalLog* log) noexcept {
    TreeWalk walk(fileSystem, filter, log);
    try {
        walk.run(path);
    } catch (...) {
        walk.failed();
    }
    return std::move(walk.report());
}

}  // namespace kavro::files
