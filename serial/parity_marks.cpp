#include "kavro/parity_marks.hpp"

namespace kavro {

void MarkBitReader::take(std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& bytes,
                         std::vector<bool>& marked) {
    for (const std::uint8_t b : raw) {
        switch (state_) {
            case 0:
                if (b == 0xFF) {
                    state_ = 1;
                } else {
                    bytes.push_back(b);
                    marked.push_back(false);
                }
                break;
            case 1:
                if (b == 0xFF) {  // a true 0xFF, doubled
                    bytes.push_back(0xFF);
                    marked.push_back(false);
                    state_ = 0;
                } else if (b == 0x00) {
                    state_ = 2;
                } else {  // not an escape the driver makes: keep both bytes
                    bytes.push_back(0xFF);
                    marked.push_back(false);
                    bytes.push_back(b);
                    marked.push_back(false);
                    state_ = 0;
                }
                break;
            default:  // the byte that arrived with its parity bit set (0x00 alone: a break)
                bytes.push_back(b);
                marked.push_back(true);
                state_ = 0;
                break;
        }
    }
}

}  // namespace kavro
