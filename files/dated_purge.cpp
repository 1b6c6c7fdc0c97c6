// The purge of dated files. A dated file's name carries its type letter and its date:
//
//   byte  1      type letter, or a prefix letter: "C" (type letter at byte 6) or "F"/"K" (type
//                letter at byte 24)
//   bytes 8-15   the date, YYYYMMDD
//
// Type letters are B, J, S, T and Y, upper case only.
#include <cstring>
#include <optional>

#include "files/dry_run_file_system.hpp"
#include "files/maintenance.hpp"

namespace kavro {
namespace {

constexpr std::size_t kDateStart = 7;  // bytes 8 to 15, counted from 0
constexpr std::size_t kDateLength = 8;

// The keep period of the file's type; 0 (keep for ever) when the name has no type letter.
int keepDaysOf(std::string_view name, const RetentionDays& days) noexcept {
    if (name.empty()) return 0;
    char letter = name[0];
    // The letter found after a prefix letter is taken as it is, never as another prefix.
    if (letter == 'C') {
        if (name.size() < 6) return 0;
        letter = name[5];
    } else if (letter == 'F' || letter == 'K') {
        if (name.size() < 24) return 0;
        letter = name[23];
    }
    switch (letter) {
        case 'S':
            return days.s;
        case 'J':
            return days.j;
        case 'Y':
            return days.y;
        case 'B':
            return days.b;
        case 'T':
            return days.t;
        default:
            return 0;
    }
}

bool readNumber(std::string_view digits, int& value) noexcept {
    value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// The file's date as a host day number, read as year-month-day; empty when bytes 8 to 15 are
// no valid date.
std::optional<long long> fileDayOf(std::string_view name) noexcept {
    if (name.size() < kDateStart + kDateLength) return std::nullopt;
    const std::string_view date = name.substr(kDateStart, kDateLength);
    int year = 0, month = 0, day = 0;
    if (!readNumber(date.substr(0, 4), year) || !readNumber(date.substr(4, 2), month) ||
        !readNumber(date.substr(6, 2), day)) {
        return std::nullopt;
    }
    static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] ||
        (month == 2 && day == 29 && !leap)) {
        return std::nullopt;
    }
    return hostDayNumber(year, month, day);
}

long long dayNumberOf(LocalDate date) noexcept {
    return hostDayNumber(date.year, date.month, date.day);
}

bool isExpired(std::string_view name, const RetentionDays& days, long long today) noexcept {
    const int keep = keepDaysOf(name, days);
    if (keep == 0) return false;
    const auto fileDay = fileDayOf(name);
    // Inclusive: a file dated exactly `keep` days ago goes.
    return fileDay && *fileDay + keep <= today;
}

}  // namespace

RetentionDays retentionDaysFromHostRecord(const void* record) noexcept {
    const auto* bytes = static_cast<const unsigned char*>(record);
    const auto at = [bytes](std::size_t offset) { return static_cast<std::int8_t>(bytes[offset]); };
    RetentionDays days;
    days.s = at(40);
    days.j = at(42);
    days.y = at(44);
    days.b = at(46);
    days.t = at(48);
    return days;
}

bool isExpiredFileName(std::string_view name, const RetentionDays& days, LocalDate today) noexcept {
    return isExpired(name, days, dayNumberOf(today));
}

namespace files {
namespace {

// Keep periods hold for the directory's own files only: a subdirectory goes whole, whatever the
// dates below it. A link stands for what it leads to: a link to a directory goes like a
// subdirectory, a link among the files by its own name; only the link is ever removed.
class ExpiredEntries final : public TopEntryFilter {
  public:
    ExpiredEntries(const RetentionDays& days, LocalDate today)
        : days_(days), today_(dayNumberOf(today)) {}

    bool takes(Directory& top, const DirectoryEntry& entry) override {
        switch (entry.kind) {
            case EntryKind::Directory:
                return true;
            case EntryKind::Link:
                if (top.linksToDirectory(entry.name)) return true;
                break;
            case EntryKind::Other:
                break;
        }
        return isExpired(std::string_view(entry.name, std::strlen(entry.name)), days_, today_);
    }

  private:
    RetentionDays days_;
    long long today_;
};

}  // namespace

TreeReport purgeExpiredFiles(FileSystem& fileSystem, const std::string& path,
                             const RetentionDays& days, LocalDate today, const RemovalLog* log) {
    ExpiredEntries expired(days, today);
    return removeTree(fileSystem, path, &expired, log);
}

}  // namespace files

TreeReport purgeExpiredFiles(const std::string& directory, const RetentionDays& days,
                             LocalDate today) noexcept {
    return files::purgeExpiredFiles(files::machineFileSystem(), directory, days, today);
}

TreeReport previewPurge(const std::string& directory, const RetentionDays& days,
                        const std::function<void(const std::string& path)>& removal,
                        LocalDate today) {
    files::DryRunFileSystem dryRun(files::machineFileSystem());
    return files::purgeExpiredFiles(dryRun, directory, days, today, &removal);
}

std::vector<std::string> previewPurge(const std::string& directory, const RetentionDays& days,
                                      LocalDate today) {
    std::vector<std::string> paths;
    previewPurge(
        directory, days, [&paths](const std::string& path) { paths.push_back(path); }, today);
    return paths;
}

}  // namespace kavro
