// Tumor: construction and the float/double steps of shrink.
#include "bodies/Tumor.h"

#include <gtest/gtest.h>

#include <cmath>

static bool eq(Vektor3D a, Vektor3D b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(Tumor, StandsStillAtItsPositionInTheDefaultFrameWithFullSize) {
    const Tumor t(Vektor3D(1.5, -2, 3));
    EXPECT_TRUE(t.size == 1.0f && eq(t.position, {1.5, -2, 3}) && eq(Tumor().position, {}));
    EXPECT_TRUE(eq(t.up, {0, 1, 0}) && eq(t.forward, {0, 0, 1}) && eq(t.velocity, {}));
}

TEST(Tumor, ShrinkSubtractsInDoubleStoresAFloatAndParksAtZero) {
    auto shrunk = [](float size) { Tumor t; t.size = size; t.shrink(30); return t.size; };
    float size = 1.0f;
    int calls = 0;
    for (; size > 0; size = shrunk(size), ++calls)  // float steps would part from these near 0.04
        ASSERT_EQ(shrunk(size), static_cast<float>(static_cast<double>(size) - 0.03)) << calls;
    EXPECT_TRUE(calls == 34 && std::fabs(size + 0.02f) < 1e-5f && shrunk(1.0f) == 0.97f);
    EXPECT_TRUE(shrunk(size) == 0 && shrunk(0.0f) == 0 && shrunk(std::nanf("")) == 0);
}
