// Schiff: the cooldown and recoil of fire, the update step with its missile pass, the HUD origin.
#include "bodies/Schiff.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "support/Xyz.h"

namespace {

auto motion(const BObject& b) {
    return std::make_tuple(xyz(b.up), xyz(b.forward), xyz(b.velocity), xyz(b.angularVelocity));
}

using Ages = std::vector<std::pair<int, int>>;  // lifetime and trail index of every missile

Ages ages(const Schiff& ship) {
    Ages result;
    for (const Missile& m : ship.missiles) result.emplace_back(m.lifetime, m.trailIndex);
    return result;
}

TEST(Schiff, FiresOnlyBelowZeroCooldownWithTheFrameAndVelocitiesFromBeforeTheRecoil) {
    Schiff ship;
    ship.velocity = {0.2, -0.1, 0.3};
    ship.angularVelocity = {2e-4, 1e-4, -3e-4};
    ship.fire();
    EXPECT_TRUE(ship.missiles.empty());
    ship.update(30);
    const Schiff before = ship;
    ship.fire();
    ship.fire();
    ASSERT_EQ(ship.missiles.size(), 1u);
    EXPECT_EQ(ship.fireCooldown, 1000);
    EXPECT_EQ(xyz(ship.missiles[0].position), xyz(before.position + before.forward));
    EXPECT_EQ(motion(ship.missiles[0]), motion(before));
    EXPECT_EQ(xyz(ship.velocity), xyz(before.velocity + (before.forward * -500.0) / 1000.0));
}

TEST(Schiff, UpdateMovesAndCountsDownWithoutAFloorAndTheHudOriginLiesTwoUnitsAhead) {
    Schiff s({1, 2, 3}, {0, 1, 0}, {0, 0, 1}, {0.25, -1.5, 3}, {});
    s.updateHudOrigin();
    EXPECT_EQ(xyz(s.hudOrigin), (Xyz{1, 2, 5}));
    EXPECT_EQ(xyz(s.side), (Xyz{1, 0, 0}));
    s.timeLeft = 10;
    s.update(40);
    EXPECT_EQ(xyz(s.position), (Xyz{1.25, 0.5, 6}));
    EXPECT_EQ(std::make_pair(s.timeLeft, s.fireCooldown), std::make_pair(-30, -40));
}

// Lifetime 0 is kept; each missile kept is updated once.
TEST(Schiff, MissilePassDropsExpiredOnesAtTheFrontAndUpdatesTheRestOnce) {
    Schiff ship;
    Missile m({}, {0, 1, 0}, {0, 0, 1}, {}, {});
    for (int lifetime : {-5, -1, 0, 0, 700}) {
        m.lifetime = lifetime;
        ship.missiles.push_back(m);
    }
    ship.update(20);
    EXPECT_EQ(ages(ship), (Ages{{-20, 1}, {-20, 1}, {680, 1}}));
    ship.update(20);
    EXPECT_EQ(ages(ship), (Ages{{660, 2}}));
}

}  // namespace
