#include "frame/line_handles.hpp"

#include <map>
#include <mutex>

namespace kavro {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<NativeSerialHandle, std::shared_ptr<SerialLine>> lines;
    NativeSerialHandle next = kFirstOpenedLine;
};

Registry& registry() {
    static Registry* instance = new Registry;  // never destroyed: exports may run at exit
    return *instance;
}

}  // namespace

kavro_serial_handle keepLine(std::unique_ptr<SerialLine> line) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const NativeSerialHandle number = r.next--;
    r.lines.emplace(number, std::shared_ptr<SerialLine>(std::move(line)));
    return handleOf(number);
}

bool dropLine(kavro_serial_handle handle) {
    std::shared_ptr<SerialLine> line;  // closed here, outside the lock, unless a call holds it
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto found = r.lines.find(numberOf(handle));
    if (found == r.lines.end()) return false;
    line = std::move(found->second);
    r.lines.erase(found);
    return true;
}

LineOfHandle::LineOfHandle(kavro_serial_handle handle) : port_(handle) {
    if (numberOf(handle) > kFirstOpenedLine) return;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto found = r.lines.find(numberOf(handle));
    if (found != r.lines.end()) held_ = found->second;
}

}  // namespace kavro
