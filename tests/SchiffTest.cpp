// Schiff: the cooldown and recoil of fire, the update step with its missile pass, the HUD origin.
#include "bodies/Schiff.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/Xyz.h"

static auto motion(const BObject& b) {
    return std::make_tuple(xyz(b.up), xyz(b.forward), xyz(b.velocity), xyz(b.angularVelocity));
}

TEST(Schiff, CountsDownWithoutAFloorAndFiresBelowZeroWithTheFrameAndVelocitiesBeforeRecoil) {
    Schiff ship({}, {0, 1, 0}, {0, 0, 1}, {0.2, -0.1, 0.3}, {2e-4, 1e-4, -3e-4});
    ship.updateHudOrigin();  // two units ahead
    EXPECT_EQ(std::make_pair(xyz(ship.hudOrigin), xyz(ship.side)),
              std::make_pair(Xyz{0, 0, 2}, Xyz{1, 0, 0}));
    ship.fire();
    EXPECT_TRUE(ship.missiles.empty());
    ship.timeLeft = 10;
    ship.update(30);
    EXPECT_EQ(std::make_pair(ship.timeLeft, ship.fireCooldown), std::make_pair(-20, -30));
    const Schiff before = ship;
    ship.fire();
    ship.fire();
    ASSERT_EQ(ship.missiles.size(), 1u);
    EXPECT_EQ(ship.fireCooldown, 1000);
    EXPECT_EQ(xyz(ship.missiles[0].position), xyz(before.position + before.forward));
    EXPECT_EQ(motion(ship.missiles[0]), motion(before));
    EXPECT_EQ(xyz(ship.velocity), xyz(before.velocity + (before.forward * -500.0) / 1000.0));
}

// Expired ones (lifetime below 0) stand at the front; each kept missile is updated once.
TEST(Schiff, MissilePassDropsExpiredOnesAndUpdatesTheRestOnce) {
    Schiff ship;
    Missile m({}, {0, 1, 0}, {0, 0, 1}, {}, {});
    for (int lifetime : {-5, -1, 0, 700}) {
        m.lifetime = lifetime;
        ship.missiles.push_back(m);
    }
    ship.update(20);
    ASSERT_EQ(ship.missiles.size(), 2u);
    EXPECT_EQ(std::make_tuple(ship.missiles[0].lifetime, ship.missiles[1].lifetime,
                              ship.missiles[0].trailIndex, ship.missiles[1].trailIndex),
              std::make_tuple(-20, 680, 1, 1));
}
