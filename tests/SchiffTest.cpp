// Schiff: the cooldown and recoil of fire, the update step with its missile pass, the HUD origin.
#include "bodies/Schiff.h"

#include <gtest/gtest.h>

static bool eq(Vektor3D a, Vektor3D b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(Schiff, FiresOnlyBelowZeroCooldownWithTheFrameAndVelocitiesFromBeforeTheRecoil) {
    Schiff ship;
    ship.velocity = {0.2, -0.1, 0.3}, ship.angularVelocity = {2e-4, 1e-4, -3e-4}, ship.fire();
    EXPECT_TRUE(ship.health == 10.0f && ship.timeLeft == 180000 && ship.missiles.empty());
    ship.update(30);
    const Schiff b = ship;
    ship.fire(), ship.fire();
    ASSERT_TRUE(b.fireCooldown == -30 && ship.fireCooldown == 1000 && ship.missiles.size() == 1);
    const Missile& m = ship.missiles[0];
    EXPECT_TRUE(eq(m.position, b.position + b.forward) && eq(m.up, b.up));
    EXPECT_TRUE(eq(m.forward, b.forward) && eq(m.velocity, b.velocity));
    EXPECT_TRUE(eq(m.angularVelocity, b.angularVelocity));
    EXPECT_TRUE(eq(ship.velocity, b.velocity + (b.forward * -500.0) / 1000.0));  // the recoil
}

TEST(Schiff, UpdateMovesAndCountsDownWithoutAFloorAndTheHudOriginLiesTwoUnitsAhead) {
    Schiff s({1, 2, 3}, {0, 1, 0}, {0, 0, 1}, {0.25, -1.5, 3}, {});
    s.updateHudOrigin(), s.timeLeft = 10, s.update(40);
    EXPECT_TRUE(eq(s.hudOrigin, {1, 2, 5}) && eq(s.side, {1, 0, 0}));
    EXPECT_TRUE(eq(s.position, {1.25, 0.5, 6}) && s.timeLeft == -30 && s.fireCooldown == -40);
}

TEST(Schiff, MissilePassDropsExpiredOnesAtTheFrontAndUpdatesTheRestOnce) {
    Schiff ship;
    Missile m({}, {0, 1, 0}, {0, 0, 1}, {}, {});
    for (int lifetime : {-5, -1, 0, 0, 700}) m.lifetime = lifetime, ship.missiles.push_back(m);
    ship.update(20);
    ASSERT_EQ(ship.missiles.size(), 3u);  // lifetime 0 is kept
    for (const Missile& kept : ship.missiles) EXPECT_EQ(kept.trailIndex, 1);  // one update each
    EXPECT_TRUE(ship.missiles[0].lifetime == -20 && ship.missiles[2].lifetime == 680);
    ship.update(20);
    EXPECT_TRUE(ship.missiles.size() == 1 && ship.missiles[0].lifetime == 660);
}
