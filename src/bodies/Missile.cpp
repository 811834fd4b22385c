// Missile flight, trail laying and drawing.
#include "bodies/Missile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <GL/gl.h>

#include "bodies/TrailSpheres.h"

namespace {

// x truncated toward zero to 64 bits, low 32 bits kept. Outside the 64-bit range (and for NaN)
// the x86 conversion yields INT64_MIN, whose low 32 bits are 0; doing that here avoids the
// undefined out-of-range cast.
unsigned seedFromLaunchX(double x) {
    if (!(x > -9223372036854775808.0 && x < 9223372036854775808.0)) {
        return 0u;
    }
    return static_cast<unsigned>(static_cast<std::uint64_t>(static_cast<std::int64_t>(x)));
}

}  // namespace

Missile::TrailDrawer Missile::trailDrawer = trail::drawTrailBatch;

Missile::Missile(const Vektor3D& position, const Vektor3D& up, const Vektor3D& forward,
                 const Vektor3D& velocity, const Vektor3D& angularVelocity)
    : BObject(position, up, forward, velocity, angularVelocity) {
    std::srand(seedFromLaunchX(this->position.x));
}

void Missile::update(int ms) {
    lifetime -= ms;
    forwardImpulse(ms + ms);
    dampMotion(ms);
    move(ms);

    if (trailIndex == trailLength) {
        trailIndex = 0;
    }
    trailAlpha[trailIndex] = 1.0f;
    const int slot = trailIndex;
    trailIndex += 1;
    // Two draws from the shared sequence, across then up; the order is part of the game.
    const int a = std::rand() % 25 - 12;
    const Vektor3D across = (up.cross(forward) * 0.01) * static_cast<double>(a);
    const int b = std::rand() % 25 - 12;
    const Vektor3D lift = (up * 0.01) * static_cast<double>(b);
    trail[slot] = (position + lift) + across;

    // Written so that NaN also resets the phase.
    if (!(flamePhase < 1.0f)) {
        flamePhase = -1.0f;
    } else {
        flamePhase = static_cast<float>(static_cast<double>(ms) * 0.1 + flamePhase);
    }
}

void Missile::draw() {
    refreshSide();

    // Nose: each normal leans away from its own face.
    glBegin(GL_TRIANGLES);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    bodyNormal(0.0, -1.0, 1.0);
    bodyVertex(0.0, 0.0, 3.0);
    bodyVertex(-0.1, 0.1, 2.0);
    bodyVertex(0.1, 0.1, 2.0);
    bodyNormal(0.0, 1.0, 1.0);
    bodyVertex(0.0, 0.0, 3.0);
    bodyVertex(-0.1, -0.1, 2.0);
    bodyVertex(0.1, -0.1, 2.0);
    bodyNormal(1.0, 0.0, 1.0);
    bodyVertex(0.0, 0.0, 3.0);
    bodyVertex(-0.1, 0.1, 2.0);
    bodyVertex(-0.1, -0.1, 2.0);
    bodyNormal(-1.0, 0.0, 1.0);
    bodyVertex(0.0, 0.0, 3.0);
    bodyVertex(0.1, 0.1, 2.0);
    bodyVertex(0.1, -0.1, 2.0);
    glEnd();

    // Body: an open square tube, one polygon per face.
    glBegin(GL_POLYGON);
    bodyNormal(-1.0, 0.0, 0.0);
    bodyVertex(-0.1, 0.1, 0.0);
    bodyVertex(-0.1, 0.1, 2.0);
    bodyVertex(-0.1, -0.1, 2.0);
    bodyVertex(-0.1, -0.1, 0.0);
    glEnd();
    glBegin(GL_POLYGON);
    bodyNormal(1.0, 0.0, 0.0);
    bodyVertex(0.1, 0.1, 0.0);
    bodyVertex(0.1, 0.1, 2.0);
    bodyVertex(0.1, -0.1, 2.0);
    bodyVertex(0.1, -0.1, 0.0);
    glEnd();
    glBegin(GL_POLYGON);
    bodyNormal(0.0, 1.0, 0.0);
    bodyVertex(-0.1, 0.1, 0.0);
    bodyVertex(-0.1, 0.1, 2.0);
    bodyVertex(0.1, 0.1, 2.0);
    bodyVertex(0.1, 0.1, 0.0);
    glEnd();
    glBegin(GL_POLYGON);
    bodyNormal(0.0, -1.0, 0.0);
    bodyVertex(-0.1, -0.1, 0.0);
    bodyVertex(-0.1, -0.1, 2.0);
    bodyVertex(0.1, -0.1, 2.0);
    bodyVertex(0.1, -0.1, 0.0);
    glEnd();

    // Flame: white tip, blue tail corners. Its length is |phase| truncated, kept in double
    // so that no phase value can overflow an int conversion.
    const double length = std::trunc(std::fabs(static_cast<double>(flamePhase)));
    const double corners[4][2][2] = {
        {{-0.1, -0.1}, {0.1, -0.1}},
        {{-0.1, 0.1}, {0.1, 0.1}},
        {{-0.1, -0.1}, {-0.1, 0.1}},
        {{0.1, -0.1}, {0.1, 0.1}},
    };
    glBegin(GL_TRIANGLES);
    glNormal3d(-forward.x, -forward.y, -forward.z);
    for (const auto& pair : corners) {
        glColor4d(10.0, 10.0, 10.0, 1.0);
        bodyVertex(0.0, 0.0, -length);
        glColor4d(0.0, 0.0, 10.0, 1.0);
        bodyVertex(pair[0][0], pair[0][1], 0.0);
        bodyVertex(pair[1][0], pair[1][1], 0.0);
    }
    glEnd();

    trailDrawer(trailAlpha, trail);
}
