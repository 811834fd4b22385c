// A mission's frames on a scripted clock and keys, with recorders for GL and the wall; the
// review's numbers.
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
#include "platform/Testing.h"
#include "world/BronchiMesh.h"

namespace {

namespace key = platform::key;
int leaves, swaps;  // main loop left, buffers swapped
bool drewAlive, drewFading;
std::vector<float> fog;

template <class Point> std::vector<double> xyz(const Point& p) { return {p.x, p.y, p.z}; }

using B = BObject;
const std::pair<int, void (B::*)(int)> impulseKeys[] = {
    {key::up, &B::forwardImpulse}, {key::down, &B::backwardImpulse},
    {key::left, &B::leftSideImpulse}, {key::right, &B::rightSideImpulse},
    {key::a, &B::yawLeftImpulse}, {key::d, &B::yawRightImpulse},
    {key::w, &B::pitchDownImpulse}, {key::s, &B::pitchUpImpulse},
    {key::q, &B::rollLeftImpulse}, {key::e, &B::rollRightImpulse},
    {key::r, &B::upImpulse}, {key::f, &B::downImpulse}};

// Fails rather than hangs when idle calls spin instead of sleeping.
void runFrames(int count = 1)
{
    const int target = swaps + count;
    for (int calls = 0; swaps < target; ++calls) {
        ASSERT_LT(calls, 2 * count) << "idle calls spin between frames";
        frameTick();
    }
}

struct FrameTick : ::testing::Test {
    void SetUp() override
    {
        platform::resetInput();
        lastClock = 1000;
        platform::useScriptedClock(lastClock);
        leaves = swaps = shotCount = hitCount = frameMillis = endMillis = 0;
        fog.clear();
        frameHooks = {[] { ++leaves; }, [](float density) { fog.push_back(density); },
                      [](bool alive, bool fading) {
                          drewAlive = alive;
                          drewFading = fading;
                      },
                      [] { ++swaps; }, [](Vektor3D) { return true; }};
        ship = Schiff(Vektor3D(250, 300, 400), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), {}, {});
        fadingTumor.size = fogPhase = 0.0f;
        clearOfWall = true;
    }
    void TearDown() override
    {
        platform::useRealClock();
        platform::resetInput();
    }
};

}  // namespace

TEST_F(FrameTick, FramesStart26MillisecondsApartWithATriangleWaveOfFogUntil3SecondsAfterTheTime)
{
    platform::advanceClock(25);
    frameTick();  // no frame yet: it sleeps until one is due
    const int last = (183000 + 25) / 26 + 1;  // the first frame to start 3 s after the time ran out
    runFrames(last);
    EXPECT_EQ(std::tuple(ship.timeLeft, drewAlive, leaves, endMillis),
              std::tuple(180000 - 26 * last, false, 1, 26))
        << "left by the last frame, which resets endMillis";
    EXPECT_EQ(platform::elapsedMillis(), 1000 + 26 * last + 5) << "5 ms sleep after a frame";
    for (std::size_t k = 0; k < fog.size(); k += 97)  // frame k starts 26 k ms into the mission
        EXPECT_NEAR(fog[k], 0.07 - std::fabs(std::fmod(26e-6 * k, 0.14) - 0.07), 5e-5)
            << "frame " << k;
}

// One key of each mirrored pair held at a time, with ESC (the frame still runs on) and SPACE, after
// a frame that flagged a hit: scored after the keys, from rand() as the launch reseeded it.
TEST_F(FrameTick, KeysActInTableOrderThenTheFlaggedHitIsScoredWithANewTumor)
{
    for (int half : {0, 1}) {
        platform::resetInput();
        platform::keyDown(key::escape);
        platform::keyDown(key::space);
        ship.fireCooldown = -1;
        ship.tumorHit = true;
        Schiff expected = ship;
        for (int i = half; i < 12; i += 2) {
            platform::keyDown(impulseKeys[i].first);
            (expected.*impulseKeys[i].second)(26);
        }
        expected.fire();
        const WallVertex& v = BronchiMesh[unsigned(std::rand()) % wallTriangleCount].vertex[0];
        expected.dampMotion(26);
        expected.update(26);
        runFrames();
        EXPECT_EQ(xyz(ship.angularVelocity), xyz(expected.angularVelocity)) << "half " << half;
        EXPECT_EQ(xyz(ship.missiles.back().velocity), xyz(expected.missiles.back().velocity));
        EXPECT_EQ(std::tuple(hitCount, ship.tumorHit, drewFading, xyz(targetTumor.position),
                             xyz(ship.target)),
                  std::tuple(half + 1, false, true, xyz(v), xyz(v)));
    }
}

TEST_F(FrameTick, SpaceCountsAShotOnlyWhenTheShipFires)
{
    ship.fireCooldown = 0;
    platform::keyDown(key::space);
    runFrames();
    EXPECT_EQ(shotCount, 0) << "at cooldown 0 the ship does not fire";
    runFrames();
    EXPECT_EQ(shotCount, 1);
}

// A contact bounces and costs the speed at impact in its first frame only. The one that takes the
// last health still reads its frame's keys, draws no display, and then keys do nothing for 3 s.
TEST_F(FrameTick, WallContactDamagesOnceAndTheLastHealthLostEndsTheMission)
{
    frameHooks.insideAirway = [](Vektor3D) { return swaps % 5 == 4; };  // four frames out, one in
    ship.velocity = Vektor3D(0.3, 0.0, 0.4);
    runFrames(5);
    EXPECT_EQ(std::tuple(ship.health, ship.velocity.z < 0),
              std::tuple(static_cast<float>(10.0 - 0.5), true));
    ship.health = 0.1f;
    ship.fireCooldown = -1;
    platform::keyDown(key::space);
    runFrames();
    EXPECT_EQ(std::tuple(ship.health <= 0, shotCount, drewAlive), std::tuple(true, 1, false));
    platform::keyDown(key::escape);
    runFrames((3000 + 25) / 26 - 1);
    EXPECT_EQ(leaves + shotCount, 1) << "ESC and SPACE do nothing in the end phase";
    runFrames();
    EXPECT_EQ(std::tuple(leaves, endMillis), std::tuple(1, 26)) << "endMillis reset when leaving";
}

TEST(MissionReview, PointsAreHitsTimesRatioTimesHealthPercentage)
{
    const MissionScore s = scoreMission(4, 3, 7.5f);
    const MissionScore none = scoreMission(0, 5, 10.0f);
    EXPECT_EQ(std::tuple(s.ratio, s.healthPercentage, s.points), std::tuple(75.0f, 75.0f, 16875));
    EXPECT_EQ(std::tuple(none.ratio, none.points), std::tuple(0.0f, 0)) << "no shots, no points";
    EXPECT_EQ(scoreMission(3, 2, 7.5f).points, 9999) << "2 * 66.6667f * 75 = 9999.9996, truncated";
    EXPECT_FALSE(shipSurvived(0.0f));
    EXPECT_FALSE(shipSurvived(std::nanf(""))) << "NaN counts as destroyed";
}

TEST(MissionReview, ADestroyedShipGetsTheFailureLineAndNoNumbers)
{
    for (float health : {0.0f, -3.5f}) {
        ship.health = health;
        testing::internal::CaptureStdout();
        printReview();
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Mission Review:\n---------------\n"
                  "Ship destroyed... Mission failed! (shame on you...)\n\n")
            << health;
    }
}
