#include "kavro/rectangles.hpp"

#include <initializer_list>

namespace kavro {
namespace {

bool within(std::int32_t low, std::int32_t value, std::int32_t high) {
    return low <= value && value <= high;
}

// Does the vertical side x = sideX of rectangle v meet the horizontal side y = sideY of rectangle
// h? The vertical side spans v's top..bottom, the horizontal one h's left..right.
bool sidesMeet(std::int32_t sideX, const Rect& h, std::int32_t sideY, const Rect& v) {
    return within(h.left, sideX, h.right) && within(v.top, sideY, v.bottom);
}

}  // namespace

bool rectContainJoint(const Rect& first, const Rect& second) {
    const bool apart = first.left > second.right || first.right < second.left ||
                       first.top > second.bottom || first.bottom < second.top;
    if (apart) return false;
    const bool strictlyInside = first.top > second.top && first.bottom < second.bottom &&
                                first.left > second.left && first.right < second.right;
    return !strictlyInside;
}

bool rectsJointed(const Rect& first, const Rect& second) {
    // The second's vertical sides against the first's horizontal sides, then the first's
    // vertical sides against the second's horizontal sides: eight pairings in all.
    for (const std::int32_t y : {first.top, first.bottom}) {
        for (const std::int32_t x : {second.left, second.right}) {
            if (sidesMeet(x, first, y, second)) return true;
        }
    }
    for (const std::int32_t y : {second.top, second.bottom}) {
        for (const std::int32_t x : {first.left, first.right}) {
            if (sidesMeet(x, second, y, first)) return true;
        }
    }
    return false;
}

}  // namespace kavro
