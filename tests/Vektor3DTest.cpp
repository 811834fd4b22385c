// Vektor3D: arithmetic roundings, length comparisons, and the rotations checked against
// Rodrigues' formula (direction) and against the polar steps (last bit).
#include "math/Vektor3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

const double kPi = std::acos(-1.0);

void expectSame(const Vektor3D& a, const Vektor3D& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

void expectNear(const Vektor3D& a, const Vektor3D& b, double tol) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// Right-handed rotation of v about axis by theta.
Vektor3D rodrigues(const Vektor3D& v, const Vektor3D& axis, double theta) {
    const double l = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    const double kx = axis.x / l, ky = axis.y / l, kz = axis.z / l;
    const double c = std::cos(theta), s = std::sin(theta);
    const double dot = kx * v.x + ky * v.y + kz * v.z;
    return Vektor3D(v.x * c + (ky * v.z - kz * v.y) * s + kx * dot * (1 - c),
                    v.y * c + (kz * v.x - kx * v.z) * s + ky * dot * (1 - c),
                    v.z * c + (kx * v.y - ky * v.x) * s + kz * dot * (1 - c));
}

// One polar turn in the plane of (s, c): radius, atan2, then sine and cosine.
void polarTurn(double& s, double& c, double phi) {
    const double r = std::sqrt(c * c + s * s);
    const double a = std::atan2(s, c) + phi;
    s = r * std::sin(a);
    c = r * std::cos(a);
}

// The general-case decomposition about an axis with at least two non-zero components.
Vektor3D polarRotate(Vektor3D v, const Vektor3D& axis, double theta) {
    const double l = std::sqrt((axis.x * axis.x + axis.y * axis.y) + axis.z * axis.z);
    const double nx = axis.x / l, ny = axis.y / l, nz = axis.z / l;
    const double a1 = std::atan2(ny, nz);
    const double a2 = std::atan2(nx, std::sqrt(nz * nz + ny * ny));
    polarTurn(v.y, v.z, -a1);
    polarTurn(v.x, v.z, -a2);
    polarTurn(v.y, v.x, theta);
    polarTurn(v.x, v.z, a2);
    polarTurn(v.y, v.z, a1);
    return v;
}

std::vector<Vektor3D> testAxes() {
    std::vector<Vektor3D> axes = {{0, 0, -2}, {3, 0, 0}, {-0.5, 0, 0}, {0, 0.25, 0}, {0, -4, 0},
                                  {1, 1, 0},  {0, 1, -1}, {2, 0, 1},  {1, 1, 1}};
    std::mt19937_64 rng(4);
    std::uniform_real_distribution<double> u(-3.0, 3.0);
    for (int i = 0; i < 40; ++i) axes.emplace_back(u(rng), u(rng), u(rng));
    return axes;
}

}  // namespace

TEST(Vektor3D, ArithmeticDividesAndSumsInTheGivenOrder) {
    const double x = 0.1 + 0.2;
    ASSERT_NE(x / 3.0, x * (1.0 / 3.0));
    EXPECT_EQ((Vektor3D(x, 0, 0) / 3.0).x, x / 3.0);

    const double xx = 0.1 * 0.1, yy = 0.2 * 0.2, zz = 3.7 * 3.7;
    const double expected = std::sqrt((xx + yy) + zz);
    ASSERT_NE(expected, std::sqrt(xx + (yy + zz)));
    ASSERT_NE(expected, std::sqrt((xx + zz) + yy));
    EXPECT_EQ(Vektor3D(0.1, 0.2, 3.7).length(), expected);

    expectSame(Vektor3D(1, 0, 0).cross(Vektor3D(0, 1, 0)), Vektor3D(0, 0, 1));
    expectSame(Vektor3D(1, 2, 3).cross(Vektor3D(-2, 0.5, 4)), Vektor3D(6.5, -10, 4.5));
    expectSame(Vektor3D(1, 2, 3).permuted(1), Vektor3D(2, 3, 1));
    expectSame(Vektor3D(1, 2, 3).permuted(2), Vektor3D(3, 1, 2));
    expectSame(Vektor3D(1, 2, 3).permuted(3), Vektor3D(1, 2, 3));
}

TEST(Vektor3D, ComparisonsUseTheLengthAndNaNIsUnequalToAll) {
    const Vektor3D v(3, 4, 0);
    EXPECT_FALSE(v < 5.0);
    EXPECT_TRUE(v <= 5.0);
    EXPECT_FALSE(v != 5.0);
    EXPECT_TRUE(v < 5.000001);
    EXPECT_TRUE(v != 4.999999);

    const Vektor3D n(std::numeric_limits<double>::quiet_NaN(), 0, 0);
    for (double d : {-1.0, 0.0, 1e300, std::numeric_limits<double>::infinity()}) {
        EXPECT_TRUE(n != d);
        EXPECT_FALSE(n < d);
        EXPECT_FALSE(n <= d);
    }

    Vektor3D unit(3, 4, 0);
    unit.normalize();
    expectSame(unit, Vektor3D(3 / 5.0, 4 / 5.0, 0));
    Vektor3D zero;
    zero.normalize();
    EXPECT_TRUE(std::isnan(zero.x) && std::isnan(zero.y) && std::isnan(zero.z));
}

TEST(Vektor3D, AxisRotationsArePolarWithRotateXTurningTheOtherWay) {
    volatile double halfPi = kPi / 2;
    Vektor3D v(1, 0, 0);
    v.rotateZ(halfPi);
    expectSame(v, Vektor3D(std::cos(halfPi), 1, 0));
    EXPECT_NE(v.x, 0.0);

    Vektor3D w(0, 0, 1);
    w.rotateX(kPi / 2);  // a left-handed turn: +z goes to +y
    expectNear(w, Vektor3D(0, 1, 0), 1e-15);

    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-5.0, 5.0);
    for (int i = 0; i < 50; ++i) {
        const Vektor3D p(u(rng), u(rng), u(rng));
        const double phi = u(rng);
        Vektor3D rx = p, ry = p, rz = p, ex = p, ey = p, ez = p;
        rx.rotateX(phi);
        ry.rotateY(phi);
        rz.rotateZ(phi);
        polarTurn(ex.y, ex.z, phi);
        polarTurn(ey.x, ey.z, phi);
        polarTurn(ez.y, ez.x, phi);
        expectSame(rx, ex);
        expectSame(ry, ey);
        expectSame(rz, ez);
        expectNear(rx, rodrigues(p, Vektor3D(1, 0, 0), -phi), 1e-12);
        expectNear(ry, rodrigues(p, Vektor3D(0, 1, 0), phi), 1e-12);
        expectNear(rz, rodrigues(p, Vektor3D(0, 0, 1), phi), 1e-12);
    }
}

TEST(Vektor3D, RotateIsRightHandedLengthPreservingAndInvertible) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-4.0, 4.0);
    for (const Vektor3D& axis : testAxes()) {
        const Vektor3D p(u(rng), u(rng), u(rng));
        const double theta = u(rng);
        Vektor3D v = p;
        v.rotate(axis, theta);
        expectNear(v, rodrigues(p, axis, theta), 1e-12);
        EXPECT_NEAR(v.length(), p.length(), 1e-12);
        v.rotate(axis, -theta);
        expectNear(v, p, 1e-12);
    }
}

TEST(Vektor3D, RotateFollowsThePolarStepsToTheLastBit) {
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> u(-4.0, 4.0);
    for (const Vektor3D& axis : testAxes()) {
        if ((axis.x == 0) + (axis.y == 0) + (axis.z == 0) >= 2) continue;
        const Vektor3D p(u(rng), u(rng), u(rng));
        const double theta = u(rng);
        Vektor3D v = p;
        v.rotate(axis, theta);
        expectSame(v, polarRotate(p, axis, theta));
    }
}

TEST(Vektor3D, WorkedRotations) {
    Vektor3D v(1, 0, 0);
    v.rotateBy(Vektor3D(0, 0, kPi));
    volatile double pi = kPi;
    expectSame(v, Vektor3D(-1, std::sin(pi), 0));

    for (double theta : {0.3, -1.7, 2.5}) {
        Vektor3D a(1, 0, 0), b(1, 0, 0), c(0, 1, 0);
        a.rotate(Vektor3D(0, 0, -2), theta);
        b.rotateZ(-theta);
        expectSame(a, b);
        c.rotate(Vektor3D(3, 0, 0), theta);
        expectNear(c, Vektor3D(0, std::cos(theta), std::sin(theta)), 1e-15);
    }

    Vektor3D d(0, 0, 1), e(1, 0, 0);
    d.rotate(Vektor3D(1, 1, 0), kPi);
    e.rotate(Vektor3D(1, 1, 1), 2 * kPi / 3);
    expectNear(d, Vektor3D(0, 0, -1), 1e-15);
    expectNear(e, Vektor3D(0, 1, 0), 1e-15);

    const Vektor3D p(0.3, -2, 7);
    Vektor3D f = p, g = p;
    f.rotateBy(Vektor3D());
    g.rotate(Vektor3D(0, 0, 0), 1.3);
    expectSame(f, p);
    expectSame(g, p);
}

// The memo may only ever reuse angles of the very same axis: a primed memo must give what a
// forced miss gives, for the same axis and for axes that differ in one component.
TEST(Vektor3D, RotationMemoGivesTheSameBitsAsAMiss) {
    const Vektor3D other(-0.3, 0.9, 0.4);
    const Vektor3D p(0.6, -1.1, 2.3);
    const Vektor3D axes[] = {{0.7, -0.2, 1.3}, {0.8, -0.2, 1.3}, {0.7, -0.1, 1.3}, {0.7, -0.2, 1.4}};
    for (const Vektor3D& next : axes) {
        Vektor3D scratch(1, 2, 3), primed = p, missed = p;
        scratch.rotate(axes[0], 0.9);  // leaves axes[0] in the memo
        primed.rotate(next, 1.1);
        scratch.rotate(other, 0.9);  // forces the next call to miss
        missed.rotate(next, 1.1);
        expectSame(primed, missed);
    }
}
