// C exports: directory deletion and the dated-file purge.
#include "frame/c_boundary.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/file_maintenance.hpp"

using namespace kavro;

namespace {

// A counted string holding a zero byte names no file; cut at it, it would name another one.
// What stayed, and why, is the C++ API's to tell: the exports report nothing.
bool namesAPath(const AnsiString& path) {
    return !path.empty() && path.view().find('\0') == std::string_view::npos;
}

}  // namespace

void KAVRO_CALL _DeleteDirectory(kavro_string* path) {
    const AnsiString directory = AnsiString::share(path);  // the call's own reference
    callQuietly(false, [&] {
        if (namesAPath(directory)) deleteDirectory(directory.str());
        return true;
    });
}

void KAVRO_CALL _DeleteDirectoryEx(kavro_string* path, const void* retention_days) {
    const AnsiString directory = AnsiString::share(path);
    callQuietly(false, [&] {
        if (namesAPath(directory) && retention_days != nullptr) {
            purgeExpiredFiles(directory.str(), retentionDaysFromHostRecord(retention_days));
        }
        return true;
    });
}
