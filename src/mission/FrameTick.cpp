// The frame tick: input, fog, wall contact, hit scoring, the end of the mission, motion and
// drawing, once at least 26 ms have gathered.
#include "mission/FrameTick.h"

#include <cmath>
#include <cstdlib>

#include "mission/MissionState.h"
#include "mission/Recording.h"
#include "platform/Platform.h"
#include "world/BronchiMesh.h"

namespace key = platform::key;

namespace {

constexpr int endPhaseMillis = 3000;

bool shipAlive()
{
    return ship.timeLeft > 0 && ship.health > 0;
}

const Recording* replay = nullptr;
std::size_t replayed = 0;  // frames of the recording played so far
RecordingWriter* recorder = nullptr;

// The flight keys that count in this frame, asked in table order.
FlightKeys readFlightKeys()
{
    platform::sampleKeyboard();
    FlightKeys keys = 0;
    for (int k = 0; k < flightKeyCount; ++k) {
        if (platform::keyPressed(flightKeys[k].code))
            keys |= 1u << k;
    }
    return keys;
}

// The keys' actions in table order; every impulse gets the frame's length.
void actOnFlightKeys(FlightKeys keys)
{
    const int ms = frameMillis;
    for (int k = 0; k < flightKeyCount; ++k) {
        if ((keys >> k & 1u) == 0)
            continue;
        switch (flightKeys[k].code) {
        case key::escape:
            frameHooks.leaveMainLoop();  // the rest of the frame still runs
            break;
        case key::up:
            ship.forwardImpulse(ms);
            break;
        case key::down:
            ship.backwardImpulse(ms);
            break;
        case key::left:
            ship.leftSideImpulse(ms);
            break;
        case key::right:
            ship.rightSideImpulse(ms);
            break;
        case key::a:
            ship.yawLeftImpulse(ms);
            break;
        case key::d:
            ship.yawRightImpulse(ms);
            break;
        case key::w:
            ship.pitchDownImpulse(ms);
            break;
        case key::s:
            ship.pitchUpImpulse(ms);
            break;
        case key::q:
            ship.rollLeftImpulse(ms);
            break;
        case key::e:
            ship.rollRightImpulse(ms);
            break;
        case key::r:
            ship.upImpulse(ms);
            break;
        case key::f:
            ship.downImpulse(ms);
            break;
        case key::space:
            if (ship.fireCooldown < 0)
                shotCount += 1;
            ship.fire();
            break;
        }
    }
}

// A triangle wave of period 140 s between 0 and 0.07.
void advanceFog()
{
    fogPhase = static_cast<float>(fogPhase + frameMillis * 0.000001);
    if (fogPhase > 0.07)
        fogPhase = static_cast<float>(fogPhase * -1.0);
}

// Bounce straight back and take the impact speed as damage, once per contact.
void touchWall()
{
    if (!(ship.velocity != 0.0))
        return;
    if (frameHooks.insideAirway(ship.position)) {
        clearOfWall = true;
        return;
    }
    if (clearOfWall) {
        ship.velocity *= -1.0;
        ship.health = static_cast<float>(ship.health - ship.velocity.length());
    }
    clearOfWall = false;
}

// The hit flag was raised by the previous frame's drawing: score it and place a new tumor.
void respawnHitTumor()
{
    if (!ship.tumorHit)
        return;
    fadingTumor = targetTumor;
    const unsigned int i = static_cast<unsigned int>(std::rand()) % wallTriangleCount;
    const WallVertex& v = BronchiMesh[i].vertex[0];
    targetTumor = Tumor(Vektor3D(v.x, v.y, v.z));
    ship.target = targetTumor.position;
    hitCount += 1;
    ship.tumorHit = false;
}

}  // namespace

void frameTick()
{
    const int t = platform::elapsedMillis();
    frameMillis += t - lastClock;
    lastClock = t;
    const bool replaying = replay != nullptr && replayed < replay->frames.size();
    const int due = replaying ? replay->frames[replayed].millis : 26;
    if (frameMillis < due) {
        // GLUT would call again at once; sleep so that the next call finds the frame due.
        platform::sleepMillis(due - frameMillis);
        return;
    }

    FlightKeys keys = 0;
    if (replaying) {
        frameMillis = replay->frames[replayed].millis;
        keys = replay->frames[replayed].keys;
        ++replayed;
        platform::sampleKeyboard();
        if (platform::keyPressed(key::escape))
            frameHooks.leaveMainLoop();
    } else if (replay != nullptr) {
        frameHooks.leaveMainLoop();  // a recording that stops short of its end
    } else if (shipAlive()) {
        keys = readFlightKeys();
    }
    if (recorder != nullptr)
        recorder->writeFrame(frameMillis, keys);
    playFrame(keys);
    platform::sleepMillis(5);
}

void playFrame(FlightKeys keys)
{
    if (shipAlive())
        actOnFlightKeys(keys);
    frameHooks.beginFrame(std::fabs(fogPhase));
    advanceFog();
    touchWall();
    respawnHitTumor();
    if (ship.timeLeft <= -endPhaseMillis || endMillis >= endPhaseMillis) {
        frameHooks.leaveMainLoop();
        endMillis = 0;
    }
    ship.dampMotion(frameMillis);
    ship.update(frameMillis);

    // The fading tumor shrinks before it is drawn, and is drawn even if that took it to 0.
    const bool drawFading = fadingTumor.size > 0;
    if (drawFading)
        fadingTumor.shrink(frameMillis);
    const bool alive = shipAlive();
    frameHooks.drawScene(alive, drawFading);
    if (!alive)
        endMillis += frameMillis;
    frameHooks.swapBuffers();
    frameMillis = 0;
}

void playRecording(const Recording* recording)
{
    replay = recording;
    replayed = 0;
}

void recordFrames(RecordingWriter* writer)
{
    recorder = writer;
}
