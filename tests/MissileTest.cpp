// Missile: the update step (thrust, damping, trail ring, flame) and the reseeding of rand().
#include "bodies/Missile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

static Missile at(double x) { return Missile({x, 0, 0}, {0, 1, 0}, {0, 0, 1}, {}, {}); }
static bool same(Vektor3D a, Vektor3D b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(Missile, ReseedsRandWithTheLow32BitsOfTheLaunchXTruncatedTo64Bits) {
    const struct { double x; unsigned seed; } cases[] = {  // -3.7 -> 2^32 - 3; 5e9 -> its low bits
        {-3.7, 4294967293u}, {3.2, 3}, {3.9, 3}, {5e9, 705032704}};
    for (const auto& c : cases) {
        at(c.x);
        const int got[] = {std::rand(), std::rand(), std::rand()};
        std::srand(c.seed);
        for (int g : got) EXPECT_EQ(g, std::rand()) << c.x;
    }
}

TEST(Missile, UpdatesThrustDampMoveLayAJitteredTrailPointAndStepTheFlame) {
    Missile m = at(2.0);
    EXPECT_TRUE(m.lifetime == 30000 && m.trailIndex == 0 && m.flamePhase == 0.0f);
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(m.trailAlpha[i] == 0 && m.trail[i] <= 0.0) << i;
    std::srand(7);
    const int a = std::rand() % 25 - 12, b = std::rand() % 25 - 12;  // across, then up
    ASSERT_TRUE(a != b && a != 0 && b != 0);
    std::srand(7), m.update(30);
    const double v = 0.06 * powInt(0.999, 30);
    EXPECT_NEAR(v, 0.0582259, 1e-7);
    EXPECT_TRUE(same(m.velocity, {0, 0, v}) && same(m.position, {2, 0, (v * 30) / 40}));
    EXPECT_TRUE(m.trailAlpha[0] == 1 && same(m.trail[0], {2 + 0.01 * a, 0.01 * b, m.position.z}));
    EXPECT_TRUE(m.lifetime == 29970 && m.trailIndex == 1 && m.flamePhase == 3.0f);
    auto phaseAfter = [&m](int ms) { return m.update(ms), m.flamePhase; };
    // Summed in double, then stored: the float sum would differ at 26 ms.
    EXPECT_TRUE(phaseAfter(30) == -1.0f && phaseAfter(26) == static_cast<float>(26 * 0.1 - 1.0));
    m.flamePhase = std::nanf("");
    EXPECT_EQ(phaseAfter(30), -1.0f);
}

TEST(Missile, HundredAndFirstUpdateOverwritesTheOldestTrailPoint) {
    Missile m = at(1.0);
    for (int i = 0; i < 100; ++i) m.update(30);
    const Vektor3D oldest = m.trail[0], second = m.trail[1];
    EXPECT_EQ(m.trailIndex, 100);
    m.update(30);
    EXPECT_TRUE(m.trailIndex == 1 && (m.trail[0] - m.position) <= 0.12 * std::sqrt(2.0) + 1e-12);
    EXPECT_TRUE((oldest - m.trail[0]).length() > 1.0 && (second - m.trail[1]).length() == 0);
}
