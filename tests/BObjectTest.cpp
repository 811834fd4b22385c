// BObject: the impulses' roundings, the motion step, the damping thresholds and powInt.
#include "bodies/BObject.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/Xyz.h"

namespace {

double binPow(double b, int e) {  // binary exponentiation, step by step
    double z = 1.0;
    for (int n = std::abs(e); n > 0; n /= 2) {
        if (n % 2)
            z = z * b;
        b = b * b;
    }
    return e < 0 ? 1 / z : z;
}

// Each impulse lands on its own component, so the product-then-division rounding shows unblurred.
TEST(BObject, ImpulsesFormTheProductBeforeTheDivisionAndTwinsNegateMs) {
    const Vektor3D f(0, 0, 0.7);
    const Vektor3D u(0, 0.2, 0);
    for (int ms : {3, 17, 25, 1000}) {
        BObject a({1, 2, 3}, u, f, {}, {});
        BObject b = a;
        for (auto impulse : {&BObject::forwardImpulse, &BObject::leftSideImpulse,
                             &BObject::upImpulse, &BObject::rollLeftImpulse,
                             &BObject::yawLeftImpulse, &BObject::pitchUpImpulse})
            (a.*impulse)(ms);
        for (auto impulse : {&BObject::backwardImpulse, &BObject::rightSideImpulse,
                             &BObject::downImpulse, &BObject::rollRightImpulse,
                             &BObject::yawRightImpulse, &BObject::pitchDownImpulse})
            (b.*impulse)(ms);
        const Vektor3D v = ((f * ms) / 1e3 + (u.cross(f) * ms) / 1e3) + (u * ms) / 1e3;
        const Vektor3D w = ((f * -ms) / 1e6 + (u * ms) / 1e6) + (f.cross(u) * ms) / 1e6;
        EXPECT_EQ(xyz(a.velocity), xyz(v)) << ms;
        EXPECT_EQ(xyz(a.angularVelocity), xyz(w)) << ms;
        EXPECT_EQ(xyz(b.velocity), xyz(v * -1.0)) << ms;
        EXPECT_EQ(xyz(b.angularVelocity), xyz(w * -1.0)) << ms;
    }
}

TEST(BObject, MoveAdvancesPer40MsAndTurnsBothAxesByTheSameRotationVector) {
    BObject b({}, {0.1, 0.9, 0.3}, {0.7, -0.2, 0.6}, {0.3, 0.1, -0.2}, {3e-4, -7e-4, 2e-4});
    const Vektor3D position = b.position + (b.velocity * 30.0) / 40.0;
    Vektor3D forward = b.forward;
    Vektor3D up = b.up;
    forward.rotateBy(b.angularVelocity * 30.0);
    up.rotateBy(b.angularVelocity * 30.0);
    b.move(30);
    EXPECT_EQ(xyz(b.position), xyz(position));
    EXPECT_EQ(xyz(b.forward), xyz(forward));
    EXPECT_EQ(xyz(b.up), xyz(up));
}

// Below 0.001 and 5e-6, strictly, motion stops; otherwise it decays by 0.999 per ms.
TEST(BObject, DampingStopsBelowStrictThresholdsAndOtherwiseDecaysByPowInt) {
    const double decay = binPow(0.999, 20);
    const struct {
        Vektor3D velocity, turn;
        Xyz velocityAfter, turnAfter;
    } cases[] = {{{0, 0, 0.001}, {0, 4.9e-6, 0}, {0, 0, 0.001 * decay}, {}},
                 {{9e-4, 0, 0}, {0, 0, 5e-6}, {}, {0, 0, 5e-6 * decay}}};
    for (const auto& c : cases) {
        BObject b({}, {0, 1, 0}, {0, 0, 1}, c.velocity, c.turn);
        b.dampMotion(20);
        EXPECT_EQ(xyz(b.velocity), c.velocityAfter) << xyz(c.velocity);
        EXPECT_EQ(xyz(b.angularVelocity), c.turnAfter) << xyz(c.turn);
    }
}

TEST(BObject, PowIntIsBinaryExponentiationWithReciprocalsForNegativeExponents) {
    for (int e = 0; e <= 64; ++e)
        for (double b : {0.999, 1.001, 0.37, 3.3}) {
            EXPECT_EQ(powInt(b, e), binPow(b, e)) << b << "^" << e;
            EXPECT_EQ(powInt(b, -e), 1 / binPow(b, e)) << b << "^-" << e;
        }
}

}  // namespace
