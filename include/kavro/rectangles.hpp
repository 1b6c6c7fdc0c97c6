// Rectangle tests of the hosts' screens. A rectangle is left, top, right, bottom in one
// coordinate system with y growing downwards; its edges belong to it. The tests are meant for
// rectangles with left <= right and top <= bottom and give what their comparisons give otherwise.
#pragma once

#include <cstdint>

namespace kavro {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// True when the first rectangle touches or crosses the second one's outline, or covers it; false
// when the two are apart or the first lies strictly inside the second, touching none of its edges.
bool rectContainJoint(const Rect& first, const Rect& second);

// True when a vertical side of one rectangle meets a horizontal side of the other, ends and
// crossings included. False when one lies strictly inside the other.
bool rectsJointed(const Rect& first, const Rect& second);

}  // namespace kavro
