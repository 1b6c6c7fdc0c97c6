#include "kavro/rectangles.hpp"

#include <gtest/gtest.h>

namespace kavro {
namespace {

struct RectCase {
    const char* name;
    Rect first;
    Rect second;
    bool containJoint;
    bool jointed;
};

class RectangleCases : public testing::TestWithParam<RectCase> {};

TEST_P(RectangleCases, ContainJoint) {
    EXPECT_EQ(rectContainJoint(GetParam().first, GetParam().second), GetParam().containJoint);
}

TEST_P(RectangleCases, Jointed) {
    EXPECT_EQ(rectsJointed(GetParam().first, GetParam().second), GetParam().jointed);
}

INSTANTIATE_TEST_SUITE_P(
    Rectangles, RectangleCases,
    testing::Values(
        RectCase{"Equal", {0, 0, 10, 10}, {0, 0, 10, 10}, true, true},
        RectCase{"FirstStrictlyInside", {10, 10, 20, 20}, {0, 0, 30, 30}, false, false},
        RectCase{"FirstCoversSecond", {0, 0, 30, 30}, {10, 10, 20, 20}, true, false},
        RectCase{"TouchAtOneCorner", {0, 0, 10, 10}, {10, 10, 20, 20}, true, true},
        RectCase{"ApartByOne", {0, 0, 10, 10}, {11, 0, 20, 10}, false, false},
        RectCase{"ApartVertically", {0, 0, 10, 10}, {0, 11, 10, 20}, false, false},
        RectCase{"Cross", {0, -5, 10, 15}, {-5, 0, 15, 10}, true, true},
        RectCase{"SharedSide", {0, 0, 10, 10}, {10, 2, 20, 8}, true, true},
        RectCase{"InsideTouchingTopLeft", {0, 0, 5, 5}, {0, 0, 30, 30}, true, true},
        RectCase{"Overlapping", {0, 0, 10, 10}, {5, 5, 15, 15}, true, true},
        RectCase{"NegativeCoordinates", {-20, -20, -10, -10}, {-15, -15, -5, -5}, true, true}),
    [](const auto& c) { return c.param.name; });

}  // namespace
}  // namespace kavro
