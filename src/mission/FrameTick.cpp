// The frame tick: input, fog, wall contact, hit scoring, the end of the mission, motion and
// drawing, once at least 26 ms have gathered.
#include "mission/FrameTick.h"

#include <cmath>
#include <cstdlib>

#include "mission/MissionState.h"
#include "platform/Platform.h"
#include "world/BronchiMesh.h"

namespace {

constexpr int endPhaseMillis = 3000;

bool shipAlive()
{
    return ship.timeLeft > 0 && ship.health > 0;
}

// The flight keys, tested in this order every frame; every impulse gets the frame's length.
void readFlightKeys()
{
    using platform::keyPressed;
    namespace key = platform::key;
    const int ms = frameMillis;
    platform::sampleKeyboard();
    if (keyPressed(key::escape))
        frameHooks.leaveMainLoop();  // the rest of the frame still runs
    if (keyPressed(key::up))
        ship.forwardImpulse(ms);
    if (keyPressed(key::down))
        ship.backwardImpulse(ms);
    if (keyPressed(key::left))
        ship.leftSideImpulse(ms);
    if (keyPressed(key::right))
        ship.rightSideImpulse(ms);
    if (keyPressed(key::a))
        ship.yawLeftImpulse(ms);
    if (keyPressed(key::d))
        ship.yawRightImpulse(ms);
    if (keyPressed(key::w))
        ship.pitchDownImpulse(ms);
    if (keyPressed(key::s))
        ship.pitchUpImpulse(ms);
    if (keyPressed(key::q))
        ship.rollLeftImpulse(ms);
    if (keyPressed(key::e))
        ship.rollRightImpulse(ms);
    if (keyPressed(key::r))
        ship.upImpulse(ms);
    if (keyPressed(key::f))
        ship.downImpulse(ms);
    if (keyPressed(key::space)) {
        if (ship.fireCooldown < 0)
            shotCount += 1;
        ship.fire();
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
    if (frameMillis <= 25) {
        // GLUT would call again at once; sleep so that the next call finds the frame due.
        platform::sleepMillis(26 - frameMillis);
        return;
    }

    if (shipAlive())
        readFlightKeys();
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
    platform::sleepMillis(5);
}
