// Schiff: start values, the cooldown and recoil of fire, the update step with its missile
// pass, and the heads-up display origin.
#include "bodies/Schiff.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectVector(const Vektor3D& v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

Schiff tiltedShip() {
    const double s = 1.0 / std::sqrt(2.0);
    return Schiff(Vektor3D(10, -3, 25), Vektor3D(0, s, s), Vektor3D(0.6, -0.8 * s, 0.8 * s),
                  Vektor3D(0.2, -0.1, 0.3), Vektor3D(0.0002, 0.0001, -0.0003));
}

Missile missileWithLifetime(int lifetime) {
    Missile m(Vektor3D(), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(), Vektor3D());
    m.lifetime = lifetime;
    return m;
}

}  // namespace

TEST(Schiff, StartsWithFullResourcesAndNoMissiles) {
    const Schiff fresh;
    const Schiff placed = tiltedShip();
    for (const Schiff* s : {&fresh, &placed}) {
        EXPECT_EQ(s->health, 10.0f);
        EXPECT_EQ(s->timeLeft, 180000);
        EXPECT_EQ(s->fireCooldown, 0);
        EXPECT_FALSE(s->tumorHit);
        EXPECT_TRUE(s->missiles.empty());
        EXPECT_EQ(s->target.length(), 0.0);
        EXPECT_EQ(s->hudOrigin.length(), 0.0);
    }
    expectVector(placed.position, 10, -3, 25);
    expectVector(placed.velocity, 0.2, -0.1, 0.3);
}

TEST(Schiff, FiresOnlyOnceTheCooldownIsBelowZero) {
    Schiff ship = tiltedShip();
    ship.fire();
    EXPECT_TRUE(ship.missiles.empty());  // cooldown 0 is not below 0

    ship.update(30);
    EXPECT_EQ(ship.fireCooldown, -30);
    const Schiff before = ship;
    ship.fire();
    ASSERT_EQ(ship.missiles.size(), 1u);
    EXPECT_EQ(ship.fireCooldown, 1000);

    // One unit ahead, the ship's frame and its velocities from before the recoil.
    const Missile& m = ship.missiles[0];
    const Vektor3D& f = before.forward;
    expectVector(m.position, before.position.x + f.x, before.position.y + f.y,
                 before.position.z + f.z);
    expectVector(m.up, before.up.x, before.up.y, before.up.z);
    expectVector(m.forward, f.x, f.y, f.z);
    expectVector(m.velocity, before.velocity.x, before.velocity.y, before.velocity.z);
    expectVector(m.angularVelocity, before.angularVelocity.x, before.angularVelocity.y,
                 before.angularVelocity.z);
    EXPECT_EQ(m.lifetime, 30000);

    // Recoil: half a unit per 40 ms backwards.
    expectVector(ship.velocity, before.velocity.x - 0.5 * f.x, before.velocity.y - 0.5 * f.y,
                 before.velocity.z - 0.5 * f.z);

    ship.fire();
    EXPECT_EQ(ship.missiles.size(), 1u);
}

TEST(Schiff, UpdateCountsDownWithoutFloorAndMoves) {
    Schiff ship;
    ship.velocity = Vektor3D(0.25, -1.5, 3);
    ship.update(40);
    EXPECT_EQ(ship.timeLeft, 179960);
    EXPECT_EQ(ship.fireCooldown, -40);
    expectVector(ship.position, 0.25, -1.5, 3);

    ship.timeLeft = 10;
    ship.update(40);
    EXPECT_EQ(ship.timeLeft, -30);
    EXPECT_EQ(ship.fireCooldown, -80);
}

TEST(Schiff, MissilePassDropsExpiredOnesAtTheFrontAndUpdatesTheRestOnce) {
    Schiff ship;
    for (int lifetime : {-5, -1, 0, 0, 700}) {
        ship.missiles.push_back(missileWithLifetime(lifetime));
    }
    ship.update(20);
    ASSERT_EQ(ship.missiles.size(), 3u);
    // Lifetime 0 is kept and updated once more; each survivor laid exactly one trail point.
    EXPECT_EQ(ship.missiles[0].lifetime, -20);
    EXPECT_EQ(ship.missiles[1].lifetime, -20);
    EXPECT_EQ(ship.missiles[2].lifetime, 680);
    for (const Missile& m : ship.missiles) {
        EXPECT_EQ(m.trailIndex, 1);
    }
    ship.update(20);
    ASSERT_EQ(ship.missiles.size(), 1u);
    EXPECT_EQ(ship.missiles[0].lifetime, 660);
}

TEST(Schiff, HudOriginLiesTwoUnitsAheadAndRefreshesSide) {
    Schiff ship(Vektor3D(1, 2, 3), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(), Vektor3D());
    ship.updateHudOrigin();
    expectVector(ship.hudOrigin, 1, 2, 5);
    expectVector(ship.side, 1, 0, 0);
}
