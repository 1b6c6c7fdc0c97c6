// Deleting directory trees and purging expired dated files.
//
// Both walk the directory named and never reach outside it:
//  - the directory named is opened from the directory above it without following a link: a
//    link there (with or without a trailing "/") is neither followed nor removed;
//  - the root directory, however written or reached, and a path whose last component is "."
//    or ".." are refused before anything is touched; an empty path does nothing;
//  - every entry is reached relative to its open parent, never by path: a link inside the tree
//    is removed as a link, and an entry swapped for one during the walk goes as the link;
//  - the walk stays on one file system: a mount inside the tree (a bind mount too) is left in
//    place with everything under it;
//  - it is not recursive and holds at most 32 descriptors, whatever the depth of the tree; an
//    ancestor it had to close is opened again and checked to be the same directory, and a
//    part of the tree moved away during the walk is not followed;
//  - a file whose owner has no write permission is read-only and stays, with every directory
//    above it, whoever runs the call (root included); hidden (dot) files are entries like any
//    other. Whatever the system refuses stays too.
// The result counts what went and what stayed, and why.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kavro/local_clock.hpp"

namespace kavro {

// Keep periods in days per type letter of a dated file name. 0 keeps that type for ever; a
// negative count also takes files dated up to that many days in the future.
struct RetentionDays {
    std::int8_t s = 0;
    std::int8_t j = 0;
    std::int8_t y = 0;
    std::int8_t b = 0;
    std::int8_t t = 0;
};

// The host's keep-period record: one signed byte each at offsets 40 (S), 42 (J), 44 (Y),
// 46 (B) and 48 (T); the record's other bytes are the host's and are not read.
RetentionDays retentionDaysFromHostRecord(const void* record) noexcept;

// Whether the purge removes a file of this name (the entry's name, without directory). The type
// letter is the name's 1st byte; for a name beginning with "C" its 6th, with "F" or "K" its
// 24th. B, J, S, T and Y (upper case only) take their keep period, anything else keeps the file.
// Bytes 8 to 15 are the file's date, YYYYMMDD; a file goes when that date plus its keep period
// is on or before today. A name too short, or without a valid date, keeps the file.
bool isExpiredFileName(std::string_view name, const RetentionDays& days, LocalDate today) noexcept;

// How a run found the directory it was given. Only Walked touched anything.
enum class TreeStart : std::uint8_t {
    Walked,         // opened and walked: the counts tell what went
    NoPath,         // the empty path
    RootDirectory,  // the root directory: refused
    DotOrDotDot,    // a last component "." or "..": refused
    Missing,        // nothing of that name
    Link,           // a symbolic link: neither followed nor removed
    NotADirectory,
    Unreachable,  // the directory above it cannot be opened
};

// Why an entry that was to go stayed.
enum class KeptReason : std::uint8_t {
    ReadOnly,          // no write permission for its owner (or a read-only file system)
    PermissionDenied,  // the system refused the caller
    OtherFileSystem,   // a mount point inside the tree, left with everything under it
    Moved,             // moved or swapped for something else during the walk
    NotEmpty,          // a directory with something left in it
    OtherError,
};
inline constexpr std::size_t kKeptReasonCount = 6;

// "read-only", "permission denied", "on another file system", "moved during the walk",
// "not empty", "other error".
const char* keptReasonText(KeptReason reason) noexcept;

struct TreeReport {
    TreeStart start = TreeStart::NoPath;
    std::uint64_t removed = 0;  // entries removed: files, links and directories
    // Entries that were to go and stayed, by reason. A directory above an entry that stayed
    // stays too, and counts as NotEmpty; in a purge, files not expired are not counted here.
    std::array<std::uint64_t, kKeptReasonCount> kept{};
    // The first entry that stayed, in the walk's order (depth first, so the cause before the
    // directories above it), as the given path joined with "/" and the names below it.
    std::string firstKept;
    KeptReason firstKeptReason = KeptReason::OtherError;

    std::uint64_t keptCount() const noexcept;
    std::uint64_t keptFor(KeptReason reason) const noexcept {
        return kept[static_cast<std::size_t>(reason)];
    }
    // Walked, and nothing that was to go stayed.
    bool complete() const noexcept { return start == TreeStart::Walked && keptCount() == 0; }
};

// Deletes the directory and everything in it, depth first.
TreeReport deleteDirectory(const std::string& path) noexcept;

// Purges one directory: every file of it whose keep period has run out goes (isExpiredFileName),
// every subdirectory goes whole (as by deleteDirectory, whatever the dates below it), and the
// directory itself goes when nothing is left in it. A link among its files goes when its own
// name is expired; a link to a directory counts as a subdirectory (only the link goes).
TreeReport purgeExpiredFiles(const std::string& directory, const RetentionDays& days,
                             LocalDate today = localToday()) noexcept;

// What purgeExpiredFiles would remove, in the order it would remove it, removing nothing: each
// path (joined with "/", a directory's with a "/" at the end) is handed to `removal` as the walk
// meets it. The report tells what the run would keep, as far as can be told without removing:
// a read-only file, a mount, an unreadable directory.
TreeReport previewPurge(const std::string& directory, const RetentionDays& days,
                        const std::function<void(const std::string& path)>& removal,
                        LocalDate today = localToday());
// The same, as a list.
std::vector<std::string> previewPurge(const std::string& directory, const RetentionDays& days,
                                      LocalDate today = localToday());

}  // namespace kavro
