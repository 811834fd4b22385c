// A pilot for scripted missions: turns the ship towards the tumor, holds it against the recoil
// and fires once it is on target. Keys for one frame, from the mission state.
#pragma once

#include <cmath>

#include "mission/MissionState.h"
#include "platform/Platform.h"

namespace pilot {

inline double dot(const Vektor3D& a, const Vektor3D& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Presses (platform::keyDown) the keys of this frame.
inline void steer()
{
    namespace key = platform::key;
    const Vektor3D toTarget = ship.target - ship.position;
    const Vektor3D left = ship.up.cross(ship.forward);
    const double ahead = dot(toTarget, ship.forward);
    const double yawError = std::atan2(dot(toTarget, left), ahead);
    const double pitchError = std::atan2(dot(toTarget, ship.up), ahead);
    // Turn rates (radians per ms) towards the left and upwards, and the rates wanted.
    const double yawRate = dot(ship.angularVelocity, ship.up);
    const double pitchRate = dot(ship.angularVelocity, ship.forward.cross(ship.up));
    const auto wanted = [](double error) { return std::fmax(-5e-4, std::fmin(5e-4, 0.01 * error)); };
    // Half the rate one frame's impulse adds.
    constexpr double slack = 1.3e-5;
    if (yawRate < wanted(yawError) - slack)
        platform::keyDown(key::a);
    if (yawRate > wanted(yawError) + slack)
        platform::keyDown(key::d);
    if (pitchRate < wanted(pitchError) - slack)
        platform::keyDown(key::s);
    if (pitchRate > wanted(pitchError) + slack)
        platform::keyDown(key::w);
    if (dot(ship.velocity, ship.forward) < 0)
        platform::keyDown(key::up);
    const bool onTarget = std::fabs(yawError) < 0.003 && std::fabs(pitchError) < 0.003;
    if (onTarget && ship.angularVelocity.length() < 3e-5)
        platform::keyDown(key::space);
}

}  // namespace pilot
