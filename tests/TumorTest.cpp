// Tumor: construction and the float/double steps of shrink.
#include "bodies/Tumor.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Tumor, StandsStillInTheDefaultFrameWithFullSize) {
    const Tumor t(Vektor3D(1.5, -2, 3));
    EXPECT_EQ(t.size, 1.0f);
    EXPECT_EQ((t.position - Vektor3D(1.5, -2, 3)).length(), 0.0);
    EXPECT_EQ((t.up - Vektor3D(0, 1, 0)).length(), 0.0);
    EXPECT_EQ((t.forward - Vektor3D(0, 0, 1)).length(), 0.0);
    EXPECT_EQ(t.velocity.length() + t.angularVelocity.length(), 0.0);
    EXPECT_EQ(Tumor().position.length(), 0.0);
}

TEST(Tumor, ShrinkSubtractsInDoubleAndStoresAFloat) {
    Tumor t;
    t.shrink(30);
    EXPECT_EQ(t.size, 0.97f);
    // Steps done in float arithmetic part from these near 0.04 (the last bits differ there).
    float expected = 0.97f;
    for (int i = 1; i < 34; ++i) {
        expected = static_cast<float>(static_cast<double>(expected) - 0.03);
        t.shrink(30);
        ASSERT_EQ(t.size, expected) << i;
    }
}

TEST(Tumor, FadesThroughASlightlyNegativeSizeToExactlyZero) {
    Tumor t;
    for (int i = 0; i < 34; ++i) {
        EXPECT_GT(t.size, 0.0f) << i;
        t.shrink(30);
    }
    EXPECT_NEAR(t.size, -0.02f, 1e-5);
    t.shrink(30);
    EXPECT_EQ(t.size, 0.0f);
    t.shrink(30);
    EXPECT_EQ(t.size, 0.0f);

    t.size = std::nanf("");
    t.shrink(30);
    EXPECT_EQ(t.size, 0.0f);
}
