// Body physics: the steering impulses, the motion step that turns the frame, and damping.
#include "bodies/BObject.h"

#include <GL/gl.h>

double powInt(double base, int exponent) {
    // Unsigned, so that the magnitude of INT_MIN is representable.
    unsigned n = exponent < 0 ? 0u - static_cast<unsigned>(exponent) : static_cast<unsigned>(exponent);
    double z = 1.0;
    for (;;) {
        if (n % 2u == 1u) {
            z = z * base;
        }
        n /= 2u;
        if (n == 0u) {
            break;
        }
        base = base * base;
    }
    return exponent < 0 ? 1.0 / z : z;
}

BObject::BObject(const Vektor3D& position, const Vektor3D& up, const Vektor3D& forward,
                 const Vektor3D& velocity, const Vektor3D& angularVelocity)
    : position(position), up(up), forward(forward), velocity(velocity),
      angularVelocity(angularVelocity) {}

void BObject::refreshSide() { side = up.cross(forward); }

// Every impulse forms the product before the division; the rounding depends on it.
void BObject::forwardImpulse(int ms) { velocity += (forward * static_cast<double>(ms)) / 1000.0; }

void BObject::backwardImpulse(int ms) { forwardImpulse(-ms); }

// Computed fresh rather than read from side, which may be stale.
void BObject::leftSideImpulse(int ms) {
    velocity += (up.cross(forward) * static_cast<double>(ms)) / 1000.0;
}

void BObject::rightSideImpulse(int ms) { leftSideImpulse(-ms); }

void BObject::upImpulse(int ms) { velocity += (up * static_cast<double>(ms)) / 1000.0; }

void BObject::downImpulse(int ms) { upImpulse(-ms); }

void BObject::rollLeftImpulse(int ms) {
    angularVelocity -= (forward * static_cast<double>(ms)) / 1000000.0;
}

void BObject::rollRightImpulse(int ms) { rollLeftImpulse(-ms); }

void BObject::yawLeftImpulse(int ms) {
    angularVelocity += (up * static_cast<double>(ms)) / 1000000.0;
}

void BObject::yawRightImpulse(int ms) { yawLeftImpulse(-ms); }

void BObject::pitchUpImpulse(int ms) {
    angularVelocity += (forward.cross(up) * static_cast<double>(ms)) / 1000000.0;
}

void BObject::pitchDownImpulse(int ms) { pitchUpImpulse(-ms); }

void BObject::move(int ms) {
    const double t = static_cast<double>(ms);
    position += (velocity * t) / 40.0;  // velocity is in world units per 40 ms
    // Two equal rotation vectors in a row: the second turn hits the rotation memo.
    const Vektor3D turnForward = angularVelocity * t;
    forward.rotateBy(turnForward);
    const Vektor3D turnUp = angularVelocity * t;
    up.rotateBy(turnUp);
}

void BObject::dampMotion(int ms) {
    if (velocity != 0.0) {
        if (velocity < 0.001) {
            velocity *= 0.0;
        } else {
            velocity *= powInt(0.999, ms);
        }
    }
    if (angularVelocity != 0.0) {
        if (angularVelocity < 5e-6) {
            angularVelocity *= 0.0;
        } else {
            angularVelocity *= powInt(0.999, ms);
        }
    }
}

// The scratch vectors live for the whole run so that drawing allocates nothing.
void BObject::bodyVertex(double a, double b, double c) const {
    static Vektor3D point;
    point = ((position + side * a) + up * b) + forward * c;
    glVertex3d(point.x, point.y, point.z);
}

void BObject::bodyNormal(double a, double b, double c) const {
    static Vektor3D normal;
    normal = ((side * a) + (up * b)) + forward * c;
    normal.normalize();
    glNormal3d(normal.x, normal.y, normal.z);
}
