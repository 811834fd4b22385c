// Guards the build flags: neighbouring double->float->double conversions must keep their rounding.
#include <gtest/gtest.h>

namespace {

struct Widened {
    double a[3];
};

__attribute__((noinline)) Widened narrowAndWiden(double x, double y, double z) {
    Widened w;
    w.a[0] = static_cast<float>(x);
    w.a[1] = static_cast<float>(y);
    w.a[2] = static_cast<float>(z);
    return w;
}

TEST(FloatNarrowing, NeighbouringConversionsRoundToFloat) {
    volatile double x = 10.1, y = 20.2, z = 30.3;
    const Widened w = narrowAndWiden(x, y, z);
    EXPECT_EQ(w.a[0], 10.100000381469727);
    EXPECT_EQ(w.a[1], 20.200000762939453);
    EXPECT_EQ(w.a[2], 30.299999237060547);
}

}  // namespace
