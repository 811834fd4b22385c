// The frame logic of a mission without a window (scripted clock and keys, recorders for the GL
// side and the wall), and the review's numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>
#include <vector>

#include "mission/FrameTick.h"
#include "mission/Mission.h"
#include "mission/MissionState.h"
#include "platform/Platform.h"
#include "world/BronchiMesh.h"

namespace {

namespace key = platform::key;
int leaves, swaps;
bool inside, drewAlive, drewFading;
std::vector<float> fog;

std::vector<double> xyz(const Vektor3D& v) { return {v.x, v.y, v.z}; }

using B = BObject;
const std::pair<int, void (B::*)(int)> flightKeys[] = {
    {key::up, &B::forwardImpulse}, {key::down, &B::backwardImpulse}, {key::left, &B::leftSideImpulse},
    {key::right, &B::rightSideImpulse}, {key::a, &B::yawLeftImpulse}, {key::d, &B::yawRightImpulse},
    {key::w, &B::pitchDownImpulse}, {key::s, &B::pitchUpImpulse}, {key::q, &B::rollLeftImpulse},
    {key::e, &B::rollRightImpulse}, {key::r, &B::upImpulse}, {key::f, &B::downImpulse}};

class FrameTick : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::resetInput();
        platform::useScriptedClock(1000);
        leaves = swaps = 0;
        inside = true;
        fog.clear();
        frameHooks = {[] { ++leaves; }, [](float density) { fog.push_back(density); },
                      [](bool alive, bool fading) { drewAlive = alive, drewFading = fading; },
                      [] { ++swaps; }, [](Vektor3D) { return inside; }};
        ship = Schiff(Vektor3D(250, 300, 400), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), {}, {});
        fadingTumor.size = fogPhase = 0.0f;
        shotCount = hitCount = frameMillis = endMillis = 0;
        clearOfWall = true;
        lastClock = 1000;
    }
    void TearDown() override { platform::useRealClock(), platform::resetInput(); }

    static void runFrames(int count = 1)
    {
        for (int target = swaps + count, calls = 0; swaps < target; ++calls, frameTick())
            ASSERT_LT(calls, 2 * count) << "idle calls spin between frames";
    }
};

}  // namespace

TEST_F(FrameTick, FramesRunOnlyOnceMoreThan25MillisecondsHaveGathered)
{
    platform::advanceClock(25);
    frameTick();
    EXPECT_EQ(ship.timeLeft, 180000) << "an early idle call changes no game state";
    frameTick();  // the early call slept until the frame was due
    EXPECT_EQ(ship.timeLeft, 180000 - 26);
    EXPECT_EQ(platform::elapsedMillis(), 1000 + 26 + 5) << "5 ms sleep after a frame";
}

// One key of each mirrored pair at a time, with ESC (the frame still runs to its end) and SPACE.
TEST_F(FrameTick, HeldKeysActInTableOrderWithTheShotAfterTheImpulses)
{
    for (int half : {0, 1}) {
        platform::resetInput();
        platform::keyDown(key::escape);
        platform::keyDown(key::space);
        ship.fireCooldown = -1;
        Schiff expected = ship;
        for (int i = half; i < 12; i += 2) {
            platform::keyDown(flightKeys[i].first);
            (expected.*flightKeys[i].second)(26);
        }
        expected.fire(), expected.dampMotion(26), expected.update(26);
        runFrames();
        EXPECT_EQ(xyz(ship.angularVelocity), xyz(expected.angularVelocity)) << "half " << half;
        EXPECT_EQ(xyz(ship.missiles.back().velocity), xyz(expected.missiles.back().velocity));
    }
}

// The first frame of a contact bounces and costs the speed at impact; the rest of it nothing.
TEST_F(FrameTick, WallContactBouncesAndDamagesOncePerContact)
{
    ship.velocity = Vektor3D(0.3, 0.0, 0.4);
    for (int contact : {1, 2}) {
        inside = false;
        const float health = static_cast<float>(ship.health - ship.velocity.length());
        const double z = ship.velocity.z;
        runFrames(4);
        EXPECT_EQ(ship.health, health) << "contact " << contact;
        EXPECT_LT(ship.velocity.z * z, 0.0) << "contact " << contact;
        inside = true;
        runFrames();
    }
}

TEST_F(FrameTick, HitFlaggedByTheDrawingIsScoredAndRespawnedInTheNextFrame)
{
    std::srand(4242);
    const WallVertex& v = BronchiMesh[unsigned(std::rand()) % wallTriangleCount].vertex[0];
    std::srand(4242);
    ship.tumorHit = true;  // as the previous frame's drawing leaves it
    runFrames();
    EXPECT_EQ(std::tuple(hitCount, ship.tumorHit), std::tuple(1, false)) << "flag cleared: once";
    EXPECT_EQ(xyz(targetTumor.position), xyz(Vektor3D(v.x, v.y, v.z)));
    EXPECT_EQ(xyz(ship.target), xyz(targetTumor.position));
    EXPECT_TRUE(drewFading) << "the hit tumor fades from that frame on";
}

TEST_F(FrameTick, FogDensityIsATriangleWaveOf140Seconds)
{
    runFrames(150000 / 26);
    for (std::size_t k = 0; k < fog.size(); k += 97) {
        const double t = std::fmod(26.0 * k, 140000.0);
        EXPECT_NEAR(fog[k], (t <= 70000.0 ? t : 140000.0 - t) * 1e-6, 5e-5) << "frame " << k;
    }
}

// Destroyed, or out of time in the first frame's motion step: no display or keys from then on.
TEST_F(FrameTick, EndPhaseIgnoresKeysAndLastsThreeSeconds)
{
    for (const auto& healthAndTime : {std::pair{0.0f, 180000}, {10.0f, 26}}) {
        SetUp();
        std::tie(ship.health, ship.timeLeft) = healthAndTime;
        runFrames();
        EXPECT_FALSE(drewAlive);
        for (int code : {key::escape, key::up, key::space})
            platform::keyDown(code);
        runFrames((3000 + 25) / 26 - 1);
        EXPECT_EQ(leaves + shotCount, 0) << "ESC and SPACE do nothing in the end phase";
        runFrames();
        EXPECT_EQ(leaves, 1);
        EXPECT_EQ(endMillis, 26) << "reset for the next mission by the frame that leaves";
    }
}

TEST(MissionReview, PointsAreHitsTimesRatioTimesHealthPercentage)
{
    const MissionScore s = scoreMission(4, 3, 7.5f);
    EXPECT_EQ(std::tuple(s.ratio, s.healthPercentage, s.points), std::tuple(75.0f, 75.0f, 16875));
    EXPECT_EQ(scoreMission(0, 5, 10.0f).ratio, 0.0f);
    EXPECT_EQ(scoreMission(0, 5, 10.0f).points, 0) << "no shots, no points";
    EXPECT_EQ(scoreMission(3, 2, 7.5f).points, 9999) << "2 * 66.6667f * 75 = 9999.9996, truncated";
    EXPECT_FALSE(shipSurvived(0.0f)) << "exactly 0 counts as destroyed";
}
