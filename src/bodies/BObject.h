// The base of every moving body: position, a forward/up frame, linear and angular velocity,
// the twelve steering impulses, motion and damping, and drawing in the body's own frame.
#pragma once

#include "math/Vektor3D.h"

// b to the power e by binary exponentiation; its rounding differs from repeated multiplication.
double powInt(double base, int exponent);

class BObject {
public:
    Vektor3D side;             // up x forward, only as fresh as the last refreshSide()
    Vektor3D position;         // world units
    Vektor3D up{0.0, 1.0, 0.0};
    Vektor3D forward{0.0, 0.0, 1.0};
    Vektor3D velocity;         // world units per 40 ms
    Vektor3D angularVelocity;  // rotation vector, radians per ms

    BObject() = default;
    BObject(const Vektor3D& position, const Vektor3D& up, const Vektor3D& forward,
            const Vektor3D& velocity, const Vektor3D& angularVelocity);
    BObject(const BObject& other) = default;
    BObject& operator=(const BObject& other) = default;
    virtual ~BObject() = default;

    void refreshSide();

    void forwardImpulse(int ms);
    void backwardImpulse(int ms);
    void leftSideImpulse(int ms);
    void rightSideImpulse(int ms);
    void upImpulse(int ms);
    void downImpulse(int ms);
    void rollLeftImpulse(int ms);
    void rollRightImpulse(int ms);
    void yawLeftImpulse(int ms);
    void yawRightImpulse(int ms);
    void pitchUpImpulse(int ms);
    void pitchDownImpulse(int ms);

    void move(int ms);
    void dampMotion(int ms);

    // Body-frame coordinates (a, b, c) along side, up and forward; callers refresh side first.
    void bodyVertex(double a, double b, double c) const;
    void bodyNormal(double a, double b, double c) const;
};
