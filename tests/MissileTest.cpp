// Missile: start values, the update step (thrust, damping, trail ring, flame phase) and the
// reseeding of the shared rand() sequence from the launch x coordinate.
#include "bodies/Missile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

Missile missileAt(double x) {
    return Missile(Vektor3D(x, 0, 0), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(),
                   Vektor3D());
}

// An orthonormal frame with no zero components, tilted off every axis.
Missile tiltedMissile() {
    const double s = 1.0 / std::sqrt(2.0);
    return Missile(Vektor3D(4.5, -2, 7), Vektor3D(0, s, s), Vektor3D(0.6, -0.8 * s, 0.8 * s),
                   Vektor3D(0.1, 0.2, -0.05), Vektor3D(0.0001, 0.0002, -0.0001));
}

int jitter() { return std::rand() % 25 - 12; }

}  // namespace

TEST(Missile, StartsWithFullLifetimeAndAnInvisibleEmptyTrail) {
    const Missile m = missileAt(1.0);
    EXPECT_EQ(m.lifetime, 30000);
    EXPECT_EQ(m.trailIndex, 0);
    EXPECT_EQ(m.flamePhase, 0.0f);
    for (int i = 0; i < Missile::trailLength; ++i) {
        EXPECT_EQ(m.trailAlpha[i], 0.0f) << i;
        EXPECT_EQ(m.trail[i].length(), 0.0) << i;
    }
}

TEST(Missile, ReseedsRandFromTheLaunchXTruncatedTowardZero) {
    // -3.7 truncates to -3 (not -4), whose low 32 bits are 2^32 - 3.
    missileAt(-3.7);
    const int afterLaunch = std::rand();
    std::srand(4294967293u);
    EXPECT_EQ(afterLaunch, std::rand());

    // The truncation is to 64 bits: 5e9 keeps its low 32 bits, 5e9 - 2^32.
    missileAt(5e9);
    const int afterFarLaunch = std::rand();
    std::srand(705032704u);
    EXPECT_EQ(afterFarLaunch, std::rand());

    // Launch points with the same truncated x repeat the sequence.
    missileAt(3.2);
    const int first[3] = {std::rand(), std::rand(), std::rand()};
    missileAt(3.9);
    const int second[3] = {std::rand(), std::rand(), std::rand()};
    EXPECT_EQ(first[0], second[0]);
    EXPECT_EQ(first[1], second[1]);
    EXPECT_EQ(first[2], second[2]);
}

TEST(Missile, FirstUpdateThrustsDampsAndMovesFromRest) {
    Missile m = missileAt(2.0);
    m.update(30);
    EXPECT_EQ(m.lifetime, 29970);
    // Doubled thrust (0.06 per 30 ms), then 30 ms of damping at 0.999 per ms.
    const double speed = 0.06 * std::pow(0.999, 30);
    EXPECT_NEAR(speed, 0.0582259, 1e-7);
    EXPECT_NEAR(m.velocity.z, speed, 1e-15);
    EXPECT_EQ(m.velocity.x, 0.0);
    EXPECT_NEAR(m.position.z, speed * 30.0 / 40.0, 1e-15);
    EXPECT_EQ(m.position.x, 2.0);
}

TEST(Missile, TrailPointIsJitteredByTwoRandDrawsAcrossThenUp) {
    Missile m = tiltedMissile();
    std::srand(20260612u);
    m.update(30);
    std::srand(20260612u);
    const int a = jitter();
    const int b = jitter();

    EXPECT_EQ(m.trailIndex, 1);
    EXPECT_EQ(m.trailAlpha[0], 1.0f);
    const Vektor3D& u = m.up;
    const Vektor3D& f = m.forward;
    const double side[3] = {u.y * f.z - u.z * f.y, u.z * f.x - u.x * f.z, u.x * f.y - u.y * f.x};
    EXPECT_NEAR(m.trail[0].x, m.position.x + u.x * 0.01 * b + side[0] * 0.01 * a, 1e-14);
    EXPECT_NEAR(m.trail[0].y, m.position.y + u.y * 0.01 * b + side[1] * 0.01 * a, 1e-14);
    EXPECT_NEAR(m.trail[0].z, m.position.z + u.z * 0.01 * b + side[2] * 0.01 * a, 1e-14);
    for (int i = 1; i < Missile::trailLength; ++i) {
        EXPECT_EQ(m.trailAlpha[i], 0.0f) << i;
    }
}

TEST(Missile, FlamePhaseClimbsThenResetsToMinusOne) {
    Missile m = missileAt(0.0);
    const float expected[] = {3.0f, -1.0f, 2.0f, -1.0f, 2.0f};
    for (float phase : expected) {
        m.update(30);
        EXPECT_EQ(m.flamePhase, phase);
    }
    m.flamePhase = 0.9f;
    m.update(26);
    EXPECT_EQ(m.flamePhase, static_cast<float>(2.6 + static_cast<double>(0.9f)));
    m.flamePhase = std::nanf("");
    m.update(30);
    EXPECT_EQ(m.flamePhase, -1.0f);
}

TEST(Missile, HundredAndFirstUpdateOverwritesTheOldestTrailPoint) {
    Missile m = tiltedMissile();
    for (int i = 0; i < 100; ++i) {
        m.update(30);
    }
    EXPECT_EQ(m.trailIndex, 100);
    const Vektor3D oldest = m.trail[0];
    const Vektor3D second = m.trail[1];
    m.update(30);
    EXPECT_EQ(m.trailIndex, 1);
    // The new point lies within the jitter of the new position; the old one was far behind.
    EXPECT_LE((m.trail[0] - m.position).length(), 0.12 * std::sqrt(2.0) + 1e-12);
    EXPECT_GT((oldest - m.trail[0]).length(), 1.0);
    EXPECT_EQ(m.trail[1].x, second.x);
    EXPECT_EQ(m.trail[1].y, second.y);
    EXPECT_EQ(m.trail[1].z, second.z);
}
