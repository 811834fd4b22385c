// A scripted flight through the airway for the frame benchmark and the image test: a mission
// at the start node with missiles already in flight, then frames of the real frame tick with
// keys from a script. Frames are recorded on a scripted clock of 26 ms a frame, as the state the
// scene drawing sees, so that the same frame can be drawn again, and drawn in different ways.
#pragma once

#include <cstdlib>
#include <vector>

#include "bodies/Schiff.h"
#include "bodies/Tumor.h"
#include "mission/FrameTick.h"
#include "mission/MissionState.h"
#include "platform/Platform.h"
#include "world/BronchiGraph.h"
#include "world/BronchiMesh.h"

namespace flight {

// What the drawing of one frame starts from.
struct Frame {
    Schiff ship;
    Tumor targetTumor;
    Tumor fadingTumor;
    float fogDensity;
    bool shipAlive;
    bool drawFading;

    // Puts the frame back into the mission state.
    void restore() const
    {
        ::ship = ship;
        ::targetTumor = targetTumor;
        ::fadingTumor = fadingTumor;
    }
};

// Keys of frame n: the nose swings left and right, dips and rises, now and then a push
// forward.
inline void swingingKeys(int n)
{
    namespace key = platform::key;
    const int yaw = n % 80;
    const int pitch = n % 140;
    if (yaw < 10 || yaw >= 70)
        platform::keyDown(key::a);
    else if (yaw >= 30 && yaw < 50)
        platform::keyDown(key::d);
    if (pitch < 8)
        platform::keyDown(key::w);
    else if (pitch >= 70 && pitch < 78)
        platform::keyDown(key::s);
    if (n % 50 == 25)
        platform::keyDown(key::up);
}

// A fresh mission at the start node with `missiles` missiles launched half a second apart while
// the ship turned on the spot, so that their trails are full and fan out ahead. The recoil is
// taken back, so the ship stays where it started.
inline void start(const BronchiGraph& graph, int missiles)
{
    std::vector<uint32_t> next;
    graph.successors(0, next);
    float at[3] = {0, 0, 0};
    graph.nodePosition(0, at);
    if (!next.empty())
        graph.nodePosition(next.front(), at);
    ship = Schiff(Vektor3D(at[0], at[1], at[2]), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1),
                  Vektor3D(), Vektor3D());
    const WallVertex& v = BronchiMesh[5000].vertex[0];
    targetTumor = Tumor(Vektor3D(v.x, v.y, v.z));
    ship.target = targetTumor.position;
    fadingTumor = Tumor();
    fadingTumor.size = 0.0f;
    fogPhase = 0.01f;
    clearOfWall = true;
    shotCount = 0;
    hitCount = 0;
    endMillis = 0;

    for (int launched = 0; launched < missiles; ++launched) {
        ship.fireCooldown = -1;
        ship.fire();
        ship.velocity = Vektor3D();
        ship.angularVelocity = Vektor3D(0, (launched % 4 < 2 ? 1 : -1) * 0.0002, 0);
        for (int step = 0; step < 20; ++step)
            ship.update(25);
    }
    ship.angularVelocity = Vektor3D();
    ship.fireCooldown = 0;
}

namespace detail {

inline std::vector<Frame>* frames = nullptr;
inline float fogDensity = 0.0f;

inline void noLeaving() {}
inline void noSwap() {}
inline void noteFog(float density) { fogDensity = density; }

// Takes the frame, then changes the state as drawing it would: every drawn trail point fades,
// and a missile within reach of the target raises the hit.
inline void takeFrame(bool shipAlive, bool drawFading)
{
    frames->push_back(Frame{ship, targetTumor, fadingTumor, fogDensity, shipAlive, drawFading});
    if (!shipAlive)
        return;
    for (Missile& missile : ship.missiles) {
        for (float& alpha : missile.trailAlpha)
            alpha = static_cast<float>(static_cast<double>(alpha) - 0.01);
        if ((missile.position - ship.target) <= 2.0)
            ship.tumorHit = true;
    }
}

}  // namespace detail

// Runs `count` frames of the frame tick from the current mission state, keys(n) held during
// frame n, and returns what each frame's drawing starts from. Leaves the real clock on.
inline std::vector<Frame> record(int count, void (*keys)(int), bool (*inside)(Vektor3D))
{
    std::vector<Frame> recorded;
    const FrameHooks saved = frameHooks;
    frameHooks = {detail::noLeaving, detail::noteFog, detail::takeFrame, detail::noSwap, inside};
    detail::frames = &recorded;
    platform::useScriptedClock(0);
    lastClock = 0;
    frameMillis = 0;
    std::srand(21822);
    while (static_cast<int>(recorded.size()) < count) {
        platform::releaseAllKeys();
        platform::resetInput();
        keys(static_cast<int>(recorded.size()));
        frameTick();
    }
    platform::releaseAllKeys();
    platform::resetInput();
    platform::useRealClock();
    lastClock = platform::elapsedMillis();
    frameMillis = 0;
    detail::frames = nullptr;
    frameHooks = saved;
    return recorded;
}

}  // namespace flight
