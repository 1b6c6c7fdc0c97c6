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
    if (length > kInlineLength || data_ != inline_) {
        if (data_ == inline_) heap_.assign(inline_, inline_ + length_);
        heap_.resize(static_cast<std::size_t>(length), 0);
        data_ = heap_.data();
    } else if (length > length_) {
        std::memset(inline_ + length_, 0, static_cast<std::size_t>(length - length_));
    }
    length_ = length;
}

CommandFrame& CommandFrame::operator=(const CommandFrame& other) {
    if (this == &other) return *this;
    length_ = 0;
    data_ = inline_;
    heap_.clear();
    setLength(other.length_);
    std::memcpy(data_, other.data_, static_cast<std::size_t>(other.length_));
    return *this;
}

std::span<const std::uint8_t> CommandFrame::bytes(int first, int last) const {
    check(first);
    check(last);
    if (last < first) return {};
    return {data_ + first, static_cast<std::size_t>(last - first + 1)};
}

}  // namespace kavro
