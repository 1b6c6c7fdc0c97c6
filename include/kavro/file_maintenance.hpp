// Deleting directory trees and purging expired dated files.
//
// Both work on the directory named and report nothing: whatever cannot be deleted stays, and a
// directory that is not empty afterwards stays. On POSIX:
//  - a symbolic link inside the tree is never followed: it is removed as a link, and what it
//    points at is not touched;
//  - a file whose owner has no write permission is read-only and stays, with every directory
//    above it, whoever runs the call (root included);
//  - hidden (dot) files are entries like any other.
// The directory named itself is opened like any path (a link there is followed for the search,
// but not removed).
#pragma once

#include <cstdint>
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

// Deletes the directory and everything in it, depth first.
void deleteDirectory(const std::string& path) noexcept;

// Purges one directory: every file of it whose keep period has run out goes (isExpiredFileName),
// every subdirectory goes whole (deleteDirectory, whatever the dates below it), and the directory
// itself goes when nothing is left in it.
void purgeExpiredFiles(const std::string& directory, const RetentionDays& days,
                       LocalDate today = localToday()) noexcept;

// What purgeExpiredFiles would remove, in the order it would remove it, removing nothing: paths
// joined with "/", a directory's with a "/" at the end.
std::vector<std::string> previewPurge(const std::string& directory, const RetentionDays& days,
                                      LocalDate today = localToday());

}  // namespace kavro
