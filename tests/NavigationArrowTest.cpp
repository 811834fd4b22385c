// NavigationArrow: the frame it builds from a position and a direction (drawing: tests/gldraw).
#include "bodies/NavigationArrow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

static_assert(!std::is_convertible_v<NavigationArrow*, BObject*>, "the arrow hides its body");

// The body is a private base; a C-style cast is the one cast that still reaches it.
static const BObject& body(const NavigationArrow& arrow) { return (const BObject&)arrow; }
static bool eq(Vektor3D a, Vektor3D b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(NavigationArrow, NormalisesTheDirectionIntoForwardAndCyclesItIntoUp) {
    const double r = 1.0 / std::sqrt(2.0);  // along a diagonal, up leaves the perpendicular
    const struct { Vektor3D direction, forward, up; } cases[] = {
        {{0, 0, 5}, {0, 0, 1}, {0, 1, 0}}, {{3, 0, 0}, {1, 0, 0}, {0, 0, 1}},
        {{1, 1, 0}, {r, r, 0}, {r, 0, r}}};
    for (const auto& c : cases) {
        const BObject b = body(NavigationArrow({1, 2, 3}, c.direction));
        EXPECT_TRUE(eq(b.position, {1, 2, 3}) && eq(b.forward, c.forward) && eq(b.up, c.up));
        EXPECT_TRUE(eq(b.velocity, {}) && eq(b.angularVelocity, {}) && eq(b.side, {}));
    }
}
