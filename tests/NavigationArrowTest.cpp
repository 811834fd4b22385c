// NavigationArrow: the frame it builds from a position and a direction.
// Drawing is checked in the GL-recording tests.
#include "bodies/NavigationArrow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

static_assert(!std::is_convertible_v<NavigationArrow*, BObject*>,
              "the arrow hides its body from other code");

namespace {

// The body is a private base; a C-style cast is the one cast that may still reach it.
const BObject& bodyOf(const NavigationArrow& arrow) { return (const BObject&)arrow; }

void expectVector(const Vektor3D& v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

}  // namespace

TEST(NavigationArrow, NormalisesTheDirectionAndCyclesItIntoUp) {
    const NavigationArrow along(Vektor3D(1, 2, 3), Vektor3D(0, 0, 5));
    expectVector(bodyOf(along).position, 1, 2, 3);
    expectVector(bodyOf(along).forward, 0, 0, 1);
    expectVector(bodyOf(along).up, 0, 1, 0);

    const NavigationArrow sideways(Vektor3D(), Vektor3D(3, 0, 0));
    expectVector(bodyOf(sideways).forward, 1, 0, 0);
    expectVector(bodyOf(sideways).up, 0, 0, 1);

    // Not a coordinate axis: up keeps unit length but leaves the perpendicular.
    const NavigationArrow diagonal(Vektor3D(), Vektor3D(1, 1, 0));
    const double r = 1.0 / std::sqrt(2.0);
    expectVector(bodyOf(diagonal).forward, r, r, 0);
    expectVector(bodyOf(diagonal).up, r, 0, r);

    for (const NavigationArrow* a : {&along, &sideways, &diagonal}) {
        EXPECT_EQ(bodyOf(*a).velocity.length(), 0.0);
        EXPECT_EQ(bodyOf(*a).angularVelocity.length(), 0.0);
        EXPECT_EQ(bodyOf(*a).side.length(), 0.0);  // only draw computes it
    }
}
