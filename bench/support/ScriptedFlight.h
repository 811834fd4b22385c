// A scripted flight for the frame benchmark: missiles in flight from the start node, then frames
// of the real frame tick on a 26 ms scripted clock, kept to be drawn again.
#pragma once

#include <cstdlib>
#include <utility>
#include <vector>

#include "mission/FrameTick.h"
#include "mission/MissionState.h"
#include "platform/Platform.h"
#include "platform/Testing.h"
#include "world/BronchiGraph.h"
#include "world/BronchiMesh.h"

namespace flight {

// What the drawing of one frame starts from.
struct Frame {
    Schiff ship;
    Tumor targetTumor, fadingTumor;
    float fogDensity;
    bool shipAlive, drawFading;

    void restore() const  // puts the frame back into the mission state
    {
        ::ship = ship;
        ::targetTumor = targetTumor;
        ::fadingTumor = fadingTumor;
    }
};

// Keys of frame n: the nose swings left and right, dips and rises, now and then a push forward.
inline void swingingKeys(int n)
{
    namespace key = platform::key;
    const int yaw = n % 80, pitch = n % 140;
    if (yaw < 10 || yaw >= 70) platform::keyDown(key::a);
    if (yaw >= 30 && yaw < 50) platform::keyDown(key::d);
    if (pitch < 8) platform::keyDown(key::w);
    if (pitch >= 70 && pitch < 78) platform::keyDown(key::s);
    if (n % 50 == 25) platform::keyDown(key::up);
}

// A fresh mission at the start node, `missiles` launched half a second apart while the ship turned
// on the spot (recoil taken back), so that their trails are full and fan out ahead.
inline void start(const BronchiGraph& graph, int missiles)
{
    std::vector<uint32_t> next;
    graph.successors(0, next);
    float at[3] = {0, 0, 0};
    graph.nodePosition(0, at);
    if (!next.empty())
        graph.nodePosition(next.front(), at);
    ship = Schiff(Vektor3D(at[0], at[1], at[2]), {0, 1, 0}, {0, 0, 1}, {}, {});
    const WallVertex& v = BronchiMesh[5000].vertex[0];
    targetTumor = Tumor(Vektor3D(v.x, v.y, v.z));
    ship.target = targetTumor.position;
    fadingTumor = Tumor();
    fadingTumor.size = 0.0f;
    fogPhase = 0.01f;
    clearOfWall = true;
    shotCount = hitCount = endMillis = 0;
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

// Runs `count` frames of the frame tick from the current mission state, keys(n) held during
// frame n, and returns what each frame's drawing starts from. Leaves the real clock on.
inline std::vector<Frame> record(int count, void (*keys)(int), bool (*inside)(Vektor3D))
{
    static std::vector<Frame> recording;
    static float fogDensity = 0.0f;
    const FrameHooks saved = frameHooks;
    // Instead of drawing, what drawing changes: the trails fade, a missile near the target hits.
    const auto takeFrame = [](bool alive, bool fading) {
        recording.push_back(Frame{ship, targetTumor, fadingTumor, fogDensity, alive, fading});
        if (!alive)
            return;
        for (Missile& missile : ship.missiles) {
            for (float& alpha : missile.trailAlpha)
                alpha = static_cast<float>(static_cast<double>(alpha) - 0.01);
        }
        ship.markTumorHit();
    };
    frameHooks = {[] {}, [](float density) { fogDensity = density; }, takeFrame, [] {}, inside};
    recording.clear();
    platform::useScriptedClock(0);
    lastClock = frameMillis = 0;
    std::srand(21822);
    for (int n = 0;; n = static_cast<int>(recording.size())) {
        platform::releaseAllKeys();
        platform::resetInput();
        if (n == count) break;
        keys(n);
        frameTick();
    }
    platform::useRealClock();
    lastClock = platform::elapsedMillis();
    frameMillis = 0;
    frameHooks = saved;
    return std::move(recording);
}

}  // namespace flight
