#include "ptz/command_frame.hpp"

#include <cstring>
#include <string>

namespace kavro {

void CommandFrame::setLength(int length) {
    if (length < 0 || length > kMaxLength) {
        throw HostError(HostErrorCode::InvalidOperation, "frame length " + std::to_string(length) +
                                                             " is outside 0 to " +
                                                             std::to_string(kMaxLength));
    }
    bytes_.resize(static_cast<std::size_t>(length), 0);
}

void CommandFrame::set(int first, std::initializer_list<std::uint8_t> values) {
    // The last byte is tested first, so a short frame raises before any byte changes.
    if (values.size() != 0) check(first + static_cast<int>(values.size()) - 1);
    check(first);
    std::memcpy(bytes_.data() + first, values.begin(), values.size());
}

std::span<const std::uint8_t> CommandFrame::bytes(int first, int last) const {
    check(first);
    check(last);
    if (last < first) return {};
    return std::span<const std::uint8_t>(bytes_).subspan(
        static_cast<std::size_t>(first), static_cast<std::size_t>(last - first + 1));
}

}  // namespace kavro
