// Ship simulation step, launching and the heads-up display's frame.
#include "bodies/Schiff.h"

#include <GL/gl.h>

Schiff::Schiff(const Vektor3D& position, const Vektor3D& up, const Vektor3D& forward,
               const Vektor3D& velocity, const Vektor3D& angularVelocity)
    : BObject(position, up, forward, velocity, angularVelocity) {}

void Schiff::update(int ms) {
    move(ms);
    fireCooldown -= ms;
    timeLeft -= ms;

    // Every missile ages by the same ms and they are appended in launch order, so an expired
    // one is always at the front and restarting there never updates a missile twice.
    std::size_t i = 0;
    while (i < missiles.size()) {
        if (missiles[i].lifetime < 0) {
            missiles.erase(missiles.begin() + static_cast<std::ptrdiff_t>(i));
            i = 0;
        } else {
            missiles[i].update(ms);
            ++i;
        }
    }
}

void Schiff::fire() {
    if (fireCooldown >= 0) {
        return;
    }
    // Built before the recoil, so it keeps the ship's velocity from before the shot.
    missiles.emplace_back(position + forward, up, forward, velocity, angularVelocity);
    fireCooldown = 1000;
    backwardImpulse(500);
}

void Schiff::markTumorHit() {
    bool reached = false;
    for (const Missile& missile : missiles) {
        if ((missile.position - target) <= 2.0) {
            reached = true;
        }
    }
    if (reached) {
        tumorHit = true;
    }
}

void Schiff::updateHudOrigin() {
    hudOrigin = position + forward * 2.0;
    refreshSide();
}

void Schiff::hudVertex(double a, double b, double c) const {
    const Vektor3D point = ((hudOrigin + side * a) + up * b) + forward * c;
    glVertex3d(point.x, point.y, point.z);
}
