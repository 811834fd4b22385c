// The frame logic of a mission without a window: scripted time and keys through the platform
// layer, recorders in place of the GL side and the wall. Also the review's numbers and the
// mission window's key mapping.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "mission/FrameTick.h"
#include "mission/Mission.h"
#include "mission/MissionState.h"
#include "platform/Platform.h"
#include "platform/Window.h"
#include "world/BronchiMesh.h"

namespace {

struct Recorder {
    int leaves = 0;
    int swaps = 0;
    int wallTests = 0;
    bool inside = true;
    std::vector<float> fogDensities;
    std::vector<int> swapTimes;
    std::vector<bool> drawnAlive;
    std::vector<bool> drawnFading;
};

Recorder recorder;

FrameHooks recordingHooks()
{
    return FrameHooks{
        [] { ++recorder.leaves; },
        [](float density) { recorder.fogDensities.push_back(density); },
        [](bool alive, bool fading) {
            recorder.drawnAlive.push_back(alive);
            recorder.drawnFading.push_back(fading);
        },
        [] {
            ++recorder.swaps;
            recorder.swapTimes.push_back(platform::elapsedMillis());
        },
        [](Vektor3D) {
            ++recorder.wallTests;
            return recorder.inside;
        },
    };
}

constexpr int start = 1000;

class FrameTick : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::resetInput();
        platform::useScriptedClock(start);
        recorder = Recorder{};
        frameHooks = recordingHooks();
        // What runMission's spawning leaves behind, minus the window.
        ship = Schiff(Vektor3D(250, 300, 400), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(),
                      Vektor3D());
        targetTumor = Tumor(Vektor3D(260, 310, 420));
        ship.target = targetTumor.position;
        fadingTumor = Tumor();
        fadingTumor.size = 0.0f;
        shotCount = 0;
        hitCount = 0;
        fogPhase = 0.0f;
        clearOfWall = true;
        lastClock = start;
        frameMillis = 0;
        endMillis = 0;
    }

    void TearDown() override
    {
        platform::useRealClock();
        platform::resetInput();
    }

    // Idle calls as GLUT makes them, until one more frame has run.
    static void runFrame()
    {
        const int before = recorder.swaps;
        for (int call = 0; call < 10 && recorder.swaps == before; ++call)
            frameTick();
        ASSERT_EQ(recorder.swaps, before + 1) << "no frame after ten idle calls";
    }

    static void runFrames(int count)
    {
        for (int i = 0; i < count; ++i)
            runFrame();
    }
};

}  // namespace

TEST_F(FrameTick, RunsAFrameOnlyOnceMoreThan25MillisecondsHaveGathered)
{
    platform::advanceClock(25);
    frameTick();
    EXPECT_EQ(recorder.swaps, 0);
    EXPECT_EQ(ship.timeLeft, 180000) << "an idle call before the frame is due changes no game state";
    EXPECT_TRUE(recorder.fogDensities.empty());

    // That call slept until the frame was due instead of handing back to a spinning loop.
    EXPECT_EQ(platform::elapsedMillis(), start + 26);
    frameTick();
    EXPECT_EQ(recorder.swaps, 1);
    EXPECT_EQ(ship.timeLeft, 180000 - 26);
    EXPECT_EQ(frameMillis, 0);
    EXPECT_EQ(platform::elapsedMillis(), start + 26 + 5) << "5 ms sleep after the frame";
}

TEST_F(FrameTick, FramesStartTwentySixMillisecondsApartWithoutSpinning)
{
    int calls = 0;
    while (recorder.swaps < 50) {
        frameTick();
        ASSERT_LT(++calls, 200);
    }
    for (std::size_t i = 1; i < recorder.swapTimes.size(); ++i)
        EXPECT_EQ(recorder.swapTimes[i] - recorder.swapTimes[i - 1], 26);
    // A frame, then one idle call that sleeps the rest of the 26 ms away.
    EXPECT_LE(calls, 2 * 50);
}

TEST_F(FrameTick, HeldKeysActInTableOrderAndFireAfterTheImpulses)
{
    for (int key : {platform::key::escape, platform::key::up, platform::key::left,
                    platform::key::a, platform::key::s, platform::key::q, platform::key::r,
                    platform::key::space})
        platform::keyDown(key);
    ship.fireCooldown = -1;  // ready to launch
    ship.angularVelocity = Vektor3D(0.0002, -0.0001, 0.00005);

    // The same frame by hand: the table's actions in its order, then damping and motion.
    Schiff expected = ship;
    const int ms = 26;
    expected.forwardImpulse(ms);
    expected.leftSideImpulse(ms);
    expected.yawLeftImpulse(ms);
    expected.pitchUpImpulse(ms);
    expected.rollLeftImpulse(ms);
    expected.upImpulse(ms);
    expected.fire();
    expected.dampMotion(ms);
    expected.update(ms);

    platform::advanceClock(ms);
    frameTick();

    EXPECT_EQ(recorder.leaves, 1) << "ESC leaves the main loop";
    EXPECT_EQ(recorder.swaps, 1) << "and the rest of the frame still runs";
    EXPECT_EQ(shotCount, 1);
    ASSERT_EQ(ship.missiles.size(), 1u);
    // The missile took the ship's velocity after this frame's impulses, before the recoil.
    EXPECT_EQ(ship.missiles[0].velocity.x, expected.missiles[0].velocity.x);
    EXPECT_EQ(ship.missiles[0].velocity.y, expected.missiles[0].velocity.y);
    EXPECT_EQ(ship.missiles[0].velocity.z, expected.missiles[0].velocity.z);
    for (const auto& [got, want] :
         {std::pair{ship.position, expected.position}, {ship.velocity, expected.velocity},
          {ship.angularVelocity, expected.angularVelocity}, {ship.forward, expected.forward},
          {ship.up, expected.up}}) {
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.z, want.z);
    }
}

TEST_F(FrameTick, MirroredKeysPushBackAndReleasedKeysStopActing)
{
    const double damping = std::pow(0.999, 26);
    platform::keyDown(platform::key::up);
    runFrame();
    EXPECT_NEAR(ship.velocity.z, 0.026 * damping, 1e-15);
    runFrames(2);

    platform::keyUp(platform::key::up);
    platform::keyDown(platform::key::down);
    const double speed = ship.velocity.z;
    runFrame();
    EXPECT_NEAR(ship.velocity.z, (speed - 0.026) * damping, 1e-15);

    platform::keyUp(platform::key::down);
    const double drift = ship.velocity.z;
    runFrame();
    EXPECT_NEAR(ship.velocity.z, drift * damping, 1e-15) << "nothing but damping";
}

TEST_F(FrameTick, HoldingSpaceCountsOnlyTheShotsThatLaunch)
{
    platform::keyDown(platform::key::space);
    runFrames(200);

    // Independently: a launch whenever the cooldown is below 0 at input, then 1000 ms.
    int expectedShots = 0;
    int cooldown = 0;
    for (int frame = 0; frame < 200; ++frame) {
        if (cooldown < 0) {
            ++expectedShots;
            cooldown = 1000;
        }
        cooldown -= 26;
    }
    EXPECT_EQ(shotCount, expectedShots);
    EXPECT_EQ(static_cast<int>(ship.missiles.size()), expectedShots);
}

TEST_F(FrameTick, WallContactBouncesAndDamagesOncePerContact)
{
    ship.velocity = Vektor3D(0.3, 0.0, 0.4);
    recorder.inside = false;
    runFrame();
    EXPECT_FALSE(clearOfWall);
    EXPECT_EQ(ship.health, static_cast<float>(10.0f - 0.5)) << "damage is the speed at impact";
    EXPECT_LT(ship.velocity.z, 0.0) << "bounced straight back";

    // Still in the wall: no second bounce, no more damage.
    const double z = ship.velocity.z;
    runFrames(3);
    EXPECT_EQ(ship.health, static_cast<float>(10.0f - 0.5));
    EXPECT_LT(ship.velocity.z, 0.0);
    EXPECT_GT(ship.velocity.z, z) << "only damped";

    // Clear of it, then a new contact costs again.
    recorder.inside = true;
    runFrame();
    EXPECT_TRUE(clearOfWall);
    recorder.inside = false;
    const float health = ship.health;
    const double speed = ship.velocity.length();
    runFrame();
    EXPECT_FALSE(clearOfWall);
    EXPECT_EQ(ship.health, static_cast<float>(health - speed));
    EXPECT_GT(ship.velocity.z, 0.0) << "bounced again";
}

TEST_F(FrameTick, RestingShipSkipsTheWallTest)
{
    recorder.inside = false;
    clearOfWall = false;
    runFrames(3);
    EXPECT_EQ(recorder.wallTests, 0);
    EXPECT_FALSE(clearOfWall) << "keeps its value";
    EXPECT_EQ(ship.health, 10.0f);
}

TEST_F(FrameTick, HitRaisedByTheDrawingIsScoredInTheNextFrame)
{
    const Vektor3D hitPosition = targetTumor.position;
    std::srand(4242);
    const unsigned int i = static_cast<unsigned int>(std::rand()) % wallTriangleCount;
    std::srand(4242);
    ship.tumorHit = true;  // as the scene pass of the previous frame leaves it

    runFrame();
    EXPECT_EQ(hitCount, 1);
    EXPECT_FALSE(ship.tumorHit);
    const WallVertex& v = BronchiMesh[i].vertex[0];
    EXPECT_EQ(targetTumor.position.x, static_cast<double>(v.x));
    EXPECT_EQ(targetTumor.position.y, static_cast<double>(v.y));
    EXPECT_EQ(targetTumor.position.z, static_cast<double>(v.z));
    EXPECT_EQ(targetTumor.size, 1.0f);
    EXPECT_EQ(ship.target.x, targetTumor.position.x);
    EXPECT_EQ(ship.target.z, targetTumor.position.z);
    // The old tumor fades from this frame on, already shrunk by it.
    EXPECT_EQ(fadingTumor.position.x, hitPosition.x);
    EXPECT_EQ(fadingTumor.size, static_cast<float>(1.0 - 26 / 1000.0));
    EXPECT_TRUE(recorder.drawnFading.back());

    // Gone after about a second; the frame that takes it to 0 or below still draws it.
    runFrames(38);
    EXPECT_LE(fadingTumor.size, 0.0f);
    EXPECT_TRUE(recorder.drawnFading.back());
    runFrame();
    EXPECT_FALSE(recorder.drawnFading.back());
    EXPECT_EQ(hitCount, 1) << "a hit counts once";
}

TEST_F(FrameTick, SecondHitReplacesTheFadingTumorAtOnce)
{
    ship.tumorHit = true;
    runFrames(5);
    const Vektor3D secondTarget = targetTumor.position;
    ship.tumorHit = true;
    runFrame();
    EXPECT_EQ(hitCount, 2);
    EXPECT_EQ(fadingTumor.position.x, secondTarget.x);
    EXPECT_EQ(fadingTumor.position.z, secondTarget.z);
    EXPECT_EQ(fadingTumor.size, static_cast<float>(1.0 - 26 / 1000.0));
}

TEST_F(FrameTick, FogDensityIsATriangleWaveOfPeriod140Seconds)
{
    ship.timeLeft = 1000000;  // keep the mission going past the wave's period
    const int frames = 150000 / 26;
    runFrames(frames);
    ASSERT_EQ(recorder.fogDensities.size(), static_cast<std::size_t>(frames));
    EXPECT_EQ(recorder.fogDensities[0], 0.0f);
    for (int k = 0; k < frames; k += 97) {
        const double t = std::fmod(26.0 * k, 140000.0);
        const double wave = (t <= 70000.0 ? t : 140000.0 - t) * 1e-6;
        EXPECT_NEAR(recorder.fogDensities[k], wave, 1e-4) << "frame " << k;
    }
    float highest = 0.0f;
    for (float d : recorder.fogDensities) {
        EXPECT_GE(d, 0.0f);
        highest = std::max(highest, d);
    }
    EXPECT_NEAR(highest, 0.07, 1e-4);
}

TEST_F(FrameTick, DestroyedShipEndsTheMissionThreeSecondsLaterWhateverTheKeys)
{
    ship.velocity = Vektor3D(0.0, 0.0, 0.5);
    ship.health = 0.0f;  // exactly 0 counts as destroyed
    platform::keyDown(platform::key::escape);
    platform::keyDown(platform::key::up);
    platform::keyDown(platform::key::space);

    runFrame();
    EXPECT_FALSE(recorder.drawnAlive.back()) << "no missiles, no display";
    EXPECT_EQ(endMillis, 26);
    EXPECT_EQ(shotCount, 0);
    EXPECT_GT(ship.position.z, 400.0) << "the ship still drifts";
    EXPECT_LT(ship.velocity.z, 0.5) << "and is damped, but not pushed by UP";

    // endMillis reaches 3016 after 116 frames; the 117th leaves and starts again from 0.
    runFrames(115);
    EXPECT_EQ(recorder.leaves, 0) << "ESC is ignored in the end phase";
    EXPECT_EQ(endMillis, 116 * 26);
    runFrame();
    EXPECT_EQ(recorder.leaves, 1);
    EXPECT_EQ(endMillis, 26) << "reset by the end check, then this frame's time added";
}

TEST_F(FrameTick, TimeOutEndsTheMissionWhenTheClockIsThreeSecondsOver)
{
    ship.timeLeft = 30;
    runFrame();
    EXPECT_EQ(ship.timeLeft, 4);
    EXPECT_TRUE(recorder.drawnAlive.back());
    runFrame();
    EXPECT_EQ(ship.timeLeft, -22);
    EXPECT_FALSE(recorder.drawnAlive.back()) << "the frame that ran out already skips the display";

    endMillis = -100000;  // so that only the clock can end it here
    while (ship.timeLeft > -3000)
        runFrame();
    EXPECT_EQ(recorder.leaves, 0);
    runFrame();
    EXPECT_EQ(recorder.leaves, 1);
}

TEST(MissionReview, WorkedExampleAndEdges)
{
    const MissionScore example = scoreMission(4, 3, 7.5f);
    EXPECT_EQ(example.ratio, 75.0f);
    EXPECT_EQ(example.healthPercentage, 75.0f);
    EXPECT_EQ(example.points, 16875);

    const MissionScore noShots = scoreMission(0, 5, 10.0f);
    EXPECT_EQ(noShots.ratio, 0.0f);
    EXPECT_EQ(noShots.points, 0);

    // Truncated toward zero: 2 hits in 3 shots at full health is 2 * 66.6667 * 100.
    const MissionScore thirds = scoreMission(3, 2, 10.0f);
    EXPECT_EQ(thirds.points, static_cast<int>(2 * static_cast<double>(200.0f / 3.0f) * 100.0));
    EXPECT_EQ(thirds.points, 13333);

    EXPECT_FALSE(shipSurvived(0.0f));
    EXPECT_FALSE(shipSurvived(-0.5f));
    EXPECT_FALSE(shipSurvived(std::nanf("")));
    EXPECT_TRUE(shipSurvived(0.01f));
}

TEST(MissionWindowKeys, LettersAreCaseInsensitiveAndArrowsMapToTheirCodes)
{
    EXPECT_EQ(platform::keyCodeForGlutKey('w'), 0x57);
    EXPECT_EQ(platform::keyCodeForGlutKey('W'), 0x57);
    EXPECT_EQ(platform::keyCodeForGlutKey(27), 0x1B);
    EXPECT_EQ(platform::keyCodeForGlutKey(' '), 0x20);
    EXPECT_EQ(platform::keyCodeForGlutKey('\r'), 0x0D);
    EXPECT_EQ(platform::keyCodeForGlutKey('1'), 0);
    EXPECT_EQ(platform::keyCodeForGlutSpecialKey(GLUT_KEY_LEFT), 0x25);
    EXPECT_EQ(platform::keyCodeForGlutSpecialKey(GLUT_KEY_UP), 0x26);
    EXPECT_EQ(platform::keyCodeForGlutSpecialKey(GLUT_KEY_RIGHT), 0x27);
    EXPECT_EQ(platform::keyCodeForGlutSpecialKey(GLUT_KEY_DOWN), 0x28);
    EXPECT_EQ(platform::keyCodeForGlutSpecialKey(GLUT_KEY_F1), 0);
}
