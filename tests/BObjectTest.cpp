// BObject: the twelve impulses, the motion step, damping thresholds and powInt's rounding.
#include "bodies/BObject.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectSame(const Vektor3D& a, const Vektor3D& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

// Binary exponentiation, step by step.
double binaryPower(double b, int e) {
    int n = e < 0 ? -e : e;
    double z = 1.0;
    while (true) {
        if (n % 2 == 1) z = z * b;
        n /= 2;
        if (n == 0) break;
        b = b * b;
    }
    return e < 0 ? 1.0 / z : z;
}

// A body whose frame has no zero components, so that each axis shows in each result.
BObject tiltedBody() {
    return BObject(Vektor3D(1, 2, 3), Vektor3D(0.1, 0.9, 0.3), Vektor3D(0.7, -0.2, 0.6),
                   Vektor3D(0.3, 0.1, -0.2), Vektor3D(0.0003, -0.0007, 0.0002));
}

}  // namespace

TEST(BObject, WorkedImpulsesOnADefaultBody) {
    BObject body;
    body.forwardImpulse(1000);
    expectSame(body.velocity, Vektor3D(0, 0, 1));
    body.move(40);
    expectSame(body.position, Vektor3D(0, 0, 1));

    BObject turn;
    turn.leftSideImpulse(500);
    turn.pitchUpImpulse(1000);
    expectSame(turn.velocity, Vektor3D(0.5, 0, 0));
    expectSame(turn.angularVelocity, Vektor3D(-0.001, 0, 0));
    turn.rollLeftImpulse(1000);
    expectSame(turn.angularVelocity, Vektor3D(-0.001, 0, -0.001));
    expectSame(turn.side, Vektor3D(0, 0, 0));
    turn.refreshSide();
    expectSame(turn.side, Vektor3D(1, 0, 0));
}

// Each impulse adds (axis * ms) / scale, product first, and its twin the opposite. The body
// starts at rest so that no addition hides the rounding of the step.
TEST(BObject, ImpulsesFormTheProductBeforeTheDivision) {
    const BObject tilted = tiltedBody();
    const BObject base(tilted.position, tilted.up, tilted.forward, Vektor3D(), Vektor3D());
    const Vektor3D& f = base.forward;
    const Vektor3D& u = base.up;
    const Vektor3D left(u.y * f.z - u.z * f.y, u.z * f.x - u.x * f.z, u.x * f.y - u.y * f.x);
    const Vektor3D pitch(-left.x, -left.y, -left.z);
    const Vektor3D roll(-f.x, -f.y, -f.z);
    struct Case {
        void (BObject::*impulse)(int);
        void (BObject::*twin)(int);
        Vektor3D axis;
        double scale;
        bool angular;
    };
    const Case cases[] = {
        {&BObject::forwardImpulse, &BObject::backwardImpulse, f, 1000.0, false},
        {&BObject::leftSideImpulse, &BObject::rightSideImpulse, left, 1000.0, false},
        {&BObject::upImpulse, &BObject::downImpulse, u, 1000.0, false},
        {&BObject::rollLeftImpulse, &BObject::rollRightImpulse, roll, 1e6, true},
        {&BObject::yawLeftImpulse, &BObject::yawRightImpulse, u, 1e6, true},
        {&BObject::pitchUpImpulse, &BObject::pitchDownImpulse, pitch, 1e6, true},
    };
    ASSERT_NE((0.7 * 3) / 1000.0, 0.7 * (3 / 1000.0));
    for (const Case& c : cases) {
        for (int ms : {3, 17, 25}) {
            BObject a = base, b = base;
            const Vektor3D BObject::*changed = c.angular ? &BObject::angularVelocity : &BObject::velocity;
            const Vektor3D BObject::*kept = c.angular ? &BObject::velocity : &BObject::angularVelocity;
            const Vektor3D d((c.axis.x * ms) / c.scale, (c.axis.y * ms) / c.scale, (c.axis.z * ms) / c.scale);
            (a.*c.impulse)(ms);
            (b.*c.twin)(ms);
            expectSame(a.*changed, d);
            expectSame(b.*changed, Vektor3D(-d.x, -d.y, -d.z));
            (a.*c.impulse)(ms);  // impulses accumulate
            expectSame(a.*changed, Vektor3D(d.x + d.x, d.y + d.y, d.z + d.z));
            expectSame(a.*kept, Vektor3D());
        }
    }
}

TEST(BObject, MoveIntegratesAndTurnsBothAxesByTheSameRotationVector) {
    BObject yaw;
    yaw.angularVelocity = Vektor3D(0, 0.001, 0);
    yaw.move(1000);
    expectSame(yaw.forward, Vektor3D(std::sin(1.0), 0, std::cos(1.0)));
    expectSame(yaw.up, Vektor3D(0, 1, 0));

    const BObject base = tiltedBody();
    BObject body = base;
    body.move(25);
    Vektor3D pos = base.position, fwd = base.forward, up = base.up;
    pos += (base.velocity * 25.0) / 40.0;
    const Vektor3D w = base.angularVelocity * 25.0;
    fwd.rotateBy(w);
    up.rotateBy(w);
    expectSame(body.position, pos);
    expectSame(body.forward, fwd);
    expectSame(body.up, up);
    expectSame(body.angularVelocity, base.angularVelocity);
    expectSame(body.side, Vektor3D());
}

TEST(BObject, DampingThresholdsAndDecay) {
    BObject slow, fast, spin, still;
    slow.velocity = Vektor3D(0.0009, 0, 0);
    fast.velocity = Vektor3D(1, 0, 0);
    slow.dampMotion(30);
    fast.dampMotion(30);
    expectSame(slow.velocity, Vektor3D(0, 0, 0));
    EXPECT_NEAR(fast.velocity.x, 0.970431, 1e-6);
    EXPECT_EQ(fast.velocity.x, binaryPower(0.999, 30));

    spin.angularVelocity = Vektor3D(0, 4.9e-6, 0);
    spin.velocity = Vektor3D(0, 0, 0.001);  // exactly at its threshold: decays
    spin.dampMotion(20);
    expectSame(spin.angularVelocity, Vektor3D(0, 0, 0));
    EXPECT_EQ(spin.velocity.z, 0.001 * binaryPower(0.999, 20));
    spin.angularVelocity = Vektor3D(0, 0, 5e-6);
    spin.dampMotion(20);
    EXPECT_EQ(spin.angularVelocity.z, 5e-6 * binaryPower(0.999, 20));

    still.dampMotion(30);
    expectSame(still.velocity, Vektor3D(0, 0, 0));
    expectSame(still.angularVelocity, Vektor3D(0, 0, 0));
}

TEST(BObject, PowIntIsBinaryExponentiation) {
    bool differsFromRepeatedProduct = false;
    for (double b : {0.999, 1.001, 0.37, 3.3}) {
        double repeated = 1.0;
        for (int e = 0; e <= 64; ++e) {
            EXPECT_EQ(powInt(b, e), binaryPower(b, e)) << b << "^" << e;
            EXPECT_EQ(powInt(b, -e), 1.0 / binaryPower(b, e)) << b << "^-" << e;
            differsFromRepeatedProduct |= powInt(b, e) != repeated;
            repeated *= b;
        }
        EXPECT_EQ(powInt(b, 0), 1.0);
    }
    EXPECT_TRUE(differsFromRepeatedProduct);
}
