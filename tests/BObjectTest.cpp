// BObject: the impulses' roundings, the motion step, the damping thresholds and powInt.
#include "bodies/BObject.h"

#include <gtest/gtest.h>

#include <cmath>

static bool same(Vektor3D a, Vektor3D b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

static double binPow(double b, int e, double z = 1.0) {  // binary exponentiation, step by step
    for (int n = e < 0 ? -e : e; n > 0; n /= 2, b = b * b) z = n % 2 ? z * b : z;
    return e < 0 ? 1 / z : z;
}

TEST(BObject, WorkedImpulsesAndTurnOnTheDefaultFrame) {
    BObject b, yaw;
    b.forwardImpulse(1000), b.move(40), b.leftSideImpulse(500), b.pitchUpImpulse(1000);
    b.rollLeftImpulse(1000), yaw.angularVelocity = {0, 0.001, 0}, yaw.move(1000);
    EXPECT_TRUE(same(b.position, {0, 0, 1}) && same(b.velocity, {0.5, 0, 1}));
    EXPECT_TRUE(same(b.angularVelocity, {-0.001, 0, -0.001}) && same(b.side, {}));
    EXPECT_TRUE(same(yaw.forward, {std::sin(1.0), 0, std::cos(1.0)}) && same(yaw.up, {0, 1, 0}));
}

TEST(BObject, ImpulsesFormTheProductBeforeTheDivisionAndTwinsNegateMs) {
    const Vektor3D f(0, 0, 0.7), u(0, 0.2, 0);  // each step lands on its own component, unblurred
    for (int ms : {3, 17, 25, 1000}) {
        BObject a({1, 2, 3}, u, f, {}, {}), b = a;
        a.forwardImpulse(ms), a.leftSideImpulse(ms), a.upImpulse(ms), a.rollLeftImpulse(ms);
        a.yawLeftImpulse(ms), a.pitchUpImpulse(ms), b.backwardImpulse(ms), b.rightSideImpulse(ms);
        b.downImpulse(ms), b.rollRightImpulse(ms), b.yawRightImpulse(ms), b.pitchDownImpulse(ms);
        const Vektor3D v = ((f * ms) / 1e3 + (u.cross(f) * ms) / 1e3) + (u * ms) / 1e3;
        const Vektor3D w = ((f * -ms) / 1e6 + (u * ms) / 1e6) + (f.cross(u) * ms) / 1e6;
        EXPECT_TRUE(same(a.velocity, v) && same(a.angularVelocity, w)) << ms;
        EXPECT_TRUE(same(b.velocity, v * -1.0) && same(b.angularVelocity, w * -1.0)) << ms;
    }
}

TEST(BObject, MoveAdvancesPer40MsAndTurnsBothAxesByTheSameRotationVector) {
    BObject b({}, {0.1, 0.9, 0.3}, {0.7, -0.2, 0.6}, {0.3, 0.1, -0.2}, {3e-4, -7e-4, 2e-4});
    Vektor3D pos = b.position + (b.velocity * 30.0) / 40.0, fwd = b.forward, up = b.up;
    fwd.rotateBy(b.angularVelocity * 30.0), up.rotateBy(b.angularVelocity * 30.0), b.move(30);
    EXPECT_TRUE(same(b.position, pos) && same(b.forward, fwd) && same(b.up, up));
}

TEST(BObject, DampingZeroesBelowStrictThresholdsAndOtherwiseDecaysByPowInt) {
    BObject a, b, c({}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {});
    a.velocity = {0, 0, 0.001}, a.angularVelocity = {0, 4.9e-6, 0}, a.dampMotion(20);
    b.velocity = {9e-4, 0, 0}, b.angularVelocity = {0, 0, 5e-6}, b.dampMotion(20), c.dampMotion(30);
    EXPECT_TRUE(same(a.velocity, {0, 0, 0.001 * binPow(0.999, 20)}) && same(a.angularVelocity, {}));
    EXPECT_TRUE(same(b.velocity, {}) && same(b.angularVelocity, {0, 0, 5e-6 * binPow(0.999, 20)}));
    EXPECT_NEAR(c.velocity.x, 0.970431, 1e-6);
}

TEST(BObject, PowIntIsBinaryExponentiationWithReciprocalsForNegativeExponents) {
    for (int e = 0; e <= 64; ++e) {
        for (double b : {0.999, 1.001, 0.37, 3.3})
            EXPECT_TRUE(powInt(b, e) == binPow(b, e) && powInt(b, -e) == 1 / binPow(b, e)) << e;
    }
}
