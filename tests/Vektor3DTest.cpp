// Vektor3D: exact roundings, length comparisons, rotations against Rodrigues and the polar steps.
#include "math/Vektor3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

static const double kPi = std::acos(-1.0);

static bool near(const Vektor3D& a, const Vektor3D& b, double tol = 0.0) {
    return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) <= tol;
}

static Vektor3D rodrigues(const Vektor3D& v, const Vektor3D& axis, double t) {
    const Vektor3D k = axis / axis.length();
    const double along = (k.x * v.x + k.y * v.y + k.z * v.z) * (1 - std::cos(t));
    return (v * std::cos(t) + k.cross(v) * std::sin(t)) + k * along;
}

// One polar turn in the plane of (s, c): radius, atan2, then sine and cosine.
static void polarTurn(double& s, double& c, double phi) {
    const double r = std::sqrt(c * c + s * s), a = std::atan2(s, c) + phi;
    s = r * std::sin(a);
    c = r * std::cos(a);
}

TEST(Vektor3D, ArithmeticRoundsAsWrittenAndComparisonsUseTheLength) {
    const double x = 0.1 + 0.2, xx = 0.1 * 0.1, yy = 0.2 * 0.2, zz = 3.7 * 3.7;
    EXPECT_EQ((Vektor3D(x, 0, 0) / 3.0).x, x / 3);
    EXPECT_EQ(Vektor3D(0.1, 0.2, 3.7).length(), std::sqrt((xx + yy) + zz));
    const Vektor3D p(1, 2, 3), v(3, 4, 0), n(std::nan(""), 0, 0);
    EXPECT_TRUE(near(p.cross({-2, 0.5, 4}), {6.5, -10, 4.5}) && near(p.permuted(3), p));
    EXPECT_TRUE(near(p.permuted(1), {2, 3, 1}) && near(p.permuted(2), {3, 1, 2}));
    EXPECT_TRUE(!(v < 5.0) && v <= 5.0 && !(v != 5.0) && v < 5.000001 && v != 4.999999);
    for (double d : {-1.0, 0.0, HUGE_VAL}) EXPECT_TRUE(n != d && !(n < d) && !(n <= d)) << d;
}

// Random axes, three in eight along +-x, +-y or +-z; rotateX turns the other way by definition.
TEST(Vektor3D, RotationsAreRightHandedLengthPreservingInvertibleAndPolar) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-4.0, 4.0);
    for (int i = 0; i < 120; ++i) {
        Vektor3D axis(u(rng), u(rng), u(rng)), p(u(rng), u(rng), u(rng));
        const double t = u(rng);
        if (i % 8 < 3) axis = Vektor3D(i % 8 == 0, i % 8 == 1, i % 8 == 2) * axis.x;
        Vektor3D v = p, rx = p, ry = p, rz = p, ex = p, ey = p, ez = p;
        v.rotate(axis, t), rx.rotateX(t), ry.rotateY(t), rz.rotateZ(t);
        EXPECT_TRUE(near(v, rodrigues(p, axis, t), 1e-12)) << i;
        EXPECT_NEAR(v.length(), p.length(), 1e-12) << i;
        v.rotate(axis, -t);
        EXPECT_TRUE(near(v, p, 1e-12)) << i;
        polarTurn(ex.y, ex.z, t), polarTurn(ey.x, ey.z, t), polarTurn(ez.y, ez.x, t);
        EXPECT_TRUE(near(rx, ex) && near(ry, ey) && near(rz, ez)) << i;
    }
}

TEST(Vektor3D, WorkedRotationsKeepTheirRoundings) {
    Vektor3D v(1, 0, 0), a(1, 0, 0), b(1, 0, 0), c(1, 0, 0), d(0, 0, 1), e(1, 0, 0), f(0.3, -2, 7);
    v.rotateBy({0, 0, kPi}), c.rotateZ(kPi / 2), a.rotate({0, 0, -2}, 0.3), b.rotateZ(-0.3);
    d.rotate({1, 1, 0}, kPi), e.rotate({1, 1, 1}, 2 * kPi / 3), f.rotateBy({}), f.rotate({}, 1.3);
    EXPECT_TRUE(near(v, {-1, std::sin(kPi), 0}) && near(c, {std::cos(kPi / 2), 1, 0}));
    EXPECT_TRUE(near(d, {0, 0, -1}, 1e-15) && near(e, {0, 1, 0}, 1e-15));
    EXPECT_TRUE(near(a, b) && near(f, {0.3, -2, 7}));
}

TEST(Vektor3D, RotationMemoHitGivesTheSameBitsAsAMiss) {
    const Vektor3D axes[] = {{0.7, -0.2, 1.3}, {0.8, -0.2, 1.3}, {0.7, -0.1, 1.3}, {0.7, -0.2, 2}};
    for (const Vektor3D& next : axes) {
        Vektor3D scratch(1, 2, 3), hit(0.6, -1.1, 2.3), miss = hit;
        scratch.rotate(axes[0], 0.9), hit.rotate(next, 1.1);  // axes[0] left in the memo
        scratch.rotate({-0.3, 0.9, 0.4}, 0.9), miss.rotate(next, 1.1);  // forced miss
        EXPECT_TRUE(near(hit, miss));
    }
}

// An axis along x, y or z takes the shortcut: exactly that axis's own turn, sign included.
TEST(Vektor3D, RotationAboutAFrameAxisIsThatAxissTurnBitForBit) {
    const Vektor3D start(0.3, -1.7, 2.9);
    const double t = 0.7;
    struct Case {
        Vektor3D axis;
        void (Vektor3D::*turn)(double);
        double angle;
    };
    const Case cases[] = {
        {{3, 0, 0}, &Vektor3D::rotateX, -t}, {{-2, 0, 0}, &Vektor3D::rotateX, t},
        {{0, 5, 0}, &Vektor3D::rotateY, t},  {{0, -1, 0}, &Vektor3D::rotateY, -t},
        {{0, 0, 4}, &Vektor3D::rotateZ, t},  {{0, 0, -2}, &Vektor3D::rotateZ, -t},
    };
    for (const Case& c : cases) {
        Vektor3D turned = start;
        Vektor3D expected = start;
        turned.rotate(c.axis, t);
        (expected.*c.turn)(c.angle);
        EXPECT_EQ(turned.x, expected.x) << c.axis.x << " " << c.axis.y << " " << c.axis.z;
        EXPECT_EQ(turned.y, expected.y) << c.axis.x << " " << c.axis.y << " " << c.axis.z;
        EXPECT_EQ(turned.z, expected.z) << c.axis.x << " " << c.axis.y << " " << c.axis.z;
    }
}

TEST(Vektor3D, TheZeroVectorNormalisedIsThreeNaN) {
    Vektor3D zero;
    zero.normalize();
    EXPECT_TRUE(std::isnan(zero.x));
    EXPECT_TRUE(std::isnan(zero.y));
    EXPECT_TRUE(std::isnan(zero.z));
}
