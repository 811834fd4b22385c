// BObject: the impulses' roundings and the damping thresholds and decay.
#include "bodies/BObject.h"

#include <gtest/gtest.h>

#include "support/Xyz.h"

// Binary exponentiation, step by step: the bits from the lowest, the base squared after each.
static double binPow(double b, unsigned n, double z = 1.0) {
    return n == 0 ? z : binPow(b * b, n / 2, n % 2 ? z * b : z);
}

// Each impulse lands on its own component, so the product-then-division rounding shows unblurred.
TEST(BObject, ImpulsesFormTheProductBeforeTheDivisionAndTwinsNegateMs) {
    const Vektor3D f(0, 0, 0.7), u(0, 0.2, 0);
    const int ms = 17;
    BObject a({1, 2, 3}, u, f, {}, {}), b = a;
    for (auto impulse : {&BObject::forwardImpulse, &BObject::leftSideImpulse, &BObject::upImpulse,
                         &BObject::rollLeftImpulse, &BObject::yawLeftImpulse,
                         &BObject::pitchUpImpulse})
        (a.*impulse)(ms);
    for (auto impulse : {&BObject::backwardImpulse, &BObject::rightSideImpulse,
                         &BObject::downImpulse, &BObject::rollRightImpulse,
                         &BObject::yawRightImpulse, &BObject::pitchDownImpulse})
        (b.*impulse)(ms);
    const Vektor3D v = ((f * ms) / 1e3 + (u.cross(f) * ms) / 1e3) + (u * ms) / 1e3;
    const Vektor3D w = ((f * -ms) / 1e6 + (u * ms) / 1e6) + (f.cross(u) * ms) / 1e6;
    EXPECT_EQ(xyz(a.velocity), xyz(v));
    EXPECT_EQ(xyz(a.angularVelocity), xyz(w));
    EXPECT_EQ(xyz(b.velocity), xyz(v * -1.0));
    EXPECT_EQ(xyz(b.angularVelocity), xyz(w * -1.0));
}

// Below 0.001 and 5e-6, strictly, motion stops; otherwise it decays by 0.999 per ms.
TEST(BObject, DampingStopsBelowStrictThresholdsAndOtherwiseDecaysByPowInt) {
    BObject a({}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0.001}, {0, 4.9e-6, 0});
    BObject b({}, {0, 1, 0}, {0, 0, 1}, {9e-4, 0, 0}, {0, 0, 5e-6});
    a.dampMotion(20);
    b.dampMotion(20);
    EXPECT_EQ(xyz(a.velocity), (Xyz{0, 0, 0.001 * binPow(0.999, 20)}));
    EXPECT_EQ(xyz(a.angularVelocity), Xyz{});
    EXPECT_EQ(xyz(b.velocity), Xyz{});
    EXPECT_EQ(xyz(b.angularVelocity), (Xyz{0, 0, 5e-6 * binPow(0.999, 20)}));
}
