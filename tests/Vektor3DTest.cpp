// Vektor3D: exact roundings, length comparisons, rotations against Rodrigues and the polar steps.
#include "math/Vektor3D.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "support/Xyz.h"

namespace {

Vektor3D rodrigues(const Vektor3D& v, const Vektor3D& axis, double t) {
    const Vektor3D k = axis / axis.length();
    const double along = (k.x * v.x + k.y * v.y + k.z * v.z) * (1 - std::cos(t));
    return (v * std::cos(t) + k.cross(v) * std::sin(t)) + k * along;
}

// One polar turn in the plane of (s, c): radius, atan2, then sine and cosine.
void polarTurn(double& s, double& c, double phi) {
    const double r = std::sqrt(c * c + s * s);
    const double a = std::atan2(s, c) + phi;
    s = r * std::sin(a);
    c = r * std::cos(a);
}

TEST(Vektor3D, ArithmeticRoundsAsWrittenAndComparisonsUseTheLength) {
    const double x = 0.1 + 0.2;
    EXPECT_EQ((Vektor3D(x, 0, 0) / 3.0).x, x / 3);
    EXPECT_EQ(Vektor3D(0.1, 0.2, 3.7).length(), std::sqrt((0.1 * 0.1 + 0.2 * 0.2) + 3.7 * 3.7));
    const Vektor3D p(1, 2, 3);
    EXPECT_EQ(xyz(p.cross({-2, 0.5, 4})), (Xyz{6.5, -10, 4.5}));
    EXPECT_EQ(xyz(p.permuted(1)), (Xyz{2, 3, 1}));
    EXPECT_EQ(xyz(p.permuted(2)), (Xyz{3, 1, 2}));
    EXPECT_EQ(xyz(p.permuted(3)), (Xyz{1, 2, 3}));
    using Answers = std::array<bool, 3>;  // <, <= and != of the length
    const auto compare = [](const Vektor3D& v, double d) { return Answers{v < d, v <= d, v != d}; };
    const Vektor3D five(3, 4, 0);
    EXPECT_EQ(compare(five, 5.0), (Answers{false, true, false}));
    EXPECT_EQ(compare(five, 5.000001), (Answers{true, true, true}));
    EXPECT_EQ(compare(five, 4.999999), (Answers{false, false, true}));
    for (double d : {-1.0, 0.0, HUGE_VAL})
        EXPECT_EQ(compare({std::nan(""), 0, 0}, d), (Answers{false, false, true})) << d;
}

// Random axes, three in eight along +-x, +-y or +-z.
TEST(Vektor3D, RotationsAreRightHandedTurnsAboutTheAxis) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-4.0, 4.0);
    for (int i = 0; i < 120; ++i) {
        Vektor3D axis(u(rng), u(rng), u(rng));
        const Vektor3D p(u(rng), u(rng), u(rng));
        const double t = u(rng);
        if (i % 8 < 3)
            axis = Vektor3D(i % 8 == 0, i % 8 == 1, i % 8 == 2) * axis.x;
        Vektor3D v = p;
        v.rotate(axis, t);
        EXPECT_LT((v - rodrigues(p, axis, t)).length(), 1e-12) << i;
    }
    Vektor3D still(0.3, -2, 7);
    still.rotate({}, 1.3);
    EXPECT_EQ(xyz(still), (Xyz{0.3, -2, 7}));
}

// An axis along x, y or z takes the shortcut: exactly that axis's own turn, sign included, which
// is one polar step in its plane (rotateX turning the other way).
TEST(Vektor3D, RotationAboutAFrameAxisIsThatAxissPolarTurnBitForBit) {
    const Vektor3D start(0.3, -1.7, 2.9);
    const double t = 0.7;
    struct Case {
        Vektor3D axis;
        void (Vektor3D::*turn)(double);
        double angle;
        double Vektor3D::*s;
        double Vektor3D::*c;
    };
    const Case cases[] = {
        {{3, 0, 0}, &Vektor3D::rotateX, -t, &Vektor3D::y, &Vektor3D::z},
        {{-2, 0, 0}, &Vektor3D::rotateX, t, &Vektor3D::y, &Vektor3D::z},
        {{0, 5, 0}, &Vektor3D::rotateY, t, &Vektor3D::x, &Vektor3D::z},
        {{0, -1, 0}, &Vektor3D::rotateY, -t, &Vektor3D::x, &Vektor3D::z},
        {{0, 0, 4}, &Vektor3D::rotateZ, t, &Vektor3D::y, &Vektor3D::x},
        {{0, 0, -2}, &Vektor3D::rotateZ, -t, &Vektor3D::y, &Vektor3D::x},
    };
    for (const Case& c : cases) {
        Vektor3D turned = start;
        Vektor3D own = start;
        Vektor3D polar = start;
        turned.rotate(c.axis, t);
        (own.*c.turn)(c.angle);
        polarTurn(polar.*c.s, polar.*c.c, c.angle);
        EXPECT_EQ(xyz(turned), xyz(own)) << xyz(c.axis);
        EXPECT_EQ(xyz(own), xyz(polar)) << xyz(c.axis);
    }
}

TEST(Vektor3D, RotationMemoHitGivesTheSameBitsAsAMiss) {
    const Vektor3D axes[] = {{0.7, -0.2, 1.3}, {0.8, -0.2, 1.3}, {0.7, -0.1, 1.3}, {0.7, -0.2, 2}};
    for (const Vektor3D& next : axes) {
        Vektor3D scratch(1, 2, 3);
        Vektor3D hit(0.6, -1.1, 2.3);
        Vektor3D miss = hit;
        scratch.rotate(axes[0], 0.9);  // axes[0] left in the memo
        hit.rotate(next, 1.1);
        scratch.rotate({-0.3, 0.9, 0.4}, 0.9);  // forced miss
        miss.rotate(next, 1.1);
        EXPECT_EQ(xyz(hit), xyz(miss)) << xyz(next);
    }
}

TEST(Vektor3D, TheZeroVectorNormalisedIsThreeNaN) {
    Vektor3D zero;
    zero.normalize();
    EXPECT_TRUE(std::isnan(zero.x));
    EXPECT_TRUE(std::isnan(zero.y));
    EXPECT_TRUE(std::isnan(zero.z));
}

}  // namespace
