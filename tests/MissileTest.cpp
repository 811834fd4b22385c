// Missile: the update step (thrust, damping, trail ring, flame) and the reseeding of rand().
#include "bodies/Missile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>

#include "support/Xyz.h"

static Missile at(double x) { return Missile({x, 0, 0}, {0, 1, 0}, {0, 0, 1}, {}, {}); }

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

// The flame's phase is summed in double, then stored: the float sum would differ at 26 ms.
TEST(Missile, UpdatesThrustDampMoveLayAJitteredTrailPointInARingAndStepTheFlame) {
    Missile m = at(2.0);
    std::srand(7);
    const int a = std::rand() % 25 - 12, b = std::rand() % 25 - 12;  // across, then up
    std::srand(7);
    m.update(30);
    const double v = 0.06 * powInt(0.999, 30);
    EXPECT_EQ(xyz(m.velocity), (Xyz{0, 0, v}));
    EXPECT_EQ(xyz(m.position), (Xyz{2, 0, (v * 30) / 40}));
    EXPECT_EQ(xyz(m.trail[0]), (Xyz{2 + 0.01 * a, 0.01 * b, m.position.z}));
    EXPECT_EQ(std::make_tuple(m.lifetime, m.trailIndex, m.trailAlpha[0], m.flamePhase),
              std::make_tuple(29970, 1, 1.0f, 3.0f));
    const struct { float before; int ms; float after; } flames[] = {
        {3.0f, 30, -1.0f}, {-1.0f, 26, static_cast<float>(26 * 0.1 - 1.0)}, {NAN, 30, -1.0f}};
    for (const auto& f : flames) {
        m.flamePhase = f.before;
        m.update(f.ms);
        EXPECT_EQ(m.flamePhase, f.after) << f.before;
    }
    for (int i = m.trailIndex; i < 100; ++i) m.update(30);
    const Vektor3D second = m.trail[1];
    m.update(30);  // the 101st point takes the oldest one's place
    EXPECT_EQ(m.trailIndex, 1);
    EXPECT_EQ(xyz(m.trail[1]), xyz(second));
}
